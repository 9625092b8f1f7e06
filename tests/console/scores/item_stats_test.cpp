// Item statistics on a hand-made set of exam records with known answers.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "common/scores/item_stats.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix::scores {
namespace {

using test::scoreRow;

// A bank whose questions are known only by their keys.
std::vector<ChoiceQuestion> keysOnly(const std::vector<std::string>& keys) {
    std::vector<ChoiceQuestion> bank;
    for (const std::string& k : keys) bank.push_back({"", {}, k});
    return bank;
}

// Five candidates with totals 90, 90, 60, 40 and 10 (the two 90s are the
// strong group), and one record whose candidate has no score row.
struct Lab {
    std::vector<ScoreRow> scores = {
        scoreRow("A", "甲", std::nullopt, 20, 0, 0, 30, 90),
        scoreRow("B", "乙", std::nullopt, 16, 0, 0, std::nullopt, 90),
        scoreRow("C", "丙", std::nullopt, 12, 0, 0, 24, 60),
        scoreRow("D", "丁", std::nullopt, 0, 0, 0, 0, 40),
        scoreRow("E", "戊", std::nullopt, std::nullopt, 0, 0, 0, 10),
        scoreRow("A", "甲", std::nullopt, 0, 0, 0, 0, 0),  // a later row of A: not used
    };
    std::vector<ExamRecord> records = {
        {"A", 1, 2, "1 2 3 5", "a b c b", "a c c b"},
        {"B", 1, 2, "1 2 4 5", "a b d b", "a c * b"},
        {"C", 2, 1, "1 2 3", "a b c", "a b c"},
        {"D", 0, 0, "1 2 3", "a b c", "b b *"},
        {"E", 2, 0, "1 3 9", "a c a", "b d a"},
        {"F", 1, 1, "1 2", "a b", "a b"},
    };
    std::vector<ChoiceQuestion> bank = keysOnly({"a", "b", "c", "d", "a"});  // question 5's key has changed since
};

const ChoiceStat& question(const ItemStatistics& s, int position) {
    for (const ChoiceStat& c : s.choices)
        if (c.position == position) return c;
    throw std::runtime_error("question " + std::to_string(position) + " missing");
}

TEST(ItemStatistics, CountsSharesDistributionAndFlagsPerQuestion) {
    Lab lab;
    const ItemStatistics s = computeItemStatistics(lab.records, lab.scores, lab.bank);
    EXPECT_EQ(s.candidates, 5);
    EXPECT_EQ(s.recordsWithoutScore, 1);
    ASSERT_EQ(s.choices.size(), 6u);

    struct Expected {
        int position, drawn, correct, unanswered;
        std::array<int, 4> chosen;
        unsigned flags;
        std::optional<double> discrimination;
    };
    const Expected expected[] = {
        {1, 5, 3, 0, {3, 2, 0, 0}, 0, 0.8807},
        {2, 4, 2, 0, {0, 2, 2, 0}, LikelyWrongKey, -0.9428},  // both strong candidates chose c over the key b
        {3, 4, 2, 1, {0, 0, 2, 1}, 0, 0.8575},
        {4, 1, 0, 1, {0, 0, 0, 0}, NoneCorrect, std::nullopt},
        {5, 2, 2, 0, {0, 2, 0, 0}, AllCorrect | BankChanged, std::nullopt},
        {9, 1, 1, 0, {1, 0, 0, 0}, AllCorrect | BankChanged, std::nullopt},  // beyond the bank
    };
    for (const Expected& e : expected) {
        const ChoiceStat& c = question(s, e.position);
        EXPECT_EQ(c.drawn, e.drawn) << "question " << e.position;
        EXPECT_EQ(c.correct, e.correct) << "question " << e.position;
        EXPECT_EQ(c.unanswered, e.unanswered) << "question " << e.position;
        EXPECT_EQ(c.chosen, e.chosen) << "question " << e.position;
        EXPECT_EQ(c.flags, e.flags) << "question " << e.position << ": " << flagsText(c.flags);
        ASSERT_EQ(c.discrimination.has_value(), e.discrimination.has_value()) << "question " << e.position;
        if (e.discrimination) {
            EXPECT_NEAR(*c.discrimination, *e.discrimination, 1e-4) << "question " << e.position;
        }
        EXPECT_DOUBLE_EQ(c.facility(), double(e.correct) / e.drawn);
    }
}

TEST(ItemStatistics, TasksByNumberWithMeanScoreAnEmptyScoreCountingZero) {
    Lab lab;
    const ItemStatistics s = computeItemStatistics(lab.records, lab.scores, lab.bank);
    struct Expected {
        int position, drawn;
        double mean;
    };
    auto check = [](const std::vector<TaskStat>& got, const std::vector<Expected>& want, const char* kind) {
        ASSERT_EQ(got.size(), want.size()) << kind;
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].position, want[i].position) << kind;
            EXPECT_EQ(got[i].drawn, want[i].drawn) << kind << " " << want[i].position;
            EXPECT_DOUBLE_EQ(got[i].meanScore, want[i].mean) << kind << " " << want[i].position;
        }
    };
    check(s.winTasks, {{1, 2, 18.0}, {2, 2, 6.0}}, "win");  // D drew none (0); E's empty score counts 0
    check(s.wordTasks, {{1, 1, 24.0}, {2, 2, 15.0}}, "word");
}

TEST(ItemStatistics, CsvHasOneRowPerQuestionWithNamedColumns) {
    Lab lab;
    const std::string csv = statisticsCsv(computeItemStatistics(lab.records, lab.scores, lab.bank));
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(csv.find("题型,题号,抽中次数,答对率,未答率,选A,选B,选C,选D,标准答案,区分度,平均分,标记\r\n"), std::string::npos);
    EXPECT_NE(csv.find("选择题,2,4,50.0%,0.0%,0,2,2,0,b,-0.943,,疑似答案错误\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("选择题,5,2,100.0%,0.0%,0,2,0,0,b,,,全部答对、题库已改动\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("WIN题,1,2,,,,,,,,,18.00,\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Word题,2,2,,,,,,,,,15.00,\r\n"), std::string::npos) << csv;
    size_t lines = 0;
    for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 1u + 6 + 2 + 2);
}

TEST(ItemStatistics, NoRecordsGiveNoRowsAndMalformedPositionsAreSkipped) {
    EXPECT_TRUE(computeItemStatistics({}, {}, {}).choices.empty());
    const ItemStatistics s = computeItemStatistics({{"A", 0, 0, "x 0 2", "a b c", "a b c"}},
                                                   {scoreRow("A", "", std::nullopt, 0, 0, 0, 0, 5)}, keysOnly({"a", "c"}));
    ASSERT_EQ(s.choices.size(), 1u);
    EXPECT_EQ(s.choices[0].position, 2);
    EXPECT_EQ(s.choices[0].key, "c");
    EXPECT_EQ(s.choices[0].correct, 1);
}

// A bank of 50 questions changed after the exam; candidate A drew positions
// 1-30, B 21-50, each with a work pack holding what was drawn, without one, or
// with the pack of another sitting (positions 1-30).
// Between neighbours the keys differ except after the questions in kSameKeyNext,
// so deleting question 1 keeps the key letter at those nine positions.
TEST(ItemStatistics, BankChangedComparesTheDrawnQuestionsAndFallsBackToKeysWithoutAPack) {
    const std::set<int> kSameKeyNext = {3, 8, 12, 17, 25, 31, 38, 42, 47};
    std::vector<ChoiceQuestion> old;
    char key = 'a';
    for (int n = 1; n <= 50; ++n) {
        const std::string t = std::to_string(n);
        old.push_back({"第" + t + "题", {t + "甲", t + "乙", t + "丙", t + "丁"}, std::string(1, key)});
        if (!kSameKeyNext.count(n)) key = key == 'd' ? 'a' : key + 1;
    }
    auto range = [](int from, int to, const std::set<int>& except = {}) {
        std::set<int> r;
        for (int n = from; n <= to; ++n)
            if (!except.count(n)) r.insert(n);
        return r;
    };
    auto join = [](std::set<int> a, const std::set<int>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };

    enum Pack { None, Same, Other };
    struct Case {
        const char* name;
        int deleted, reworded;  // the question deleted from the bank, the one whose option was reworded (0: none)
        Pack packA, packB;
        std::set<int> flagged;
        int comparedByKey;
    };
    const std::set<int> keysOnlyFrom31 = join(range(1, 30), range(31, 50, kSameKeyNext));
    const Case cases[] = {
        {"question 1 deleted, both packs", 1, 0, Same, Same, range(1, 50), 0},
        {"question 21 deleted, both packs", 21, 0, Same, Same, range(21, 50), 0},
        {"an option of question 7 reworded, both packs", 0, 7, Same, Same, {7}, 0},
        {"question 1 deleted, no packs: keys only", 1, 0, None, None, range(1, 50, kSameKeyNext), 2},
        {"question 1 deleted, B without a pack", 1, 0, Same, None, keysOnlyFrom31, 1},
        {"question 1 deleted, B's pack of another sitting", 1, 0, Same, Other, keysOnlyFrom31, 1},
        {"an option of question 7 reworded, no packs", 0, 7, None, None, {}, 2},
    };
    for (const Case& c : cases) {
        std::vector<ChoiceQuestion> bank = old;
        if (c.reworded) bank[c.reworded - 1].options[2] += "（改）";
        if (c.deleted) bank.erase(bank.begin() + (c.deleted - 1));

        std::vector<ExamRecord> records;
        DrawnQuestions drawn;
        for (auto [zkzh, from, pack] : {std::tuple{"A", 1, c.packA}, std::tuple{"B", 21, c.packB}}) {
            std::string positions, keys;
            for (int p = from; p < from + 30; ++p) {
                positions += std::to_string(p) + " ";
                keys += old[p - 1].key + " ";
                if (pack == Same) drawn[zkzh][p] = old[p - 1];
                if (pack == Other) drawn[zkzh][p - from + 1] = old[p - from];
            }
            records.push_back({zkzh, 0, 0, positions, keys, keys});
        }
        const ItemStatistics s = computeItemStatistics(
            records, {scoreRow("A", "甲", std::nullopt, 0, 30, 0, 0, 30), scoreRow("B", "乙", std::nullopt, 0, 30, 0, 0, 30)},
            bank, drawn);
        std::set<int> flagged;
        for (const ChoiceStat& q : s.choices)
            if (q.flags & BankChanged) flagged.insert(q.position);
        EXPECT_EQ(s.choices.size(), 50u) << c.name;
        EXPECT_EQ(flagged, c.flagged) << c.name;
        EXPECT_EQ(s.recordsComparedByKey, c.comparedByKey) << c.name;
    }
}

}  // namespace
}  // namespace mendrix::scores
