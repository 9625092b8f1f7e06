// Page set-up over several sections, and tables that Word will not read by row
// or by column. lo_sections and lo_merged_tables were made through Writer's
// own API (fixtures/make_writer_api.py); the others are hand-written OOXML for
// what Writer cannot write.
#include <gtest/gtest.h>

#include "common/word/checks.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::word::test::fixtureDoc;
using kav::word::test::gradeOne;

namespace {

struct Case {
    const char* fixture;
    const char* rule;
    int earned;
    const char* observed = nullptr;  // a part of the reported value or reason
};

void run(const std::vector<Case>& cases) {
    for (auto& c : cases) {
        RuleResult r = gradeOne(fixtureDoc(c.fixture), c.rule);
        EXPECT_EQ(r.earned, c.earned) << c.fixture << ": " << c.rule << " read " << r.observed;
        if (c.observed) {
            EXPECT_NE(r.observed.find(c.observed), std::string::npos)
                << c.fixture << ": " << c.rule << " read " << r.observed;
        }
    }
}

// Writer 7.4: left 72 pt, gutter 18 pt, all margins 72 pt, a header and a
// footer, the second of three paragraphs in two columns (three sections).
constexpr const char* LS = "lo_sections.docx";
// Hand-written Word file: section 2 inherits every header and footer and has
// another gutter on the same page.
constexpr const char* WS = "sections_word.docx";
// Hand-written Writer file: a page style without a header, a column section,
// then a page style with a header and a left margin of 90 pt.
constexpr const char* WW = "sections_writer.docx";
// Writer 7.4: table 1 merged down, table 2 merged across, table 3 plain.
constexpr const char* LT = "lo_merged_tables.docx";
// Hand-written tables: 1 widths differ, 2 widths a twip apart, 3 a row set in
// by w:gridBefore, 4 a merge that nothing continues, 5 merged down.
constexpr const char* TL = "table_layouts.docx";

}  // namespace

TEST(WordPageSetup, WritersLeftMarginIsTheMarginWithoutTheGutter) {
    run({
        {LS, "60 1 72", 1},  {LS, "60 1 90", 0, "72"},  {LS, "62 1 18", 1},
        {"lo_gutter.docx", "60 1 52", 1},  // ODF's margin 72 pt held the gutter of 20 pt
        {WS, "60 1 72", 1},
    });
}

TEST(WordPageSetup, MarginsOfSectionsThatInheritTheirHeader) {
    run({
        // Writer's margin is the header distance on every page with a header,
        // the inherited one included.
        {LS, "58 1 72", 1},  {LS, "59 1 72", 1},  {LS, "58 1 87", 0, "72"},
        {LS, "63 1 72", 1},  {LS, "64 1 72", 1},
        {LS, "53 1 1 页眉文字", 1},  {LS, "54 1 1 页脚文字", 1},
        // A page without a header, then one with: each by its own rule.
        {WW, "58 1 72", 1},  {WW, "59 1 72", 1},
    });
    const auto& s = fixtureDoc(WS).sections();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[1].headerParts, s[0].headerParts);  // none of its own: all of section 1
    EXPECT_EQ(s[1].footerParts, s[0].footerParts);
    EXPECT_TRUE(s[1].hasHeader());
    EXPECT_NE(s[2].headerParts[0], s[0].headerParts[0]);  // its own default header
    EXPECT_EQ(s[2].headerParts[1], s[0].headerParts[1]);  // the first-page one inherited
    EXPECT_EQ(s[2].footerParts[0], s[0].footerParts[0]);
    EXPECT_EQ(s[3].headerParts, s[2].headerParts);
    EXPECT_FALSE(fixtureDoc(WW).sections()[0].hasHeader());
}

TEST(WordPageSetup, WritersColumnSectionsDoNotCountForThePage) {
    const auto& s = fixtureDoc(LS).sections();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_TRUE(s[0].startsPage);
    EXPECT_FALSE(s[1].startsPage);
    EXPECT_EQ(s[1].gutter, 0);  // what Writer writes into its column section
    run({
        {LS, "62 1 18", 1},  {LS, "62 1 0", 0},  {LS, "61 1 72", 1},  {LS, "57 1 7", 1},
        {WW, "62 1 18", 1},
        // A page style that really differs still makes the value mixed.
        {WW, "60 1 72", 0, "9999999"},  {WW, "60 1 90", 0, "9999999"},
        // Word's own file: a section on the same page counts, as Word counts it.
        {WS, "62 1 0", 0, "9999999"},  {WS, "62 1 36", 0, "9999999"},
    });
}

TEST(WordTables, RowsOfVerticallyMergedTablesAreRefused) {
    run({
        {LT, "70 1 1 1 0", 0, "5991"},   {LT, "71 1 1 1 -3 1", 0, "5991"}, {LT, "72 1 1 1 -3 1", 0, "5991"},
        {LT, "75 1 1 3 161", 0, "5991"}, {LT, "77 1 1 1 0", 0, "5991"},    {LT, "79 1 1 3 0", 0, "5991"},
        {LT, "71 1 2 1 -3 1", 1},  // merged across: rows are readable
        {LT, "71 1 3 1 -3 1", 1},        {LT, "79 1 3 1 0", 1},
        {LT, "67 1 1 3 2 B3", 1},  // single cells stay readable
        {TL, "71 1 5 1 -3 1", 0, "5991"}, {TL, "73 1 5 1 -3 1", 1},
        {TL, "71 1 4 2 -3 1", 1},  // a merge that nothing continues merges nothing
        {TL, "71 1 1 1 -3 1", 1},        {TL, "71 1 3 2 -3 1", 1},
    });
}

TEST(WordTables, ColumnsOfTablesWithMixedCellWidthsAreRefused) {
    run({
        {LT, "73 1 2 1 -2 1", 0, "5992"}, {LT, "74 1 2 1 -2 1", 0, "5992"},
        {LT, "76 1 2 3 161", 0, "5992"},  {LT, "78 1 2 1 0", 0, "5992"},
        {LT, "73 1 1 1 -2 1", 1},  // merged down: columns are readable
        {LT, "73 1 3 2 -3 1", 1},         {LT, "66 1 2 3", 1},
        {TL, "73 1 1 1 -3 1", 0, "5992"}, {TL, "76 1 1 1 50", 0, "5992"},
        {TL, "73 1 2 1 -3 1", 1},  // a twip apart: Writer's rounding, alike
        {TL, "73 1 3 1 -3 1", 0, "5992"},  // set in by one grid column
        {TL, "73 1 4 2 -3 1", 1},
    });
}
