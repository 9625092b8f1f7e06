#include "common/scores/sheet_layout.h"

#include <algorithm>
#include <cmath>

#include "common/core/utf8.h"

namespace mendrix::scores {

FontChoice fontChoice(SheetFont font) {
    switch (font) {
        case SheetFont::LiShu: return {"隶书", "AR PL UKai CN"};  // a brush script, the nearest free kin of LiShu
        case SheetFont::SimSun: return {"宋体", "Noto Serif CJK SC"};
        case SheetFont::Arial: return {"Arial", "Liberation Sans"};  // metric-compatible with Arial
    }
    return {"", ""};
}

SheetFont detailFont(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return SheetFont::SimSun;
    return SheetFont::Arial;
}

const SheetGeometry& sheetGeometry() {
    static const SheetGeometry g;
    return g;
}

int SheetGeometry::rowsOnFirstPage() const {
    return static_cast<int>((printableHeight() - titleHeight - headerHeight) / detailHeight);
}
int SheetGeometry::rowsOnLaterPage() const {
    return static_cast<int>((printableHeight() - headerHeight) / detailHeight);
}

std::vector<SheetPage> paginate(int rows) {
    const SheetGeometry& g = sheetGeometry();
    std::vector<SheetPage> pages;
    int first = std::min(rows, g.rowsOnFirstPage());
    pages.push_back({true, 0, first});
    for (int next = first; next < rows; next += g.rowsOnLaterPage())
        pages.push_back({false, next, std::min(rows - next, g.rowsOnLaterPage())});
    return pages;
}

std::vector<std::string> breakIntoLines(const std::string& text, int lines) {
    if (lines <= 1) return {text};
    std::vector<std::string> words;
    for (size_t start = 0;;) {
        size_t space = text.find(' ', start);
        words.push_back(text.substr(start, space == std::string::npos ? std::string::npos : space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    if (static_cast<int>(words.size()) == lines) return words;
    // Evenly between characters (never inside a UTF-8 sequence).
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        if (!kav::nextCodePoint(text, i)) ++i;  // a stray byte counts as one character
    }
    const int chars = static_cast<int>(starts.size());
    std::vector<std::string> out;
    for (int l = 0; l < lines; ++l) {
        int from = chars * l / lines, to = chars * (l + 1) / lines;
        size_t a = from < chars ? starts[from] : text.size(), b = to < chars ? starts[to] : text.size();
        out.push_back(text.substr(a, b - a));
    }
    return out;
}

FittedText fitCellText(const std::string& text, double cellWidth, double bandHeight, double points,
                       const MeasureText& width) {
    const double room = cellWidth - 2 * kCellPadding;
    auto linesThatFit = [&](double pt) {
        return std::max(1, static_cast<int>(std::floor(bandHeight / (pt * kLineSpacing * kMmPerPoint))));
    };
    auto widest = [&](const std::vector<std::string>& lines, double pt) {
        double w = 0;
        for (const std::string& l : lines) w = std::max(w, width(l, pt));
        return w;
    };
    if (text.empty() || width(text, points) <= room) return {{text}, points, 1.0};
    for (double pt = points; pt >= kMinimumPoints - 1e-9; pt -= 0.5) {
        for (int n = 1; n <= linesThatFit(pt); ++n) {
            auto lines = breakIntoLines(text, n);
            if (widest(lines, pt) <= room) return {lines, pt, 1.0};
        }
    }
    // Condensed at the minimum size on as many lines as the band holds.
    auto lines = breakIntoLines(text, linesThatFit(kMinimumPoints));
    return {lines, kMinimumPoints, room / widest(lines, kMinimumPoints)};
}

}  // namespace mendrix::scores
