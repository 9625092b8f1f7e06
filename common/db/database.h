#pragma once
// The database engine interface of both programs: connections opened by a
// connection string, and whole-table cursors over a static snapshot.
//
// Every operation either succeeds or throws DbError carrying the engine's own
// message text. The interface names no backend: the embedded SQLCipher files
// and a lab server are both reached through it.
#include <cstdint>
#include <filesystem>
#include <functional>
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

// The database cannot be reached for now: a server that does not answer, a
// connection that broke during the operation (whose outcome is then unknown: a
// post may or may not have been stored; the next operation connects again), or
// a database file that other programs kept locked for the whole busy wait
// (nothing was written). Trying again later may succeed.
class DbUnavailable : public DbError {
public:
    using DbError::DbError;
};

// The database password that both files carry.
inline constexpr std::string_view kDatabasePassword = "#]%#6kiva4#]%#KIVA51";
// The provider of the embedded database files.
inline constexpr std::string_view kFileProvider = "Microsoft.Jet.OLEDB.4.0";

// The four fields "Provider=...;Data Source=...;Jet OLEDB:Database Password="...";
// Persist Security Info=False", parsed field by field.
struct ConnectionString {
    std::string provider;
    std::string dataSource;
    std::string password;
    bool persistSecurityInfo = false;

    // Throws DbError naming the field that is missing or malformed. Field names are
    // case-insensitive and may come in any order; a value may be written between
    // double quotes (a doubled quote inside stands for one); all four are required
    // and none may occur twice. Persist Security Info is True or False.
    static ConnectionString parse(std::string_view text);
    // The standard string of both programs for one database file: the file
    // provider, the shared password, Persist Security Info False.
    static ConnectionString forDataSource(std::string dataSource);
    // The four fields in the standard order; the password always between double
    // quotes, the provider and the data source only when they need them.
    std::string toString() const;
};

enum class ColumnType { AutoNumber, Int32, Int16, Text, Memo, DateTime, Boolean, Blob };

// An auto-number is assigned by the database when an appended row is posted
// and cannot be set. Int16/Int32 refuse values outside their range, Text refuses
// a text of more than `width` characters (Unicode code points), Memo is
// unlimited; texts must be valid UTF-8.
struct ColumnDef {
    std::string name;
    ColumnType type;
    int width = 0;  // characters, for Text only
};
// "autonumber", "int32", "int16", "text", "memo", "datetime", "boolean", "blob".
std::string_view columnTypeName(ColumnType type);
// The type a name of columnTypeName() stands for; DbError for any other text.
ColumnType columnTypeFromName(std::string_view name);

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
// its number, NULL gives 0, "", the zero date-time, false or an empty blob; a
// date-time as text is "YYYY-MM-DD hh:mm:ss", a Boolean as text "True"/"False",
// a text that is no number read as integer is a DbError); writing needs edit or
// append mode and converts to the column's type (a text of digits into an integer
// column, "True"/"yes"/"1" into a yes/no column, "YYYY-MM-DD[ hh:mm:ss]" into a
// date-time), failing with DbError when it cannot, when a text is longer than its
// column, or when an integer is outside its column's range; a refused value
// leaves the field as it was. value() gives the stored value itself: NULL,
// an integer (also for auto-number and int16/int32), a text (text and memo), a
// DateTime, a bool or a Blob.
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
//
// Navigation: open, requery, first and last put the cursor on a row and clear
// eof/bof (unless the table is empty). next on the last row sets eof and stays on
// the last row; prior on the first row sets bof and stays on the first row;
// moveBy(n) moves n rows (backwards for n < 0), stopping at the edge with eof or
// bof set. The snapshot shows this cursor's own posts and deletions at once and
// other programs' (and other cursors') changes only after requery or close/open.
//
// Editing: set needs edit or append mode (otherwise DbError). post writes the one
// row to the file at once; an appended row is placed last with its auto-number
// assigned. post and cancel outside edit or append mode do nothing. Moving,
// locate, append and requery post a pending edit first; close drops it; remove
// drops it and deletes the current row (during append, remove only drops the new
// row). Posting an edit of, or removing, a row
// that another program deleted meanwhile fails with DbError. After remove the
// cursor is on the row that followed; when the last row was removed it is on the
// new last row with eof set. edit and remove need a current row.
// Reading a column needs a current row (or the row being appended).
class Cursor {
public:
    enum class State { Closed, Browse, Edit, Insert };
    virtual ~Cursor() = default;

    virtual const TableDef& definition() const = 0;
    virtual State state() const = 0;
    bool isOpen() const { return state() != State::Closed; }

    virtual void open() = 0;     // takes a fresh snapshot, at the first row (on an open cursor: requery)
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
    virtual int recNo() const = 0;  // current row number, 0 when there is none;
                                     // during append, the number the new row will get

    // Moves to the first row (in table order) whose column equals value exactly
    // (case-sensitive); returns false and stays put when there is none.
    virtual bool locate(std::string_view column, const Value& value) = 0;

    virtual void edit() = 0;    // the current row becomes editable
    virtual void append() = 0;  // a new empty row after the last one becomes current
    virtual void remove() = 0;  // deletes the current row from the file at once
    virtual void post() = 0;    // writes the edited or appended row to the file at once
    virtual void cancel() = 0;  // drops the edit
    // Whether a field of the row being edited or appended has been set since edit
    // or append began (an edit or append with nothing set is unchanged); false
    // when browsing or closed.
    virtual bool isModified() const = 0;

    // Reads column `index` of snapshot row `row` (1-based, as recNo counts) without
    // moving. The row being edited reads its unposted values; during append row
    // recordCount() + 1 is the row being appended. DbError for a row or column
    // outside these, or on a closed cursor.
    virtual Value rowValue(int row, int index) const = 0;

    Field field(std::string_view column);  // throws DbError for an unknown column
    Field field(int index);                // 0-based position in table order

    // Row access for Field; index is a 0-based column position.
    virtual Value get(int index) const = 0;
    virtual void set(int index, Value value) = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Opens a cursor on a whole table (already open, at its first row); table
    // names are case-insensitive. A cursor may outlive its connection.
    virtual std::unique_ptr<Cursor> openTable(std::string_view name) = 0;
    // Opens a cursor over the rows of a table whose column equals value exactly
    // (case-sensitive, as locate compares), in table order: a static snapshot of
    // those rows only, with every rule of the whole-table cursor (requery reads
    // those rows again; an appended row stays in the snapshot whatever its
    // key). Its cost does not grow with the table's other rows. DbError for an
    // unknown table or column, or a value the column cannot hold.
    virtual std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column,
                                              const Value& value) = 0;
    virtual std::vector<std::string> tableNames() = 0;
    // Whether the database is on a server, where roles apply: a station's role
    // cannot read the accounts in `user`.
    virtual bool onServer() const = 0;
    // The level (1-3) of the assistant whose delay password `typed` is, 0 when
    // it is none of theirs: rows 2, 3 and 4 of `user` in table order are the
    // three assistants. A server checks the stored hashes itself.
    virtual int delayPasswordLevel(std::string_view typed) = 0;
    // Runs a function of the server with the arguments, as one statement (one
    // transaction unless one is open); DbError with the server's text, and on
    // a database file, which has no functions.
    virtual void callServerFunction(std::string_view name, const std::vector<Value>& arguments);
    // The database's present time: the server's clock in UTC on a server (one
    // clock for every station), this machine's local time for a file.
    virtual DateTime now();
    // The data source as opened (a relative one resolved against the working folder).
    virtual std::string dataSource() const = 0;
    // Secure delete: while on, this connection overwrites with zeros the space
    // that a deleted or replaced value leaves in the file, so that no freed
    // space keeps the old value.
    virtual void setSecureDelete(bool on) = 0;
    // Moves every change still held in the write-ahead log into the file itself
    // and empties the log, so that the log keeps no earlier version of a row.
    // A program reading at that moment can keep the log from being emptied; it
    // is then emptied by a later write. Nothing to do for a file without a log.
    virtual void checkpoint() = 0;
    // Runs work as one transaction: the posts and removals that the cursors of
    // this connection make inside it are stored together when work returns, and
    // none of them when it throws (the error is thrown on; a cursor that wrote
    // inside it may show rows that were not stored until it is read again). A
    // file is locked for writing from the start (still locked by others after
    // the busy wait: DbUnavailable, nothing written). A server connection that
    // breaks inside it gives DbUnavailable and is not made again until the
    // transaction has ended; when it breaks while committing, the outcome is
    // unknown. Transactions do not nest (DbError).
    virtual void transaction(const std::function<void()>& work) = 0;
};

// The role a program takes on a database server. A lab's data-link file names
// the stations' role; the console and the administrator's commands take the
// owner role from the teacher machine itself (libpq's PGUSER, else "kav_owner",
// with the password from PGPASSWORD or libpq's password file), never from the
// file on the share. Database files have no roles.
enum class ServerRole { AsWritten, Owner };

// Opens the database that the connection string names; a relative Data Source
// is resolved against workingFolder (written with "/" or "\"). The provider
// selects the backend: Microsoft.Jet.OLEDB.4.0 is an encrypted database file,
// PostgreSQL a database on a server (the Data Source being libpq's connection
// URI or keyword/value string; the database password is not used).
// Throws DbError with the engine's text: a missing file gives "Could not find
// file '...'.", a wrong password "... file is encrypted or is not a database".
// Share mode is deny-none: any number of programs may hold the same file open;
// a busy file is waited for up to 5 seconds before "database is locked"
// (DbUnavailable when a post finds it so).
std::unique_ptr<Connection> connect(std::string_view connectionString,
                                    const std::filesystem::path& workingFolder,
                                    ServerRole role = ServerRole::AsWritten);

}  // namespace kav::db
