#pragma once
// The client's data module: the connection to teacher.mdb on the teacher's
// shared folder and the connection to the local stu.mdb, with the ten
// whole-table cursors that every window of the client works on. Once the login
// has found the candidate, ADOTable_student and ADOTable_ct stay on the
// candidate's rows.
#include <filesystem>
#include <memory>
#include <string>

#include "common/db/database.h"

namespace kavlor {

class DataModule {
public:
    // Connects to <sharedFolder>\teacher.mdb and opens score, condition, state,
    // updatefile and user, in this order. Throws db::DbError.
    void openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder);
    // Connects to stu.mdb in the working folder and opens student, win, ct,
    // selecttest and word, in this order. Throws db::DbError.
    void openStudent(const std::filesystem::path& workingFolder);

    kav::db::Cursor& ADOTable_Tscore() { return *tscore_; }
    kav::db::Cursor& ADOTable_Tcondition() { return *tcondition_; }
    kav::db::Cursor& ADOTable_Tstate() { return *tstate_; }
    kav::db::Cursor& ADOTable_Tupdatefile() { return *tupdatefile_; }
    kav::db::Cursor& ADOTable_Tuser() { return *tuser_; }
    kav::db::Cursor& ADOTable_student() { return *student_; }
    kav::db::Cursor& ADOTable_win() { return *win_; }
    kav::db::Cursor& ADOTable_ct() { return *ct_; }
    kav::db::Cursor& ADOTable_selecttest() { return *selecttest_; }
    kav::db::Cursor& ADOTable_word() { return *word_; }

    bool teacherOpen() const { return teacher_ != nullptr; }
    bool studentOpen() const { return stu_ != nullptr; }

private:
    std::unique_ptr<kav::db::Connection> teacher_, stu_;
    std::unique_ptr<kav::db::Cursor> tscore_, tcondition_, tstate_, tupdatefile_, tuser_;
    std::unique_ptr<kav::db::Cursor> student_, win_, ct_, selecttest_, word_;
};

// Goes to the row at 1-based position `position` of a bank (first row, then
// forward position - 1 rows). Returns false, leaving the cursor at eof or bof,
// when the bank has no such row.
bool gotoPosition(kav::db::Cursor& bank, int position);

}  // namespace kavlor
