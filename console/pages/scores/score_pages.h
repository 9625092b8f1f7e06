#pragma once
// The logic of the two score pages of the console: the score list (print,
// export, spreadsheet export, clear, refresh) and the answer analysis (clear,
// refresh, item statistics and their export). The windows only forward their
// buttons here and show the bindings.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/ui/dialogs.h"
#include "common/scores/charts.h"
#include "common/scores/item_stats.h"
#include "common/scores/score_rows.h"
#include "console/base/binding/table_binding.h"

namespace mendrix::scores {

// The save dialog's filters of the text export: the name it has always had
// first, and plain text, which is what the file holds.
inline constexpr std::string_view kExportFilter = "word文档 (*.doc);;文本文件 (*.txt)";
inline constexpr std::string_view kSpreadsheetFilter = "Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)";
inline constexpr std::string_view kStatisticsFilter = "CSV 文件 (*.csv)";
// "文件“NAME”已存在，要替换它吗？"
std::string replaceQuestion(const std::filesystem::path& path);

// Before a row of the score grid is stored: every part's score within its
// range (WIN题 0-20, 选择题 0-30, 打字题 0-20, Word题 0-32767), else a DbError
// naming the part and the range, and 总分 set to the sum of the parts (an
// empty part counting 0).
void settleScoreRow(kav::db::Cursor& row);

class ScoreListLogic {
public:
    ScoreListLogic(kav::console::TableBinding& binding, const kav::db::Cursor& score, kav::ui::Dialogs& dialogs);

    // "打印": the sheet of the cursor's rows at this moment, shown by showSheet.
    void BitBtn36Click();
    // "导出": the text file; a row GBK cannot hold refuses it before any file is chosen.
    void BitBtn42Click();
    // "导出表格": a spreadsheet (.xlsx) or, by its name, a CSV file.
    void BitBtnSpreadsheetClick();
    // "清库": deletes every row of the snapshot after the question.
    void BitBtn43Click() { binding_.removeAll(); }
    // "刷新": rereads the table; at the first row.
    void BitBtn29Click() { binding_.refresh(); }
    // "释放考生" (a lab on a server, where each report records its station and
    // another station's report of the candidate is refused): after a question
    // naming the current row's candidate, 取消 the default, lets any station
    // report the candidate again (one who moved to another station) and says so.
    void BitBtnReleaseClick();
    // Whether the lab has stations to release candidates from (release is set).
    bool releaseOffered() const { return static_cast<bool>(release); }
    // New reports were stored: rereads the table and stays on the row shown,
    // unless a row is being edited (false; the teacher's typing is kept).
    bool rereadAfterReports();

    std::function<void(const std::vector<ScoreRow>& rows)> showSheet;
    // Releases the candidate on the server; the number of score rows released.
    std::function<int(const std::string& zkzh)> release;
    // Told what an export wrote and where.
    std::function<void(std::string)> tellDone;

private:
    kav::console::TableBinding& binding_;
    const kav::db::Cursor& score_;
    kav::ui::Dialogs& dialogs_;
};

// Opens the teacher's database afresh, for work off the window's thread.
using TeacherConnector = std::function<std::unique_ptr<kav::db::Connection>()>;
// The drawn questions of the records' candidates, read from their work packs
// off the window's thread behind a progress box; nullopt when cancelled.
std::optional<DrawnQuestions> readDrawnQuestions(kav::ui::Dialogs& dialogs, const TeacherConnector& connectTeacher,
                                                 const std::vector<ExamRecord>& records);

// The release of a candidate on the lab server of `teacher` (as its owner);
// empty for teacher tables in a file, which record no station.
std::function<int(const std::string& zkzh)> candidateRelease(kav::db::Connection& teacher);

class AnswerAnalysisLogic {
public:
    AnswerAnalysisLogic(kav::console::TableBinding& binding, const kav::db::Cursor& condition,
                        const kav::db::Cursor& score, const kav::db::Cursor& selecttest, kav::ui::Dialogs& dialogs);

    // "全删" and "刷新" also forget the work packs read for the last count.
    void BitBtn44Click();
    void BitBtn45Click();
    // "统计": the item statistics of the snapshots of condition, score and
    // selecttest, with the questions the candidates drew from their work packs
    // (read once per refresh, through connectTeacher; without it, only the
    // recorded keys are compared with the bank).
    void BitBtnStatsClick();
    // "导出统计": the statistics as CSV.
    void BitBtnStatsExportClick();

    const std::optional<ItemStatistics>& statistics() const { return statistics_; }
    // The score distributions of the last count (empty before it).
    const std::vector<Histogram>& distributions() const { return distributions_; }
    // "统计：N 份答题记录，M 份没有成绩未计入", and how many records had no
    // work pack to compare the bank with (empty before the first count).
    std::string summaryText() const;
    // Told what an export wrote and where.
    std::function<void(std::string)> tellDone;
    TeacherConnector connectTeacher;

private:
    // Counts the statistics and the distributions afresh; false when the
    // reading of the work packs was cancelled (nothing changed then).
    bool count();
    kav::console::TableBinding& binding_;
    const kav::db::Cursor &condition_, &score_, &selecttest_;
    kav::ui::Dialogs& dialogs_;
    std::optional<ItemStatistics> statistics_;
    std::vector<Histogram> distributions_;
    std::optional<DrawnQuestions> drawn_;  // of the records since the last refresh
};

// The file the teacher chose, with `extension` added when the name has none;
// nothing when the dialog was cancelled or a replacement was declined. The
// save dialog itself asks about the name it returns; a name that gets its
// extension here is asked about here.
// "已导出12行成绩到/home/t/文档/成绩.xlsx" for the status bar.
std::string exportedText(std::size_t rows, const char* what, const std::filesystem::path& path);

std::optional<std::filesystem::path> chooseSaveFile(kav::ui::Dialogs& dialogs, const std::string& caption,
                                                    std::string_view filter, const std::string& extension);

}  // namespace mendrix::scores
