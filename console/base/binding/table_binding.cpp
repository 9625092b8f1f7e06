#include "console/base/binding/table_binding.h"

#include "common/db/error_text.h"
#include "common/core/utf8.h"
#include "common/db/values.h"

namespace kav::console {

using db::Cursor;

TableBinding::TableBinding(db::Cursor& cursor, ui::Dialogs& dialogs) : cursor_(cursor), dialogs_(dialogs) {
    openedAnew();
}

int TableBinding::columnIndex(std::string_view name) const {
    int index = definition().indexOf(name);
    if (index < 0) throw db::DbError("Field '" + std::string(name) + "' not found in table '" + definition().name + "'");
    return index;
}

// Runs one operation: an engine error is shown with its text, and every
// listener is told what changed (the set of rows when their number moved).
template <class Operation>
bool TableBinding::run(Change change, Operation&& operation) {
    int rowsBefore = rowCount();
    bool done = true;
    try {
        operation();
    } catch (const db::DbError& e) {
        dialogs_.message(ui::MessageKind::Error, db::databaseErrorText("数据没有保存。", e));
        done = false;
    }
    notify(rowCount() != rowsBefore ? Change::Rows : change);
    return done;
}

bool TableBinding::first() {
    return run(Change::Position, [&] { savePendingOrThrow(); cursor_.first(); });
}

bool TableBinding::prior() {
    return run(Change::Position, [&] { savePendingOrThrow(); cursor_.prior(); });
}

bool TableBinding::next() {
    return run(Change::Position, [&] { savePendingOrThrow(); cursor_.next(); });
}

bool TableBinding::last() {
    return run(Change::Position, [&] { savePendingOrThrow(); cursor_.last(); });
}

bool TableBinding::moveToRow(int row) {
    if (row == currentRow()) return true;  // another cell of the same row: no save
    return run(Change::Position, [&] {
        savePendingOrThrow();
        if (row < 1 || row > cursor_.recordCount()) return;
        cursor_.first();
        cursor_.moveBy(row - 1);
    });
}

bool TableBinding::refresh() {
    return run(Change::Rows, [&] {
        savePendingOrThrow();
        cursor_.close();
        cursor_.open();
        openedAnew();
    });
}

bool TableBinding::insert() {
    return run(Change::Rows, [&] {
        savePendingOrThrow();
        startInsert();
    });
}

bool TableBinding::remove() {
    return run(Change::Rows, [&] {
        if (isInserting()) {
            dropRow();
            return;
        }
        if (cursor_.recordCount() == 0) return;
        const std::string name = rowName_ ? rowName_(cursor_) : "第" + std::to_string(cursor_.recNo()) + "条记录";
        if (dialogs_.message(ui::MessageKind::Warning, deleteQuestion(name, deleteNote_), ui::Buttons::OkNoSafe) !=
            ui::Answer::Ok)
            return;
        typed_.clear();
        cursor_.remove();
    });
}

std::string deleteQuestion(const std::string& what, const std::string& note) {
    return "确定要删除" + what + "吗？" + (note.empty() ? "" : "\r" + note);
}

std::string candidateRowName(const db::Cursor& row) {
    const int name = row.definition().indexOf("ksxm"), number = row.definition().indexOf("zkzh");
    return "考生“" + db::readString(row.get(name)) + "”（准考证号" + db::readString(row.get(number)) + "）";
}

std::string deleteAllQuestion(int rows) {
    return "确定要删除全部 " + std::to_string(rows) + " 条记录吗？删除后不能恢复。";
}

bool TableBinding::removeAll() {
    return run(Change::Rows, [&] {
        if (dialogs_.message(ui::MessageKind::Warning, deleteAllQuestion(cursor_.recordCount()), ui::Buttons::OkNoSafe) !=
            ui::Answer::Ok)
            return;
        dropRow();
        if (cursor_.recordCount() == 0) return;
        cursor_.first();
        while (cursor_.recordCount() > 0) cursor_.remove();
    });
}

bool TableBinding::beginEdit() {
    return run(Change::Position, [&] { enterEditMode(); });
}

bool TableBinding::post() {
    return run(Change::Values, [&] {
        if (isInserting() || isModified())
            postRow();
        else if (isEditing())
            dropRow();
    });
}

void TableBinding::cancel() {
    run(Change::Values, [&] { dropRow(); });
}

bool TableBinding::savePending() {
    return run(Change::Values, [&] { savePendingOrThrow(); });
}

void TableBinding::savePendingOrThrow() {
    if (!isEditing()) return;
    if (isModified())
        postRow();
    else
        dropRow();
}

void TableBinding::postRow() {
    // Each typed value that the row accepts leaves typed_; a refused one throws
    // and stays, with the rest, as typed.
    for (const auto& [column, value] : typed_) {
        const db::ColumnDef& def = definition().columns.at(column);
        const auto* text = std::get_if<std::string>(&value);
        if (def.type == db::ColumnType::Text && text && kav::utf8Length(*text) > def.width) {
            const auto caption = captions_.find(column);
            throw db::RowRefused(
                db::textTooLongRefusal(caption == captions_.end() ? def.name : caption->second, *text, def.width));
        }
    }
    for (auto it = typed_.begin(); it != typed_.end(); it = typed_.erase(it)) cursor_.set(it->first, it->second);
    if (beforePost_) beforePost_(cursor_);
    cursor_.post();
    if (afterPost_) afterPost_(cursor_);
}

void TableBinding::dropRow() {
    typed_.clear();
    cursor_.cancel();
}

// The row becomes editable; a table without rows starts a new one instead.
void TableBinding::enterEditMode() {
    if (isEditing()) return;
    if (cursor_.recordCount() == 0)
        startInsert();
    else
        cursor_.edit();
}

void TableBinding::startInsert() {
    cursor_.append();
    bareLabel_ = false;
}

void TableBinding::openedAnew() {
    bareLabel_ = !cursor_.isOpen() || cursor_.recordCount() == 0;
}

db::Value TableBinding::value(int column) const {
    if (auto typed = typed_.find(column); typed != typed_.end()) return typed->second;
    if (!cursor_.isOpen() || (!isEditing() && cursor_.recordCount() == 0)) return {};
    return cursor_.get(column);
}

std::string TableBinding::text(int column) const {
    db::Value v = value(column);
    return std::holds_alternative<db::Blob>(v) ? std::string() : db::readString(v);
}

void TableBinding::setValue(int column, db::Value value) {
    run(Change::Values, [&] {
        if (isReadOnly(column))
            throw db::DbError("Field '" + definition().columns.at(column).name + "' cannot be modified");
        enterEditMode();
        typed_[column] = std::move(value);
    });
}

void TableBinding::setCaption(std::string_view column, std::string caption) {
    captions_[columnIndex(column)] = std::move(caption);
}

bool TableBinding::isReadOnly(int column) const {
    return definition().columns.at(column).type == db::ColumnType::AutoNumber;
}

bool TableBinding::isEditing() const {
    return cursor_.state() == Cursor::State::Edit || cursor_.state() == Cursor::State::Insert;
}

bool TableBinding::isInserting() const { return cursor_.state() == Cursor::State::Insert; }

bool TableBinding::isModified() const { return !typed_.empty() || cursor_.isModified(); }

int TableBinding::rowCount() const { return safeRowCount() + (isInserting() ? 1 : 0); }

int TableBinding::currentRow() const { return cursor_.isOpen() ? cursor_.recNo() : 0; }

bool TableBinding::isCurrentTyped(int row, int column) const {
    return row == currentRow() && typed_.count(column) > 0;
}

std::string TableBinding::cellText(int row, int column) const {
    db::Value v = isCurrentTyped(row, column) ? typed_.at(column) : cursor_.rowValue(row, column);
    return std::holds_alternative<db::Blob>(v) ? std::string() : db::readString(v);
}

std::string TableBinding::positionText() const {
    std::string text(kPositionPrefix);
    if (bareLabel_ || !cursor_.isOpen()) return text;
    return text + std::to_string(cursor_.recNo()) + "/" + std::to_string(rowCount());
}

int TableBinding::safeRowCount() const { return cursor_.isOpen() ? cursor_.recordCount() : 0; }

int TableBinding::addListener(Listener listener) {
    listeners_.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

void TableBinding::removeListener(int id) { listeners_.erase(id); }

void TableBinding::notify(Change change) {
    // A copy: a listener may add or remove listeners while it runs.
    auto listeners = listeners_;
    for (auto& [id, listener] : listeners) listener(change);
}

}  // namespace kav::console
