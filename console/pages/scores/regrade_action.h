#pragma once
// 重新评分 and 核对 of the score list: the chosen candidates' work packs graded
// again with the bank's current answers off the window's thread (a progress
// box), the table of old and new part scores shown, and the new scores stored
// only when the teacher confirms. 核对 stores nothing. The grading itself is
// common/regrade; this is the page's side of it.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/regrade/regrade.h"
#include "common/scores/score_rows.h"
#include "common/ui/dialogs.h"

namespace mendrix::scores {

// What the table box shows.
struct RegradeReview {
    std::string title;    // "重新评分" or "核对"
    std::string summary;  // "共 N 名考生：M 名的成绩与答卷不符，K 名没有可评的作答包"
    std::vector<std::string> titles;
    std::vector<kav::regrade::TableRow> rows;
    bool asksToStore = false;  // 确定 / 取消, else 关闭
};

struct RegradeEnv {
    kav::ui::Dialogs& dialogs;
    // The teacher's database (teacher.mdb or teacher.udl), opened by the worker on its own.
    std::function<std::unique_ptr<kav::db::Connection>()> connectTeacher;
    std::function<kav::regrade::CurrentAnswers()> currentAnswers;  // on the window's thread
    kav::regrade::WordGrader gradeWord;
    std::function<std::string()> account;
    std::function<kav::DateTime()> now;
    std::filesystem::path scratch;  // where packs are unpacked
    int workers = 1;
};

class RegradeAction {
public:
    explicit RegradeAction(RegradeEnv env) : env_(std::move(env)) {}

    // The candidates of rows whose admission number is in `chosen`, or all of
    // them: the teacher is asked which when some are chosen. Empty when cancelled.
    std::optional<std::vector<ScoreRow>> chooseRows(const std::vector<ScoreRow>& rows,
                                                    const std::vector<std::string>& chosen, const std::string& what);
    // 重新评分: returns the number of candidates whose new scores were stored.
    int regrade(const std::vector<ScoreRow>& rows);
    // 核对: lists the candidates whose stored score differs from their work.
    void check(const std::vector<ScoreRow>& rows);

    // After 清库: asks whether to delete the work packs of these candidates,
    // whose score rows went, too (否 the default). Returns how many were deleted.
    int offerPackRemoval(const std::vector<std::string>& admissions);

    // The table box; true when the teacher pressed 确定.
    std::function<bool(const RegradeReview&)> review;

private:
    std::vector<kav::regrade::Outcome> run(const std::vector<ScoreRow>& rows, const std::string& label);
    RegradeEnv env_;
};

}  // namespace mendrix::scores
