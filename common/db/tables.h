#pragma once
// The whole-table cursors a program works on: one connection with a cursor
// open on each of its tables, opened in the order the program names them.
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/db/database.h"

namespace kav::db {

// The order in which each program opens the tables of stu.mdb and teacher.mdb.
inline constexpr std::array<std::string_view, 5> kClientStudentTables = {"student", "win", "ct", "selecttest", "word"};
inline constexpr std::array<std::string_view, 5> kConsoleStudentTables = {"student", "win", "selecttest", "ct", "word"};
inline constexpr std::array<std::string_view, 5> kTeacherTables = {"score", "condition", "state", "updatefile", "user"};
inline constexpr std::array<std::string_view, 2> kStationServerTables = {"state", "updatefile"};

// Connects to a database file with the standard connection string of both
// programs; a relative dataSource is resolved against workingFolder. Throws DbError.
std::unique_ptr<Connection> connectFile(const std::string& dataSource, const std::filesystem::path& workingFolder);

// The data-link file that puts a lab's teacher tables on a server: when the
// teacher folder holds it, every program uses the database it names instead
// of teacher.mdb.
inline constexpr std::string_view kTeacherLinkFile = "teacher.udl";

// The connection string a data-link file holds: its first line that is not
// blank, not the "[oledb]" header and not a ";" comment (UTF-8, or UTF-16 as
// Windows writes it). DbError when the file cannot be read or holds none.
std::string readLinkFile(const std::filesystem::path& file);

// Connects to a database named by a path: a ".udl" file by the connection
// string it holds (a relative file in it resolved against the link's folder),
// any other path as a database file. role applies to a server database.
// Throws DbError.
std::unique_ptr<Connection> connectPath(const std::filesystem::path& databaseOrLink,
                                        ServerRole role = ServerRole::AsWritten);

// The teacher tables of a teacher folder: teacher.udl when the folder holds
// one, teacher.mdb otherwise.
std::filesystem::path teacherDatabasePath(const std::filesystem::path& teacherFolder);

// The teacher database an administrator's command names, as the owner: a
// teacher.udl acts on its server; a teacher.mdb whose folder holds a
// teacher.udl is refused (DbError naming the link), since the lab's tables are
// on the server and the file beside it is stale.
std::unique_ptr<Connection> connectTeacherAsOwner(const std::filesystem::path& databaseOrLink);

// The libpq connection string of a data-link file that names a lab server;
// DbError when it names none.
std::string serverDataSource(const std::filesystem::path& link);
// A connection string to a lab server (the Provider PostgreSQL).
std::string serverConnectionString(const std::string& dataSource);
// The text of a data-link file holding a connection string, as Windows writes
// one (header, comment, CR LF).
std::string linkFileText(const std::string& connectionString);

// A station's own data link, kept on the station and never on the share: it
// names the station's role and password on the lab server. The file is
// KAVLOR_STATION_LINK when set (tests), otherwise /etc/kavlor/station.udl.
std::filesystem::path stationLinkFile();
// The teacher tables of a station: its own data link when it has one, else
// the share's teacher.udl, else the share's teacher.mdb (the last two as
// found by shareFile, which finds a name on the share).
std::filesystem::path stationTeacherPath(const std::function<std::filesystem::path(std::string_view)>& shareFile);

class OpenTables {
public:
    // Opens a cursor on each named table of the connection, in the given order.
    // Throws DbError (keeping nothing open) when a table cannot be opened.
    OpenTables(std::unique_ptr<Connection> connection, std::span<const std::string_view> order);

    // The cursor of one of the opened tables (case-insensitive); DbError for
    // a table that was not opened.
    Cursor& table(std::string_view name) const;
    Connection& connection() const { return *connection_; }

private:
    std::unique_ptr<Connection> connection_;
    std::vector<std::pair<std::string, std::unique_ptr<Cursor>>> cursors_;
};

// Goes to the row at 1-based position `position` of a bank (first row, then
// forward position - 1 rows). Returns false, leaving the cursor at eof or bof,
// when the bank has no such row.
bool gotoPosition(Cursor& bank, int position);

}  // namespace kav::db
