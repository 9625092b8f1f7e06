// The typing window driven through real key and input-method events.
#include "client/screens/typing/ui/tform9.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "common/grading/typing_cells.h"
#include "common/ui/event_gate.h"
#include "tests/typing/typing_fixture.h"

namespace kavlor {
namespace {

using kav::typing::test::modelLine;

class Window : public ::testing::Test, protected kav::typing::test::TypingSetup {
protected:
    kav::ui::EventGate gate{dialogs, clock};
    std::unique_ptr<TForm9> open(int lines = 17) {
        writeModel(lines);
        auto w = std::make_unique<TForm9>(record, gate, place());
        w->resize(800, 600);
        w->show();
        QApplication::processEvents();
        return w;
    }
    static void commit(QWidget* target, const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QCoreApplication::sendEvent(target, &e);
    }
    static std::string text(QLabel* l) { return l->text().toStdString(); }
    std::string modelText(int line, int cells) {
        return kav::text::gbkToUtf8(modelLine(line).substr(0, 2 * cells));
    }
};

TEST_F(Window, CommittedTextAndPlainKeysFillTheCells) {
    auto w = open();
    commit(w->Edit1, QString::fromStdString(modelText(1, 3)));  // three right characters at once
    QTest::keyClicks(w->Edit1, "a");                             // a half-width letter: wrong
    QTest::keyClick(w->Edit1, Qt::Key_Space);                    // "　" against a Chinese character: wrong
    clock.advance(250);
    EXPECT_EQ(text(w->Label_right), "正确字数：3字");
    EXPECT_EQ(text(w->Label_wrong), "错误字数：2字");
    EXPECT_EQ(text(w->Label_accuracy), "正确率：60％");
    EXPECT_EQ(w->engine().typedLines()[0].substr(6, 4), "a " + kav::text::utf8ToGbk("　"));
    EXPECT_EQ(text(w->Label_total), "总字数：588字");
    EXPECT_EQ(text(w->Label_xm), "姓名:张三");
    EXPECT_EQ(text(w->Label_kh), "考号:11010001");
}

TEST_F(Window, NavigationKeysAndLabels) {
    auto w = open();
    EXPECT_EQ(text(w->Label_page), "页1/3");
    QTest::keyClick(w->Edit1, Qt::Key_PageDown);
    EXPECT_EQ(text(w->Label_page), "页2/3");
    QTest::keyClick(w->Edit1, Qt::Key_Down);
    QTest::keyClick(w->Edit1, Qt::Key_Down);
    EXPECT_EQ(text(w->Label_line), "第3行");
    QTest::keyClick(w->Edit1, Qt::Key_Up);
    QTest::keyClick(w->Edit1, Qt::Key_Right);
    EXPECT_EQ(text(w->Label_line), "第2行");
    EXPECT_EQ(w->engine().column(), 3);
    QTest::keyClick(w->Edit1, Qt::Key_Left);
    QTest::keyClick(w->Edit1, Qt::Key_PageUp);
    EXPECT_EQ(text(w->Label_page), "页1/3");
}

TEST_F(Window, BackspaceDeleteAndTheKeypadDecimalKey) {
    auto w = open();
    commit(w->Edit1, QString::fromUtf8("甲乙丙"));
    QTest::keyClick(w->Edit1, Qt::Key_Backspace);  // removes 丙
    QTest::keyClick(w->Edit1, Qt::Key_Left);
    QTest::keyClick(w->Edit1, Qt::Key_Left);
    QTest::keyClick(w->Edit1, Qt::Key_Delete);  // removes 甲
    EXPECT_EQ(w->engine().typedLines()[0].substr(0, 4), kav::text::utf8ToGbk("乙") + "  ");
    // The keypad's decimal key deletes the cell, then its "." is entered.
    QTest::keyClick(w->Edit1, Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(w->engine().typedLines()[0].substr(0, 4), ".   ");
}

TEST_F(Window, InsertKeyAndTheInsButtonSwitchTheMode) {
    auto w = open();
    EXPECT_TRUE(w->SpeedButton1->isChecked());
    QTest::keyClick(w->Edit1, Qt::Key_Insert);
    EXPECT_FALSE(w->engine().insertMode());
    EXPECT_FALSE(w->SpeedButton1->isChecked());
    QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(w->engine().insertMode());
    EXPECT_TRUE(w->SpeedButton1->isChecked());
    QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);  // "插入" stays down and changes nothing
    EXPECT_TRUE(w->SpeedButton2->isChecked());
    EXPECT_TRUE(w->engine().insertMode());
    EXPECT_EQ(QApplication::focusWidget(), w->Edit1);
}

TEST_F(Window, TheInputMethodIsToldWhereTheCaretIs) {
    auto w = open();
    EXPECT_TRUE(w->Edit1->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(w->Edit1->inputMethodQuery(Qt::ImEnabled).toBool());
    const QRect before = w->Edit1->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    commit(w->Edit1, QString::fromUtf8("中"));
    const QRect after = w->Edit1->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(after.left() - before.left(), TypingPage::kCellWidth);
    EXPECT_TRUE(w->Edit1->typedBox(1).contains(after.topLeft()));
    QTest::keyClick(w->Edit1, Qt::Key_Down);
    EXPECT_TRUE(w->Edit1->typedBox(2).contains(w->Edit1->caretRect().topLeft()));
}

TEST_F(Window, TabAndCloseRequestsDoNothing) {
    auto w = open();
    auto other = std::make_unique<QLineEdit>();
    other->show();
    w->activateWindow();
    w->Edit1->setFocus();
    QTest::keyClick(w->Edit1, Qt::Key_Tab);
    EXPECT_EQ(w->engine().column(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit1);
    // Tab reaches no other window of the client either while the screen is up.
    QTest::keyClicks(other.get(), "x");
    QTest::keyClick(other.get(), Qt::Key_Tab);
    EXPECT_EQ(other->text(), "x");
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(Window, SaveAndQuitStoresTheScoreAndHides) {
    auto w = open(7);
    for (int line = 1; line <= 7; ++line) commit(w->Edit1, QString::fromStdString(modelText(line, 28)));
    clock.advance(60'000);
    QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(record.scores, std::vector<int>{20});
    EXPECT_EQ(record.row.dzResult, "60000 总字数：196字 正确字数：196字 错误字数：0字 正确率：100％ 速度:196字/分钟");
    // Shown again: the same text, caret and page.
    w->show();
    EXPECT_EQ(w->engine().typedLines()[6].substr(0, 56), modelLine(7));
    EXPECT_TRUE(w->engine().running());
}

TEST_F(Window, MarksStandUnderTheirCells) {
    auto w = open();
    commit(w->Edit1, QString::fromUtf8("错") + QString::fromStdString(modelText(1, 2)).mid(1) + QString::fromUtf8("误"));
    const std::string marks = w->engine().pageMarks(1);
    EXPECT_EQ(marks.substr(0, 2), kav::typing::kWrongMark);
    EXPECT_EQ(marks.substr(2, 2), kav::typing::kFullWidthSpace);
    EXPECT_EQ(marks.substr(4, 2), kav::typing::kWrongMark);
    // The mark cell lies straight under the typed cell.
    const QRect box = w->Edit1->typedBox(1);
    const QRect mark = w->Edit1->markCell(1, 3);
    EXPECT_EQ(mark.left(), box.left() + 2 * TypingPage::kCellWidth);
    EXPECT_GT(mark.top(), box.bottom());
}

// The horizontal runs of a row band of a rendered page that hold ink of one
// colour, as [first, last] pixel columns.
std::vector<std::pair<int, int>> inkRuns(const QImage& image, int top, int bottom,
                                         const std::function<bool(QColor)>& ink) {
    std::vector<std::pair<int, int>> runs;
    bool inRun = false;
    for (int x = 0; x < image.width(); ++x) {
        bool any = false;
        for (int y = top; y <= bottom && !any; ++y) any = ink(image.pixelColor(x, y));
        if (any && !inRun) runs.push_back({x, x});
        if (any) runs.back().second = x;
        inRun = any;
    }
    return runs;
}

bool typedInk(QColor c) { return c.blue() > c.red() + 60 && c.blue() > c.green() + 60; }
bool markInk(QColor c) { return c.red() > c.green() + 80 && c.red() > c.blue() + 80; }
int centre(std::pair<int, int> run) { return (run.first + run.second) / 2; }

// Read back from a rendered page: every "×" stands under its character, the
// caret at the start of the next cell, and a wide half-width letter is drawn
// whole.
TEST_F(Window, TextMarksAndCaretShareOneCellGeometry) {
    auto w = open();
    QString wrong;
    for (int k = 0; k < 27; ++k) wrong += QString::fromUtf8("一");
    commit(w->Edit1, wrong);
    commit(w->Edit1, "m");
    QImage page(w->Edit1->size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    w->Edit1->render(&page);

    const QRect box = w->Edit1->typedBox(1);
    const QRect markRow = w->Edit1->markCell(1, 1);
    const auto typed = inkRuns(page, box.top() + 1, box.bottom() - 1, typedInk);
    const auto marks = inkRuns(page, markRow.top(), markRow.bottom(), markInk);
    ASSERT_EQ(typed.size(), 28u);  // 27 characters and the letter
    ASSERT_EQ(marks.size(), 28u);  // every cell wrong
    for (int cell = 0; cell < 27; ++cell)  // the characters; the letter stands in the left half of its cell
        EXPECT_NEAR(centre(marks[cell]), centre(typed[cell]), 2) << "cell " << cell + 1;
    // "m" occupies the left half of the last cell, drawn wider than that half.
    EXPECT_GT(typed[27].second - typed[27].first + 1, TypingPage::kByteWidth);
    EXPECT_LT(centre(typed[27]), w->Edit1->markCell(1, 28).center().x());

    // One cell back from line 2 the caret stands at the start of cell 28.
    QTest::keyClick(w->Edit1, Qt::Key_Left);
    ASSERT_EQ(w->engine().column(), 55);
    const QRect caret = w->Edit1->caretRect();
    EXPECT_GT(caret.left(), typed[26].second);
    EXPECT_LE(caret.left(), typed[27].first + 2);
}

// What a keystroke repaints: the changed cell, its mark and the caret, not
// the page; and what is then on the screen equals a fresh drawing of the
// whole page (no cell left stale).
TEST_F(Window, AKeyRepaintsOnlyWhatChangedAndLeavesNothingStale) {
    auto w = open();
    QWidget* page = w->Edit1;
    struct Spy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } spy;
    page->installEventFilter(&spy);
    const auto key = [&](Qt::Key k) { return [&, k] { QTest::keyClick(page, k); }; };
    struct Step {
        const char* what;
        std::function<void()> act;
        bool wholePage;
    };
    const std::vector<Step> steps = {
        {"a right character", [&] { commit(page, QString::fromStdString(modelText(1, 1))); }, false},
        {"a wrong character", [&] { commit(page, QString::fromUtf8("错")); }, false},
        {"a letter", [&] { QTest::keyClicks(page, "m"); }, false},
        {"left", key(Qt::Key_Left), false},
        {"backspace", key(Qt::Key_Backspace), false},
        {"delete", key(Qt::Key_Delete), false},
        {"insert", key(Qt::Key_Insert), false},
        {"overwrite a character", [&] { commit(page, QString::fromUtf8("中")); }, false},
        {"down", key(Qt::Key_Down), false},
        {"a blink", [&] { clock.advance(200); }, false},
        {"the statistics", [&] { clock.advance(50); }, false},
        {"page down", key(Qt::Key_PageDown), true},
        {"a character on the new page", [&] { commit(page, QString::fromUtf8("国")); }, false},
    };
    const QColor background = w->palette().color(QPalette::Window);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        QApplication::processEvents();
        spy.painted = QRegion();
        step.act();
        QApplication::processEvents();
        const QRect all = page->rect();
        if (step.wholePage)
            EXPECT_TRUE(spy.painted.contains(all));
        else
            EXPECT_LT(spy.painted.boundingRect().height(), all.height() / 2) << "whole page repainted";
        QImage fresh(page->size(), QImage::Format_RGB32);
        fresh.fill(background);
        page->render(&fresh);
        const QImage onScreen =
            page->screen()->grabWindow(w->winId(), page->x(), page->y(), page->width(), page->height()).toImage()
                .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(onScreen.size(), fresh.size());
        int differing = 0;
        for (int y = 0; y < fresh.height(); ++y)
            for (int x = 0; x < fresh.width(); ++x) differing += onScreen.pixel(x, y) != fresh.pixel(x, y);
        EXPECT_EQ(differing, 0);
    }
}

// A wide letter typed into the first cell stays inside its box: the box's
// left border is drawn whole and no ink of the letter falls on or beyond it.
TEST_F(Window, TheFirstCellLeavesTheBoxBorderFree) {
    auto w = open();
    const QRect box = w->Edit1->typedFrame(1);
    for (const char* letter : {"W", "m", "M", "@"}) {
        while (w->engine().column() != 1 || w->engine().line() != 1) QTest::keyClick(w->Edit1, Qt::Key_Left);
        QTest::keyClick(w->Edit1, Qt::Key_Delete);
        commit(w->Edit1, QString::fromLatin1(letter));
        QImage page(w->Edit1->size(), QImage::Format_RGB32);
        page.fill(Qt::white);
        w->Edit1->render(&page);
        const auto typed = inkRuns(page, box.top() + 1, box.bottom() - 1, typedInk);
        ASSERT_FALSE(typed.empty()) << letter;
        EXPECT_GT(typed.front().first, box.left() + 1) << letter << " reaches the border";
        for (int y = box.top(); y <= box.bottom(); ++y)
            ASSERT_EQ(page.pixelColor(box.left(), y), QColor(128, 128, 128)) << letter << " at y " << y;
    }
}

}  // namespace
}  // namespace kavlor
