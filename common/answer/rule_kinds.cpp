#include "common/answer/rule_kinds.h"

#include <algorithm>
#include <iterator>

#include "common/answer/answer_text.h"

namespace kav::answer {
namespace {

using P = Position;
using V = ValueType;

// The position fields of each group of kinds, in rule order.
constexpr Position kCharacter[] = {P::Character};
constexpr Position kSentence[] = {P::Sentence};
constexpr Position kSentenceSide[] = {P::Sentence, P::Side};
constexpr Position kParagraph[] = {P::Paragraph};
constexpr Position kParagraphSide[] = {P::Paragraph, P::Side};
constexpr Position kSide[] = {P::Side};
constexpr Position kShape[] = {P::Shape};
constexpr Position kHeaderFooter[] = {P::HeaderFooter};
constexpr Position kTable[] = {P::Table};
constexpr Position kCell[] = {P::Table, P::Row, P::Column};
constexpr Position kRow[] = {P::Table, P::Row};
constexpr Position kColumn[] = {P::Table, P::Column};
constexpr Position kRowSide[] = {P::Table, P::Row, P::Side};
constexpr Position kColumnSide[] = {P::Table, P::Column, P::Side};
constexpr Position kFind[] = {P::Find};

constexpr std::span<const Position> kPageSetup{};  // page set-up kinds take no position

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

constexpr std::string_view kCharacters = "字符：";
constexpr std::string_view kSentences = "句子：";
constexpr std::string_view kParagraphs = "段落：";
constexpr std::string_view kPageBorder = "页面边框：";
constexpr std::string_view kDropCap = "首字下沉：";
constexpr std::string_view kTextBox = "文本框：";
constexpr std::string_view kPageBreak = "段前人工分页:";
constexpr std::string_view kWordArt = "艺术字:";
constexpr std::string_view kHeaders = "页眉脚:";
constexpr std::string_view kColumns = "分栏数量:";
constexpr std::string_view kPage = "页面设置:";
constexpr std::string_view kTables = "表格:";
constexpr std::string_view kSearch = "查找：";

constexpr std::optional<ListId> kNoList = std::nullopt;

constexpr RuleKind kKinds[] = {
    {1, kCharacters, "内容:", "text of the character", kCharacter, V::Content, kNoList, "Edit53", kEdit1},
    {2, kCharacters, "背景:", "background colour of the character", kCharacter, V::ListEntry, ListId::Colour, "ComboBox_c1", kEdit1},
    {3, kCharacters, "底纹:", "shading texture of the character", kCharacter, V::ListEntry, ListId::Texture, "ComboBox_c2", kEdit1},
    {4, kCharacters, "边框类型", "border line style of the character", kCharacter, V::ListEntry, ListId::LineStyle, "ComboBox_c3", kEdit1},
    {5, kCharacters, "宽度:", "border line width of the character", kCharacter, V::ListEntry, ListId::LineWidth, "ComboBox_c4", kEdit1},
    {6, kCharacters, "颜色", "border colour of the character", kCharacter, V::ListEntry, ListId::Colour, "ComboBox_c5", kEdit1},
    {7, kCharacters, "阴影", "border shadow of the character", kCharacter, V::ListEntry, ListId::YesNo, "ComboBox_c6", kEdit1},
    {8, kCharacters, "字体:修饰", "font decoration of the character", kCharacter, V::ListEntry, ListId::Decoration, "ComboBox_c7", kEdit1},
    {9, kCharacters, "字体", "font name of the character", kCharacter, V::FontName, kNoList, "ComboBox_c8", kEdit1},
    {10, kCharacters, "字号", "font size of the character", kCharacter, V::Points, kNoList, "Edit46", kEdit1},
    {11, kCharacters, "颜色", "font colour of the character", kCharacter, V::ListEntry, ListId::Colour, "ComboBox_c9", kEdit1},

    {12, kSentences, "内容:", "text of the sentence", kSentence, V::Content, kNoList, "Edit43", kEdit2},
    {13, kSentences, "背景:", "background colour of the sentence", kSentence, V::ListEntry, ListId::Colour, "ComboBox_c10", kEdit2},
    {14, kSentences, "底纹:", "shading texture of the sentence", kSentence, V::ListEntry, ListId::Texture, "ComboBox_c11", kEdit2},
    {15, kSentences, "边框类型", "line style of a border side of the sentence", kSentenceSide, V::ListEntry,
     ListId::LineStyle, "ComboBox_c12", kEdit2Edit44},
    {16, kSentences, "宽度:", "line width of a border side of the sentence", kSentenceSide, V::ListEntry,
     ListId::LineWidth, "ComboBox_c13", kEdit2Edit44},
    {17, kSentences, "颜色", "colour of a border side of the sentence", kSentenceSide, V::ListEntry, ListId::Colour, "ComboBox_c14", kEdit2Edit44},
    {18, kSentences, "阴影", "border shadow of the sentence", kSentence, V::ListEntry, ListId::YesNo, "ComboBox_c15", kEdit2},
    {19, kSentences, "字体:修饰", "font decoration of the sentence", kSentence, V::ListEntry, ListId::Decoration, "ComboBox_c16", kEdit2},
    {20, kSentences, "字体", "font name of the sentence", kSentence, V::FontName, kNoList, "ComboBox_c17", kEdit2},
    {21, kSentences, "字号", "font size of the sentence", kSentence, V::Points, kNoList, "Edit45", kEdit2},
    {22, kSentences, "颜色", "font colour of the sentence", kSentence, V::ListEntry, ListId::Colour, "ComboBox_c18", kEdit2},

    {23, kParagraphs, "行距", "line spacing rule of the paragraph", kParagraph, V::ListEntry, ListId::LineSpacing, "ComboBox_c19", kEdit3},
    {24, kParagraphs, "左缩进", "left indent of the paragraph", kParagraph, V::Points, kNoList, "Edit18", kEdit3},
    {25, kParagraphs, "右缩进", "right indent of the paragraph", kParagraph, V::Points, kNoList, "Edit19", kEdit3},
    {26, kParagraphs, "首行缩进", "first-line indent of the paragraph", kParagraph, V::Points, kNoList, "Edit20", kEdit3},
    {27, kParagraphs, "段后距离", "space after the paragraph", kParagraph, V::Points, kNoList, "Edit21", kEdit3},
    {28, kParagraphs, "边框类型", "line style of a border side of the paragraph", kParagraphSide, V::ListEntry,
     ListId::LineStyle, "ComboBox_c20", kEdit3Edit47},
    {29, kParagraphs, "宽度:", "line width of a border side of the paragraph", kParagraphSide, V::ListEntry,
     ListId::LineWidth, "ComboBox_c21", kEdit3Edit47},
    {30, kParagraphs, "阴影:", "border shadow of the paragraph", kParagraph, V::ListEntry, ListId::YesNo, "ComboBox_c22", kEdit3},
    {31, kParagraphs, "底纹填充色", "shading fill colour of the paragraph", kParagraph, V::ListEntry, ListId::Colour, "ComboBox_c23", kEdit3},
    {32, kParagraphs, "图案式样", "shading pattern of the paragraph", kParagraph, V::ListEntry, ListId::Texture, "ComboBox_c24", kEdit3},
    {33, kParagraphs, "对齐方式:", "alignment of the paragraph", kParagraph, V::ListEntry, ListId::Alignment, "ComboBox_c25", kEdit3},
    {34, kParagraphs, "字体:修饰", "font decoration of the paragraph", kParagraph, V::ListEntry, ListId::Decoration, "ComboBox_c26", kEdit3},
    {35, kParagraphs, "字体", "font name of the paragraph", kParagraph, V::FontName, kNoList, "ComboBox_c27", kEdit3},
    {36, kParagraphs, "字号", "font size of the paragraph", kParagraph, V::Points, kNoList, "Edit54", kEdit3},
    {37, kParagraphs, "颜色", "font colour of the paragraph", kParagraph, V::ListEntry, ListId::Colour, "ComboBox_c28", kEdit3},

    {38, kPageBorder, "艺术型类型", "art of a page border side", kSide, V::ListEntry, ListId::PageArt, "ComboBox_C29", kEdit48},
    {39, kPageBorder, "宽度", "art width of a page border side", kSide, V::Points, kNoList, "Edit22", kEdit48},

    {40, kDropCap, "字体", "font of the paragraph's drop cap", kParagraph, V::FontName, kNoList, "ComboBox_C30", kEdit23},
    {41, kDropCap, "文字位置", "position of the paragraph's drop cap", kParagraph, V::ListEntry, ListId::DropPosition, "ComboBox_c31", kEdit23},
    {42, kDropCap, "下沉 行数", "lines dropped by the paragraph's drop cap", kParagraph, V::Count, kNoList, "Edit24", kEdit23},
    {43, kDropCap, "距正文距离", "distance of the paragraph's drop cap from the text", kParagraph, V::Points, kNoList, "Edit4", kEdit23},

    {44, kTextBox, "内容", "text of the text box", kShape, V::Content, kNoList, "Edit5", kEdit25},
    {45, kTextBox, "文字方向", "text direction of the text box", kShape, V::ListEntry, ListId::Orientation, "ComboBox_c32", kEdit25},
    {46, kTextBox, "内部边距", "inner margin of the text box", kShape, V::Points, kNoList, "Edit6", kEdit25},

    {47, kPageBreak, "段前人工分页:", "the paragraph starts on a new page", kParagraph, V::None, kNoList, "Edit42", kNoBoxes},

    {48, kWordArt, "内容", "text of the WordArt", kShape, V::Content, kNoList, "Edit7", kEdit26},
    {49, kWordArt, "字体", "font of the WordArt", kShape, V::FontName, kNoList, "ComboBox_c33", kEdit26},
    {50, kWordArt, "粗体", "the WordArt is bold", kShape, V::None, kNoList, "CheckBox1", kEdit26},
    {51, kWordArt, "斜体", "the WordArt is italic", kShape, V::None, kNoList, "CheckBox2", kEdit26},
    {52, kWordArt, "式样", "shape of the WordArt", kShape, V::ListEntry, ListId::WordArtShape, "ComboBox_c34", kEdit26},

    {53, kHeaders, "页眉内容", "text of the header", kHeaderFooter, V::Content, kNoList, "Edit8", kEdit27},
    {54, kHeaders, "页脚内容", "text of the footer", kHeaderFooter, V::Content, kNoList, "Edit9", kEdit27},

    {55, kColumns, "分栏数量:", "number of text columns", kPageSetup, V::Count, kNoList, "Edit28", kNoBoxes},
    {56, kColumns, "两栏间的距离", "spacing after the first text column", kPageSetup, V::Points, kNoList, "Edit55", kNoBoxes},
    {57, kPage, "纸型", "paper size", kPageSetup, V::ListEntry, ListId::Paper, "ComboBox_c35", kNoBoxes},
    {58, kPage, "页边距上", "top margin", kPageSetup, V::Points, kNoList, "Edit10", kNoBoxes},
    {59, kPage, "下", "bottom margin", kPageSetup, V::Points, kNoList, "Edit11", kNoBoxes},
    {60, kPage, "左", "left margin", kPageSetup, V::Points, kNoList, "Edit12", kNoBoxes},
    {61, kPage, "右", "right margin", kPageSetup, V::Points, kNoList, "Edit13", kNoBoxes},
    {62, kPage, "装订线", "gutter", kPageSetup, V::Points, kNoList, "Edit14", kNoBoxes},
    {63, kPage, "距边界:页眉", "header distance from the page edge", kPageSetup, V::Points, kNoList, "Edit15", kNoBoxes},
    {64, kPage, "页脚", "footer distance from the page edge", kPageSetup, V::Points, kNoList, "Edit16", kNoBoxes},

    {65, kTables, "行数", "number of rows of the table", kTable, V::Count, kNoList, "Edit30", kEdit29},
    {66, kTables, "列数", "number of columns of the table", kTable, V::Count, kNoList, "Edit31", kEdit29},
    {67, kTables, "内容", "text of the cell", kCell, V::Content, kNoList, "Edit17", kEdit29Edit32Edit33},
    {68, kTables, "斜线方向", "diagonal line of the cell", kCell, V::ListEntry, ListId::Diagonal, "ComboBox_c36", kEdit29Edit32Edit33},
    {69, kTables, "单元格底纹:", "shading texture of the cell", kCell, V::ListEntry, ListId::Texture, "ComboBox_c37", kEdit29Edit35Edit34},
    {70, kTables, "单元格背景色:", "shading colour of the row", kRow, V::ListEntry, ListId::Highlight, "ComboBox_c38", kEdit29Edit36},
    {71, kTables, "单元格边框: 类型", "line style of a border side of the row", kRowSide, V::ListEntry, ListId::LineStyle, "ComboBox_c39", kEdit29Edit37Edit49},
    {72, kTables, "单元格边框: 宽度", "line width of a border side of the row", kRowSide, V::ListEntry, ListId::LineWidth, "ComboBox_c40", kEdit29Edit37Edit49},
    {73, kTables, "单元格边框: 类型", "line style of a border side of the column", kColumnSide, V::ListEntry,
     ListId::LineStyle, "ComboBox_c41", kEdit29Edit38Edit50},
    {74, kTables, "单元格边框: 宽度", "line width of a border side of the column", kColumnSide, V::ListEntry,
     ListId::LineWidth, "ComboBox_c42", kEdit29Edit38Edit50},
    {75, kTables, "单元格宽度:", "cell width in the row", kRow, V::Points, kNoList, "Edit58", kEdit29Edit56},
    {76, kTables, "单元格宽度:", "cell width in the column", kColumn, V::Points, kNoList, "Edit59", kEdit29Edit40},
    {77, kTables, "单元格高度:", "cell height in the row", kRow, V::Points, kNoList, "Edit60", kEdit29Edit39},
    {78, kTables, "单元格高度:", "cell height in the column", kColumn, V::Points, kNoList, "Edit61", kEdit29Edit57},
    {79, kTables, "表格垂直对齐方式:", "vertical alignment of the cells of the row", kRow, V::ListEntry,
     ListId::VerticalAlignment, "ComboBox_c43", kEdit29Edit41},
    {80, kTables, "整个表格对齐:", "alignment of the rows of the table", kTable, V::ListEntry, ListId::TableAlignment, "ComboBox_c44", kEdit29},

    {81, kSearch, "查找：", "the text can or cannot be found in the document", kFind, V::Content, kNoList, "Edit52", kComboBox_c45},
};
static_assert(std::size(kKinds) == kRuleKindCount);

constexpr bool numberedInOrder() {
    for (int i = 0; i < kRuleKindCount; ++i)
        if (kKinds[i].number != i + 1) return false;
    return true;
}
static_assert(numberedInOrder(), "kind n stands at place n");

constexpr bool boxesInOrder() {
    for (int i = 0; i < kPositionBoxCount; ++i)
        if (static_cast<int>(kPositionBoxes[i].box) != i) return false;
    return true;
}
static_assert(boxesInOrder(), "box b stands at place b");

// The position boxes of every kind feed exactly its position fields.
constexpr bool boxesMatchPositions() {
    for (const RuleKind& k : kKinds) {
        if (k.positionBoxes.empty()) continue;
        if (k.positionBoxes.size() != k.positions.size()) return false;
        for (std::size_t i = 0; i < k.positions.size(); ++i)
            if (kPositionBoxes[static_cast<int>(k.positionBoxes[i])].position != k.positions[i]) return false;
    }
    return true;
}
static_assert(boxesMatchPositions());

bool hasFieldBreaker(std::string_view text) {
    return text.find(' ') != std::string_view::npos || text.find('*') != std::string_view::npos;
}

}  // namespace

BoxEncoding RuleKind::boxEncoding() const {
    switch (value) {
    case V::Content: return BoxEncoding::Text;
    case V::FontName: return BoxEncoding::Font;
    case V::Points:
    case V::Count: return BoxEncoding::Number;
    case V::ListEntry: return BoxEncoding::Entry;
    case V::None: break;
    }
    return positionBoxes.empty() ? BoxEncoding::Position : BoxEncoding::Tick;
}

const PositionBoxInfo& positionBoxInfo(PositionBox box) { return kPositionBoxes[static_cast<int>(box)]; }

SideRange sideRange(const RuleKind& kind) {
    switch (kind.positions.front()) {
    case P::Paragraph: return {-5, 4};
    case P::Table: return {-8, 6};
    default: return {-4, 4};
    }
}

std::optional<std::string> fieldTextProblem(std::string_view text) {
    if (text.empty()) return "不能为空";
    if (hasFieldBreaker(text)) return "不能含有空格或*";
    return std::nullopt;
}

std::optional<std::string> positionProblem(const RuleKind& kind, Position p, std::string_view text) {
    if (text.empty()) return "位置还没有确定";
    auto number = parseWholeNumber(text);
    switch (p) {
    case P::Character: case P::Sentence: case P::Paragraph: case P::Shape: case P::Table: case P::Row:
    case P::Column:
        if (text == "first" || text == "last" || (number && *number >= 1)) return std::nullopt;
        return "位置 " + std::string(text) + " 应是从1起的整数，或first、last";
    case P::HeaderFooter:
        if (number && *number >= 1 && *number <= 3) return std::nullopt;
        return "页眉页脚编号 " + std::string(text) + " 应是1、2或3";
    case P::Side: {
        SideRange range = sideRange(kind);
        if (number && range.accepts(*number)) return std::nullopt;
        return "边框编号 " + std::string(text) + " 应是" + std::to_string(range.lowest) + "到-1或1到" +
               std::to_string(range.highest) + "的整数";
    }
    case P::Find:
        if (text == "0" || text == "1") return std::nullopt;
        return "查找方式 " + std::string(text) + " 应是0或1";
    }
    return std::nullopt;
}

std::optional<std::string> valueProblem(const RuleKind& kind, std::string_view text) {
    switch (kind.value) {
    case V::Content:
    case V::FontName: return fieldTextProblem(text);
    case V::Points:
    case V::Count:
        if (parseWholeNumber(text)) return std::nullopt;
        if (text.find('.') != std::string_view::npos) return "不能输入带小数的！";
        return "只能输入整数";
    case V::ListEntry: {
        auto entry = parseWholeNumber(text);
        if (entry && valueList(*kind.list).wordValue(*entry)) return std::nullopt;
        return "请从列表中选择";
    }
    case V::None: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::size_t> RuleKind::fieldOf(Position p) const {
    auto at = std::find(positions.begin(), positions.end(), p);
    if (at == positions.end()) return std::nullopt;
    return 3 + static_cast<std::size_t>(at - positions.begin());
}

const RuleKind* findRuleKind(long long number) {
    if (number < 1 || number > kRuleKindCount) return nullptr;
    return &kKinds[number - 1];
}

std::span<const RuleKind> allRuleKinds() { return kKinds; }

std::optional<ListId> positionList(Position p) {
    if (p == Position::Find) return ListId::Find;
    return std::nullopt;
}

}  // namespace kav::answer
