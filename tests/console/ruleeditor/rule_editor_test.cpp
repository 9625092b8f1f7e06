// The rule editor's sheet, buttons and store, on a console lab's word table.
#include <gtest/gtest.h>

#include <functional>

#include "common/answer/answer_text.h"
#include "console/pages/ruleeditor/texts.h"
#include "tests/console/ruleeditor/editor_fixture.h"

namespace kav::ruleeditor::test {
namespace {

using B = PositionBox;

struct ButtonCase {
    const char* name;
    std::function<void(EditorLab&)> script;  // fills boxes and presses buttons
    std::string text;                        // the answer text afterwards: the stored one and what was added
    std::vector<std::string> messages;       // every box shown, in order
};

void characterBackground(EditorLab& l, const char* position, const char* entry, const char* score) {
    l.sheet().setPosition(B::Edit1, position);
    l.sheet().setValue(2, entry);
    l.sheet().setScore(score);
}

// What each button appends, and what it refuses with which message. Every
// refusal keeps the sheet, which the scripts rely on by pressing again.
TEST(RuleEditorButtons, AppendOrRefuseAsTheSheetStands) {
    const ButtonCase cases[] = {
        {"character 3, background Red, score 2",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "2");
             EXPECT_TRUE(l.editor->BitBtn1Click());
         },
         "35 2 1 黑体*2 2 3 6", {}},
        {"font and colour both filled: refused, naming both, sheet kept",
         [](EditorLab& l) {
             l.sheet().setPosition(B::Edit1, "1");
             l.sheet().setValue(9, "黑体");
             l.sheet().setValue(11, "6");
             l.sheet().setScore("2");
             EXPECT_FALSE(l.editor->BitBtn1Click());
             EXPECT_EQ(l.sheet().value(9), "黑体");
             l.sheet().setValue(9, "");
             EXPECT_TRUE(l.editor->BitBtn1Click());
         },
         "35 2 1 黑体*11 2 1 6", {std::string(kTooManyValues) + "字符：字体、字符：颜色"}},
        {"empty sheet appends nothing",
         [](EditorLab& l) { EXPECT_FALSE(l.editor->BitBtn1Click()); }, "35 2 1 黑体", {}},
        {"value without score: refused, sheet kept",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "");
             EXPECT_FALSE(l.editor->BitBtn1Click());
             l.sheet().setScore("4");
             EXPECT_TRUE(l.editor->BitBtn1Click());
         },
         "35 2 1 黑体*2 4 3 6", {std::string(kNoScore)}},
        {"value before its position: refused naming the group, no box emptied",
         [](EditorLab& l) {
             l.sheet().setValue(24, "12");
             l.sheet().setScore("1");
             EXPECT_FALSE(l.editor->BitBtn1Click());
             EXPECT_EQ(l.sheet().value(24), "12");
             l.sheet().setPosition(B::Edit3, "2");
             EXPECT_TRUE(l.editor->BitBtn1Click());
         },
         "35 2 1 黑体*24 1 2 12", {"段落：" + std::string(kNoPosition)}},
        {"position changed after the value: the rule takes the new position",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "2");
             l.sheet().setPosition(B::Edit1, "5");
             l.editor->BitBtn1Click();
         },
         "35 2 1 黑体*2 2 5 6", {}},
        {"next part after a rule, then a part with no rule adds no third star",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "2");
             l.editor->BitBtn3Click();
             l.editor->BitBtn3Click();
             characterBackground(l, "last", "7", "1");
             l.editor->BitBtn1Click();
             l.editor->BitBtn3Click();
         },
         "35 2 1 黑体*2 2 3 6**2 1 last 7", {}},
        {"every kind of box: check box, page break, find, table border",
         [](EditorLab& l) {
             auto press = [&](auto fill, const char* score) {
                 fill();
                 l.sheet().setScore(score);
                 EXPECT_TRUE(l.editor->BitBtn1Click()) << l.lab.dialogs.lastText();
             };
             press([&] {
                 l.sheet().setPosition(B::Edit26, "2");
                 l.sheet().setTicked(50, true);
             }, "3");
             press([&] { l.sheet().setValue(47, "4"); }, "1");
             press([&] {
                 l.sheet().setPosition(B::ComboBox_c45, "1");
                 l.sheet().setValue(81, "电脑");
             }, "6");
             press([&] {
                 l.sheet().setPosition(B::Edit29, "1");
                 l.sheet().setPosition(B::Edit37, "1");
                 l.sheet().setPosition(B::Edit49, "-3");
                 l.sheet().setValue(71, "7");
             }, "2");
             press([&] { l.sheet().setValue(57, "7"); }, "2");
             press([&] {
                 l.sheet().setPosition(B::Edit2, "first");
                 l.sheet().setPosition(B::Edit44, "-2");
                 l.sheet().setValue(17, "6");
             }, "1");
         },
         "35 2 1 黑体*50 3 2*47 1 4*81 6 1 电脑*71 2 1 1 -3 7*57 2 7*17 1 first -2 6", {}},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.name);
        EditorLab l;
        c.script(l);
        EXPECT_EQ(l.editor->text(), c.text);
        EXPECT_EQ(l.lab.dialogs.texts(), c.messages);
    }
}

struct FieldCase {
    int kind;
    std::vector<std::pair<PositionBox, std::string>> positions;
    std::string value;
    std::string score;
    std::string problem;  // "" when the rule is composed
};

// What a rule's score, positions and value may be: what the checks can read.
TEST(RuleEditorButtons, ValidatesScorePositionsAndValues) {
    const FieldCase cases[] = {
        {10, {{B::Edit1, "1"}}, "16", "0", ""},
        {10, {{B::Edit1, "1"}}, "16", "32767", ""},
        {10, {{B::Edit1, "1"}}, "16", "+5", ""},
        {10, {{B::Edit1, "1"}}, "16", "32768", std::string(kBadScore)},
        {10, {{B::Edit1, "1"}}, "16", "-1", std::string(kBadScore)},
        {10, {{B::Edit1, "1"}}, "16", "2.5", std::string(kBadScore)},
        {10, {{B::Edit1, "1"}}, "16", "两分", std::string(kBadScore)},
        {10, {{B::Edit1, "1"}}, "10.5", "2", "字符：字号 不能输入带小数的！"},
        {10, {{B::Edit1, "1"}}, "十", "2", "字符：字号 只能输入整数"},
        {24, {{B::Edit3, "2"}}, "-12", "2", ""},
        {10, {{B::Edit1, "0"}}, "16", "2", "字符：位置 0 应是从1起的整数，或first、last"},
        {10, {{B::Edit1, "a1"}}, "16", "2", "字符：位置 a1 应是从1起的整数，或first、last"},
        {10, {{B::Edit1, "last"}}, "16", "2", ""},
        {15, {{B::Edit2, "1"}, {B::Edit44, "-4"}}, "1", "2", ""},
        {15, {{B::Edit2, "1"}, {B::Edit44, "-5"}}, "1", "2", "句子：边框编号 -5 应是-4到-1或1到4的整数"},
        {15, {{B::Edit2, "1"}, {B::Edit44, "4"}}, "1", "2", ""},
        {28, {{B::Edit3, "1"}, {B::Edit47, "-5"}}, "1", "2", ""},
        {28, {{B::Edit3, "1"}, {B::Edit47, "0"}}, "1", "2", "段落：边框编号 0 应是-5到-1或1到4的整数"},
        {38, {{B::Edit48, "-1"}}, "3", "2", ""},
        {38, {{B::Edit48, "-5"}}, "3", "2", "页面边框：边框编号 -5 应是-4到-1或1到4的整数"},
        {71, {{B::Edit29, "1"}, {B::Edit37, "1"}, {B::Edit49, "-8"}}, "1", "2", ""},
        {71, {{B::Edit29, "1"}, {B::Edit37, "1"}, {B::Edit49, "6"}}, "1", "2", ""},
        {71, {{B::Edit29, "1"}, {B::Edit37, "1"}, {B::Edit49, "7"}}, "1", "2", "表格:边框编号 7 应是-8到-1或1到6的整数"},
        {53, {{B::Edit27, "3"}}, "页眉", "2", ""},
        {53, {{B::Edit27, "4"}}, "页眉", "2", "页眉脚:页眉页脚编号 4 应是1、2或3"},
        {53, {{B::Edit27, "1"}}, "计算机 基础", "2", "页眉脚:页眉内容 不能含有空格或*"},
        {1, {{B::Edit1, "1"}}, "*", "2", "字符：内容: 不能含有空格或*"},
        {9, {{B::Edit1, "1"}}, "Times New Roman", "2", "字符：字体 不能含有空格或*"},
        {67, {{B::Edit29, "1"}, {B::Edit32, "2"}, {B::Edit33, "1"}}, "年代", "2", ""},
        {47, {}, "first", "2", ""},
        {47, {}, "0", "2", "段前人工分页:位置 0 应是从1起的整数，或first、last"},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.value + " score " + c.score);
        RuleSheet sheet;
        for (auto& [box, text] : c.positions) sheet.setPosition(box, text);
        sheet.setValue(c.kind, c.value);
        sheet.setScore(c.score);
        RuleSheet::Composed composed = sheet.compose(c.kind);
        EXPECT_EQ(composed.problem, c.problem);
        EXPECT_EQ(composed.rule.empty(), !c.problem.empty());
    }
}

// "完成" stores the stored answer with the rules added after it, and closes
// without storing when nothing changed.
TEST(RuleEditorStore, FinishStoresTheEditedAnswer) {
    struct StoreCase {
        const char* name;
        std::function<void(EditorLab&)> script;
        bool closes;
        std::string answer;  // the stored answer afterwards
    };
    const StoreCase cases[] = {
        {"two rules then finish on an empty sheet",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "2");
             l.editor->BitBtn1Click();
             characterBackground(l, "4", "7", "1");
             l.editor->BitBtn1Click();
         },
         true, "35 2 1 黑体*2 2 3 6*2 1 4 7"},
        {"a rule, a part's last rule, then finish",
         [](EditorLab& l) {
             characterBackground(l, "3", "6", "2");
             l.editor->BitBtn1Click();
             characterBackground(l, "4", "7", "1");
             l.editor->BitBtn3Click();
         },
         true, "35 2 1 黑体*2 2 3 6*2 1 4 7"},
        {"finish with the last rule still on the sheet", [](EditorLab& l) { characterBackground(l, "3", "6", "2"); },
         true, "35 2 1 黑体*2 2 3 6"},
        {"finish right after opening stores nothing", [](EditorLab&) {}, true, kOldAnswer},
        {"finish with a value but no score keeps the old answer",
         [](EditorLab& l) { characterBackground(l, "3", "6", ""); }, false, kOldAnswer},
        {"removing every rule is refused",
         [](EditorLab& l) { EXPECT_TRUE(l.editor->removeRule(0)); }, false, kOldAnswer},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        EditorLab l;
        c.script(l);
        EXPECT_EQ(l.editor->BitBtn2Click(), c.closes);
        EXPECT_EQ(l.storedAnswer(), c.answer);
        // The stored text reads back rule by rule with the client's parser.
        auto parts = answer::parseAnswerText(l.storedAnswer());
        ASSERT_EQ(parts.size(), 1u);
        for (auto& rule : parts[0].rules) EXPECT_GE(rule.fields.size(), 3u);
    }
}

TEST(RuleEditorStore, NoCurrentQuestionStoresNothing) {
    EditorLab l(false);
    EXPECT_FALSE(ruleEditorAvailable(*l.binding));
    characterBackground(l, "3", "6", "2");
    EXPECT_FALSE(l.editor->BitBtn2Click());
    EXPECT_EQ(l.lab.dialogs.lastText(), kNoCurrentQuestion);
    EXPECT_TRUE(l.lab.column("stu.mdb", "word", "answer").empty());
}

TEST(RuleEditorStore, ClosingWithUnstoredRulesAsksFirst) {
    EditorLab l;
    EXPECT_TRUE(l.editor->FormCloseQuery());
    EXPECT_TRUE(l.lab.dialogs.shown.empty());
    characterBackground(l, "3", "6", "2");
    l.editor->BitBtn1Click();
    l.lab.dialogs.answers = {ui::Answer::No, ui::Answer::Ok};
    EXPECT_FALSE(l.editor->FormCloseQuery());
    EXPECT_TRUE(l.editor->FormCloseQuery());
    ASSERT_EQ(l.lab.dialogs.shown.size(), 2u);
    EXPECT_EQ(l.lab.dialogs.shown[0].text, kCloseUnstored);
    EXPECT_EQ(l.lab.dialogs.shown[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(l.lab.dialogs.shown[0].buttons, ui::Buttons::OkNo);
    ASSERT_TRUE(l.editor->BitBtn2Click());
    EXPECT_TRUE(l.editor->FormCloseQuery());
    ASSERT_EQ(l.lab.dialogs.shown.size(), 3u);  // and the question before storing
    EXPECT_EQ(l.lab.dialogs.shown[2].kind, ui::MessageKind::Question);
}

TEST(RuleEditorFonts, OfferTheDocumentsNamesAndOnlyNamesWithoutSpaces) {
    auto fonts = fontChoices({"DejaVu Sans", "Noto Sans CJK SC", "Arial", "FreeSerif", "文泉驿正黑"});
    EXPECT_EQ(fonts, (std::vector<std::string>{"宋体", "黑体", "楷体", "仿宋", "隶书", "幼圆", "Arial", "FreeSerif",
                                               "文泉驿正黑"}));
}

// The sheet's boxes join the table of rule kinds by number: every kind's
// position boxes feed exactly its position fields, in rule order.
TEST(RuleEditorBoxes, EveryKindsPositionBoxesFeedItsPositionFields) {
    for (const answer::RuleKind& kind : answer::allRuleKinds()) {
        const KindBoxes& boxes = boxesOf(kind);
        EXPECT_EQ(boxes.number, kind.number);
        if (boxes.positionBoxes.empty()) continue;
        ASSERT_EQ(boxes.positionBoxes.size(), kind.positions.size()) << "kind " << kind.number;
        for (std::size_t i = 0; i < kind.positions.size(); ++i)
            EXPECT_EQ(positionBoxInfo(boxes.positionBoxes[i]).position, kind.positions[i]) << "kind " << kind.number;
    }
}

}  // namespace
}  // namespace kav::ruleeditor::test
