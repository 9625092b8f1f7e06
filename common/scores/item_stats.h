#pragma once
// Item statistics over the reported exam records: for every choice question
// how often it was drawn, how often it was answered correctly or not at all,
// which options were chosen and how well it separates strong from weak
// candidates; for the Windows and Word tasks how often each was drawn and its
// mean score; and flags for questions worth a second look.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
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

// A choice question as a candidate saw it: the stem, the four options and the
// key (in lower case).
struct ChoiceQuestion {
    std::string stem;
    std::array<std::string, 4> options;
    std::string key;
    bool operator==(const ChoiceQuestion&) const = default;
};
// The current bank's choice questions by position (index 0 is position 1).
std::vector<ChoiceQuestion> readBankQuestions(const kav::db::Cursor& selecttest);

// The questions each candidate drew, as the candidate's work pack holds them:
// admission number -> position -> question.
using DrawnQuestions = std::map<std::string, std::map<int, ChoiceQuestion>>;
// The drawn questions of the records' candidates from their stored work
// packs; a candidate without a pack, or whose pack cannot be read, has none.
// `progress(done, total)` is told after each pack and stops the reading by
// returning false (nullopt then). DbError when the packs cannot be listed or read.
std::optional<DrawnQuestions> loadDrawnQuestions(kav::db::Connection& teacher, const std::vector<ExamRecord>& records,
                                                 const std::function<bool(int, int)>& progress = {});

enum ChoiceFlag : unsigned {
    NoneCorrect = 1,     // drawn, and no one answered it correctly
    AllCorrect = 2,      // drawn, and everyone answered it correctly
    LikelyWrongKey = 4,  // most strong candidates chose one other option
    BankChanged = 8,     // the bank's question at this position is no longer the one drawn
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
    // Counted records without a work pack of their sitting: their drawn
    // questions are known only by their keys, so a changed question with the
    // same key goes unnoticed.
    int recordsComparedByKey = 0;
};

// Records are joined with the first score row of the same admission number;
// a record without one is left out and counted. An empty total counts 0.
// A drawn position is BankChanged when the bank's question there differs in
// stem, options or key from the one in the candidate's work pack (`packs`), or,
// for a record without a pack or whose pack is of another sitting (a position
// of the record missing from it, or with another key), when the recorded key
// differs from the bank's; a position past the bank's end always is.
ItemStatistics computeItemStatistics(const std::vector<ExamRecord>& records, const std::vector<ScoreRow>& scores,
                                     const std::vector<ChoiceQuestion>& bank, const DrawnQuestions& packs = {});

// One CSV row per question (UTF-8 with a byte-order mark, CR LF), choice
// questions first, then the Windows and the Word tasks; docs/teacher-guide.md describes the columns.
std::string statisticsCsv(const ItemStatistics& stats);
// The column titles of that CSV and of the page's table.
std::vector<std::string> statisticsHeaders();
// The cells of every row, in the same order as the CSV.
std::vector<std::vector<std::string>> statisticsRows(const ItemStatistics& stats);

}  // namespace mendrix::scores
