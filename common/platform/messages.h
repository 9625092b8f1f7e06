#pragma once
// Errors of the file system as the candidate sees them: in Chinese, with the
// drive paths the candidate knows (c:\kavtmp\11010003), never the machine's
// real folders or the C++ library's English.
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace kav::platform {

// A path under drive c:'s folder as "c:\..." with "\" separators; any other
// path as it is.
std::string drivePath(const std::filesystem::path& path);

// The system's reason for an error code, in Chinese.
std::string reasonText(std::error_code code);

// The text of an error for a message box: a file-system error of the C++
// library becomes "无法<operation> <drive path>：<reason>"; any other text
// keeps its words, with every real path under drive c: shown as a drive path.
std::string errorText(const std::exception& error);

}  // namespace kav::platform
