#include "tools/kavtool/score_files.h"

#include <QGuiApplication>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "common/db/database.h"
#include "common/db/tables.h"
#include "common/scores/render/sheet_painter.h"

namespace kavtool {

namespace fs = std::filesystem;
using namespace mendrix::scores;

std::vector<ScoreRow> scoreRows(const fs::path& teacherDb) {
    auto connection = kav::db::connectTeacherAsOwner(teacherDb);
    return readScoreRows(*connection->openTable("score"));
}

namespace {

// The sheet is painted with Qt's fonts, which need a GUI application; without
// a display it runs on the offscreen platform.
void writePdf(const std::vector<ScoreRow>& rows, const fs::path& out, const std::optional<ItemStatistics>& stats) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "kavtool";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    mendrix::scores::writeSheetPdf(rows, out, stats ? &*stats : nullptr);
}

}  // namespace

// The item statistics of the records in teacherDb against the bank beside it.
ItemStatistics itemStatistics(const fs::path& teacherDb) {
    const fs::path stuDb = fs::absolute(teacherDb).parent_path() / "stu.mdb";
    if (!fs::exists(stuDb)) throw std::runtime_error("the question bank " + stuDb.string() + " is missing");
    auto teacher = kav::db::connectTeacherAsOwner(teacherDb);
    auto bank = kav::db::connectFile(stuDb.string(), fs::current_path());
    const auto records = readExamRecords(*teacher->openTable("condition"));
    return computeItemStatistics(records, readScoreRows(*teacher->openTable("score")),
                                 readBankQuestions(*bank->openTable("selecttest")), *loadDrawnQuestions(*teacher, records));
}

void writeSheetPdf(const fs::path& teacherDb, const std::vector<ScoreRow>& rows, const fs::path& out) {
    // The chart page's item chart needs the bank beside the teacher database; without it the sheet has none.
    const bool bank = fs::exists(fs::absolute(teacherDb).parent_path() / "stu.mdb");
    writePdf(rows, out, bank ? std::optional(itemStatistics(teacherDb)) : std::nullopt);
}

}  // namespace kavtool
