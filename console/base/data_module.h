#pragma once
// TDataModule2: the console's two connections, its ten whole-table cursors and
// the row-position labels of the main window's pages.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/db/database.h"

namespace mendrix {

// "记录号：" + the cursor's row number + "/" + its row count.
std::string rowPositionText(const kav::db::Cursor& cursor);
// What a label shows before its cursor has moved: a table empty when opened
// leaves it at the bare "记录号：".
inline constexpr const char* kRowLabelPrefix = "记录号：";

class TDataModule2 {
public:
    // Relative data sources ("stu.mdb", "teacher.mdb") are found in workingFolder,
    // the teacher folder.
    explicit TDataModule2(std::filesystem::path workingFolder);

    // Opens both connections and the ten cursors in their fixed order: stu.mdb
    // with student, win, selecttest, ct, word; then teacher.mdb with score,
    // condition, state, updatefile, user. On an engine error the cursors opened so
    // far stay open, the others closed, and the error is thrown on.
    void open();

    // The cursors by their names. One that did not open throws the engine's error
    // of the failed open (or, before any open, that the database is not open).
    kav::db::Cursor& ADOTable1();
    kav::db::Cursor& ADOTable_win();
    kav::db::Cursor& ADOTable_select();
    kav::db::Cursor& ADOTable_ct();
    kav::db::Cursor& ADOTable_word();
    kav::db::Cursor& ADOTable_Tscore();
    kav::db::Cursor& ADOTable_Tuser();
    kav::db::Cursor& ADOTable_Tcondition();
    kav::db::Cursor& ADOTable_Tstate();
    kav::db::Cursor& ADOTable_Tupdatefile();

    // After-scroll handlers of the six cursors with labels: rewrite their labels.
    void ADOTable1AfterScroll() { afterScroll(ADOTable1()); }
    void ADOTable_winAfterScroll() { afterScroll(ADOTable_win()); }
    void ADOTable_selectAfterScroll() { afterScroll(ADOTable_select()); }
    void ADOTable_wordAfterScroll() { afterScroll(ADOTable_word()); }
    void ADOTable_TscoreAfterScroll() { afterScroll(ADOTable_Tscore()); }
    void ADOTable_TconditionAfterScroll() { afterScroll(ADOTable_Tcondition()); }
    // The text of a labelled cursor's label(s); the bare prefix for a cursor
    // that is not open or has no label.
    std::string rowLabel(const kav::db::Cursor& cursor) const;

    // The open cursors whose pending edits the close posts: student, win,
    // selecttest, word, state, user, updatefile (a cursor that never opened is
    // left out).
    std::vector<kav::db::Cursor*> cursorsPostedAtClose() const;

    const std::filesystem::path& workingFolder() const { return folder_; }
    // The teacher tables' connection (DbError before it is open).
    kav::db::Connection& teacherConnection();

private:
    // In the opening order of the shared lists kConsoleStudentTables, kTeacherTables.
    enum Table { Student, Win, Select, Ct, Word, Score, Condition, State, Updatefile, User, kTableCount };
    kav::db::Cursor& cursor(Table t);
    void afterScroll(const kav::db::Cursor& cursor);
    bool hasLabel(Table t) const;

    std::filesystem::path folder_;
    std::unique_ptr<kav::db::Connection> ADOConnection1_, ADOConnection2_;
    std::unique_ptr<kav::db::Cursor> cursors_[kTableCount];
    std::string openError_ = "The database is not open";
    std::map<const kav::db::Cursor*, std::string> labels_;
};

}  // namespace mendrix
