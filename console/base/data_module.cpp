#include "console/base/data_module.h"

#include <utility>

#include "common/account/upgrade/upgrade.h"
#include "common/db/tables.h"

namespace mendrix {

using kav::db::Cursor;
using kav::db::DbError;

std::string rowPositionText(const Cursor& cursor) {
    return kRowLabelPrefix + std::to_string(cursor.recNo()) + "/" + std::to_string(cursor.recordCount());
}

TDataModule2::TDataModule2(std::filesystem::path workingFolder) : folder_(std::move(workingFolder)) {}

void TDataModule2::open() {
    for (auto& c : cursors_) c.reset();
    labels_.clear();
    ADOConnection1_.reset();
    ADOConnection2_.reset();
    // The Table enumeration follows the console's opening order: stu.mdb's
    // tables, then teacher.mdb's.
    static_assert(kav::db::kConsoleStudentTables.size() + kav::db::kTeacherTables.size() == kTableCount);
    int next = 0;
    auto openCursors = [&](kav::db::Connection& connection, const auto& names) {
        for (std::string_view name : names) {
            const auto t = static_cast<Table>(next++);
            cursors_[t] = connection.openTable(name);
            if (hasLabel(t))
                labels_[cursors_[t].get()] =
                    cursors_[t]->recordCount() > 0 ? rowPositionText(*cursors_[t]) : kRowLabelPrefix;
        }
    };
    try {
        ADOConnection1_ = kav::db::connectFile("stu.mdb", folder_);
        openCursors(*ADOConnection1_, kav::db::kConsoleStudentTables);
        ADOConnection2_ = kav::db::connectPath(kav::db::teacherDatabasePath(folder_),
                                               kav::db::ServerRole::Owner);
        // Plain passwords left in a teacher.mdb written before passwords were
        // hashed are replaced by their hashes before any account is read.
        kav::account::hashPlainPasswords(*ADOConnection2_);
        openCursors(*ADOConnection2_, kav::db::kTeacherTables);
    } catch (const DbError& e) {
        openError_ = e.what();
        throw;
    }
}

Cursor& TDataModule2::cursor(Table t) {
    if (!cursors_[t]) throw DbError(openError_);
    return *cursors_[t];
}

kav::db::Connection& TDataModule2::teacherConnection() {
    if (!ADOConnection2_) throw DbError(openError_);
    return *ADOConnection2_;
}

Cursor& TDataModule2::ADOTable1() { return cursor(Student); }
Cursor& TDataModule2::ADOTable_win() { return cursor(Win); }
Cursor& TDataModule2::ADOTable_select() { return cursor(Select); }
Cursor& TDataModule2::ADOTable_ct() { return cursor(Ct); }
Cursor& TDataModule2::ADOTable_word() { return cursor(Word); }
Cursor& TDataModule2::ADOTable_Tscore() { return cursor(Score); }
Cursor& TDataModule2::ADOTable_Tuser() { return cursor(User); }
Cursor& TDataModule2::ADOTable_Tcondition() { return cursor(Condition); }
Cursor& TDataModule2::ADOTable_Tstate() { return cursor(State); }
Cursor& TDataModule2::ADOTable_Tupdatefile() { return cursor(Updatefile); }

bool TDataModule2::hasLabel(Table t) const {
    return t == Student || t == Win || t == Select || t == Word || t == Score || t == Condition;
}

void TDataModule2::afterScroll(const Cursor& cursor) { labels_[&cursor] = rowPositionText(cursor); }

std::string TDataModule2::rowLabel(const Cursor& cursor) const {
    auto it = labels_.find(&cursor);
    return it == labels_.end() ? kRowLabelPrefix : it->second;
}

std::vector<Cursor*> TDataModule2::cursorsPostedAtClose() const {
    std::vector<Cursor*> open;
    for (Table t : {Student, Win, Select, Word, State, User, Updatefile})
        if (cursors_[t]) open.push_back(cursors_[t].get());
    return open;
}

}  // namespace mendrix
