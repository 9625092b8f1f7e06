#pragma once
// Item statistics over the reported exam records: for every choice question
// how often it was drawn, how often it was answered correctly or not at all,
// which options were chosen and how well it separates strong from weak
// candidates; for the Windows and Word tasks how often each was drawn and its
// mean score; and flags for questions worth a second look.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/scores/score_rows.h"

namespace mendrix::scores {

// What the statistics need of one row of `condition`.
struct ExamRecord {
    std::string zkzh;
    std::int64_t winno = 0, wordno = 0;
    std::string sel_arr1, sel_arr2, sel_arr3;  // positions, recorded keys, answers
};
std::vector<ExamRecord> readExamRecords(const kav::db::Cursor& condition);
// The current bank's key of every choice question by position (index 0 is
// position 1), in lower case.
std::vector<std::string> readBankKeys(const kav::db::Cursor& selecttest);

enum ChoiceFlag : unsigned {
    NoneCorrect = 1,     // drawn, and no one answered it correctly
    AllCorrect = 2,      // drawn, and everyone answered it correctly
    LikelyWrongKey = 4,  // most strong candidates chose one other option
    BankChanged = 8,     // a recorded key differs from the bank's key at this position
};
// "无人答对", "全部答对", "疑似答案错误", "题库已改动", joined by "、".
std::string flagsText(unsigned flags);

struct ChoiceStat {
    int position = 0;       // in `selecttest`
    std::string key;        // as recorded by the first record that drew it
    int drawn = 0, correct = 0, unanswered = 0;
    std::array<int, 4> chosen{};               // a, b, c, d
    std::optional<double> discrimination;      // point-biserial correlation with the total
    unsigned flags = 0;
    double facility() const { return drawn ? double(correct) / drawn : 0.0; }
    double unansweredShare() const { return drawn ? double(unanswered) / drawn : 0.0; }
};

struct TaskStat {
    int position = 0;  // winno or wordno
    int drawn = 0;
    double meanScore = 0;  // win_cj or word_cj, an empty score counting 0
};

struct ItemStatistics {
    std::vector<ChoiceStat> choices;  // by position
    std::vector<TaskStat> winTasks, wordTasks;
    int candidates = 0;              // records with a score row
    int recordsWithoutScore = 0;     // left out
};

// Records are joined with the first score row of the same admission number;
// a record without one is left out and counted. An empty total counts 0.
ItemStatistics computeItemStatistics(const std::vector<ExamRecord>& records, const std::vector<ScoreRow>& scores,
                                     const std::vector<std::string>& bankKeys);

// One CSV row per question (UTF-8 with a byte-order mark, CR LF), choice
// questions first, then the Windows and the Word tasks; docs/teacher-guide.md describes the columns.
std::string statisticsCsv(const ItemStatistics& stats);
// The column titles of that CSV and of the page's table.
std::vector<std::string> statisticsHeaders();
// The cells of every row, in the same order as the CSV.
std::vector<std::vector<std::string>> statisticsRows(const ItemStatistics& stats);

}  // namespace mendrix::scores
