#pragma once
// The teacher folder of a new lab: what the console runs in and the stations
// read through the share.
#include <filesystem>
#include <string>

namespace kav::setup {

// The folder the console's launcher starts in unless /etc/mendrix/mendrix.conf
// names another.
inline constexpr const char* kDefaultTeacherFolder = "/srv/kavlor/teacher";

// Makes folder (and its parents) a teacher folder: a new stu.mdb with empty
// tables, a new teacher.mdb with the four default accounts (hashed), the
// station record in exam mode and an empty update list, the help readme.htm,
// and the folders txt, word and file. Refuses (std::runtime_error, nothing
// changed) when folder already holds stu.mdb or teacher.mdb: an existing lab's
// data is never replaced. Files and folders already there are kept.
void setupTeacherFolder(const std::filesystem::path& folder);

// The Samba share stanza that offers folder to the stations as [share], written
// by the given local user (the owner of the databases). A lab whose teacher
// tables are on a server (the folder holds teacher.udl) gets a read-only
// share: the stations write nothing there.
std::string sambaStanza(const std::filesystem::path& folder, const std::string& share, const std::string& owner,
                        bool tablesOnServer);

// Why a share name or an owner cannot be used ("" when it can): a share name is
// 1-80 letters, digits, "-", "_" or "."; the owner is an existing user other
// than root (a share that writes as root lets every station write anywhere).
std::string shareNameFault(const std::string& share);
std::string ownerFault(const std::string& owner);

// text between single quotes for a POSIX shell ("it's" gives 'it'\''s').
std::string shellQuoted(const std::string& text);

}  // namespace kav::setup
