#include "console/pages/scores/score_pages.h"

#include <algorithm>

#include "common/db/error_text.h"
#include "common/scores/export_writers.h"

namespace mendrix::scores {

using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;

namespace {
// Runs a writer, showing a refusal or a failure with its text.
void reportFailure(kav::ui::Dialogs& dialogs, const std::function<void()>& write) {
    try {
        write();
    } catch (const ExportError& e) {
        dialogs.message(MessageKind::Error, e.what());
    }
}
}  // namespace

std::string replaceQuestion(const std::filesystem::path& path) {
    return "文件“" + path.string() + "”已存在，要替换它吗？";
}

std::optional<std::filesystem::path> chooseSaveFile(kav::ui::Dialogs& dialogs, const std::string& caption,
                                                    std::string_view filter, const std::string& extension) {
    auto chosen = dialogs.saveFile(caption, std::string(filter));
    if (!chosen) return std::nullopt;
    std::filesystem::path path = *chosen;
    if (!path.has_extension()) {
        path += extension;
        if (std::filesystem::exists(path) &&
            dialogs.message(MessageKind::Warning, replaceQuestion(path), Buttons::OkNo) != Answer::Ok)
            return std::nullopt;
    }
    return path;
}

// ------------------------------------------------------------ score list

void settleScoreRow(kav::db::Cursor& row) {
    struct Part {
        const char* column;
        const char* name;
        std::int64_t highest;
    };
    constexpr Part parts[] = {{"win_cj", "WIN题", 20}, {"select_cj", "选择题", 30}, {"dz_cj", "打字题", 20},
                              {"word_cj", "Word题", 32767}};
    std::int64_t total = 0;
    for (const Part& part : parts) {
        const kav::db::Field& field = row.field(part.column);
        if (field.isNull()) continue;
        const std::int64_t score = field.asInteger();
        if (score < 0 || score > part.highest)
            throw kav::db::RowRefused(std::string(part.name) + "成绩只能是0到" + std::to_string(part.highest) + "分，输入的是" +
                                   std::to_string(score) + "，没有保存。");
        total += score;
    }
    row.field("kscj").setInteger(total);
}

ScoreListLogic::ScoreListLogic(kav::console::TableBinding& binding, const kav::db::Cursor& score,
                               kav::ui::Dialogs& dialogs)
    : binding_(binding), score_(score), dialogs_(dialogs) {
    binding_.setBeforePost(settleScoreRow);
}

void ScoreListLogic::BitBtn36Click() {
    if (showSheet) showSheet(readScoreRows(score_));
}

void ScoreListLogic::BitBtn42Click() {
    reportFailure(dialogs_, [&] {
        const std::string bytes = exportTextGbk(readScoreRows(score_));
        if (auto path = chooseSaveFile(dialogs_, "导出成绩", kExportFilter, ".doc")) writeFileReplacing(*path, bytes);
    });
}

void ScoreListLogic::BitBtnSpreadsheetClick() {
    reportFailure(dialogs_, [&] {
        const auto rows = readScoreRows(score_);
        auto path = chooseSaveFile(dialogs_, "导出表格", kSpreadsheetFilter, ".xlsx");
        if (!path) return;
        if (path->extension() == ".csv") writeFileReplacing(*path, scoresCsv(rows));
        else writeScoresXlsx(rows, *path);
    });
}

bool ScoreListLogic::rereadAfterReports() {
    if (binding_.isEditing()) return false;
    const int row = binding_.currentRow();
    if (!binding_.refresh()) return false;
    if (row > 1) binding_.moveToRow(std::min(row, binding_.rowCount()));
    return true;
}

// ------------------------------------------------------------ answer analysis

AnswerAnalysisLogic::AnswerAnalysisLogic(kav::console::TableBinding& binding, const kav::db::Cursor& condition,
                                         const kav::db::Cursor& score, const kav::db::Cursor& selecttest,
                                         kav::ui::Dialogs& dialogs)
    : binding_(binding), condition_(condition), score_(score), selecttest_(selecttest), dialogs_(dialogs) {}

void AnswerAnalysisLogic::count() {
    const std::vector<ScoreRow> rows = readScoreRows(score_);
    statistics_ = computeItemStatistics(readExamRecords(condition_), rows, readBankKeys(selecttest_));
    distributions_ = scoreDistributions(rows);
}

void AnswerAnalysisLogic::BitBtnStatsClick() { count(); }

void AnswerAnalysisLogic::BitBtnStatsExportClick() {
    reportFailure(dialogs_, [&] {
        count();
        if (auto path = chooseSaveFile(dialogs_, "导出统计", kStatisticsFilter, ".csv"))
            writeFileReplacing(*path, statisticsCsv(*statistics_));
    });
}

std::string AnswerAnalysisLogic::summaryText() const {
    if (!statistics_) return {};
    return "统计：" + std::to_string(statistics_->candidates) + " 份答题记录，" +
           std::to_string(statistics_->recordsWithoutScore) + " 份没有成绩未计入";
}

}  // namespace mendrix::scores
