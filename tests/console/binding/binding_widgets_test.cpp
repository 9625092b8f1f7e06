// The grid, the record-view boxes, the buttons and the labels over one binding,
// on Qt's offscreen platform and a real database file.
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "console/base/binding/ui/bound_editors.h"
#include "console/base/binding/ui/bound_grid.h"
#include "console/base/binding/ui/navigators.h"
#include "tests/console/binding/binding_fixture.h"

using namespace kav::console;
using kav::test::BindingFixture;
using kav::ui::Answer;
using kav::ui::MessageKind;

namespace {

// Types each character as a key press carrying its text (QTest's key clicks
// know only ASCII).
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

// The roster's two views on one cursor, as a page lays them out.
struct RosterPage {
    explicit RosterPage(TableBinding& binding)
        : grid(new BoundGrid(binding, {{"zkzh", "准考证号"}, {"ksxm", "姓名"}, {"login_keyword", "登录密码"}}, &window)),
          gridLabel(new PositionLabel(binding, &window)),
          navigator(new GridNavigator(binding, &window)),
          name(new BoundLineEdit(binding, "ksxm", &window)),
          score(new BoundLineEdit(binding, "kscj", &window)),
          recordLabel(new PositionLabel(binding, &window)),
          strip(new NavigationStrip(binding, &window)) {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{grid, gridLabel, navigator, name, score, recordLabel, strip})
            layout->addWidget(w);
        window.resize(600, 500);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void clickRow(int row) {
        QRect cell = grid->visualRect(grid->model()->index(row - 1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void press(const QString& caption) {
        for (auto* b : strip->findChildren<QPushButton*>())
            if (b->text() == caption) return b->click();
        ADD_FAILURE() << "no button " << caption.toStdString();
    }
    QToolButton* navigatorButton(const QString& hint) {
        for (auto* b : navigator->findChildren<QToolButton*>())
            if (b->toolTip() == hint) return b;
        ADD_FAILURE() << "no navigator button " << hint.toStdString();
        return nullptr;
    }

    QWidget window;
    BoundGrid* grid;
    PositionLabel* gridLabel;
    GridNavigator* navigator;
    BoundLineEdit *name, *score;
    PositionLabel* recordLabel;
    NavigationStrip* strip;
};

TEST(BindingWidgets, GridClicksAndButtonsMoveEveryViewTogether) {
    BindingFixture f;
    f.addStudents({"张三", "李四", "王五"});
    RosterPage page(f.bind());
    struct Step {
        const char* what;
        std::function<void()> act;
        int row;
        QString name;
    };
    const std::vector<Step> steps = {
        {"opened", [] {}, 1, "张三"},
        {"click row 3", [&] { page.clickRow(3); }, 3, "王五"},
        {"向前", [&] { page.press("向前"); }, 2, "李四"},
        {"click row 1", [&] { page.clickRow(1); }, 1, "张三"},
        {"终点", [&] { page.press("终点"); }, 3, "王五"},
        {"navigator first", [&] { page.navigatorButton("第一条")->click(); }, 1, "张三"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        QString label = QString("记录号：%1/3").arg(step.row);
        EXPECT_EQ(f.binding->currentRow(), step.row);
        EXPECT_EQ(page.grid->currentIndex().row(), step.row - 1);
        EXPECT_EQ(page.name->text(), step.name);
        EXPECT_EQ(page.gridLabel->text(), label);
        EXPECT_EQ(page.recordLabel->text(), label);
    }
}

TEST(BindingWidgets, TypedTextIsStoredWhenTheGridMovesAway) {
    BindingFixture f;
    f.addStudents({"张三", "李四", "王五"});
    RosterPage page(f.bind());
    page.clickRow(2);
    QTest::keyClicks(page.name, "2");
    EXPECT_EQ(page.grid->model()->index(1, 1).data().toString(), "李四2") << "the grid shows the typed value at once";
    EXPECT_TRUE(page.navigatorButton("保存")->isEnabled());
    page.clickRow(3);
    EXPECT_EQ(f.stored(), (std::vector<std::string>{"张三", "李四2", "王五"}));
    EXPECT_FALSE(page.navigatorButton("保存")->isEnabled());

    // A cell edited in the grid goes through the binding the same way.
    page.grid->model()->setData(page.grid->model()->index(2, 2), "secret");
    page.press("起点");
    EXPECT_EQ(f.stored("login_keyword"), (std::vector<std::string>{"", "", "secret"}));
}

TEST(BindingWidgets, ARefusedPostKeepsTheTypedTextInTheBox) {
    BindingFixture f;
    f.addStudents({"张三", "李四"});
    RosterPage page(f.bind());
    const std::vector<std::pair<const char*, std::function<void()>>> moves = {
        {"向后", [&] { page.press("向后"); }},
        {"click row 2", [&] { page.clickRow(2); }},
        {"navigator post", [&] { page.navigatorButton("保存")->click(); }},
    };
    QTest::keyClicks(page.score, "40000");  // beyond a small integer
    typeText(page.name, "丰");
    for (const auto& [what, move] : moves) {
        SCOPED_TRACE(what);
        f.dialogs.shown.clear();
        move();
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Error);
        EXPECT_EQ(page.score->text(), "40000");
        EXPECT_EQ(page.name->text(), "张三丰");
        EXPECT_EQ(page.grid->currentIndex().row(), 0);
        EXPECT_EQ(page.recordLabel->text(), "记录号：1/2");
        EXPECT_EQ(f.stored(), (std::vector<std::string>{"张三", "李四"}));
    }
    page.score->clear();
    QTest::keyClicks(page.score, "90");
    page.clickRow(2);
    EXPECT_EQ(page.recordLabel->text(), "记录号：2/2");
    EXPECT_EQ(f.stored(), (std::vector<std::string>{"张三丰", "李四"}));
    EXPECT_EQ(f.stored("kscj"), (std::vector<std::string>{"90", ""}));
}

TEST(BindingWidgets, ALongTextStaysWholeANewRowComesIntoViewAndTabLeavesAMemo) {
    BindingFixture f;
    std::vector<std::string> names(60, "张三");
    f.addStudents(names);
    RosterPage page(f.bind());
    const QString longName(17, QChar(u'字'));
    typeText(page.name, longName);
    EXPECT_EQ(page.name->text(), "张三" + longName) << "the box never cuts a text short";
    EXPECT_EQ(f.binding->text(f.column("ksxm")), ("张三" + longName).toStdString());
    f.binding->cancel();

    page.navigatorButton("插入")->click();
    const QRect newRow = page.grid->visualRect(page.grid->model()->index(60, 0));
    EXPECT_TRUE(page.grid->viewport()->rect().intersects(newRow)) << "the new row is scrolled into view";
    EXPECT_EQ(page.gridLabel->text(), "记录号：61/61");

    BindingFixture win("win");
    QWidget form;
    auto* memo = new BoundMemo(win.bind(), "question1", &form);
    auto* next = new BoundMemo(*win.binding, "question2", &form);
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(memo);
    layout->addWidget(next);
    form.show();
    QTest::keyClicks(memo, "a");
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(memo->toPlainText(), "a") << "Tab moves on instead of typing a tab";
    EXPECT_EQ(next->toPlainText(), "");
}

TEST(BindingWidgets, NavigatorDeleteAsksAndEditButtonsFollowTheMode) {
    BindingFixture f;
    f.addStudents({"张三", "李四"});
    RosterPage page(f.bind());
    EXPECT_TRUE(page.navigatorButton("编辑")->isEnabled());
    EXPECT_FALSE(page.navigatorButton("取消")->isEnabled());
    page.navigatorButton("编辑")->click();
    EXPECT_FALSE(page.navigatorButton("编辑")->isEnabled());
    EXPECT_TRUE(page.navigatorButton("取消")->isEnabled());
    page.navigatorButton("取消")->click();

    f.dialogs.answers = {Answer::No, Answer::Ok};
    page.navigatorButton("删除")->click();
    EXPECT_EQ(f.stored(), (std::vector<std::string>{"张三", "李四"}));
    page.press("删除");
    EXPECT_EQ(f.stored(), (std::vector<std::string>{"李四"}));
    ASSERT_EQ(f.dialogs.shown.size(), 2u);
    for (auto& shown : f.dialogs.shown) EXPECT_EQ(shown.text, "确定要删除第1条记录吗？");
    EXPECT_EQ(page.name->text(), "李四");
    EXPECT_EQ(page.grid->model()->rowCount(), 1);
}

}  // namespace

namespace {

QByteArray bitmapBytes() {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

TEST(BindingWidgets, MemoCheckBoxDateTimeAndPictureShowTheRowAndTypeIntoTheBinding) {
    {
        SCOPED_TRACE("memo");
        BindingFixture f("win");
        f.cursor->append();
        f.cursor->field("question1").setString("第一行\n第二行");
        f.cursor->post();
        TableBinding& b = f.bind();
        BoundMemo memo(b, "question1");
        EXPECT_EQ(memo.toPlainText(), "第一行\n第二行");
        memo.moveCursor(QTextCursor::End);
        typeText(&memo, "。");
        EXPECT_TRUE(b.isEditing());
        EXPECT_TRUE(b.savePending());
        EXPECT_EQ(f.stored("question1"), (std::vector<std::string>{"第一行\n第二行。"}));
    }
    {
        SCOPED_TRACE("check box");
        BindingFixture f("state", "teacher.mdb");
        TableBinding& b = f.bind();
        BoundCheckBox update(b, "update", "更新");
        EXPECT_FALSE(update.isChecked());
        update.click();
        EXPECT_TRUE(b.savePending());
        EXPECT_EQ(f.stored("update"), (std::vector<std::string>{"True"}));
        b.setValue(f.column("update"), false);
        EXPECT_FALSE(update.isChecked()) << "the box follows the binding";
    }
    {
        SCOPED_TRACE("date-time");
        BindingFixture f("condition", "teacher.mdb");
        f.cursor->append();
        f.cursor->field("kstime").setDateTime({2024, 6, 1, 8, 30, 0});
        f.cursor->post();
        TableBinding& b = f.bind();
        BoundDateTimeEdit time(b, "kstime");
        EXPECT_EQ(time.text(), "2024-06-01 08:30:00");
        time.setDateTime(QDateTime(QDate(2024, 6, 2), QTime(9, 0), Qt::UTC));
        EXPECT_TRUE(b.savePending());
        EXPECT_EQ(f.stored("kstime"), (std::vector<std::string>{"2024-06-02 09:00:00"}));
    }
    {
        SCOPED_TRACE("picture");
        BindingFixture f("selecttest");
        f.cursor->append();
        f.cursor->post();
        TableBinding& b = f.bind();
        BoundPicture picture(b, "image");
        EXPECT_TRUE(picture.pixmap().isNull());
        QByteArray bytes = bitmapBytes();
        b.setValue(f.column("image"), kav::db::Blob(bytes.begin(), bytes.end()));
        EXPECT_EQ(picture.pixmap().size(), QSize(20, 10)) << "shown at its own size";
        b.setValue(f.column("image"), kav::db::Value{});
        EXPECT_TRUE(picture.pixmap().isNull());
    }
}

}  // namespace
