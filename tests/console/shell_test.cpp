// The console's logic on real database files: data module, login, captions and
// pages, station commands, exam time, accounts, help and the close.
#include <gtest/gtest.h>

#include "common/account/password.h"
#include "console/base/console.h"
#include "common/help/help.h"
#include "console/base/texts.h"
#include "tests/account/raw_file.h"
#include "tests/console/console_lab.h"

namespace mendrix {
namespace {

using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;
using Strings = std::vector<std::string>;

const std::string kTitle = texts::kTitle;

class ConsoleTest : public ::testing::Test, public test::ConsoleLab {
protected:
    std::unique_ptr<Console> console;
    bool exited = false;

    Console& start() {
        console = std::make_unique<Console>(ConsoleEnv{dialogs, clock, desktop, folder(), [this] { exited = true; }});
        console->start();
        return *console;
    }
    // Starts and logs in as the administrator of a new teacher.mdb.
    MainWindowLogic& loggedIn() {
        start();
        login("admin", "admin");
        EXPECT_TRUE(console->mainWindow().visible) << dialogs.lastText();
        dialogs.shown.clear();
        return console->mainWindow();
    }
    void login(const std::string& name, const std::string& password) {
        console->login().Edit1 = name;
        console->login().Edit2 = password;
        console->handle([this] { console->login().BitBtn1Click(); });
    }
    void run(void (MainWindowLogic::*handler)()) {
        console->handle([this, handler] { (console->mainWindow().*handler)(); });
    }
};

// ------------------------------------------------------------------ data module

TEST_F(ConsoleTest, RowLabelsShowRowOfCountAndStayBareForATableEmptyWhenOpened) {
    {
        auto win = connect("stu.mdb")->openTable("win");
        for (int i = 0; i < 3; ++i) {
            win->append();
            win->field("question1").setString("q" + std::to_string(i));
            win->post();
        }
    }
    TDataModule2 data(folder());
    data.open();
    EXPECT_EQ(data.rowLabel(data.ADOTable_win()), "记录号：1/3");
    EXPECT_EQ(data.rowLabel(data.ADOTable_word()), "记录号：") << "empty when opened";
    EXPECT_EQ(data.rowLabel(data.ADOTable_Tstate()), "记录号：") << "state has no label";

    data.ADOTable_win().moveBy(2);
    data.ADOTable_winAfterScroll();
    EXPECT_EQ(data.rowLabel(data.ADOTable_win()), "记录号：3/3");

    kav::db::Cursor& word = data.ADOTable_word();
    word.append();
    data.ADOTable_wordAfterScroll();
    EXPECT_EQ(data.rowLabel(word), "记录号：1/0") << "the number the new row will get, as the cursor reports";
    word.field("question").setString("x");
    word.post();
    data.ADOTable_wordAfterScroll();
    EXPECT_EQ(data.rowLabel(word), "记录号：1/1");
    word.remove();
    data.ADOTable_wordAfterScroll();
    EXPECT_EQ(data.rowLabel(word), rowPositionText(word));
    EXPECT_EQ(rowPositionText(word), "记录号：0/0");
}

TEST_F(ConsoleTest, ACursorThatDidNotOpenFailsWithTheEnginesText) {
    std::filesystem::remove(dir / "teacher.mdb");
    TDataModule2 data(folder());
    std::string error;
    try {
        data.open();
    } catch (const kav::db::DbError& e) {
        error = e.what();
    }
    ASSERT_NE(error.find("Could not find file"), std::string::npos) << error;
    EXPECT_EQ(data.ADOTable_word().recordCount(), 0) << "stu.mdb opened first, its cursors stay open";
    for (auto cursor : {&TDataModule2::ADOTable_Tuser, &TDataModule2::ADOTable_Tstate, &TDataModule2::ADOTable_Tscore}) {
        try {
            (data.*cursor)();
            ADD_FAILURE() << "a cursor of the missing teacher.mdb is open";
        } catch (const kav::db::DbError& e) {
            EXPECT_EQ(e.what(), error);
        }
    }
    EXPECT_EQ(data.cursorsPostedAtClose().size(), 4u) << "student, win, selecttest, word";
}

TEST_F(ConsoleTest, AMissingDatabaseIsShownAndTheLoginWindowStays) {
    std::filesystem::remove(dir / "stu.mdb");
    start();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_NE(dialogs.lastText().find("Could not find file"), std::string::npos);
    login("admin", "admin");
    EXPECT_TRUE(console->login().visible);
    EXPECT_FALSE(console->mainWindow().visible);
    EXPECT_EQ(dialogs.texts().back(), dialogs.texts().front()) << "the later use fails with the same text";
}

// ------------------------------------------------------------------ login

struct LoginCase {
    const char* name;
    bool replaceRows;  // false: the new file's four accounts
    Strings rows;      // username/password pairs of `user` in table order
    bool hashed;   // store the passwords as hashes
    const char *typedName, *typedPassword;
    const char* refusal;  // nullptr: admitted
};

TEST_F(ConsoleTest, ATeacherFileOnANetworkFileSystemIsWarnedOfOnceWithTheWayOut) {
    const std::string warning =
        "teacher.mdb位于网络文件系统（FS）上。网络文件系统上的数据库文件锁定不可靠，多台学生机同时交卷或收分时成绩可能丢失或损坏。\r"
        "学生机较多的机房请把教师数据库放到PostgreSQL服务器上：见管理员指南（docs/admin-guide.md）中“A lab on PostgreSQL”一节，"
        "用 kavtool init-db teacher.udl 建立数据库。";
    const std::optional<std::string> local;
    for (const auto& fileSystem : {local, std::optional<std::string>("NFS"), std::optional<std::string>("SMB"),
                                   std::optional<std::string>("CIFS")}) {
        SCOPED_TRACE(fileSystem.value_or("local"));
        kav::test::FakeDialogs boxes;
        Console c(ConsoleEnv{boxes, clock, desktop, folder(), {}});
        std::vector<std::filesystem::path> asked;
        c.login().networkFileSystemOf = [&](const std::filesystem::path& file) {
            asked.push_back(file);
            return fileSystem;
        };
        c.start();
        EXPECT_EQ(asked, std::vector<std::filesystem::path>{folder() / "teacher.mdb"});
        if (fileSystem) {
            std::string expected = warning;
            expected.replace(expected.find("FS"), 2, *fileSystem);
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
            EXPECT_EQ(boxes.shown[0].text, expected);
        } else {
            EXPECT_TRUE(boxes.shown.empty()) << boxes.lastText();
        }
        // The warning does not keep the teacher out.
        c.login().Edit1 = "admin";
        c.login().Edit2 = "admin";
        c.handle([&] { c.login().BitBtn1Click(); });
        EXPECT_TRUE(c.mainWindow().visible) << boxes.lastText();
        EXPECT_EQ(asked.size(), 1u) << "asked once a start";
    }
}

TEST_F(ConsoleTest, LoginAdmitsOnlyTheFirstRowExactly) {
    const LoginCase cases[] = {
        {"administrator", false, {}, false, "admin", "admin", nullptr},
        {"hashed password", true, {"boss", "s3cret", "a1", "1"}, true, "boss", "s3cret", nullptr},
        {"hashed, wrong", true, {"boss", "s3cret", "a1", "1"}, true, "boss", "s3cre", texts::kWrongLogin},
        {"case differs", false, {}, false, "Admin", "admin", texts::kWrongLogin},
        {"trailing space", false, {}, false, "admin ", "admin", texts::kWrongLogin},
        {"password with space kept", true, {"boss", " pw ", "a1", "1"}, true, "boss", " pw ", nullptr},
        {"password trimmed", true, {"boss", " pw ", "a1", "1"}, true, "boss", "pw", texts::kWrongLogin},
        {"assistant", false, {}, false, "assist1", "1111", texts::kWrongLogin},
        {"wrong password", false, {}, false, "admin", "1111", texts::kWrongLogin},
        {"no user row", true, {}, false, "", "", texts::kNoAdministrator},
        {"empty name in first row", true, {"", "", "a1", "1"}, false, "", "", texts::kNoAdministrator},
        {"empty password", true, {"boss", "", "a1", "1"}, false, "boss", "", texts::kWrongLogin},
    };
    for (const LoginCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::ConsoleLab fresh;
        if (c.replaceRows) {
            fresh.deleteAllRows("teacher.mdb", "user");
            auto user = fresh.connect("teacher.mdb")->openTable("user");
            for (size_t i = 0; i + 1 < c.rows.size(); i += 2) {
                user->append();
                user->field("username").setString(c.rows[i]);
                user->field("password").setString(c.hashed ? kav::account::hashPassword(c.rows[i + 1]) : c.rows[i + 1]);
                user->post();
            }
        }
        Console console(ConsoleEnv{fresh.dialogs, fresh.clock, fresh.desktop, fresh.folder(), {}});
        console.start();
        console.login().Edit1 = c.typedName;
        console.login().Edit2 = c.typedPassword;
        console.handle([&] { console.login().BitBtn1Click(); });
        if (c.refusal) {
            ASSERT_EQ(fresh.dialogs.shown.size(), 1u);
            EXPECT_EQ(fresh.dialogs.shown[0].text, c.refusal);
            EXPECT_EQ(fresh.dialogs.shown[0].kind, MessageKind::Warning);
            EXPECT_EQ(fresh.dialogs.shown[0].buttons, Buttons::Yes);
            EXPECT_TRUE(console.login().visible);
            EXPECT_FALSE(console.mainWindow().visible);
            EXPECT_EQ(console.login().Edit1, c.typedName) << "the boxes stay as typed";
            EXPECT_EQ(console.login().Edit2, c.typedPassword);
        } else {
            EXPECT_TRUE(fresh.dialogs.shown.empty()) << fresh.dialogs.lastText();
            EXPECT_FALSE(console.login().visible);
            EXPECT_TRUE(console.mainWindow().visible);
        }
    }
}

TEST_F(ConsoleTest, ShowingTheMainWindowPutsTheLabIntoExamModeAndReadsTheFlags) {
    setState("korl", "3");
    setState("clearfold", "True");
    setState("update", "True");
    MainWindowLogic& w = loggedIn();
    EXPECT_EQ(state("korl"), "1");
    EXPECT_EQ(w.caption, kTitle + "当前状态：考试");
    EXPECT_EQ(w.page, Page::None);
    EXPECT_EQ(w.markedMode, kav::station::StationMode::Exam);
    EXPECT_EQ(w.modeEnabled, (ModeItemsEnabled{true, true, true, true}));
    EXPECT_TRUE(w.checked(StartupFlag::Clearfold));
    EXPECT_FALSE(w.checked(StartupFlag::Clearinfo));
    EXPECT_TRUE(w.checked(StartupFlag::Update));
    EXPECT_EQ(w.flagsText(), "清除考生文件夹：开    清除已考考生信息：关    更新题库：开");
    EXPECT_EQ(w.statusText(), "当前状态：考试    " + w.flagsText());
    EXPECT_EQ(w.typingSaveFolder, folder() / "txt");
}

// A flag value the console never writes (put there behind its back) does not
// keep the teacher out: the console opens, names the column and shows it off.
TEST_F(ConsoleTest, AFlagItsColumnCannotHoldIsShownOffWithAWarning) {
    kav::test::RawFile(dir / "teacher.mdb", kav::db::kDatabasePassword).exec("UPDATE state SET \"update\" = 'maybe'");
    start();
    login("admin", "admin");
    MainWindowLogic& w = console->mainWindow();
    EXPECT_TRUE(w.visible);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(dialogs.shown[0].text, "数据库 state 表的 update 列的值“maybe”无效，启动开关暂按“关”显示，请重新设置。");
    EXPECT_FALSE(w.checked(StartupFlag::Update));
    EXPECT_EQ(state("korl"), "1");
}

TEST_F(ConsoleTest, AnEmptyStateTableGetsTheDefaultRowAtLogin) {
    deleteAllRows("teacher.mdb", "state");
    MainWindowLogic& w = loggedIn();
    EXPECT_EQ(column("teacher.mdb", "state", "korl"), Strings{"1"});
    EXPECT_EQ(state("resttime"), "1:30:00");
    EXPECT_EQ(state("clearfold"), "False");
    EXPECT_EQ(w.caption, kTitle + "当前状态：考试");
}

// ------------------------------------------------------------------ pages and captions

TEST_F(ConsoleTest, PageCommandsSetLocationThreeSpacesAndModeText) {
    struct Case {
        void (MainWindowLogic::*handler)();
        const char* location;
        Page page;
    };
    const Case cases[] = {
        {&MainWindowLogic::N2Click, "用户管理->管理员", Page::Accounts},
        {&MainWindowLogic::N12Click, "用户管理->管理助手", Page::Accounts},
        {&MainWindowLogic::N3Click, "用户管理->考生报名", Page::Roster},
        {&MainWindowLogic::WIN1Click, "试题维护->WIN题", Page::WinQuestions},
        {&MainWindowLogic::N5Click, "试题维护->选择题", Page::ChoiceQuestions},
        {&MainWindowLogic::N6Click, "试题维护->录入题", Page::TypingTexts},
        {&MainWindowLogic::WORD1Click, "试题维护->Word题", Page::WordQuestions},
        {&MainWindowLogic::N16Click, "设置与评分->查分|打印", Page::ScoreList},
        {&MainWindowLogic::N17Click, "设置与评分->答题情况分析", Page::AnswerAnalysis},
        {&MainWindowLogic::NLabClick, "设置与评分->考场监控", Page::LabView},
    };
    MainWindowLogic& w = loggedIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const std::string expected = kTitle + "     当前位置：" + c.location + "   当前状态：考试";
        for (int twice = 0; twice < 2; ++twice) {
            run(c.handler);
            EXPECT_EQ(w.caption, expected);
            EXPECT_EQ(w.page, c.page);
        }
    }
    run(&MainWindowLogic::N2Click);
    EXPECT_EQ(w.accountsPart, AccountsPart::Administrator);
    run(&MainWindowLogic::N12Click);
    EXPECT_EQ(w.accountsPart, AccountsPart::Assistants);

    run(&MainWindowLogic::N10Click);
    EXPECT_EQ(w.caption, kTitle + "     当前位置：关于->关于软件   当前状态：考试");
    EXPECT_EQ(w.page, Page::Accounts) << "the about box leaves the page";
    EXPECT_TRUE(dialogs.shown.empty());
}

// ------------------------------------------------------------------ station modes

TEST_F(ConsoleTest, ModeCommandsWriteThenMarkEnableAndCaption) {
    struct Case {
        void (MainWindowLogic::*handler)();
        const char* question;
        const char* caption;  // after the title
        const char* korl;
        kav::station::StationMode marked;
        ModeItemsEnabled enabled;
        Page page;  // collecting and ending show the stations following
    };
    const Case cases[] = {
        {&MainWindowLogic::N14Click, "将切换到练习状态，准备好？", "     当前位置：设置与评分->练习状态  当前状态：练习", "2",
         kav::station::StationMode::Practice, {false, true, false, true}, Page::Roster},
        {&MainWindowLogic::E1Click, "将切换到结束状态，准备好？", "     当前位置：设置与评分->结束   当前状态：结束", "4",
         kav::station::StationMode::Ended, {true, true, false, true}, Page::LabView},
        {&MainWindowLogic::N13Click, "将切换到考试状态，准备好？", "     当前位置：设置与评分->考试状态  当前状态：考试", "1",
         kav::station::StationMode::Exam, {true, true, true, true}, Page::Roster},
        {&MainWindowLogic::s1Click, "将切换到强制收分状态，准备好？",
         "     当前位置：设置与评分->强制收分   当前状态：强制收分", "3", kav::station::StationMode::ForcedCollection,
         {false, true, true, true}, Page::LabView},
    };
    MainWindowLogic& w = loggedIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.korl);
        dialogs.shown.clear();
        run(&MainWindowLogic::N3Click);
        run(c.handler);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, c.question);
        EXPECT_EQ(dialogs.shown[0].buttons, Buttons::YesNo);
        EXPECT_EQ(state("korl"), c.korl);
        EXPECT_EQ(w.caption, kTitle + c.caption);
        EXPECT_EQ(w.markedMode, c.marked);
        EXPECT_EQ(w.modeEnabled, c.enabled);
        EXPECT_EQ(modeItemsEnabledAfter(c.marked), c.enabled);
        EXPECT_EQ(w.page, c.page);
    }
    run(&MainWindowLogic::WIN1Click);
    EXPECT_EQ(w.caption, kTitle + "     当前位置：试题维护->WIN题   当前状态：强制收分") << "the next page shows the new mode";
}

TEST_F(ConsoleTest, OnlyYesSwitchesTheLab) {
    MainWindowLogic& w = loggedIn();
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        dialogs.answers = {answer};
        run(&MainWindowLogic::N14Click);
        EXPECT_EQ(state("korl"), "1");
        EXPECT_EQ(w.markedMode, kav::station::StationMode::Exam);
        EXPECT_EQ(w.caption, kTitle + "当前状态：考试");
        EXPECT_EQ(w.modeEnabled, (ModeItemsEnabled{true, true, true, true}));
    }
}

TEST_F(ConsoleTest, AFailedWriteShowsTheEnginesTextAndChangesNothing) {
    MainWindowLogic& w = loggedIn();
    run(&MainWindowLogic::N2Click);
    const std::string caption = w.caption;
    deleteAllRows("teacher.mdb", "state");  // another program removes the row the console stands on
    dialogs.answers = {Answer::Yes};
    run(&MainWindowLogic::N14Click);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, MessageKind::Error);
    EXPECT_FALSE(dialogs.shown[1].text.empty());
    EXPECT_EQ(w.markedMode, kav::station::StationMode::Exam);
    EXPECT_EQ(w.modeEnabled, (ModeItemsEnabled{true, true, true, true}));
    EXPECT_EQ(w.caption, caption);

    dialogs.shown.clear();
    dialogs.answers = {Answer::Yes};
    run(&MainWindowLogic::N20Click);
    EXPECT_FALSE(w.checked(StartupFlag::Clearfold));
    EXPECT_EQ(w.caption, caption);
    EXPECT_EQ(dialogs.shown.back().kind, MessageKind::Error);
}

// ------------------------------------------------------------------ start-up flags

TEST_F(ConsoleTest, EachStartupFlagTogglesOnlyItselfAndAsksBeforeSwitchingOn) {
    struct Case {
        void (MainWindowLogic::*handler)();
        StartupFlag flag;
        const char* column;
        const char* question;
        const char* location;
        Page page;  // after switching
    };
    const Case cases[] = {
        {&MainWindowLogic::N20Click, StartupFlag::Clearfold, "clearfold", texts::kClearfoldOnQuestion,
         "设置与评分->清除考生文件夹&已考考生信息", Page::Roster},
        {&MainWindowLogic::N21Click, StartupFlag::Clearinfo, "clearinfo", texts::kClearinfoOnQuestion,
         "设置与评分->清除考生文件夹&已考考生信息", Page::Roster},
        {&MainWindowLogic::N23Click, StartupFlag::Update, "update", texts::kUpdateOnQuestion,
         "设置与评分->更新题库(学生机)", Page::UpdateList},
    };
    const char* columns[] = {"clearfold", "clearinfo", "update"};
    MainWindowLogic& w = loggedIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        run(&MainWindowLogic::N3Click);
        const std::string before = w.caption;
        // Declined: nothing changes.
        dialogs.shown.clear();
        dialogs.answers = {Answer::No};
        run(c.handler);
        ASSERT_EQ(dialogs.texts(), Strings{c.question});
        EXPECT_EQ(dialogs.shown[0].buttons, Buttons::YesNo);
        EXPECT_FALSE(w.checked(c.flag));
        EXPECT_EQ(state(c.column), "False");
        EXPECT_EQ(w.caption, before);
        // Yes: on, and only this flag.
        dialogs.answers = {Answer::Yes};
        run(c.handler);
        EXPECT_TRUE(w.checked(c.flag));
        for (const char* other : columns) EXPECT_EQ(state(other), other == std::string(c.column) ? "True" : "False");
        for (StartupFlag other : {StartupFlag::Clearfold, StartupFlag::Clearinfo, StartupFlag::Update})
            EXPECT_EQ(w.checked(other), other == c.flag);
        EXPECT_EQ(w.caption, kTitle + "     当前位置：" + c.location + "  当前状态：考试");
        EXPECT_EQ(w.page, c.page);
        // Off again without a question.
        dialogs.shown.clear();
        run(c.handler);
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_FALSE(w.checked(c.flag));
        EXPECT_EQ(state(c.column), "False");
    }
}

TEST_F(ConsoleTest, FlagCaptionShowsTheMarkedMode) {
    MainWindowLogic& w = loggedIn();
    run(&MainWindowLogic::E1Click);
    run(&MainWindowLogic::N21Click);
    EXPECT_EQ(w.caption, kTitle + "     当前位置：设置与评分->清除考生文件夹&已考考生信息  当前状态：结束");
}

// ------------------------------------------------------------------ exam time

TEST_F(ConsoleTest, ExamTimeIsStoredOnlyInTheFormDColonDdColonDd) {
    struct Case {
        std::optional<std::string> answer;
        bool stored;
    };
    const Case cases[] = {
        {"0:45:00", true},   {"9:59:59", true},   {"0:00:01", true},   {std::nullopt, false},
        {"2:00:60", false},  {"1:75:00", false},  {"10:00:00", false}, {"1:30:0", false},
        {"0:00:00", false},  {"a:30:00", false},  {"", false},         {"1:30:00 ", false},
    };
    MainWindowLogic& w = loggedIn();
    setState("resttime", "1:11:11");
    run(&MainWindowLogic::N2Click);
    const std::string caption = w.caption;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or("<cancel>"));
        const std::string before = state("resttime");
        dialogs.shown.clear();
        dialogs.prompts.clear();
        dialogs.replies = {c.answer};
        run(&MainWindowLogic::NtimeClick);
        EXPECT_EQ(dialogs.prompts, Strings{"输入时间格式如：1:30:00,缺省时间为1:30:00\r请输入时间："});
        EXPECT_EQ(dialogs.promptCaptions.back(), "设定学生考试时间!");
        EXPECT_EQ(dialogs.promptInitials.back(), "1:30:00");
        EXPECT_EQ(w.caption, caption);
        if (c.stored) {
            EXPECT_TRUE(dialogs.shown.empty()) << dialogs.lastText();
            EXPECT_EQ(state("resttime"), *c.answer);
        } else {
            EXPECT_EQ(state("resttime"), before);
            if (c.answer) {
                ASSERT_EQ(dialogs.shown.size(), 1u);
                EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Warning);
                EXPECT_EQ(dialogs.shown[0].text, "输入的时间" + *c.answer + "可能有误！！\r请重新输入！！！");
            } else {
                EXPECT_TRUE(dialogs.shown.empty()) << "cancelling changes nothing";
            }
        }
    }
}

// ------------------------------------------------------------------ accounts

TEST_F(ConsoleTest, SettingAnAccountWritesItsOwnRowAsAHash) {
    struct Case {
        const char* name;
        int account;
        AccountBoxes typed;
        Strings messages;
        AccountBoxes left;  // the boxes afterwards
        bool written;
    };
    const Case cases[] = {
        {"administrator", 0, {"boss", "p w", "p w"}, {texts::kAccountChanged}, {"boss", "", ""}, true},
        {"level 2", 2, {"helper2", "7777", "7777"}, {texts::kAccountChanged}, {"helper2", "", ""}, true},
        {"empty name first", 1, {"", "1", "2"}, {texts::kEmptyUserName}, {"", "1", "2"}, false},
        {"empty passwords", 1, {"x", "", ""}, {texts::kBadPassword}, {"x", "", ""}, false},
        {"differ", 3, {"x", "abc", "abd"}, {texts::kBadPassword}, {"x", "", ""}, false},
        {"case differs", 3, {"x", "abc", "ABC"}, {texts::kBadPassword}, {"x", "", ""}, false},
        {"another assistant's password", 3, {"x", "1111", "1111"}, {texts::kPasswordInUse}, {"x", "1111", "1111"},
         false},
        {"administrator may share", 0, {"admin", "2222", "2222"}, {texts::kAccountChanged}, {"admin", "", ""}, true},
        {"own password again", 1, {"assist1", "1111", "1111"}, {texts::kAccountChanged}, {"assist1", "", ""}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ConsoleLab lab;
        Console console(ConsoleEnv{lab.dialogs, lab.clock, lab.desktop, lab.folder(), {}});
        console.start();
        const Strings namesBefore = lab.column("teacher.mdb", "user", "username");
        const Strings passwordsBefore = lab.column("teacher.mdb", "user", "password");
        console.accounts().boxes[c.account] = c.typed;
        void (AccountsLogic::*buttons[])() = {&AccountsLogic::BitBtn1Click, &AccountsLogic::BitBtn2Click,
                                              &AccountsLogic::BitBtn37Click, &AccountsLogic::BitBtn38Click};
        console.handle([&] { (console.accounts().*buttons[c.account])(); });
        EXPECT_EQ(lab.dialogs.texts(), c.messages);
        for (const auto& m : lab.dialogs.shown)
            EXPECT_EQ(m.kind, m.text == texts::kPasswordInUse ? MessageKind::Warning : MessageKind::Plain);
        const AccountBoxes& left = console.accounts().boxes[c.account];
        EXPECT_EQ(left.username, c.left.username);
        EXPECT_EQ(left.password, c.left.password);
        EXPECT_EQ(left.confirmation, c.left.confirmation);
        const Strings names = lab.column("teacher.mdb", "user", "username");
        const Strings passwords = lab.column("teacher.mdb", "user", "password");
        ASSERT_EQ(names.size(), 4u);
        for (int row = 0; row < 4; ++row) {
            if (c.written && row == c.account) {
                EXPECT_EQ(names[row], c.typed.username);
                EXPECT_TRUE(kav::account::isPasswordHash(passwords[row])) << passwords[row];
                EXPECT_TRUE(kav::account::verifyPassword(passwords[row], c.typed.password));
            } else {
                EXPECT_EQ(names[row], namesBefore[row]) << row;
                EXPECT_EQ(passwords[row], passwordsBefore[row]) << row;
            }
        }
    }
}

TEST_F(ConsoleTest, TheNewAdministratorPasswordOpensTheConsoleAndTheOldOneNoLonger) {
    start();
    console->accounts().boxes[0] = {"admin", "new pw ", "new pw "};
    console->handle([this] { console->accounts().BitBtn1Click(); });
    kav::test::FakeDialogs second;
    for (auto [password, admitted] : {std::pair{"admin", false}, {"new pw", false}, {"new pw ", true}}) {
        Console again(ConsoleEnv{second, clock, desktop, folder(), {}});
        again.start();
        again.login().Edit1 = "admin";
        again.login().Edit2 = password;
        again.handle([&] { again.login().BitBtn1Click(); });
        EXPECT_EQ(again.mainWindow().visible, admitted) << password;
    }
}

TEST_F(ConsoleTest, AMissingAccountRowIsNeverReplacedByAnother) {
    {
        auto user = connect("teacher.mdb")->openTable("user");
        user->last();
        user->remove();  // three rows left
    }
    start();
    console->accounts().boxes[3] = {"helper3", "4444", "4444"};
    console->handle([this] { console->accounts().BitBtn38Click(); });
    EXPECT_EQ(dialogs.texts(), Strings{texts::kAccountRowMissing});
    EXPECT_EQ(column("teacher.mdb", "user", "username"), (Strings{"admin", "assist1", "assist2"}));
    const Strings stored = column("teacher.mdb", "user", "password");
    const Strings before{"admin", "1111", "2222"};
    ASSERT_EQ(stored.size(), before.size());
    for (size_t i = 0; i < stored.size(); ++i) EXPECT_TRUE(kav::account::verifyPassword(stored[i], before[i])) << i;
    dialogs.shown.clear();
    console->accounts().boxes[2] = {"helper2", "5555", "5555"};
    console->handle([this] { console->accounts().BitBtn37Click(); });
    EXPECT_EQ(dialogs.texts(), Strings{texts::kAccountChanged}) << "an existing row is still set";
}

TEST_F(ConsoleTest, PlainPasswordsOfAnOlderFileAreHashedWhenTheConsoleOpensIt) {
    {
        auto user = connect("teacher.mdb")->openTable("user");
        for (const char* plain : {"admin", "1111", "2222", "3333"}) {
            user->edit();
            user->field("password").setString(plain);
            user->post();
            user->next();
        }
    }
    start();
    const Strings stored = column("teacher.mdb", "user", "password");
    const Strings plain{"admin", "1111", "2222", "3333"};
    ASSERT_EQ(stored.size(), plain.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_TRUE(kav::account::isPasswordHash(stored[i])) << stored[i];
        EXPECT_TRUE(kav::account::verifyPassword(stored[i], plain[i])) << i;
    }
    login("admin", "admin");
    EXPECT_TRUE(console->mainWindow().visible) << "the administrator still logs in";
}

// ------------------------------------------------------------------ help, close, handlers

TEST_F(ConsoleTest, HelpShowsTheTeacherFoldersReadmeInsideTheConsoleOrTheOneItCarries) {
    MainWindowLogic& w = loggedIn();
    run(&MainWindowLogic::N5Click);
    const std::string caption = w.caption;
    kav::test::writeFile(folder() / "readme.htm", "<p>本校的帮助</p>");
    run(&MainWindowLogic::H1Click);
    std::filesystem::remove(folder() / "readme.htm");
    run(&MainWindowLogic::H1Click);
    using Help = std::pair<std::string, std::string>;
    EXPECT_EQ(desktop.helps, (std::vector<Help>{{"帮助", "<p>本校的帮助</p>"}, {"帮助", std::string(helpFileText())}}));
    EXPECT_TRUE(desktop.opened.empty()) << "no browser is needed";
    EXPECT_EQ(dialogs.texts(), Strings{});
    EXPECT_EQ(w.caption, caption);
    EXPECT_EQ(w.page, Page::ChoiceQuestions);
}

TEST_F(ConsoleTest, TheHelpFileIsWrittenOnlyWhereThereIsNone) {
    EXPECT_TRUE(writeHelpFileIfMissing(folder(), "<html>new</html>"));
    EXPECT_EQ(kav::test::readFile(dir / "readme.htm"), "<html>new</html>");
    kav::test::writeFile(dir / "readme.htm", "the teacher's own");
    EXPECT_TRUE(writeHelpFileIfMissing(folder(), "<html>new</html>"));
    EXPECT_EQ(kav::test::readFile(dir / "readme.htm"), "the teacher's own");
    EXPECT_FALSE(writeHelpFileIfMissing(dir / "no such folder", "x"));
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
}

TEST_F(ConsoleTest, ClosingPostsPendingEditsAndPutsTheLabBackIntoExamMode) {
    loggedIn();
    run(&MainWindowLogic::N14Click);
    ASSERT_EQ(state("korl"), "2");
    {
        auto student = connect("stu.mdb")->openTable("student");
        student->append();
        student->field("zkzh").setString("110199990001");
        student->post();
    }
    kav::db::Cursor& word = console->data().ADOTable_word();
    word.append();
    word.field("question").setString("pending");
    console->handle([this] { console->closeMainWindow(); });
    EXPECT_TRUE(console->ended());
    EXPECT_TRUE(exited);
    EXPECT_EQ(state("korl"), "1");
    EXPECT_EQ(column("stu.mdb", "word", "question"), Strings{"pending"});
    EXPECT_EQ(column("stu.mdb", "student", "zkzh"), Strings{"110199990001"}) << "no other row changes";
}

TEST_F(ConsoleTest, AnEditTheEngineRefusesKeepsTheWindowOpen) {
    {
        auto win = connect("stu.mdb")->openTable("win");
        win->append();
        win->field("question1").setString("a task");
        win->post();
    }
    loggedIn();
    run(&MainWindowLogic::N14Click);
    kav::db::Cursor& win = console->data().ADOTable_win();
    win.first();
    win.edit();
    win.field("question1").setString("changed");
    deleteAllRows("stu.mdb", "win");  // another program removed the edited row
    dialogs.shown.clear();
    console->handle([this] { console->closeMainWindow(); });
    EXPECT_FALSE(console->ended());
    EXPECT_FALSE(exited);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(dialogs.shown[0].text.rfind(std::string(texts::kCloseRefused) + "\r", 0), 0u) << dialogs.lastText();
    EXPECT_GT(dialogs.shown[0].text.size(), std::string(texts::kCloseRefused).size() + 1) << "the engine's text follows";
    EXPECT_EQ(state("korl"), "2") << "nothing written after the refused post";
    win.cancel();
    console->handle([this] { console->closeMainWindow(); });
    EXPECT_TRUE(console->ended());
    EXPECT_EQ(state("korl"), "1");
}

TEST_F(ConsoleTest, HandlersRunOneAtATimeAndShowUnhandledErrors) {
    start();
    int inner = 0;
    console->handle([&] { console->handle([&] { ++inner; }); });
    EXPECT_EQ(inner, 0) << "a handler arriving during another is dropped";
    console->handle([] { throw std::filesystem::filesystem_error("cannot copy", std::error_code(2, std::generic_category())); });
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_NE(dialogs.lastText().find("cannot copy"), std::string::npos);
    console->handle([&] { ++inner; });
    EXPECT_EQ(inner, 1) << "the next handler runs";
    console->handle([this] { console->closeLoginWindow(); });
    EXPECT_TRUE(console->ended());
    EXPECT_TRUE(exited);
    console->handle([&] { ++inner; });
    EXPECT_EQ(inner, 1) << "nothing runs after the end";
}

TEST(LoginWindow, IsCentredWithHalvesRoundedTowardZero) {
    struct Case {
        kav::ui::ScreenSize screen;
        int width, height;
        WindowOrigin origin;
    };
    for (const Case& c : {Case{{1280, 800}, 400, 300, {440, 250}}, Case{{1025, 769}, 400, 300, {312, 234}},
                          Case{{300, 200}, 401, 301, {-50, -50}}}) {
        WindowOrigin o = centredOrigin(c.screen, c.width, c.height);
        EXPECT_EQ(o.left, c.origin.left);
        EXPECT_EQ(o.top, c.origin.top);
    }
}

}  // namespace
}  // namespace mendrix
