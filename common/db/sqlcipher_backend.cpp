#include "common/db/sqlcipher_backend.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <system_error>
#include <thread>

#include "common/account/password.h"
#include "common/core/sqlite_files.h"
#include "common/db/schema.h"
#include "common/db/snapshot_cursor.h"
#include "common/db/values.h"

namespace kav::db {
namespace {

constexpr const char* kCatalog = "kav_columns";
constexpr const char* kHiddenKey = "kav_row";  // row identity of tables without an auto-number
constexpr int kBusyTimeoutMs = 5000;

// Waits for a lock another connection holds, for up to kBusyTimeoutMs in all.
// SQLite's own wait sleeps on a fixed schedule, so stations that met the lock
// together wake together, one wins and the file lies idle while the others
// sleep again: 200 stations reporting at once took two seconds. Naps drawn at
// random, growing from about 1 ms to at most 50 ms, spread the wake-ups so the
// lock is taken again soon after it is freed, and waking seldom enough leaves
// the holder the processor (naps of 1 ms for 200 waiters took twenty seconds).
int waitForLock(void* startOfWait, int attempt) {
    using Clock = std::chrono::steady_clock;
    auto& start = *static_cast<Clock::time_point*>(startOfWait);
    if (attempt == 0) start = Clock::now();
    if (Clock::now() - start >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
    thread_local std::minstd_rand jitter{std::random_device{}()};
    const unsigned ceilingUs = std::min(50'000u, 1000u << std::min(attempt, 6));
    std::this_thread::sleep_for(std::chrono::microseconds(500 + jitter() % ceilingUs));
    return 1;
}

// The engine's text, with what it leaves unsaid: on a full disk, SQLite
// reports the shared-memory file of a WAL database, which cannot grow, as a
// mere "disk I/O error".
std::string engineText(sqlite3* db, const std::filesystem::path& file) {
    if (!db) return "out of memory";
    std::string message = sqlite3_errmsg(db);
    const int code = sqlite3_errcode(db);
    struct statvfs room {};
    const std::string folder = file.parent_path().empty() ? "." : file.parent_path().string();
    if ((code == SQLITE_IOERR || code == SQLITE_FULL) && ::statvfs(folder.c_str(), &room) == 0 &&
        std::uint64_t(room.f_bavail) * room.f_frsize < (64u << 10))
        message = "磁盘已满（" + message + "）";
    return message;
}

std::string quoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// One open file, shared by the connection and its cursors.
class Database {
public:
    Database(const std::filesystem::path& file, const std::string& password, int flags) : file_(file) {
        if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            std::string message = engineText(db_, file);
            sqlite3_close_v2(db_);
            throw DbError("Cannot open the database '" + file.string() + "': " + message);
        }
        if (!password.empty()) sqlite3_key(db_, password.data(), static_cast<int>(password.size()));
        sqlite3_busy_handler(db_, waitForLock, &startOfWait_);
    }
    ~Database() { sqlite3_close_v2(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    const std::filesystem::path& file() const { return file_; }
    // Whether a transaction of the connection is open: each write then joins it.
    bool inTransaction = false;

    [[noreturn]] void fail(const std::string& context) const {
        std::string message = engineText(db_, file_);
        throw DbError(context.empty() ? message : context + ": " + message);
    }
    void exec(const std::string& sql, const std::string& context = {}) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(context);
    }

private:
    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    std::chrono::steady_clock::time_point startOfWait_;  // of the lock wait in progress
};

class Statement {
public:
    Statement(Database& db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) db.fail({});
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // true while there is a row; DbError on failure.
    bool step() {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        db_.fail({});
    }
    std::string text(int column) const {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
    }

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// One write to the file, holding the write lock from the start: a read-then-write
// transaction of several processes would otherwise fail at once with "database is locked".
// A file still locked by other writers after the busy wait is reported as
// unavailable: nothing was written, and the caller may try again. Inside a
// transaction of the connection the write joins it.
template <class F>
void writeOneRow(Database& db, F write) {
    if (db.inTransaction) return write();
    const int rc = sqlite3_exec(db.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw DbUnavailable(sqlite3_errmsg(db.handle()));
    if (rc != SQLITE_OK) db.fail({});
    try {
        write();
        db.exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void bindValue(Database& db, Statement& st, int position, const Value& v) {
    sqlite3_stmt* s = st.get();
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(v)) rc = sqlite3_bind_null(s, position);
    else if (auto* i = std::get_if<std::int64_t>(&v)) rc = sqlite3_bind_int64(s, position, *i);
    else if (auto* t = std::get_if<std::string>(&v))
        rc = sqlite3_bind_text(s, position, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else if (auto* d = std::get_if<DateTime>(&v)) {
        std::string text = storedDateTime(*d);
        rc = sqlite3_bind_text(s, position, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else if (auto* b = std::get_if<bool>(&v)) rc = sqlite3_bind_int(s, position, *b ? 1 : 0);
    else {
        const Blob& blob = std::get<Blob>(v);
        rc = blob.empty() ? sqlite3_bind_zeroblob(s, position, 0)
                          : sqlite3_bind_blob(s, position, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) db.fail({});
}

Value readColumn(const Statement& st, int column, const ColumnDef& def) {
    sqlite3_stmt* s = st.get();
    if (sqlite3_column_type(s, column) == SQLITE_NULL) return {};
    switch (def.type) {
        case ColumnType::AutoNumber:
        case ColumnType::Int32:
        case ColumnType::Int16:
            // A text that is no number stays a text, so that reading it as a
            // number fails instead of giving 0 (sqlite's own reading).
            if (sqlite3_column_type(s, column) != SQLITE_INTEGER) return st.text(column);
            return static_cast<std::int64_t>(sqlite3_column_int64(s, column));
        case ColumnType::Text:
        case ColumnType::Memo: return st.text(column);
        case ColumnType::DateTime:
            if (sqlite3_column_type(s, column) == SQLITE_FLOAT)
                return DateTime::fromOleDays(sqlite3_column_double(s, column));
            return parseStoredDateTime(st.text(column));
        case ColumnType::Boolean: {
            // The engine stores 0 and 1; anything else is kept as it is, so
            // that a checked reading can refuse it.
            if (sqlite3_column_type(s, column) != SQLITE_INTEGER) return st.text(column);
            const std::int64_t n = sqlite3_column_int64(s, column);
            if (n == 0 || n == 1) return n == 1;
            return n;
        }
        case ColumnType::Blob: {
            auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, column));
            return Blob(p, p + sqlite3_column_bytes(s, column));
        }
    }
    return {};
}

std::string keyColumnOf(const TableDef& table) {
    for (const auto& c : table.columns)
        if (c.type == ColumnType::AutoNumber) return c.name;
    return kHiddenKey;
}

class SqlCipherCursor final : public SnapshotCursor {
public:
    SqlCipherCursor(std::shared_ptr<Database> db, TableDef def, std::optional<RowFilter> filter = std::nullopt)
        : SnapshotCursor(std::move(def), std::move(filter)), db_(std::move(db)), key_(quoteName(keyColumnOf(definition()))),
          table_(quoteName(definition().name)) {}

protected:
    std::vector<StoredRow> fetchRows() override {
        const auto& columns = definition().columns;
        std::string sql = "SELECT " + key_;
        for (const auto& c : columns) sql += ", " + quoteName(c.name);
        sql += " FROM " + table_;
        if (filter()) {
            const std::string column = quoteName(columns[static_cast<size_t>(filter()->column)].name);
            sql += std::holds_alternative<std::monostate>(filter()->value) ? " WHERE " + column + " IS NULL"
                                                                          : " WHERE " + column + " = ?";
        }
        sql += " ORDER BY " + key_;
        try {
            Statement st(*db_, sql);
            if (filter() && !std::holds_alternative<std::monostate>(filter()->value))
                bindValue(*db_, st, 1, filter()->value);
            std::vector<StoredRow> rows;
            while (st.step()) {
                StoredRow row;
                row.key = sqlite3_column_int64(st.get(), 0);
                row.values.reserve(columns.size());
                for (size_t i = 0; i < columns.size(); ++i)
                    row.values.push_back(readColumn(st, static_cast<int>(i) + 1, columns[i]));
                rows.push_back(std::move(row));
            }
            return rows;
        } catch (const DbError& e) {
            throw DbError("Cannot read the table '" + definition().name + "' of '" + db_->file().string() +
                          "': " + e.what());
        }
    }

    StoredRow insertRow(const std::vector<Value>& values) override {
        const auto& columns = definition().columns;
        std::string names, marks;
        std::vector<size_t> bound;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].type == ColumnType::AutoNumber) continue;
            names += (bound.empty() ? "" : ", ") + quoteName(columns[i].name);
            marks += bound.empty() ? "?" : ", ?";
            bound.push_back(i);
        }
        std::string sql = bound.empty() ? "INSERT INTO " + table_ + " DEFAULT VALUES"
                                        : "INSERT INTO " + table_ + " (" + names + ") VALUES (" + marks + ")";
        StoredRow row{0, values};
        writeOneRow(*db_, [&] {
            Statement st(*db_, sql);
            for (size_t k = 0; k < bound.size(); ++k) bindValue(*db_, st, static_cast<int>(k) + 1, values[bound[k]]);
            st.step();
            row.key = sqlite3_last_insert_rowid(db_->handle());
        });
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].type == ColumnType::AutoNumber) row.values[i] = row.key;
        return row;
    }

    void updateRow(std::int64_t key, const std::vector<Value>& values, const std::vector<bool>& changed) override {
        const auto& columns = definition().columns;
        std::string sets;
        for (size_t i = 0; i < columns.size(); ++i)
            if (changed[i]) sets += (sets.empty() ? "" : ", ") + quoteName(columns[i].name) + " = ?";
        writeOneRow(*db_, [&] {
            Statement st(*db_, "UPDATE " + table_ + " SET " + sets + " WHERE " + key_ + " = ?");
            int position = 1;
            for (size_t i = 0; i < columns.size(); ++i)
                if (changed[i]) bindValue(*db_, st, position++, values[i]);
            sqlite3_bind_int64(st.get(), position, key);
            st.step();
            if (sqlite3_changes(db_->handle()) == 0)
                throwRowGone("updating");
        });
    }

    void deleteRow(std::int64_t key) override {
        writeOneRow(*db_, [&] {
            Statement st(*db_, "DELETE FROM " + table_ + " WHERE " + key_ + " = ?");
            sqlite3_bind_int64(st.get(), 1, key);
            st.step();
            if (sqlite3_changes(db_->handle()) == 0)
                throwRowGone("deleting");
        });
    }

private:
    std::shared_ptr<Database> db_;
    std::string key_, table_;
};

class SqlCipherConnection final : public Connection {
public:
    SqlCipherConnection(std::shared_ptr<Database> db, std::vector<TableDef> tables)
        : db_(std::move(db)), tables_(std::move(tables)) {}

    std::unique_ptr<Cursor> openTable(std::string_view name) override {
        auto cursor = std::make_unique<SqlCipherCursor>(db_, definitionOf(name));
        cursor->open();
        return cursor;
    }

    std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column, const Value& value) override {
        const TableDef& def = definitionOf(table);
        RowFilter filter = SnapshotCursor::makeFilter(def, column, value);
        ensureIndex(def.name, def.columns[static_cast<size_t>(filter.column)].name);
        auto cursor = std::make_unique<SqlCipherCursor>(db_, def, std::move(filter));
        cursor->open();
        return cursor;
    }

    std::vector<std::string> tableNames() override {
        std::vector<std::string> names;
        for (const auto& t : tables_) names.push_back(t.name);
        return names;
    }

    std::string dataSource() const override { return db_->file().string(); }
    bool onServer() const override { return false; }

    int delayPasswordLevel(std::string_view typed) override {
        auto user = openTable("user");
        for (int level = 1; level <= 3; ++level) {
            user->next();
            if (user->eof()) return 0;
            if (account::verifyPassword(user->field("password").asString(), typed)) return level;
        }
        return 0;
    }

    void setSecureDelete(bool on) override {
        db_->exec(on ? "PRAGMA secure_delete = ON" : "PRAGMA secure_delete = OFF", "Cannot set secure delete");
    }

    void transaction(const std::function<void()>& work) override {
        if (db_->inTransaction) throw DbError("A transaction is already open on this connection");
        writeOneRow(*db_, [&] {
            db_->inTransaction = true;
            try {
                work();
            } catch (...) {
                db_->inTransaction = false;
                throw;
            }
            db_->inTransaction = false;
        });
    }

    void checkpoint() override {
        int rc = sqlite3_wal_checkpoint_v2(db_->handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        // Busy: another program is reading the log; a later write empties it.
        if (rc != SQLITE_OK && rc != SQLITE_BUSY) db_->fail("Cannot write the log into '" + db_->file().string() + "'");
    }

private:
    const TableDef& definitionOf(std::string_view name) const { return tableNamed(tables_, name); }

    // A keyed cursor reads through an index on its column, made by the first
    // program that needs it (files of every age get it; a reader only checks).
    void ensureIndex(const std::string& table, const std::string& column) {
        const std::string name = "kav_key_" + table + "_" + column;
        if (std::find(indexed_.begin(), indexed_.end(), name) != indexed_.end()) return;
        bool present = false;
        {
            Statement st(*db_, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?");
            sqlite3_bind_text(st.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
            present = st.step() && sqlite3_column_int(st.get(), 0) > 0;
        }
        if (!present)
            writeOneRow(*db_, [&] {
                db_->exec("CREATE INDEX IF NOT EXISTS " + quoteName(name) + " ON " + quoteName(table) + " (" +
                              quoteName(column) + ")",
                          "Cannot index the table '" + table + "'");
            });
        indexed_.push_back(name);
    }

    std::shared_ptr<Database> db_;
    std::vector<TableDef> tables_;
    std::vector<std::string> indexed_;
};

std::vector<TableDef> readCatalog(Database& db) {
    std::vector<TableDef> tables;
    Statement st(db, std::string("SELECT table_name, name, type, width FROM ") + kCatalog +
                         " ORDER BY table_order, position");
    while (st.step()) {
        std::string table = st.text(0);
        if (tables.empty() || tables.back().name != table) tables.push_back(TableDef{table, {}});
        tables.back().columns.push_back(
            ColumnDef{st.text(1), columnTypeFromName(st.text(2)), sqlite3_column_int(st.get(), 3)});
    }
    return tables;
}

std::string columnDeclaration(const ColumnDef& c) {
    switch (c.type) {
        case ColumnType::AutoNumber: return quoteName(c.name) + " INTEGER PRIMARY KEY AUTOINCREMENT";
        case ColumnType::Int32:
        case ColumnType::Int16:
        case ColumnType::Boolean: return quoteName(c.name) + " INTEGER";
        case ColumnType::Text:
        case ColumnType::Memo:
        case ColumnType::DateTime: return quoteName(c.name) + " TEXT";
        case ColumnType::Blob: return quoteName(c.name) + " BLOB";
    }
    return quoteName(c.name);
}

// The current definition of a table of either kind, nullptr for an unknown one.
const TableDef* currentDefinition(std::string_view table) {
    for (DatabaseKind kind : {DatabaseKind::Student, DatabaseKind::Teacher})
        for (const TableDef& t : tablesOf(kind))
            if (t.name == table) return &t;
    return nullptr;
}

// A file made when a text column was narrower than it is today gets the
// current width in its catalogue, once; the stored texts need no change.
// Types are never changed and nothing is narrowed.
void widenOlderTextColumns(Database& db, std::vector<TableDef>& tables) {
    struct Widening {
        std::string table, column;
        int width;
    };
    std::vector<Widening> widenings;
    for (TableDef& table : tables) {
        const TableDef* current = currentDefinition(table.name);
        if (!current) continue;
        for (ColumnDef& column : table.columns) {
            int at = current->indexOf(column.name);
            if (at < 0 || column.type != ColumnType::Text) continue;
            const ColumnDef& now = current->columns[static_cast<size_t>(at)];
            if (now.type != ColumnType::Text || now.width <= column.width) continue;
            column.width = now.width;
            widenings.push_back({table.name, column.name, now.width});
        }
    }
    if (widenings.empty()) return;
    writeOneRow(db, [&] {
        Statement st(db, std::string("UPDATE ") + kCatalog +
                             " SET width = ?1 WHERE table_name = ?2 AND name = ?3 AND width < ?1");
        for (const Widening& w : widenings) {
            sqlite3_reset(st.get());
            sqlite3_bind_int(st.get(), 1, w.width);
            sqlite3_bind_text(st.get(), 2, w.table.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st.get(), 3, w.column.c_str(), -1, SQLITE_TRANSIENT);
            st.step();
        }
    });
}

// Creates one table and its rows of the catalogue (inside the caller's transaction).
void createTable(Database& db, const TableDef& table, int order, const std::string& context) {
    Statement insert(db, std::string("INSERT INTO ") + kCatalog + " VALUES (?, ?, ?, ?, ?, ?)");
    std::string columns =
        keyColumnOf(table) == kHiddenKey ? quoteName(kHiddenKey) + " INTEGER PRIMARY KEY AUTOINCREMENT" : std::string();
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& c = table.columns[i];
        columns += (columns.empty() ? "" : ", ") + columnDeclaration(c);
        sqlite3_reset(insert.get());
        sqlite3_bind_int(insert.get(), 1, order);
        sqlite3_bind_text(insert.get(), 2, table.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert.get(), 3, static_cast<sqlite3_int64>(i));
        sqlite3_bind_text(insert.get(), 4, c.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 5, std::string(columnTypeName(c.type)).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert.get(), 6, c.width);
        insert.step();
    }
    db.exec("CREATE TABLE " + quoteName(table.name) + " (" + columns + ")", context);
}

// A teacher file made before the stations' heartbeats or the record of
// re-graded scores gets their tables, once each (another program may add one
// at the same moment: the check is made again inside the write). A file that
// stays busy is left without them for now: heartbeats are then not written and
// re-graded scores not stored, and nothing else depends on them.
void addLaterTeacherTables(Database& db, std::vector<TableDef>& tables) {
    const auto has = [&](std::string_view name) {
        return std::any_of(tables.begin(), tables.end(), [&](const TableDef& t) { return t.name == name; });
    };
    if (!has("state")) return;
    for (const TableDef& later : {heartbeatTable(), regradeTable()}) {
        if (has(later.name)) continue;
        try {
            writeOneRow(db, [&] {
                Statement st(db, std::string("SELECT count(*) FROM ") + kCatalog + " WHERE table_name = '" +
                                     later.name + "'");
                if (st.step() && sqlite3_column_int(st.get(), 0) > 0) return;
                createTable(db, later, static_cast<int>(tables.size()), "Cannot add the " + later.name + " table");
            });
        } catch (const DbUnavailable&) {
            continue;
        }
        tables.push_back(later);
    }
}

void removeDatabaseFiles(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    removeSqliteSideFiles(file);
}

}  // namespace

std::unique_ptr<Connection> openSqlCipherFile(const std::filesystem::path& file, const std::string& password) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw DbError("Could not find file '" + file.string() + "'.");
    auto db = std::make_shared<Database>(file, password, SQLITE_OPEN_READWRITE);
    std::string context = "Cannot open the database '" + file.string() + "'";
    // The key is only tried on the first read: a wrong password fails here.
    db->exec("SELECT count(*) FROM sqlite_master", context);
    {
        Statement st(*db, std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '") +
                              kCatalog + "'");
        if (!st.step() || sqlite3_column_int(st.get(), 0) == 0)
            throw DbError(context + ": the file holds no exam tables (no column catalogue)");
    }
    try {
        std::vector<TableDef> tables = readCatalog(*db);
        widenOlderTextColumns(*db, tables);
        addLaterTeacherTables(*db, tables);
        return std::make_unique<SqlCipherConnection>(db, std::move(tables));
    } catch (const DbError& e) {
        throw DbError(context + ": " + e.what());
    }
}

void createSqlCipherFile(const std::filesystem::path& file, const std::string& password,
                         const std::vector<TableDef>& tables, bool writeAheadLog) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec))
        throw DbError("Cannot create the database '" + file.string() + "': the file already exists");
    try {
        Database db(file, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        std::string context = "Cannot create the database '" + file.string() + "'";
        db.exec("BEGIN IMMEDIATE", context);
        db.exec(std::string("CREATE TABLE ") + kCatalog +
                    " (table_order INTEGER NOT NULL, table_name TEXT NOT NULL, position INTEGER NOT NULL, "
                    "name TEXT NOT NULL, type TEXT NOT NULL, width INTEGER NOT NULL, "
                    "PRIMARY KEY (table_name, position))",
                context);
        for (size_t t = 0; t < tables.size(); ++t) createTable(db, tables[t], static_cast<int>(t), context);
        db.exec("COMMIT", context);
        db.exec(writeAheadLog ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE", context);
    } catch (...) {
        removeDatabaseFiles(file);
        throw;
    }
}

}  // namespace kav::db
