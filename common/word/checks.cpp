#include "common/word/checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

#include "common/answer/rule_kinds.h"
#include "common/answer/value_lists.h"
#include "common/core/ascii.h"
#include "common/core/utf8.h"

namespace kav::word {

using answer::AnswerRule;
using answer::ListId;
using answer::Position;

bool lengthEquals(double points, long long whole) {
    return std::fabs(points - static_cast<double>(whole)) <= kLengthTolerance + 1e-9;
}

std::string withoutClosingMarks(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\a' || text.back() == '\f' || text.back() == '\x0e'))
        text.pop_back();
    return text;
}

std::string visibleText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\a': out += "\\a"; break;
        case '\t': out += "\\t"; break;
        case '\f': out += "\\f"; break;
        case '\v': out += "\\v"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::optional<std::string> fromVisibleText(std::string_view shown) {
    if (shown.size() < 2 || shown.front() != '"' || shown.back() != '"') return std::nullopt;
    shown = shown.substr(1, shown.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '\\') {
            out += shown[i];
            continue;
        }
        if (++i == shown.size()) return std::nullopt;
        switch (shown[i]) {
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 't': out += '\t'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            if (i + 2 >= shown.size()) return std::nullopt;
            std::string hex(shown.substr(i + 1, 2));
            for (char c : hex)
                if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
            out += static_cast<char>(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

namespace {

std::string number(double v) {
    if (v == kUndefined) return "混合(9999999)";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";  // a hanging indent of 0 is a first-line indent of -0.0
    return s;
}

// A 1-based position into a collection of `count` items; "first" and "last"
// name the first and the last item.
int position(const std::string& field, int count, const std::string& noun) {
    long long n;
    if (equalsIgnoringCase(field, "first")) n = 1;
    else if (equalsIgnoringCase(field, "last")) n = count;
    else if (auto v = answer::parseWholeNumber(field)) n = *v;
    else throw CheckError(noun + "位置 " + visibleText(field) + " 不是整数");
    if (n < 1 || n > count)
        throw CheckError("第 " + std::to_string(n) + " 个" + noun + "不存在（共 " + std::to_string(count) + " 个）");
    return static_cast<int>(n);
}

long long whole(const std::string& field, const char* what = "值") {
    auto v = answer::parseWholeNumber(field);
    if (!v) throw CheckError(std::string(what) + " " + visibleText(field) + " 不是整数");
    return *v;
}

int listValue(ListId list, const std::string& field) {
    long long entry = whole(field, "列表项");
    auto v = answer::valueList(list).wordValue(entry);
    if (!v)
        throw CheckError("列表项 " + std::to_string(entry) + " 不在" + std::string(answer::valueList(list).name()) +
                         "列表中");
    return *v;
}

// A rule's border number: Word's WdBorderType (-1 top, -2 left, -3 bottom,
// -4 right, -5 between lines or inside horizontal, -6 inside vertical, -7 and
// -8 the diagonals) or the side's place 1, 2, ... in that order, as far as the
// kind's borders go. The result is the 0-based side.
int sideIndex(const answer::RuleKind& kind, const std::string& field) {
    long long s = whole(field, "边框编号");
    if (!answer::sideRange(kind).accepts(s)) throw CheckError("边框编号 " + std::to_string(s) + " 不存在");
    return static_cast<int>(s < 0 ? -s - 1 : s - 1);
}

// A rule's fields as the table of rule kinds lays them out for its kind.
struct RuleFields {
    const answer::RuleKind& kind;
    const AnswerRule& rule;

    bool takes(Position p) const { return kind.fieldOf(p).has_value(); }
    // The field of position p; a check asking for a position its kind does not
    // take disagrees with the table.
    const std::string& at(Position p) const {
        auto field = kind.fieldOf(p);
        if (!field) throw std::logic_error("第 " + std::to_string(kind.number) + " 种规则没有这个位置");
        return rule.field(*field);
    }
    const std::string& value() const { return rule.field(kind.valueField()); }
    long long wholeValue() const { return whole(value()); }
    const answer::ValueList& list() const {
        if (!kind.list) throw std::logic_error("第 " + std::to_string(kind.number) + " 种规则没有值列表");
        return answer::valueList(*kind.list);
    }
    // The Word value of the value field's entry in the kind's list.
    int entry() const { return listValue(list().id(), value()); }
    int side() const { return sideIndex(kind, at(Position::Side)); }
};

CheckOutcome compareInt(long long actual, long long expected) {
    return {actual == expected, number(static_cast<double>(actual))};
}
CheckOutcome compareLength(double actual, long long expected) {
    return {actual != kUndefined && lengthEquals(actual, expected), number(actual)};
}
CheckOutcome compareText(const std::string& actual, const std::string& expected) {
    return {actual == expected, visibleText(actual)};
}

// ---- character ranges -------------------------------------------------------

struct Range {
    const Document& doc;
    int first, end;

    // The characters whose formatting a range read looks at: its text, or its
    // marks when it holds nothing else.
    std::vector<int> formatted() const {
        std::vector<int> out;
        for (int i = first; i < end; ++i)
            if (!doc.characters()[static_cast<std::size_t>(i)].isMark()) out.push_back(i);
        if (out.empty())
            for (int i = first; i < end; ++i) out.push_back(i);
        return out;
    }
    template <class T, class F>
    std::optional<T> uniform(F get) const {
        std::optional<T> value;
        for (int i : formatted()) {
            T v = get(i);
            if (value && !(*value == v)) return std::nullopt;
            value = v;
        }
        return value;
    }
    const CharFormat& fmt(int i) const { return doc.runs()[doc.characters()[static_cast<std::size_t>(i)].run]; }
    // The paragraph whose mark lies in the range, if any.
    const Paragraph* markParagraph() const {
        for (int i = first; i < end; ++i) {
            const Character& c = doc.characters()[static_cast<std::size_t>(i)];
            if (c.kind == CharKind::ParagraphMark || c.kind == CharKind::SectionMark || c.kind == CharKind::CellEnd)
                return &doc.paragraphs()[doc.paragraphAt(i)];
        }
        return nullptr;
    }

    std::string fontName() const {
        return uniform<std::string>([&](int i) { return doc.fontName(i); }).value_or("");
    }
    double size() const {
        auto v = uniform<int>([&](int i) { return fmt(i).halfPoints; });
        return v ? *v / 2.0 : kUndefined;
    }
    int color() const { return uniform<int>([&](int i) { return fmt(i).color; }).value_or(kUndefined); }
    int underline() const { return uniform<int>([&](int i) { return fmt(i).underline; }).value_or(kUndefined); }
    // A Boolean decoration: 1 when set on the whole range, 0 when on none of it.
    int decoration(int entry) const {
        auto v = uniform<bool>([&](int i) {
            const CharFormat& f = fmt(i);
            switch (entry) {
            case 0: return f.bold;
            case 1: return f.italic;
            case 2: return f.emboss;
            case 3: return f.engrave;
            case 4: return f.shadow;
            case 5: return f.doubleStrike;
            default: return f.strike;
            }
        });
        return v ? (*v ? 1 : 0) : kUndefined;
    }
    Shading shading() const {
        auto v = uniform<Shading>([&](int i) { return fmt(i).shading; });
        if (!v) return {kUndefined, kUndefined};
        if (!v->present())
            if (auto* p = markParagraph()) return p->format.shading;
        return *v;
    }
    // Border side s (0 top, 1 left, 2 bottom, 3 right): the characters' box,
    // or the paragraph's border when the range holds its mark and the text has none.
    Border border(int side) const {
        auto v = uniform<Border>([&](int i) { return fmt(i).border; });
        if (!v) return {kUndefined, kUndefined, kUndefined, false};
        if (!v->present())
            if (auto* p = markParagraph()) return p->format.borders[static_cast<std::size_t>(side)];
        return *v;
    }
    bool shadow() const {
        for (int s = 0; s < 4; ++s)
            if (border(s).shadow) return true;
        return false;
    }
};

// Yes/no list: entry 0 asks for a shadow, entry 1 for none.
CheckOutcome shadowCheck(bool shadow, const RuleFields& f) {
    int entry = f.entry();
    return {entry == 0 ? shadow : !shadow, shadow ? "有阴影" : "无阴影"};
}

CheckOutcome decorationCheck(const Range& r, const RuleFields& f) {
    long long entry = whole(f.value(), "列表项");
    auto& list = f.list();
    if (!list.wordValue(entry))
        throw CheckError("列表项 " + std::to_string(entry) + " 不在" + std::string(list.name()) + "列表中");
    if (entry < answer::kBooleanDecorations) {
        int v = r.decoration(static_cast<int>(entry));
        return {v == 1, std::string(list.entries()[static_cast<std::size_t>(entry)].text) + "=" + number(v)};
    }
    return compareInt(r.underline(), *list.wordValue(entry));
}

// ---- shapes, page, headers ---------------------------------------------------

const Shape& shapeAt(const Document& doc, const std::string& field) {
    int k = position(field, static_cast<int>(doc.shapes().size()), "图形");
    return doc.shapes()[static_cast<std::size_t>(k - 1)];
}

const Shape& textFrameShape(const Document& doc, const std::string& field) {
    const Shape& s = shapeAt(doc, field);
    if (!s.hasTextFrame) throw CheckError("第 " + field + " 个图形不是文本框");
    return s;
}

const Shape& wordArtShape(const Document& doc, const std::string& field) {
    const Shape& s = shapeAt(doc, field);
    if (!s.isWordArt) throw CheckError("第 " + field + " 个图形不是艺术字");
    return s;
}

std::string dropLastCharacter(std::string text) {
    text.erase(previousCharacterStart(text, text.size()));
    return text;
}

// Which sections a page set-up read looks at. Writer sets paper, margins,
// gutter and header distances on the page style only; a section that goes on
// on the same page is one of its text sections (for columns), and the values
// Writer writes into it (a gutter of 0) are not the candidate's.
enum class SectionsRead { All, PagesOnly };

// A page set-up value: Word reports one value for the whole document, or
// wdUndefined when its sections differ.
double pageSetup(const Document& doc, SectionsRead which, const std::function<double(const Section&)>& get) {
    bool pagesOnly = which == SectionsRead::PagesOnly && doc.writtenByLibreOffice();
    double v = get(doc.sections().front());
    for (auto& s : doc.sections())
        if ((s.startsPage || !pagesOnly) && std::fabs(get(s) - v) > 1e-9) return kUndefined;
    return v;
}
double pageSetup(const Document& doc, const std::function<double(const Section&)>& get) {
    return pageSetup(doc, SectionsRead::PagesOnly, get);
}

// Writer's own page margin becomes the header (footer) distance when the page
// has a header (footer), and its top (bottom) margin then also holds the
// header's height: the candidate set the former.
double topMargin(const Section& s, bool libreOffice) { return libreOffice && s.hasHeader() ? s.header : s.top; }
double bottomMargin(const Section& s, bool libreOffice) { return libreOffice && s.hasFooter() ? s.footer : s.bottom; }

int headerNumber(const std::string& field) {
    long long h = whole(field, "页眉页脚编号");
    if (h < 1 || h > 3) throw CheckError("页眉页脚编号 " + std::to_string(h) + " 不存在");
    return static_cast<int>(h);
}

// ---- tables -----------------------------------------------------------------

const Table& tableAt(const Document& doc, const std::string& field) {
    int t = position(field, static_cast<int>(doc.tables().size()), "表格");
    return doc.tables()[static_cast<std::size_t>(t - 1)];
}

const TableRow& rowAt(const Table& t, const std::string& field) {
    return t.rows[static_cast<std::size_t>(position(field, static_cast<int>(t.rows.size()), "行") - 1)];
}

const TableCell& cellAt(const Table& t, const std::string& rowField, const std::string& colField) {
    const TableRow& row = rowAt(t, rowField);
    int c = position(colField, static_cast<int>(row.cells.size()), "单元格");
    const TableCell& cell = row.cells[static_cast<std::size_t>(c - 1)];
    if (cell.mergedAway) throw CheckError("单元格 (" + rowField + "," + colField + ") 已与上方合并");
    return cell;
}

std::vector<const TableCell*> rowCells(const TableRow& row) {
    std::vector<const TableCell*> out;
    for (auto& c : row.cells)
        if (!c.mergedAway) out.push_back(&c);
    return out;
}

std::vector<const TableCell*> columnCells(const Table& t, const std::string& field) {
    int c = position(field, t.columnCount(), "列");
    std::vector<const TableCell*> out;
    for (auto& r : t.rows)
        if (static_cast<int>(r.cells.size()) >= c && !r.cells[static_cast<std::size_t>(c - 1)].mergedAway)
            out.push_back(&r.cells[static_cast<std::size_t>(c - 1)]);
    return out;
}

template <class T, class F>
std::optional<T> uniformOver(const std::vector<const TableCell*>& cells, F get) {
    std::optional<T> value;
    for (auto* c : cells) {
        T v = get(*c);
        if (value && !(*value == v)) return std::nullopt;
        value = v;
    }
    return value;
}

Border uniformBorder(const std::vector<const TableCell*>& cells, int side) {
    return uniformOver<Border>(cells, [side](const TableCell& c) { return c.borders[static_cast<std::size_t>(side)]; })
        .value_or(Border{kUndefined, kUndefined, kUndefined, false});
}

// Row(r).Borders(side): the outer sides of the row's cells, the lines between them.
Border rowBorder(const std::vector<const TableCell*>& cells, int side) {
    if (cells.empty()) throw CheckError("该行没有单元格");
    switch (side) {
    case kLeft: return cells.front()->borders[kLeft];
    case kRight: return cells.back()->borders[kRight];
    case kInsideV:
        if (cells.size() > 1) return uniformBorder({cells.begin(), cells.end() - 1}, kRight);
        return cells.front()->borders[kInsideV];
    default: return uniformBorder(cells, side);
    }
}

Border columnBorder(const std::vector<const TableCell*>& cells, int side) {
    if (cells.empty()) throw CheckError("该列没有单元格");
    switch (side) {
    case kTop: return cells.front()->borders[kTop];
    case kBottom: return cells.back()->borders[kBottom];
    case kInsideH:
        if (cells.size() > 1) return uniformBorder({cells.begin(), cells.end() - 1}, kBottom);
        return cells.front()->borders[kInsideH];
    default: return uniformBorder(cells, side);
    }
}

// The one length of cells within a twip of the first cell's, else undefined.
double uniformLength(const std::vector<const TableCell*>& cells, const std::function<std::optional<double>(const TableCell&)>& get) {
    std::optional<double> first;
    for (auto* c : cells) {
        auto v = get(*c);
        if (!v || (first && !withinATwip(*first, *v))) return kUndefined;
        if (!first) first = v;
    }
    return first.value_or(kUndefined);
}

// WdColorIndex of a shading colour: the palette by exact colour, else undefined.
int colorIndexOf(int color) {
    static constexpr int palette[17] = {kColorAutomatic, 0,       0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF,
                                        0x0000FF,        0x00FFFF, 0xFFFFFF, 0x800000, 0x808000, 0x008000,
                                        0x800080,        0x000080, 0x008080, 0x808080, 0xC0C0C0};
    for (int i = 0; i < 17; ++i)
        if (palette[i] == color) return i;
    return kUndefined;
}

// Word grants Rows(r) and Columns(c) only of tables laid out evenly enough.
void requireRowAccess(const Table& t) {
    if (t.verticallyMerged) throw CheckError("表格有纵向合并的单元格，Word 无法按行读取（错误 5991）");
}
void requireColumnAccess(const Table& t) {
    if (t.mixedCellWidths) throw CheckError("表格各行的单元格宽度不一，Word 无法按列读取（错误 5992）");
}

// ---- the checks of each kind ------------------------------------------------

// The object a rule's first position names, found once before its kind's check
// runs: the range of a character, a sentence or a paragraph, the paragraph,
// the table. Page set-up, shapes, headers, footers and the search look at the
// document itself.
struct Subject {
    const Document& doc;
    const RuleFields& f;
    Range range{doc, 0, 0};
    int paragraph = 0;  // 1-based
    const Table* table = nullptr;

    const Paragraph& para() const { return doc.paragraphs()[static_cast<std::size_t>(paragraph - 1)]; }
    const ParaFormat& format() const { return para().format; }

    const TableRow& row() const {
        requireRowAccess(*table);
        return rowAt(*table, f.at(Position::Row));
    }
    std::vector<const TableCell*> column() const {
        requireColumnAccess(*table);
        return columnCells(*table, f.at(Position::Column));
    }
    const TableCell& cell() const { return cellAt(*table, f.at(Position::Row), f.at(Position::Column)); }
    const Shape& textFrame() const { return textFrameShape(doc, f.at(Position::Shape)); }
    const Shape& wordArt() const { return wordArtShape(doc, f.at(Position::Shape)); }
};

Subject subjectOf(const Document& doc, const RuleFields& f) {
    if (f.kind.positions.empty()) return {doc, f};  // the page set-up
    const Position first = f.kind.positions.front();
    if (first == Position::Character) {
        int n = position(f.at(Position::Character), static_cast<int>(doc.characters().size()), "字符");
        return {doc, f, Range{doc, n - 1, n}};
    }
    if (first == Position::Sentence) {
        int n = position(f.at(Position::Sentence), static_cast<int>(doc.sentences().size()), "句子");
        auto [begin, end] = doc.sentences()[static_cast<std::size_t>(n - 1)];
        return {doc, f, Range{doc, begin, end}};
    }
    if (first == Position::Paragraph) {
        int n = position(f.at(Position::Paragraph), static_cast<int>(doc.paragraphs().size()), "段落");
        const Paragraph& p = doc.paragraphs()[static_cast<std::size_t>(n - 1)];
        return {doc, f, Range{doc, p.first, p.last + 1}, n};
    }
    if (first == Position::Table) return {doc, f, Range{doc, 0, 0}, 0, &tableAt(doc, f.at(Position::Table))};
    return {doc, f};
}

// Reads shared by the kinds of characters, sentences and paragraphs. A
// character's border is its top side (Borders.Item(1)); a sentence rule names
// the side.
int rangeSide(const RuleFields& f) { return f.takes(Position::Side) ? f.side() : 0; }
CheckOutcome rangeFill(const Subject& s) { return compareInt(s.range.shading().fill, s.f.entry()); }
CheckOutcome rangeTexture(const Subject& s) { return compareInt(s.range.shading().texture, s.f.entry()); }
CheckOutcome rangeLineStyle(const Subject& s) {
    return compareInt(s.range.border(rangeSide(s.f)).lineStyle, s.f.entry());
}
CheckOutcome rangeLineWidth(const Subject& s) {
    return compareInt(s.range.border(rangeSide(s.f)).lineWidth, s.f.entry());
}
CheckOutcome rangeBorderColor(const Subject& s) {
    return compareInt(s.range.border(rangeSide(s.f)).color, s.f.entry());
}
CheckOutcome rangeShadow(const Subject& s) { return shadowCheck(s.range.shadow(), s.f); }
CheckOutcome rangeDecoration(const Subject& s) { return decorationCheck(s.range, s.f); }
CheckOutcome rangeFont(const Subject& s) { return compareText(s.range.fontName(), s.f.value()); }
CheckOutcome rangeSize(const Subject& s) { return compareLength(s.range.size(), s.f.wholeValue()); }
CheckOutcome rangeColor(const Subject& s) { return compareInt(s.range.color(), s.f.entry()); }

// A text compared without the marks that close it: Range.Text shows a field's
// result, not its code (a formula's sum).
CheckOutcome closedText(const std::string& text, const RuleFields& f) {
    return {withoutClosingMarks(text) == f.value(), visibleText(text)};
}

// A page set-up length of every section that starts a page.
template <double Section::*length>
CheckOutcome pageLength(const Subject& s) {
    return compareLength(pageSetup(s.doc, [](const Section& sec) { return sec.*length; }), s.f.wholeValue());
}

// The check of each rule kind, one row a kind in number order: it reads the
// kind's value from the object its first position names (Subject) and
// compares it with the rule. What a kind's fields are and where they stand is
// the table of rule kinds (common/answer/rule_kinds.h); this table is joined
// to it by the kind's number and covers every kind of it, as the
// static_asserts below make sure. Plain function pointers: dispatching a rule
// costs one indexed call and no allocation.
using Check = CheckOutcome (*)(const Subject&);
struct KindCheck {
    int number;
    Check check;
};

constexpr KindCheck kChecks[] = {
    // characters
    {1, [](const Subject& s) { return compareText(s.doc.text(s.range.first, s.range.end), s.f.value()); }},
    {2, rangeFill},
    {3, rangeTexture},
    {4, rangeLineStyle},
    {5, rangeLineWidth},
    {6, rangeBorderColor},
    {7, rangeShadow},
    {8, rangeDecoration},
    {9, rangeFont},
    {10, rangeSize},
    {11, rangeColor},
    // sentences
    {12, [](const Subject& s) { return closedText(s.doc.resultText(s.range.first, s.range.end), s.f); }},
    {13, rangeFill},
    {14, rangeTexture},
    {15, rangeLineStyle},
    {16, rangeLineWidth},
    {17, rangeBorderColor},
    {18, rangeShadow},
    {19, rangeDecoration},
    {20, rangeFont},
    {21, rangeSize},
    {22, rangeColor},
    // paragraphs
    {23, [](const Subject& s) { return compareInt(s.format().lineSpacingRule, s.f.entry()); }},
    {24, [](const Subject& s) { return compareLength(s.format().leftIndent, s.f.wholeValue()); }},
    {25, [](const Subject& s) { return compareLength(s.format().rightIndent, s.f.wholeValue()); }},
    {26, [](const Subject& s) { return compareLength(s.format().firstLineIndent, s.f.wholeValue()); }},
    {27, [](const Subject& s) { return compareLength(s.format().spaceAfter, s.f.wholeValue()); }},
    {28,
     [](const Subject& s) {
         const Border& b = s.format().borders[static_cast<std::size_t>(s.f.side())];
         return compareInt(b.lineStyle, s.f.entry());
     }},
    {29,
     [](const Subject& s) {
         const Border& b = s.format().borders[static_cast<std::size_t>(s.f.side())];
         return compareInt(b.lineWidth, s.f.entry());
     }},
    {30,
     [](const Subject& s) {
         const auto& borders = s.format().borders;
         bool shadow = std::any_of(borders.begin(), borders.begin() + 4, [](const Border& b) { return b.shadow; });
         return shadowCheck(shadow, s.f);
     }},
    {31, [](const Subject& s) { return compareInt(s.format().shading.fill, s.f.entry()); }},
    {32, [](const Subject& s) { return compareInt(s.format().shading.texture, s.f.entry()); }},
    {33, [](const Subject& s) { return compareInt(s.format().alignment, s.f.entry()); }},
    {34, rangeDecoration},
    {35, rangeFont},
    {36, rangeSize},
    {37, rangeColor},
    // page borders
    {38,
     [](const Subject& s) {
         return compareInt(s.doc.sections().front().pageBorders[static_cast<std::size_t>(s.f.side())].artStyle,
                           s.f.entry());
     }},
    {39,
     [](const Subject& s) {
         return compareInt(s.doc.sections().front().pageBorders[static_cast<std::size_t>(s.f.side())].artWidth,
                           s.f.wholeValue());
     }},
    // drop caps
    {40, rangeFont},
    {41, [](const Subject& s) { return compareInt(s.format().dropCap.position, s.f.entry()); }},
    {42, [](const Subject& s) { return compareInt(s.format().dropCap.lines, s.f.wholeValue()); }},
    {43, [](const Subject& s) { return compareLength(s.format().dropCap.distance, s.f.wholeValue()); }},
    // text boxes
    {44,
     [](const Subject& s) -> CheckOutcome {
         const Shape& shape = s.textFrame();
         return {dropLastCharacter(shape.frameText) == s.f.value(), visibleText(shape.frameText)};
     }},
    {45, [](const Subject& s) { return compareInt(s.textFrame().orientation, s.f.entry()); }},
    {46, [](const Subject& s) { return compareLength(s.textFrame().marginBottom, s.f.wholeValue()); }},
    // page break before
    {47,
     [](const Subject& s) -> CheckOutcome {
         // LibreOffice writes "page break before" as a page break ending the
         // previous paragraph; either way the paragraph starts a new page.
         const auto& paragraphs = s.doc.paragraphs();
         bool before = s.format().pageBreakBefore ||
                       (s.paragraph > 1 && paragraphs[static_cast<std::size_t>(s.paragraph - 2)].endsWithPageBreak);
         return {before, before ? "段前分页" : "无段前分页"};
     }},
    // WordArt
    {48, [](const Subject& s) { return compareText(s.wordArt().wordArtText, s.f.value()); }},
    {49, [](const Subject& s) { return compareText(s.wordArt().wordArtFont, s.f.value()); }},
    {50, [](const Subject& s) { return compareInt(s.wordArt().wordArtBold, -1); }},
    {51, [](const Subject& s) { return compareInt(s.wordArt().wordArtItalic, -1); }},
    {52, [](const Subject& s) { return compareInt(s.wordArt().wordArtPreset, s.f.entry()); }},
    // headers and footers
    {53, [](const Subject& s) { return closedText(s.doc.headerText(headerNumber(s.f.at(Position::HeaderFooter))), s.f); }},
    {54, [](const Subject& s) { return closedText(s.doc.footerText(headerNumber(s.f.at(Position::HeaderFooter))), s.f); }},
    // columns and page set-up
    {55,
     [](const Subject& s) {
         // An empty column count reads as 0.
         long long expected = s.f.value().empty() ? 0 : s.f.wholeValue();
         return compareInt(
             static_cast<long long>(pageSetup(s.doc, SectionsRead::All, [](const Section& sec) { return sec.columns; })),
             expected);
     }},
    {56,
     [](const Subject& s) {
         return compareLength(
             pageSetup(s.doc, SectionsRead::All, [](const Section& sec) { return sec.firstColumnSpaceAfter; }),
             s.f.wholeValue());
     }},
    {57,
     [](const Subject& s) {
         int paper = s.f.entry();
         return compareInt(static_cast<long long>(pageSetup(s.doc, [](const Section& sec) { return sec.paperSize; })),
                           paper);
     }},
    {58,
     [](const Subject& s) {
         bool lo = s.doc.writtenByLibreOffice();
         return compareLength(pageSetup(s.doc, [lo](const Section& sec) { return topMargin(sec, lo); }),
                              s.f.wholeValue());
     }},
    {59,
     [](const Subject& s) {
         bool lo = s.doc.writtenByLibreOffice();
         return compareLength(pageSetup(s.doc, [lo](const Section& sec) { return bottomMargin(sec, lo); }),
                              s.f.wholeValue());
     }},
    {60, pageLength<&Section::left>},
    {61, pageLength<&Section::right>},
    {62, pageLength<&Section::gutter>},
    {63, pageLength<&Section::header>},
    {64, pageLength<&Section::footer>},
    // tables
    {65, [](const Subject& s) { return compareInt(static_cast<long long>(s.table->rows.size()), s.f.wholeValue()); }},
    {66, [](const Subject& s) { return compareInt(s.table->columnCount(), s.f.wholeValue()); }},
    {67,
     [](const Subject& s) {
         const TableCell& c = s.cell();
         return closedText(s.doc.resultText(c.first, c.last + 1), s.f);
     }},
    {68,
     [](const Subject& s) -> CheckOutcome {
         const TableCell& c = s.cell();
         int d = s.f.entry();
         bool visible = c.borders[d == -7 ? kDiagDown : kDiagUp].present();
         return {visible, visible ? "有斜线" : "无斜线"};
     }},
    {69,
     [](const Subject& s) {
         const TableCell& c = s.cell();
         return compareInt(c.shading.texture, s.f.entry());
     }},
    {70,
     [](const Subject& s) {
         auto cells = rowCells(s.row());
         auto fill = uniformOver<int>(cells, [](const TableCell& c) { return c.shading.fill; });
         return compareInt(fill ? colorIndexOf(*fill) : kUndefined, s.f.entry());
     }},
    {71,
     [](const Subject& s) {
         Border b = rowBorder(rowCells(s.row()), s.f.side());
         return compareInt(b.lineStyle, s.f.entry());
     }},
    {72,
     [](const Subject& s) {
         Border b = rowBorder(rowCells(s.row()), s.f.side());
         return compareInt(b.lineWidth, s.f.entry());
     }},
    {73,
     [](const Subject& s) {
         Border b = columnBorder(s.column(), s.f.side());
         return compareInt(b.lineStyle, s.f.entry());
     }},
    {74,
     [](const Subject& s) {
         Border b = columnBorder(s.column(), s.f.side());
         return compareInt(b.lineWidth, s.f.entry());
     }},
    {75,
     [](const Subject& s) {
         return compareLength(uniformLength(rowCells(s.row()), [](const TableCell& c) { return c.width; }),
                              s.f.wholeValue());
     }},
    {76,
     [](const Subject& s) {
         return compareLength(uniformLength(s.column(), [](const TableCell& c) { return c.width; }), s.f.wholeValue());
     }},
    {77, [](const Subject& s) { return compareLength(s.row().height.value_or(0), s.f.wholeValue()); }},
    {78,
     [](const Subject& s) {
         const Table& t = *s.table;
         requireColumnAccess(t);
         int c = position(s.f.at(Position::Column), t.columnCount(), "列");
         std::optional<double> value;
         double h = 0;
         for (auto& r : t.rows) {
             if (static_cast<int>(r.cells.size()) < c || r.cells[static_cast<std::size_t>(c - 1)].mergedAway)
                 continue;
             double rh = r.height.value_or(0);
             if (value && !withinATwip(*value, rh)) {
                 h = kUndefined;
                 break;
             }
             if (!value) value = h = rh;
         }
         return compareLength(h, s.f.wholeValue());
     }},
    {79,
     [](const Subject& s) {
         auto cells = rowCells(s.row());
         auto v = uniformOver<int>(cells, [](const TableCell& c) { return c.verticalAlignment; });
         return compareInt(v.value_or(kUndefined), s.f.entry());
     }},
    {80, [](const Subject& s) { return compareInt(s.table->alignment, s.f.entry()); }},
    // the search
    {81,
     [](const Subject& s) -> CheckOutcome {
         // The find field is compared as text: "0" must be found, "1" must not.
         const std::string& mode = s.f.at(Position::Find);
         const std::string& text = s.f.value();
         bool found = !text.empty() && s.doc.found(text);
         if (mode == "0") return {found, found ? "找到" : "未找到"};
         if (mode == "1") return {!found, found ? "找到" : "未找到"};
         throw CheckError("查找方式 " + visibleText(mode) + " 不是 0 或 1");
     }},
};

static_assert(std::size(kChecks) == answer::kRuleKindCount, "every kind of the table of rule kinds has a check");
constexpr bool checksNumberedInOrder() {
    for (int i = 0; i < answer::kRuleKindCount; ++i)
        if (kChecks[i].number != i + 1 || kChecks[i].check == nullptr) return false;
    return true;
}
static_assert(checksNumberedInOrder(), "the check of kind n stands at place n");

}  // namespace

CheckOutcome runCheck(const Document& doc, int kind, const AnswerRule& rule) {
    const answer::RuleKind* k = answer::findRuleKind(kind);
    if (!k) throw CheckError("没有第 " + std::to_string(kind) + " 种规则");
    RuleFields f{*k, rule};
    return kChecks[kind - 1].check(subjectOf(doc, f));
}

}  // namespace kav::word
