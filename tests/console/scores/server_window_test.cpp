// The console on a lab server: its actions after a restart of the server, and
// the release of a candidate who moved to another station.
//
// The restart ends every session of the console, as a restart does. Given
// KAV_TEST_PG_RESTART (a shell command that restarts the test server, such as
// "scripts/pg-server.sh stop DIR && scripts/pg-server.sh start DIR PORT"), the
// test restarts the server itself instead.
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/station/report.h"
#include "console/window/ui/app.h"
#include "console/window/ui/forms.h"
#include "tests/console/console_lab.h"
#include "tests/db/test_backend.h"

namespace mendrix {
namespace {

using kav::test::Backend;
using kav::ui::Answer;
using kav::ui::MessageKind;

class ServerConsoleTest : public ::testing::Test, public test::ConsoleLab {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(Backend::Server);
        server = std::make_unique<kav::test::TestDatabase>(Backend::Server, kav::db::DatabaseKind::Teacher, folder());
        // The console's sessions carry a name of their own, so that only they are ended.
        kav::db::ConnectionString link;
        link.provider = std::string(kav::db::kServerProvider);
        link.dataSource = server->conninfo() + " application_name=" + application;
        kav::test::writeFile(dir / "teacher.udl", "[oledb]\r\n" + link.toString() + "\r\n");
        app = std::make_unique<MendrixApp>(ConsoleEnv{dialogs, clock, desktop, folder(), [] {}});
        app->start();
        app->Form_enter()->Edit1->setText("admin");
        app->Form_enter()->Edit2->setText("admin");
        QTest::keyClick(app->Form_enter()->Edit2, Qt::Key_Return);
        ASSERT_TRUE(app->Form1()->isVisible()) << dialogs.lastText();
        owner = server->open();
    }
    void trigger(const char* name) { app->Form1()->findChild<QAction*>(name)->trigger(); }
    QPushButton* button(const char* name) { return app->Form1()->findChild<QPushButton*>(name); }
    int gridRows() { return app->Form1()->findChild<QTableView*>("DBGrid4")->model()->rowCount(); }
    std::int64_t korl() { return owner->openTable("state")->field("korl").asInteger(); }
    void restartServer() {
        if (const char* command = std::getenv("KAV_TEST_PG_RESTART")) {
            ASSERT_EQ(std::system(command), 0) << command;
            owner = server->open();
        } else {
            kav::test::runOnServer(kav::test::testServer(),
                                   "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" +
                                       application + "'");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the sessions' last words arrive
    }
    // A station's report of a candidate, through the station's own role.
    void reportFrom(const std::string& station, const std::string& zkzh, int kscj) {
        auto connection = kav::db::connect(server->stationConnectionString(station, station + "-password-0123"), {});
        kav::station::ExamReport report;
        report.zkzh = zkzh;
        report.ksxm = "考生" + zkzh.substr(zkzh.size() - 1);
        report.kscj = kscj;
        kav::station::writeExamReport(*connection, report);
    }

    const std::string application = "kav_console_test_" + std::to_string(getpid());
    std::unique_ptr<kav::test::TestDatabase> server;
    std::unique_ptr<MendrixApp> app;
    std::unique_ptr<kav::db::Connection> owner;
};

TEST_F(ServerConsoleTest, TheNextActionAfterARestartWorksWithoutABox) {
    trigger("N16");
    reportFrom("st1", "110100000001", 80);
    struct Step {
        const char* what;
        std::function<void()> act;
        std::function<bool()> done;
    } steps[] = {
        {"刷新 on the score list", [&] { QTest::mouseClick(button("BitBtn29"), Qt::LeftButton); },
         [&] { return gridRows() == 1; }},
        {"强制收分", [&] { trigger("s1"); }, [&] { return korl() == 3; }},
        {"设定考试时间 (a save)",
         [&] {
             dialogs.replies.push_back("1:20:00");
             trigger("Ntime");
         },
         [&] { return owner->openTable("state")->field("resttime").asString() == "1:20:00"; }},
        {"练习状态", [&] { trigger("N14"); }, [&] { return korl() == 2; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        restartServer();
        dialogs.shown.clear();
        step.act();
        EXPECT_TRUE(step.done());
        for (const auto& shown : dialogs.shown) EXPECT_NE(shown.kind, MessageKind::Error) << shown.text;
    }
}

TEST_F(ServerConsoleTest, ACandidateIsReleasedAfterAQuestionNamingThemAndReportedFromAnotherStation) {
    reportFrom("st1", "110100000002", 70);
    trigger("N16");
    QTest::mouseClick(button("BitBtn29"), Qt::LeftButton);
    ASSERT_EQ(gridRows(), 1);
    QPushButton* release = button("BitBtnRelease");
    ASSERT_NE(release, nullptr);
    EXPECT_FALSE(release->isHidden());
    EXPECT_THROW(reportFrom("st2", "110100000002", 90), kav::db::DbError) << "another station's candidate";

    struct Case {
        const char* name;
        Answer answer;
        bool released;
    } cases[] = {{"取消", Answer::Cancel, false}, {"确定", Answer::Ok, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.shown.clear();
        dialogs.answers.push_back(c.answer);
        QTest::mouseClick(release, Qt::LeftButton);
        ASSERT_FALSE(dialogs.shown.empty());
        EXPECT_EQ(dialogs.shown[0].buttons, kav::ui::Buttons::OkCancelSafe);
        EXPECT_NE(dialogs.shown[0].text.find("110100000002（考生2）"), std::string::npos) << dialogs.shown[0].text;
        EXPECT_EQ(dialogs.shown.size(), c.released ? 2u : 1u);
        if (c.released) EXPECT_EQ(dialogs.shown[1].text, "已释放考生110100000002（考生2），任何一台学生机都可以为该考生交卷了。");
    }
    EXPECT_NO_THROW(reportFrom("st2", "110100000002", 90)) << "released: the new station reports";
    EXPECT_EQ(owner->openKeyed("score", "zkzh", "110100000002")->field("kscj").asInteger(), 90);
}

// A lab whose teacher tables are a file has no stations to release from.
TEST(FileConsoleTest, TheScoreListOffersNoRelease) {
    test::ConsoleLab lab;
    MendrixApp app(ConsoleEnv{lab.dialogs, lab.clock, lab.desktop, lab.folder(), [] {}});
    app.start();
    app.Form_enter()->Edit1->setText("admin");
    app.Form_enter()->Edit2->setText("admin");
    QTest::keyClick(app.Form_enter()->Edit2, Qt::Key_Return);
    app.Form1()->findChild<QAction*>("N16")->trigger();
    QPushButton* release = app.Form1()->findChild<QPushButton*>("BitBtnRelease");
    ASSERT_NE(release, nullptr);
    EXPECT_TRUE(release->isHidden());
}

}  // namespace
}  // namespace mendrix
