// The teacher's station changes, made through another connection to
// teacher.mdb while the client runs, and the time-up screen with its delay
// passwords.
#include <QMenu>
#include <QStyle>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>

#include "client/flow/ui/app.h"
#include "client/flow/ui/forms.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "client/screens/typing/ui/tform9.h"
#include "common/text/gbk.h"
#include "common/text/typing_file.h"
#include "tests/account/raw_file.h"
#include "tests/flow/flow_app.h"

namespace kavlor::test {
namespace {

using kav::ui::MessageKind;
using Form = TimeUpLogic::Form;

// A client in its exam, started at a first login of the first candidate.
struct Running {
    explicit Running(LabOptions options = {}) : h(options), app(h.env()) {
        EXPECT_TRUE(app.start());
        enterExam(app);
        toolbar = app.client().toolbar();
        EXPECT_NE(toolbar, nullptr);
        h.dialogs.shown.clear();
    }
    // The teacher switches; the client sees it at its next poll.
    void teacherSets(int korl) {
        h.lab.setKorl(korl);
        h.clock.advance(2000);
    }
    int scoreRows() {
        auto t = h.lab.teacherDb();
        return rowCount(*t, "score");
    }
    Harness h;
    KavlorApp app;
    ToolbarLogic* toolbar = nullptr;
};

TEST(FlowStationTest, ExamToPracticeEnablesGradingAndLaterOnlyTheEndCounts) {
    Running r;
    r.teacherSets(2);
    EXPECT_EQ(r.h.dialogs.texts(), std::vector<std::string>{"将进入练习状态,可自进评分！！！"});
    EXPECT_EQ(r.h.dialogs.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(r.app.Form4()->SpeedButton7->text().toStdString(), "练习状态");
    EXPECT_TRUE(r.app.Form5()->N4->isEnabled());
    // Practice ignores forced collection and a return to exam mode.
    r.teacherSets(3);
    r.teacherSets(1);
    EXPECT_EQ(r.h.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.toolbar->rememberedMode(), 2);
    EXPECT_EQ(r.toolbar->lastReadMode(), 1);
    EXPECT_EQ(r.scoreRows(), 0);
    r.teacherSets(4);
    EXPECT_EQ(r.h.dialogs.lastText(), "结束！系统将退出，请与管理员联系！！！");
    EXPECT_EQ(r.h.exits, 1);
}

TEST(FlowStationTest, ExamToEndedEndsTheClient) {
    Running r;
    r.teacherSets(4);
    EXPECT_EQ(r.h.dialogs.texts(), std::vector<std::string>{"结束！系统将退出，请与管理员联系！！！"});
    EXPECT_EQ(r.h.exits, 1);
    EXPECT_EQ(r.scoreRows(), 0);
}

TEST(FlowStationTest, ForcedCollectionGradesReportsAndCoversTheScreen) {
    Running r;
    r.h.clock.advance(1000);
    r.teacherSets(3);
    EXPECT_EQ(r.h.dialogs.texts(), std::vector<std::string>{"将进入强制评分！！！"});
    EXPECT_EQ(r.app.Form4()->SpeedButton7->text().toStdString(), "评分状态");
    EXPECT_TRUE(r.toolbar->forcedCollection());
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Collecting);
    TForm_fullenter* screen = r.app.Form_fullenter();
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(screen->Label2->isVisible());
    EXPECT_FALSE(screen->Label1->isVisible());
    EXPECT_FALSE(screen->Edit1->isVisible());
    EXPECT_FALSE(r.app.Form4()->SpeedButton5->isEnabled());
    EXPECT_FALSE(r.app.Form5()->N4->isEnabled());
    EXPECT_TRUE(r.toolbar->clockRunning());  // the clock runs on during collection
    auto t = r.h.lab.teacherDb();
    EXPECT_EQ(rowValue(*t, "score", kFirst, "win_cj"), "8");
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "resttime"), "1:30:00");
    EXPECT_EQ(r.h.exits, 0);

    // Collection ends by a switch to practice; a later 3 is then ignored.
    r.teacherSets(2);
    EXPECT_EQ(r.h.dialogs.lastText(), "结束强制评分，将转到练习状态！");
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(r.app.Form5()->N4->isEnabled());
    EXPECT_EQ(r.app.Form4()->SpeedButton7->text().toStdString(), "练习状态");
    EXPECT_FALSE(r.toolbar->forcedCollection());
    EXPECT_FALSE(r.app.Form4()->SpeedButton5->isEnabled());  // ending collection does not enable it
    const size_t shown = r.h.dialogs.shown.size();
    r.teacherSets(3);
    EXPECT_EQ(r.h.dialogs.shown.size(), shown);
    EXPECT_FALSE(screen->isVisible());
}

TEST(FlowStationTest, ForcedCollectionThenEndedEndsTheClient) {
    Running r;
    r.teacherSets(3);
    r.teacherSets(1);  // ignored: the client stays in collection
    EXPECT_TRUE(r.toolbar->forcedCollection());
    r.teacherSets(4);
    EXPECT_EQ(r.h.dialogs.lastText(), "结束！系统将退出，请与管理员联系！！！");
    EXPECT_EQ(r.h.exits, 1);
}

// A document that takes the grader down costs the Word task its points and
// nothing else: the hand-in and the teacher's collection still report.
TEST(FlowStationTest, AGraderThatCrashesStillReportsTheExam) {
    for (const bool collected : {false, true}) {
        SCOPED_TRACE(collected ? "forced collection" : "hand-in");
        Harness h;
        h.wordGrader = KAV_FAKE_WORD_GRADER;
        {
            auto stu = h.lab.stuDb();
            auto word = stu->openTable("word");
            for (word->first(); !word->eof(); word->next()) {
                word->edit();
                word->field("answer").setString("crash");  // what the fake grader does with this document
                word->post();
            }
        }
        KavlorApp app(h.env());
        ASSERT_TRUE(app.start());
        enterExam(app);
        h.dialogs.shown.clear();
        bool reportedFirst = false;  // the scores are in the teacher's table before the box waits for a click
        h.dialogs.onMessage = [&](const kav::test::ShownMessage& m) {
            if (m.text.starts_with("Word文档无法评分：")) reportedFirst = rowCount(*h.lab.teacherDb(), "score") > 0;
        };
        if (collected) {
            h.lab.setKorl(3);
            h.clock.advance(2000);
        } else {
            h.dialogs.answers.push_back(kav::ui::Answer::Ok);
            app.Form4()->SpeedButton6Click();
            EXPECT_EQ(h.exits, 1);
        }
        auto t = h.lab.teacherDb();
        EXPECT_EQ(rowValue(*t, "score", kFirst, "word_cj"), "0");
        EXPECT_EQ(rowValue(*t, "score", kFirst, "win_cj"), "8");
        const std::string result = rowValue(*t, "condition", kFirst, "word_result");
        EXPECT_EQ(result.rfind("Word文档无法评分：评分程序异常结束（信号 11", 0), 0u) << result;
        const auto texts = h.dialogs.texts();
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
            return text.starts_with("Word文档无法评分：");
        })) << "the candidate is told why the Word task earned nothing";
        EXPECT_TRUE(reportedFirst);
    }
}

// A value the console never writes, met by the two-second poll, is no change:
// the exam runs on in its mode and a later real change still counts.
TEST(FlowStationTest, ThePollTreatsAStationValueItsColumnCannotHoldAsNoChange) {
    for (const char* korl : {"'abc'", "99999999999", "'3x'", "''"}) {
        SCOPED_TRACE(korl);
        Running r;
        kav::test::RawFile(r.h.lab.teacher / "teacher.mdb", kav::db::kDatabasePassword)
            .exec(std::string("UPDATE state SET korl = ") + korl);
        r.h.clock.advance(2000);
        r.h.clock.advance(2000);
        EXPECT_TRUE(r.h.dialogs.shown.empty()) << r.h.dialogs.lastText();
        EXPECT_EQ(r.h.exits, 0);
        EXPECT_EQ(r.toolbar->rememberedMode(), 1);
        EXPECT_TRUE(r.toolbar->clockRunning());
        kav::test::RawFile(r.h.lab.teacher / "teacher.mdb", kav::db::kDatabasePassword).exec("UPDATE state SET korl = 2");
        r.h.clock.advance(2000);
        EXPECT_EQ(r.h.dialogs.texts(), std::vector<std::string>{"将进入练习状态,可自进评分！！！"});
        EXPECT_EQ(r.toolbar->rememberedMode(), 2);
    }
}

TEST(FlowStationTest, HandInDuringCollectionLeavesWithoutASecondReport) {
    Running r;
    r.teacherSets(3);
    {
        // The teacher clears the scores after collecting.
        auto t = r.h.lab.teacherDb();
        auto score = t->openTable("score");
        score->first();
        score->remove();
    }
    r.app.Form4()->SpeedButton6Click();
    EXPECT_EQ(r.h.exits, 1);
    EXPECT_EQ(r.scoreRows(), 0);
}

TEST(FlowStationTest, TimeUpAsksForADelayPasswordAndAnAssistantExtends) {
    Running r({.resttime = "0:00:02"});
    r.h.clock.advance(2000);
    EXPECT_EQ(r.app.Form5()->BitBtn1->text().toStdString(), "0:00:00");
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Hidden);
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::Answering);
    r.h.clock.advance(1000);  // one second after 0:00:00 the time is up
    EXPECT_TRUE(r.toolbar->timeUpFlag());
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::TimeUp);
    EXPECT_FALSE(r.toolbar->clockRunning());
    r.h.clock.advance(1000);  // the poll raises the screen
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::AwaitingDelay);
    TForm_fullenter* screen = r.app.Form_fullenter();
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(screen->Label1->isVisible());
    EXPECT_TRUE(screen->Edit1->isEnabled());
    EXPECT_FALSE(screen->Label2->isVisible());
    EXPECT_FALSE(r.app.Form4()->SpeedButton5->isEnabled());
    EXPECT_TRUE(r.app.tabBlocker().active());

    // The administrator's password and a wrong one grant nothing, silently.
    for (const char* wrong : {"admin", "9999"}) {
        screen->Edit1->setText(wrong);
        screen->BitBtn1Click();
        EXPECT_TRUE(screen->isVisible());
        EXPECT_EQ(screen->Edit1->text().toStdString(), wrong);
    }
    EXPECT_TRUE(r.h.dialogs.shown.empty());
    // The second-level assistant's current password gives five minutes.
    r.h.lab.setAssistantPassword(3, "fresh");
    screen->Edit1->setText("fresh");
    screen->BitBtn1Click();
    EXPECT_FALSE(screen->isVisible());
    EXPECT_FALSE(r.app.tabBlocker().active());
    EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), 2);
    r.h.clock.advance(2000);  // the poll takes the level
    EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), std::nullopt);
    EXPECT_TRUE(r.app.Form4()->SpeedButton5->isEnabled());
    EXPECT_TRUE(r.toolbar->clockRunning());
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::Answering);
    r.h.clock.advance(1000);  // the new time shows from the next whole second on
    const std::string shown = r.app.Form5()->BitBtn1->text().toStdString();
    EXPECT_TRUE(shown == "0:04:59" || shown == "0:04:58") << shown;
}

// A time that runs out during a collection asks for the delay password when
// the collection ends, not before.
TEST(FlowStationTest, TimeRunningOutDuringACollectionAsksForTheDelayAfterIt) {
    Running r({.resttime = "0:00:03"});
    r.teacherSets(3);
    r.h.clock.advance(4000);
    EXPECT_TRUE(r.toolbar->timeUpFlag());
    EXPECT_FALSE(r.toolbar->clockRunning());
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Collecting);
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::Collecting);
    r.teacherSets(2);
    r.h.clock.advance(2000);
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
    EXPECT_EQ(r.toolbar->phase(), ExamPhase::AwaitingDelay);
}

TEST(FlowStationTest, AssistantsWithTheSamePasswordGiveTheFirstLevel) {
    Running r({.resttime = "0:00:00"});
    r.h.lab.setAssistantPassword(2, "same");
    r.h.lab.setAssistantPassword(3, "same");
    r.h.clock.advance(4000);  // "0:00:00" at the start is up within about three seconds
    ASSERT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
    r.app.Form_fullenter()->Edit1->setText("same");
    r.app.Form_fullenter()->BitBtn1Click();
    EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), 1);
    r.h.clock.advance(3000);
    EXPECT_EQ(r.app.Form5()->BitBtn1->text().toStdString().substr(0, 4), "0:09");
}

TEST(FlowStationTest, HashedAssistantPasswordsGiveTheirLevelsAndNothingElseDoes) {
    // A new teacher.mdb stores hashes of "1111", "2222" and "3333".
    struct Case {
        const char* typed;
        int level;
    };
    const Case cases[] = {{"1111", 1}, {"2222", 2}, {"3333", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Running r({.resttime = "0:00:00"});
        r.h.clock.advance(4000);
        ASSERT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
        TForm_fullenter* screen = r.app.Form_fullenter();
        std::string storedHash;
        {
            auto t = r.h.lab.teacherDb();
            auto user = t->openTable("user");
            user->moveBy(c.level);
            storedHash = user->field("password").asString();
        }
        // Refused: the administrator's password, near misses, an empty box and
        // the stored text itself.
        for (const std::string& wrong : {std::string("admin"), std::string(c.typed) + " ", std::string(),
                                         std::string(c.typed).substr(1), storedHash}) {
            screen->Edit1->setText(QString::fromStdString(wrong));
            screen->BitBtn1Click();
            EXPECT_TRUE(screen->isVisible()) << wrong;
            EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), std::nullopt) << wrong;
        }
        screen->Edit1->setText(c.typed);
        screen->BitBtn1Click();
        EXPECT_FALSE(screen->isVisible());
        EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), c.level);
        EXPECT_TRUE(r.h.dialogs.shown.empty());
    }
}

TEST(FlowStationTest, CollectionDuringTheDelayPasswordTakesOverTheScreen) {
    Running r({.resttime = "0:00:00"});
    r.h.clock.advance(4000);
    ASSERT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
    r.teacherSets(3);
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Collecting);
    EXPECT_FALSE(r.app.Form_fullenter()->Edit1->isVisible());
    r.teacherSets(2);
    EXPECT_EQ(r.toolbar->timeUpScreen().form(), Form::Hidden);
    EXPECT_FALSE(r.toolbar->clockRunning());  // a clock that had run out stays stopped
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

// Message boxes that let time pass while they are open, as a modal box does;
// whileOpen looks at the lab just before the box is closed.
class SlowDialogs : public kav::test::FakeDialogs {
public:
    kav::test::FakeClock* clock = nullptr;
    std::int64_t openMs = 0;
    std::function<void()> whileOpen;
    kav::ui::Answer message(kav::ui::MessageKind kind, const std::string& text, kav::ui::Buttons buttons,
                            const std::string& caption) override {
        if (clock && openMs) {
            const auto ms = openMs;
            openMs = 0;
            clock->advance(ms);
            if (auto look = std::exchange(whileOpen, nullptr)) look();
        }
        return FakeDialogs::message(kind, text, buttons, caption);
    }
};

TEST(FlowStationTest, TicksThatFallDueDuringAMessageBoxWaitForIt) {
    Harness h;
    SlowDialogs dialogs;
    dialogs.clock = &h.clock;
    ClientEnv env{dialogs, h.clock, h.desktop, h.lab.station, h.lab.lockFile, [&] { ++h.exits; }, 7, {}, h.pollLaunch};
    KavlorApp app(env);
    ASSERT_TRUE(app.start());
    enterExam(app);
    ToolbarLogic& toolbar = *app.client().toolbar();

    // The hand-in question stays open for 3 s, and the teacher switches to practice meanwhile.
    h.lab.setKorl(2);
    dialogs.openMs = 3000;
    dialogs.answers.push_back(kav::ui::Answer::No);
    std::string clockDuringBox;
    app.run([&] {
        toolbar.SpeedButton6Click();
        clockDuringBox = toolbar.examWindow().BitBtn1;
        EXPECT_EQ(toolbar.rememberedMode(), 1);  // the poll has not run inside the handler
    });
    EXPECT_EQ(clockDuringBox, "1:30:00");
    // Afterwards the waiting ticks ran one after the other: three seconds, one poll.
    EXPECT_EQ(toolbar.examWindow().BitBtn1, "1:29:57");
    EXPECT_EQ(toolbar.rememberedMode(), 2);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"将退出系统！！！", "将进入练习状态,可自进评分！！！"}));
}

TEST(FlowStationTest, WindowsTheCandidateMustNotCloseStayOpen) {
    Running r({.resttime = "0:00:00"});
    r.h.clock.advance(4000);
    for (QWidget* w : std::initializer_list<QWidget*>{r.app.Form4(), r.app.Form_fullenter()}) {
        ASSERT_TRUE(w->isVisible());
        EXPECT_FALSE(w->close());
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    }
    EXPECT_EQ(r.h.exits, 0);
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

// A client whose exam starts while the teacher is collecting.
struct StartedDuringCollection {
    StartedDuringCollection() : app(h.env()) {
        EXPECT_TRUE(app.start());
        drawExam(app);
        h.lab.setKorl(3);
        app.Form2()->SpeedButton1Click();
        toolbar = app.client().toolbar();
        h.dialogs.shown.clear();
    }
    Harness h;
    KavlorApp app;
    ToolbarLogic* toolbar = nullptr;
};

TEST(FlowStationTest, AToolbarMadeDuringCollectionShowsExamModeAndLeavesCollectionOnPractice) {
    {
        StartedDuringCollection s;
        ASSERT_NE(s.toolbar, nullptr);
        EXPECT_EQ(s.toolbar->rememberedMode(), 3);
        EXPECT_EQ(s.app.Form4()->SpeedButton7->text().toStdString(), "考试状态");
        EXPECT_FALSE(s.app.Form5()->N4->isEnabled());
        EXPECT_FALSE(s.toolbar->forcedCollection());
        s.h.lab.setKorl(2);
        s.h.clock.advance(2000);
        EXPECT_EQ(s.h.dialogs.texts(), std::vector<std::string>{"结束强制评分，将转到练习状态！"});
        EXPECT_EQ(s.app.Form4()->SpeedButton7->text().toStdString(), "练习状态");
        EXPECT_TRUE(s.app.Form5()->N4->isEnabled());
        EXPECT_EQ(s.toolbar->rememberedMode(), 2);
    }
    // Before any switch it hands in as in an exam.
    StartedDuringCollection s;
    s.app.Form4()->SpeedButton6Click();
    EXPECT_EQ(s.h.exits, 1);
    auto t = s.h.lab.teacherDb();
    EXPECT_EQ(rowCount(*t, "score"), 1);
    EXPECT_EQ(rowCount(*t, "condition"), 1);
}

TEST(FlowStationTest, TheThirdLevelAssistantGivesOneMinute) {
    Running r({.resttime = "0:00:00"});
    r.h.lab.setAssistantPassword(4, "third");
    r.h.clock.advance(4000);
    ASSERT_EQ(r.toolbar->timeUpScreen().form(), Form::Password);
    r.app.Form_fullenter()->Edit1->setText("third");
    r.app.Form_fullenter()->BitBtn1Click();
    EXPECT_EQ(r.toolbar->timeUpScreen().grantedLevel(), 3);
    r.h.clock.advance(2000);  // the poll takes the level
    ASSERT_TRUE(r.toolbar->clockRunning());
    EXPECT_EQ(r.app.Form5()->BitBtn1->text().toStdString(), "0:00:00");  // until the next whole second
    r.h.clock.advance(1000);
    EXPECT_EQ(r.app.Form5()->BitBtn1->text().toStdString(), "0:00:59");
}

TEST(FlowStationTest, AGradingErrorAtHandInReportsNothingAndKeepsTheClientOpen) {
    Running r;
    {
        // The exam record disappears under the client: grading cannot post it.
        auto stu = r.h.lab.stuDb();
        auto ct = stu->openTable("ct");
        ct->first();
        ct->remove();
    }
    r.app.Form4()->SpeedButton6Click();
    ASSERT_EQ(r.h.dialogs.shown.size(), 2u);
    EXPECT_EQ(r.h.dialogs.shown[1].kind, MessageKind::Error);
    EXPECT_FALSE(r.h.dialogs.shown[1].text.empty());
    EXPECT_EQ(r.h.exits, 0);
    EXPECT_FALSE(r.toolbar->clockRunning());
    EXPECT_EQ(r.scoreRows(), 0);
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;

// A client in its exam whose boxes stay open for a while.
struct SlowBoxes {
    SlowBoxes() {
        dialogs.clock = &h.clock;
        app = std::make_unique<KavlorApp>(
            ClientEnv{dialogs, h.clock, h.desktop, h.lab.station, h.lab.lockFile, [this] { ++h.exits; }, 7, {},
                      h.pollLaunch});
        EXPECT_TRUE(app->start());
        enterExam(*app);
        toolbar = app->client().toolbar();
    }
    std::string stu(const std::string& table, const std::string& column) {
        auto db = h.lab.stuDb();
        return rowValue(*db, table, kFirst, column);
    }
    std::string teacher(const std::string& table, const std::string& column) {
        auto db = h.lab.teacherDb();
        return rowValue(*db, table, kFirst, column);
    }
    // The teacher switches; the client sees it at its next poll.
    void teacherSets(int korl) {
        h.lab.setKorl(korl);
        h.clock.advance(2000);
    }
    // The typing screen on a one-line text whose first three characters the
    // candidate types right, with c:\kavtmp made a plain file so that the
    // typed text cannot be stored.
    TForm9* typeWithoutAScratchFolder() {
        const std::string line = kav::text::utf8ToGbk("计算机是二十世纪最先进的科学技术发明之一对人类的生产活动");
        kav::text::KeyDrawer keys(h.clock);
        kav::text::writeTypingFile(h.lab.station / "txt" / stu("ct", "filename_dz"), {line},
                                   kav::text::TypingFileKind::Model, keys);
        fs::remove_all(h.lab.driveC / "kavtmp");
        std::ofstream(h.lab.driveC / "kavtmp") << "not a folder";
        app->Form5()->N3Click();
        TForm9* form9 = app->Form5()->Form9();
        QInputMethodEvent typed;
        typed.setCommitString(QString::fromStdString(kav::text::gbkToUtf8(line.substr(0, 6))));
        QCoreApplication::sendEvent(form9->Edit1, &typed);
        dialogs.shown.clear();
        return form9;
    }
    Harness h;
    SlowDialogs dialogs;
    std::unique_ptr<KavlorApp> app;
    ToolbarLogic* toolbar = nullptr;
};

// The teacher collects while the candidate leaves the typing screen's error box
// open: the collection does not wait for the box, runs only once the save has
// stored what it could, grades that record and closes the box.
TEST(FlowStationTest, ACollectionDuringATypingErrorBoxGradesTheStoredRecordAndClosesTheBox) {
    SlowBoxes s;
    TForm9* form9 = s.typeWithoutAScratchFolder();
    s.h.lab.setKorl(3);
    s.dialogs.openMs = 3000;
    std::string reportedWhileOpen, storedWhileOpen;
    int closedWhileOpen = 0;
    s.dialogs.whileOpen = [&] {
        reportedWhileOpen = s.teacher("condition", "dz_result");
        storedWhileOpen = s.stu("ct", "dz_result");
        closedWhileOpen = s.dialogs.closeRequests;
    };
    form9->BitBtn1Click();  // 存盘退出

    // The boxes are recorded as they close: the collection's own warning first.
    ASSERT_EQ(s.dialogs.shown.size(), 2u);
    EXPECT_EQ(s.dialogs.shown[0].text, "将进入强制评分！！！");
    EXPECT_EQ(s.dialogs.shown[1].kind, MessageKind::Error);  // the file layer's text
    EXPECT_NE(s.dialogs.shown[1].text.find("kavtmp"), std::string::npos) << s.dialogs.shown[1].text;
    // Collected while the box was open, from the record the save had stored.
    EXPECT_GE(closedWhileOpen, 1);
    EXPECT_NE(storedWhileOpen.find("正确字数：3字"), std::string::npos) << storedWhileOpen;
    EXPECT_EQ(reportedWhileOpen, storedWhileOpen);
    EXPECT_EQ(s.teacher("score", "dz_cj"), s.stu("student", "dz_cj"));
    EXPECT_EQ(s.toolbar->timeUpScreen().form(), TimeUpLogic::Form::Collecting);
    // The save failed: the screen stays open and typing goes on.
    EXPECT_TRUE(form9->isVisible());
    EXPECT_TRUE(form9->engine().running());
    EXPECT_EQ(s.h.exits, 0);
}

// The teacher ends the exam while the box is open: the client ends at once, the
// box is closed and the typing screen's save goes no further.
TEST(FlowStationTest, TheEndDuringATypingErrorBoxClosesItAndStopsTheScreen) {
    SlowBoxes s;
    TForm9* form9 = s.typeWithoutAScratchFolder();
    s.h.lab.setKorl(4);
    s.dialogs.openMs = 3000;
    int exitsWhileOpen = -1;
    s.dialogs.whileOpen = [&] { exitsWhileOpen = s.h.exits; };
    form9->BitBtn1Click();

    ASSERT_EQ(s.dialogs.shown.size(), 2u);
    EXPECT_EQ(s.dialogs.shown[0].text, "结束！系统将退出，请与管理员联系！！！");
    EXPECT_EQ(s.dialogs.shown[1].kind, MessageKind::Error);
    EXPECT_EQ(exitsWhileOpen, 0);  // ended once the save had unwound
    EXPECT_EQ(s.h.exits, 1);
    EXPECT_GE(s.dialogs.closeRequests, 1);
    EXPECT_TRUE(s.app->client().ended());
    EXPECT_FALSE(form9->engine().running());  // no new typing period after the end
    EXPECT_FALSE(form9->isVisible());
    EXPECT_EQ(s.h.clock.runningTimers(), 0);
    EXPECT_EQ(s.teacher("score", "dz_cj"), "<no row>");
}

// The remaining time is saved every 30 seconds also while a box stays open,
// and the clock shows the same time as is saved.
TEST(FlowStationTest, TheRemainingTimeIsSavedWhileABoxStaysOpen) {
    SlowBoxes s;
    s.dialogs.openMs = 40'000;
    s.dialogs.answers.push_back(kav::ui::Answer::No);
    std::string savedWhileOpen, shownWhileOpen;
    s.dialogs.whileOpen = [&] {
        savedWhileOpen = s.stu("ct", "resttime");
        shownWhileOpen = s.toolbar->examWindow().BitBtn1;
    };
    s.app->Form4()->SpeedButton6Click();  // the hand-in question, left open for 40 s
    EXPECT_EQ(savedWhileOpen, "1:29:30");
    EXPECT_EQ(shownWhileOpen, "1:29:30");
    EXPECT_EQ(s.toolbar->examWindow().BitBtn1, "1:29:20");  // the waiting ticks ran afterwards
    EXPECT_EQ(s.h.exits, 0);
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;

// The typing screen on a three-character text (seven lines once its page is
// filled, 21 characters) with the first three characters typed right and
// nothing saved yet; `scratchWorks` false makes c:\kavtmp a plain file, so
// that the typed-text file cannot be written.
TForm9* typeUnsaved(SlowBoxes& s, bool scratchWorks) {
    const std::string line = kav::text::utf8ToGbk("计算机");
    kav::text::KeyDrawer keys(s.h.clock);
    kav::text::writeTypingFile(s.h.lab.station / "txt" / s.stu("ct", "filename_dz"), {line},
                               kav::text::TypingFileKind::Model, keys);
    if (!scratchWorks) {
        fs::remove_all(s.h.lab.driveC / "kavtmp");
        std::ofstream(s.h.lab.driveC / "kavtmp") << "not a folder";
    }
    s.app->Form5()->N3Click();
    TForm9* form9 = s.app->Form5()->Form9();
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8("计算机"));
    QCoreApplication::sendEvent(form9->Edit1, &typed);
    s.dialogs.shown.clear();
    return form9;
}

int errorBoxes(const kav::test::FakeDialogs& dialogs) {
    return static_cast<int>(std::count_if(dialogs.shown.begin(), dialogs.shown.end(),
                                          [](const auto& m) { return m.kind == MessageKind::Error; }));
}

// Hand-in and forced collection with the typing screen open and unsaved report
// the score of the typed text, consistent with the statistics reported beside
// it; when the typed-text file cannot be written the text in memory is graded
// all the same and no box holds the end of the exam.
TEST(FlowStationTest, TypedWorkCountsAtHandInAndCollection) {
    struct Case {
        const char* name;
        bool collect, scratchWorks;
    };
    for (const Case c : {Case{"hand-in", false, true}, Case{"collection", true, true},
                         Case{"hand-in, no scratch folder", false, false},
                         Case{"collection, no scratch folder", true, false}}) {
        SCOPED_TRACE(c.name);
        SlowBoxes s;
        TForm9* form9 = typeUnsaved(s, c.scratchWorks);
        ASSERT_EQ(form9->engine().totalCharacters(), 21);
        s.h.clock.advance(1000);
        if (c.collect)
            s.teacherSets(3);
        else
            s.app->Form4()->SpeedButton6Click();

        EXPECT_EQ(s.teacher("score", "dz_cj"), "14");  // 21 - 3 right: 18 missing, 6 points off
        EXPECT_NE(s.teacher("condition", "dz_result").find("正确字数：3字"), std::string::npos);
        EXPECT_EQ(s.teacher("score", "kscj"), s.stu("student", "kscj"));
        EXPECT_EQ(errorBoxes(s.dialogs), 0);
        EXPECT_EQ(s.h.exits, c.collect ? 0 : 1);
        EXPECT_EQ(fs::is_regular_file(s.h.lab.driveC / "kavtmp" / "11010001"), c.scratchWorks);
    }
}

// A save that the file system refuses is reported in the candidate's language
// with the drive path the candidate knows.
TEST(FlowStationTest, AFailedTypingSaveIsReportedInChineseWithTheDrivePath) {
    SlowBoxes s;
    TForm9* form9 = typeUnsaved(s, /*scratchWorks=*/false);
    form9->BitBtn1Click();
    ASSERT_EQ(s.dialogs.shown.size(), 1u);
    EXPECT_EQ(s.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(s.dialogs.shown[0].text, "无法创建文件夹 c:\\kavtmp：路径中有一项不是文件夹");
}

// Forced collection is graded and reported before its notice waits for the
// candidate; the end's notice left open does not keep the client running.
TEST(FlowStationTest, TheTeachersOrdersDoNotWaitForTheirNotices) {
    {
        SlowBoxes s;
        s.dialogs.openMs = 60'000;
        std::string reportedWhileOpen;
        s.dialogs.whileOpen = [&] { reportedWhileOpen = s.teacher("score", "win_cj"); };
        s.teacherSets(3);
        EXPECT_EQ(s.dialogs.texts(), std::vector<std::string>{"将进入强制评分！！！"});
        EXPECT_EQ(reportedWhileOpen, "8");
        EXPECT_EQ(s.toolbar->timeUpScreen().form(), TimeUpLogic::Form::Collecting);
    }
    {
        SlowBoxes s;
        s.dialogs.openMs = 60'000;
        bool endedWhileOpen = false;
        s.dialogs.whileOpen = [&] { endedWhileOpen = s.app->client().ended(); };
        s.teacherSets(4);
        EXPECT_EQ(s.dialogs.texts(), std::vector<std::string>{"结束！系统将退出，请与管理员联系！！！"});
        EXPECT_TRUE(endedWhileOpen);
        EXPECT_EQ(s.h.exits, 1);
    }
}

// The report carries the remaining time of the moment of the hand-in, also
// when the hand-in question stood open for a while, not the last 30-second save.
TEST(FlowStationTest, TheHandInReportsTheRemainingTimeOfThatMoment) {
    struct Case {
        std::int64_t beforeMs, questionOpenMs;
        const char* reported;
    };
    for (const Case c : {Case{15'000, 0, "1:29:45"}, Case{0, 40'000, "1:29:20"}, Case{31'000, 12'000, "1:29:17"}}) {
        SCOPED_TRACE(c.reported);
        SlowBoxes s;
        s.h.clock.advance(c.beforeMs);
        s.dialogs.openMs = c.questionOpenMs;
        s.app->Form4()->SpeedButton6Click();
        EXPECT_EQ(s.teacher("condition", "resttime"), c.reported);
        EXPECT_EQ(s.h.exits, 1);
    }
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

// The delay password is shown as "*", as the login's password is.
TEST(FlowStationTest, TheDelayPasswordShowsStars) {
    Running r({.resttime = "0:00:01"});
    r.h.clock.advance(4000);
    ASSERT_TRUE(r.app.Form_fullenter()->isVisible());
    for (QLineEdit* box : {r.app.Form_fullenter()->Edit1, r.app.Form3()->Edit3})
        EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), '*');
}

}  // namespace
}  // namespace kavlor::test
