#pragma once
// The lab server backend: the teacher tables in a PostgreSQL database, reached
// through libpq. The tables carry the same columns, types and widths as the
// embedded files, listed in the same catalogue (kav_columns), so every reader
// and every cursor rule is the same on both.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/db/database.h"

namespace kav::db {

// The provider that selects this backend; its Data Source is a libpq
// connection URI (postgresql://user@host:port/dbname) or a keyword/value string.
inline constexpr std::string_view kServerProvider = "PostgreSQL";

// The roles of a lab database: the owner (the console's) owns the tables;
// each station has a role of its own that reaches them only through the
// server functions made with the tables (see createPostgresTables).
inline constexpr std::string_view kOwnerRole = "kav_owner";

// The tables a station reads (through kav_station_<table>()).
inline constexpr std::string_view kStationReadableTables[] = {"state", "updatefile"};

// The sessions a station's role may hold at once: the client's and its poll's,
// and a margin for one broken session that the server has not yet noticed.
inline constexpr int kStationConnections = 4;

// Waits on `connection` until a change of the station record (the table
// `state`) is announced, `wake` (a descriptor, -1 for none) becomes readable,
// or `timeout` passes. A lab server announces every committed change; the
// first wait subscribes, and the subscription is made again with the session
// after every reconnection, before its first statement. A database file
// announces nothing: Unsupported at once. Broken when the connection went (its
// next statement connects again). DbError when the subscription fails.
enum class StationChange { Announced, Woken, TimedOut, Unsupported, Broken };
StationChange waitForStationChange(Connection& connection, std::chrono::milliseconds timeout, int wake);

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

// The connection URI of a station: the server, database and settings of
// conninfo (a URI or a keyword/value string), the given user and password.
// DbError when conninfo is malformed.
std::string stationUri(const std::string& conninfo, const std::string& user, const std::string& password);

// Connects; DbError with libpq's text when the server cannot be reached or
// holds no exam tables. The connection keeps one session: when it breaks, the
// next operation reconnects once and fails with the server's text if it cannot
// (callers that must ride out an outage retry later).
std::unique_ptr<Connection> openPostgres(const std::string& conninfo);

// Creates the catalogue and the given tables (empty) in the database's current
// schema, in one transaction; DbError when any of them exists already. Every
// table also gets an index on each of its `zkzh` columns (the report's lookup).
void createPostgresTables(const std::string& conninfo, const std::vector<TableDef>& tables);

// What the lab's schema holds: no exam tables, tables made before stations
// had roles of their own (no station functions, no record of the station
// that reported a row), or tables as this version makes them.
enum class LabTables { None, Older, Current };
LabTables labTablesOf(const std::string& ownerConninfo);
// Brings older teacher tables up to date in one transaction, keeping every
// row: the column that records a row's station, the station functions made
// anew, and no right on a table left to any role but the owner. Run as the
// owner; DbError with the server's text (nothing changed then).
void upgradeLabTables(const std::string& ownerConninfo);

// The SQL of the one-time set-up that the server's administrator runs (as a
// superuser, with psql) in each lab database: the owner role (made when
// missing) loses CREATEROLE and the like, only the owner and the lab's
// stations may connect, no one else makes large objects or temporary tables,
// and the functions in schema kav_admin let the owner make and drop the roles
// of its own lab's stations (and of no other lab's).
std::string adminSetupSql(const std::string& ownerRole);

// Brings the tables of a lab made by an older version up to date, in one
// transaction: the tables it lacks (with their catalogue rows), the
// heartbeat's function and the announcement of the station record's changes.
// What was added ("table heartbeat", ...; none when nothing was missing), or
// nullopt when conninfo holds no lab's tables at all. DbError when it cannot.
std::optional<std::vector<std::string>> upgradePostgresTables(const std::string& conninfo,
                                                                const std::vector<TableDef>& tables);

// Makes the group of the lab's stations (the lab: the database and the
// current schema) and lets it run the station functions, and nothing else.
// Run as the owner; returns the group's name; DbError with the server's text.
std::string prepareStationGroup(const std::string& ownerConninfo);

// Makes (or renews) the role of station NAME of the lab: kav_LAB_st_NAME, with
// the password, kStationConnections sessions at most, a member of the
// stations' group; a renewal drops what the station set on its own role.
// Returns the role's name. Run as the owner; DbError with the server's text.
std::string provisionStation(const std::string& ownerConninfo, const std::string& name, const std::string& password);
// A new password for a station's role: 24 letters and digits from the
// system's random source (about 140 bits).
std::string newStationPassword();
// Ends the sessions of station NAME and drops its role (nothing when none).
void removeStation(const std::string& ownerConninfo, const std::string& name);

// Ends every session of station NAME's role, as a restart of the server would.
void endStationSessions(const std::string& ownerConninfo, const std::string& name);

// Lets any station report candidate zkzh again (one who moved to another
// station): the station recorded on the candidate's rows is cleared. Run as
// the owner; returns the number of score rows released.
int releaseCandidate(const std::string& ownerConninfo, const std::string& zkzh);

// The candidates' work packs on a lab server, in a table of their own
// (kav_pack): a station stores the pack of a candidate whose score it reported
// through this function, never reads one; a pack bigger than
// kMaxStoredPackBytes is refused. The owner reads them below: the pack of
// candidate zkzh (nullopt when none was stored), the candidates with a pack
// in admission-number order, and deletes one (nothing when there is none).
// DbError with the server's text.
inline constexpr std::string_view kStorePackFunction = "kav_store_pack";
inline constexpr std::size_t kMaxStoredPackBytes = 24u * 1024 * 1024;
std::optional<std::string> loadServerPack(const std::string& ownerConninfo, const std::string& zkzh);
std::vector<std::string> serverPackAdmissions(const std::string& ownerConninfo);
void removeServerPack(const std::string& ownerConninfo, const std::string& zkzh);

// The server's connection slots: those ordinary roles may use, and those in use now.
struct ConnectionBudget {
    int sessions = 0, inUse = 0;
};
ConnectionBudget connectionBudget(const std::string& ownerConninfo);
// Each station of a lab holds two sessions (the client's and its poll's).
inline constexpr int kSessionsPerStation = 2;
// How many of `stations` would find no session free (0 when all fit).
int stationsWithoutRoom(const ConnectionBudget& budget, int stations);
// What the administrator is told when `stations` cannot all connect: how many
// sessions they need, how many the server has and uses, how many stations are
// left out and what to do; "" when they all fit.
std::string connectionShortfallText(const ConnectionBudget& budget, int stations);

// The server function a station calls with a typed delay password: the level
// (1-3) of the assistant whose password it is, 0 when none.
inline constexpr std::string_view kDelayLevelFunction = "kav_delay_level";

}  // namespace kav::db
