#pragma once
// The part of a whole-table cursor that every backend shares: the snapshot of
// rows, the position, the edit buffer and the rules of database.h. A backend
// supplies only the four storage operations.
#include "common/db/database.h"

namespace kav::db {

struct StoredRow {
    std::int64_t key = 0;       // the backend's row identity (never reused)
    std::vector<Value> values;  // in table order, already of the columns' types
};

class SnapshotCursor : public Cursor {
public:
    explicit SnapshotCursor(TableDef definition) : definition_(std::move(definition)) {}

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

protected:
    // Every row of the table in table order.
    virtual std::vector<StoredRow> fetchRows() = 0;
    // Stores a new row; returns it as stored (auto-number assigned).
    virtual StoredRow insertRow(const std::vector<Value>& values) = 0;
    // Writes the changed columns of one row; DbError when the row no longer exists.
    virtual void updateRow(std::int64_t key, const std::vector<Value>& values, const std::vector<bool>& changed) = 0;
    // Deletes one row; DbError when it no longer exists.
    virtual void deleteRow(std::int64_t key) = 0;

private:
    void checkOpen() const;
    void checkCurrentRow() const;
    void postPending();
    void moveTo(size_t index);
    const ColumnDef& checkedColumn(int index) const;

    TableDef definition_;
    State state_ = State::Closed;
    std::vector<StoredRow> rows_;
    size_t position_ = 0;  // meaningful when rows_ is not empty
    bool eof_ = true, bof_ = true;
    std::vector<Value> buffer_;  // the row being edited or appended
    std::vector<bool> changed_;
};

}  // namespace kav::db
