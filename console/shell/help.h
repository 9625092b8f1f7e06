#pragma once
// The help file readme.htm lives in the teacher folder, beside the databases;
// the program carries a copy and writes it there when the folder has none.
#include <filesystem>
#include <string_view>

namespace mendrix {

// The help file the program carries.
std::string_view helpFileText();

// Writes `content` as readme.htm into folder unless a file of that name is
// there. False when it could not be written (the help command then says so).
bool writeHelpFileIfMissing(const std::filesystem::path& folder, std::string_view content);

}  // namespace mendrix
