#include "common/db/postgres_backend.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>

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
    }
    // A broken connection is made again, at the earliest after a wait that
    // doubles with each failed attempt (0.25 s up to 4 s) plus a random part of
    // up to half of it, so that a lab's stations do not all knock at once when
    // the server returns; or as soon as another session of this program has
    // reached the server since. Meanwhile every operation fails at once.
    void reconnectIfBroken() {
        using namespace std::chrono;
        if (PQstatus(conn_) == CONNECTION_OK) return;
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

    std::string conninfo_;
    PGconn* conn_ = nullptr;
    std::mt19937 random_;
    std::chrono::milliseconds backoff_{0};
    std::chrono::steady_clock::time_point retryAt_{}, failedAt_{};
    std::string lastFailure_;
    bool inTransaction_ = false;
    bool beginPending_ = false;  // a transaction is open but has sent nothing yet
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
    PostgresCursor(std::shared_ptr<Session> session, TableDef def, std::optional<RowFilter> filter = std::nullopt)
        : SnapshotCursor(std::move(def), std::move(filter)), session_(std::move(session)),
          key_(quoteName(keyColumnOf(definition()))), table_(quoteName(definition().name)) {}

protected:
    std::vector<StoredRow> fetchRows() override {
        const auto& columns = definition().columns;
        std::string sql = "SELECT " + key_;
        for (const auto& c : columns) sql += ", " + selectExpression(c);
        sql += " FROM " + table_;
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
    std::string key_, table_;
};

class PostgresConnection final : public Connection {
public:
    PostgresConnection(std::shared_ptr<Session> session, std::vector<TableDef> tables)
        : session_(std::move(session)), tables_(std::move(tables)) {}

    std::unique_ptr<Cursor> openTable(std::string_view name) override {
        auto cursor = std::make_unique<PostgresCursor>(session_, definitionOf(name));
        cursor->open();
        return cursor;
    }

    std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column, const Value& value) override {
        const TableDef& def = definitionOf(table);
        auto cursor = std::make_unique<PostgresCursor>(session_, def, SnapshotCursor::makeFilter(def, column, value));
        cursor->open();
        return cursor;
    }

    std::vector<std::string> tableNames() override {
        std::vector<std::string> names;
        for (const auto& t : tables_) names.push_back(t.name);
        return names;
    }

    std::string dataSource() const override { return session_->conninfo(); }
    bool onServer() const override { return true; }

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

    std::shared_ptr<Session> session_;
    std::vector<TableDef> tables_;
};

// The server function behind delayPasswordLevel, in the current schema. Rows
// 2, 3 and 4 of user in table order are the three assistants; a stored text
// that is no hash (an older table) is compared exactly, and an empty one admits
// no one. It runs with its owner's rights: the callers cannot read user.
// pgcrypto (PostgreSQL 15) knows the bcrypt prefix "$2a$" but not "$2b$";
// both give the same hash for any password shorter than 256 bytes, so the
// stored "$2b$" hash is checked under "$2a$".
void createDelayLevelFunction(Session& session) {
    session.run("CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA public");
    Result schema = session.run("SELECT quote_ident(current_schema())");
    const std::string here = schema.text(0, 0);
    session.run("CREATE FUNCTION " + here + "." + std::string(kDelayLevelFunction) +
                "(typed text) RETURNS integer LANGUAGE sql STABLE SECURITY DEFINER "
                "SET search_path = " + here + ", public, pg_temp AS $$ "
                "SELECT coalesce(min(level), 0)::integer FROM ("
                "  SELECT row_number() OVER (ORDER BY kav_row) - 1 AS level, password FROM \"user\""
                ") a WHERE level BETWEEN 1 AND 3 AND password <> '' AND "
                "  CASE WHEN password LIKE '$2_$%' THEN public.crypt(typed, '$2a$' || substr(password, 5)) = "
                "                                       '$2a$' || substr(password, 5) "
                "       ELSE password = typed END $$");
    session.run("REVOKE ALL ON FUNCTION " + here + "." + std::string(kDelayLevelFunction) + "(text) FROM PUBLIC");
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

void grantStationRole(const std::string& ownerConninfo, const std::string& stationRole,
                      const std::string& stationPassword) {
    Session session(ownerConninfo);
    const std::string role = quoteName(stationRole);
    try {
        Result schema = session.run("SELECT current_schema()");
        if (schema.rows() != 1 || schema.isNull(0, 0)) throw DbError("no current schema");
        const std::string here = quoteName(schema.text(0, 0));
        Result exists = session.run("SELECT 1 FROM pg_roles WHERE rolname = $1", {{stationRole}});
        // A role takes no parameters: its password is quoted by the server itself.
        Result literal = session.run("SELECT quote_literal($1)", {{stationPassword}});
        session.run((exists.rows() == 0 ? "CREATE ROLE " : "ALTER ROLE ") + role + " LOGIN PASSWORD " +
                    (stationPassword.empty() ? std::string("NULL") : literal.text(0, 0)));
        session.run("BEGIN");
        session.run("REVOKE ALL ON ALL TABLES IN SCHEMA " + here + " FROM PUBLIC, " + role);
        session.run("GRANT USAGE ON SCHEMA " + here + " TO " + role);
        session.run(std::string("GRANT SELECT ON ") + kCatalog + ", state, updatefile TO " + role);
        session.run("GRANT SELECT, INSERT, UPDATE ON score, condition TO " + role);
        // An appended row takes its auto-number from the table's sequence.
        for (const char* table : {"score", "condition"})
            session.run("GRANT USAGE ON SEQUENCE " +
                        Result(session.run("SELECT pg_get_serial_sequence($1, 'ID')",
                                           {{schema.text(0, 0) + "." + table}}))
                            .text(0, 0) +
                        " TO " + role);
        const std::string function = here + "." + std::string(kDelayLevelFunction);
        session.run("REVOKE ALL ON FUNCTION " + function + "(text) FROM PUBLIC");
        session.run("GRANT EXECUTE ON FUNCTION " + function + "(text) TO " + role);
        session.run("COMMIT");
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot give the stations their rights: ");
    }
}

std::unique_ptr<Connection> openPostgres(const std::string& conninfo) {
    auto session = std::make_shared<Session>(conninfo);
    try {
        Result r = session->run(std::string("SELECT table_name, name, type, width FROM ") + kCatalog +
                                " ORDER BY table_order, position");
        std::vector<TableDef> tables;
        for (int i = 0; i < r.rows(); ++i) {
            std::string table = r.text(i, 0);
            if (tables.empty() || tables.back().name != table) tables.push_back(TableDef{table, {}});
            tables.back().columns.push_back(
                ColumnDef{r.text(i, 1), columnTypeFromName(r.text(i, 2)), std::stoi(r.text(i, 3))});
        }
        return std::make_unique<PostgresConnection>(session, std::move(tables));
    } catch (const DbError& e) {
        rethrowWithContext(e, "Cannot open the exam tables on the server: ");
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
        for (size_t t = 0; t < tables.size(); ++t) {
            const TableDef& table = tables[t];
            std::string columns = keyColumnOf(table) == kHiddenKey
                                      ? quoteName(kHiddenKey) + " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"
                                      : std::string();
            for (size_t i = 0; i < table.columns.size(); ++i) {
                const ColumnDef& c = table.columns[i];
                columns += (columns.empty() ? "" : ", ") + columnDeclaration(c);
                session.run(std::string("INSERT INTO ") + kCatalog + " VALUES ($1, $2, $3, $4, $5, $6)",
                            {{std::to_string(t)}, {table.name}, {std::to_string(i)}, {c.name},
                             {std::string(columnTypeName(c.type))}, {std::to_string(c.width)}});
            }
            session.run("CREATE TABLE " + quoteName(table.name) + " (" + columns + ")");
            if (table.indexOf("zkzh") >= 0)
                session.run("CREATE INDEX " + quoteName("kav_key_" + table.name + "_zkzh") + " ON " +
                            quoteName(table.name) + " (zkzh)");
        }
        if (std::any_of(tables.begin(), tables.end(), [](const TableDef& t) { return t.name == "user"; }))
            createDelayLevelFunction(session);
        session.run("COMMIT");
    } catch (const DbError& e) {
        rethrowWithContext(e, context);
    }
}

}  // namespace kav::db
