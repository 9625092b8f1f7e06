// kavtool station-login TEACHERDB NAME | TEACHERDB --all N FOLDER: makes (or
// renews, with a new password) the role of a station of the lab on the server
// that teacher.udl names, and gives the data link the station keeps in its own
// settings (never on the share): printed for one station, written as
// FOLDER/NAME.udl (readable by its owner only) for stations station001 to N.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/core/ascii.h"
#include "common/db/postgres_backend.h"
#include "common/db/tables.h"
#include "tools/kavtool/command.h"

namespace {

namespace fs = std::filesystem;
namespace db = kav::db;
using kavtool::UsageError;

// The station's data link: the teacher's link's server and database, the station's role.
std::string provisionedLink(const std::string& serverSource, const std::string& name) {
    const std::string password = db::newStationPassword();
    const std::string role = db::provisionStation(db::asOwner(serverSource), name, password);
    return db::linkFileText(db::serverConnectionString(db::stationUri(serverSource, role, password)));
}

void writePrivateFile(const fs::path& path, const std::string& text) {
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        fs::permissions(temporary, fs::perms::owner_read | fs::perms::owner_write);
        out << text;
        if (!out.flush()) throw std::runtime_error("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

int stationLogin(const kavtool::Args& args) {
    const bool all = args.size() == 4 && args[1] == "--all";
    if (args.size() != 2 && !all) throw UsageError("expects TEACHERDB NAME or TEACHERDB --all N FOLDER");
    const std::string serverSource = db::serverDataSource(args[0]);
    db::prepareStationGroup(db::asOwner(serverSource));  // what a lab made before needs
    if (!all) {
        std::fputs(provisionedLink(serverSource, kav::lowerAscii(args[1])).c_str(), stdout);
        return 0;
    }
    int count = 0;
    try {
        count = std::stoi(args[2]);
    } catch (const std::exception&) {
    }
    if (count < 1 || count > 999 || std::to_string(count) != args[2]) throw UsageError("--all takes a number from 1 to 999");
    const fs::path folder = args[3];
    fs::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "station%03d", i);
        writePrivateFile(folder / (std::string(name) + ".udl"), provisionedLink(serverSource, name));
    }
    std::printf("wrote the data links of station001 to station%03d into %s: copy each to its station as "
                "/etc/kavlor/station.udl (owner root, group of the candidate account, mode 640)\n",
                count, folder.string().c_str());
    return 0;
}

// kavtool release TEACHERDB ZKZH: a candidate who moved to another station may
// be reported from there.
int release(const kavtool::Args& args) {
    if (args.size() != 2) throw UsageError("expects TEACHERDB and ZKZH");
    const int rows = db::releaseCandidate(db::asOwner(db::serverDataSource(args[0])), args[1]);
    std::printf("released %s (%d score row%s): any station may report the candidate now\n", args[1].c_str(), rows,
                rows == 1 ? "" : "s");
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"release", "release TEACHERDB ZKZH",
                                 "let any station of the lab server report candidate ZKZH (one who moved to "
                                 "another station)",
                                 release});

KAVTOOL_COMMAND(kavtool::Command{
    "station-login", "station-login TEACHERDB NAME | TEACHERDB --all N FOLDER",
    "make or renew the role of a station (each with a new password) on the lab server that teacher.udl names and "
    "print its data link, or write the links of N stations into FOLDER",
    stationLogin});
