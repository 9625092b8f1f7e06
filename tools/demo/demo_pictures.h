#pragma once
// The pictures of the demo bank, as the bytes of Windows bitmap files.
#include <string>

#include "tools/demo/demo_bank.h"

namespace kav::demo {

// The picture of a choice question (148 x 120 pixels); empty for Picture::None.
std::string pictureBmp(Picture picture);
// PHOTO.BMP of the Windows tasks: a small landscape.
std::string holidayPhotoBmp();

}  // namespace kav::demo
