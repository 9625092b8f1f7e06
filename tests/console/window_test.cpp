// The console's windows on Qt's offscreen platform: the login window, the menu
// tree, captions, pages, mode items, the exam time, accounts and the close,
// driven through the widgets as the teacher drives them.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "common/account/password.h"
#include "console/base/texts.h"
#include "console/window/ui/app.h"
#include "console/window/ui/forms.h"
#include "tests/console/console_lab.h"

namespace mendrix {
namespace {

using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;
using Strings = std::vector<std::string>;

std::string s(const QString& t) { return t.toStdString(); }
const std::string kTitle = texts::kTitle;

class ConsoleWindowTest : public ::testing::Test, public test::ConsoleLab {
protected:
    std::unique_ptr<MendrixApp> app;
    bool exited = false;

    void SetUp() override {
        app = std::make_unique<MendrixApp>(ConsoleEnv{dialogs, clock, desktop, folder(), [this] { exited = true; }});
        app->start();
    }
    TForm_enter& login() { return *app->Form_enter(); }
    TForm1& main() { return *app->Form1(); }
    void logIn(const char* name = "admin", const char* password = "admin") {
        login().Edit1->setText(QString::fromUtf8(name));
        login().Edit2->setText(QString::fromUtf8(password));
        QTest::keyClick(login().Edit2, Qt::Key_Return);  // Enter presses the default button
    }
    QAction* action(const char* name) { return main().findChild<QAction*>(name); }
    void trigger(const char* name) {
        QAction* a = action(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    std::string caption() { return s(main().windowTitle()); }
};

TEST_F(ConsoleWindowTest, LoginWindowShowsItsTextsAndPressesTheDefaultButtonOnEnter) {
    EXPECT_TRUE(login().isVisible());
    EXPECT_EQ(s(login().windowTitle()), "计算机等级考试维护系统Mendrix");
    EXPECT_EQ(s(login().Label1->text()), "Kavlor v1.0计算机等级考试(一级B)");
    EXPECT_EQ(s(login().Label2->text()), "教师维护系统");
    Strings labels;
    for (QLabel* l : login().findChildren<QLabel*>()) labels.push_back(s(l->text()));
    EXPECT_NE(std::find(labels.begin(), labels.end(), "管理员："), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "密  码："), labels.end());
    EXPECT_EQ(s(login().BitBtn1->text()), "确定");
    EXPECT_TRUE(login().BitBtn1->isDefault());
    EXPECT_EQ(login().Edit2->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(login().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(login().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(login().windowFlags() & Qt::WindowContextHelpButtonHint);

    logIn("admin", "wrong");
    EXPECT_EQ(dialogs.texts(), Strings{"输入用户名或密码错误！"});
    EXPECT_TRUE(login().isVisible());
    EXPECT_EQ(s(login().Edit2->text()), "wrong") << "the boxes stay as typed";
    logIn();
    EXPECT_FALSE(login().isVisible());
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(main().windowState() & Qt::WindowMaximized);
    EXPECT_EQ(caption(), kTitle + "当前状态：考试");
    EXPECT_EQ(main().findChild<QStackedWidget*>()->currentWidget()->objectName(), "Image1") << "no page visible";
}

TEST_F(ConsoleWindowTest, MenuTreeHasEveryItemWithItsCaption) {
    const std::vector<std::pair<const char*, Strings>> tree = {
        {"用户管理(&U)", {"N2 管理员(&A)", "N12 管理助手(&B)", "N3 考生报名(&N)"}},
        {"试题维护(&M)", {"WIN1 WIN题(&W)", "N5 选择题(&S)", "N6 录入题(&I)", "WORD1 WORD题(&O)"}},
        {"设置与评分(&S)",
         {"Ntime 设定考试时间", "N15 -", "N20 清除考生文件夹(学生机)", "N21 清除已考考生信息", "N23 更新题库(学生机)",
          "sp1 -", "N13 考试状态(&K)", "N14 练习状态(&L)", "s1 强制收分(&F)(学生机)", "E1 结束(&E)", "NLab 考场监控(&J)", "N19 -",
          "N16 查分&&打印(&P)(教师机)", "N17 答题分析(&C)(教师机)"}},
        {"关于(&A)", {"N10 关于软件(&S)", "H1 帮助(&H)"}},
    };
    const QList<QAction*> menus = main().menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(tree.size()));
    for (size_t i = 0; i < tree.size(); ++i) {
        EXPECT_EQ(s(menus[i]->text()), tree[i].first);
        Strings items;
        for (QAction* a : menus[i]->menu()->actions())
            items.push_back(s(a->objectName()) + " " + (a->isSeparator() ? "-" : s(a->text())));
        EXPECT_EQ(items, tree[i].second);
    }
}

TEST_F(ConsoleWindowTest, MenuCommandsSetCaptionAndPage) {
    struct Case {
        const char* item;
        const char* location;
        const char* panel;  // nullptr: the page stays
    };
    const Case cases[] = {
        {"N2", "用户管理->管理员", "Panel1"},       {"N12", "用户管理->管理助手", "Panel1"},
        {"N3", "用户管理->考生报名", "Panel2"},     {"WIN1", "试题维护->WIN题", "Panel7"},
        {"N5", "试题维护->选择题", "Panel10"},      {"N6", "试题维护->录入题", "Panel13"},
        {"WORD1", "试题维护->Word题", "Panel14"},   {"N16", "设置与评分->查分|打印", "Panel15"},
        {"N17", "设置与评分->答题情况分析", "Panel18"}, {"N10", "关于->关于软件", nullptr},
    };
    logIn();
    auto* pages = main().findChild<QStackedWidget*>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const QString before = pages->currentWidget()->objectName();
        trigger(c.item);
        EXPECT_EQ(caption(), kTitle + "     当前位置：" + c.location + "   当前状态：考试");
        EXPECT_EQ(s(pages->currentWidget()->objectName()), c.panel ? c.panel : s(before));
    }
    trigger("N2");
    EXPECT_TRUE(main().Panel3->isVisibleTo(&main()));
    EXPECT_FALSE(main().Panel4->isVisibleTo(&main()));
    trigger("N12");
    EXPECT_FALSE(main().Panel3->isVisibleTo(&main()));
    EXPECT_TRUE(main().Panel4->isVisibleTo(&main()));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ConsoleWindowTest, AboutBoxIsNotModalAndComesForwardAgain) {
    logIn();
    trigger("N10");
    TAboutBox* about = main().aboutBox();
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(s(about->windowTitle()), "关于本软件");
    trigger("N10");
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(main().findChildren<TAboutBox*>().size(), 1) << "one about box";
}

TEST_F(ConsoleWindowTest, ModeItemsFollowTheAllowedNextModes) {
    struct Case {
        const char* item;
        const char* caption;
        const char* korl;
        std::array<bool, 4> enabled;  // N13, N14, s1, E1
    };
    const Case cases[] = {
        {"N14", "     当前位置：设置与评分->练习状态  当前状态：练习", "2", {false, true, false, true}},
        {"E1", "     当前位置：设置与评分->结束   当前状态：结束", "4", {true, true, false, true}},
        {"N13", "     当前位置：设置与评分->考试状态  当前状态：考试", "1", {true, true, true, true}},
        {"s1", "     当前位置：设置与评分->强制收分   当前状态：强制收分", "3", {false, true, true, true}},
    };
    logIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        trigger(c.item);
        EXPECT_EQ(caption(), kTitle + c.caption);
        EXPECT_EQ(state("korl"), c.korl);
        std::array<bool, 4> enabled{main().N13->isEnabled(), main().N14->isEnabled(), main().s1->isEnabled(),
                                    main().E1->isEnabled()};
        EXPECT_EQ(enabled, c.enabled);
        for (QAction* a : {main().N13, main().N14, main().s1, main().E1})
            EXPECT_EQ(a->isChecked(), a->objectName() == c.item) << s(a->objectName());
    }
    // A box closed or answered No keeps the mark where it was.
    dialogs.answers = {Answer::No};
    trigger("N14");
    EXPECT_TRUE(main().s1->isChecked());
    EXPECT_FALSE(main().N14->isChecked());
    EXPECT_EQ(state("korl"), "3");
}

TEST_F(ConsoleWindowTest, StartupFlagsShowAsMarksAndOnTheStatusBar) {
    setState("clearinfo", "True");
    logIn();
    EXPECT_FALSE(main().N20->isChecked());
    EXPECT_TRUE(main().N21->isChecked());
    EXPECT_EQ(s(main().flagsLabel->text()), "当前状态：考试    清除考生文件夹：关    清除已考考生信息：开    更新题库：关");
    trigger("N20");
    EXPECT_EQ(dialogs.texts(), Strings{texts::kClearfoldOnQuestion});
    EXPECT_TRUE(main().N20->isChecked());
    EXPECT_TRUE(main().N21->isChecked()) << "only its own flag";
    EXPECT_EQ(s(main().flagsLabel->text()), "当前状态：考试    清除考生文件夹：开    清除已考考生信息：开    更新题库：关");
    dialogs.answers = {Answer::No};
    trigger("N23");
    EXPECT_FALSE(main().N23->isChecked()) << "declined";
    trigger("N23");
    EXPECT_TRUE(main().N23->isChecked());
    EXPECT_EQ(s(main().findChild<QStackedWidget*>()->currentWidget()->objectName()), "Panel20");
    EXPECT_EQ(caption(), kTitle + "     当前位置：设置与评分->更新题库(学生机)  当前状态：考试");
}

TEST_F(ConsoleWindowTest, ExamTimeGoesThroughThePrompt) {
    struct Case {
        std::optional<std::string> reply;
        const char* stored;
        Strings messages;
    };
    const Case cases[] = {
        {"0:45:00", "0:45:00", {}},
        {std::nullopt, "0:45:00", {}},
        {"1:75:00", "0:45:00", {"输入的时间1:75:00可能有误！！\r请重新输入！！！"}},
        {"10:00:00", "0:45:00", {"输入的时间10:00:00可能有误！！\r请重新输入！！！"}},
        {"2:00:59", "2:00:59", {}},
    };
    logIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.value_or("<cancel>"));
        dialogs.shown.clear();
        dialogs.replies = {c.reply};
        trigger("Ntime");
        EXPECT_EQ(state("resttime"), c.stored);
        EXPECT_EQ(dialogs.texts(), c.messages);
        EXPECT_EQ(dialogs.promptCaptions.back(), "设定学生考试时间!");
        EXPECT_EQ(caption(), kTitle + "当前状态：考试");
    }
}

TEST_F(ConsoleWindowTest, AccountBoxesAreReadAndClearedByTheirButtons) {
    struct Case {
        QLineEdit* TForm1::*name;
        QLineEdit* TForm1::*password;
        QLineEdit* TForm1::*confirmation;
        QPushButton* TForm1::*button;
        int row;
        const char *typedName, *typedPassword, *typedConfirmation;
        const char* message;
        bool cleared;
    };
    const Case cases[] = {
        {&TForm1::Edit1, &TForm1::Edit2, &TForm1::Edit3, &TForm1::BitBtn1, 0, "boss", "pw", "pw",
         "恭喜您，用户名密码更改成功！！！", true},
        {&TForm1::Edit4, &TForm1::Edit5, &TForm1::Edit6, &TForm1::BitBtn2, 1, "h1", "a", "b", "密码输入有误或为空,请重新输入!",
         true},
        {&TForm1::Edit7, &TForm1::Edit8, &TForm1::Edit9, &TForm1::BitBtn37, 2, "", "a", "a", "用户名不能为空", false},
        {&TForm1::Edit10, &TForm1::Edit11, &TForm1::Edit12, &TForm1::BitBtn38, 3, "h3", "1111", "1111",
         texts::kPasswordInUse, false},
        {&TForm1::Edit10, &TForm1::Edit11, &TForm1::Edit12, &TForm1::BitBtn38, 3, "h3", "9", "9",
         "恭喜您，用户名密码更改成功！！！", true},
    };
    logIn();
    trigger("N12");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typedName);
        dialogs.shown.clear();
        (main().*c.name)->setText(c.typedName);
        (main().*c.password)->setText(c.typedPassword);
        (main().*c.confirmation)->setText(c.typedConfirmation);
        EXPECT_EQ((main().*c.password)->echoMode(), QLineEdit::Password);
        (main().*c.button)->click();
        EXPECT_EQ(dialogs.texts(), Strings{c.message});
        EXPECT_EQ(s((main().*c.name)->text()), c.typedName) << "the user name stays";
        EXPECT_EQ((main().*c.password)->text().isEmpty(), c.cleared);
        EXPECT_EQ((main().*c.confirmation)->text().isEmpty(), c.cleared);
        const std::string stored = column("teacher.mdb", "user", "password").at(c.row);
        EXPECT_EQ(c.message == std::string(texts::kAccountChanged), kav::account::verifyPassword(stored, c.typedPassword));
    }
    // A user name box holds no more than the user name column (text(50)), so a
    // long name is cut as it is entered instead of being refused at the post.
    for (QLineEdit* TForm1::*name : {&TForm1::Edit1, &TForm1::Edit4, &TForm1::Edit7, &TForm1::Edit10}) {
        (main().*name)->clear();
        (main().*name)->insert(QString(60, QChar(u'名')));
        EXPECT_EQ((main().*name)->text().size(), 50);
    }
}

TEST_F(ConsoleWindowTest, ClosingTheMainWindowEndsOnlyWhenTheRecordIsWritten) {
    logIn();
    trigger("E1");
    ASSERT_EQ(state("korl"), "4");
    deleteAllRows("teacher.mdb", "state");  // the engine will refuse the console's write
    main().close();
    EXPECT_TRUE(main().isVisible()) << "the window stays open";
    EXPECT_FALSE(exited);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.lastText().rfind(texts::kCloseRefused, 0), 0u) << dialogs.lastText();

    // Once the console is started again on a good record, closing writes exam mode and ends.
    auto again = std::make_unique<MendrixApp>(ConsoleEnv{dialogs, clock, desktop, folder(), [this] { exited = true; }});
    app.reset();
    app = std::move(again);
    app->start();
    logIn();
    trigger("N14");
    main().close();
    EXPECT_TRUE(exited);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(state("korl"), "1");
}

TEST_F(ConsoleWindowTest, ClosingTheLoginWindowEndsTheConsole) {
    login().close();
    EXPECT_TRUE(exited);
    EXPECT_FALSE(login().isVisible());
    EXPECT_FALSE(main().isVisible());
}

TEST_F(ConsoleWindowTest, TheHelpMenuShowsTheHelpInsideTheConsole) {
    logIn();
    desktop.canOpen = false;  // no browser on the machine
    trigger("H1");
    ASSERT_EQ(desktop.helps.size(), 1u);
    EXPECT_EQ(desktop.helps[0].first, "帮助");
    EXPECT_TRUE(desktop.opened.empty());
    EXPECT_EQ(dialogs.texts(), Strings{});
}

}  // namespace
}  // namespace mendrix
