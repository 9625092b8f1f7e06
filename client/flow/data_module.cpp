#include "client/flow/data_module.h"

#include "common/platform/platform.h"

namespace kavlor {

namespace db = kav::db;

void DataModule::openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder) {
    const auto file = kav::platform::resolve(sharedFolder + "\\teacher.mdb", workingFolder);
    teacher_ = db::connect(db::ConnectionString::forDataSource(file.string()).toString(), workingFolder);
    tscore_ = teacher_->openTable("score");
    tcondition_ = teacher_->openTable("condition");
    tstate_ = teacher_->openTable("state");
    tupdatefile_ = teacher_->openTable("updatefile");
    tuser_ = teacher_->openTable("user");
}

void DataModule::openStudent(const std::filesystem::path& workingFolder) {
    stu_ = db::connect(db::ConnectionString::forDataSource("stu.mdb").toString(), workingFolder);
    student_ = stu_->openTable("student");
    win_ = stu_->openTable("win");
    ct_ = stu_->openTable("ct");
    selecttest_ = stu_->openTable("selecttest");
    word_ = stu_->openTable("word");
}

bool gotoPosition(db::Cursor& bank, int position) {
    if (position < 1 || position > bank.recordCount()) return false;
    bank.first();
    bank.moveBy(position - 1);
    return !bank.eof();
}

}  // namespace kavlor
