#include "client/flow/data_module.h"

#include "common/platform/platform.h"

namespace kavlor {

namespace db = kav::db;

void DataModule::openTeacher(const std::string& sharedFolder, const std::filesystem::path& workingFolder) {
    // Names on the share are found whatever their case, as Windows finds them.
    auto path = kav::platform::resolve(sharedFolder + "\\" + std::string(db::kTeacherLinkFile), workingFolder);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) path = kav::platform::resolve(sharedFolder + "\\teacher.mdb", workingFolder);
    auto connection = db::connectPath(path);
    // A station's role on a server reads no accounts: the server checks delay passwords.
    static_assert(db::kTeacherTables.back() == "user");
    const auto order = connection->onServer() ? std::span(db::kTeacherTables).first(4) : std::span(db::kTeacherTables);
    teacher_ = std::make_unique<db::OpenTables>(std::move(connection), order);
}

void DataModule::openStudent(const std::filesystem::path& workingFolder) {
    stu_ = std::make_unique<db::OpenTables>(db::connectFile("stu.mdb", workingFolder), db::kClientStudentTables);
}

}  // namespace kavlor
