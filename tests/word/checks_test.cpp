// Every rule kind against documents written by LibreOffice Writer (lo_text),
// python-docx (python_docx) and hand-written OOXML for what neither writes.
// Each row grades one rule worth 1 point and says whether it must earn it.
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

constexpr const char* L = "lo_text.docx";
constexpr const char* LS = "lo_shapes.docx";
constexpr const char* LG = "lo_gutter.docx";
constexpr const char* P = "python_docx.docx";
constexpr const char* Y = "styles.docx";
constexpr const char* T = "tables.docx";
constexpr const char* S = "shapes.docx";
constexpr const char* G = "page.docx";
constexpr const char* F = "fields.docx";
constexpr const char* W = "wps_style.docx";
// A script library's document (its own styles, w:start / w:end, jc end,
// w:b w:val="false", shapes without mc:AlternateContent) and Writer's re-save of it.
constexpr const char* J = "script_library.docx";
constexpr const char* LJ = "lo_script_library.docx";

}  // namespace

TEST(WordChecks, CharacterKinds1To11) {
    run({
        {L, "1 1 1 计", 1},           {L, "1 1 2 计", 0, "\"算\""},
        {L, "2 1 59 4", 1},           {L, "2 1 58 4", 0, "-16777216"},
        {F, "3 1 21 8", 1},           {L, "3 1 59 8", 0},
        {L, "4 1 59 1", 1},           {L, "4 1 58 1", 0},
        {L, "4 1 58 0", 1},  // no border line: line style 0
        {L, "5 1 59 1", 1},           {L, "5 1 59 0", 0},
        {L, "6 1 59 6", 1},           {L, "6 1 59 1", 0},
        {L, "7 1 59 1", 1},           {L, "7 1 59 0", 0},
        {F, "7 1 21 0", 1},           {F, "7 1 21 1", 0},
        {L, "8 1 1 0", 1, "Bold=1"},  {L, "8 1 10 0", 0, "Bold=0"},
        {L, "8 1 16 7", 1},           {L, "8 1 16 1", 1},
        {L, "8 1 16 8", 0},           {L, "8 1 59 6", 1},
        {L, "8 1 59 24", 0, "不在"},
        {L, "9 1 1 黑体", 1},         {L, "9 1 1 宋体", 0, "黑体"},
        {L, "10 1 1 14", 1},          {L, "10 1 59 10", 0, "10.5"},
        {L, "10 1 59 11", 0},
        {L, "11 1 1 6", 1},           {L, "11 1 10 6", 0},
        {Y, "10 1 37 22", 1},  // the paragraph mark has its own formatting
    });
}

TEST(WordChecks, SentenceKinds12To22) {
    run({
        {L, "12 1 1 计算机等级考试。", 1},
        {L, "12 1 4 第三句？", 1},  // ends with the page break and the paragraph mark
        {L, "12 1 2 Hello", 0, "Hello World. "},
        {L, "12 1 3 Second", 0, "Second sentence! "},
        {L, "13 1 1 7", 1},  // the sentence holds the mark: the paragraph's shading
        {L, "13 1 2 7", 0},
        {L, "14 1 1 0", 1},           {L, "14 1 1 40", 0},
        {L, "15 1 1 -1 1", 1},        {L, "15 1 1 -1 7", 0},
        {L, "15 1 7 -1 1", 0, "9999999"},  // partly bordered: mixed
        {L, "16 1 1 -3 4", 1},        {L, "16 1 1 -3 1", 0},
        {L, "17 1 1 -2 1", 1},        {L, "17 1 1 -2 6", 0},
        {L, "17 1 1 -9 1", 0, "不存在"},
        {L, "18 1 1 1", 1},           {L, "18 1 1 0", 0},
        {L, "19 1 1 0", 1},           {L, "19 1 2 0", 0},
        {L, "19 1 2 7", 0, "9999999"},
        {L, "20 1 1 黑体", 1},        {L, "20 1 2 黑体", 0},
        {L, "21 1 1 14", 1},          {L, "21 1 2 14", 0, "12"},
        {L, "22 1 1 6", 1},           {L, "22 1 2 6", 0},
        {L, "12 1 99 x", 0, "不存在"},
    });
}

TEST(WordChecks, ParagraphKinds23To37) {
    run({
        {L, "23 1 2 1", 1},           {L, "23 1 4 4", 1},          {L, "23 1 5 3", 1},
        {P, "23 1 3 2", 1},           {Y, "23 1 9 5", 1},          {L, "23 1 1 1", 0},
        {L, "24 1 2 28", 1},          {Y, "24 1 2 28", 0, "28.35"},  // 1 cm never equals 28
        {P, "24 1 2 20", 1},
        {L, "25 1 2 14", 1},          {L, "25 1 1 14", 0},
        {L, "26 1 2 21", 1},          {Y, "26 1 9 21", 1},  // 2 characters of 10.5 pt
        {Y, "26 1 11 24", 1},         {Y, "24 1 11 12", 1},  // in characters alone: 2 and 1 of 12 pt
        {P, "26 1 2 -10", 1},         {Y, "26 1 10 -18", 1},       {L, "26 1 1 21", 0},
        {L, "27 1 2 6", 1},           {Y, "27 1 2 12", 1},         {L, "27 1 1 6", 0},
        {L, "28 1 5 -3 7", 1},        {L, "28 1 1 -1 1", 1},       {L, "28 1 1 1 1", 1},
        {L, "28 1 5 -1 0", 1},  // a side without a border is style None
        {L, "28 1 5 -3 1", 0},        {L, "28 1 1 -1 -1", 0},
        {L, "29 1 1 -1 4", 1},        {L, "29 1 5 -3 0", 1},       {L, "29 1 1 -1 1", 0},
        {L, "30 1 5 0", 1},           {L, "30 1 1 0", 0},          {L, "30 1 1 1", 1},
        {L, "31 1 1 7", 1},           {L, "31 1 2 7", 0},          {F, "31 1 2 7", 1},
        {F, "32 1 2 4", 1},           {L, "32 1 1 0", 1},          {L, "32 1 1 8", 0},
        {L, "33 1 1 1", 1},           {L, "33 1 3 2", 1},          {L, "33 1 2 3", 1},
        {P, "33 1 2 4", 1},           {Y, "33 1 1 3", 1},          {L, "33 1 1 0", 0},
        {Y, "34 1 3 0", 1},           {Y, "34 1 3 1", 1},          {Y, "34 1 4 0", 0},
        {Y, "34 1 5 0", 0},  // bold paragraph style and bold character style: not bold
        {Y, "34 1 6 0", 1},           {Y, "34 1 10 9", 1},         {Y, "34 1 10 5", 1},
        {Y, "34 1 10 3", 0},
        {L, "35 1 1 黑体", 1},        {L, "35 1 2 黑体", 0},       {Y, "35 1 5 楷体", 1},
        {Y, "35 1 1 Calibri", 0},  // Latin in the theme's minor font, Chinese in 宋体: mixed
        {L, "36 1 1 14", 1},          {L, "36 1 2 14", 0},         {P, "36 1 4 10", 0, "10.5"},
        {Y, "36 1 7 11", 0},  // the mark's 22 pt does not count: the text is 10.5 pt
        {L, "37 1 1 6", 1},           {L, "37 1 2 6", 0},          {Y, "37 1 2 2", 1},
    });
}

TEST(WordChecks, DropCapAndPageBreakKinds40To47) {
    run({
        {G, "40 1 1 华文行楷", 1},   {G, "40 1 1 宋体", 0},
        {G, "41 1 1 1", 1},          {G, "41 1 3 2", 1},          {G, "41 1 2 0", 1},  {G, "41 1 1 2", 0},
        {G, "42 1 1 3", 1},          {G, "42 1 3 3", 0},
        {G, "43 1 1 6", 1},          {G, "43 1 1 5", 0},
        {L, "47 1 3", 1},  // Writer's page break at the end of paragraph 2
        {P, "47 1 3", 1},            {Y, "47 1 8", 1},            {L, "47 1 2", 0},  {Y, "47 1 7", 0},
    });
}

TEST(WordChecks, PageBorderTextBoxAndWordArtKinds38To52) {
    run({
        {G, "38 1 -1 0", 1},         {G, "38 1 -3 0", 0},         {G, "38 1 -4 163", 1},
        {G, "38 1 -2 16", 1},        {G, "38 1 -1 -1", 0},
        {G, "39 1 -1 20", 1},        {G, "39 1 -1 10", 0},        {G, "39 1 5 20", 0, "不存在"},
        {S, "44 1 3 甲框", 1},       {L, "44 1 1 文本框内容", 1},
        {S, "44 1 2 竖排", 0, "竖排\\r两段\\r"},                  {S, "44 1 6 x", 0, "不存在"},
        {S, "44 1 5 x", 0, "不是文本框"},
        {S, "45 1 3 3", 1},          {S, "45 1 2 4", 1},          {L, "45 1 1 1", 1},  {S, "45 1 3 1", 0},
        {S, "46 1 3 4", 1},          {S, "46 1 2 5", 1},          {L, "46 1 1 4", 1},  // Writer's 3.997 pt
        {L, "46 1 1 3", 0},
        {S, "48 1 5 艺术字VML", 1},  {S, "48 1 4 ArtDML", 1},     {S, "48 1 3 甲框", 0, "不是艺术字"},
        {S, "49 1 5 隶书", 1},       {S, "49 1 4 Impact", 1},     {S, "49 1 5 Impact", 0},
        {S, "50 1 5", 1},            {S, "50 1 4", 1},            {S, "50 1 3", 0},
        {S, "51 1 5", 1},            {S, "51 1 4", 0},
        {S, "52 1 5 9", 1},          {S, "52 1 4 9", 1},          {S, "52 1 5 1", 0},
        // Writer: Fontwork as DrawingML with a VML fallback, plain-text Fontwork as VML only
        {LS, "48 1 1 ArchArt", 1},   {LS, "49 1 1 Impact", 1},    {LS, "52 1 1 9", 1},
        {LS, "50 1 1", 0},  // Writer does not write the Fontwork's bold
        {LS, "48 1 3 PlainArt", 1},  {LS, "49 1 3 Impact", 1},    {LS, "52 1 3 1", 1},  {LS, "52 1 3 9", 0},
        {LS, "44 1 2 竖排框", 1},    {LS, "46 1 2 6", 1},
        {LS, "45 1 2 5", 0},  // nor a frame's text direction
    });
}

TEST(WordChecks, HeaderFooterAndPageSetupKinds53To64) {
    run({
        {L, "53 1 1 页眉文字", 1},   {G, "53 1 1 主页眉", 1},     {G, "53 1 2 首页", 0, "首页\\r眉\\r"},
        {P, "53 1 1 PDHeader", 1},   {P, "53 1 3 x", 0, "\\r"},   {G, "53 1 4 x", 0, "不存在"},
        {L, "54 1 1 页脚文字", 1},   {G, "54 1 1 1", 1},  // a PAGE field shows its result
        {P, "54 1 2 FirstFooter", 1}, {L, "54 1 1 页眉文字", 0},
        {L, "55 1 2", 1},            {G, "55 1 3", 1},            {P, "55 1 2", 1},    {Y, "55 1 2", 0},
        {L, "56 1 21", 1},           {G, "56 1 21", 0, "21.25"},  {Y, "56 1 36", 1},
        {L, "57 1 7", 1},            {P, "57 1 2", 1},            {S, "57 1 7", 1},    {Y, "57 1 7", 0},
        {Y, "57 1 42", 0, "不在"},
        {L, "58 1 54", 1},  // Writer's page margin, not its margin plus the header
        {Y, "58 1 72", 1},           {P, "58 1 36", 1},           {S, "58 1 57", 0, "56.7"},
        {L, "59 1 54", 1},           {P, "59 1 48", 1},           {Y, "59 1 54", 0},
        {L, "60 1 90", 1},           {P, "60 1 60", 1},           {L, "60 1 72", 0},
        {L, "61 1 72", 1},           {L, "61 1 90", 0},
        {P, "62 1 10", 1},           {L, "62 1 0", 1},            {Y, "62 1 28", 0},
        {L, "63 1 54", 1},           {P, "63 1 20", 1},           {Y, "63 1 42", 0, "42.55"},
        {P, "64 1 22", 1},           {L, "64 1 54", 1},           {P, "64 1 20", 0},
    });
}

TEST(WordChecks, TableKinds65To80) {
    run({
        {L, "65 1 1 2", 1},          {T, "65 1 2 3", 1},          {L, "65 1 1 3", 0},  {L, "65 1 3 2", 0, "不存在"},
        {L, "66 1 1 3", 1},          {T, "66 1 2 2", 1},          {L, "66 1 1 2", 0},
        {L, "67 1 1 1 1 甲", 1},     {T, "67 1 2 3 2 下", 1},     {P, "67 1 1 2 2 r2c2", 1},
        {L, "67 1 1 1 2 甲", 0},     {L, "67 1 1 2 1 丁戊", 0, "丁\\r戊\\r\\a"},
        {T, "67 1 2 3 1 x", 0, "合并"},
        {T, "68 1 1 2 1 0", 1},      {T, "68 1 1 2 2 1", 1},      {T, "68 1 1 2 1 1", 0},  {T, "68 1 1 1 1 0", 0},
        {T, "69 1 1 2 1 10", 1},     {T, "69 1 1 2 2 41", 1},     {L, "69 1 1 1 1 0", 1},  {T, "69 1 1 2 1 0", 0},
        {L, "70 1 1 1 6", 1},        {T, "70 1 1 2 7", 1},        {L, "70 1 1 2 6", 0},
        {L, "71 1 1 1 -1 1", 1},     {T, "71 1 1 1 -3 2", 1},     {T, "71 1 1 1 -6 4", 1},
        {P, "71 1 1 1 -1 1", 1},  // borders of the "Table Grid" style
        {T, "71 1 1 2 -3 2", 0},
        {L, "72 1 1 2 -1 4", 1},     {T, "72 1 1 1 -1 3", 1},     {L, "72 1 1 1 -1 4", 0},
        {L, "73 1 1 1 -2 1", 1},     {T, "73 1 1 1 -5 2", 1},     {P, "73 1 1 2 -4 1", 1},  {T, "73 1 1 2 -4 2", 0},
        {L, "74 1 1 1 -3 4", 1},     {L, "74 1 1 1 -1 4", 0},
        {L, "75 1 1 1 100", 1},      {T, "75 1 2 1 100", 0, "5991"},      {L, "75 1 1 1 99", 0},
        {L, "76 1 1 2 100", 1},      {T, "76 1 2 2 60", 0, "5992"}, {T, "76 1 2 1 40", 0, "5992"},
        {L, "77 1 1 1 30", 1},       {T, "77 1 1 2 20", 1},       {L, "77 1 1 1 29", 0},
        {T, "78 1 1 2 20", 1},       {L, "78 1 1 1 30", 0, "9999999"},
        {L, "79 1 1 1 1", 1},        {L, "79 1 1 2 2", 1},        {L, "79 1 1 1 0", 0},
        {L, "80 1 1 1", 1},          {P, "80 1 1 0", 1},          {L, "80 1 1 2", 0},
    });
}

TEST(WordChecks, FindKind81) {
    run({
        {L, "81 1 0 Case", 1},       {L, "81 1 1 case", 1},
        {L, "81 1 0 case", 0},  // only in another letter case
        {L, "81 1 1 Case", 0},       {L, "81 1 2 Case", 0, "不是 0 或 1"},
        {L, "81 1 0 甲", 1},  // table text is main text
        {L, "81 1 0 文本框内容", 0},  // text boxes are not
        {F, "81 1 0 前2026后", 1},    {F, "81 1 1 DATE", 1},  // field results, not codes
        {F, "81 1 0 删", 0},  // deleted revisions are gone
    });
}

TEST(WordChecks, TextsOfSentencesAndCellsShowFieldResults) {
    run({
        {F, "12 1 3 共15元。", 1},        {F, "12 1 3 共元。", 0, "\"共15元。\\r\""},
        {F, "67 1 1 1 1 150", 1},         {F, "67 1 1 1 2 2", 1},
        {F, "67 1 1 1 1 =SUM(LEFT)", 0, "\"150\\r\\a\""},
        {F, "1 1 4 D", 1},  // the characters still count the field code
    });
}

TEST(WordChecks, PositionsFirstLastAndBadNumbers) {
    run({
        {L, "1 1 first 计", 1},      {L, "36 1 last 12", 1},      {L, "12 1 LAST x", 0},
        {L, "1 1 2x 计", 0, "不是整数"},                         {L, "1 1 0 计", 0, "不存在"},
        {L, "1 1 -3 计", 0, "不存在"},                           {L, "10 1 1 14.0", 0, "不是整数"},
        {L, "65 1 first 2", 1},      {S, "48 1 last 艺术字VML", 1},
    });
}

TEST(WordChecks, WhatWriterWritesAsWordWould) {
    run({
        {LG, "60 1 52", 1},  // the gutter is not part of Writer's left margin
        {LG, "62 1 20", 1},          {LG, "60 1 72", 0},
        {LG, "7 1 2 0", 1},          {LG, "7 1 1 0", 0},
        {LG, "8 1 2 2", 1},          {LG, "8 1 4 3", 1},          {LG, "8 1 4 4", 1},  {LG, "8 1 4 5", 1},
        {LG, "8 1 1 2", 0},
        {LG, "31 1 1 42", 1},  // Gray25
        {LG, "50 1 1", 0},           {LG, "51 1 1", 0},  // Fontwork bold and italic are not written
    });
}

TEST(WordChecks, WpsStyleOutput) {
    run({
        {W, "9 1 1 宋体", 1},  // a quotation mark with the East Asian hint
        {W, "9 1 5 Times", 0, "Times New Roman"},  // the same mark without it
        {W, "1 1 8 选", 1},          {W, "81 1 1 后备", 1},       {W, "81 1 0 回退", 1},
        {W, "41 1 4 1", 1},          {W, "42 1 4 2", 1},          {W, "40 1 4 黑体", 1},  {W, "43 1 4 0", 1},
        {W, "26 1 5 21", 1},
        {W, "44 1 1 衬底", 1},  // behind the text: first
        {W, "44 1 2 回退框", 1},     {W, "46 1 2 0", 1},          {W, "44 1 3 x", 0, "不存在"},
    });
}

TEST(WordChecks, LengthsCompareWithinTheFormatsRounding) {
    EXPECT_TRUE(lengthEquals(3.997, 4));
    EXPECT_TRUE(lengthEquals(28.006, 28));
    EXPECT_FALSE(lengthEquals(28.35, 28));
    EXPECT_FALSE(lengthEquals(10.5, 10));
    EXPECT_FALSE(lengthEquals(10.5, 11));
    EXPECT_FALSE(lengthEquals(kUndefined, 9999999 - 1));
}

TEST(WordChecks, ClosingMarksAreIgnoredOnlyAtTheEnd) {
    EXPECT_EQ(withoutClosingMarks("甲\r\a"), "甲");
    EXPECT_EQ(withoutClosingMarks("a\rb\r"), "a\rb");
    EXPECT_EQ(withoutClosingMarks("x\f\r"), "x");
    EXPECT_EQ(withoutClosingMarks("x "), "x ");
}

// The paragraph's text is 黑体 16 pt blue, its mark keeps 宋体 12 pt automatic:
// the paragraph reads as its text, as a decoration does.
TEST(WordChecks, ParagraphFontNameSizeAndColourReadTheTextNotTheMark) {
    for (const char* doc : {J, LJ}) {
        run({
            {doc, "35 1 1 黑体", 1},  {doc, "36 1 1 16", 1},  {doc, "37 1 1 2", 1},
            {doc, "35 1 1 宋体", 0},  {doc, "36 1 1 12", 0},  {doc, "34 1 1 0", 0, "Bold=0"},
            {doc, "9 1 5 宋体", 1},  {doc, "10 1 5 12", 1},  // the mark itself, as a character
            {doc, "20 1 1 黑体", 1},  {doc, "21 1 1 16", 1},  // the sentence that holds the mark
        });
    }
}

// What the script library writes its own way, and Writer's re-save of it.
TEST(WordChecks, LogicalSidesEndAlignmentFalseValuesAndShapesWithoutAlternatives) {
    for (const char* doc : {J, LJ}) {
        run({
            {doc, "24 1 2 36", 1},  {doc, "25 1 2 18", 1},  {doc, "33 1 2 2", 1},  // w:start, w:end, jc end
            {doc, "8 1 1 0", 0, "Bold=0"},  {doc, "34 1 7 0", 0},  // w:b w:val="false"
            {doc, "44 1 1 文本框", 1},  {doc, "46 1 1 4", 1},  {doc, "48 1 2 粗体艺术字", 1},
            {doc, "50 1 2", 1},  {doc, "51 1 3", 1},  {doc, "50 1 3", 0},  {doc, "51 1 2", 0},
        });
    }
}

TEST(WordChecks, IndentsInCharactersTakePrecedenceOverTheirPoints) {
    run({
        {J, "26 1 3 24", 1},  {J, "26 1 3 12", 0, "24"},  // 2 characters of 12 pt, not 240 twips
        {J, "24 1 4 24", 1},  {J, "25 1 4 12", 1},  {J, "26 1 4 -12", 1},  // each side, the hanging indent too
        {J, "24 1 5 36", 1},  {J, "26 1 5 24", 1},  // 0 characters: the points hold
        {J, "24 1 6 24", 1},  // the style's characters
        {Y, "26 1 9 21", 1},  {W, "26 1 5 21", 1},  // characters and points that agree
        // Writer keeps the points only: what its candidate sees
        {LJ, "26 1 3 12", 1}, {LJ, "24 1 4 15", 1},
    });
}

// Writer rounds four columns of 72 pt to 1440, 1440, 1440, 1439 twips (and
// 1440, 1440, 1440, 1439 to 1439, 1441, 1439, 1439) on saving a table nobody touched.
TEST(WordChecks, CellWidthsATwipApartAreOneWidthAndReadAsTheWholePoint) {
    for (const char* doc : {J, LJ}) {
        run({
            {doc, "75 1 1 1 72", 1},  {doc, "75 1 2 2 72", 1},  {doc, "76 1 1 4 72", 1},  {doc, "76 1 2 1 72", 1},
            {doc, "76 1 2 2 72", 1},
            {doc, "75 1 1 1 71", 0, "72"},
        });
    }
    EXPECT_TRUE(withinATwip(72, 71.95));
    EXPECT_FALSE(withinATwip(72.05, 71.95));
    const double lengths[][2] = {{71.95, 72}, {72.05, 72}, {71.9, 71.9}, {50.45, 50.45}, {0.05, 0}, {-0.05, 0}};
    for (auto [read, expected] : lengths) EXPECT_EQ(cellLength(read), expected) << read;
}

// A symbol inserted from Wingdings is the private-use character of its number
// in that font, whether written as Word's w:sym or as Writer's character in a
// Wingdings run; a typed "(" is not it.
TEST(WordChecks, InsertedSymbolIsItsCharacterInItsFont) {
    for (const char* doc : {J, LJ}) {
        run({
            {doc, "1 1 32 \xef\x81\x8a", 1},  {doc, "1 1 33 \xef\x81\x8a", 1},
            {doc, "9 1 32 Wingdings", 1},  {doc, "9 1 33 Wingdings", 1},
            {doc, "1 1 32 (", 0},  {doc, "1 1 34 (", 1},  {doc, "9 1 34 宋体", 1},
            {doc, "81 1 0 \xe7\xac\x91\xef\x81\x8a", 1},
        });
    }
}

// A hanging indent of 0 is a first-line indent of -0.0 points.
TEST(WordChecks, ObservedValuesNeverShowMinusZero) {
    for (const char* doc : {J, LJ}) {
        EXPECT_EQ(gradeOne(fixtureDoc(doc), "26 1 2 0").earned, 1) << doc;
        EXPECT_EQ(gradeOne(fixtureDoc(doc), "26 1 2 1").observed, "0") << doc;
    }
}
