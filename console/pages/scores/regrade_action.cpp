#include "console/pages/scores/regrade_action.h"

#include <algorithm>
#include <set>

#include "common/pack/pack_store.h"

namespace mendrix::scores {

using kav::regrade::Outcome;
using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;

namespace {

std::string summaryOf(const std::vector<Outcome>& outcomes) {
    const auto differ = std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.differs(); });
    const auto without = std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return !o.regraded; });
    return "共 " + std::to_string(outcomes.size()) + " 名考生：" + std::to_string(differ) + " 名的成绩与答卷不符，" +
           std::to_string(without) + " 名没有可评的作答包";
}

}  // namespace

std::optional<std::vector<ScoreRow>> RegradeAction::chooseRows(const std::vector<ScoreRow>& rows,
                                                               const std::vector<std::string>& chosen,
                                                               const std::string& what) {
    const std::set<std::string> wanted(chosen.begin(), chosen.end());
    std::vector<ScoreRow> picked;
    for (const ScoreRow& r : rows)
        if (wanted.count(r.zkzh)) picked.push_back(r);
    const std::string all = "全部 " + std::to_string(rows.size()) + " 名考生";
    if (picked.empty() || picked.size() == rows.size()) {
        if (env_.dialogs.message(MessageKind::Question, what + all + "？", Buttons::OkCancel) != Answer::Ok)
            return std::nullopt;
        return rows;
    }
    const std::string some = picked.size() == 1 ? "选中的考生 " + picked.front().zkzh
                                                : "选中的 " + std::to_string(picked.size()) + " 名考生";
    switch (env_.dialogs.message(MessageKind::Question, what + some + "（是），还是" + all + "（否）？",
                                 Buttons::YesNoCancel)) {
        case Answer::Yes: return picked;
        case Answer::No: return rows;
        default: return std::nullopt;
    }
}

std::vector<Outcome> RegradeAction::run(const std::vector<ScoreRow>& rows, const std::string& label) {
    const kav::regrade::CurrentAnswers answers = env_.currentAnswers();
    std::vector<Outcome> outcomes;
    env_.dialogs.runWithProgress(label, [&](const kav::ui::Dialogs::Progress& progress) {
        auto teacher = env_.connectTeacher();
        const kav::regrade::PackLoader load = [&teacher](const std::string& admission) {
            return kav::pack::loadPack(*teacher, admission);
        };
        outcomes = kav::regrade::regradeAll(rows, load, answers, env_.gradeWord, env_.scratch, env_.workers,
                                            [&progress](int done, int total) {
                                                progress.report(done, total);
                                                return !progress.cancelled();
                                            });
    });
    return outcomes;
}

int RegradeAction::regrade(const std::vector<ScoreRow>& rows) {
    const auto outcomes = run(rows, "正在重新评分……");
    if (outcomes.size() < rows.size()) {
        env_.dialogs.message(MessageKind::Information, "重新评分已取消，没有保存任何成绩。");
        return 0;
    }
    RegradeReview view{"重新评分", summaryOf(outcomes), kav::regrade::tableTitles(),
                       kav::regrade::tableRows(outcomes, false), true};
    if (!std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.differs(); })) {
        view.asksToStore = false;
        review(view);
        return 0;
    }
    if (!review(view)) return 0;
    auto teacher = env_.connectTeacher();
    const int stored = kav::regrade::storeRegraded(*teacher, outcomes, env_.account(), env_.now());
    env_.dialogs.message(MessageKind::Information, "已保存 " + std::to_string(stored) + " 名考生的新成绩，每项改动都已记录。");
    return stored;
}

void RegradeAction::check(const std::vector<ScoreRow>& rows) {
    const auto outcomes = run(rows, "正在核对成绩……");
    RegradeReview view{"核对", summaryOf(outcomes), kav::regrade::tableTitles(),
                       kav::regrade::tableRows(outcomes, true), false};
    if (outcomes.size() < rows.size()) view.summary = "核对已取消。" + view.summary;
    review(view);
}

int RegradeAction::offerPackRemoval(const std::vector<std::string>& admissions) {
    auto teacher = env_.connectTeacher();
    std::vector<std::string> withPack;
    const auto stored = kav::pack::packAdmissions(*teacher);
    for (const std::string& a : admissions)
        if (std::binary_search(stored.begin(), stored.end(), a)) withPack.push_back(a);
    if (withPack.empty()) return 0;
    if (env_.dialogs.message(MessageKind::Question,
                             "同时删除这 " + std::to_string(withPack.size()) + " 名考生的作答包吗？删除后不能再重新评分。",
                             Buttons::OkNoSafe) != Answer::Ok)
        return 0;
    for (const std::string& a : withPack) kav::pack::removePack(*teacher, a);
    return static_cast<int>(withPack.size());
}

}  // namespace mendrix::scores
