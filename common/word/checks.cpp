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

    int number() const { return kind.number; }
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

[[noreturn]] void noCheck(int kind) {
    throw std::logic_error("第 " + std::to_string(kind) + " 种规则没有检查");
}

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

// The checks of a range of text: a character, a sentence or a paragraph's
// range. A character's border is its top side (Borders.Item(1)); a sentence
// rule names the side.
CheckOutcome rangeCheck(const Range& r, const RuleFields& f) {
    auto side = [&] { return f.takes(Position::Side) ? f.side() : 0; };
    switch (f.number()) {
    case 1: return compareText(r.doc.text(r.first, r.end), f.value());
    case 12: {
        // Range.Text shows a field's result, not its code (a formula's sum).
        std::string text = r.doc.resultText(r.first, r.end);
        return {withoutClosingMarks(text) == f.value(), visibleText(text)};
    }
    case 2: case 13: return compareInt(r.shading().fill, f.entry());
    case 3: case 14: return compareInt(r.shading().texture, f.entry());
    case 4: case 15: return compareInt(r.border(side()).lineStyle, f.entry());
    case 5: case 16: return compareInt(r.border(side()).lineWidth, f.entry());
    case 6: case 17: return compareInt(r.border(side()).color, f.entry());
    case 7: case 18: return shadowCheck(r.shadow(), f);
    case 8: case 19: case 34: return decorationCheck(r, f);
    case 9: case 20: case 35: return compareText(r.fontName(), f.value());
    case 10: case 21: case 36: return compareLength(r.size(), f.wholeValue());
    case 11: case 22: case 37: return compareInt(r.color(), f.entry());
    }
    noCheck(f.number());
}

// ---- paragraphs -------------------------------------------------------------

CheckOutcome paragraphCheck(const Document& doc, const RuleFields& rf) {
    int n = position(rf.at(Position::Paragraph), static_cast<int>(doc.paragraphs().size()), "段落");
    const Paragraph& p = doc.paragraphs()[static_cast<std::size_t>(n - 1)];
    const ParaFormat& f = p.format;
    Range range{doc, p.first, p.last + 1};
    switch (rf.number()) {
    case 23: return compareInt(f.lineSpacingRule, rf.entry());
    case 24: return compareLength(f.leftIndent, rf.wholeValue());
    case 25: return compareLength(f.rightIndent, rf.wholeValue());
    case 26: return compareLength(f.firstLineIndent, rf.wholeValue());
    case 27: return compareLength(f.spaceAfter, rf.wholeValue());
    case 28: {
        const Border& b = f.borders[static_cast<std::size_t>(rf.side())];
        return compareInt(b.lineStyle, rf.entry());
    }
    case 29: {
        const Border& b = f.borders[static_cast<std::size_t>(rf.side())];
        return compareInt(b.lineWidth, rf.entry());
    }
    case 30: {
        bool shadow = std::any_of(f.borders.begin(), f.borders.begin() + 4, [](const Border& b) { return b.shadow; });
        return shadowCheck(shadow, rf);
    }
    case 31: return compareInt(f.shading.fill, rf.entry());
    case 32: return compareInt(f.shading.texture, rf.entry());
    case 33: return compareInt(f.alignment, rf.entry());
    case 34: case 35: case 36: case 37: return rangeCheck(range, rf);
    case 40: return compareText(range.fontName(), rf.value());
    case 41: return compareInt(f.dropCap.position, rf.entry());
    case 42: return compareInt(f.dropCap.lines, rf.wholeValue());
    case 43: return compareLength(f.dropCap.distance, rf.wholeValue());
    case 47: {
        // LibreOffice writes "page break before" as a page break ending the
        // previous paragraph; either way the paragraph starts a new page.
        bool before = f.pageBreakBefore || (n > 1 && doc.paragraphs()[static_cast<std::size_t>(n - 2)].endsWithPageBreak);
        return {before, before ? "段前分页" : "无段前分页"};
    }
    }
    noCheck(rf.number());
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

double uniformLength(const std::vector<const TableCell*>& cells, const std::function<std::optional<double>(const TableCell&)>& get) {
    std::optional<double> value;
    for (auto* c : cells) {
        auto v = get(*c);
        if (!v) return kUndefined;
        if (value && std::fabs(*value - *v) > 0.01) return kUndefined;
        value = v;
    }
    return value.value_or(kUndefined);
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

CheckOutcome tableCheck(const Document& doc, const RuleFields& f) {
    const Table& t = tableAt(doc, f.at(Position::Table));
    auto row = [&]() -> const TableRow& {
        requireRowAccess(t);
        return rowAt(t, f.at(Position::Row));
    };
    auto column = [&] {
        requireColumnAccess(t);
        return columnCells(t, f.at(Position::Column));
    };
    auto cell = [&]() -> const TableCell& { return cellAt(t, f.at(Position::Row), f.at(Position::Column)); };
    auto side = [&] { return f.side(); };
    switch (f.number()) {
    case 65: return compareInt(static_cast<long long>(t.rows.size()), f.wholeValue());
    case 66: return compareInt(t.columnCount(), f.wholeValue());
    case 67: {
        const TableCell& c = cell();
        std::string text = doc.resultText(c.first, c.last + 1);
        return {withoutClosingMarks(text) == f.value(), visibleText(text)};
    }
    case 68: {
        const TableCell& c = cell();
        int d = f.entry();
        bool visible = c.borders[d == -7 ? kDiagDown : kDiagUp].present();
        return {visible, visible ? "有斜线" : "无斜线"};
    }
    case 69: {
        const TableCell& c = cell();
        return compareInt(c.shading.texture, f.entry());
    }
    case 70: {
        auto cells = rowCells(row());
        auto fill = uniformOver<int>(cells, [](const TableCell& c) { return c.shading.fill; });
        return compareInt(fill ? colorIndexOf(*fill) : kUndefined, f.entry());
    }
    case 71:
    case 72: {
        Border b = rowBorder(rowCells(row()), side());
        if (f.number() == 71) return compareInt(b.lineStyle, f.entry());
        return compareInt(b.lineWidth, f.entry());
    }
    case 73:
    case 74: {
        Border b = columnBorder(column(), side());
        if (f.number() == 73) return compareInt(b.lineStyle, f.entry());
        return compareInt(b.lineWidth, f.entry());
    }
    case 75:
        return compareLength(uniformLength(rowCells(row()), [](const TableCell& c) { return c.width; }),
                             f.wholeValue());
    case 76:
        return compareLength(uniformLength(column(), [](const TableCell& c) { return c.width; }), f.wholeValue());
    case 77: return compareLength(row().height.value_or(0), f.wholeValue());
    case 78: {
        requireColumnAccess(t);
        int c = position(f.at(Position::Column), t.columnCount(), "列");
        std::optional<double> value;
        double h = 0;
        for (auto& r : t.rows) {
            if (static_cast<int>(r.cells.size()) < c || r.cells[static_cast<std::size_t>(c - 1)].mergedAway) continue;
            double rh = r.height.value_or(0);
            if (value && std::fabs(*value - rh) > 0.01) {
                h = kUndefined;
                break;
            }
            value = h = rh;
        }
        return compareLength(h, f.wholeValue());
    }
    case 79: {
        auto cells = rowCells(row());
        auto v = uniformOver<int>(cells, [](const TableCell& c) { return c.verticalAlignment; });
        return compareInt(v.value_or(kUndefined), f.entry());
    }
    case 80: return compareInt(t.alignment, f.entry());
    }
    noCheck(f.number());
}

// The checks of the page, the shapes, headers and footers, and the search.
CheckOutcome documentCheck(const Document& doc, const RuleFields& f) {
    const Section& sec1 = doc.sections().front();
    bool lo = doc.writtenByLibreOffice();
    switch (f.number()) {
    case 38: return compareInt(sec1.pageBorders[static_cast<std::size_t>(f.side())].artStyle,
                               f.entry());
    case 39: return compareInt(sec1.pageBorders[static_cast<std::size_t>(f.side())].artWidth,
                               f.wholeValue());
    case 44: {
        const Shape& s = textFrameShape(doc, f.at(Position::Shape));
        return {dropLastCharacter(s.frameText) == f.value(), visibleText(s.frameText)};
    }
    case 45: return compareInt(textFrameShape(doc, f.at(Position::Shape)).orientation, f.entry());
    case 46: return compareLength(textFrameShape(doc, f.at(Position::Shape)).marginBottom, f.wholeValue());
    case 48: return compareText(wordArtShape(doc, f.at(Position::Shape)).wordArtText, f.value());
    case 49: return compareText(wordArtShape(doc, f.at(Position::Shape)).wordArtFont, f.value());
    case 50: return compareInt(wordArtShape(doc, f.at(Position::Shape)).wordArtBold, -1);
    case 51: return compareInt(wordArtShape(doc, f.at(Position::Shape)).wordArtItalic, -1);
    case 52: return compareInt(wordArtShape(doc, f.at(Position::Shape)).wordArtPreset, f.entry());
    case 53: {
        std::string text = doc.headerText(headerNumber(f.at(Position::HeaderFooter)));
        return {withoutClosingMarks(text) == f.value(), visibleText(text)};
    }
    case 54: {
        std::string text = doc.footerText(headerNumber(f.at(Position::HeaderFooter)));
        return {withoutClosingMarks(text) == f.value(), visibleText(text)};
    }
    case 55: {
        // An empty column count reads as 0.
        long long expected = f.value().empty() ? 0 : f.wholeValue();
        return compareInt(
            static_cast<long long>(pageSetup(doc, SectionsRead::All, [](const Section& s) { return s.columns; })),
            expected);
    }
    case 56:
        return compareLength(pageSetup(doc, SectionsRead::All, [](const Section& s) { return s.firstColumnSpaceAfter; }),
                             f.wholeValue());
    case 57: {
        int paper = f.entry();
        return compareInt(static_cast<long long>(pageSetup(doc, [](const Section& s) { return s.paperSize; })), paper);
    }
    case 58: return compareLength(pageSetup(doc, [lo](const Section& s) { return topMargin(s, lo); }), f.wholeValue());
    case 59: return compareLength(pageSetup(doc, [lo](const Section& s) { return bottomMargin(s, lo); }), f.wholeValue());
    case 60: return compareLength(pageSetup(doc, [](const Section& s) { return s.left; }), f.wholeValue());
    case 61: return compareLength(pageSetup(doc, [](const Section& s) { return s.right; }), f.wholeValue());
    case 62: return compareLength(pageSetup(doc, [](const Section& s) { return s.gutter; }), f.wholeValue());
    case 63: return compareLength(pageSetup(doc, [](const Section& s) { return s.header; }), f.wholeValue());
    case 64: return compareLength(pageSetup(doc, [](const Section& s) { return s.footer; }), f.wholeValue());
    case 81: {
        // The find field is compared as text: "0" must be found, "1" must not.
        const std::string& mode = f.at(Position::Find);
        const std::string& text = f.value();
        bool found = !text.empty() && doc.found(text);
        if (mode == "0") return {found, found ? "找到" : "未找到"};
        if (mode == "1") return {!found, found ? "找到" : "未找到"};
        throw CheckError("查找方式 " + visibleText(mode) + " 不是 0 或 1");
    }
    }
    noCheck(f.number());
}

}  // namespace

CheckOutcome runCheck(const Document& doc, int kind, const AnswerRule& rule) {
    const answer::RuleKind* k = answer::findRuleKind(kind);
    if (!k) throw CheckError("没有第 " + std::to_string(kind) + " 种规则");
    RuleFields f{*k, rule};
    if (k->positions.empty()) return documentCheck(doc, f);  // the page set-up
    // The first position names the object the kind looks at.
    switch (k->positions.front()) {
    case Position::Character: {
        int n = position(f.at(Position::Character), static_cast<int>(doc.characters().size()), "字符");
        return rangeCheck(Range{doc, n - 1, n}, f);
    }
    case Position::Sentence: {
        int n = position(f.at(Position::Sentence), static_cast<int>(doc.sentences().size()), "句子");
        auto [first, end] = doc.sentences()[static_cast<std::size_t>(n - 1)];
        return rangeCheck(Range{doc, first, end}, f);
    }
    case Position::Paragraph: return paragraphCheck(doc, f);
    case Position::Table: return tableCheck(doc, f);
    default: return documentCheck(doc, f);
    }
}

}  // namespace kav::word
