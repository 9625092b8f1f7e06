// TForm3 as the teacher uses it: typing into the boxes, choosing from the
// lists, pressing the buttons and closing the window.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "console/pages/ruleeditor/texts.h"
#include "console/pages/ruleeditor/ui/tform3.h"
#include "tests/console/ruleeditor/editor_fixture.h"

namespace kav::ruleeditor::test {
namespace {

struct Window {
    EditorLab lab;
    TForm3 form{nullptr, *lab.editor, {"DejaVu Sans", "FreeSerif"}};
    Window() { form.FormShow(); }
    QLineEdit* edit(const char* name) { return qobject_cast<QLineEdit*>(form.box(name)); }
    QComboBox* combo(const char* name) { return qobject_cast<QComboBox*>(form.box(name)); }
};

TEST(TForm3, EveryKindHasItsValueBoxAndEveryPositionBoxIsYellow) {
    Window w;
    for (const answer::RuleKind& kind : answer::allRuleKinds()) {
        SCOPED_TRACE(kind.number);
        QWidget* box = w.form.box(std::string(boxesOf(kind).valueBox));
        ASSERT_NE(box, nullptr);
        auto* combo = qobject_cast<QComboBox*>(box);
        switch (boxEncoding(kind)) {
        case BoxEncoding::Entry:
            ASSERT_NE(combo, nullptr);
            EXPECT_FALSE(combo->isEditable());  // a typed text would store -1
            EXPECT_EQ(combo->count(), answer::valueList(*kind.list).size());
            break;
        case BoxEncoding::Font:
            ASSERT_NE(combo, nullptr);
            EXPECT_TRUE(combo->isEditable());
            EXPECT_EQ(combo->findText("DejaVu Sans"), -1);
            EXPECT_GE(combo->findText("FreeSerif"), 0);
            EXPECT_GE(combo->findText("黑体"), 0);
            break;
        case BoxEncoding::Tick: EXPECT_NE(qobject_cast<QCheckBox*>(box), nullptr); break;
        default: EXPECT_NE(qobject_cast<QLineEdit*>(box), nullptr);
        }
    }
    for (int i = 0; i < kPositionBoxCount; ++i) {
        QWidget* box = w.form.box(std::string(positionBoxInfo(static_cast<PositionBox>(i)).name));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->styleSheet().contains("yellow"));
    }
}

TEST(TForm3, TypedBoxesComposeOneRulePerNextAndTheSheetEmpties) {
    Window w;
    QTest::keyClicks(w.edit("Edit1"), "3");
    w.combo("ComboBox_c1")->setCurrentIndex(6);  // Red
    QTest::keyClicks(w.form.Edit62, "2");
    QTest::mouseClick(w.form.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(w.lab.editor->text(), "35 2 1 黑体*2 2 3 6");
    EXPECT_TRUE(w.edit("Edit1")->text().isEmpty());
    EXPECT_EQ(w.combo("ComboBox_c1")->currentIndex(), -1);
    EXPECT_TRUE(w.form.Edit62->text().isEmpty());
    ASSERT_EQ(w.form.ruleList->count(), 2);
    EXPECT_EQ(w.form.ruleList->item(1)->text(), QString::fromUtf8("第1题 2. 字符：背景: 第3个字符 Red（红色） 2分"));
    EXPECT_TRUE(w.form.totalLabel->text().startsWith(QString::fromUtf8("合计 4 分 / 满分 30 分")));

    // A font typed into the editable box, the paragraph number in Edit3.
    QTest::keyClicks(w.edit("Edit3"), "1");
    w.combo("ComboBox_c27")->setEditText(QString::fromUtf8("黑体"));
    QTest::keyClicks(w.form.Edit62, "2");
    QTest::mouseClick(w.form.BitBtn2, Qt::LeftButton);
    EXPECT_EQ(w.lab.storedAnswer(), "35 2 1 黑体*2 2 3 6*35 2 1 黑体");
    EXPECT_EQ(w.form.result(), QDialog::Accepted);
}

TEST(TForm3, ARefusalKeepsEveryBox) {
    Window w;
    QTest::keyClicks(w.edit("Edit1"), "3");
    w.combo("ComboBox_c1")->setCurrentIndex(6);
    QTest::mouseClick(w.form.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(w.lab.lab.dialogs.lastText(), kNoScore);
    EXPECT_EQ(w.edit("Edit1")->text(), "3");
    EXPECT_EQ(w.combo("ComboBox_c1")->currentIndex(), 6);
}

TEST(TForm3, ClosingWithUnstoredRulesAsks) {
    Window w;
    w.form.show();
    QTest::keyClicks(w.edit("Edit1"), "3");
    w.combo("ComboBox_c1")->setCurrentIndex(6);
    QTest::keyClicks(w.form.Edit62, "2");
    QTest::mouseClick(w.form.BitBtn1, Qt::LeftButton);
    w.lab.lab.dialogs.answers = {ui::Answer::No};
    w.form.close();
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.lab.lab.dialogs.lastText(), kCloseUnstored);
    w.lab.lab.dialogs.answers = {ui::Answer::Ok};
    w.form.close();
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_EQ(w.lab.storedAnswer(), kOldAnswer);
}

}  // namespace
}  // namespace kav::ruleeditor::test
