#pragma once
// The 81 kinds of Word answer rule. A rule is "kind score positions... value":
// for each kind this table gives where the rule editor shows it, the position
// fields it takes after the score (in rule order) and the value that follows
// them with its value list. The Word checks read a rule's fields through this
// table (and keep their own table of what each kind reads, common/word/checks.cpp),
// and the console's rule editor builds its sheet from it with its own boxes.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/answer/value_lists.h"

namespace kav::answer {

// A position field: which object of the document a rule looks at.
enum class Position {
    Character,     // 1-based character number, or "first" / "last"
    Sentence,      // 1-based sentence number, or "first" / "last"
    Paragraph,     // 1-based paragraph number, or "first" / "last"
    Side,          // border number, Word's WdBorderType or the side's place
    Shape,         // 1-based shape number; text boxes and WordArt share one numbering
    HeaderFooter,  // 1 primary, 2 first page, 3 even pages (of the first section)
    Table,         // 1-based table number
    Row,           // 1-based row of that table
    Column,        // 1-based column of that table
    Find,          // entry of the find list: the text must (0) or must not (1) be found
};

// The value field's type.
enum class ValueType {
    None,       // the kind has no value field
    Content,    // text compared exactly
    FontName,   // a font's name
    Points,     // a whole number of points
    Count,      // a whole number
    ListEntry,  // a 0-based entry of the kind's value list
};

struct RuleKind {
    int number;                           // 1-81, field 1 of the rule
    std::string_view group;               // the editor's group, "字符：" ... "查找："
    std::string_view label;               // the editor's label of the value box
    std::string_view meaning;             // what the check reads
    std::span<const Position> positions;  // the position fields, from field 3 on
    ValueType value;
    std::optional<ListId> list;  // the value's list when value is ListEntry

    // 1-based rule fields: the value follows the positions.
    std::size_t valueField() const { return 3 + positions.size(); }
    // The field of position p; nullopt when the kind does not take p.
    std::optional<std::size_t> fieldOf(Position p) const;
    // Kind, score, positions and value: the fields of a complete rule.
    std::size_t fieldCount() const { return 2 + positions.size() + (value == ValueType::None ? 0 : 1); }
};

constexpr int kRuleKindCount = 81;

// The kind numbered `number`, or nullptr when there is none (0, 82, -3 ...).
const RuleKind* findRuleKind(long long number);
// All kinds in number order.
std::span<const RuleKind> allRuleKinds();

// The value list a position field takes its entry from (the find list), if any.
std::optional<ListId> positionList(Position p);

// The border numbers a kind's side field accepts: lowest..-1 (Word's
// WdBorderType) and 1..highest (the side's place in the borders collection).
struct SideRange {
    int lowest;
    int highest;
    bool accepts(long long side) const { return (side >= lowest && side <= -1) || (side >= 1 && side <= highest); }
};
// Text and page borders -4..4, paragraph borders also -5 (between lines),
// table rows and columns -8..6.
SideRange sideRange(const RuleKind& kind);

// Why `text` cannot stand as position field p of a rule of `kind`, or nullopt
// when the checks can read it: character, sentence, paragraph, shape, table,
// row and column take a whole number from 1 or "first" / "last"; a header or
// footer 1-3; a side what sideRange accepts; the find field 0 or 1.
std::optional<std::string> positionProblem(const RuleKind& kind, Position p, std::string_view text);
// Why `text` cannot stand as the value field of `kind`, or nullopt: a whole
// number for points and counts, an entry of the list for list entries, and
// no space or "*" in a text or font name (they would split the rule).
std::optional<std::string> valueProblem(const RuleKind& kind, std::string_view text);
// A text that a rule's field can carry: not empty, no space, no "*".
std::optional<std::string> fieldTextProblem(std::string_view text);

}  // namespace kav::answer
