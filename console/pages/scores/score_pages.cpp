#include "console/pages/scores/score_pages.h"

#include <algorithm>

#include "common/db/error_text.h"
#include "common/db/postgres_backend.h"
#include "common/db/values.h"
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
// The score and the answer records are the candidates': a delete names the
// candidate, a refusal the column.
void nameCandidates(kav::console::TableBinding& binding) {
    binding.setRowName(kav::console::candidateRowName);
    binding.setCaption("zkzh", "准考证号");
    binding.setCaption("ksxm", "姓名");
}
}  // namespace

std::string replaceQuestion(const std::filesystem::path& path) {
    return "文件“" + path.string() + "”已存在，要替换它吗？";
}

std::string exportedText(std::size_t rows, const char* what, const std::filesystem::path& path) {
    return "已导出" + std::to_string(rows) + "行" + what + "到" + path.string();
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
    nameCandidates(binding_);
}

void ScoreListLogic::BitBtn36Click() {
    if (showSheet) showSheet(readScoreRows(score_));
}

void ScoreListLogic::BitBtn42Click() {
    reportFailure(dialogs_, [&] {
        const auto rows = readScoreRows(score_);
        const std::string bytes = exportTextGbk(rows);
        if (auto path = chooseSaveFile(dialogs_, "导出成绩", kExportFilter, ".doc")) {
            writeFileReplacing(*path, bytes);
            if (tellDone) tellDone(exportedText(rows.size(), "成绩", *path));
        }
    });
}

void ScoreListLogic::BitBtnSpreadsheetClick() {
    reportFailure(dialogs_, [&] {
        const auto rows = readScoreRows(score_);
        auto path = chooseSaveFile(dialogs_, "导出表格", kSpreadsheetFilter, ".xlsx");
        if (!path) return;
        if (path->extension() == ".csv") writeFileReplacing(*path, scoresCsv(rows));
        else writeScoresXlsx(rows, *path);
        if (tellDone) tellDone(exportedText(rows.size(), "成绩", *path));
    });
}

std::optional<DrawnQuestions> readDrawnQuestions(kav::ui::Dialogs& dialogs, const TeacherConnector& connectTeacher,
                                                 const std::vector<ExamRecord>& records) {
    if (!connectTeacher) return DrawnQuestions{};
    std::optional<DrawnQuestions> drawn;
    dialogs.runWithProgress("正在读取作答包……", [&](const kav::ui::Dialogs::Progress& progress) {
        auto teacher = connectTeacher();
        drawn = loadDrawnQuestions(*teacher, records, [&progress](int done, int total) {
            progress.report(done, total);
            return !progress.cancelled();
        });
    });
    return drawn;
}

std::function<int(const std::string& zkzh)> candidateRelease(kav::db::Connection& teacher) {
    if (!teacher.onServer()) return {};
    return [source = teacher.dataSource()](const std::string& zkzh) { return kav::db::releaseCandidate(source, zkzh); };
}

void ScoreListLogic::BitBtnReleaseClick() {
    if (!release || score_.recNo() == 0) return;
    const auto cell = [&](const char* column) {
        return kav::db::readString(score_.get(score_.definition().indexOf(column)));
    };
    const std::string zkzh = cell("zkzh");
    const std::string who = zkzh + (cell("ksxm").empty() ? "" : "（" + cell("ksxm") + "）");
    if (dialogs_.message(MessageKind::Warning,
                         "释放考生" + who + "？\r释放后，任何一台学生机都可以为该考生交卷，以最后交的为准。"
                         "只在考生换到另一台学生机时才需要释放。",
                         Buttons::OkCancelSafe) != Answer::Ok)
        return;
    const int rows = release(zkzh);
    dialogs_.message(MessageKind::Information,
                     rows > 0 ? "已释放考生" + who + "，任何一台学生机都可以为该考生交卷了。"
                              : "考生" + who + "的成绩没有记录交卷的学生机，不需要释放。");
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
    : binding_(binding), condition_(condition), score_(score), selecttest_(selecttest), dialogs_(dialogs) {
    nameCandidates(binding_);
}

bool AnswerAnalysisLogic::count() {
    const std::vector<ExamRecord> records = readExamRecords(condition_);
    if (!drawn_) drawn_ = readDrawnQuestions(dialogs_, connectTeacher, records);
    if (!drawn_) return false;
    const std::vector<ScoreRow> rows = readScoreRows(score_);
    statistics_ = computeItemStatistics(records, rows, readBankQuestions(selecttest_), *drawn_);
    distributions_ = scoreDistributions(rows);
    return true;
}

void AnswerAnalysisLogic::BitBtn44Click() {
    drawn_.reset();
    binding_.removeAll();
}

void AnswerAnalysisLogic::BitBtn45Click() {
    drawn_.reset();
    binding_.refresh();
}

void AnswerAnalysisLogic::BitBtnStatsClick() { count(); }

void AnswerAnalysisLogic::BitBtnStatsExportClick() {
    reportFailure(dialogs_, [&] {
        if (!count()) return;
        if (auto path = chooseSaveFile(dialogs_, "导出统计", kStatisticsFilter, ".csv")) {
            writeFileReplacing(*path, statisticsCsv(*statistics_));
            if (tellDone) tellDone("已导出" + std::to_string(statistics_->candidates) + "份答题记录的统计到" + path->string());
        }
    });
}

std::string AnswerAnalysisLogic::summaryText() const {
    if (!statistics_) return {};
    std::string text = "统计：" + std::to_string(statistics_->candidates) + " 份答题记录，" +
                       std::to_string(statistics_->recordsWithoutScore) + " 份没有成绩未计入";
    if (statistics_->recordsComparedByKey > 0)
        text += "；" + std::to_string(statistics_->recordsComparedByKey) +
                " 份没有作答包，“题库已改动”只能按标准答案的字母比较";
    return text;
}

}  // namespace mendrix::scores
