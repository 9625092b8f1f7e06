// kavtool tables FILE: the tables of an exam database, one a line.
#include <cstdio>
#include <filesystem>

#include "common/db/database.h"
#include "common/db/tables.h"
#include "tools/kavtool/command.h"

namespace {

int tables(const kavtool::Args& args) {
    if (args.size() != 1) throw kavtool::UsageError("expects one FILE");
    auto connection = kav::db::connectTeacherAsOwner(args[0]);
    for (const auto& name : connection->tableNames()) std::printf("%s\n", name.c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"tables", "tables FILE", "list the tables of an exam database", tables});
