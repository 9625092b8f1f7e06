// kavtool update-list FILE [--set LIST]: shows or sets the update list of a
// teacher.mdb (the files every client copies at start while the update flag is
// on). A list with a name that would stop the clients or leave their program
// folder, or names a link, a folder or two files in the share (the folder of
// FILE), is refused with the reason for each bad name; a missing file is a warning.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
    auto connection = kav::db::connectFile(args[0], std::filesystem::current_path());
    auto updatefile = connection->openTable("updatefile");
    if (args.size() == 1) {
        std::printf("%s\n", kav::station::readUpdateList(*updatefile).c_str());
        return 0;
    }
    const std::string& list = args[2];
    bool refused = false;
    for (const auto& name : kav::station::checkUpdateList(list)) {
        std::fprintf(stderr, "%s\n", name.text().c_str());
        refused = true;
    }
    // The share is the folder of the teacher database, as the console checks it.
    const auto share = std::filesystem::absolute(args[0]).parent_path();
    std::vector<std::string> missing;
    for (const auto& file : kav::station::findUpdateFiles(list, share)) {
        if (file.fault == kav::station::UpdateFileFault::Missing) {
            missing.push_back(file.text());
        } else if (file.fault != kav::station::UpdateFileFault::None) {
            std::fprintf(stderr, "%s\n", file.text().c_str());
            refused = true;
        }
    }
    if (refused) return 1;
    kav::station::writeUpdateList(*updatefile, list);
    for (const auto& line : missing) std::fprintf(stderr, "%s，学生机将无法复制它！\n", line.c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"update-list", "update-list FILE [--set LIST]",
                                 "show or set the update list of a teacher.mdb (\"\" clears it)", updateList});
