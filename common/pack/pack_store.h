#pragma once
// Where the teacher's side keeps the candidates' work packs. On a lab server,
// in the server's table of packs (through the station's server function; only
// the owner reads them). On a file lab, in the folder "packs" beside
// teacher.mdb: one file a candidate, <admission number>.zip, written under a
// temporary name and renamed into place.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/db/database.h"

namespace kav::pack {

inline constexpr std::string_view kPackFolderName = "packs";

// The folder of packs beside a teacher.mdb.
std::filesystem::path packFolderBeside(const std::filesystem::path& teacherFile);
// "<admission>.zip"; a character other than an ASCII letter, digit, '-' or '_'
// is written as %XX, so that no admission number names another place.
std::string packFileName(std::string_view admission);

// Stores (or replaces) the pack of candidate `admission`; DbError with the
// engine's or the system's text when it cannot (DbUnavailable while the
// server cannot be reached).
void storePack(db::Connection& teacher, const std::string& admission, const std::string& zipBytes);
// The stored pack of candidate `admission` (nullopt when there is none), and
// the candidates with a stored pack, in admission-number order. On a lab
// server they need the owner's connection. DbError when they cannot be read.
std::optional<std::string> loadPack(db::Connection& teacher, const std::string& admission);
std::vector<std::string> packAdmissions(db::Connection& teacher);
// Deletes the stored pack of candidate `admission` (nothing when there is
// none); on a lab server with the owner's connection. DbError when it cannot.
void removePack(db::Connection& teacher, const std::string& admission);

}  // namespace kav::pack
