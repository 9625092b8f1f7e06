// The station poll off the caller's thread: what a tick takes, that a poll in
// flight is never doubled, and that a server that does not answer holds
// neither the tick nor the end of the program.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/station/poll.h"
#include "common/station/station.h"
#include "tests/account/raw_file.h"
#include "tests/station/silent_server.h"
#include "tests/support/temp_dir.h"

namespace {

using kav::station::StationPoll;
using namespace std::chrono_literals;
namespace db = kav::db;

// A teacher.mdb as the console leaves it, in a folder of its own.
struct TeacherFile {
    TeacherFile() { db::createDatabase(file, db::DatabaseKind::Teacher); }
    void setKorl(int korl) const {
        auto state = db::connectPath(file)->openTable("state");
        auto record = kav::station::readStation(*state);
        record.korl = korl;
        kav::station::writeStation(*state, record);
    }
    StationPoll::Connect connect() const {
        return [file = file] { return db::connectPath(file); };
    }
    kav::test::TempDir dir;
    std::filesystem::path file = dir / "teacher.mdb";
};

// Polls launched and left waiting until the test runs them.
struct ManualLaunch {
    std::vector<std::function<void()>> waiting;
    int launched = 0;
    StationPoll::Launch launch() {
        return [this](std::function<void()> work) {
            ++launched;
            waiting.push_back(std::move(work));
        };
    }
    void runAll() {
        for (auto& work : std::exchange(waiting, {})) work();
    }
};

TEST(StationPoll, ATickTakesWhatItsPollRead) {
    TeacherFile teacher;
    teacher.setKorl(3);
    struct Case {
        const char* name;
        StationPoll::Connect connect;
        std::optional<int> reading;
    } cases[] = {
        {"the station record", teacher.connect(), 3},
        {"a server that cannot be reached",
         [] () -> std::unique_ptr<db::Connection> { throw db::DbUnavailable("Cannot connect to the database server"); },
         std::nullopt},
        {"a teacher database that is gone", [dir = teacher.dir.path()] { return db::connectPath(dir / "gone.mdb"); },
         std::nullopt},
    };
    for (Case& c : cases) {
        StationPoll poll(c.connect, StationPoll::atOnce);
        EXPECT_EQ(poll.take(0ms), c.reading) << c.name;
        EXPECT_FALSE(poll.inFlight()) << c.name;
    }
}

// Any other error of the poll reaches the tick once, as a poll on the tick's
// own thread would throw it, and the next poll reads afresh.
TEST(StationPoll, AnErrorOfThePollIsThrownAtTheTickThatTakesIt) {
    TeacherFile teacher;
    auto console = db::connectPath(teacher.file);
    auto state = console->openTable("state");
    const auto record = kav::station::readStation(*state);
    state->remove();
    StationPoll poll(teacher.connect(), StationPoll::atOnce);
    EXPECT_THROW(poll.take(0ms), db::DbError);
    kav::station::writeStation(*state, record);
    EXPECT_EQ(poll.take(0ms), kav::station::korlOf(kav::station::StationMode::Exam));
}

TEST(StationPoll, APollInFlightIsNeverDoubledAndItsReadingIsTakenOnce) {
    TeacherFile teacher;
    ManualLaunch polls;
    StationPoll poll(teacher.connect(), polls.launch());
    EXPECT_EQ(poll.take(0ms), std::nullopt);
    EXPECT_EQ(poll.take(0ms), std::nullopt);
    EXPECT_EQ(polls.launched, 1) << "the ticks while a poll hangs start none";
    EXPECT_TRUE(poll.inFlight());

    teacher.setKorl(3);
    polls.runAll();
    EXPECT_FALSE(poll.inFlight());
    EXPECT_EQ(poll.take(0ms), 3) << "the reading of the poll that came back";
    EXPECT_EQ(polls.launched, 2) << "that tick starts the next poll";
    EXPECT_EQ(poll.take(0ms), std::nullopt) << "a reading is taken once";

    // A reading that came back after its tick waited is taken by the next tick.
    teacher.setKorl(4);
    polls.runAll();
    EXPECT_EQ(poll.take(0ms), kav::station::korlOf(kav::station::StationMode::Ended));
    EXPECT_EQ(polls.launched, 3);
}

// A poll that finds no mode does not wipe out a reading no tick has taken yet.
TEST(StationPoll, APollThatFindsNoModeKeepsTheReadingNotYetTaken) {
    TeacherFile teacher;
    teacher.setKorl(3);
    std::function<void()> late;
    int launched = 0;
    StationPoll poll(teacher.connect(), [&](std::function<void()> work) {
        if (++launched == 1) late = std::move(work);  // the first poll comes back after its tick
        else work();
    });
    EXPECT_EQ(poll.take(0ms), std::nullopt);
    late();
    kav::test::RawFile(teacher.file, db::kDatabasePassword).exec("UPDATE state SET korl = 'abc'");
    EXPECT_EQ(poll.take(0ms), 3) << "the second poll found no mode";
    EXPECT_EQ(launched, 2);
}

// A poll still in flight when the poll is dropped ends on its own, with
// everything it uses, and nothing waits for it.
TEST(StationPoll, APollOutlivesThePollThatStartedIt) {
    TeacherFile teacher;
    ManualLaunch polls;
    int connects = 0;
    auto poll = std::make_unique<StationPoll>(
        [&, connect = teacher.connect()] {
            ++connects;
            return connect();
        },
        polls.launch());
    poll->take(0ms);
    poll.reset();
    polls.runAll();
    EXPECT_EQ(connects, 1);
}

// A server that accepts connections and never answers: the ticks go on at
// once, no second attempt stacks up behind the first, and dropping the poll
// does not wait for the attempt to time out.
TEST(StationPoll, AServerThatDoesNotAnswerHoldsNeitherTheTickNorTheEnd) {
    kav::test::TempDir dir;
    kav::test::SilentServer server;
    const auto link = server.writeLink(dir.path(), /*connectTimeout=*/2);
    auto poll = std::make_unique<StationPoll>([link] { return db::connectPath(link); });
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    EXPECT_EQ(poll->take(50ms), std::nullopt);  // starts the attempt and waits for it a bounded time
    auto longestTick = Clock::now() - start;
    while (server.accepted() == 0 || Clock::now() - start < 1s) {
        std::this_thread::sleep_for(100ms);
        // A later tick does not wait for the attempt still hanging, however long it may wait.
        const auto tick = Clock::now();
        EXPECT_EQ(poll->take(5s), std::nullopt);
        longestTick = std::max(longestTick, Clock::now() - tick);
        ASSERT_LT(Clock::now() - start, 1900ms) << "the attempt must still be hanging";
    }
    EXPECT_EQ(server.accepted(), 1) << "one attempt at a time";
    EXPECT_TRUE(poll->inFlight());
    EXPECT_LT(longestTick, 1s) << "a tick waited for the hung attempt";
    const auto end = Clock::now();
    poll.reset();
    EXPECT_LT(Clock::now() - end, 500ms) << "the end does not wait for the hung attempt";
}


// The report borrows the poll's connection only when the poll has one and no
// poll runs; while it has it, no poll starts. Otherwise it takes its own.
TEST(StationPoll, TheReportBorrowsTheConnectionOfAnIdlePollOnly) {
    TeacherFile teacher;
    int connections = 0;
    const db::Connection* pollConnection = nullptr;
    ManualLaunch launch;
    StationPoll poll(
        [&]() -> std::unique_ptr<db::Connection> {
            ++connections;
            auto made = db::connectPath(teacher.file);
            pollConnection = made.get();
            return made;
        },
        launch.launch());
    auto own = db::connectPath(teacher.file);
    const auto connectionOfAReport = [&] {
        const db::Connection* used = nullptr;
        kav::station::reportAccess(&poll, *own)([&](db::Connection& c) { used = &c; });
        return used;
    };

    EXPECT_EQ(connectionOfAReport(), own.get()) << "before the poll has connected";
    EXPECT_EQ(poll.take(0ms), std::nullopt);
    EXPECT_EQ(connectionOfAReport(), own.get()) << "while a poll runs";
    launch.runAll();
    EXPECT_EQ(connectionOfAReport(), pollConnection) << "an idle poll lends its connection";
    EXPECT_EQ(connections, 1);

    bool ran = false;
    EXPECT_TRUE(poll.lend([&](db::Connection& c) {
        ran = true;
        EXPECT_EQ(poll.take(0ms), kav::station::korlOf(kav::station::StationMode::Exam)) << "the reading before the lend";
        EXPECT_EQ(launch.launched, 1) << "no poll starts while the connection is lent";
        EXPECT_FALSE(poll.lend([](db::Connection&) {})) << "lent once at a time";
        kav::station::ExamReport report;
        report.zkzh = "110100000001";
        kav::station::writeExamReport(c, report);
    }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(own->openKeyed("score", "zkzh", "110100000001")->recordCount(), 1);
    EXPECT_EQ(poll.take(0ms), std::nullopt);
    EXPECT_EQ(launch.launched, 2) << "the next tick polls again";

    const db::Connection* used = nullptr;
    kav::station::reportAccess(nullptr, *own)([&](db::Connection& c) { used = &c; });
    EXPECT_EQ(used, own.get()) << "without a poll";
}

}  // namespace
