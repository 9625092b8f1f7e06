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
    {1, kCharacters, "内容:", "text of the character", kCharacter, V::Content, kNoList},
    {2, kCharacters, "背景:", "background colour of the character", kCharacter, V::ListEntry, ListId::Colour},
    {3, kCharacters, "底纹:", "shading texture of the character", kCharacter, V::ListEntry, ListId::Texture},
    {4, kCharacters, "边框类型", "border line style of the character", kCharacter, V::ListEntry, ListId::LineStyle},
    {5, kCharacters, "宽度:", "border line width of the character", kCharacter, V::ListEntry, ListId::LineWidth},
    {6, kCharacters, "颜色", "border colour of the character", kCharacter, V::ListEntry, ListId::Colour},
    {7, kCharacters, "阴影", "border shadow of the character", kCharacter, V::ListEntry, ListId::YesNo},
    {8, kCharacters, "字体:修饰", "font decoration of the character", kCharacter, V::ListEntry, ListId::Decoration},
    {9, kCharacters, "字体", "font name of the character", kCharacter, V::FontName, kNoList},
    {10, kCharacters, "字号", "font size of the character", kCharacter, V::Points, kNoList},
    {11, kCharacters, "颜色", "font colour of the character", kCharacter, V::ListEntry, ListId::Colour},

    {12, kSentences, "内容:", "text of the sentence", kSentence, V::Content, kNoList},
    {13, kSentences, "背景:", "background colour of the sentence", kSentence, V::ListEntry, ListId::Colour},
    {14, kSentences, "底纹:", "shading texture of the sentence", kSentence, V::ListEntry, ListId::Texture},
    {15, kSentences, "边框类型", "line style of a border side of the sentence", kSentenceSide, V::ListEntry,
     ListId::LineStyle},
    {16, kSentences, "宽度:", "line width of a border side of the sentence", kSentenceSide, V::ListEntry,
     ListId::LineWidth},
    {17, kSentences, "颜色", "colour of a border side of the sentence", kSentenceSide, V::ListEntry, ListId::Colour},
    {18, kSentences, "阴影", "border shadow of the sentence", kSentence, V::ListEntry, ListId::YesNo},
    {19, kSentences, "字体:修饰", "font decoration of the sentence", kSentence, V::ListEntry, ListId::Decoration},
    {20, kSentences, "字体", "font name of the sentence", kSentence, V::FontName, kNoList},
    {21, kSentences, "字号", "font size of the sentence", kSentence, V::Points, kNoList},
    {22, kSentences, "颜色", "font colour of the sentence", kSentence, V::ListEntry, ListId::Colour},

    {23, kParagraphs, "行距", "line spacing rule of the paragraph", kParagraph, V::ListEntry, ListId::LineSpacing},
    {24, kParagraphs, "左缩进", "left indent of the paragraph", kParagraph, V::Points, kNoList},
    {25, kParagraphs, "右缩进", "right indent of the paragraph", kParagraph, V::Points, kNoList},
    {26, kParagraphs, "首行缩进", "first-line indent of the paragraph", kParagraph, V::Points, kNoList},
    {27, kParagraphs, "段后距离", "space after the paragraph", kParagraph, V::Points, kNoList},
    {28, kParagraphs, "边框类型", "line style of a border side of the paragraph", kParagraphSide, V::ListEntry,
     ListId::LineStyle},
    {29, kParagraphs, "宽度:", "line width of a border side of the paragraph", kParagraphSide, V::ListEntry,
     ListId::LineWidth},
    {30, kParagraphs, "阴影:", "border shadow of the paragraph", kParagraph, V::ListEntry, ListId::YesNo},
    {31, kParagraphs, "底纹填充色", "shading fill colour of the paragraph", kParagraph, V::ListEntry, ListId::Colour},
    {32, kParagraphs, "图案式样", "shading pattern of the paragraph", kParagraph, V::ListEntry, ListId::Texture},
    {33, kParagraphs, "对齐方式:", "alignment of the paragraph", kParagraph, V::ListEntry, ListId::Alignment},
    {34, kParagraphs, "字体:修饰", "font decoration of the paragraph", kParagraph, V::ListEntry, ListId::Decoration},
    {35, kParagraphs, "字体", "font name of the paragraph", kParagraph, V::FontName, kNoList},
    {36, kParagraphs, "字号", "font size of the paragraph", kParagraph, V::Points, kNoList},
    {37, kParagraphs, "颜色", "font colour of the paragraph", kParagraph, V::ListEntry, ListId::Colour},

    {38, kPageBorder, "艺术型类型", "art of a page border side", kSide, V::ListEntry, ListId::PageArt},
    {39, kPageBorder, "宽度", "art width of a page border side", kSide, V::Points, kNoList},

    {40, kDropCap, "字体", "font of the paragraph's drop cap", kParagraph, V::FontName, kNoList},
    {41, kDropCap, "文字位置", "position of the paragraph's drop cap", kParagraph, V::ListEntry, ListId::DropPosition},
    {42, kDropCap, "下沉 行数", "lines dropped by the paragraph's drop cap", kParagraph, V::Count, kNoList},
    {43, kDropCap, "距正文距离", "distance of the paragraph's drop cap from the text", kParagraph, V::Points, kNoList},

    {44, kTextBox, "内容", "text of the text box", kShape, V::Content, kNoList},
    {45, kTextBox, "文字方向", "text direction of the text box", kShape, V::ListEntry, ListId::Orientation},
    {46, kTextBox, "内部边距", "inner margin of the text box", kShape, V::Points, kNoList},

    {47, kPageBreak, "段前人工分页:", "the paragraph starts on a new page", kParagraph, V::None, kNoList},

    {48, kWordArt, "内容", "text of the WordArt", kShape, V::Content, kNoList},
    {49, kWordArt, "字体", "font of the WordArt", kShape, V::FontName, kNoList},
    {50, kWordArt, "粗体", "the WordArt is bold", kShape, V::None, kNoList},
    {51, kWordArt, "斜体", "the WordArt is italic", kShape, V::None, kNoList},
    {52, kWordArt, "式样", "shape of the WordArt", kShape, V::ListEntry, ListId::WordArtShape},

    {53, kHeaders, "页眉内容", "text of the header", kHeaderFooter, V::Content, kNoList},
    {54, kHeaders, "页脚内容", "text of the footer", kHeaderFooter, V::Content, kNoList},

    {55, kColumns, "分栏数量:", "number of text columns", kPageSetup, V::Count, kNoList},
    {56, kColumns, "两栏间的距离", "spacing after the first text column", kPageSetup, V::Points, kNoList},
    {57, kPage, "纸型", "paper size", kPageSetup, V::ListEntry, ListId::Paper},
    {58, kPage, "页边距上", "top margin", kPageSetup, V::Points, kNoList},
    {59, kPage, "下", "bottom margin", kPageSetup, V::Points, kNoList},
    {60, kPage, "左", "left margin", kPageSetup, V::Points, kNoList},
    {61, kPage, "右", "right margin", kPageSetup, V::Points, kNoList},
    {62, kPage, "装订线", "gutter", kPageSetup, V::Points, kNoList},
    {63, kPage, "距边界:页眉", "header distance from the page edge", kPageSetup, V::Points, kNoList},
    {64, kPage, "页脚", "footer distance from the page edge", kPageSetup, V::Points, kNoList},

    {65, kTables, "行数", "number of rows of the table", kTable, V::Count, kNoList},
    {66, kTables, "列数", "number of columns of the table", kTable, V::Count, kNoList},
    {67, kTables, "内容", "text of the cell", kCell, V::Content, kNoList},
    {68, kTables, "斜线方向", "diagonal line of the cell", kCell, V::ListEntry, ListId::Diagonal},
    {69, kTables, "单元格底纹:", "shading texture of the cell", kCell, V::ListEntry, ListId::Texture},
    {70, kTables, "单元格背景色:", "shading colour of the row", kRow, V::ListEntry, ListId::Highlight},
    {71, kTables, "单元格边框: 类型", "line style of a border side of the row", kRowSide, V::ListEntry, ListId::LineStyle},
    {72, kTables, "单元格边框: 宽度", "line width of a border side of the row", kRowSide, V::ListEntry, ListId::LineWidth},
    {73, kTables, "单元格边框: 类型", "line style of a border side of the column", kColumnSide, V::ListEntry,
     ListId::LineStyle},
    {74, kTables, "单元格边框: 宽度", "line width of a border side of the column", kColumnSide, V::ListEntry,
     ListId::LineWidth},
    {75, kTables, "单元格宽度（按行）:", "cell width in the row", kRow, V::Points, kNoList},
    {76, kTables, "单元格宽度（按列）:", "cell width in the column", kColumn, V::Points, kNoList},
    {77, kTables, "单元格高度（按行）:", "cell height in the row", kRow, V::Points, kNoList},
    {78, kTables, "单元格高度（按列）:", "cell height in the column", kColumn, V::Points, kNoList},
    {79, kTables, "表格垂直对齐方式:", "vertical alignment of the cells of the row", kRow, V::ListEntry,
     ListId::VerticalAlignment},
    {80, kTables, "整个表格对齐:", "alignment of the rows of the table", kTable, V::ListEntry, ListId::TableAlignment},

    {81, kSearch, "查找：", "the text can or cannot be found in the document", kFind, V::Content, kNoList},
};
static_assert(std::size(kKinds) == kRuleKindCount);

constexpr bool numberedInOrder() {
    for (int i = 0; i < kRuleKindCount; ++i)
        if (kKinds[i].number != i + 1) return false;
    return true;
}
static_assert(numberedInOrder(), "kind n stands at place n");

bool hasFieldBreaker(std::string_view text) {
    return text.find(' ') != std::string_view::npos || text.find('*') != std::string_view::npos;
}

}  // namespace

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
