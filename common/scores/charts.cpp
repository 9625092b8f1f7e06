#include "common/scores/charts.h"

#include <algorithm>

#include "common/scores/sheet_layout.h"

namespace mendrix::scores {

namespace {
constexpr int kBins = 10;
}

int Histogram::largest() const { return counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end()); }

std::string Histogram::binLabel(std::size_t i) const {
    const int low = static_cast<int>(i) * binWidth;
    const int high = i + 1 == counts.size() ? low + binWidth : low + binWidth - 1;
    return binWidth == 1 && i + 1 != counts.size() ? std::to_string(low) : std::to_string(low) + "-" + std::to_string(high);
}

std::vector<Histogram> scoreDistributions(const std::vector<ScoreRow>& rows) {
    using Field = std::optional<std::int64_t> ScoreRow::*;
    const std::pair<ScoreField, Field> series[] = {
        {Kscj, &ScoreRow::kscj},         {WinCj, &ScoreRow::win_cj}, {SelectCj, &ScoreRow::select_cj},
        {DzCj, &ScoreRow::dz_cj},        {WordCj, &ScoreRow::word_cj},
    };
    std::vector<Histogram> out;
    for (auto [field, member] : series) {
        Histogram h;
        h.title = std::string(kSheetHeaders[field]);
        std::int64_t highest = 0;
        for (const ScoreRow& row : rows)
            if (const auto& score = row.*member) highest = std::max(highest, *score);
        const std::int64_t top = std::max<std::int64_t>(kBins, (highest + kBins - 1) / kBins * kBins);
        h.binWidth = static_cast<int>(top / kBins);
        h.counts.assign(kBins, 0);
        for (const ScoreRow& row : rows) {
            const auto& score = row.*member;
            if (!score) {
                ++h.empty;
                continue;
            }
            const std::int64_t bin = std::clamp<std::int64_t>(*score / h.binWidth, 0, kBins - 1);
            ++h.counts[static_cast<std::size_t>(bin)];
        }
        out.push_back(std::move(h));
    }
    return out;
}

std::vector<ItemPoint> itemPoints(const ItemStatistics& stats) {
    std::vector<ItemPoint> out;
    for (const ChoiceStat& c : stats.choices)
        if (c.drawn > 0 && c.discrimination) out.push_back({c.position, c.facility(), *c.discrimination, c.flags != 0});
    return out;
}

std::string emptyItemChartText(const ItemStatistics* stats) {
    const bool drawn = stats && std::any_of(stats->choices.begin(), stats->choices.end(),
                                            [](const ChoiceStat& c) { return c.drawn > 0; });
    // A discrimination needs two candidates whose totals differ and a question
    // some got right and some wrong.
    return drawn ? "算不出区分度：\n答题的考生不到两人、总分都相同，\n或每道题都全对或全错"
                 : "没有可画的选择题（要有答题记录和成绩）";
}

}  // namespace mendrix::scores
