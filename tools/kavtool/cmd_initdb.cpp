// kavtool init-db FILE: a new stu.mdb or teacher.mdb with the exam tables, or
// the teacher tables of a lab on the server that a teacher.udl names.
#include <cstdio>

#include "common/core/ascii.h"
#include "common/db/postgres_backend.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "tools/kavtool/command.h"

namespace {

// The server's teacher tables, made as the owner of this machine; the role the
// link file names gets the stations' rights.
int initServer(const std::filesystem::path& link) {
    const auto cs = kav::db::ConnectionString::parse(kav::db::readLinkFile(link));
    if (!kav::equalsIgnoringCase(cs.provider, kav::db::kServerProvider))
        throw kavtool::UsageError("the data link file names no PostgreSQL database (Provider=" + cs.provider + ")");
    const auto station = kav::db::loginOf(cs.dataSource);
    if (station.user.empty()) throw kavtool::UsageError("the data link file names no user (the stations' role)");
    const std::string owner = kav::db::asOwner(cs.dataSource);
    kav::db::createServerDatabase(owner, kav::db::DatabaseKind::Teacher);
    kav::db::grantStationRole(owner, station.user, station.password);
    std::printf("created the teacher tables on the server; stations log in as %s\n", station.user.c_str());
    return 0;
}

int initDb(const kavtool::Args& args) {
    if (args.size() != 1) throw kavtool::UsageError("expects one FILE");
    std::filesystem::path file = args[0];
    if (kav::equalsIgnoringCase(file.extension().string(), ".udl")) return initServer(file);
    kav::db::DatabaseKind kind = kav::db::kindFromFileName(file);
    kav::db::createDatabase(file, kind);
    std::printf("created %s (%s)\n", file.string().c_str(), std::string(kav::db::fileNameOf(kind)).c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"init-db", "init-db FILE",
                                 "create stu.mdb or teacher.mdb (by the file's name) with the exam tables; "
                                 "FILE.udl: the teacher tables and the stations' role on the server it names",
                                 initDb});
