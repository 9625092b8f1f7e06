#pragma once
// The part of a whole-table cursor that every backend shares: the snapshot of
// rows, the position, the edit buffer and the rules of database.h. A backend
// supplies only the four storage operations.
#include <optional>

#include "common/db/database.h"

namespace kav::db {

struct StoredRow {
    std::int64_t key = 0;       // the backend's row identity (never reused)
    std::vector<Value> values;  // in table order, already of the columns' types
};

// The rows a keyed cursor covers: those whose column equals value (already of
// the column's type).
struct RowFilter {
    int column = 0;
    Value value;
};

// The definition of a table a connection holds, found by its name in any
// case; DbError naming it when there is none.
const TableDef& tableNamed(const std::vector<TableDef>& tables, std::string_view name);

class SnapshotCursor : public Cursor {
public:
    explicit SnapshotCursor(TableDef definition, std::optional<RowFilter> filter = std::nullopt)
        : definition_(std::move(definition)), filter_(std::move(filter)) {}

    const TableDef& definition() const override { return definition_; }
    State state() const override { return state_; }

    void open() override;
    void close() override;
    void requery() override;

    void first() override;
    void next() override;
    void prior() override;
    void last() override;
    void moveBy(int n) override;
    bool eof() const override;
    bool bof() const override;
    int recordCount() const override;
    int recNo() const override;  // during append: the number the new row will have

    bool locate(std::string_view column, const Value& value) override;

    void edit() override;
    void append() override;
    void remove() override;
    void post() override;
    void cancel() override;
    bool isModified() const override;
    Value rowValue(int row, int index) const override;

    Value get(int index) const override;
    void set(int index, Value value) override;

    // The filter of a keyed cursor, made from a column name and a value the
    // caller gave; DbError for an unknown column or an unfit value.
    static RowFilter makeFilter(const TableDef& definition, std::string_view column, const Value& value);

protected:
    // nullopt for a whole-table cursor.
    const std::optional<RowFilter>& filter() const { return filter_; }
    // Every row of the table in table order (only those of filter() when there is one).
    virtual std::vector<StoredRow> fetchRows() = 0;
    // Stores a new row; returns it as stored (auto-number assigned).
    virtual StoredRow insertRow(const std::vector<Value>& values) = 0;
    // Writes the changed columns of one row; DbError when the row no longer exists.
    virtual void updateRow(std::int64_t key, const std::vector<Value>& values, const std::vector<bool>& changed) = 0;
    // Deletes one row; DbError when it no longer exists.
    virtual void deleteRow(std::int64_t key) = 0;
    // The error of updateRow() and deleteRow() for a row another program
    // deleted; doing is "updating" or "deleting".
    [[noreturn]] void throwRowGone(std::string_view doing) const;

private:
    void checkOpen() const;
    void checkCurrentRow() const;
    void postPending();
    void moveTo(size_t index);
    const ColumnDef& checkedColumn(int index) const;

    TableDef definition_;
    std::optional<RowFilter> filter_;
    State state_ = State::Closed;
    std::vector<StoredRow> rows_;
    size_t position_ = 0;  // meaningful when rows_ is not empty
    bool eof_ = true, bof_ = true;
    std::vector<Value> buffer_;  // the row being edited or appended
    std::vector<bool> changed_;
};

}  // namespace kav::db
