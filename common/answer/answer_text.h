#pragma once
// The answer text of a Word task: parts separated by "**", rules by "*",
// fields by single spaces. The text is taken apart in exactly this order
// (parts first, then rules, then fields), so that three "*" in a row end a
// part and begin the next one with an empty rule.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kav::answer {

struct AnswerRule {
    std::string text;                 // the rule as stored, between its separators
    std::vector<std::string> fields;  // field 1 (kind), 2 (score), 3 ... ; empty for an empty rule
    // Field i (1-based) or "" when the rule has fewer fields.
    const std::string& field(std::size_t i) const;
};

struct AnswerPart {
    std::vector<AnswerRule> rules;
};

// The largest number of fields and parts the exam's engine ever took. Parts
// beyond kMaxParts are graded like the others; a rule with a non-empty field
// beyond kMaxFields earns nothing and its result says why (such a rule almost
// always has a space inside its content).
constexpr std::size_t kMaxFields = 10;
constexpr std::size_t kMaxParts = 10;

std::vector<AnswerPart> parseAnswerText(std::string_view text);

// Splits one rule at every single space; two spaces give an empty field.
std::vector<std::string> splitFields(std::string_view rule);

// A whole number written in decimal with an optional sign and nothing else
// (no spaces, no decimal point); nullopt otherwise or when out of range.
std::optional<std::int64_t> parseWholeNumber(std::string_view text);

}  // namespace kav::answer
