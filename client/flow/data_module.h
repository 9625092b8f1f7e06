#pragma once
// The client's data module: the connection to teacher.mdb on the teacher's
// shared folder and the connection to the local stu.mdb, with the
// whole-table cursors that every window of the client works on. Once the login
// has found the candidate, ADOTable_student and ADOTable_ct stay on the
// candidate's rows.
#include <filesystem>
#include <memory>
#include <string>

#include "common/db/tables.h"

namespace kavlor {

class DataModule {
public:
    // Connects to the teacher tables of the shared folder (teacher.udl when it
    // holds one, teacher.mdb otherwise) and opens score, condition, state,
    // updatefile and user (not user on a server), in this order. Throws db::DbError, leaving the
    // module as it was.
    void openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder);
    // Connects to stu.mdb in the working folder and opens student, win, ct,
    // selecttest and word, in this order. Throws db::DbError, leaving the
    // module as it was.
    void openStudent(const std::filesystem::path& workingFolder);

    kav::db::Cursor& ADOTable_Tscore() { return teacher_->table("score"); }
    kav::db::Cursor& ADOTable_Tcondition() { return teacher_->table("condition"); }
    kav::db::Cursor& ADOTable_Tstate() { return teacher_->table("state"); }
    kav::db::Cursor& ADOTable_Tupdatefile() { return teacher_->table("updatefile"); }
    kav::db::Cursor& ADOTable_student() { return stu_->table("student"); }
    kav::db::Cursor& ADOTable_win() { return stu_->table("win"); }
    kav::db::Cursor& ADOTable_ct() { return stu_->table("ct"); }
    kav::db::Cursor& ADOTable_selecttest() { return stu_->table("selecttest"); }
    kav::db::Cursor& ADOTable_word() { return stu_->table("word"); }

    // The teacher connection itself: the report's keyed cursors, the delay password.
    kav::db::Connection& teacherConnection() { return teacher_->connection(); }
    // The stu.mdb connection itself: where the typing screen's own writer connects.
    kav::db::Connection& studentConnection() { return stu_->connection(); }

    // The teacher tables' database as opened (teacher.udl or teacher.mdb): where
    // the station poll makes its own connection.
    const std::filesystem::path& teacherPath() const { return teacherPath_; }

    bool teacherOpen() const { return teacher_ != nullptr; }
    bool studentOpen() const { return stu_ != nullptr; }

private:
    std::unique_ptr<kav::db::OpenTables> teacher_, stu_;
    std::filesystem::path teacherPath_;
};

}  // namespace kavlor
