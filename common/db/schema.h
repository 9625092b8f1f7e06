#pragma once
// The tables of the two exam databases, with their columns in order, and the
// making of a new database file.
//
// Widths that the programs themselves never declared:
//  - ct has exactly the columns of condition (same types and widths);
//  - user: username text(50), password text(255) (it holds a password hash);
//  - state: korl int32, update/clearinfo/clearfold yes/no, resttime text(50).
// win_condiction and dz_result (in ct and condition) are memo: their texts can
// outgrow 50 characters, and a text is never cut.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/db/database.h"

namespace kav::db {

enum class DatabaseKind { Student, Teacher };  // stu.mdb, teacher.mdb

// The file name of each kind: "stu.mdb", "teacher.mdb".
std::string_view fileNameOf(DatabaseKind kind);
// The kind named by a file's name (case-insensitive); DbError for any other name.
DatabaseKind kindFromFileName(const std::filesystem::path& file);

// The stations' heartbeats in the teacher tables; a file made before it
// existed gets it when it is opened.
TableDef heartbeatTable();
// The record of scores changed by re-grading, in the teacher tables; a file
// made before it existed gets it when it is opened.
TableDef regradeTable();

// The tables of one kind, in the order the programs open them.
const std::vector<TableDef>& tablesOf(DatabaseKind kind);
// One table definition; DbError when kind has no such table (case-insensitive).
const TableDef& tableDef(DatabaseKind kind, std::string_view table);

// The console accounts of a new teacher.mdb, rows 1-4 of `user`: the administrator
// and the three assistants (whose passwords are the clients' delay passwords).
// The file stores a hash of each password (common/account/password.h).
struct DefaultAccount {
    std::string_view username, password;
};
inline constexpr DefaultAccount kDefaultAccounts[4] = {
    {"admin", "admin"}, {"assist1", "1111"}, {"assist2", "2222"}, {"assist3", "3333"}};
// The exam time of a new station control record.
inline constexpr std::string_view kDefaultRestTime = "1:30:00";

// Creates a new database file of the given kind with every table, encrypted with
// the database password. teacher.mdb also gets its four `user` rows, one `state`
// row (korl 1, the three flags off, resttime "1:30:00") and one empty `updatefile`
// row. Refuses (DbError) an existing file, and leaves nothing behind on failure.
// teacher.mdb is kept in WAL mode (many programs at once); stu.mdb commits into the
// file itself, so that a copy taken while it is open is complete.
void createDatabase(const std::filesystem::path& file, DatabaseKind kind);
// The kind from the file name.
void createDatabase(const std::filesystem::path& file);
// The same tables and first rows in a PostgreSQL database (libpq connection
// URI or keyword/value string), in its current schema. DbError when the tables
// exist already.
void createServerDatabase(const std::string& conninfo, DatabaseKind kind);
// The tables of an older version's lab there brought up to date (see
// upgradePostgresTables): what was added, or nullopt when it holds no lab.
std::optional<std::vector<std::string>> upgradeServerDatabase(const std::string& conninfo, DatabaseKind kind);

}  // namespace kav::db
