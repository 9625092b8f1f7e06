#include "common/db/postgres_backend.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>

#include "common/db/schema.h"
#include "common/db/snapshot_cursor.h"
#include "common/db/values.h"

namespace kav::db {
namespace {

constexpr const char* kCatalog = "kav_columns";
constexpr const char* kHiddenKey = "kav_row";  // row identity of tables without an auto-number

std::string quoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string withoutTrailingNewlines(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return r_; }
    int rows() const { return PQntuples(r_); }
    bool isNull(int row, int column) const { return PQgetisnull(r_, row, column) != 0; }
    std::string text(int row, int column) const {
        return std::string(PQgetvalue(r_, row, column), static_cast<size_t>(PQgetlength(r_, row, column)));
    }
    long affected() const { return std::strtol(PQcmdTuples(r_), nullptr, 10); }

private:
    PGresult* r_;
};

// A parameter of a statement: text, or binary for a blob.
struct Param {
    std::string data;
    bool isNull = false, binary = false;
};

Param toParam(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return {"", true, false};
    if (auto* i = std::get_if<std::int64_t>(&v)) return {std::to_string(*i)};
    if (auto* t = std::get_if<std::string>(&v)) return {*t};
    if (auto* d = std::get_if<DateTime>(&v)) return {storedDateTime(*d)};
    if (auto* b = std::get_if<bool>(&v)) return {*b ? "true" : "false"};
    const Blob& blob = std::get<Blob>(v);
    return {std::string(blob.begin(), blob.end()), false, true};
}

// The settings of every session, as a connection request's options.
constexpr const char* kSessionOptions = "-c DateStyle=ISO,YMD -c TimeZone=UTC";

// The options a connection string gives the server itself ("" when none).
std::string optionsOf(const std::string& conninfo) {
    std::string options;
    if (PQconninfoOption* parsed = PQconninfoParse(conninfo.c_str(), nullptr)) {
        for (PQconninfoOption* o = parsed; o->keyword; ++o)
            if (o->val && std::string_view(o->keyword) == "options") options = o->val;
        PQconninfoFree(parsed);
    }
    return options;
}

// When a session of this program last reached each server (by connection
// string): one that comes back tells the others that wait out their backoff
// that the server is there again, so that a station's report does not wait
// on after its poll has got through.
class ServerReached {
public:
    static void now(const std::string& conninfo) {
        std::lock_guard lock(mutex_);
        at_()[conninfo] = std::chrono::steady_clock::now();
    }
    static bool since(const std::string& conninfo, std::chrono::steady_clock::time_point when) {
        std::lock_guard lock(mutex_);
        const auto found = at_().find(conninfo);
        return found != at_().end() && found->second > when;
    }

private:
    static std::map<std::string, std::chrono::steady_clock::time_point>& at_() {
        static std::map<std::string, std::chrono::steady_clock::time_point> at;
        return at;
    }
    static inline std::mutex mutex_;
};

// One session with the server, shared by the connection and its cursors.
class Session {
public:
    explicit Session(std::string conninfo) : conninfo_(std::move(conninfo)), random_(std::random_device{}()) {
        // A server that does not answer fails the attempt after 10 seconds
        // (unless the connection string sets its own limit). The session's
        // settings travel with the connection request itself, after any
        // options of the connection string, so that connecting (and every
        // reconnection of a lab's stations after a restart) costs no statement.
        const std::string options = optionsOf(conninfo_) + " " + kSessionOptions;
        const char* keywords[] = {"connect_timeout", "dbname", "client_encoding", "options", nullptr};
        const char* values[] = {"10", conninfo_.c_str(), "UTF8", options.c_str(), nullptr};
        conn_ = PQconnectdbParams(keywords, values, /*expand_dbname=*/1);
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string message = withoutTrailingNewlines(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw DbUnavailable("Cannot connect to the database server: " + message);
        }
        ServerReached::now(conninfo_);
        prepareSession();
    }
    ~Session() { PQfinish(conn_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& conninfo() const { return conninfo_; }

    // The next statement goes to a new session: one that met an error it did
    // not expect may carry settings (read-only, a role's) that a new one no
    // longer has.
    void startAfresh() { resetDue_ = true; }

    // Runs one statement (in a transaction of its own unless one is open);
    // DbError with the server's text.
    Result run(const std::string& sql, const std::vector<Param>& params = {}) {
        // A new session would run the rest of a transaction outside it.
        if (inTransaction_ && !beginPending_ && PQstatus(conn_) != CONNECTION_OK)
            throw DbUnavailable("The connection to the database server broke during a transaction");
        reconnectIfBroken();
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
        for (const Param& p : params) {
            values.push_back(p.isNull ? nullptr : p.data.c_str());
            lengths.push_back(static_cast<int>(p.data.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        const int count = static_cast<int>(params.size());
        if (beginPending_) {
            Result r = beginWith(sql, count, values.data(), lengths.data(), formats.data());
            beginPending_ = false;
            return checked(std::move(r));
        }
        return checked(Result(
            PQexecParams(conn_, sql.c_str(), count, nullptr, values.data(), lengths.data(), formats.data(), 0)));
    }

    // Runs work between BEGIN and COMMIT; a failure rolls back (the server
    // does so itself when the connection is gone). BEGIN goes to the server
    // together with the first statement of work: one round trip less a report.
    void transaction(const std::function<void()>& work) {
        if (inTransaction_) throw DbError("A transaction is already open on this connection");
        inTransaction_ = beginPending_ = true;
        try {
            work();
            if (!beginPending_) run("COMMIT");
        } catch (...) {
            if (!beginPending_ && PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "ROLLBACK"));
            inTransaction_ = beginPending_ = false;
            throw;
        }
        inTransaction_ = beginPending_ = false;
    }

    // Subscribes this session, and every later one after a reconnection, to
    // the announcements on `channel`. DbError when the server refuses.
    void listen(const std::string& channel) {
        run("LISTEN " + quoteName(channel));
        listenChannel_ = channel;
    }

    // Waits for an announcement on the subscribed channel (one already
    // received counts), for `wake` to become readable, or for the timeout.
    StationChange waitForAnnouncement(std::chrono::milliseconds timeout, int wake) {
        using Change = StationChange;
        const auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (PQstatus(conn_) != CONNECTION_OK) return Change::Broken;
            bool announced = false;
            while (PGnotify* n = PQnotifies(conn_)) {
                announced = true;
                PQfreemem(n);
            }
            if (announced) return Change::Announced;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return Change::TimedOut;
            pollfd ready[2] = {{PQsocket(conn_), POLLIN, 0}, {wake, POLLIN, 0}};
            const int count = ::poll(ready, wake >= 0 ? 2 : 1, static_cast<int>(left.count()));
            if (count < 0 && errno != EINTR) return Change::Broken;
            if (count <= 0) continue;
            if (wake >= 0 && (ready[1].revents & POLLIN)) return Change::Woken;
            // What came (announcements, or the server's last words) is taken in;
            // a stream that ended marks the connection broken.
            if (ready[0].revents && PQconsumeInput(conn_) == 0) return Change::Broken;
        }
    }

private:
    // A result of the server, or DbError with its text (DbUnavailable when
    // the connection has gone).
    Result checked(Result r) {
        ExecStatusType status = PQresultStatus(r.get());
        if (r.get() && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)) return r;
        const char* message = r.get() ? PQresultErrorMessage(r.get()) : "";
        std::string text = withoutTrailingNewlines(message && *message ? message : PQerrorMessage(conn_));
        if (status == PGRES_PIPELINE_ABORTED && text.empty()) text = "The transaction could not begin";
        if (PQstatus(conn_) != CONNECTION_OK) throw DbUnavailable(text);
        throw DbError(text);
    }

    // Sends BEGIN and the statement at once and reads both answers: the
    // statement's result (BEGIN's instead when BEGIN failed). Nothing is left
    // pending on the connection afterwards.
    Result beginWith(const std::string& sql, int count, const char* const* values, const int* lengths,
                     const int* formats) {
        if (PQenterPipelineMode(conn_) != 1) return Result(nullptr);
        const bool sent = PQsendQueryParams(conn_, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
                          PQsendQueryParams(conn_, sql.c_str(), count, nullptr, values, lengths, formats, 0) == 1 &&
                          PQpipelineSync(conn_) == 1;
        std::vector<Result> answers;  // in the order sent, up to the synchronisation point
        // Each statement's answers end with a null; a second null in a row, or
        // a broken connection, means nothing more will come.
        for (int nulls = 0; sent && nulls < 2;) {
            PGresult* r = PQgetResult(conn_);
            if (!r) {
                if (PQstatus(conn_) != CONNECTION_OK) break;
                ++nulls;
                continue;
            }
            nulls = 0;
            if (PQresultStatus(r) == PGRES_PIPELINE_SYNC) {
                PQclear(r);
                break;
            }
            answers.emplace_back(r);
        }
        PQexitPipelineMode(conn_);
        if (answers.empty()) return Result(nullptr);
        if (PQresultStatus(answers.front().get()) != PGRES_COMMAND_OK || answers.size() < 2)
            return std::move(answers.front());
        return std::move(answers[1]);
    }

    // Texts and times read back the same whatever the server's settings: the
    // connection request sets them; a server that ignored them is told again.
    void prepareSession() {
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);  // notices are no errors
        const auto is = [&](const char* name, std::string_view wanted) {
            const char* value = PQparameterStatus(conn_, name);
            return value && wanted == value;
        };
        if (!is("client_encoding", "UTF8")) PQsetClientEncoding(conn_, "UTF8");
        if (!is("DateStyle", "ISO, YMD") || !is("TimeZone", "UTC"))
            PQclear(PQexec(conn_, "SET DateStyle = 'ISO, YMD'; SET TimeZone = 'UTC'"));
        // A new session hears nothing the old one subscribed to: subscribed
        // again before the statement it is made for, so that no change made
        // after that statement's reading goes unannounced.
        if (!listenChannel_.empty()) PQclear(PQexec(conn_, ("LISTEN " + quoteName(listenChannel_)).c_str()));
    }
    // A broken connection is made again, at the earliest after a wait that
    // doubles with each failed attempt (0.25 s up to 4 s) plus a random part of
    // up to half of it, so that a lab's stations do not all knock at once when
    // the server returns; or as soon as another session of this program has
    // reached the server since. Meanwhile every operation fails at once.
    void reconnectIfBroken() {
        using namespace std::chrono;
        if (PQstatus(conn_) == CONNECTION_OK && !resetDue_ && !endedWhileIdle()) return;
        resetDue_ = false;
        const auto now = steady_clock::now();
        if (now < retryAt_ && !ServerReached::since(conninfo_, failedAt_))
            throw DbUnavailable("The database server cannot be reached: " + lastFailure_);
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK) {
            lastFailure_ = withoutTrailingNewlines(PQerrorMessage(conn_));
            failedAt_ = steady_clock::now();
            backoff_ = std::clamp(backoff_ * 2, milliseconds(250), milliseconds(4000));
            const auto jitter = std::uniform_int_distribution<long>(0, backoff_.count() / 2)(random_);
            retryAt_ = now + backoff_ + milliseconds(jitter);
            throw DbUnavailable("The database server cannot be reached: " + lastFailure_);
        }
        backoff_ = std::chrono::milliseconds(0);
        ServerReached::now(conninfo_);
        prepareSession();
    }

    // Whether the server ended the session while it was idle (a restart, or
    // the administrator ending it): its last words are waiting on the socket.
    // Seen before a statement is sent, so that the statement goes to a new
    // session instead of failing; outside a transaction only.
    bool endedWhileIdle() {
        if (inTransaction_ && !beginPending_) return false;
        // The last words, then the end of the stream: each read takes what
        // has come; the read that meets the end marks the connection broken.
        for (int reads = 0; reads < 4; ++reads) {
            pollfd ready{PQsocket(conn_), POLLIN, 0};
            if (::poll(&ready, 1, 0) <= 0 || PQconsumeInput(conn_) == 0) break;
        }
        return PQstatus(conn_) != CONNECTION_OK;
    }

    std::string conninfo_;
    PGconn* conn_ = nullptr;
    bool resetDue_ = false;  // set by startAfresh()
    std::mt19937 random_;
    std::chrono::milliseconds backoff_{0};
    std::chrono::steady_clock::time_point retryAt_{}, failedAt_{};
    std::string lastFailure_;
    bool inTransaction_ = false;
    bool beginPending_ = false;  // a transaction is open but has sent nothing yet
    std::string listenChannel_;  // "" until listen()
};

// The error again with context in front, of the same kind.
[[noreturn]] void rethrowWithContext(const DbError& e, const std::string& context) {
    if (dynamic_cast<const DbUnavailable*>(&e)) throw DbUnavailable(context + e.what());
    throw DbError(context + e.what());
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw DbError("Malformed binary data from the server");
}

Value readColumn(const Result& r, int row, int column, const ColumnDef& def) {
    if (r.isNull(row, column)) return {};
    std::string text = r.text(row, column);
    switch (def.type) {
        case ColumnType::AutoNumber:
        case ColumnType::Int32:
        case ColumnType::Int16: return static_cast<std::int64_t>(std::stoll(text));
        case ColumnType::Text:
        case ColumnType::Memo: return text;
        case ColumnType::DateTime: return parseStoredDateTime(text);
        case ColumnType::Boolean: return text == "t";
        case ColumnType::Blob: {
            // The server's hex output: \x followed by two digits a byte.
            Blob blob;
            for (size_t i = 2; i + 1 < text.size(); i += 2)
                blob.push_back(static_cast<std::uint8_t>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1])));
            return blob;
        }
    }
    return {};
}

std::string keyColumnOf(const TableDef& table) {
    for (const auto& c : table.columns)
        if (c.type == ColumnType::AutoNumber) return c.name;
    return kHiddenKey;
}

// A column as the cursor reads it: date-times always with their milliseconds.
std::string selectExpression(const ColumnDef& c) {
    if (c.type == ColumnType::DateTime)
        return "to_char(" + quoteName(c.name) + ", 'YYYY-MM-DD HH24:MI:SS.MS')";
    return quoteName(c.name);
}

class PostgresCursor final : public SnapshotCursor {
public:
    // source: what the rows are read from, the table itself or (for a
    // station, which holds no right on any table) the server function that
    // gives a station its rows.
    PostgresCursor(std::shared_ptr<Session> session, TableDef def, std::string source,
                   std::optional<RowFilter> filter = std::nullopt)
        : SnapshotCursor(std::move(def), std::move(filter)), session_(std::move(session)),
          key_(quoteName(keyColumnOf(definition()))), table_(quoteName(definition().name)),
          source_(std::move(source)) {}

protected:
    std::vector<StoredRow> fetchRows() override {
        const auto& columns = definition().columns;
        std::string sql = "SELECT " + key_;
        for (const auto& c : columns) sql += ", " + selectExpression(c);
        sql += " FROM " + source_;
        std::vector<Param> params;
        if (filter()) {
            const std::string column = quoteName(columns[static_cast<size_t>(filter()->column)].name);
            if (std::holds_alternative<std::monostate>(filter()->value)) {
                sql += " WHERE " + column + " IS NULL";
            } else {
                sql += " WHERE " + column + " = $1";
                params.push_back(toParam(filter()->value));
            }
        }
        sql += " ORDER BY " + key_;
        try {
            Result r = session_->run(sql, params);
            std::vector<StoredRow> rows(static_cast<size_t>(r.rows()));
            for (int i = 0; i < r.rows(); ++i) {
                StoredRow& row = rows[static_cast<size_t>(i)];
                row.key = std::stoll(r.text(i, 0));
                row.values.reserve(columns.size());
                for (size_t c = 0; c < columns.size(); ++c)
                    row.values.push_back(readColumn(r, i, static_cast<int>(c) + 1, columns[c]));
            }
            return rows;
        } catch (const DbError& e) {
            rethrowWithContext(e, "Cannot read the table '" + definition().name + "': ");
        }
    }

    StoredRow insertRow(const std::vector<Value>& values) override {
        const auto& columns = definition().columns;
        std::string names, marks;
        std::vector<Param> params;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].type == ColumnType::AutoNumber) continue;
            names += (params.empty() ? "" : ", ") + quoteName(columns[i].name);
            params.push_back(toParam(values[i]));
            marks += (params.size() == 1 ? "$" : ", $") + std::to_string(params.size());
        }
        std::string sql = params.empty() ? "INSERT INTO " + table_ + " DEFAULT VALUES"
                                         : "INSERT INTO " + table_ + " (" + names + ") VALUES (" + marks + ")";
        Result r = session_->run(sql + " RETURNING " + key_, params);
        StoredRow row{std::stoll(r.text(0, 0)), values};
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].type == ColumnType::AutoNumber) row.values[i] = row.key;
        return row;
    }

    void updateRow(std::int64_t key, const std::vector<Value>& values, const std::vector<bool>& changed) override {
        const auto& columns = definition().columns;
        std::string sets;
        std::vector<Param> params;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (!changed[i]) continue;
            params.push_back(toParam(values[i]));
            sets += (sets.empty() ? "" : ", ") + quoteName(columns[i].name) + " = $" + std::to_string(params.size());
        }
        params.push_back({std::to_string(key)});
        Result r = session_->run("UPDATE " + table_ + " SET " + sets + " WHERE " + key_ + " = $" +
                                     std::to_string(params.size()),
                                 params);
        if (r.affected() == 0)
            throwRowGone("updating");
    }

    void deleteRow(std::int64_t key) override {
        Result r = session_->run("DELETE FROM " + table_ + " WHERE " + key_ + " = $1", {{std::to_string(key)}});
        if (r.affected() == 0)
            throwRowGone("deleting");
    }

private:
    std::shared_ptr<Session> session_;
    std::string key_, table_, source_;
};

class PostgresConnection final : public Connection {
public:
    // viaFunctions: the session holds no right on the tables (a station's)
    // and reads what a station may read through the server's functions.
    PostgresConnection(std::shared_ptr<Session> session, std::vector<TableDef> tables, bool viaFunctions)
        : session_(std::move(session)), tables_(std::move(tables)), viaFunctions_(viaFunctions) {}

    std::unique_ptr<Cursor> openTable(std::string_view name) override {
        const TableDef& def = definitionOf(name);
        auto cursor = std::make_unique<PostgresCursor>(session_, def, sourceOf(def));
        cursor->open();
        return cursor;
    }

    std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column, const Value& value) override {
        const TableDef& def = definitionOf(table);
        auto cursor = std::make_unique<PostgresCursor>(session_, def, sourceOf(def),
                                                       SnapshotCursor::makeFilter(def, column, value));
        cursor->open();
        return cursor;
    }

    void callServerFunction(std::string_view name, const std::vector<Value>& arguments) override {
        std::string sql = "SELECT " + quoteName(name) + "(";
        std::vector<Param> params;
        for (const Value& v : arguments) {
            params.push_back(toParam(v));
            sql += (params.size() == 1 ? "$" : ", $") + std::to_string(params.size());
        }
        try {
            session_->run(sql + ")", params);
        } catch (const DbUnavailable&) {
            throw;
        } catch (const DbError&) {
            session_->startAfresh();
            throw;
        }
    }

    std::vector<std::string> tableNames() override {
        std::vector<std::string> names;
        for (const auto& t : tables_) names.push_back(t.name);
        return names;
    }

    std::string dataSource() const override { return session_->conninfo(); }
    bool onServer() const override { return true; }
    DateTime now() override {
        return parseStoredDateTime(
            Result(session_->run("SELECT to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS')"))
                .text(0, 0));
    }

    // The station record's changes are announced on a channel named after
    // the table's identity, so that the labs of one database stay apart.
    StationChange waitForStationChange(std::chrono::milliseconds timeout, int wake) {
        if (!channel_) {
            Result r = session_->run("SELECT 'kav_state_' || to_regclass('state')::oid::text");
            const std::string channel = r.rows() > 0 && !r.isNull(0, 0) ? r.text(0, 0) : "";
            if (!channel.empty()) session_->listen(channel);
            channel_ = channel;
        }
        if (channel_->empty()) return StationChange::Unsupported;
        return session_->waitForAnnouncement(timeout, wake);
    }

    int delayPasswordLevel(std::string_view typed) override {
        Result r = session_->run("SELECT " + std::string(kDelayLevelFunction) + "($1::text)", {{std::string(typed)}});
        return std::stoi(r.text(0, 0));
    }

    // The server keeps no freed copies in a file the stations can read, and
    // has no write-ahead log of the stations' own: nothing to do.
    void setSecureDelete(bool) override {}
    void checkpoint() override {}
    void transaction(const std::function<void()>& work) override { session_->transaction(work); }

private:
    const TableDef& definitionOf(std::string_view name) const { return tableNamed(tables_, name); }
    std::string sourceOf(const TableDef& def) const {
        for (std::string_view readable : kStationReadableTables)
            if (viaFunctions_ && def.name == readable) return quoteName("kav_station_" + def.name) + "()";
        return quoteName(def.name);
    }

    std::shared_ptr<Session> session_;
    std::vector<TableDef> tables_;
    bool viaFunctions_;
    std::optional<std::string> channel_;  // known after the first wait; "" without a station record
};

// The server functions through which a station reaches the tables of the
// current schema: a station's role holds no right on any table, only the
// right to run these, which run with their owner's rights and a fixed
// search_path (so that nothing a caller names can stand in for the tables).
//
//  kav_station_columns()     the catalogue, and whether the caller may read
//                            the tables themselves (the owner may)
//  kav_station_state()       the station record
//  kav_station_updatefile()  the update list
//  kav_report(...)           a candidate's score and exam record, both rows in
//                            the one statement's transaction; each row written
//                            records the station (its login role); a row that
//                            another station wrote is refused (the owner may
//                            write any)
//  kav_delay_level(typed)    the level of the assistant whose delay password
//                            was typed; a station gets at most 5 wrong tries in
//                            a minute (see kav_delay_guard below)
//
// Rows 2, 3 and 4 of user in table order are the three assistants; a stored
// text that is no hash (an older table) is compared exactly, and an empty one
// admits no one. pgcrypto (PostgreSQL 15) knows the bcrypt prefix "$2a$" but
// not "$2b$"; both give the same hash for any password shorter than 256 bytes,
// so the stored "$2b$" hash is checked under "$2a$".
//
// The delay password's limit must hold even for a caller who rolls back the
// transaction of its try (and so any row the try wrote): each station's
// allowance lives in a sequence of its own (kav_delay_guard names it), whose
// setval no rollback undoes. It holds the time (ms) at which the station's
// tries are used up as a rate of one a minute with a burst of five: a wrong try
// is refused while that time is more than four minutes ahead, and moves it one
// minute on. The guard row is locked for the try, so that two sessions of one
// station do not both spend the same allowance; a station locks only its own.
std::string definerClause(const std::string& here) {
    return " SECURITY DEFINER SET search_path = " + here + ", public, pg_temp AS ";
}

// The catalogue, for every database: a station reads it through this function.
void createCatalogFunction(Session& session) {
    const std::string here = Result(session.run("SELECT quote_ident(current_schema())")).text(0, 0);
    session.run("CREATE FUNCTION " + here +
                ".kav_station_columns() RETURNS TABLE (table_name text, name text, type text, width integer, "
                "direct boolean) LANGUAGE sql STABLE" + definerClause(here) +
                "$$ SELECT table_name, name, type, width, has_table_privilege(session_user, '" + here +
                ".kav_columns', 'SELECT') FROM kav_columns ORDER BY table_order, position $$");
    session.run("REVOKE ALL ON FUNCTION " + here + ".kav_station_columns() FROM PUBLIC");
}

// Every committed change of the station record is announced (NOTIFY, sent
// as the writer's transaction commits) on the channel kav_state_<the table's
// oid>, which the stations' polls listen on. Any role may listen: a station
// needs no right for it.
void createStateAnnouncement(Session& session, const std::string& here) {
    session.run("CREATE OR REPLACE FUNCTION " + here + ".kav_state_changed() RETURNS trigger LANGUAGE plpgsql AS "
                "$$ BEGIN PERFORM pg_notify('kav_state_' || TG_RELID::text, ''); RETURN NULL; END $$");
    session.run("REVOKE ALL ON FUNCTION " + here + ".kav_state_changed() FROM PUBLIC");
    session.run("DROP TRIGGER IF EXISTS kav_state_changed ON " + here + ".state");
    session.run("CREATE TRIGGER kav_state_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON " + here +
                ".state FOR EACH STATEMENT EXECUTE FUNCTION " + here + ".kav_state_changed()");
}

// kav_heartbeat(...): a station's heartbeat, in the row of the station its
// role names (the owner names any), stamped with the server's time. Made anew
// in place, so that the stations' right to run it stays.
void createHeartbeatFunction(Session& session, const std::string& here) {
    session.run("CREATE OR REPLACE FUNCTION " + here +
                ".kav_heartbeat(p_station text, p_zkzh text, p_ksxm text, p_phase integer, p_remaining integer, "
                "p_report_at timestamp, p_report_total integer, p_version text) RETURNS void LANGUAGE plpgsql" +
                definerClause(here) + R"SQL($f$
DECLARE
    own_prefix text := lower('kav_' || current_database() ||
        CASE WHEN current_schema() = 'public' THEN '' ELSE '_' || current_schema() END) || '_st_';
    who text;
BEGIN
    -- A heartbeat lost with a crashed server is replaced 2 s later: its commit
    -- does not wait for the disk (called in no transaction of the caller's).
    PERFORM set_config('synchronous_commit', 'off', true);
    IF has_table_privilege(session_user, 'heartbeat', 'UPDATE') THEN
        who := p_station;
    ELSIF starts_with(session_user, own_prefix) THEN
        who := substr(session_user, length(own_prefix) + 1);
    ELSE
        RAISE EXCEPTION 'the role % is no station of this lab', session_user USING ERRCODE = 'insufficient_privilege';
    END IF;
    UPDATE heartbeat SET zkzh = p_zkzh, ksxm = p_ksxm, phase = p_phase, remaining = p_remaining,
        report_at = p_report_at, report_total = p_report_total, version = p_version,
        written_at = clock_timestamp() AT TIME ZONE 'UTC'
    WHERE station = who;
    IF NOT FOUND THEN
        INSERT INTO heartbeat (station, zkzh, ksxm, phase, remaining, report_at, report_total, version, written_at)
        VALUES (who, p_zkzh, p_ksxm, p_phase, p_remaining, p_report_at, p_report_total, p_version,
                clock_timestamp() AT TIME ZONE 'UTC')
        ON CONFLICT ON CONSTRAINT kav_heartbeat_station DO NOTHING;
    END IF;
END $f$)SQL");
    session.run("REVOKE ALL ON FUNCTION " + here + ".kav_heartbeat(text, text, text, integer, integer, timestamp, "
                "integer, text) FROM PUBLIC");
}

// The candidates' work packs: kav_store_pack(zkzh, pack) stores the pack of a
// candidate whose score row the calling station wrote (the owner may store
// any), replacing the one stored before; a station reads none. Made when
// missing, so that a lab made before packs gets them when its stations are
// prepared.
void createPackStore(Session& session) {
    const std::string here = Result(session.run("SELECT quote_ident(current_schema())")).text(0, 0);
    session.run("CREATE TABLE IF NOT EXISTS kav_pack (zkzh text PRIMARY KEY, kav_station name NOT NULL, "
                "stored_at timestamp(3) NOT NULL, pack bytea NOT NULL)");
    session.run("CREATE OR REPLACE FUNCTION " + here + "." + std::string(kStorePackFunction) +
                "(p_zkzh text, p_pack bytea) RETURNS void LANGUAGE plpgsql" + definerClause(here) + R"SQL($f$
DECLARE
    reported_by name;
BEGIN
    IF octet_length(p_pack) > )SQL" + std::to_string(kMaxStoredPackBytes) + R"SQL( THEN
        RAISE EXCEPTION 'the pack of candidate % is larger than % bytes', p_zkzh, )SQL" +
                std::to_string(kMaxStoredPackBytes) + R"SQL( USING ERRCODE = 'program_limit_exceeded';
    END IF;
    SELECT kav_station INTO reported_by FROM score WHERE zkzh = p_zkzh ORDER BY "ID" LIMIT 1 FOR UPDATE;
    IF (NOT FOUND OR reported_by IS DISTINCT FROM session_user)
       AND NOT has_table_privilege(session_user, 'score', 'UPDATE') THEN
        RAISE EXCEPTION 'station % did not report candidate % and may not store the candidate''s pack',
            session_user, p_zkzh USING ERRCODE = 'insufficient_privilege';
    END IF;
    INSERT INTO kav_pack (zkzh, kav_station, stored_at, pack) VALUES (p_zkzh, session_user, localtimestamp, p_pack)
    ON CONFLICT (zkzh) DO UPDATE SET kav_station = excluded.kav_station, stored_at = excluded.stored_at,
        pack = excluded.pack;
END $f$)SQL");
    session.run("REVOKE ALL ON FUNCTION " + here + "." + std::string(kStorePackFunction) + "(text, bytea) FROM PUBLIC");
}

void createStationFunctions(Session& session) {
    Result schema = session.run("SELECT quote_ident(current_schema())");
    const std::string here = schema.text(0, 0);
    const std::string definer = definerClause(here);
    session.run("CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA public");
    session.run("CREATE TABLE IF NOT EXISTS kav_delay_guard (station name PRIMARY KEY, allowance regclass NOT NULL)");
    createStateAnnouncement(session, here);
    for (std::string_view table : kStationReadableTables)
        session.run("CREATE FUNCTION " + here + ".kav_station_" + std::string(table) + "() RETURNS SETOF " +
                    quoteName(table) + " LANGUAGE sql STABLE" + definer + "$$ SELECT * FROM " + quoteName(table) +
                    " $$");
    session.run("CREATE FUNCTION " + here + ".kav_delay_level(typed text) RETURNS integer LANGUAGE plpgsql" +
                definer + R"SQL($f$
DECLARE
    allowance regclass;
    now_ms bigint := (extract(epoch FROM clock_timestamp()) * 1000)::bigint;
    used_until bigint;
    level integer;
BEGIN
    SELECT g.allowance INTO allowance FROM kav_delay_guard g WHERE g.station = session_user FOR UPDATE;
    IF allowance IS NULL AND NOT has_table_privilege(session_user, '"user"', 'SELECT') THEN
        RAISE EXCEPTION 'the role % is no station of this lab', session_user USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF allowance IS NOT NULL THEN
        EXECUTE format('SELECT greatest(last_value, %s) FROM %s', now_ms, allowance) INTO used_until;
        IF used_until - now_ms > 240000 THEN
            RAISE EXCEPTION 'too many wrong delay passwords from station %: at most 5 a minute', session_user
                USING ERRCODE = 'program_limit_exceeded';
        END IF;
    END IF;
    SELECT coalesce(min(a.level), 0)::integer INTO level FROM (
        SELECT row_number() OVER (ORDER BY kav_row) - 1 AS level, password FROM "user") a
    WHERE a.level BETWEEN 1 AND 3 AND a.password <> '' AND
        CASE WHEN a.password LIKE '$2_$%' THEN public.crypt(typed, '$2a$' || substr(a.password, 5)) =
                                                '$2a$' || substr(a.password, 5)
             ELSE a.password = typed END;
    IF level = 0 AND allowance IS NOT NULL THEN
        PERFORM setval(allowance, used_until + 60000);
    END IF;
    RETURN level;
END $f$)SQL");
    session.run("CREATE FUNCTION " + here +
                ".kav_report(p_zkzh text, p_ksxm text, p_kstime timestamp, p_kscj integer, p_win_cj integer, "
                "p_select_cj integer, p_dz_cj integer, p_word_cj integer, p_winno integer, p_wordno integer, "
                "p_win_condiction text, p_sel_arr1 text, p_sel_arr2 text, p_sel_arr3 text, p_filename_dz text, "
                "p_filename_word text, p_dz_result text, p_word_result text, p_resttime text) "
                "RETURNS void LANGUAGE plpgsql" + definer + R"SQL($f$
DECLARE
    score_id integer;
    score_by name;
    condition_id integer;
    condition_by name;
BEGIN
    SELECT "ID", kav_station INTO score_id, score_by FROM score WHERE zkzh = p_zkzh ORDER BY "ID" LIMIT 1 FOR UPDATE;
    SELECT "ID", kav_station INTO condition_id, condition_by FROM condition WHERE zkzh = p_zkzh ORDER BY "ID" LIMIT 1
        FOR UPDATE;
    IF (coalesce(score_by, session_user) <> session_user OR coalesce(condition_by, session_user) <> session_user)
       AND NOT has_table_privilege(session_user, 'score', 'UPDATE') THEN
        RAISE EXCEPTION 'candidate % was reported by station %; the teacher can release the candidate',
            p_zkzh, coalesce(nullif(score_by, session_user), condition_by) USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF score_id IS NULL THEN
        INSERT INTO score (zkzh, ksxm, kstime, kscj, win_cj, select_cj, dz_cj, word_cj, kav_station)
        VALUES (p_zkzh, p_ksxm, p_kstime, p_kscj, p_win_cj, p_select_cj, p_dz_cj, p_word_cj, session_user);
    ELSE
        UPDATE score SET zkzh = p_zkzh, ksxm = p_ksxm, kstime = p_kstime, kscj = p_kscj, win_cj = p_win_cj,
            select_cj = p_select_cj, dz_cj = p_dz_cj, word_cj = p_word_cj, kav_station = session_user
        WHERE "ID" = score_id;
    END IF;
    IF condition_id IS NULL THEN
        INSERT INTO condition (zkzh, ksxm, kstime, winno, wordno, win_condiction, sel_arr1, sel_arr2, sel_arr3,
            filename_dz, filename_word, dz_result, word_result, resttime, kav_station)
        VALUES (p_zkzh, p_ksxm, p_kstime, p_winno, p_wordno, p_win_condiction, p_sel_arr1, p_sel_arr2, p_sel_arr3,
            p_filename_dz, p_filename_word, p_dz_result, p_word_result, p_resttime, session_user);
    ELSE
        UPDATE condition SET zkzh = p_zkzh, ksxm = p_ksxm, kstime = p_kstime, winno = p_winno, wordno = p_wordno,
            win_condiction = p_win_condiction, sel_arr1 = p_sel_arr1, sel_arr2 = p_sel_arr2, sel_arr3 = p_sel_arr3,
            filename_dz = p_filename_dz, filename_word = p_filename_word, dz_result = p_dz_result,
            word_result = p_word_result, resttime = p_resttime, kav_station = session_user
        WHERE "ID" = condition_id;
    END IF;
END $f$)SQL");
    createPackStore(session);
    createHeartbeatFunction(session, here);
    for (const char* function : {"kav_station_state()", "kav_station_updatefile()",
                                 "kav_delay_level(text)", "kav_report(text, text, timestamp, integer, integer, "
                                 "integer, integer, integer, integer, integer, text, text, text, text, text, "
                                 "text, text, text, text)"})
        session.run("REVOKE ALL ON FUNCTION " + here + "." + function + " FROM PUBLIC");
}

std::string columnDeclaration(const ColumnDef& c) {
    switch (c.type) {
        case ColumnType::AutoNumber: return quoteName(c.name) + " integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
        case ColumnType::Int32: return quoteName(c.name) + " integer";
        case ColumnType::Int16: return quoteName(c.name) + " smallint";
        case ColumnType::Text: return quoteName(c.name) + " varchar(" + std::to_string(c.width) + ")";
        case ColumnType::Memo: return quoteName(c.name) + " text";
        case ColumnType::DateTime: return quoteName(c.name) + " timestamp(3)";
        case ColumnType::Boolean: return quoteName(c.name) + " boolean";
        case ColumnType::Blob: return quoteName(c.name) + " bytea";
    }
    return quoteName(c.name);
}

// One table of the lab and its rows in the catalogue, at `order` in the table order.
void createTable(Session& session, const TableDef& table, int order) {
    std::string columns =
        keyColumnOf(table) == kHiddenKey ? quoteName(kHiddenKey) + " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                                         : std::string();
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& c = table.columns[i];
        columns += (columns.empty() ? "" : ", ") + columnDeclaration(c);
        session.run(std::string("INSERT INTO ") + kCatalog + " VALUES ($1, $2, $3, $4, $5, $6)",
                    {{std::to_string(order)}, {table.name}, {std::to_string(i)}, {c.name},
                     {std::string(columnTypeName(c.type))}, {std::to_string(c.width)}});
    }
    // The station that reported a candidate's row (its login role; not in the catalogue).
    if (table.name == "score" || table.name == "condition") columns += ", kav_station name";
    if (table.name == "heartbeat") columns += ", CONSTRAINT kav_heartbeat_station UNIQUE (station)";
    session.run("CREATE TABLE " + quoteName(table.name) + " (" + columns + ")");
    if (table.indexOf("zkzh") >= 0)
        session.run("CREATE INDEX " + quoteName("kav_key_" + table.name + "_zkzh") + " ON " + quoteName(table.name) +
                    " (zkzh)");
}

}  // namespace

namespace {
// The options a connection string sets; DbError when it is malformed.
std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> parseConninfo(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        std::string message = error ? withoutTrailingNewlines(error) : "out of memory";
        PQfreemem(error);
        throw DbError("Invalid server connection string: " + message);
    }
    return {options, PQconninfoFree};
}
}  // namespace

ServerLogin loginOf(const std::string& conninfo) {
    auto options = parseConninfo(conninfo);
    ServerLogin login;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val) continue;
        if (std::string_view(o->keyword) == "user") login.user = o->val;
        if (std::string_view(o->keyword) == "password") login.password = o->val;
    }
    return login;
}

std::string asOwner(const std::string& conninfo) {
    auto options = parseConninfo(conninfo);
    auto quoted = [](std::string_view value) {
        std::string out = "'";
        for (char c : value) {
            if (c == '\\' || c == '\'') out += '\\';
            out += c;
        }
        return out + "'";
    };
    std::string result;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        std::string_view keyword = o->keyword;
        if (!o->val || keyword == "user" || keyword == "password") continue;
        result += std::string(keyword) + "=" + quoted(o->val) + " ";
    }
    const char* user = std::getenv("PGUSER");
    return result + "user=" + quoted(user && *user ? user : kOwnerRole);
}

std::string stationUri(const std::string& conninfo, const std::string& user, const std::string& password) {
    auto options = parseConninfo(conninfo);
    const auto encoded = [](std::string_view text) {
        std::string out;
        for (unsigned char c : text) {
            if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') out += static_cast<char>(c);
            else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                out += hex;
            }
        }
        return out;
    };
    std::string host, port, dbname, query;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val) continue;
        const std::string_view keyword = o->keyword;
        if (keyword == "user" || keyword == "password") continue;
        if (keyword == "host") host = o->val;
        else if (keyword == "port") port = o->val;
        else if (keyword == "dbname") dbname = o->val;
        else query += (query.empty() ? "?" : "&") + std::string(keyword) + "=" + encoded(o->val);
    }
    // A host of letters, digits, dots and dashes (or an IPv6 address in
    // brackets) stands as it is; a socket folder is given as a parameter.
    std::string authority = encoded(user) + ":" + encoded(password) + "@";
    if (host.find('/') != std::string::npos) query += (query.empty() ? "?" : "&") + std::string("host=") + encoded(host);
    else authority += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (!port.empty()) authority += ":" + port;
    return "postgresql://" + authority + "/" + encoded(dbname) + query;
}

std::string adminSetupSql(const std::string& ownerRole) {
    const std::string owner = quoteName(ownerRole);
    // Each function of kav_admin checks that the caller owns the lab's schema
    // and touches only the roles named after that lab and this database;
    // every role it makes can log in and do nothing else.
    return R"SQL(-- One-time set-up of a lab database, run by the server's administrator (a
-- superuser) in that database, such as: ... | sudo -u postgres psql -d kavlab
-- It lets the owner role make its lab's station roles without CREATEROLE.
\set ON_ERROR_STOP on
BEGIN;
DO $do$ BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = ')SQL" + ownerRole + R"SQL(') THEN
        CREATE ROLE )SQL" + owner + R"SQL( LOGIN;
    END IF;
    EXECUTE format('GRANT CONNECT, TEMPORARY, CREATE ON DATABASE %I TO )SQL" + owner + R"SQL(', current_database());
    EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
END $do$;
ALTER ROLE )SQL" + owner + R"SQL( NOSUPERUSER NOCREATEROLE NOCREATEDB NOREPLICATION NOBYPASSRLS;
CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA public;
-- No role but the administrator makes large objects in this database.
REVOKE EXECUTE ON FUNCTION lo_creat(integer), lo_create(oid), lo_from_bytea(oid, bytea),
    lo_import(text), lo_import(text, oid) FROM PUBLIC;
CREATE SCHEMA IF NOT EXISTS kav_admin;
REVOKE ALL ON SCHEMA kav_admin FROM PUBLIC;
GRANT USAGE ON SCHEMA kav_admin TO )SQL" + owner + R"SQL(;

-- The common beginning of a lab's role names: kav_DATABASE for the schema
-- public, kav_DATABASE_SCHEMA for another; only for the owner of the schema.
CREATE OR REPLACE FUNCTION kav_admin.lab_prefix(lab_schema text) RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    schema_owner oid;
BEGIN
    SELECT nspowner INTO schema_owner FROM pg_namespace WHERE nspname = lab_schema;
    IF schema_owner IS NULL OR NOT pg_has_role(session_user, schema_owner, 'MEMBER') THEN
        RAISE EXCEPTION 'the schema % of database % is no lab of role %', lab_schema, current_database(), session_user
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN lower('kav_' || current_database() || CASE WHEN lab_schema = 'public' THEN '' ELSE '_' || lab_schema END);
END $f$;

-- The lab's group of stations (made when missing), which may connect to this database.
CREATE OR REPLACE FUNCTION kav_admin.stations_group(lab_schema text) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    grp text := kav_admin.lab_prefix(lab_schema) || '_stations';
    mark text := 'Kavlor stations of ' || current_database() || '.' || lab_schema;
    found oid;
BEGIN
    IF length(grp) > 63 THEN
        RAISE EXCEPTION 'the role name % is too long (63 bytes at most)', grp;
    END IF;
    -- The database's rights change one lab at a time (two at once would fail).
    PERFORM pg_advisory_xact_lock(hashtext('kav_admin.database_rights'));
    SELECT oid INTO found FROM pg_roles WHERE rolname = grp;
    IF found IS NULL THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', grp);
        EXECUTE format('COMMENT ON ROLE %I IS %L', grp, mark);
        EXECUTE format('GRANT CONNECT ON DATABASE %I TO %I', current_database(), grp);
    ELSIF shobj_description(found, 'pg_authid') IS DISTINCT FROM mark THEN
        RAISE EXCEPTION 'the role % exists and is no group of this lab''s stations', grp;
    END IF;
    RETURN grp;
END $f$;

-- The role of station NAME of the lab when it is one ('' when there is no such role).
CREATE OR REPLACE FUNCTION kav_admin.station_role_name(lab_schema text, station text) RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    grp text := kav_admin.lab_prefix(lab_schema) || '_stations';
    r text := kav_admin.lab_prefix(lab_schema) || '_st_' || station;
BEGIN
    IF station !~ '^[a-z0-9][a-z0-9_-]{0,31}$' THEN
        RAISE EXCEPTION 'a station name is 1-32 lower-case letters, digits, "_" or "-", starting with a letter or digit, not "%"', station;
    END IF;
    IF length(r) > 63 THEN
        RAISE EXCEPTION 'the role name % is too long (63 bytes at most)', r;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = r) THEN
        RETURN '';
    END IF;
    IF NOT pg_has_role(r, grp, 'MEMBER') OR NOT EXISTS (SELECT FROM pg_roles WHERE rolname = grp) THEN
        RAISE EXCEPTION 'the role % exists and is no station of this lab', r;
    END IF;
    RETURN r;
END $f$;

-- Makes or renews station NAME's role: it logs in with the password, at most
-- `connections` sessions at once, and can do nothing but what the lab's group
-- may; a renewal also drops the settings the station gave its own role.
CREATE OR REPLACE FUNCTION kav_admin.station_role(lab_schema text, station text, password text, connections integer)
RETURNS text LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    grp text := kav_admin.stations_group(lab_schema);
    r text := kav_admin.station_role_name(lab_schema, station);
    attributes text := 'LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS INHERIT';
BEGIN
    IF connections NOT BETWEEN 1 AND 20 THEN
        RAISE EXCEPTION 'a station has 1 to 20 connections, not %', connections;
    END IF;
    IF length(password) < 12 THEN
        RAISE EXCEPTION 'a station''s password has 12 characters at least';
    END IF;
    IF r = '' THEN
        r := kav_admin.lab_prefix(lab_schema) || '_st_' || station;
        EXECUTE format('CREATE ROLE %I %s CONNECTION LIMIT %s PASSWORD %L IN ROLE %I', r, attributes, connections,
                       password, grp);
    ELSE
        EXECUTE format('ALTER ROLE %I %s CONNECTION LIMIT %s PASSWORD %L', r, attributes, connections, password);
        EXECUTE format('ALTER ROLE %I RESET ALL', r);
        EXECUTE format('ALTER ROLE %I IN DATABASE %I RESET ALL', r, current_database());
    END IF;
    RETURN r;
END $f$;

-- Ends the sessions of station NAME and drops its role (nothing when there is none).
CREATE OR REPLACE FUNCTION kav_admin.drop_station_role(lab_schema text, station text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    r text := kav_admin.station_role_name(lab_schema, station);
BEGIN
    IF r <> '' THEN
        EXECUTE format('ALTER ROLE %I NOLOGIN', r);
        PERFORM pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = r;
        EXECUTE format('DROP ROLE %I', r);
    END IF;
END $f$;

-- Ends the sessions of station NAME (as a restart of the server would).
CREATE OR REPLACE FUNCTION kav_admin.end_station_sessions(lab_schema text, station text) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    r text := kav_admin.station_role_name(lab_schema, station);
    ended integer;
BEGIN
    SELECT count(*) FILTER (WHERE pg_terminate_backend(pid)) INTO ended FROM pg_stat_activity
    WHERE r <> '' AND usename = r;
    RETURN ended;
END $f$;

-- Drops every station role of the lab and its group.
CREATE OR REPLACE FUNCTION kav_admin.drop_lab_roles(lab_schema text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    prefix text := kav_admin.lab_prefix(lab_schema);
    station text;
BEGIN
    FOR station IN SELECT substr(m.rolname, length(prefix) + 5) FROM pg_roles m
                   WHERE pg_has_role(m.oid, prefix || '_stations', 'MEMBER') AND m.rolname LIKE prefix || '\_st\_%'
    LOOP
        PERFORM kav_admin.drop_station_role(lab_schema, station);
    END LOOP;
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = prefix || '_stations') THEN
        PERFORM kav_admin.stations_group(lab_schema);  -- checks that it is the lab's, and locks
        EXECUTE format('DROP OWNED BY %I', prefix || '_stations');
        EXECUTE format('DROP ROLE %I', prefix || '_stations');
    END IF;
END $f$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA kav_admin FROM PUBLIC;
GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA kav_admin TO )SQL" + owner + R"SQL(;
COMMIT;
)SQL";
}

namespace {
// The lab's schema, as the session's current one; DbError without one.
std::string labSchema(Session& session) {
    Result schema = session.run("SELECT current_schema()");
    if (schema.rows() != 1 || schema.isNull(0, 0)) throw DbError("no current schema");
    return schema.text(0, 0);
}

// The text of a kav_admin call, or DbError saying that the administrator's set-up is missing.
std::string callAdmin(Session& session, const std::string& call, const std::vector<Param>& params) {
    try {
        Result r = session.run("SELECT kav_admin." + call, params);
        return r.rows() > 0 && !r.isNull(0, 0) ? r.text(0, 0) : "";
    } catch (const DbError& e) {
        const std::string text = e.what();
        if (text.find("kav_admin") != std::string::npos &&
            (text.find("does not exist") != std::string::npos || text.find("permission denied") != std::string::npos))
            throw DbError(text + " (the server's administrator has not run the one-time set-up: "
                                 "kavtool init-db --print-admin-sql)");
        throw;
    }
}

constexpr const char* kStationFunctions[] = {
    "kav_station_columns()", "kav_station_state()", "kav_station_updatefile()", "kav_delay_level(text)",
    "kav_report(text, text, timestamp, integer, integer, integer, integer, integer, integer, integer, text, text, "
    "text, text, text, text, text, text, text)",
    "kav_heartbeat(text, text, text, integer, integer, timestamp, integer, text)", "kav_store_pack(text, bytea)"};
}  // namespace

std::string prepareStationGroup(const std::string& ownerConninfo) {
    Session session(ownerConninfo);
    try {
        const std::string schema = labSchema(session);
        const std::string group = callAdmin(session, "stations_group($1)", {{schema}});
        const std::string here = quoteName(schema);
        session.run("BEGIN");
        createPackStore(session);
        session.run("REVOKE ALL ON ALL TABLES IN SCHEMA " + here + " FROM PUBLIC, " + quoteName(group));
        session.run("REVOKE ALL ON ALL SEQUENCES IN SCHEMA " + here + " FROM PUBLIC, " + quoteName(group));
        session.run("GRANT USAGE ON SCHEMA " + here + " TO " + quoteName(group));
        for (const char* function : kStationFunctions)
            session.run("GRANT EXECUTE ON FUNCTION " + here + "." + function + " TO " + quoteName(group));
        session.run("COMMIT");
        return group;
    } catch (const DbError& e) {
        if (std::string_view(e.what()).find("does not exist") != std::string_view::npos)
            rethrowWithContext(DbError(std::string(e.what()) + " (a lab made by an older version: kavtool init-db "
                                                               "on its teacher.udl brings it up to date)"),
                               "Cannot give the stations their rights: ");
        rethrowWithContext(e, "Cannot give the stations their rights: ");
    }
}

std::string provisionStation(const std::string& ownerConninfo, const std::string& name, const std::string& password) {
    Session session(ownerConninfo);
    try {
        const std::string schema = labSchema(session);
        const std::string role = callAdmin(session, "station_role($1, $2, $3, $4)",
                                           {{schema}, {name}, {password}, {std::to_string(kStationConnections)}});
        // The station's allowance of delay passwords: a sequence of its own (see createStationFunctions).
        session.run("BEGIN");
        Result oid = session.run("SELECT oid FROM pg_roles WHERE rolname = $1", {{role}});
        const std::string sequence = quoteName(schema) + ".kav_delay_allowance_" + oid.text(0, 0);
        session.run("CREATE SEQUENCE IF NOT EXISTS " + sequence + " MINVALUE 0 START 0");
        session.run("INSERT INTO kav_delay_guard VALUES ($1, $2) ON CONFLICT (station) DO UPDATE SET allowance = "
                    "excluded.allowance",
                    {{role}, {sequence}});
        session.run("COMMIT");
        return role;
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot make the role of station " + name + ": ");
    }
}

std::string newStationPassword() {
    static constexpr std::string_view kAlphabet = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    std::random_device source;
    std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
    std::string password;
    for (int i = 0; i < 24; ++i) password += kAlphabet[pick(source)];
    return password;
}

void removeStation(const std::string& ownerConninfo, const std::string& name) {
    Session session(ownerConninfo);
    try {
        const std::string schema = labSchema(session);
        const std::string role = callAdmin(session, "station_role_name($1, $2)", {{schema}, {name}});
        if (role.empty()) return;
        Result guard = session.run("DELETE FROM kav_delay_guard WHERE station = $1 RETURNING allowance::text", {{role}});
        for (int i = 0; i < guard.rows(); ++i) session.run("DROP SEQUENCE IF EXISTS " + guard.text(i, 0));
        callAdmin(session, "drop_station_role($1, $2)", {{schema}, {name}});
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot remove the role of station " + name + ": ");
    }
}

void endStationSessions(const std::string& ownerConninfo, const std::string& name) {
    Session session(ownerConninfo);
    try {
        callAdmin(session, "end_station_sessions($1, $2)", {{labSchema(session)}, {name}});
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot end the sessions of station " + name + ": ");
    }
}

int releaseCandidate(const std::string& ownerConninfo, const std::string& zkzh) {
    Session session(ownerConninfo);
    try {
        session.run("BEGIN");
        const long released =
            Result(session.run("UPDATE score SET kav_station = NULL WHERE zkzh = $1 AND kav_station IS NOT NULL",
                               {{zkzh}}))
                .affected();
        session.run("UPDATE condition SET kav_station = NULL WHERE zkzh = $1", {{zkzh}});
        session.run("COMMIT");
        return static_cast<int>(released);
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot release candidate " + zkzh + ": ");
    }
}

namespace {
// Whether the lab has its table of packs (a lab made before packs has none
// until its stations are prepared again).
bool hasPackStore(Session& session) {
    return !Result(session.run("SELECT to_regclass('kav_pack')")).isNull(0, 0);
}
}  // namespace

std::optional<std::string> loadServerPack(const std::string& ownerConninfo, const std::string& zkzh) {
    Session session(ownerConninfo);
    try {
        if (!hasPackStore(session)) return std::nullopt;
        Result r = session.run("SELECT pack FROM kav_pack WHERE zkzh = $1", {{zkzh}});
        if (r.rows() == 0) return std::nullopt;
        const Blob blob = std::get<Blob>(readColumn(r, 0, 0, {"pack", ColumnType::Blob}));
        return std::string(blob.begin(), blob.end());
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot read the pack of candidate " + zkzh + ": ");
    }
}

std::vector<std::string> serverPackAdmissions(const std::string& ownerConninfo) {
    Session session(ownerConninfo);
    try {
        std::vector<std::string> admissions;
        if (!hasPackStore(session)) return admissions;
        Result r = session.run("SELECT zkzh FROM kav_pack");
        for (int i = 0; i < r.rows(); ++i) admissions.push_back(r.text(i, 0));
        std::sort(admissions.begin(), admissions.end());  // byte order, whatever the server's collation
        return admissions;
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot list the stored packs: ");
    }
}

void removeServerPack(const std::string& ownerConninfo, const std::string& zkzh) {
    Session session(ownerConninfo);
    try {
        if (hasPackStore(session)) session.run("DELETE FROM kav_pack WHERE zkzh = $1", {{zkzh}});
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot delete the pack of candidate " + zkzh + ": ");
    }
}

int stationsWithoutRoom(const ConnectionBudget& budget, int stations) {
    return std::max(0, stations - std::max(0, budget.sessions - budget.inUse) / kSessionsPerStation);
}

std::string connectionShortfallText(const ConnectionBudget& budget, int stations) {
    const int left = stationsWithoutRoom(budget, stations);
    if (left == 0) return "";
    return std::to_string(stations) + " stations need " + std::to_string(stations * kSessionsPerStation) +
           " sessions, but the server has " + std::to_string(budget.sessions) + " for ordinary roles and " +
           std::to_string(budget.inUse) + " are in use: " + std::to_string(left) +
           " stations cannot connect and their reports would be lost; raise max_connections (at least " +
           std::to_string(budget.inUse + stations * kSessionsPerStation + 10) + ") and restart the server";
}

ConnectionBudget connectionBudget(const std::string& ownerConninfo) {
    Session session(ownerConninfo);
    Result r = session.run(
        "SELECT current_setting('max_connections')::integer - current_setting('superuser_reserved_connections')::"
        "integer, (SELECT count(*) FROM pg_stat_activity WHERE backend_type = 'client backend')::integer");
    return {std::stoi(r.text(0, 0)), std::stoi(r.text(0, 1))};
}

std::optional<std::vector<std::string>> upgradePostgresTables(const std::string& conninfo,
                                                                const std::vector<TableDef>& tables) {
    Session session(conninfo);
    try {
        if (Result(session.run("SELECT to_regclass('kav_columns') IS NULL")).text(0, 0) == "t") return std::nullopt;
        std::vector<std::string> added;
        session.run("BEGIN");
        const std::string here = Result(session.run("SELECT quote_ident(current_schema())")).text(0, 0);
        Result known = session.run(std::string("SELECT DISTINCT table_name FROM ") + kCatalog);
        std::vector<std::string> names;
        for (int i = 0; i < known.rows(); ++i) names.push_back(known.text(i, 0));
        for (size_t t = 0; t < tables.size(); ++t) {
            if (std::find(names.begin(), names.end(), tables[t].name) != names.end()) continue;
            createTable(session, tables[t], static_cast<int>(t));
            added.push_back("table " + tables[t].name);
        }
        const bool teacher = std::find(names.begin(), names.end(), "user") != names.end();
        // Missing, or older than its commit without waiting for the disk.
        if (teacher && Result(session.run("SELECT coalesce((SELECT prosrc NOT LIKE '%synchronous_commit%' FROM pg_proc "
                                          "WHERE oid = to_regprocedure('kav_heartbeat(text, text, text, integer, "
                                          "integer, timestamp, integer, text)')), true)"))
                               .text(0, 0) == "t") {
            createHeartbeatFunction(session, here);
            added.push_back("function kav_heartbeat");
        }
        if (teacher && Result(session.run("SELECT count(*) FROM pg_trigger WHERE tgrelid = 'state'::regclass AND "
                                          "tgname = 'kav_state_changed'"))
                               .text(0, 0) == "0") {
            createStateAnnouncement(session, here);
            added.push_back("trigger kav_state_changed");
        }
        session.run("COMMIT");
        return added;
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot bring the exam tables on the server up to date: ");
    }
}

StationChange waitForStationChange(Connection& connection, std::chrono::milliseconds timeout, int wake) {
    auto* server = dynamic_cast<PostgresConnection*>(&connection);
    return server ? server->waitForStationChange(timeout, wake) : StationChange::Unsupported;
}

std::unique_ptr<Connection> openPostgres(const std::string& conninfo) {
    auto session = std::make_shared<Session>(conninfo);
    try {
        Result r = session->run("SELECT table_name, name, type, width, direct FROM kav_station_columns()");
        std::vector<TableDef> tables;
        for (int i = 0; i < r.rows(); ++i) {
            std::string table = r.text(i, 0);
            if (tables.empty() || tables.back().name != table) tables.push_back(TableDef{table, {}});
            tables.back().columns.push_back(
                ColumnDef{r.text(i, 1), columnTypeFromName(r.text(i, 2)), std::stoi(r.text(i, 3))});
        }
        const bool direct = r.rows() > 0 && r.text(0, 4) == "t";
        return std::make_unique<PostgresConnection>(session, std::move(tables), !direct);
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot open the exam tables on the server: ");
    }
}

LabTables labTablesOf(const std::string& ownerConninfo) {
    Session session(ownerConninfo);
    Result r = session.run(
        "SELECT to_regclass('kav_columns') IS NOT NULL, to_regprocedure('kav_station_columns()') IS NOT NULL AND "
        "to_regprocedure('kav_report(text, text, timestamp, integer, integer, integer, integer, integer, integer, "
        "integer, text, text, text, text, text, text, text, text, text)') IS NOT NULL AND "
        "to_regprocedure('kav_heartbeat(text, text, text, integer, integer, timestamp, integer, text)') IS NOT NULL "
        "AND to_regclass('heartbeat') IS NOT NULL AND EXISTS (SELECT FROM pg_attribute WHERE attrelid = "
        "to_regclass('score') AND attname = 'kav_station' AND NOT attisdropped)");
    if (r.text(0, 0) != "t") return LabTables::None;
    return r.text(0, 1) == "t" ? LabTables::Current : LabTables::Older;
}

void upgradeLabTables(const std::string& ownerConninfo) {
    Session session(ownerConninfo);
    try {
        session.run("BEGIN");
        // The station that reported each row: unknown for the rows already there.
        for (const char* table : {"score", "condition"})
            session.run(std::string("ALTER TABLE ") + table + " ADD COLUMN IF NOT EXISTS kav_station name");
        // Rights given to a station role shared by every station: no role
        // but the owner keeps any on the tables (the lab's group gets the
        // functions when init-db goes on).
        session.run(R"SQL(DO $do$ DECLARE grantee text; BEGIN
    FOR grantee IN SELECT DISTINCT g.grantee FROM information_schema.role_table_grants g
                   WHERE g.table_schema = current_schema() AND g.grantee NOT IN (current_user, 'PUBLIC') LOOP
        EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I FROM %I', current_schema(), grantee);
        EXECUTE format('REVOKE ALL ON ALL SEQUENCES IN SCHEMA %I FROM %I', current_schema(), grantee);
    END LOOP;
END $do$)SQL");
        // The stations' heartbeats, after the tables there are.
        if (Result(session.run("SELECT to_regclass('heartbeat') IS NULL")).text(0, 0) == "t")
            createTable(session, heartbeatTable(),
                        std::stoi(Result(session.run(std::string("SELECT coalesce(max(table_order), -1) + 1 FROM ") +
                                                     kCatalog))
                                      .text(0, 0)));
        // Older versions of the functions (the delay password's took no limit) are made anew.
        for (const char* function : kStationFunctions)
            session.run(std::string("DROP FUNCTION IF EXISTS ") + function);
        createCatalogFunction(session);
        createStationFunctions(session);
        session.run("COMMIT");
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot bring the exam tables on the server up to date (nothing was changed): ");
    }
}

void createPostgresTables(const std::string& conninfo, const std::vector<TableDef>& tables) {
    Session session(conninfo);
    const std::string context = "Cannot create the exam tables on the server: ";
    try {
        session.run("BEGIN");
        session.run(std::string("CREATE TABLE ") + kCatalog +
                    " (table_order integer NOT NULL, table_name text NOT NULL, position integer NOT NULL, "
                    "name text NOT NULL, type text NOT NULL, width integer NOT NULL, "
                    "PRIMARY KEY (table_name, position))");
        for (size_t t = 0; t < tables.size(); ++t) createTable(session, tables[t], static_cast<int>(t));
        createCatalogFunction(session);
        if (std::any_of(tables.begin(), tables.end(), [](const TableDef& t) { return t.name == "user"; }))
            createStationFunctions(session);
        session.run("COMMIT");
    } catch (const DbError& e) {
        rethrowWithContext(e, context);
    }
}

}  // namespace kav::db
