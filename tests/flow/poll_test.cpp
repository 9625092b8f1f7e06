// The station poll while the teacher tables do not answer: the exam goes on
// on the window's thread, the order that comes back is acted on once, and a
// hand-in or the end never waits for the poll.
#include <gtest/gtest.h>

#include <memory>

#include "client/flow/instructions.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "tests/flow/flow_lab.h"
#include "tests/flow/held_polls.h"

namespace kavlor::test {
namespace {

// A client in its exam whose station polls hang until the test lets them go.
struct HungPolls {
    HungPolls() {
        h.pollLaunch = polls.launch();
        client = std::make_unique<Client>(h.env());
        EXPECT_TRUE(client->start());
        drawExam(*client);
        client->handle([&] { client->instructions()->SpeedButton1Click(); });
        toolbar = client->toolbar();
        h.dialogs.shown.clear();
    }
    ~HungPolls() {
        client.reset();
        polls.releaseAndWait();  // before the lab's folder goes
    }
    int rows(const std::string& table) const { return rowCount(*h.lab.teacherDb(), table); }

    Harness h;
    HeldPolls polls;
    std::unique_ptr<Client> client;
    ToolbarLogic* toolbar = nullptr;
};

TEST(FlowPollTest, AHungPollLeavesTheExamRunningAndItsOrderIsActedOnOnce) {
    HungPolls s;
    ASSERT_NE(s.toolbar, nullptr);
    s.h.lab.setKorl(3);
    s.h.clock.advance(2000);  // the first poll starts and hangs
    ASSERT_TRUE(s.toolbar->pollInFlight());
    const std::string before = s.toolbar->examWindow().BitBtn1;
    for (int i = 0; i < 5; ++i) s.h.clock.advance(2000);
    // The window's thread ran every tick and the candidate's handlers meanwhile.
    EXPECT_NE(s.toolbar->examWindow().BitBtn1, before) << "the clock counts on";
    EXPECT_EQ(s.toolbar->examWindow().BitBtn1, "1:29:48");
    s.client->handle([&] { s.toolbar->SpeedButton5Click(); });
    EXPECT_EQ(s.toolbar->SpeedButton5(), "显示题目");
    EXPECT_EQ(s.polls.launched(), 1) << "no poll stacks up behind the hung one";
    EXPECT_EQ(s.polls.started(), 0);
    EXPECT_TRUE(s.h.dialogs.shown.empty());
    EXPECT_FALSE(s.toolbar->forcedCollection());

    s.polls.releaseAndWait();  // the server answers: the poll reads forced collection
    s.h.clock.advance(2000);
    EXPECT_TRUE(s.toolbar->forcedCollection());
    s.h.clock.advance(4000);
    EXPECT_EQ(s.h.dialogs.texts(), std::vector<std::string>{"将进入强制评分！！！"});
    EXPECT_EQ(s.rows("score"), 1);
    EXPECT_EQ(s.rows("condition"), 1);
    EXPECT_EQ(s.h.exits, 0);
}

// The candidate hands in while a poll hangs: the report is stored once at once
// (the poll has a connection of its own), the client ends without waiting for
// the poll, and the order the poll then brings back is never acted on.
TEST(FlowPollTest, AHandInDuringAHungPollIsStoredOnceAndTheClientEndsWithoutWaiting) {
    HungPolls s;
    ASSERT_NE(s.toolbar, nullptr);
    s.h.lab.setKorl(3);
    s.h.clock.advance(2000);
    ASSERT_TRUE(s.toolbar->pollInFlight());
    s.h.dialogs.answers.push_back(kav::ui::Answer::Ok);
    s.client->handle([&] { s.toolbar->SpeedButton6Click(); });
    EXPECT_EQ(s.h.exits, 1);
    EXPECT_EQ(s.rows("score"), 1);
    EXPECT_EQ(s.rows("condition"), 1);
    s.client.reset();
    EXPECT_EQ(s.polls.started(), 0) << "the end waited for the hung poll";

    s.polls.releaseAndWait();  // the poll comes back after the client is gone
    s.h.clock.advance(4000);
    EXPECT_EQ(s.h.dialogs.texts(), std::vector<std::string>{"将退出系统！！！"});
    EXPECT_EQ(s.rows("score"), 1);
    EXPECT_EQ(s.rows("condition"), 1);
}

// The teacher's lab view follows one exam through the station's heartbeats,
// from the splash on: each poll writes where the client was at the tick before.
TEST(FlowPollTest, TheHeartbeatFollowsTheExamFromAnsweringToTheEnd) {
    using kav::station::StationPhase;
    for (const bool handIn : {false, true}) {
        SCOPED_TRACE(handIn ? "handed in" : "collected and ended");
        Harness h({.resttime = "0:00:03"});
        Client client(h.env());
        std::vector<StationPhase> seen;
        kav::station::Heartbeat last;
        const auto look = [&] {
            const auto beats = kav::station::readHeartbeats(*h.lab.teacherDb());
            ASSERT_EQ(beats.size(), 1u);
            last = beats[0];
            if (seen.empty() || seen.back() != last.phase) seen.push_back(last.phase);
        };
        ASSERT_TRUE(client.start());
        look();
        client.handle([&] { client.FormClick(); });
        h.clock.advance(2000);
        look();
        // A box the candidate leaves open does not silence the station.
        {
            auto beats = h.lab.teacherDb()->openTable("heartbeat");
            beats->first();
            beats->remove();
        }
        h.dialogs.onMessage = [&](const auto&) {
            h.clock.advance(2000);
            look();
        };
        client.login()->Edit1 = "999";
        client.handle([&] { client.login()->BitBtn1Click(); });
        h.dialogs.onMessage = nullptr;
        ASSERT_EQ(h.dialogs.lastText(), "输入考号超出范围！！！");
        drawExam(client);
        h.clock.advance(2000);
        look();
        EXPECT_EQ(last.remainingSeconds, 3) << "the instructions show the exam's time left";
        client.handle([&] { client.instructions()->SpeedButton1Click(); });
        ToolbarLogic* toolbar = client.toolbar();
        ASSERT_NE(toolbar, nullptr);
        h.clock.advance(2000);
        look();
        EXPECT_EQ(last.admission, kFirst);
        EXPECT_EQ(last.name, "张三");
        EXPECT_EQ(last.station, kav::station::thisStationName());
        EXPECT_FALSE(last.lastReportAt);
        for (int i = 0; i < 3; ++i) {
            h.clock.advance(2000);
            look();
        }
        if (handIn) {
            h.dialogs.answers.push_back(kav::ui::Answer::Ok);
            client.handle([&] { toolbar->SpeedButton6Click(); });
            EXPECT_EQ(h.exits, 1);
        } else {
            h.lab.setKorl(3);
            for (int i = 0; i < 2; ++i) {
                h.clock.advance(2000);
                look();
            }
            h.lab.setKorl(4);
            h.clock.advance(2000);
        }
        look();
        const std::vector<StationPhase> expected =
            handIn ? std::vector{StationPhase::Splash, StationPhase::Login, StationPhase::Instructions,
                                 StationPhase::Exam, StationPhase::TimeUp, StationPhase::Reported}
                   : std::vector{StationPhase::Splash, StationPhase::Login, StationPhase::Instructions,
                                 StationPhase::Exam, StationPhase::TimeUp, StationPhase::Reported, StationPhase::Ended};
        EXPECT_EQ(seen, expected);
        ASSERT_TRUE(last.lastReportAt) << "the report's time and total ride on the heartbeat";
        EXPECT_EQ(std::to_string(*last.lastReportTotal), rowValue(*h.lab.teacherDb(), "score", kFirst, "kscj"));
    }
}

}  // namespace
}  // namespace kavlor::test
