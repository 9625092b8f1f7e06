#pragma once
// Re-grading on the teacher's side: every part of a candidate's stored work
// pack graded again, as the exam client grades it, with the question bank's
// current answers; the outcome beside the score the station reported, and the
// new scores stored with a record of each change.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/core/datetime.h"
#include "common/db/database.h"
#include "common/pack/work_pack.h"
#include "common/scores/score_rows.h"
#include "common/word/grading.h"

namespace kav::regrade {

using pack::PartScores;

// The question bank's current answers, indexed by bank position − 1 (the
// position a station drew, as the exam record stores it).
struct CurrentAnswers {
    std::vector<std::string> choiceKeys;      // selecttest.correct_sel, lower case
    std::vector<std::string> wintaskAnswers;  // win.answer
    std::vector<std::string> wordAnswers;     // word.answer
};
// From the bank's whole-table cursors (their snapshots, not moved).
CurrentAnswers readCurrentAnswers(const db::Cursor& selecttest, const db::Cursor& win, const db::Cursor& word);
CurrentAnswers readCurrentAnswers(db::Connection& bank);

// Grades a Word document against an answer text: in the programs, the
// isolated grading program (a pack is the candidate's own file).
using WordGrader = std::function<word::WordGrade(const std::filesystem::path& document, const std::string& answerText)>;

// Grades one pack with the current answers: choice against the current keys
// of the drawn questions, typing from the typed and model texts, the Windows
// task and Word on the candidate folder unpacked into a private folder under
// scratch (removed again). A question or task no longer in the bank is graded
// with the answer the pack recorded.
PartScores gradePack(const pack::WorkPack& pack, const CurrentAnswers& answers, const WordGrader& wordGrader,
                     const std::filesystem::path& scratch);

// Removes an unpacked candidate folder, read-only parts included.
void removeUnpacked(const std::filesystem::path& folder);

// One candidate of the score list, re-graded.
struct Outcome {
    std::string admission, name;
    PartScores stored;                    // the score row as it is
    std::optional<PartScores> regraded;   // what the work gives; none without a readable pack
    std::string problem;                  // "无作答包" or why the pack could not be read
    bool differs() const { return regraded && *regraded != stored; }
};

// The pack of one admission number as stored (nullopt when there is none).
using PackLoader = std::function<std::optional<std::string>(const std::string& admission)>;
// Called after each candidate, from the calling thread or a worker, with the
// number done and the number in all; returning false stops before the next.
using Progress = std::function<bool(int done, int total)>;

// The stored part scores of a score row (an empty field as 0).
PartScores storedScores(const mendrix::scores::ScoreRow& row);

// Re-grades the candidates of rows, `workers` at a time (the Word grader's
// start dominates: as many as the machine has cores). The loader is called
// from one thread at a time. Outcomes in the order of rows; a stopped run
// returns those finished.
std::vector<Outcome> regradeAll(const std::vector<mendrix::scores::ScoreRow>& rows, const PackLoader& loadPack,
                                const CurrentAnswers& answers, const WordGrader& wordGrader,
                                const std::filesystem::path& scratch, int workers, const Progress& progress = {});

// The parts as the score list names them, in the order of PartScores.
enum class Part { Choice, Typing, Wintask, Word, Total };
inline constexpr Part kParts[] = {Part::Wintask, Part::Choice, Part::Typing, Part::Word, Part::Total};
std::string partTitle(Part part);   // "WIN", "选择", "打字", "word", "总分"
std::string partColumn(Part part);  // the score column: "win_cj" ...
std::int64_t scoreOf(const PartScores& scores, Part part);

// The table of old and new part scores, as the console's box and the
// terminal show it: a part that differs reads "old→new" and is marked; only
// the candidates that differ or have no readable pack when onlyDifferences.
struct TableCell {
    std::string text;
    bool changed = false;
};
struct TableRow {
    std::string admission, name;
    std::vector<TableCell> parts;  // in the order of kParts
    std::string note;              // the outcome's problem
};
std::vector<std::string> tableTitles();  // "准考证号", "姓名", the parts, "说明"
std::vector<TableRow> tableRows(const std::vector<Outcome>& outcomes, bool onlyDifferences);
// The same as tab-separated lines for a terminal, a changed part ending in "*".
std::string tableText(const std::vector<Outcome>& outcomes, bool onlyDifferences);

// The table of stored changes, kept on the teacher's side only: when, which
// candidate, which part, the old and the new score, by which account.
inline constexpr std::string_view kRegradeTable = "regrade";

// Stores the new scores of the outcomes that differ into `score` and one row
// of the regrade table for each changed part, all in one transaction. Returns
// the number of candidates changed. A score row that changed since it was
// read is left alone and named in the DbError (nothing is stored then).
int storeRegraded(db::Connection& teacher, const std::vector<Outcome>& outcomes, const std::string& account,
                  const DateTime& when);

// One stored change, as the regrade table holds it.
struct ChangeRecord {
    DateTime when;
    std::string admission, part;
    std::int64_t before = 0, after = 0;
    std::string account;
    bool operator==(const ChangeRecord&) const = default;
};
std::vector<ChangeRecord> readChangeRecords(db::Connection& teacher);
// The score list's mark of a re-graded candidate: "已重新评分：2026-12-10
// 16:30:00 admin word 6→10，总分 53→57" for the latest change, "" for none.
std::string regradeMark(const std::vector<ChangeRecord>& records, const std::string& admission);

}  // namespace kav::regrade
