#include "client/flow/data_module.h"

#include "common/platform/platform.h"
#include "common/station/station.h"

namespace kavlor {

namespace db = kav::db;

void DataModule::openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder) {
    // Names on the share are found whatever their case, as Windows finds them.
    auto path = kav::platform::resolve(sharedFolder + "\\" + std::string(db::kTeacherLinkFile), workingFolder);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) path = kav::platform::resolve(sharedFolder + "\\teacher.mdb", workingFolder);
    teacher_ = kav::station::openStationTables(db::connectPath(path));
}

void DataModule::openStudent(const std::filesystem::path& workingFolder) {
    stu_ = std::make_unique<db::OpenTables>(db::connectFile("stu.mdb", workingFolder), db::kClientStudentTables);
}

}  // namespace kavlor
