#include "tools/setup/teacher_setup.h"

#include <pwd.h>

#include <cctype>
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

std::string sambaStanza(const fs::path& folder, const std::string& share, const std::string& owner,
                        bool tablesOnServer) {
    // Stations write their scores into teacher.mdb: the share is writable, and
    // opportunistic locks are off so that no station caches a database file.
    // With the tables on a server they write nothing here.
    return "[" + share + "]\n"
           "   comment = Kavlor teacher folder\n"
           "   path = " + folder.string() + "\n"
           "   read only = " + (tablesOnServer ? "yes" : "no") + "\n"
           "   guest ok = no\n"
           "   force user = " + owner + "\n"
           "   create mask = 0644\n"
           "   directory mask = 0755\n"
           "   oplocks = no\n"
           "   level2 oplocks = no\n"
           "   strict locking = yes\n";
}

std::string shareNameFault(const std::string& share) {
    if (share.empty() || share.size() > 80) return "a share name has 1 to 80 characters";
    for (unsigned char c : share)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.')
            return "a share name holds only letters, digits, \"-\", \"_\" and \".\"";
    return "";
}

std::string ownerFault(const std::string& owner) {
    const passwd* user = getpwnam(owner.c_str());
    if (!user) return "there is no user " + owner;
    if (user->pw_uid == 0)
        return "the share must not write as root (force user = root lets every station write anywhere): "
               "give --owner USER, the user who runs the console";
    return "";
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace kav::setup
