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
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/db/database.h"
#include "common/db/tables.h"
#include "common/scores/export_writers.h"
#include "common/scores/item_stats.h"
#include "common/scores/render/sheet_painter.h"
#include "tools/kavtool/command.h"

namespace {

using namespace mendrix::scores;
namespace fs = std::filesystem;

std::vector<ScoreRow> scoreRows(const fs::path& teacherDb) {
    auto connection = kav::db::connectTeacherAsOwner(teacherDb);
    return readScoreRows(*connection->openTable("score"));
}

// The sheet is painted with Qt's fonts, which need a GUI application; without
// a display it runs on the offscreen platform.
void writePdf(const std::vector<ScoreRow>& rows, const fs::path& out, const std::optional<ItemStatistics>& stats) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "kavtool";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    writeSheetPdf(rows, out, stats ? &*stats : nullptr);
}

// The item statistics of the records in teacherDb against the bank beside it.
ItemStatistics itemStatistics(const fs::path& teacherDb) {
    const fs::path stuDb = fs::absolute(teacherDb).parent_path() / "stu.mdb";
    if (!fs::exists(stuDb)) throw std::runtime_error("the question bank " + stuDb.string() + " is missing");
    auto teacher = kav::db::connectTeacherAsOwner(teacherDb);
    auto bank = kav::db::connectFile(stuDb.string(), fs::current_path());
    return computeItemStatistics(readExamRecords(*teacher->openTable("condition")),
                                 readScoreRows(*teacher->openTable("score")),
                                 readBankKeys(*bank->openTable("selecttest")));
}

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
    else {
        // The chart page's item chart needs the bank beside the teacher database; without it the sheet has none.
        const bool bank = fs::exists(fs::absolute(teacherDb).parent_path() / "stu.mdb");
        writePdf(rows, out, bank ? std::optional(itemStatistics(teacherDb)) : std::nullopt);
    }
    return 0;
}

KAVTOOL_COMMAND({"scores", "scores export|csv|xlsx|pdf|stats TEACHERDB OUT",
                 "write the score list (text, CSV, spreadsheet, printed sheet) or the item statistics", scores});

}  // namespace
