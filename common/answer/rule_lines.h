#pragma once
// A stored answer rule as a teacher reads it: the kind in words, its
// positions, its value (a list entry by its name) and its score; or, for a
// rule the editor cannot read, the rule as stored with the reason.
#include <optional>
#include <string>
#include <string_view>

#include "common/answer/rule_kinds.h"

namespace kav::answer {

// The full marks of a Word task, which the editor's running total is set against.
constexpr long long kWordFullMarks = 30;

struct RuleLine {
    std::string text;     // "字符：颜色 第3个字符 Red（红色） 2分", or the stored text when not readable
    std::string problem;  // why the rule cannot be read; empty when it can
    long long score = 0;  // field 2 when it is a whole number, else 0
    bool readable() const { return problem.empty(); }
};
RuleLine describeRule(std::string_view ruleText);

// The name of entry `entry` of `list` with its Chinese name where it has one
// ("Automatic（自动）"); the entry number itself when it is outside the list.
std::string entryName(ListId list, std::string_view entry);

// What a check of `kind` read, as a teacher reads it: a list kind's Word
// value by its entry's name (-16777216 is "自动"), anything else unchanged.
std::string observedName(const RuleKind& kind, std::string_view observed);

}  // namespace kav::answer
