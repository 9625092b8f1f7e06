#pragma once
// The teacher's help file readme.htm, built into the console and kavtool: it
// lives in the teacher folder, beside the databases; the console and kavtool
// setup-teacher write the copy they carry there when the folder has none.
#include <filesystem>
#include <string_view>

namespace mendrix {

// The help file's name in the teacher folder.
inline constexpr const char* kHelpFile = "readme.htm";

// The help file the program carries.
std::string_view helpFileText();

// Writes `content` as readme.htm into folder unless a file of that name is
// there. False when it could not be written (the help command then says so).
bool writeHelpFileIfMissing(const std::filesystem::path& folder, std::string_view content);

}  // namespace mendrix
