// The printed sheet's geometry, pages and cell fitting, as numbers.
#include <gtest/gtest.h>

#include "common/scores/sheet_layout.h"

namespace mendrix::scores {
namespace {

TEST(SheetGeometry, BandsAndCellBoundariesInMillimetres) {
    const SheetGeometry& g = sheetGeometry();
    EXPECT_DOUBLE_EQ(g.pageWidth, 210.0);
    EXPECT_DOUBLE_EQ(g.pageHeight, 297.0);
    EXPECT_DOUBLE_EQ(g.margin, 10.0);
    EXPECT_DOUBLE_EQ(g.titleHeight, 10.6);
    EXPECT_DOUBLE_EQ(g.titleLeft, 32.2);
    EXPECT_DOUBLE_EQ(g.titleRight, 94.0);
    EXPECT_DOUBLE_EQ(g.headerHeight, 8.5);
    EXPECT_DOUBLE_EQ(g.detailHeight, 8.0);
    const std::array<double, 9> edges = {0.6, 27.6, 46.7, 66.8, 82.9, 98.7, 114.2, 130.1, 143.1};
    EXPECT_EQ(g.cellEdges, edges);
    EXPECT_NEAR(g.cellWidth(Kstime), 20.1, 1e-9);
    EXPECT_DOUBLE_EQ(g.titlePoints, 16.0);
    EXPECT_DOUBLE_EQ(g.headerPoints, 12.0);
    EXPECT_DOUBLE_EQ(g.detailPoints, 10.0);
}

TEST(SheetGeometry, FontsAreMappedToInstalledFamilies) {
    EXPECT_EQ(fontChoice(SheetFont::LiShu).named, "隶书");
    EXPECT_EQ(fontChoice(SheetFont::SimSun).named, "宋体");
    EXPECT_EQ(fontChoice(SheetFont::Arial).named, "Arial");
    EXPECT_EQ(fontChoice(SheetFont::Arial).installed, "Liberation Sans");
    EXPECT_EQ(fontChoice(SheetFont::SimSun).installed, "Noto Serif CJK SC");
    EXPECT_EQ(fontChoice(SheetFont::LiShu).installed, "AR PL UKai CN");
    // Detail cells: Arial for ASCII, 宋体 for Chinese (one face per cell).
    EXPECT_EQ(detailFont("110199990001"), SheetFont::Arial);
    EXPECT_EQ(detailFont("2026-12-09 14:05:30"), SheetFont::Arial);
    EXPECT_EQ(detailFont("张三"), SheetFont::SimSun);
    EXPECT_EQ(detailFont("Li 李"), SheetFont::SimSun);
}

TEST(SheetPages, ThirtyTwoRowsOnTheFirstPageAndThirtyThreeOnEachNext) {
    EXPECT_EQ(sheetGeometry().rowsOnFirstPage(), 32);
    EXPECT_EQ(sheetGeometry().rowsOnLaterPage(), 33);
    struct Case {
        int rows;
        std::vector<SheetPage> pages;
    };
    const Case cases[] = {
        {0, {{true, 0, 0}}},
        {1, {{true, 0, 1}}},
        {32, {{true, 0, 32}}},
        {33, {{true, 0, 32}, {false, 32, 1}}},
        {65, {{true, 0, 32}, {false, 32, 33}}},
        {66, {{true, 0, 32}, {false, 32, 33}, {false, 65, 1}}},
    };
    for (const Case& c : cases) {
        const auto pages = paginate(c.rows);
        ASSERT_EQ(pages.size(), c.pages.size()) << c.rows << " rows";
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(pages[i].hasTitle, c.pages[i].hasTitle) << c.rows << " rows, page " << i;
            EXPECT_EQ(pages[i].firstRow, c.pages[i].firstRow) << c.rows << " rows, page " << i;
            EXPECT_EQ(pages[i].rowCount, c.pages[i].rowCount) << c.rows << " rows, page " << i;
        }
    }
}

TEST(SheetCells, LinesBreakAtSpacesElseEvenlyBetweenCharacters) {
    struct Case {
        std::string text;
        int lines;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"2026-12-09 14:05:30", 2, {"2026-12-09", "14:05:30"}},
        {"欧阳娜娜娜", 2, {"欧阳", "娜娜娜"}},
        {"abcdef", 3, {"ab", "cd", "ef"}},
        {"abc", 1, {"abc"}},
        {"a b c", 2, {"a ", "b c"}},  // not exactly two words: split by characters
    };
    for (const Case& c : cases) EXPECT_EQ(breakIntoLines(c.text, c.lines), c.expected) << c.text;
}

// A measure in which every character is `em` of a point wide: 1 pt = 0.3528 mm.
MeasureText perCharacter(double em) {
    return [em](const std::string& text, double points) {
        long chars = 0;
        for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
        return chars * em * points * kMmPerPoint;
    };
}

TEST(SheetCells, TextIsWrappedThenShrunkButNeverWiderThanItsCell) {
    const double cell = 20.1, band = 8.0, room = cell - 2 * kCellPadding;
    struct Case {
        std::string text;
        double em;
        size_t lines;
        double points;
        bool condensed;
    };
    const Case cases[] = {
        {"25", 0.55, 1, 10.0, false},                   // fits as it is
        {"2026-12-09 14:05:30", 0.55, 2, 9.5, false},  // date over time, a little smaller to fit two lines in 8 mm
        {"2026-12-09", 0.5, 1, 10.0, false},           // midnight: the date alone fits
        {std::string(40, 'W'), 0.9, 3, 6.0, true},      // too long even at the minimum: condensed, not cut
    };
    for (const Case& c : cases) {
        const MeasureText width = perCharacter(c.em);
        const FittedText f = fitCellText(c.text, cell, band, 10.0, width);
        EXPECT_EQ(f.lines.size(), c.lines) << c.text;
        EXPECT_DOUBLE_EQ(f.points, c.points) << c.text;
        EXPECT_EQ(f.stretch < 1.0, c.condensed) << c.text;
        std::string joined;
        for (const std::string& l : f.lines) {
            EXPECT_LE(width(l, f.points) * f.stretch, room + 1e-9) << c.text << ": " << l;
            joined += l;
        }
        EXPECT_GE(f.points, kMinimumPoints) << c.text;
        EXPECT_LE(f.lines.size() * f.points * kLineSpacing * kMmPerPoint, band + 1e-9) << c.text;
        // Nothing is lost: the lines hold every character except the break's space.
        std::string unbroken = c.text;
        if (f.lines.size() == 2 && c.text.find(' ') != std::string::npos) unbroken.erase(unbroken.find(' '), 1);
        EXPECT_EQ(joined, unbroken) << c.text;
    }
}

}  // namespace
}  // namespace mendrix::scores
