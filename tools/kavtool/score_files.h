#pragma once
// What `kavtool scores` and `kavtool archive` both write from a teacher
// database: its score rows, the printed sheet as PDF and the item statistics
// against the question bank beside it.
#include <filesystem>
#include <optional>
#include <vector>

#include "common/scores/item_stats.h"
#include "common/scores/score_rows.h"

namespace kavtool {

std::vector<mendrix::scores::ScoreRow> scoreRows(const std::filesystem::path& teacherDb);
// The item statistics of the records in teacherDb against the stu.mdb beside it.
mendrix::scores::ItemStatistics itemStatistics(const std::filesystem::path& teacherDb);
// The printed sheet; its item chart when the bank is beside teacherDb.
void writeSheetPdf(const std::filesystem::path& teacherDb, const std::vector<mendrix::scores::ScoreRow>& rows,
                   const std::filesystem::path& out);

}  // namespace kavtool
