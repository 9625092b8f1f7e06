#include "common/scores/item_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/core/ascii.h"
#include "common/core/tokens.h"
#include "common/db/values.h"
#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "common/scores/export_writers.h"

namespace mendrix::scores {

namespace {
constexpr int kChoiceCount = 30;  // a record's list holds thirty questions
constexpr double kStrongShare = 0.27;

std::optional<int> positionOf(std::string_view token) {
    if (token.empty() || token.size() > 9) return std::nullopt;
    int n = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n > 0 ? std::optional<int>(n) : std::nullopt;
}

int optionIndex(std::string_view answer) {
    return answer.size() == 1 && answer[0] >= 'a' && answer[0] <= 'd' ? answer[0] - 'a' : -1;
}

std::string at(const std::vector<std::string_view>& tokens, size_t i) {
    return i < tokens.size() ? std::string(tokens[i]) : std::string();
}

// One candidate's answer to one drawn question.
struct Response {
    double total;
    bool strong;
    std::string key, answer;
    bool bankChanged;  // the bank's question at the position is no longer the one drawn
    bool correct() const { return answer == key; }
};

// The point-biserial correlation of being right with the total score; none
// when it is undefined (fewer than two, all right, all wrong, equal totals).
std::optional<double> pointBiserial(const std::vector<Response>& responses) {
    const double n = static_cast<double>(responses.size());
    if (n < 2) return std::nullopt;
    double sum = 0, sumSq = 0, sumRight = 0, right = 0;
    for (const Response& r : responses) {
        sum += r.total;
        sumSq += r.total * r.total;
        if (r.correct()) {
            ++right;
            sumRight += r.total;
        }
    }
    const double mean = sum / n, sd = std::sqrt(std::max(0.0, sumSq / n - mean * mean));
    if (right == 0 || right == n || sd < 1e-12) return std::nullopt;
    const double p = right / n;
    const double meanRight = sumRight / right, meanWrong = (sum - sumRight) / (n - right);
    return (meanRight - meanWrong) / sd * std::sqrt(p * (1 - p));
}

// Whether the bank's question at `position` is no longer the one drawn: the
// question in the work pack when there is one, else only its recorded key.
bool bankChanged(const std::vector<ChoiceQuestion>& bank, const std::map<int, ChoiceQuestion>* drawn, int position,
                 const std::string& recordedKey) {
    if (position > static_cast<int>(bank.size())) return true;
    const ChoiceQuestion& now = bank[position - 1];
    if (drawn)
        if (auto seen = drawn->find(position); seen != drawn->end()) return !(seen->second == now);
    return kav::lowerAscii(recordedKey) != now.key;
}

// Whether a work pack's questions are those of this record: every position
// the record lists is in the pack with the recorded key (a pack of another
// sitting of the candidate is not).
bool sameSitting(const ExamRecord& record, const std::map<int, ChoiceQuestion>& questions) {
    const auto positions = kav::splitTokens(record.sel_arr1);
    const auto keys = kav::splitTokens(record.sel_arr2);
    for (size_t i = 0; i < positions.size() && i < kChoiceCount; ++i) {
        auto position = positionOf(positions[i]);
        if (!position) continue;
        auto seen = questions.find(*position);
        if (seen == questions.end() || seen->second.key != kav::lowerAscii(at(keys, i))) return false;
    }
    return true;
}

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}
std::string percent(double share) { return fixed(share * 100, 1) + "%"; }
}  // namespace

std::string flagsText(unsigned flags) {
    static const std::pair<ChoiceFlag, const char*> names[] = {
        {NoneCorrect, "无人答对"}, {AllCorrect, "全部答对"}, {LikelyWrongKey, "疑似答案错误"}, {BankChanged, "题库已改动"}};
    std::string text;
    for (auto [flag, name] : names)
        if (flags & flag) text += (text.empty() ? "" : "、") + std::string(name);
    return text;
}

std::vector<ExamRecord> readExamRecords(const kav::db::Cursor& condition) {
    const kav::db::TableDef& def = condition.definition();
    auto column = [&](int row, const char* name) { return condition.rowValue(row, def.indexOf(name)); };
    std::vector<ExamRecord> records;
    for (int r = 1; r <= condition.recordCount(); ++r) {
        records.push_back({kav::db::readString(column(r, "zkzh")), kav::db::readInteger(column(r, "winno")),
                           kav::db::readInteger(column(r, "wordno")), kav::db::readString(column(r, "sel_arr1")),
                           kav::db::readString(column(r, "sel_arr2")), kav::db::readString(column(r, "sel_arr3"))});
    }
    return records;
}

std::vector<ChoiceQuestion> readBankQuestions(const kav::db::Cursor& selecttest) {
    const kav::db::TableDef& def = selecttest.definition();
    const int stem = def.indexOf("select_question"), key = def.indexOf("correct_sel");
    const int options[] = {def.indexOf("sel_a"), def.indexOf("sel_b"), def.indexOf("sel_c"), def.indexOf("sel_d")};
    std::vector<ChoiceQuestion> bank;
    for (int r = 1; r <= selecttest.recordCount(); ++r) {
        ChoiceQuestion q;
        q.stem = kav::db::readString(selecttest.rowValue(r, stem));
        for (int o = 0; o < 4; ++o) q.options[o] = kav::db::readString(selecttest.rowValue(r, options[o]));
        q.key = kav::lowerAscii(kav::db::readString(selecttest.rowValue(r, key)));
        bank.push_back(std::move(q));
    }
    return bank;
}

std::optional<DrawnQuestions> loadDrawnQuestions(kav::db::Connection& teacher, const std::vector<ExamRecord>& records,
                                                 const std::function<bool(int, int)>& progress) {
    // One listing, then only the packs that exist are read.
    const auto stored = kav::pack::packAdmissions(teacher);
    std::vector<std::string> wanted;
    for (const ExamRecord& r : records)
        if (std::binary_search(stored.begin(), stored.end(), r.zkzh)) wanted.push_back(r.zkzh);
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());

    DrawnQuestions drawn;
    int done = 0;
    for (const std::string& admission : wanted) {
        if (auto bytes = kav::pack::loadPack(teacher, admission)) {
            try {
                auto& questions = drawn[admission];
                for (const kav::pack::PackedChoice& c : kav::pack::readPack(*bytes).choices)
                    questions[c.position] = {c.stem, c.options, kav::lowerAscii(c.key)};
            } catch (const kav::pack::PackError&) {
                drawn.erase(admission);  // a damaged pack tells nothing: the keys are compared
            }
        }
        if (progress && !progress(++done, static_cast<int>(wanted.size()))) return std::nullopt;
    }
    return drawn;
}

ItemStatistics computeItemStatistics(const std::vector<ExamRecord>& records, const std::vector<ScoreRow>& scores,
                                     const std::vector<ChoiceQuestion>& bank, const DrawnQuestions& packs) {
    ItemStatistics stats;
    std::map<std::string, const ScoreRow*> scoreOf;  // the first row of each admission number
    for (const ScoreRow& s : scores) scoreOf.emplace(s.zkzh, &s);

    struct Joined {
        const ExamRecord* record;
        const ScoreRow* score;
        const std::map<int, ChoiceQuestion>* drawn;  // none without a work pack
    };
    std::vector<Joined> joined;
    for (const ExamRecord& r : records) {
        auto found = scoreOf.find(r.zkzh);
        if (found == scoreOf.end()) {
            ++stats.recordsWithoutScore;
            continue;
        }
        const std::map<int, ChoiceQuestion>* drawn = nullptr;
        if (auto pack = packs.find(r.zkzh); pack != packs.end() && sameSitting(r, pack->second)) drawn = &pack->second;
        if (!drawn) ++stats.recordsComparedByKey;
        joined.push_back({&r, found->second, drawn});
    }
    stats.candidates = static_cast<int>(joined.size());

    // Strong candidates: those whose total reaches the score of the candidate
    // at the upper 27 % mark (ties at the mark all count as strong).
    auto total = [](const ScoreRow& s) { return static_cast<double>(s.kscj.value_or(0)); };
    std::vector<double> totals;
    for (const Joined& j : joined) totals.push_back(total(*j.score));
    std::sort(totals.rbegin(), totals.rend());
    const double strongMark =
        totals.empty() ? 0 : totals[std::max<size_t>(1, std::lround(kStrongShare * totals.size())) - 1];

    std::map<int, std::vector<Response>> responses;
    std::map<int, std::pair<int, double>> win, word;  // position -> drawn, score sum
    for (const Joined& j : joined) {
        const auto positions = kav::splitTokens(j.record->sel_arr1);
        const auto keys = kav::splitTokens(j.record->sel_arr2);
        const auto answers = kav::splitTokens(j.record->sel_arr3);
        const double t = total(*j.score);
        for (size_t i = 0; i < positions.size() && i < kChoiceCount; ++i) {
            auto position = positionOf(positions[i]);
            if (!position) continue;
            const std::string key = at(keys, i);
            responses[*position].push_back(
                {t, t >= strongMark, key, at(answers, i), bankChanged(bank, j.drawn, *position, key)});
        }
        if (j.record->winno > 0) {
            auto& [drawn, sum] = win[static_cast<int>(j.record->winno)];
            ++drawn;
            sum += static_cast<double>(j.score->win_cj.value_or(0));
        }
        if (j.record->wordno > 0) {
            auto& [drawn, sum] = word[static_cast<int>(j.record->wordno)];
            ++drawn;
            sum += static_cast<double>(j.score->word_cj.value_or(0));
        }
    }

    for (const auto& [position, list] : responses) {
        ChoiceStat s;
        s.position = position;
        s.key = list.front().key;
        s.drawn = static_cast<int>(list.size());
        std::array<int, 4> strongChose{};
        int strongAnswered = 0;
        for (const Response& r : list) {
            const int option = optionIndex(r.answer);
            if (r.correct()) ++s.correct;
            if (option < 0) ++s.unanswered;
            else {
                ++s.chosen[option];
                if (r.strong) {
                    ++strongAnswered;
                    ++strongChose[option];
                }
            }
            if (r.bankChanged) s.flags |= BankChanged;
        }
        s.discrimination = pointBiserial(list);
        if (s.correct == 0) s.flags |= NoneCorrect;
        if (s.correct == s.drawn) s.flags |= AllCorrect;
        const int favourite = static_cast<int>(std::max_element(strongChose.begin(), strongChose.end()) - strongChose.begin());
        if (strongAnswered >= 2 && 2 * strongChose[favourite] > strongAnswered && favourite != optionIndex(s.key))
            s.flags |= LikelyWrongKey;
        stats.choices.push_back(std::move(s));
    }
    for (auto [map, out] : {std::pair{&win, &stats.winTasks}, std::pair{&word, &stats.wordTasks}})
        for (const auto& [position, drawnAndSum] : *map)
            out->push_back({position, drawnAndSum.first, drawnAndSum.second / drawnAndSum.first});
    return stats;
}

std::vector<std::string> statisticsHeaders() {
    return {"题型", "题号", "抽中次数", "答对率", "未答率", "选A", "选B", "选C", "选D", "标准答案", "区分度", "平均分", "标记"};
}

std::vector<std::vector<std::string>> statisticsRows(const ItemStatistics& stats) {
    std::vector<std::vector<std::string>> rows;
    for (const ChoiceStat& s : stats.choices) {
        rows.push_back({"选择题", std::to_string(s.position), std::to_string(s.drawn), percent(s.facility()),
                        percent(s.unansweredShare()), std::to_string(s.chosen[0]), std::to_string(s.chosen[1]),
                        std::to_string(s.chosen[2]), std::to_string(s.chosen[3]), s.key,
                        s.discrimination ? fixed(*s.discrimination, 3) : std::string(), "", flagsText(s.flags)});
    }
    for (auto [kind, list] : {std::pair{"WIN题", &stats.winTasks}, std::pair{"Word题", &stats.wordTasks}})
        for (const TaskStat& t : *list)
            rows.push_back({kind, std::to_string(t.position), std::to_string(t.drawn), "", "", "", "", "", "", "", "",
                            fixed(t.meanScore, 2), ""});
    return rows;
}

std::string statisticsCsv(const ItemStatistics& stats) {
    std::string out = "\xEF\xBB\xBF" + csvLine(statisticsHeaders()) + "\r\n";
    for (const auto& row : statisticsRows(stats)) out += csvLine(row) + "\r\n";
    return out;
}

}  // namespace mendrix::scores
