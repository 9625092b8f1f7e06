#include "client/flow/data_module.h"

#include <cstdio>

#include "common/db/network_fs.h"
#include "common/platform/platform.h"
#include "common/station/station.h"

namespace kavlor {

namespace db = kav::db;

void DataModule::openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder) {
    // The station's own data link first; names on the share are found
    // whatever their case, as Windows finds them.
    const auto path = db::stationTeacherPath([&](std::string_view name) {
        return kav::platform::resolve(sharedFolder + "\\" + std::string(name), workingFolder);
    });
    teacher_ = kav::station::openStationTables(db::connectPath(path));
    teacherPath_ = path;
    // Candidates see nothing of it; the lab's administrator finds it in the log.
    if (const auto nfs = teacher_->connection().onServer() ? std::nullopt : db::networkFileSystemOf(path))
        std::fprintf(stderr, "Kavlor: %s is on a network file system (%s), where SQLite's locking is unreliable; "
                             "a lab keeps its teacher tables on PostgreSQL (teacher.udl)\n",
                     path.string().c_str(), nfs->c_str());
}

void DataModule::openStudent(const std::filesystem::path& workingFolder) {
    stu_ = std::make_unique<db::OpenTables>(db::connectFile("stu.mdb", workingFolder), db::kClientStudentTables);
}

}  // namespace kavlor
