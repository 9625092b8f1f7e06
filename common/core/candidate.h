#pragma once
#include <string>
#include <string_view>

namespace kav {

// The name of a candidate's folder: the admission number without its 5th to
// 8th characters (110199990001 gives 11010001; a number shorter than 5
// characters is used whole, one of 5 to 8 keeps its first four).
std::string candidateFolderName(std::string_view zkzh);

}  // namespace kav
