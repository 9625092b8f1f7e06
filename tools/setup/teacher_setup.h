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
// by the given local user (the owner of the databases).
std::string sambaStanza(const std::filesystem::path& folder, const std::string& share, const std::string& owner);

}  // namespace kav::setup
