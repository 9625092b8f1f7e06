#pragma once
// What the score charts show, toolkit-free: the distribution of the totals and
// of each part as histograms, and every choice question as a point of
// facility against discrimination, flagged ones marked.
#include <string>
#include <vector>

#include "common/scores/item_stats.h"
#include "common/scores/score_rows.h"

namespace mendrix::scores {

struct Histogram {
    std::string title;        // "总分", "WIN题", ...
    int binWidth = 1;         // bin i holds the scores [i·binWidth, (i+1)·binWidth), the last one also its top
    std::vector<int> counts;  // ten bins from 0
    int empty = 0;            // rows without this score, left out
    int largest() const;
    // The label of bin i: "30-39", or "90-100" for the last.
    std::string binLabel(std::size_t i) const;
};

// One histogram for the total and one for each part, in the sheet's order.
// A bin is a tenth of the range 0 .. the highest score rounded up to ten; a
// negative score counts in the first bin.
std::vector<Histogram> scoreDistributions(const std::vector<ScoreRow>& rows);

struct ItemPoint {
    int position = 0;
    double facility = 0;        // 0..1
    double discrimination = 0;  // -1..1
    bool flagged = false;
};
// The drawn choice questions that have a discrimination.
std::vector<ItemPoint> itemPoints(const ItemStatistics& stats);
// What the item chart says when it has no point, and why (none without statistics).
std::string emptyItemChartText(const ItemStatistics* stats);

}  // namespace mendrix::scores
