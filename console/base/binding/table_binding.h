#pragma once
// A table bound to one cursor: the editing model shared by every console page
// with bound fields, the row-position text, and the views that show the table.
//
// Editing model:
//  - Typing into a bound field (setText / setValue) puts the current row into
//    edit mode, or starts a new row when the table has none. The typed values
//    stay with the binding until the row is saved, so a value the table refuses
//    is still shown as typed.
//  - Every move (first, prior, next, last, moveToRow, refresh, insert) first
//    saves the pending change: an edited or inserted row that was changed is
//    posted (the row rule runs first); an edit or insert with nothing changed is
//    dropped. When the post is refused, the engine's text is shown in an Error
//    box, the row stays in edit with the typed values, and the move does not
//    happen.
//  - remove() during an insert drops the new row; on a stored row it asks
//    deleteQuestion(the row's name) (Warning, buttons No and OK, No the
//    default) and deletes only on OK; on an empty table it does nothing.
//  - A typed text longer than its column holds is refused at the post with
//    textTooLongRefusal (the views never cut it short).
//  - Any other error of the engine (a closed cursor, a row another program
//    deleted) is shown in an Error box with the engine's text.
// Every listener is told after each operation, so that all views on the same
// cursor show the same row.
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "common/db/database.h"
#include "common/ui/dialogs.h"

namespace kav::console {

// "确定要删除" + what + "吗？", then note on a line of its own when there is one.
std::string deleteQuestion(const std::string& what, const std::string& note = {});
// A candidate's row as a question names it: "考生“张三”（准考证号110100000001）"
// from the row's ksxm and zkzh.
std::string candidateRowName(const db::Cursor& row);
// "确定要删除全部 12 条记录吗？删除后不能恢复。"
std::string deleteAllQuestion(int rows);
inline constexpr std::string_view kPositionPrefix = "记录号：";

class TableBinding {
public:
    // What an operation changed: the current row or the editing mode only, the
    // values of the current row, or the set of rows (added, removed, reread).
    enum class Change { Position, Values, Rows };
    using Listener = std::function<void(Change)>;
    using RowHook = std::function<void(db::Cursor&)>;

    // The cursor may be closed (its database failed to open): every operation
    // then shows the engine's error and the label stays bare.
    TableBinding(db::Cursor& cursor, ui::Dialogs& dialogs);
    TableBinding(const TableBinding&) = delete;
    TableBinding& operator=(const TableBinding&) = delete;

    const db::TableDef& definition() const { return cursor_.definition(); }
    // The column's position; DbError for a column the table does not have.
    int columnIndex(std::string_view name) const;

    // Navigation. Each returns false when it did not happen (the pending change
    // was refused, or the engine failed; the error has been shown).
    bool first();
    bool prior();
    bool next();
    bool last();
    bool moveToRow(int row);  // 1-based; the current row (or one out of range) does nothing
    bool refresh();           // saves, then rereads the whole table; at the first row
    bool insert();            // saves, then starts a new empty row after the last
    bool remove();
    // Asks deleteAllQuestion(n) (Warning, No / OK, No the default) and on OK
    // drops any pending change and deletes every row of the snapshot, first to
    // last; an engine error stops it there (shown) and the rows not yet deleted stay.
    bool removeAll();
    // The grid navigator's edit, post and cancel. post stores an inserted row
    // even when nothing was typed; an edit with nothing changed just ends.
    bool beginEdit();
    bool post();
    void cancel();
    // The save step of every move, for callers that must store the pending
    // change themselves (closing the console).
    bool savePending();

    // The hooks run on every post of the binding: before (the table's row rule,
    // which may set fields; an error it throws refuses the post) and after.
    void setBeforePost(RowHook hook) { beforePost_ = std::move(hook); }
    void setAfterPost(RowHook hook) { afterPost_ = std::move(hook); }
    // What the delete question calls the current row ("第2条记录" unless set),
    // and a note it adds on the consequences.
    using RowNamer = std::function<std::string(const db::Cursor&)>;
    void setRowName(RowNamer namer) { rowName_ = std::move(namer); }
    void setDeleteNote(std::string note) { deleteNote_ = std::move(note); }
    // The name of a column in a refusal (the column's own name unless set).
    void setCaption(std::string_view column, std::string caption);

    // Fields of the current row as the views show them: the typed value when
    // there is one, else the cursor's. A table without a current row reads empty.
    db::Value value(int column) const;
    std::string text(int column) const;
    void setValue(int column, db::Value value);
    void setText(int column, std::string text) { setValue(column, std::move(text)); }
    // Auto-numbers are assigned by the database and cannot be typed.
    bool isReadOnly(int column) const;

    bool isEditing() const;  // a row is being edited or inserted
    bool isInserting() const;
    bool isModified() const;  // something was typed or set since editing began

    // For the grid: the stored rows plus the row being inserted, the current
    // row (1-based, 0 for none) and the text of any cell.
    int rowCount() const;
    int currentRow() const;
    std::string cellText(int row, int column) const;

    // "记录号：" + row + "/" + count, the row being inserted counted; bare
    // "记录号：" while the table has been empty since it was opened and no row
    // has been inserted.
    std::string positionText() const;

    int addListener(Listener listener);
    void removeListener(int id);

private:
    template <class Operation>
    bool run(Change change, Operation&& operation);
    void savePendingOrThrow();
    void postRow();
    void dropRow();
    void enterEditMode();
    void startInsert();
    void openedAnew();
    bool isCurrentTyped(int row, int column) const;
    int safeRowCount() const;
    void notify(Change change);

    db::Cursor& cursor_;
    ui::Dialogs& dialogs_;
    std::map<int, db::Value> typed_;  // typed values not yet in the cursor's row
    bool bareLabel_ = false;
    RowHook beforePost_, afterPost_;
    RowNamer rowName_;
    std::string deleteNote_;
    std::map<int, std::string> captions_;
    std::map<int, Listener> listeners_;
    int nextListener_ = 1;
};

// Keeps a listener registered for its own lifetime (a view holds one as a member).
class BindingSubscription {
public:
    BindingSubscription(TableBinding& binding, TableBinding::Listener listener)
        : binding_(binding), id_(binding.addListener(std::move(listener))) {}
    ~BindingSubscription() { binding_.removeListener(id_); }
    BindingSubscription(const BindingSubscription&) = delete;
    BindingSubscription& operator=(const BindingSubscription&) = delete;

private:
    TableBinding& binding_;
    int id_;
};

}  // namespace kav::console
