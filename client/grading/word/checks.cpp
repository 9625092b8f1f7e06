#include "client/grading/word/checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

#include "common/answer/value_lists.h"
#include "common/core/ascii.h"
#include "common/core/utf8.h"

namespace kav::word {

using answer::AnswerRule;
using answer::ListId;

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
                return &doc.paragraphs()[c.paragraph];
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

// Border numbers of character, sentence and paragraph borders: Word's
// WdBorderType (-1 top, -2 left, -3 bottom, -4 right, -5 between lines) or the
// member's place 1-4 in the order top, left, bottom, right.
int textBorderSide(const std::string& field, bool allowBetween) {
    long long s = whole(field, "边框编号");
    if (s >= -4 && s <= -1) return static_cast<int>(-s - 1);
    if (s >= 1 && s <= 4) return static_cast<int>(s - 1);
    if (allowBetween && s == -5) return 4;
    throw CheckError("边框编号 " + std::to_string(s) + " 不存在");
}

CheckOutcome shadowCheck(bool shadow, const std::string& entryField) {
    int entry = listValue(ListId::YesNo, entryField);
    return {entry == 0 ? shadow : !shadow, shadow ? "有阴影" : "无阴影"};
}

CheckOutcome decorationCheck(const Range& r, const std::string& entryField) {
    long long entry = whole(entryField, "列表项");
    auto& list = answer::valueList(ListId::Decoration);
    if (!list.wordValue(entry)) throw CheckError("列表项 " + std::to_string(entry) + " 不在decoration列表中");
    if (entry < answer::kBooleanDecorations) {
        int v = r.decoration(static_cast<int>(entry));
        return {v == 1, std::string(list.entries()[static_cast<std::size_t>(entry)].text) + "=" + number(v)};
    }
    return compareInt(r.underline(), *list.wordValue(entry));
}

// The checks shared by characters (kinds 1-11) and sentences (12-22).
CheckOutcome rangeCheck(const Range& r, int offset, const AnswerRule& rule) {
    const std::string& v = rule.field(4);
    switch (offset) {
    case 0: return compareText(r.doc.text(r.first, r.end), v);
    case 1: return compareInt(r.shading().fill, listValue(ListId::Colour, v));
    case 2: return compareInt(r.shading().texture, listValue(ListId::Texture, v));
    case 7: return decorationCheck(r, v);
    case 8: return compareText(r.fontName(), v);
    case 9: return compareLength(r.size(), whole(v));
    case 10: return compareInt(r.color(), listValue(ListId::Colour, v));
    }
    return {};
}

// ---- paragraphs -------------------------------------------------------------

CheckOutcome paragraphCheck(const Document& doc, int kind, const AnswerRule& rule) {
    int n = position(rule.field(3), static_cast<int>(doc.paragraphs().size()), "段落");
    const Paragraph& p = doc.paragraphs()[static_cast<std::size_t>(n - 1)];
    const ParaFormat& f = p.format;
    Range range{doc, p.first, p.last + 1};
    const std::string& v = rule.field(4);
    switch (kind) {
    case 23: return compareInt(f.lineSpacingRule, listValue(ListId::LineSpacing, v));
    case 24: return compareLength(f.leftIndent, whole(v));
    case 25: return compareLength(f.rightIndent, whole(v));
    case 26: return compareLength(f.firstLineIndent, whole(v));
    case 27: return compareLength(f.spaceAfter, whole(v));
    case 28: {
        const Border& b = f.borders[static_cast<std::size_t>(textBorderSide(rule.field(4), true))];
        return compareInt(b.lineStyle, listValue(ListId::LineStyle, rule.field(5)));
    }
    case 29: {
        const Border& b = f.borders[static_cast<std::size_t>(textBorderSide(rule.field(4), true))];
        return compareInt(b.lineWidth, listValue(ListId::LineWidth, rule.field(5)));
    }
    case 30: {
        bool shadow = std::any_of(f.borders.begin(), f.borders.begin() + 4, [](const Border& b) { return b.shadow; });
        return shadowCheck(shadow, v);
    }
    case 31: return compareInt(f.shading.fill, listValue(ListId::Colour, v));
    case 32: return compareInt(f.shading.texture, listValue(ListId::Texture, v));
    case 33: return compareInt(f.alignment, listValue(ListId::Alignment, v));
    case 34: return decorationCheck(range, v);
    case 35: return compareText(range.fontName(), v);
    case 36: return compareLength(range.size(), whole(v));
    case 37: return compareInt(range.color(), listValue(ListId::Colour, v));
    case 40: return compareText(range.fontName(), v);
    case 41: return compareInt(f.dropCap.position, listValue(ListId::DropPosition, v));
    case 42: return compareInt(f.dropCap.lines, whole(v));
    case 43: return compareLength(f.dropCap.distance, whole(v));
    case 47: {
        // LibreOffice writes "page break before" as a page break ending the
        // previous paragraph; either way the paragraph starts a new page.
        bool before = f.pageBreakBefore || (n > 1 && doc.paragraphs()[static_cast<std::size_t>(n - 2)].endsWithPageBreak);
        return {before, before ? "段前分页" : "无段前分页"};
    }
    }
    return {};
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

// A page set-up value: Word reports one value for the whole document, or
// wdUndefined when its sections differ.
double pageSetup(const Document& doc, const std::function<double(const Section&)>& get) {
    double v = get(doc.sections().front());
    for (auto& s : doc.sections())
        if (std::fabs(get(s) - v) > 1e-9) return kUndefined;
    return v;
}

// Writer's own page margin becomes the header (footer) distance when the page
// has a header (footer), and its top (bottom) margin then also holds the
// header's height: the candidate set the former.
double topMargin(const Section& s, bool libreOffice) { return libreOffice && s.hasHeader ? s.header : s.top; }
double bottomMargin(const Section& s, bool libreOffice) { return libreOffice && s.hasFooter ? s.footer : s.bottom; }
// Writer's left margin includes the gutter; it writes the margin less the gutter.
double leftMargin(const Section& s, bool libreOffice) { return libreOffice ? s.left + s.gutter : s.left; }

int pageBorderSide(const std::string& field) {
    long long s = whole(field, "边框编号");
    if (s >= -4 && s <= -1) return static_cast<int>(-s - 1);
    if (s >= 1 && s <= 4) return static_cast<int>(s - 1);
    throw CheckError("页面边框编号 " + std::to_string(s) + " 不存在");
}

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

// WdBorderType -1..-8 (or the places 1..6) of a row's or column's borders.
int tableBorderSide(const std::string& field) {
    long long s = whole(field, "边框编号");
    if (s >= -8 && s <= -1) return static_cast<int>(-s - 1);
    if (s >= 1 && s <= 6) return static_cast<int>(s - 1);
    throw CheckError("边框编号 " + std::to_string(s) + " 不存在");
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

CheckOutcome tableCheck(const Document& doc, int kind, const AnswerRule& rule) {
    const Table& t = tableAt(doc, rule.field(3));
    switch (kind) {
    case 65: return compareInt(static_cast<long long>(t.rows.size()), whole(rule.field(4)));
    case 66: return compareInt(t.columnCount(), whole(rule.field(4)));
    case 67: {
        const TableCell& c = cellAt(t, rule.field(4), rule.field(5));
        std::string text = doc.resultText(c.first, c.last + 1);
        return {withoutClosingMarks(text) == rule.field(6), visibleText(text)};
    }
    case 68: {
        const TableCell& c = cellAt(t, rule.field(4), rule.field(5));
        int d = listValue(ListId::Diagonal, rule.field(6));
        bool visible = c.borders[d == -7 ? kDiagDown : kDiagUp].present();
        return {visible, visible ? "有斜线" : "无斜线"};
    }
    case 69: {
        const TableCell& c = cellAt(t, rule.field(4), rule.field(5));
        return compareInt(c.shading.texture, listValue(ListId::Texture, rule.field(6)));
    }
    case 70: {
        auto cells = rowCells(rowAt(t, rule.field(4)));
        auto fill = uniformOver<int>(cells, [](const TableCell& c) { return c.shading.fill; });
        return compareInt(fill ? colorIndexOf(*fill) : kUndefined, listValue(ListId::Highlight, rule.field(5)));
    }
    case 71:
    case 72: {
        Border b = rowBorder(rowCells(rowAt(t, rule.field(4))), tableBorderSide(rule.field(5)));
        if (kind == 71) return compareInt(b.lineStyle, listValue(ListId::LineStyle, rule.field(6)));
        return compareInt(b.lineWidth, listValue(ListId::LineWidth, rule.field(6)));
    }
    case 73:
    case 74: {
        Border b = columnBorder(columnCells(t, rule.field(4)), tableBorderSide(rule.field(5)));
        if (kind == 73) return compareInt(b.lineStyle, listValue(ListId::LineStyle, rule.field(6)));
        return compareInt(b.lineWidth, listValue(ListId::LineWidth, rule.field(6)));
    }
    case 75:
        return compareLength(uniformLength(rowCells(rowAt(t, rule.field(4))), [](const TableCell& c) { return c.width; }),
                             whole(rule.field(5)));
    case 76:
        return compareLength(uniformLength(columnCells(t, rule.field(4)), [](const TableCell& c) { return c.width; }),
                             whole(rule.field(5)));
    case 77: {
        const TableRow& row = rowAt(t, rule.field(4));
        return compareLength(row.height.value_or(0), whole(rule.field(5)));
    }
    case 78: {
        int c = position(rule.field(4), t.columnCount(), "列");
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
        return compareLength(h, whole(rule.field(5)));
    }
    case 79: {
        auto cells = rowCells(rowAt(t, rule.field(4)));
        auto v = uniformOver<int>(cells, [](const TableCell& c) { return c.verticalAlignment; });
        return compareInt(v.value_or(kUndefined), listValue(ListId::VerticalAlignment, rule.field(5)));
    }
    case 80: return compareInt(t.alignment, listValue(ListId::TableAlignment, rule.field(4)));
    }
    return {};
}

}  // namespace

CheckOutcome runCheck(const Document& doc, int kind, const AnswerRule& rule) {
    const std::string& f3 = rule.field(3);
    if (kind >= 1 && kind <= 11) {
        int n = position(f3, static_cast<int>(doc.characters().size()), "字符");
        Range r{doc, n - 1, n};
        switch (kind) {
        case 4: return compareInt(r.border(0).lineStyle, listValue(ListId::LineStyle, rule.field(4)));
        case 5: return compareInt(r.border(0).lineWidth, listValue(ListId::LineWidth, rule.field(4)));
        case 6: return compareInt(r.border(0).color, listValue(ListId::Colour, rule.field(4)));
        case 7: return shadowCheck(r.shadow(), rule.field(4));
        default: return rangeCheck(r, kind - 1, rule);
        }
    }
    if (kind >= 12 && kind <= 22) {
        int n = position(f3, static_cast<int>(doc.sentences().size()), "句子");
        auto [first, end] = doc.sentences()[static_cast<std::size_t>(n - 1)];
        Range r{doc, first, end};
        switch (kind) {
        case 12: {
            // Range.Text shows a field's result, not its code (a formula's sum).
            std::string text = doc.resultText(first, end);
            return {withoutClosingMarks(text) == rule.field(4), visibleText(text)};
        }
        case 15: return compareInt(r.border(textBorderSide(rule.field(4), false)).lineStyle,
                                   listValue(ListId::LineStyle, rule.field(5)));
        case 16: return compareInt(r.border(textBorderSide(rule.field(4), false)).lineWidth,
                                   listValue(ListId::LineWidth, rule.field(5)));
        case 17: return compareInt(r.border(textBorderSide(rule.field(4), false)).color,
                                   listValue(ListId::Colour, rule.field(5)));
        case 18: return shadowCheck(r.shadow(), rule.field(4));
        default: return rangeCheck(r, kind - 12, rule);
        }
    }
    if ((kind >= 23 && kind <= 37) || (kind >= 40 && kind <= 43) || kind == 47) return paragraphCheck(doc, kind, rule);
    if (kind >= 65 && kind <= 80) return tableCheck(doc, kind, rule);

    const Section& sec1 = doc.sections().front();
    const std::string& v = rule.field(4);
    bool lo = doc.writtenByLibreOffice();
    switch (kind) {
    case 38: return compareInt(sec1.pageBorders[static_cast<std::size_t>(pageBorderSide(f3))].artStyle,
                               listValue(ListId::PageArt, v));
    case 39: return compareInt(sec1.pageBorders[static_cast<std::size_t>(pageBorderSide(f3))].artWidth, whole(v));
    case 44: {
        const Shape& s = textFrameShape(doc, f3);
        return {dropLastCharacter(s.frameText) == v, visibleText(s.frameText)};
    }
    case 45: return compareInt(textFrameShape(doc, f3).orientation, listValue(ListId::Orientation, v));
    case 46: return compareLength(textFrameShape(doc, f3).marginBottom, whole(v));
    case 48: return compareText(wordArtShape(doc, f3).wordArtText, v);
    case 49: return compareText(wordArtShape(doc, f3).wordArtFont, v);
    case 50: return compareInt(wordArtShape(doc, f3).wordArtBold, -1);
    case 51: return compareInt(wordArtShape(doc, f3).wordArtItalic, -1);
    case 52: return compareInt(wordArtShape(doc, f3).wordArtPreset, listValue(ListId::WordArtShape, v));
    case 53: {
        std::string text = doc.headerText(headerNumber(f3));
        return {withoutClosingMarks(text) == v, visibleText(text)};
    }
    case 54: {
        std::string text = doc.footerText(headerNumber(f3));
        return {withoutClosingMarks(text) == v, visibleText(text)};
    }
    case 55: {
        long long expected = f3.empty() ? 0 : whole(f3);
        return compareInt(static_cast<long long>(pageSetup(doc, [](const Section& s) { return s.columns; })), expected);
    }
    case 56: return compareLength(pageSetup(doc, [](const Section& s) { return s.firstColumnSpaceAfter; }), whole(f3));
    case 57: {
        long long entry = whole(f3, "列表项");
        auto paper = answer::valueList(ListId::Paper).wordValue(entry);
        if (!paper) throw CheckError("列表项 " + std::to_string(entry) + " 不在paper列表中");
        double actual = pageSetup(doc, [](const Section& s) { return s.paperSize; });
        return compareInt(static_cast<long long>(actual), *paper);
    }
    case 58: return compareLength(pageSetup(doc, [lo](const Section& s) { return topMargin(s, lo); }), whole(f3));
    case 59: return compareLength(pageSetup(doc, [lo](const Section& s) { return bottomMargin(s, lo); }), whole(f3));
    case 60: return compareLength(pageSetup(doc, [lo](const Section& s) { return leftMargin(s, lo); }), whole(f3));
    case 61: return compareLength(pageSetup(doc, [](const Section& s) { return s.right; }), whole(f3));
    case 62: return compareLength(pageSetup(doc, [](const Section& s) { return s.gutter; }), whole(f3));
    case 63: return compareLength(pageSetup(doc, [](const Section& s) { return s.header; }), whole(f3));
    case 64: return compareLength(pageSetup(doc, [](const Section& s) { return s.footer; }), whole(f3));
    case 81: {
        const std::string& text = rule.field(4);
        bool found = !text.empty() && doc.searchText().find(text) != std::string::npos;
        if (f3 == "0") return {found, found ? "找到" : "未找到"};
        if (f3 == "1") return {!found, found ? "找到" : "未找到"};
        throw CheckError("查找方式 " + visibleText(f3) + " 不是 0 或 1");
    }
    }
    throw CheckError("没有第 " + std::to_string(kind) + " 种规则");
}

}  // namespace kav::word
