#pragma once
// The lab server backend: the teacher tables in a PostgreSQL database, reached
// through libpq. The tables carry the same columns, types and widths as the
// embedded files, listed in the same catalogue (kav_columns), so every reader
// and every cursor rule is the same on both.
#include <memory>
#include <string>
#include <vector>

#include "common/db/database.h"

namespace kav::db {

// The provider that selects this backend; its Data Source is a libpq
// connection URI (postgresql://user@host:port/dbname) or a keyword/value string.
inline constexpr std::string_view kServerProvider = "PostgreSQL";

// The roles of a lab database: the owner (the console's) owns the tables;
// the stations' role reads and reports only (see scripts/lab-roles.sql).
inline constexpr std::string_view kOwnerRole = "kav_owner";
inline constexpr std::string_view kStationRole = "kav_station";

// The same server and database as conninfo, as the owner role of this machine:
// the user and password conninfo names are dropped; the user is PGUSER when
// set, kOwnerRole otherwise, and libpq finds the password (PGPASSWORD or its
// password file). A keyword/value string results. DbError when conninfo is malformed.
std::string asOwner(const std::string& conninfo);

// The user and password a connection string names ("" for those it leaves out).
struct ServerLogin {
    std::string user, password;
};
ServerLogin loginOf(const std::string& conninfo);

// Connects; DbError with libpq's text when the server cannot be reached or
// holds no exam tables. The connection keeps one session: when it breaks, the
// next operation reconnects once and fails with the server's text if it cannot
// (callers that must ride out an outage retry later).
std::unique_ptr<Connection> openPostgres(const std::string& conninfo);

// Creates the catalogue and the given tables (empty) in the database's current
// schema, in one transaction; DbError when any of them exists already. Every
// table also gets an index on each of its `zkzh` columns (the report's lookup).
void createPostgresTables(const std::string& conninfo, const std::vector<TableDef>& tables);

// Gives the stations' role (made, with LOGIN and the password, when missing)
// exactly what a station needs on the exam tables of the current schema: read
// and report on score and condition, read state, updatefile and the column
// catalogue, and run kDelayLevelFunction; nothing on user and no write to the
// station record. Run as the owner of the tables; DbError with the server's text.
// An empty password makes a role that logs in only as the server's client
// authentication allows without one.
void grantStationRole(const std::string& ownerConninfo, const std::string& stationRole,
                      const std::string& stationPassword);

// The server function a station calls with a typed delay password: the level
// (1-3) of the assistant whose password it is, 0 when none. It reads the hashes
// in `user` with the owner's rights, so a station never sees them.
inline constexpr std::string_view kDelayLevelFunction = "kav_delay_level";

}  // namespace kav::db
