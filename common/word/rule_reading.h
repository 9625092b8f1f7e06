#pragma once
// Reading a rule's value off a document: for a kind and its positions, the
// values that, written as the rule's last field, make the rule pass on this
// document. Every value is found by running the very check that grades the
// rule, so a value read here earns the rule's points on this document.
#include <string>
#include <vector>

#include "common/answer/rule_kinds.h"
#include "common/word/document.h"

namespace kav::word {

struct RuleReading {
    // Every value that passes, in the rule's own encoding (a text, a whole
    // number, a list entry number); for kinds whose last field is a position
    // (page break before, WordArt bold or italic) that position when the
    // property holds, or, when that position is left out, every position
    // where it holds. Empty when no value can pass.
    std::vector<std::string> values;
    std::string reason;  // why no value can pass, when values is empty
    bool found() const { return !values.empty(); }
    // "v1 v2 ..." or "none: reason".
    std::string line() const;
};

// Reads the value of `kind` at `positions` (one text per position field of
// the kind, in rule order, or one fewer for a kind whose last field is a
// position; the caller has validated them).
RuleReading readRuleValue(const Document& doc, const answer::RuleKind& kind, const std::vector<std::string>& positions);
// Whether readRuleValue takes this many positions for the kind.
bool readsWithPositions(const answer::RuleKind& kind, std::size_t count);

}  // namespace kav::word
