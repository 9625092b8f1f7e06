#include "client/flow/data_module.h"

#include "common/platform/platform.h"

namespace kavlor {

namespace db = kav::db;

void DataModule::openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder) {
    const auto file = kav::platform::resolve(sharedFolder + "\\teacher.mdb", workingFolder);
    teacher_ = std::make_unique<db::OpenTables>(db::connectFile(file.string(), workingFolder), db::kTeacherTables);
}

void DataModule::openStudent(const std::filesystem::path& workingFolder) {
    stu_ = std::make_unique<db::OpenTables>(db::connectFile("stu.mdb", workingFolder), db::kClientStudentTables);
}

}  // namespace kavlor
