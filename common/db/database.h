#pragma once
// The database engine interface of both programs: connections opened by a
// connection string, and whole-table cursors over a static snapshot.
//
// Every operation either succeeds or throws DbError carrying the engine's own
// message text. The interface names no backend: the embedded SQLCipher files
// and a lab server are both reached through it.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/core/datetime.h"

namespace kav::db {

class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The four fields "Provider=...;Data Source=...;Jet OLEDB:Database Password="...";
// Persist Security Info=False", parsed field by field.
struct ConnectionString {
    std::string provider;
    std::string dataSource;
    std::string password;
    bool persistSecurityInfo = false;

    // Throws DbError naming the field that is missing or malformed.
    static ConnectionString parse(std::string_view text);
    // The standard string of both programs for one database file.
    static ConnectionString forDataSource(std::string dataSource);
    std::string toString() const;
};

enum class ColumnType { AutoNumber, Int32, Int16, Text, Memo, DateTime, Boolean, Blob };

struct ColumnDef {
    std::string name;
    ColumnType type;
    int width = 0;  // characters, for Text only
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;
    int indexOf(std::string_view column) const;  // -1 when absent
};

using Blob = std::vector<std::uint8_t>;
using Value = std::variant<std::monostate, std::int64_t, std::string, DateTime, bool, Blob>;

class Cursor;

// One column of a cursor's current row. Reading converts as the engine does
// (an integer as text gives its decimal digits, a text of digits as integer gives
// its number, NULL gives 0, "" or false); writing needs edit or append mode and
// converts to the column's type, failing with DbError when it cannot or when a
// text is longer than its column.
class Field {
public:
    Field(Cursor& cursor, int index) : cursor_(cursor), index_(index) {}
    const std::string& name() const;
    int index() const { return index_; }
    Value value() const;
    bool isNull() const;
    std::int64_t asInteger() const;
    std::string asString() const;
    DateTime asDateTime() const;
    bool asBoolean() const;
    Blob asBlob() const;
    void setValue(Value v);
    void setInteger(std::int64_t v) { setValue(v); }
    void setString(std::string v) { setValue(std::move(v)); }
    void setDateTime(DateTime v) { setValue(v); }
    void setBoolean(bool v) { setValue(v); }
    void setBlob(Blob v) { setValue(std::move(v)); }
    void setNull() { setValue(std::monostate{}); }

private:
    Cursor& cursor_;
    int index_;
};

// A cursor over a whole table: a static snapshot of every row in table order,
// taken at open and at requery. Rows are numbered from 1; an empty table has
// recordCount() 0 and is at eof() and bof().
class Cursor {
public:
    enum class State { Closed, Browse, Edit, Insert };
    virtual ~Cursor() = default;

    virtual const TableDef& definition() const = 0;
    virtual State state() const = 0;
    bool isOpen() const { return state() != State::Closed; }

    virtual void open() = 0;     // takes a fresh snapshot, at the first row
    virtual void close() = 0;    // drops the snapshot and any unposted edit
    virtual void requery() = 0;  // fresh snapshot of the table, at the first row

    // Moving while a row is being edited or appended posts it first.
    virtual void first() = 0;
    virtual void next() = 0;
    virtual void prior() = 0;
    virtual void last() = 0;
    virtual void moveBy(int n) = 0;
    virtual bool eof() const = 0;  // moved past the last row, or empty
    virtual bool bof() const = 0;  // moved before the first row, or empty
    virtual int recordCount() const = 0;
    virtual int recNo() const = 0;  // current row number, 0 when there is none

    // Moves to the first row (in table order) whose column equals value exactly
    // (case-sensitive); returns false and stays put when there is none.
    virtual bool locate(std::string_view column, const Value& value) = 0;

    virtual void edit() = 0;    // the current row becomes editable
    virtual void append() = 0;  // a new empty row after the last one becomes current
    virtual void remove() = 0;  // deletes the current row from the file at once
    virtual void post() = 0;    // writes the edited or appended row to the file at once
    virtual void cancel() = 0;  // drops the edit

    Field field(std::string_view column);  // throws DbError for an unknown column
    Field field(int index);                // 0-based position in table order

    // Row access for Field; index is a 0-based column position.
    virtual Value get(int index) const = 0;
    virtual void set(int index, Value value) = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Opens a cursor on a whole table (already open, at its first row).
    virtual std::unique_ptr<Cursor> openTable(std::string_view name) = 0;
    virtual std::vector<std::string> tableNames() = 0;
    // The data source as opened (a relative one resolved against the working folder).
    virtual std::string dataSource() const = 0;
};

// Opens the database that the connection string names; a relative Data Source
// is resolved against workingFolder. Throws DbError with the engine's text.
std::unique_ptr<Connection> connect(std::string_view connectionString,
                                    const std::filesystem::path& workingFolder);

}  // namespace kav::db
