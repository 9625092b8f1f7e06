// What the score charts count: the bins of the distributions and the points
// of the item chart.
#include <gtest/gtest.h>

#include "common/scores/charts.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix::scores {
namespace {

using test::scoreRow;

TEST(ScoreCharts, DistributionsBinTotalsAndPartsByTheirOwnRange) {
    std::vector<ScoreRow> rows;
    for (auto [win, total] : std::vector<std::pair<std::optional<std::int64_t>, std::optional<std::int64_t>>>{
             {0, 0}, {5, 55}, {18, 100}, {17, 100}, {std::nullopt, std::nullopt}, {-1, -3}, {1, 9}})
        rows.push_back(scoreRow("1", "甲", std::nullopt, win, 10, 10, 10, total));
    const auto h = scoreDistributions(rows);
    ASSERT_EQ(h.size(), 5u);
    EXPECT_EQ(h[0].title, "总分");
    EXPECT_EQ(h[1].title, "WIN题");
    struct Expect {
        std::size_t series;
        int binWidth;
        std::vector<int> counts;
        int empty;
    };
    const Expect expected[] = {
        // 0, -3 and 9 in 0-9; 55 in 50-59; the top 100 counts in the last bin.
        {0, 10, {3, 0, 0, 0, 0, 1, 0, 0, 0, 2}, 1},
        // WIN scores up to 18: a range of 20 in bins of 2.
        {1, 2, {3, 0, 1, 0, 0, 0, 0, 0, 1, 1}, 1},
        // Every choice score 10: a range of 10 in bins of 1, 10 in the last.
        {2, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 7}, 0},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(h[e.series].title);
        EXPECT_EQ(h[e.series].binWidth, e.binWidth);
        EXPECT_EQ(h[e.series].counts, e.counts);
        EXPECT_EQ(h[e.series].empty, e.empty);
    }
    EXPECT_EQ(h[0].largest(), 3);
    EXPECT_EQ(h[0].binLabel(0), "0-9");
    EXPECT_EQ(h[0].binLabel(9), "90-100");
    EXPECT_EQ(h[2].binLabel(3), "3");
    EXPECT_EQ(h[2].binLabel(9), "9-10");
    EXPECT_EQ(scoreDistributions({})[0].counts, std::vector<int>(10, 0));
}

TEST(ScoreCharts, ItemPointsAreTheDrawnQuestionsWithADiscrimination) {
    ItemStatistics stats;
    stats.choices.resize(3);
    stats.choices[0] = {.position = 1, .drawn = 4, .correct = 3, .discrimination = 0.5};
    stats.choices[1] = {.position = 2, .drawn = 4, .correct = 4, .flags = AllCorrect};  // no discrimination
    stats.choices[2] = {.position = 3, .drawn = 4, .correct = 1, .discrimination = -0.25, .flags = LikelyWrongKey};
    const auto points = itemPoints(stats);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].position, 1);
    EXPECT_DOUBLE_EQ(points[0].facility, 0.75);
    EXPECT_FALSE(points[0].flagged);
    EXPECT_EQ(points[1].position, 3);
    EXPECT_DOUBLE_EQ(points[1].discrimination, -0.25);
    EXPECT_TRUE(points[1].flagged);
    // An empty chart says why: no statistics or nothing drawn, or no question with a discrimination.
    EXPECT_EQ(emptyItemChartText(nullptr), "没有可画的选择题（要有答题记录和成绩）");
    stats.choices[0].discrimination = stats.choices[2].discrimination = std::nullopt;  // every total the same
    EXPECT_TRUE(itemPoints(stats).empty());
    EXPECT_EQ(emptyItemChartText(&stats).rfind("算不出区分度", 0), 0u);
    for (auto& c : stats.choices) c.drawn = 0;
    EXPECT_EQ(emptyItemChartText(&stats), "没有可画的选择题（要有答题记录和成绩）");
}

}  // namespace
}  // namespace mendrix::scores
