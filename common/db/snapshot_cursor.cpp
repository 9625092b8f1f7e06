#include "common/db/snapshot_cursor.h"

#include "common/core/ascii.h"
#include "common/db/values.h"

#include <algorithm>

namespace kav::db {

const TableDef& tableNamed(const std::vector<TableDef>& tables, std::string_view name) {
    for (const auto& t : tables)
        if (equalsIgnoringCase(t.name, name)) return t;
    throw DbError("Cannot find the input table or query '" + std::string(name) +
                  "'. Make sure it exists and that its name is spelled correctly.");
}

void SnapshotCursor::throwRowGone(std::string_view doing) const {
    throw DbError("Row cannot be located for " + std::string(doing) + ": it has been deleted by another user (table '" +
                  definition_.name + "')");
}

void SnapshotCursor::checkOpen() const {
    if (state_ == State::Closed)
        throw DbError("Operation is not allowed when the object is closed (table '" + definition_.name + "')");
}

void SnapshotCursor::checkCurrentRow() const {
    checkOpen();
    if (rows_.empty())
        throw DbError("Either BOF or EOF is True, or the current record has been deleted. Requested operation "
                      "requires a current record (table '" + definition_.name + "' is empty)");
}

const ColumnDef& SnapshotCursor::checkedColumn(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= definition_.columns.size())
        throw DbError("Field index " + std::to_string(index) + " out of range for table '" + definition_.name + "'");
    return definition_.columns[index];
}

RowFilter SnapshotCursor::makeFilter(const TableDef& definition, std::string_view column, const Value& value) {
    int index = definition.indexOf(column);
    if (index < 0) throw DbError("Field '" + std::string(column) + "' not found in table '" + definition.name + "'");
    return RowFilter{index, toColumnValue(definition.columns[static_cast<size_t>(index)], value, /*forSearch=*/true)};
}

void SnapshotCursor::postPending() {
    if (state_ == State::Edit || state_ == State::Insert) post();
}

void SnapshotCursor::open() {
    if (state_ != State::Closed) postPending();
    std::vector<StoredRow> rows = fetchRows();
    rows_ = std::move(rows);
    state_ = State::Browse;
    buffer_.clear();
    moveTo(0);
}

void SnapshotCursor::close() {
    state_ = State::Closed;
    rows_.clear();
    buffer_.clear();
    position_ = 0;
    eof_ = bof_ = true;
}

void SnapshotCursor::requery() {
    checkOpen();
    open();
}

void SnapshotCursor::moveTo(size_t index) {
    if (rows_.empty()) {
        position_ = 0;
        eof_ = bof_ = true;
        return;
    }
    position_ = std::min(index, rows_.size() - 1);
    eof_ = bof_ = false;
}

void SnapshotCursor::first() {
    checkOpen();
    postPending();
    moveTo(0);
}

void SnapshotCursor::last() {
    checkOpen();
    postPending();
    moveTo(rows_.empty() ? 0 : rows_.size() - 1);
}

void SnapshotCursor::next() { moveBy(1); }
void SnapshotCursor::prior() { moveBy(-1); }

void SnapshotCursor::moveBy(int n) {
    checkOpen();
    postPending();
    if (rows_.empty() || n == 0) return;
    long target = static_cast<long>(position_) + n;
    if (target >= static_cast<long>(rows_.size())) {
        moveTo(rows_.size() - 1);
        eof_ = true;
    } else if (target < 0) {
        moveTo(0);
        bof_ = true;
    } else {
        moveTo(static_cast<size_t>(target));
    }
}

bool SnapshotCursor::eof() const {
    checkOpen();
    return eof_;
}

bool SnapshotCursor::bof() const {
    checkOpen();
    return bof_;
}

int SnapshotCursor::recordCount() const {
    checkOpen();
    return static_cast<int>(rows_.size());
}

int SnapshotCursor::recNo() const {
    checkOpen();
    if (state_ == State::Insert) return static_cast<int>(rows_.size()) + 1;
    return rows_.empty() ? 0 : static_cast<int>(position_) + 1;
}

bool SnapshotCursor::locate(std::string_view column, const Value& value) {
    checkOpen();
    int index = definition_.indexOf(column);
    if (index < 0) throw DbError("Field '" + std::string(column) + "' not found in table '" + definition_.name + "'");
    postPending();
    Value wanted = toColumnValue(definition_.columns[index], value, /*forSearch=*/true);
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].values[index] == wanted) {
            moveTo(i);
            return true;
        }
    }
    return false;
}

void SnapshotCursor::edit() {
    checkOpen();
    if (state_ == State::Edit || state_ == State::Insert) return;
    checkCurrentRow();
    buffer_ = rows_[position_].values;
    changed_.assign(buffer_.size(), false);
    state_ = State::Edit;
}

void SnapshotCursor::append() {
    checkOpen();
    postPending();
    buffer_.assign(definition_.columns.size(), Value{});
    changed_.assign(buffer_.size(), false);
    state_ = State::Insert;
}

void SnapshotCursor::remove() {
    checkOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    cancel();
    checkCurrentRow();
    deleteRow(rows_[position_].key);
    rows_.erase(rows_.begin() + static_cast<long>(position_));
    bool wasLast = position_ >= rows_.size();
    moveTo(position_);
    if (wasLast && !rows_.empty()) eof_ = true;
}

void SnapshotCursor::post() {
    checkOpen();
    if (state_ == State::Edit) {
        if (isModified()) updateRow(rows_[position_].key, buffer_, changed_);
        rows_[position_].values = std::move(buffer_);
    } else if (state_ == State::Insert) {
        rows_.push_back(insertRow(buffer_));
        moveTo(rows_.size() - 1);
    } else {
        return;
    }
    buffer_.clear();
    state_ = State::Browse;
}

void SnapshotCursor::cancel() {
    if (state_ == State::Edit || state_ == State::Insert) state_ = State::Browse;
    buffer_.clear();
}

bool SnapshotCursor::isModified() const {
    if (state_ != State::Edit && state_ != State::Insert) return false;
    return std::find(changed_.begin(), changed_.end(), true) != changed_.end();
}

Value SnapshotCursor::rowValue(int row, int index) const {
    checkedColumn(index);
    checkOpen();
    size_t at = static_cast<size_t>(row - 1);
    if (state_ == State::Insert && at == rows_.size()) return buffer_[index];
    if (row < 1 || at >= rows_.size())
        throw DbError("Row " + std::to_string(row) + " out of range for table '" + definition_.name + "' (" +
                      std::to_string(rows_.size()) + " rows)");
    if (state_ == State::Edit && at == position_) return buffer_[index];
    return rows_[at].values[index];
}

Value SnapshotCursor::get(int index) const {
    checkedColumn(index);
    if (state_ == State::Edit || state_ == State::Insert) return buffer_[index];
    checkCurrentRow();
    return rows_[position_].values[index];
}

void SnapshotCursor::set(int index, Value value) {
    const ColumnDef& column = checkedColumn(index);
    checkOpen();
    if (state_ != State::Edit && state_ != State::Insert)
        throw DbError("Dataset not in edit or insert mode (table '" + definition_.name + "', field '" + column.name +
                      "')");
    buffer_[index] = toColumnValue(column, std::move(value));
    changed_[index] = true;
}

}  // namespace kav::db
