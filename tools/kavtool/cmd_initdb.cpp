// kavtool init-db FILE: a new stu.mdb or teacher.mdb with the exam tables, or
// the teacher tables of a lab on the server that a teacher.udl names (those of
// an older version's lab there brought up to date).
// kavtool init-db --print-admin-sql: the server administrator's one-time set-up.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/core/ascii.h"
#include "common/db/postgres_backend.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "tools/kavtool/command.h"

namespace {

namespace db = kav::db;

// The owner role of this machine (PGUSER, else kav_owner), as asOwner takes it.
std::string ownerRole() {
    const char* user = std::getenv("PGUSER");
    return user && *user ? user : std::string(db::kOwnerRole);
}

// How many stations (two sessions each) the server has room for now, and
// plainly when the lab's `stations` do not all fit.
void printConnectionRoom(const std::string& owner, int stations) {
    const db::ConnectionBudget budget = db::connectionBudget(owner);
    std::printf("the server allows %d sessions for ordinary roles and %d are in use: room for %d stations "
                "(2 sessions each; kavtool lab-check TEACHERDB --stations N checks a lab of N)\n",
                budget.sessions, budget.inUse, std::max(0, budget.sessions - budget.inUse) / db::kSessionsPerStation);
    if (const std::string shortfall = db::connectionShortfallText(budget, stations); !shortfall.empty())
        std::printf("warning: %s\n", shortfall.c_str());
}

// The server's teacher tables, made as the owner of this machine (or those of
// a lab made before stations had roles of their own brought up to date), and
// the group of the lab's stations; the stations' own roles come from station-login.
int initServer(const std::filesystem::path& link, int stations) {
    const std::string source = db::serverDataSource(link);
    const std::string owner = db::asOwner(source);
    const db::LabTables found = db::labTablesOf(owner);
    switch (found) {
        case db::LabTables::None:
            db::createServerDatabase(owner, db::DatabaseKind::Teacher);
            std::printf("created the teacher tables on the server\n");
            break;
        case db::LabTables::Older:
            db::upgradeLabTables(owner);
            std::printf("brought the teacher tables, made before stations had roles of their own, up to date: "
                        "every row kept, the station functions made anew, no role but the owner keeps a right on "
                        "a table; the rows already reported record no station\n");
            break;
        case db::LabTables::Current:
            break;
    }
    // What later versions added or changed (tables, the heartbeat function, the announcement of the station
    // record's changes), made where missing or older, the rows kept.
    const auto added = db::upgradeServerDatabase(owner, db::DatabaseKind::Teacher);
    if (added && !added->empty()) {
        std::string what;
        for (const std::string& a : *added) what += (what.empty() ? "" : ", ") + a;
        std::printf("brought the teacher tables on the server up to date (their rows kept): made %s\n", what.c_str());
    } else if (found == db::LabTables::Current) {
        std::printf("the teacher tables on the server are there and up to date (their rows kept)\n");
    }
    const std::string group = db::prepareStationGroup(owner);
    std::printf("the stations' roles belong to %s: make each with kavtool station-login %s NAME\n", group.c_str(),
                link.string().c_str());
    if (!db::loginOf(source).password.empty())
        std::printf("warning: %s holds a password, and every station can read the share: take it out (the "
                    "console takes the owner's password from this machine, each station its own from its link)\n",
                    link.string().c_str());
    printConnectionRoom(owner, stations);
    return 0;
}

int initDb(const kavtool::Args& args) {
    if (!args.empty() && args[0] == "--print-admin-sql") {
        if (args.size() > 1) throw kavtool::UsageError("--print-admin-sql takes nothing more");
        std::fputs(db::adminSetupSql(ownerRole()).c_str(), stdout);
        return 0;
    }
    int stations = 0;
    if (args.size() == 3 && args[1] == "--stations") {
        size_t used = 0;
        try {
            stations = std::stoi(args[2], &used);
        } catch (const std::exception&) {
        }
        if (used != args[2].size() || stations < 1 || stations > 1000)
            throw kavtool::UsageError("--stations takes a number from 1 to 1000");
    } else if (args.size() != 1) {
        throw kavtool::UsageError("expects FILE [--stations N]");
    }
    std::filesystem::path file = args[0];
    if (kav::equalsIgnoringCase(file.extension().string(), ".udl")) return initServer(file, stations);
    if (stations != 0) throw kavtool::UsageError("--stations is for a lab server's teacher.udl");
    db::DatabaseKind kind = db::kindFromFileName(file);
    db::createDatabase(file, kind);
    std::printf("created %s (%s)\n", file.string().c_str(), std::string(db::fileNameOf(kind)).c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"init-db", "init-db FILE [--stations N] | init-db --print-admin-sql",
                                 "create stu.mdb or teacher.mdb (by the file's name) with the exam tables; "
                                 "FILE.udl: the teacher tables and the stations' group on the server it names "
                                 "(older tables brought up to date), and whether N stations can all connect; "
                                 "--print-admin-sql: the SQL the server's administrator runs once in the lab "
                                 "database (as a superuser) before",
                                 initDb});
