// Editing a stored answer: every rule loaded and shown as it reads, one rule
// changed or removed without touching the others, the confirmation before
// storing, and stored rules the editor cannot read kept as they are.
#include <gtest/gtest.h>

#include "common/answer/rule_lines.h"
#include "console/pages/ruleeditor/texts.h"
#include "tests/console/ruleeditor/editor_fixture.h"

namespace kav::ruleeditor::test {
namespace {

// Fifteen rules of 2 points in two parts: 30 points.
constexpr const char* kFifteen =
    "2 2 3 6*11 2 1 6*35 2 1 黑体*24 2 2 12*50 2 2*47 2 4*81 2 1 电脑*71 2 1 1 -3 7"
    "**57 2 7*17 2 first -2 6*2 2 4 7*11 2 last 1*24 2 1 14*65 2 1 3*66 2 1 4";

struct FifteenLab : EditorLab {
    FifteenLab() {
        binding->setText(binding->columnIndex("answer"), kFifteen);
        binding->post();
        editor->FormShow();
    }
};

TEST(AnswerEditing, OneChangedRuleChangesOnlyItselfAndFinishAsksWithTheTotals) {
    FifteenLab l;
    ASSERT_EQ(l.editor->lines().size(), 15u);
    EXPECT_EQ(l.editor->total(), 30);
    EXPECT_FALSE(l.editor->changed());
    EXPECT_EQ(l.editor->lines()[8].part, 2);

    // Rule 11 ("2 2 4 7") onto the sheet: its boxes filled, the rule out of the list.
    ASSERT_TRUE(l.editor->editRule(10));
    EXPECT_EQ(l.sheet().position(PositionBox::Edit1), "4");
    EXPECT_EQ(l.sheet().value(2), "7");
    EXPECT_EQ(l.sheet().score(), "2");
    EXPECT_EQ(l.editor->lines().size(), 14u);
    EXPECT_FALSE(l.editor->editRule(0)) << "one rule at a time on the sheet";
    EXPECT_EQ(l.lab.dialogs.lastText(), kSheetBusy);

    l.sheet().setScore("1");
    ASSERT_TRUE(l.editor->BitBtn1Click());
    std::string expected = kFifteen;
    expected.replace(expected.find("2 2 4 7"), 7, "2 1 4 7");
    EXPECT_EQ(l.editor->text(), expected);
    EXPECT_EQ(l.editor->total(), 29);

    // Cancelled: nothing stored, the edit kept in the window.
    l.lab.dialogs.answers = {ui::Answer::Cancel};
    EXPECT_FALSE(l.editor->BitBtn2Click());
    EXPECT_EQ(l.storedAnswer(), kFifteen);
    const std::string question = l.lab.dialogs.lastText();
    EXPECT_EQ(l.lab.dialogs.shown.back().kind, ui::MessageKind::Question);
    EXPECT_NE(question.find("新增 1 条：\n    字符：背景: 第4个字符 Yellow（黄色） 1分"), std::string::npos) << question;
    EXPECT_NE(question.find("删除 1 条：\n    字符：背景: 第4个字符 Yellow（黄色） 2分"), std::string::npos) << question;
    EXPECT_NE(question.find("总分：30 分 → 29 分（满分 30 分）"), std::string::npos) << question;

    EXPECT_TRUE(l.editor->BitBtn2Click());
    EXPECT_EQ(l.storedAnswer(), expected);
    EXPECT_TRUE(l.editor->FormCloseQuery()) << "stored: nothing left to lose";
}

TEST(AnswerEditing, RemovedAndAddedRulesAndPartsKeepTheRest) {
    FifteenLab l;
    ASSERT_TRUE(l.editor->removeRule(8));  // "57 2 7", the first rule of part 2
    l.sheet().setPosition(PositionBox::Edit1, "5");
    l.sheet().setValue(11, "1");
    l.sheet().setScore("4");
    ASSERT_TRUE(l.editor->BitBtn1Click());  // appended to the last part
    std::string expected = kFifteen;
    expected.replace(expected.find("**57 2 7*"), 9, "**");
    expected += "*11 4 5 1";
    EXPECT_EQ(l.editor->text(), expected);
    EXPECT_EQ(l.editor->total(), 32);
    EXPECT_NE(l.editor->changeSummary().find("总分：30 分 → 32 分"), std::string::npos);

    // A rule taken onto the sheet and cleared away is gone, its part too when it was the only rule.
    FifteenLab one;
    ASSERT_TRUE(one.editor->removeRule(0));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(one.editor->removeRule(0));
    ASSERT_EQ(one.editor->lines().front().rule, "71 2 1 1 -3 7");
    ASSERT_TRUE(one.editor->editRule(0));
    one.sheet().clear();
    ASSERT_TRUE(one.editor->BitBtn2Click());
    EXPECT_EQ(one.storedAnswer(), std::string(kFifteen).substr(std::string(kFifteen).find("**") + 2));
}

TEST(AnswerEditing, RulesTheEditorCannotReadAreShownWithTheReasonAndKept) {
    EditorLab l;
    const std::string stored = "2 2 3 6*99 1 1*11 2 1*81 2 1 两个 词*11 x 1 6";
    l.binding->setText(l.binding->columnIndex("answer"), stored);
    l.binding->post();
    l.editor->FormShow();
    const auto lines = l.editor->lines();
    ASSERT_EQ(lines.size(), 5u);
    const char* reasons[] = {"", "没有第99种规则", "这种规则应有4项，这里有3项", "这种规则应有4项，这里有5项",
                             "分数“x”不是整数"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].rule);
        EXPECT_EQ(lines[i].shown.problem, reasons[i]);
        if (i > 0) {
            EXPECT_EQ(lines[i].shown.text, lines[i].rule) << "shown as stored";
        }
    }
    EXPECT_FALSE(l.editor->editRule(1));
    EXPECT_EQ(l.lab.dialogs.lastText(), std::string(kCannotEdit) + "没有第99种规则");
    ASSERT_TRUE(l.editor->removeRule(0));
    ASSERT_TRUE(l.editor->BitBtn2Click());
    EXPECT_EQ(l.storedAnswer(), stored.substr(8)) << "the unreadable rules are stored as they were";
}

// Values as a teacher reads them, in the rule lines and in the trial's report.
TEST(AnswerEditing, ValuesReadAsNames) {
    const std::pair<const char*, const char*> rules[] = {
        {"11 2 first 0", "字符：颜色 第一个字符 Automatic（自动） 2分"},
        {"35 3 last 黑体", "段落：字体 最后一段 “黑体” 3分"},
        {"81 1 1 电脑", "查找： 须找不到 “电脑” 1分"},
        {"78 2 1 2 20", "表格:单元格高度（按列）: 第1个表格 第2列 20磅 2分"},
    };
    for (auto [rule, shown] : rules) EXPECT_EQ(answer::describeRule(rule).text, shown);
    const answer::RuleKind& colour = *answer::findRuleKind(11);
    EXPECT_EQ(answer::observedName(colour, "-16777216"), "Automatic（自动）");
    EXPECT_EQ(answer::observedName(colour, "255"), "Red（红色）");
    EXPECT_EQ(answer::observedName(colour, "12345"), "12345") << "a colour outside the list stays a number";
    EXPECT_EQ(answer::observedName(*answer::findRuleKind(24), "12"), "12");
}

}  // namespace
}  // namespace kav::ruleeditor::test
