// kavtool update-list FILE [--set LIST]: shows or sets the update list of a
// teacher.mdb (the files every client copies at start while the update flag is
// on). A list with a name that would stop the clients or leave their program
// folder is refused with the reason for each bad name.
#include <cstdio>
#include <filesystem>

#include "common/db/database.h"
#include "common/db/tables.h"
#include "common/station/station.h"
#include "common/station/update_list.h"
#include "tools/kavtool/command.h"

namespace {

using kavtool::UsageError;

int updateList(const kavtool::Args& args) {
    if (args.size() != 1 && !(args.size() == 3 && args[1] == "--set"))
        throw UsageError(args.empty() ? "expects FILE" : "expects FILE or FILE --set LIST");
    auto connection = kav::db::connectTeacherAsOwner(args[0]);
    auto updatefile = connection->openTable("updatefile");
    if (args.size() == 1) {
        std::printf("%s\n", kav::station::readUpdateList(*updatefile).c_str());
        return 0;
    }
    const std::string& list = args[2];
    const auto bad = kav::station::checkUpdateList(list);
    for (const auto& name : bad) std::fprintf(stderr, "%s\n", name.text().c_str());
    if (!bad.empty()) return 1;
    kav::station::writeUpdateList(*updatefile, list);
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"update-list", "update-list FILE [--set LIST]",
                                 "show or set the update list of a teacher.mdb (\"\" clears it)", updateList});
