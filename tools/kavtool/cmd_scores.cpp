// kavtool scores export|csv|xlsx|pdf|stats TEACHERDB OUT: the console's score
// exports, from the same code, for scripts.
//
//   export  the text file of the console's "导出" (GBK, CR LF)
//   csv     UTF-8 with a byte-order mark, a header row
//   xlsx    the spreadsheet
//   pdf     the printed score sheet
//   stats   the item statistics as CSV; the question bank is the stu.mdb
//           beside TEACHERDB
//
// TEACHERDB is a teacher.mdb or the teacher.udl of a lab server. OUT is
// written through a temporary file and replaced when it exists.
#include <cstdio>
#include <filesystem>

#include "common/scores/export_writers.h"
#include "common/scores/item_stats.h"
#include "tools/kavtool/command.h"
#include "tools/kavtool/score_files.h"

namespace {

using namespace mendrix::scores;
namespace fs = std::filesystem;
using kavtool::itemStatistics;
using kavtool::scoreRows;

int statistics(const fs::path& teacherDb, const fs::path& out) {
    const ItemStatistics stats = itemStatistics(teacherDb);
    writeFileReplacing(out, statisticsCsv(stats));
    std::fprintf(stderr, "%d records counted, %d without a score row left out\n", stats.candidates,
                 stats.recordsWithoutScore);
    return 0;
}

int scores(const kavtool::Args& args) {
    if (args.size() != 3) throw kavtool::UsageError("expects a kind, TEACHERDB and OUT");
    const std::string& kind = args[0];
    const fs::path teacherDb = args[1], out = args[2];
    if (kind != "export" && kind != "csv" && kind != "xlsx" && kind != "pdf" && kind != "stats")
        throw kavtool::UsageError("unknown kind \"" + kind + "\"");
    if (!fs::exists(teacherDb)) throw std::runtime_error(teacherDb.string() + " does not exist");
    if (kind == "stats") return statistics(teacherDb, out);
    const auto rows = scoreRows(teacherDb);
    if (kind == "export") writeFileReplacing(out, exportTextGbk(rows));
    else if (kind == "csv") writeFileReplacing(out, scoresCsv(rows));
    else if (kind == "xlsx") writeScoresXlsx(rows, out);
    else kavtool::writeSheetPdf(teacherDb, rows, out);
    return 0;
}

KAVTOOL_COMMAND({"scores", "scores export|csv|xlsx|pdf|stats TEACHERDB OUT",
                 "write the score list (text, CSV, spreadsheet, printed sheet) or the item statistics", scores});

}  // namespace
