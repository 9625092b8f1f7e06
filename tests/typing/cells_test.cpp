#include "common/grading/typing_cells.h"

#include <gtest/gtest.h>

#include "common/text/gbk.h"

namespace kav::typing {
namespace {

std::string g(const std::string& utf8) { return text::utf8ToGbk(utf8); }

// A visible line of the given UTF-8 cells, padded with untyped cells.
std::string line(const std::string& utf8Cells) {
    std::string s = g(utf8Cells);
    s.resize(kLineBytes, ' ');
    return s;
}

TEST(Cells, WhatACharacterPutsIntoACell) {
    EXPECT_EQ(cellOfCharacter(g("中")), g("中"));
    EXPECT_EQ(cellOfCharacter("a"), "a ");
    EXPECT_EQ(cellOfCharacter(" "), g("　"));
    EXPECT_EQ(cellOfCharacter(g("　")), g("　"));
    EXPECT_EQ(cellOfCharacter("\b"), "");
    EXPECT_EQ(cellOfCharacter("\r"), "");
    EXPECT_EQ(cellOfCharacter(""), "");
    EXPECT_EQ(cellOfCharacter("abc"), "bc");  // the last two bytes
}

TEST(Cells, OverwriteReplacesOneCellAndKeepsTheLength) {
    std::string l = line("一二三");
    EXPECT_EQ(overwriteCell(l, 3, g("十")), line("一十三"));
    EXPECT_EQ(overwriteCell(l, 55, g("尾")).substr(54), g("尾"));
    EXPECT_EQ(overwriteCell(l, 55, g("尾")).size(), 56u);
}

TEST(Cells, InsertPushesTextPastByte56AndDeleteDropsIt) {
    std::string full;
    for (int i = 0; i < 28; ++i) full += g(i == 27 ? "末" : "字");
    std::string pushed = insertCell(full, 3, g("新"));
    // The visible line lost its last cell; the pushed-out bytes stay behind byte 56.
    EXPECT_EQ(pushed.substr(0, 6), g("字新字"));
    EXPECT_EQ(pushed.substr(54, 2), g("字"));
    EXPECT_EQ(pushed.substr(56), g("末"));
    // Deleting a cell does not bring the pushed-out character back.
    std::string deleted = deleteCell(pushed, 3);
    EXPECT_EQ(deleted.size(), 56u);
    EXPECT_EQ(deleted.substr(0, 4), g("字字"));
    EXPECT_EQ(deleted.substr(52, 4), g("字") + "  ");
    EXPECT_EQ(deleted.find(g("末")), std::string::npos);
}

TEST(Cells, InsertIntoAnUntypedLineMovesTheRestOneCellRight) {
    std::string l = line("甲乙");
    EXPECT_EQ(insertCell(l, 1, g("丙")).substr(0, 56), line("丙甲乙"));
    EXPECT_EQ(insertCell(l, 1, g("丙")).size(), 57u);  // 2 + 55 bytes
}

TEST(Cells, DeleteAtEveryPosition) {
    std::string l = line("甲乙丙");
    EXPECT_EQ(deleteCell(l, 1), line("乙丙"));
    EXPECT_EQ(deleteCell(l, 3), line("甲丙"));
    EXPECT_EQ(deleteCell(l, 7), l);  // an untyped cell
    std::string full(56, 'x');
    EXPECT_EQ(deleteCell(full, 55), std::string(54, 'x') + "  ");
}

TEST(Cells, LineComparison) {
    std::string model = g("计算机等级考试");
    // Nothing typed: no mark, nothing counted.
    LineMarks none = compareLine(line(""), model);
    EXPECT_EQ(none.right + none.wrong, 0);
    EXPECT_EQ(none.marks.size(), 56u);
    for (int k = 0; k < 28; ++k) EXPECT_EQ(none.marks.substr(2 * k, 2), kFullWidthSpace);

    // Right, wrong, an untyped gap, a half-width letter, and cells beyond the model's end.
    std::string typed = line("计算机等");
    typed = overwriteCell(typed, 3, g("箅"));      // wrong
    typed = overwriteCell(typed, 9, "a ");          // half-width on 级: wrong
    typed = overwriteCell(typed, 15, g("多"));      // beyond the 7-character model: wrong
    typed = overwriteCell(typed, 55, g("　"));      // a full-width space beyond the model: wrong
    LineMarks m = compareLine(typed, model);
    EXPECT_EQ(m.right, 3);  // 计 机 等
    EXPECT_EQ(m.wrong, 4);
    EXPECT_EQ(m.marks.substr(0, 10), kFullWidthSpace + kWrongMark + kFullWidthSpace + kFullWidthSpace + kWrongMark);
    EXPECT_EQ(m.marks.substr(10, 4), kFullWidthSpace + kFullWidthSpace);  // untyped 考 试
    EXPECT_EQ(m.marks.substr(14, 2), kWrongMark);
    EXPECT_EQ(m.marks.substr(54, 2), kWrongMark);
}

TEST(Cells, ATypedFullWidthSpaceIsComparedLikeAnyCharacter) {
    std::string model = g("甲　乙");
    LineMarks m = compareLine(line("甲　乙"), model);
    EXPECT_EQ(m.right, 3);
    EXPECT_EQ(m.wrong, 0);
    EXPECT_EQ(compareLine(line("　"), g("甲")).wrong, 1);
}

}  // namespace
}  // namespace kav::typing
