#pragma once
// Checks of the update list: every client copies each listed name from the
// teacher share to the same relative path under its own program folder, so a
// name must stay inside that folder and must name something.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kav::station {

enum class UpdateNameFault {
    None,
    Empty,         // "a**b": the copy of an empty name fails and stops every client
    Absolute,      // "\etc\x", "/etc/x"
    DriveLetter,   // "c:\x", or any ":" (no Windows file name holds one)
    ParentFolder,  // a ".." part: "..\..\etc\x" leaves the program folder
    NotAFile,      // "word\", "." or "txt\.": names a folder, whose copy fails and stops every client
};

// The fault of one name as splitUpdateList gives it. A name of blanks only
// counts as empty.
UpdateNameFault checkUpdateName(std::string_view name);
// The reason shown to the teacher, e.g. "不能是绝对路径".
std::string reasonText(UpdateNameFault fault);

struct BadUpdateName {
    int position = 0;  // 1-based, in list order
    std::string name;
    UpdateNameFault fault = UpdateNameFault::None;
    // "第2个文件名“..\x”不能含有“..”" — the line shown for this entry.
    std::string text() const;
};
// Every bad name of a stored list, in list order; empty when the list is sound.
std::vector<BadUpdateName> checkUpdateList(std::string_view list);

// The sound names of the list that name no file under folder (found as Windows
// finds them, whatever their case), in list order.
std::vector<std::string> missingUpdateFiles(std::string_view list, const std::filesystem::path& folder);

}  // namespace kav::station
