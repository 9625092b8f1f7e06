#pragma once
// The checks of the 81 Word rule kinds: each reads one property of the
// document model along Word's object path and compares it with the rule. The
// rule's positions, value and value list are where the table of rule kinds
// (common/answer/rule_kinds.h) puts them for its kind.
#include <optional>
#include <stdexcept>
#include <string>

#include "common/word/document.h"
#include "common/answer/answer_text.h"

namespace kav::word {

// A check that cannot be carried out (an object that does not exist, a field
// that is not a number); what() is the reason shown for the rule.
class CheckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CheckOutcome {
    bool passed = false;
    std::string observed;  // the value the check read, as text
};

// Runs the check of `kind` (1-81) for rule; throws CheckError. A check that
// asks for a field its kind does not take throws std::logic_error.
CheckOutcome runCheck(const Document& doc, int kind, const answer::AnswerRule& rule);

// Lengths in points equal a rule's whole number within the format's rounding.
constexpr double kLengthTolerance = 0.02;
bool lengthEquals(double points, long long whole);

// Text comparisons of sentences, headers, footers and cells ignore the marks
// that end Word's text (paragraph, cell and row end, page and section break).
std::string withoutClosingMarks(std::string text);
// A text with its control characters written visibly, for reports.
std::string visibleText(const std::string& text);
// The text that visibleText wrote; nullopt for anything it cannot have written.
std::optional<std::string> fromVisibleText(std::string_view shown);

}  // namespace kav::word
