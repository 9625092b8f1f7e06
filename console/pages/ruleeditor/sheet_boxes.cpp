#include "console/pages/ruleeditor/sheet_boxes.h"

#include <iterator>

namespace kav::ruleeditor {
namespace {

using P = answer::Position;

// The position boxes of each line of the editor's sheet, in rule order.
using B = PositionBox;
constexpr PositionBox kEdit1[] = {B::Edit1};
constexpr PositionBox kEdit2[] = {B::Edit2};
constexpr PositionBox kEdit2Edit44[] = {B::Edit2, B::Edit44};
constexpr PositionBox kEdit3[] = {B::Edit3};
constexpr PositionBox kEdit3Edit47[] = {B::Edit3, B::Edit47};
constexpr PositionBox kEdit48[] = {B::Edit48};
constexpr PositionBox kEdit23[] = {B::Edit23};
constexpr PositionBox kEdit25[] = {B::Edit25};
constexpr PositionBox kEdit26[] = {B::Edit26};
constexpr PositionBox kEdit27[] = {B::Edit27};
constexpr PositionBox kEdit29[] = {B::Edit29};
constexpr PositionBox kEdit29Edit32Edit33[] = {B::Edit29, B::Edit32, B::Edit33};
constexpr PositionBox kEdit29Edit35Edit34[] = {B::Edit29, B::Edit35, B::Edit34};
constexpr PositionBox kEdit29Edit36[] = {B::Edit29, B::Edit36};
constexpr PositionBox kEdit29Edit37Edit49[] = {B::Edit29, B::Edit37, B::Edit49};
constexpr PositionBox kEdit29Edit38Edit50[] = {B::Edit29, B::Edit38, B::Edit50};
constexpr PositionBox kEdit29Edit56[] = {B::Edit29, B::Edit56};
constexpr PositionBox kEdit29Edit40[] = {B::Edit29, B::Edit40};
constexpr PositionBox kEdit29Edit39[] = {B::Edit29, B::Edit39};
constexpr PositionBox kEdit29Edit57[] = {B::Edit29, B::Edit57};
constexpr PositionBox kEdit29Edit41[] = {B::Edit29, B::Edit41};
constexpr PositionBox kComboBox_c45[] = {B::ComboBox_c45};
constexpr std::span<const PositionBox> kNoBoxes{};

constexpr std::string_view kNumberFirstLast = "数字，first，last";
constexpr std::string_view kTextSides = "-1上 -2左 -3下 -4右";
constexpr std::string_view kTableSides = "-1上 -2左 -3下 -4右 -5内横 -6内竖 -7斜下 -8斜上";

constexpr PositionBoxInfo kPositionBoxes[] = {
    {B::Edit1, "Edit1", P::Character, "第几个字符：", kNumberFirstLast},
    {B::Edit2, "Edit2", P::Sentence, "第几句：", kNumberFirstLast},
    {B::Edit44, "Edit44", P::Side, "边框：", kTextSides},
    {B::Edit3, "Edit3", P::Paragraph, "第几段：", kNumberFirstLast},
    {B::Edit47, "Edit47", P::Side, "边框：", "-1上 -2左 -3下 -4右 -5段间"},
    {B::Edit48, "Edit48", P::Side, "边框：", kTextSides},
    {B::Edit23, "Edit23", P::Paragraph, "第几段：", ""},
    {B::Edit25, "Edit25", P::Shape, "第几个图形：", "文本框与艺术字一起编号"},
    {B::Edit26, "Edit26", P::Shape, "第几个图形：", "文本框与艺术字一起编号"},
    {B::Edit27, "Edit27", P::HeaderFooter, "第几个：", "1 一般 2 首页 3 偶数页"},
    {B::Edit29, "Edit29", P::Table, "第几个表格：", ""},
    {B::Edit32, "Edit32", P::Row, "行：", ""},
    {B::Edit33, "Edit33", P::Column, "列：", ""},
    {B::Edit35, "Edit35", P::Row, "行：", ""},
    {B::Edit34, "Edit34", P::Column, "列：", ""},
    {B::Edit36, "Edit36", P::Row, "行：", ""},
    {B::Edit37, "Edit37", P::Row, "行：", ""},
    {B::Edit49, "Edit49", P::Side, "边框：", kTableSides},
    {B::Edit38, "Edit38", P::Column, "列：", ""},
    {B::Edit50, "Edit50", P::Side, "边框：", kTableSides},
    {B::Edit56, "Edit56", P::Row, "行：", ""},
    {B::Edit40, "Edit40", P::Column, "列：", ""},
    {B::Edit39, "Edit39", P::Row, "行：", ""},
    {B::Edit57, "Edit57", P::Column, "列：", ""},
    {B::Edit41, "Edit41", P::Row, "行：", ""},
    {B::ComboBox_c45, "ComboBox_c45", P::Find, "", ""},
};
static_assert(std::size(kPositionBoxes) == kPositionBoxCount);

constexpr bool boxesInOrder() {
    for (int i = 0; i < kPositionBoxCount; ++i)
        if (static_cast<int>(kPositionBoxes[i].box) != i) return false;
    return true;
}
static_assert(boxesInOrder(), "box b stands at place b");

constexpr KindBoxes kKindBoxes[] = {
    {1, "Edit53", kEdit1},
    {2, "ComboBox_c1", kEdit1},
    {3, "ComboBox_c2", kEdit1},
    {4, "ComboBox_c3", kEdit1},
    {5, "ComboBox_c4", kEdit1},
    {6, "ComboBox_c5", kEdit1},
    {7, "ComboBox_c6", kEdit1},
    {8, "ComboBox_c7", kEdit1},
    {9, "ComboBox_c8", kEdit1},
    {10, "Edit46", kEdit1},
    {11, "ComboBox_c9", kEdit1},
    {12, "Edit43", kEdit2},
    {13, "ComboBox_c10", kEdit2},
    {14, "ComboBox_c11", kEdit2},
    {15, "ComboBox_c12", kEdit2Edit44},
    {16, "ComboBox_c13", kEdit2Edit44},
    {17, "ComboBox_c14", kEdit2Edit44},
    {18, "ComboBox_c15", kEdit2},
    {19, "ComboBox_c16", kEdit2},
    {20, "ComboBox_c17", kEdit2},
    {21, "Edit45", kEdit2},
    {22, "ComboBox_c18", kEdit2},
    {23, "ComboBox_c19", kEdit3},
    {24, "Edit18", kEdit3},
    {25, "Edit19", kEdit3},
    {26, "Edit20", kEdit3},
    {27, "Edit21", kEdit3},
    {28, "ComboBox_c20", kEdit3Edit47},
    {29, "ComboBox_c21", kEdit3Edit47},
    {30, "ComboBox_c22", kEdit3},
    {31, "ComboBox_c23", kEdit3},
    {32, "ComboBox_c24", kEdit3},
    {33, "ComboBox_c25", kEdit3},
    {34, "ComboBox_c26", kEdit3},
    {35, "ComboBox_c27", kEdit3},
    {36, "Edit54", kEdit3},
    {37, "ComboBox_c28", kEdit3},
    {38, "ComboBox_C29", kEdit48},
    {39, "Edit22", kEdit48},
    {40, "ComboBox_C30", kEdit23},
    {41, "ComboBox_c31", kEdit23},
    {42, "Edit24", kEdit23},
    {43, "Edit4", kEdit23},
    {44, "Edit5", kEdit25},
    {45, "ComboBox_c32", kEdit25},
    {46, "Edit6", kEdit25},
    {47, "Edit42", kNoBoxes},
    {48, "Edit7", kEdit26},
    {49, "ComboBox_c33", kEdit26},
    {50, "CheckBox1", kEdit26},
    {51, "CheckBox2", kEdit26},
    {52, "ComboBox_c34", kEdit26},
    {53, "Edit8", kEdit27},
    {54, "Edit9", kEdit27},
    {55, "Edit28", kNoBoxes},
    {56, "Edit55", kNoBoxes},
    {57, "ComboBox_c35", kNoBoxes},
    {58, "Edit10", kNoBoxes},
    {59, "Edit11", kNoBoxes},
    {60, "Edit12", kNoBoxes},
    {61, "Edit13", kNoBoxes},
    {62, "Edit14", kNoBoxes},
    {63, "Edit15", kNoBoxes},
    {64, "Edit16", kNoBoxes},
    {65, "Edit30", kEdit29},
    {66, "Edit31", kEdit29},
    {67, "Edit17", kEdit29Edit32Edit33},
    {68, "ComboBox_c36", kEdit29Edit32Edit33},
    {69, "ComboBox_c37", kEdit29Edit35Edit34},
    {70, "ComboBox_c38", kEdit29Edit36},
    {71, "ComboBox_c39", kEdit29Edit37Edit49},
    {72, "ComboBox_c40", kEdit29Edit37Edit49},
    {73, "ComboBox_c41", kEdit29Edit38Edit50},
    {74, "ComboBox_c42", kEdit29Edit38Edit50},
    {75, "Edit58", kEdit29Edit56},
    {76, "Edit59", kEdit29Edit40},
    {77, "Edit60", kEdit29Edit39},
    {78, "Edit61", kEdit29Edit57},
    {79, "ComboBox_c43", kEdit29Edit41},
    {80, "ComboBox_c44", kEdit29},
    {81, "Edit52", kComboBox_c45},
};
static_assert(std::size(kKindBoxes) == answer::kRuleKindCount, "every rule kind has its boxes");

constexpr bool numberedInOrder() {
    for (int i = 0; i < answer::kRuleKindCount; ++i)
        if (kKindBoxes[i].number != i + 1) return false;
    return true;
}
static_assert(numberedInOrder(), "the boxes of kind n stand at place n");

}  // namespace

const PositionBoxInfo& positionBoxInfo(PositionBox box) { return kPositionBoxes[static_cast<int>(box)]; }

const KindBoxes& boxesOf(const answer::RuleKind& kind) { return kKindBoxes[kind.number - 1]; }

BoxEncoding boxEncoding(const answer::RuleKind& kind) {
    using V = answer::ValueType;
    switch (kind.value) {
    case V::Content: return BoxEncoding::Text;
    case V::FontName: return BoxEncoding::Font;
    case V::Points:
    case V::Count: return BoxEncoding::Number;
    case V::ListEntry: return BoxEncoding::Entry;
    case V::None: break;
    }
    return boxesOf(kind).positionBoxes.empty() ? BoxEncoding::Position : BoxEncoding::Tick;
}

}  // namespace kav::ruleeditor
