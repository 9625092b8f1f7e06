#pragma once
// The picture check of the choice questions' pictures: whether Qt can show the
// bytes as a picture (as the client's picture window does), or they are one
// too large for it, with its size read from the header.
#include <string>

#include "common/bank/rules.h"

namespace kav::gui {

mendrix::bank::PictureCheck checkPicture(const std::string& bytes);

}  // namespace kav::gui
