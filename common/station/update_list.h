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

// How a sound name fails to name a file in the teacher share. Names are found
// as Windows finds them, whatever their case, in every part of the name.
enum class UpdateFileFault {
    None,
    Missing,     // no entry of that name
    Ambiguous,   // ignoring case, a part matches two entries ("stu.mdb" and "STU.MDB")
    Link,        // a part is a symbolic link: the copy would take whatever it names on the station
    NotAFile,    // a folder, a FIFO, a device: not a regular file
};

struct UpdateFile {
    std::string name;                 // as listed
    std::filesystem::path relative;   // as found in the share, e.g. txt/txt9.txt for "TXT\txt9.txt"
    UpdateFileFault fault = UpdateFileFault::None;
    // "“STU.MDB”在教师机上有两个文件只差大小写" — the line shown for a fault.
    std::string text() const;
};

// Each sound name of the list (bad names are left to checkUpdateList) looked up
// in the share folder, in list order. The one lookup the console, kavtool and
// the client share, so that what the teacher is told is what every station copies.
std::vector<UpdateFile> findUpdateFiles(std::string_view list, const std::filesystem::path& share);

// Copies every file of the list from the share into the station's program
// folder. The whole list is checked first (names and share files); each file is
// copied to a temporary name beside its target, and only when all are copied
// are they renamed into place (a replaced database loses the journals left
// beside it). A refused or failed list leaves the station's files as they were.
// Returns "" on success, otherwise the reason (naming the file).
std::string applyUpdateList(std::string_view list, const std::filesystem::path& share,
                            const std::filesystem::path& station);

}  // namespace kav::station
