// kavtool init-db FILE: a new stu.mdb or teacher.mdb with the exam tables.
#include <cstdio>

#include "common/db/schema.h"
#include "tools/kavtool/command.h"

namespace {

int initDb(const kavtool::Args& args) {
    if (args.size() != 1) throw kavtool::UsageError("expects one FILE");
    std::filesystem::path file = args[0];
    kav::db::DatabaseKind kind = kav::db::kindFromFileName(file);
    kav::db::createDatabase(file, kind);
    std::printf("created %s (%s)\n", file.string().c_str(), std::string(kav::db::fileNameOf(kind)).c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"init-db", "init-db FILE",
                                 "create stu.mdb or teacher.mdb (by the file's name) with the exam tables", initDb});
