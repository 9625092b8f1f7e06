#pragma once
// The editor's sheet as data: the text of every yellow position box, of the
// value box of every rule kind and of the score box. A rule is composed from
// the boxes as they stand when it is appended, and validated first.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/answer/rule_kinds.h"
#include "console/pages/ruleeditor/sheet_boxes.h"

namespace kav::ruleeditor {

// The score a rule may carry: a whole number 0-32767.
constexpr long long kMaxScore = 32767;

class RuleSheet {
public:
    const std::string& position(PositionBox box) const { return positions_[index(box)]; }
    void setPosition(PositionBox box, std::string text) { positions_[index(box)] = std::move(text); }
    // The value box of `kind`: the text as typed, the entry number of a list
    // box ("" for no choice), "1" for a ticked check box.
    const std::string& value(int kind) const { return values_.at(static_cast<std::size_t>(kind - 1)); }
    void setValue(int kind, std::string text) { values_.at(static_cast<std::size_t>(kind - 1)) = std::move(text); }
    void setTicked(int kind, bool ticked) { setValue(kind, ticked ? "1" : ""); }
    bool ticked(int kind) const { return !value(kind).empty(); }
    const std::string& score() const { return score_; }
    void setScore(std::string text) { score_ = std::move(text); }

    // The kinds whose value box is filled (or ticked), in kind order.
    std::vector<int> filledKinds() const;
    // Empties every box.
    void clear();

    // The position texts of `kind` in rule order (the value box's text for page
    // break before, which holds its paragraph number).
    std::vector<std::string> positionsOf(const answer::RuleKind& kind) const;

    struct Composed {
        std::string rule;     // "kind score positions... value", without its end
        std::string problem;  // why it cannot be composed; rule is then empty
    };
    // The rule of `kind` with `value` as its value field (the box's own
    // encoded value when nullopt), after checking the score, the positions and
    // the value.
    Composed compose(int kind, const std::optional<std::string>& value = std::nullopt) const;
    // Why the score box cannot stand as a rule's score, or nullopt.
    std::optional<std::string> scoreProblem() const;
    // Why the positions of `kind` are missing or cannot be read, naming the group.
    std::optional<std::string> positionsProblem(const answer::RuleKind& kind) const;

private:
    static std::size_t index(PositionBox box) { return static_cast<std::size_t>(box); }
    std::array<std::string, kPositionBoxCount> positions_;
    std::array<std::string, answer::kRuleKindCount> values_;
    std::string score_;
};

// The font names the font boxes offer: the names documents carry for the
// usual Chinese fonts and Arial, then the installed families whose names have
// no space (a name with a space cannot be written into a rule).
std::vector<std::string> fontChoices(const std::vector<std::string>& installedFamilies);

}  // namespace kav::ruleeditor
