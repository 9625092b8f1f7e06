// The multiple-choice window and the picture window under the offscreen
// platform, driven by real key events and mouse clicks.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

// The tests name only the fields of ExamSetup that they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "client/screens/choice/ui/tform7.h"
#include "tests/choice/exam_fixture.h"
#include "common/ui/event_gate.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"

namespace kavlor {
namespace {

using kav::test::ExamFixture;
using kav::test::ExamSetup;

kav::db::Blob bitmapBytes(QColor colour) {
    QImage image(240, 160, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(colour, 6));
    p.setBrush(colour.lighter(160));
    p.drawRect(30, 30, 120, 80);
    p.drawEllipse(140, 60, 70, 70);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return kav::db::Blob(bytes.begin(), bytes.end());
}

class ChoiceWindowTest : public ::testing::Test {
protected:
    void open(const ExamSetup& setup = {}) {
        fx = std::make_unique<ExamFixture>(setup);
        form = std::make_unique<TForm7>(fx->tables(), gate);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override { form.reset(); }

    QString caption(int n) const { return form->speedButtons[n - 1]->text(); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, k, m);
    }

    kav::test::FakeDialogs dialogs;
    kav::test::FakeClock clock;
    kav::ui::EventGate gate{dialogs, clock};
    std::unique_ptr<ExamFixture> fx;
    std::unique_ptr<TForm7> form;
};

TEST_F(ChoiceWindowTest, ShowsTheFirstQuestionLikeTheExamProgram) {
    open();
    const int p = ExamFixture::standardPosition(1);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form->Panel_title->text(), "《计算机等级考试一级B》模拟系统Kavlor V1.0");
    EXPECT_EQ(form->Label1->text(), "1、");
    EXPECT_EQ(form->Memo1->toPlainText(), QString::fromStdString(ExamFixture::stemAt(p)));
    EXPECT_TRUE(form->Memo1->isReadOnly());
    EXPECT_EQ(form->OptionLabels[1]->text(), QString::fromStdString(ExamFixture::optionAt(p, 'B')));
    for (auto* r : form->RadioButtons) EXPECT_FALSE(r->isChecked());
    EXPECT_EQ(caption(1), "1 ");
    EXPECT_EQ(caption(30), "30 ");
    EXPECT_EQ(form->speedButtons[0]->font().pointSize(), 15);
    EXPECT_EQ(form->speedButtons[1]->font().pointSize(), 9);
    EXPECT_EQ(form->previous->text(), "上一题");
    EXPECT_EQ(form->next->text(), "下一题");
    EXPECT_EQ(form->BitBtn1->text(), "评 分");
    EXPECT_EQ(form->BitBtn3->text(), "关 闭");
    EXPECT_EQ(form->Panel1->text(), "得分：");
    EXPECT_FALSE(form->BitBtn1->isEnabled());  // exam mode
    EXPECT_FALSE(form->Label8->isVisible());
    // the focus holder has the focus, outside the visible part of the option panel
    EXPECT_EQ(QApplication::focusWidget(), form->RadioButton5);
    EXPECT_FALSE(form->RadioButton5->parentWidget()->rect().intersects(form->RadioButton5->geometry()));
}

TEST_F(ChoiceWindowTest, ClickingAnOptionRecordsAndStoresIt) {
    open();
    QTest::mouseClick(form->RadioButtons[2], Qt::LeftButton);
    EXPECT_EQ(caption(1), "1C");
    EXPECT_EQ(form->speedButtons[0]->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(form->speedButtons[1]->palette().color(QPalette::ButtonText) == QColor(Qt::red), false);
    EXPECT_EQ(fx->storedAnswers().substr(0, 4), "c * ");
    EXPECT_FALSE(form->RadioButton5->isVisible());
    // a click on an option's text selects it too
    QTest::mouseClick(form->OptionLabels[3], Qt::LeftButton);
    EXPECT_TRUE(form->RadioButtons[3]->isChecked());
    EXPECT_EQ(caption(1), "1D");
}

TEST_F(ChoiceWindowTest, NavigationByButtonsAndKeys) {
    open();
    QTest::mouseClick(form->next, Qt::LeftButton);
    EXPECT_EQ(form->Label1->text(), "2、");
    QTest::mouseClick(form->previous, Qt::LeftButton);
    QTest::mouseClick(form->previous, Qt::LeftButton);
    EXPECT_EQ(form->Label1->text(), "30、");
    QTest::mouseClick(form->speedButtons[6], Qt::LeftButton);
    EXPECT_EQ(form->Label1->text(), "7、");
    EXPECT_EQ(form->speedButtons[6]->font().pointSize(), 15);
    EXPECT_EQ(form->speedButtons[29]->font().pointSize(), 7);
    key(Qt::Key_PageDown);
    EXPECT_EQ(form->Label1->text(), "8、");
    key(Qt::Key_PageUp);
    EXPECT_EQ(form->Label1->text(), "7、");
    key(Qt::Key_Right);
    EXPECT_EQ(form->Label1->text(), "8、");
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(form->Label1->text(), "6、");
    EXPECT_EQ(caption(6), "6 ");  // the arrows reach neither the option group nor anything else
    EXPECT_EQ(form->Memo1->toPlainText(), QString::fromStdString(ExamFixture::stemAt(ExamFixture::standardPosition(6))));
}

TEST_F(ChoiceWindowTest, UpAndDownSelectWithinTheOptions) {
    open();
    key(Qt::Key_Down);
    EXPECT_TRUE(form->RadioButtons[0]->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), form->RadioButtons[0]);
    key(Qt::Key_Down);
    EXPECT_TRUE(form->RadioButtons[1]->isChecked());
    EXPECT_EQ(caption(1), "1B");
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_TRUE(form->RadioButtons[3]->isChecked());
    EXPECT_EQ(caption(1), "1D");
    EXPECT_EQ(fx->storedAnswers().substr(0, 2), "d ");
}

TEST_F(ChoiceWindowTest, ArrowKeysInOtherWindowsGoToTheScreenOnlyWhileItIsShown) {
    open();
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Right);
    EXPECT_EQ(form->Label1->text(), "2、");
    QTest::keyClick(&other, Qt::Key_PageDown);  // not a hot key
    EXPECT_EQ(form->Label1->text(), "2、");
    form->hide();
    QTest::keyClick(&other, Qt::Key_Right);
    EXPECT_EQ(form->logic().current(), 2);
}

TEST_F(ChoiceWindowTest, QSavesAndHidesAltF4DoesNothing) {
    open();
    key(Qt::Key_F4, Qt::AltModifier);
    form->close();
    EXPECT_TRUE(form->isVisible());
    QTest::mouseClick(form->RadioButtons[1], Qt::LeftButton);
    key(Qt::Key_Q, Qt::ShiftModifier);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(fx->storedAnswers().substr(0, 4), "b * ");
    // shown again: same instance, same answers
    form->show();
    EXPECT_EQ(caption(1), "1B");
    EXPECT_TRUE(form->RadioButtons[1]->isChecked());
}

TEST_F(ChoiceWindowTest, CloseButtonStoresThirtyAnswers) {
    open();
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(fx->storedAnswers(), "* * * * * * * * * * * * * * * * * * * * * * * * * * * * * *");
}

TEST_F(ChoiceWindowTest, AKeyInTheQuestionTextChoosesA) {
    open();
    form->Memo1->setFocus();
    QTest::keyClick(form->Memo1, Qt::Key_X);
    EXPECT_TRUE(form->RadioButtons[0]->isChecked());
    EXPECT_EQ(caption(1), "1A");
    EXPECT_EQ(QApplication::focusWidget(), form->RadioButtons[0]);
}

TEST_F(ChoiceWindowTest, SelfCheckInPracticeMode) {
    open({.korl = 2});
    EXPECT_TRUE(form->BitBtn1->isEnabled());
    QTest::mouseClick(form->RadioButtons[0], Qt::LeftButton);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    // question 1 answered A, which is its correct letter; all others unanswered
    ASSERT_EQ(ExamFixture::letterAt(ExamFixture::standardPosition(1)), "a");
    std::string list;
    for (int n = 2; n <= 30; ++n) list += std::to_string(n) + ExamFixture::letterAt(ExamFixture::standardPosition(n)) + " ";
    EXPECT_EQ(form->Panel1->text().toStdString(), "得分:1错误及答案：" + list);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ChoiceWindowTest, PictureButtonAndPictureWindow) {
    const int p2 = ExamFixture::standardPosition(2), p3 = ExamFixture::standardPosition(3);
    open({.pictures = {{p2, bitmapBytes(QColor(30, 90, 170))}, {p3, bitmapBytes(QColor(190, 60, 40))}}});
    EXPECT_FALSE(form->Label8->isVisible());
    key(Qt::Key_Right);
    ASSERT_TRUE(form->Label8->isVisible());
    EXPECT_EQ(form->Label8->text(), "如图");
    EXPECT_GT(form->Label8->y(), form->Memo1->y());
    QTest::mouseClick(form->Label8, Qt::LeftButton);
    TForm8* picture = form->Form8();
    EXPECT_TRUE(picture->isVisible());
    EXPECT_EQ(picture->windowTitle(), "本题相应图形");
    ASSERT_TRUE(picture->hasImage());
    EXPECT_EQ(picture->picture().toImage().pixelColor(60, 32), QColor(30, 90, 170));
    // the picture window follows the question shown
    key(Qt::Key_Right);
    EXPECT_EQ(picture->picture().toImage().pixelColor(60, 32), QColor(190, 60, 40));
    key(Qt::Key_Right);
    EXPECT_FALSE(picture->hasImage());
    EXPECT_FALSE(form->Label8->isVisible());
    key(Qt::Key_Q);
    EXPECT_FALSE(picture->isVisible());
}

TEST_F(ChoiceWindowTest, ADatabaseFailureIsShownWithTheEngineText) {
    open();
    fx->ct->close();
    QTest::mouseClick(form->RadioButtons[3], Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, kav::ui::MessageKind::Error);
    EXPECT_FALSE(dialogs.shown[0].text.empty());
    EXPECT_EQ(caption(1), "1D");  // the answer stays in memory for grading
    EXPECT_EQ(form->logic().sel_given()[0], "d");
}

// A star network as a question's picture would show it.
kav::db::Blob starNetworkBytes() {
    QImage image(360, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(QFont("Noto Sans CJK SC", 9));
    const QPoint hub(180, 120);
    const QPoint hosts[] = {{60, 45}, {300, 45}, {40, 175}, {320, 175}, {180, 215}};
    p.setPen(QPen(QColor(60, 60, 60), 2));
    for (QPoint h : hosts) p.drawLine(hub, h);
    p.setBrush(QColor(255, 214, 120));
    p.drawEllipse(hub, 26, 18);
    p.drawText(QRect(hub.x() - 26, hub.y() - 10, 52, 20), Qt::AlignCenter, "交换机");
    int n = 1;
    for (QPoint h : hosts) {
        p.setBrush(QColor(150, 190, 240));
        p.drawRect(h.x() - 22, h.y() - 15, 44, 28);
        p.drawText(QRect(h.x() - 22, h.y() - 15, 44, 28), Qt::AlignCenter, QString("PC%1").arg(n++));
    }
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return kav::db::Blob(bytes.begin(), bytes.end());
}

TEST_F(ChoiceWindowTest, ScreenshotsAt800x600) {
    const int p4 = ExamFixture::standardPosition(4);
    // a candidate back after a restart: questions 1–3 and 5–9 answered, 3 and 7 wrongly
    kav::choice::AnswerList given;
    given.fill("*");
    for (int n : {1, 2, 3, 5, 6, 7, 8, 9}) given[n - 1] = ExamFixture::letterAt(ExamFixture::standardPosition(n));
    given[2] = given[2] == "a" ? "b" : "a";
    given[6] = given[6] == "c" ? "d" : "c";
    ExamSetup setup{.havelogined = 2, .sel_arr3 = kav::choice::joinList(given), .korl = 2,
                    .pictures = {{p4, starNetworkBytes()}}};
    fx = std::make_unique<ExamFixture>(setup);
    // a question as the bank holds it: a stem of two lines and a picture
    fx->selecttest->first();
    fx->selecttest->moveBy(p4 - 1);
    fx->selecttest->edit();
    fx->selecttest->field("select_question").setString(
        "下图所示的计算机局域网拓扑结构中，所有计算机都连接到一个中心节点上，\n这种拓扑结构称为______。");
    fx->selecttest->field("sel_a").setString("总线型拓扑");
    fx->selecttest->field("sel_b").setString("星型拓扑");
    fx->selecttest->field("sel_c").setString("环型拓扑");
    fx->selecttest->field("sel_d").setString(
        "网状拓扑：每台计算机都与其他多台计算机之间有直接的线路相连，可靠性高，但结构复杂、建网成本高");
    fx->selecttest->post();
    form = std::make_unique<TForm7>(fx->tables(), gate);
    // the exam machine's screen: 800 × 600
    form->setWindowState(Qt::WindowNoState);
    form->setGeometry(0, 0, 800, 600);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (int i = 0; i < 3; ++i) key(Qt::Key_Right);
    QTest::mouseClick(form->RadioButtons[1], Qt::LeftButton);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QTest::mouseClick(form->Label8, Qt::LeftButton);

    const QPixmap shot = form->grab();
    EXPECT_EQ(shot.size(), QSize(800, 600));
    // everything fits on the screen
    QWidget* lowest = form->speedButtons[29];
    EXPECT_LE(lowest->mapTo(form.get(), QPoint(0, lowest->height())).y(), 590);
    EXPECT_LE(form->BitBtn3->mapTo(form.get(), QPoint(form->BitBtn3->width(), 0)).x(), 790);
    EXPECT_GT(form->OptionLabels[3]->height(), form->OptionLabels[0]->height());  // the long option wraps
    const QString folder = QString::fromLocal8Bit(qgetenv("KAV_BINARY_DIR")) + "/screens";
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(folder + "/choice.png"));
    EXPECT_TRUE(form->Form8()->grab().save(folder + "/picture.png"));
}

}  // namespace
}  // namespace kavlor
