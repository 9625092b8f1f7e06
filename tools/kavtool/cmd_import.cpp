// kavtool import roster|choice DBFILE CSVFILE: appends candidates or choice
// questions from a CSV file to a stu.mdb, every row checked as the console
// checks what is typed in, in one transaction: a file with any bad row, or an
// import cut short, imports nothing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/db/database.h"
#include "common/db/tables.h"
#include "common/bank/csv_import.h"
#include "tools/kavtool/command.h"

namespace {

using kavtool::UsageError;
using mendrix::bank::ImportKind;

int import(const kavtool::Args& args) {
    if (args.size() != 3) throw UsageError("expects roster|choice DBFILE CSVFILE");
    if (args[0] != "roster" && args[0] != "choice")
        throw UsageError("imports roster or choice, not \"" + args[0] + "\"");
    const ImportKind kind = args[0] == "roster" ? ImportKind::Roster : ImportKind::Choice;
    std::ifstream in(args[2], std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + args[2]);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto connection = kav::db::connectFile(args[1], std::filesystem::current_path());
    const auto result = mendrix::bank::importCsv(kind, bytes, *connection);
    for (const auto& error : result.errors) std::printf("%s\n", mendrix::bank::toolLine(error).c_str());
    if (!result.errors.empty()) return 1;
    for (const auto& warning : result.warnings)
        std::fprintf(stderr, "%s\n", mendrix::bank::toolLine(warning).c_str());
    std::printf("%d\n", result.imported);
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"import", "import roster|choice DBFILE CSVFILE",
                                 "append candidates or choice questions from a CSV file (UTF-8 or GBK)", import});
