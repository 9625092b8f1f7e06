#pragma once
// The Word grading engine: grades a saved .docx against a task's answer text,
// rule by rule and part by part. Both programs and kavtool use it; the exam
// window's entry point that records the score is client/grading/word/word_click.h.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kav::word {

class Document;

// The largest score a rule may give, and the most a part or the task totals:
// the score columns (student.word_cj, the total kscj) are small integers.
constexpr int kMaxScore = 32767;

// The most characters of an observed text a grade keeps; a longer one is cut
// there and ends in "…".
constexpr std::size_t kMaxObservedCharacters = 300;

struct RuleResult {
    std::string ruleText;  // the rule as stored
    int part = 0;          // 1-based part number
    int index = 0;         // 1-based place of the rule in its part
    std::string kind;      // field 1 as stored
    int earned = 0;        // points earned (0 unless the check passed)
    bool passed = false;
    std::string observed;  // the value the check read, or why the rule earned nothing (shortened)
};

struct WordGrade {
    std::vector<RuleResult> rules;
    std::vector<int> partScores;  // one per part, in order
    long long total = 0;
    std::string resultText;              // word_result: "\r" then "i、score\r" per part
    std::optional<std::string> readError;  // the reader's text when the document could not be read
};

// Grades an already read document (nullptr when it could not be read:
// every rule then earns nothing, with readError as its reason).
WordGrade gradeAnswer(const Document* doc, const std::string& answerText,
                      const std::optional<std::string>& readError = std::nullopt);
// Reads the document once and grades it; a document that cannot be read gives
// a grade of 0 with readError set. Throws std::bad_alloc when the process runs
// out of memory (the document's own budget is a read error).
WordGrade gradeWordTask(const std::filesystem::path& document, const std::string& answerText);

// "\r1、10\r2、8\r" for part scores 10 and 8.
std::string wordResultText(const std::vector<int>& partScores);

}  // namespace kav::word
