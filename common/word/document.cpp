#include "common/word/document.h"

// The model's answers: what Word reports of a document once it is read.
// Reading a .docx into the model is document_reader.cpp.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/core/utf8.h"
#include "common/word/shown_text.h"
#include "common/word/text_index.h"

namespace kav::word {

int colorFromHex(std::string_view hex) {
    if (hex.size() != 6) return kColorAutomatic;
    unsigned rgb = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + 6, rgb, 16);
    if (ec != std::errc{} || end != hex.data() + 6) return kColorAutomatic;
    unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return static_cast<int>(r | (g << 8) | (b << 16));
}

FontSlot fontSlotOf(char32_t c, bool hintEastAsia) {
    if (c < 0x80) return kAscii;
    auto in = [c](char32_t a, char32_t b) { return c >= a && c <= b; };
    if (in(0x1100, 0x11FF) || in(0x2E80, 0x303F) || in(0x3040, 0x9FFF) || in(0xA000, 0xA4CF) ||
        in(0xAC00, 0xD7AF) || in(0xF900, 0xFAFF) || in(0xFE30, 0xFE4F) || in(0xFF00, 0xFFEF) || c >= 0x20000)
        return kEastAsia;
    if (in(0x0590, 0x08FF) || in(0x0E00, 0x0E7F) || in(0xFB1D, 0xFDFF) || in(0xFE70, 0xFEFF)) return kComplex;
    // Punctuation shared by Chinese and Western text follows the run's hint.
    if (hintEastAsia && (in(0x00A1, 0x00FF) || in(0x2000, 0x27BF))) return kEastAsia;
    return kHAnsi;
}

bool withinATwip(double a, double b) { return std::fabs(a - b) <= kTwip + 1e-9; }

double cellLength(double points) {
    double whole = std::round(points);
    return withinATwip(points, whole) ? whole : points;
}

int Table::columnCount() const {
    std::size_t n = 0;
    for (auto& r : rows) n = std::max(n, r.cells.size());
    return static_cast<int>(n);
}

Document::~Document() = default;

std::size_t Document::paragraphAt(int i) const {
    // Paragraphs hold consecutive runs of characters, in order.
    auto it = std::lower_bound(paras_.begin(), paras_.end(), i, [](const Paragraph& p, int c) { return p.last < c; });
    return static_cast<std::size_t>(it - paras_.begin());
}

std::string Document::text(int first, int end) const {
    std::string out;
    for (int i = std::max(first, 0); i < end && i < static_cast<int>(chars_.size()); ++i) {
        const Character& c = chars_[static_cast<std::size_t>(i)];
        switch (c.kind) {
        case CharKind::Text: appendUtf8(out, c.code); break;
        case CharKind::ParagraphMark: out += '\r'; break;
        case CharKind::SectionMark: out += '\f'; break;
        case CharKind::CellEnd:
        case CharKind::RowEnd: out += "\r\a"; break;
        }
    }
    return out;
}

const std::string& Document::searchText() const {
    if (!searchIndex_) searchIndex_ = std::make_unique<TextIndex>(std::move(searchText_));
    return searchIndex_->text();
}

bool Document::found(std::string_view text) const {
    searchText();
    return searchIndex_->contains(text);
}

const std::string& Document::fontName(int i) const {
    const Character& c = chars_.at(static_cast<std::size_t>(i));
    const CharFormat& f = runs_[c.run];
    return fontNames_[f.fonts[c.isMark() ? kAscii : fontSlotOf(c.code, f.hintEastAsia)]];
}

std::string Document::headerText(int h) const {
    if (h < 1 || h > 3 || !hasFirstHeader_[static_cast<std::size_t>(h - 1)]) return "\r";
    return firstHeaders_[static_cast<std::size_t>(h - 1)];
}

std::string Document::footerText(int h) const {
    if (h < 1 || h > 3 || !hasFirstFooter_[static_cast<std::size_t>(h - 1)]) return "\r";
    return firstFooters_[static_cast<std::size_t>(h - 1)];
}

// The text with field codes left out: Find and the other stories' Range.Text
// show a field's result only.
std::string Document::resultText(int first, int end) const {
    first = std::max(first, 0);
    end = std::min(end, static_cast<int>(chars_.size()));
    if (first >= end) return {};
    // Written through a pointer into room for the longest encoding (four
    // bytes a character), then cut to what was written.
    std::string out(4 * static_cast<std::size_t>(end - first), '\0');
    char* at = out.data();
    FieldCodeFilter fields;
    for (int i = first; i < end; ++i) {
        const Character& c = chars_[static_cast<std::size_t>(i)];
        if (fields.shows(c)) at = putResult(at, c);
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

}  // namespace kav::word
