// kavtool setup-teacher [DIR] [--share NAME] [--owner USER]: the teacher folder
// of a new lab, and the share stanza that offers it to the stations.
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tools/kavtool/command.h"
#include "tools/setup/teacher_setup.h"

namespace {

// The user who will run the console: the one who called sudo, else the caller.
std::string defaultOwner() {
    if (const char* sudoUser = std::getenv("SUDO_USER"); sudoUser && *sudoUser) return sudoUser;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return "root";
}

int setupTeacher(const kavtool::Args& args) {
    std::filesystem::path dir = kav::setup::kDefaultTeacherFolder;
    std::string share = "kavlor", owner = defaultOwner();
    bool dirGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--share" || a == "--owner") {
            if (i + 1 == args.size() || args[i + 1].empty()) throw kavtool::UsageError(a + " expects a value");
            (a == "--share" ? share : owner) = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            throw kavtool::UsageError("unknown option " + a);
        } else if (dirGiven || a.empty()) {
            throw kavtool::UsageError("expects one DIR");
        } else {
            dir = a;
            dirGiven = true;
        }
    }
    for (const std::string& fault : {kav::setup::shareNameFault(share), kav::setup::ownerFault(owner)})
        if (!fault.empty()) throw kavtool::UsageError(fault);
    dir = std::filesystem::absolute(dir).lexically_normal();
    kav::setup::setupTeacherFolder(dir);
    std::error_code ec;
    const bool tablesOnServer = std::filesystem::is_regular_file(dir / "teacher.udl", ec);
    std::printf("teacher folder %s: stu.mdb, teacher.mdb (accounts admin, assist1-3), readme.htm, txt, word, file\n",
                dir.c_str());
    std::printf("change the default passwords in the console before a real exam\n");
    if (dir != std::filesystem::path(kav::setup::kDefaultTeacherFolder))
        std::printf("\nthe console's launcher starts in %s: write this line into /etc/mendrix/mendrix.conf\n"
                    "TEACHER_DIR=%s\n",
                    kav::setup::kDefaultTeacherFolder, kav::setup::shellQuoted(dir.string()).c_str());
    std::printf("\nmake %s the owner of the folder:\n  chown -R %s: %s\n", owner.c_str(),
                kav::setup::shellQuoted(owner).c_str(), kav::setup::shellQuoted(dir.string()).c_str());
    std::printf("\nadd this share to /etc/samba/smb.conf and reload Samba (systemctl reload smbd):\n\n%s",
                kav::setup::sambaStanza(dir, share, owner, tablesOnServer).c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"setup-teacher", "setup-teacher [DIR] [--share NAME] [--owner USER]",
                                 "make the teacher folder of a new lab (default /srv/kavlor/teacher) and print "
                                 "its Samba share",
                                 setupTeacher});
