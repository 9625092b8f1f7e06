#pragma once
// The rule editor's boxes: the yellow position boxes of the sheet, and for
// every rule kind its value box and the position boxes that give its position
// fields. The kinds themselves, their fields and values, are the table of rule
// kinds (common/answer/rule_kinds.h); these rows join it by the kind's number.
#include <span>
#include <string_view>

#include "common/answer/rule_kinds.h"

namespace kav::ruleeditor {

// The yellow position boxes, in the order of the sheet. Each feeds one
// position field of the kinds of its line.
enum class PositionBox {
    Edit1, Edit2, Edit44, Edit3, Edit47, Edit48, Edit23, Edit25, Edit26, Edit27, Edit29,
    Edit32, Edit33, Edit35, Edit34, Edit36, Edit37, Edit49, Edit38, Edit50,
    Edit56, Edit40, Edit39, Edit57, Edit41, ComboBox_c45,
};
constexpr int kPositionBoxCount = 26;

struct PositionBoxInfo {
    PositionBox box;
    std::string_view name;  // the control's name, "Edit1"
    answer::Position position;
    std::string_view caption;  // what the sheet shows before the box
    std::string_view hint;     // what the sheet shows after it
};
const PositionBoxInfo& positionBoxInfo(PositionBox box);

// The boxes of one rule kind.
struct KindBoxes {
    int number;                 // the kind's number
    std::string_view valueBox;  // the value box's name ("Edit53", "ComboBox_c1", "CheckBox1")
    // The position boxes that give the position fields, in rule order; empty
    // for kinds without positions and for page break before, whose value box
    // holds the paragraph number.
    std::span<const PositionBox> positionBoxes;
};
const KindBoxes& boxesOf(const answer::RuleKind& kind);

// How the value box of a kind gives the rule its last fields.
enum class BoxEncoding {
    Text,      // an edit box: the content as typed
    Font,      // an editable list of font names: the name as typed
    Number,    // an edit box: a whole number, a sign allowed
    Entry,     // a list box of the kind's value list: the entry number
    Tick,      // a check box: ticked, the rule is its positions alone
    Position,  // an edit box holding the rule's only position (page break before)
};
BoxEncoding boxEncoding(const answer::RuleKind& kind);

}  // namespace kav::ruleeditor
