#include "tools/setup/teacher_setup.h"

#include <stdexcept>

#include "common/db/schema.h"
#include "common/help/help.h"

namespace kav::setup {

namespace fs = std::filesystem;

void setupTeacherFolder(const fs::path& folder) {
    for (const char* name : {"stu.mdb", "teacher.mdb"}) {
        std::error_code ec;
        if (fs::exists(folder / name, ec) || ec)
            throw std::runtime_error(folder.string() + " already holds " + name + "; nothing was changed");
    }
    fs::create_directories(folder);
    db::createDatabase(folder / "teacher.mdb", db::DatabaseKind::Teacher);
    try {
        db::createDatabase(folder / "stu.mdb", db::DatabaseKind::Student);
    } catch (...) {
        // A half-made lab would be refused by the next run: take back teacher.mdb.
        std::error_code ec;
        fs::remove(folder / "teacher.mdb", ec);
        throw;
    }
    for (const char* sub : {"txt", "word", "file"}) fs::create_directories(folder / sub);
    if (!mendrix::writeHelpFileIfMissing(folder, mendrix::helpFileText()))
        throw std::runtime_error("cannot write " + (folder / "readme.htm").string());
}

std::string sambaStanza(const fs::path& folder, const std::string& share, const std::string& owner) {
    // Stations write their scores into teacher.mdb: the share is writable, and
    // opportunistic locks are off so that no station caches a database file.
    return "[" + share + "]\n"
           "   comment = Kavlor teacher folder\n"
           "   path = " + folder.string() + "\n"
           "   read only = no\n"
           "   guest ok = no\n"
           "   force user = " + owner + "\n"
           "   create mask = 0644\n"
           "   directory mask = 0755\n"
           "   oplocks = no\n"
           "   level2 oplocks = no\n"
           "   strict locking = yes\n";
}

}  // namespace kav::setup
