// The lab view's model and reading: tiles, colours, counts and the natural
// order of station names; the collection's progress and the stations still
// missing; a reading that fails and the next that succeeds; the page's timer;
// and kavtool lab-check's 200 simulated stations, one of them killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <chrono>
#include <thread>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "console/pages/labview/lab_view.h"
#include "tests/support/fake_clock.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace mendrix::labview {
namespace {

using kav::DateTime;
using kav::station::Heartbeat;
using kav::station::StationPhase;
using Strings = std::vector<std::string>;

const DateTime kNow{2026, 12, 10, 9, 0, 0, 0};

DateTime secondsBefore(const DateTime& t, double seconds) {
    return DateTime::fromOleDays(t.toOleDays() - seconds / 86400.0);
}

Heartbeat beat(std::string station, StationPhase phase, double silent = 1, std::string admission = "",
               std::optional<std::int64_t> total = std::nullopt, int remaining = 0) {
    Heartbeat h;
    h.station = std::move(station);
    h.admission = admission;
    if (!admission.empty()) h.name = "考生" + admission.substr(admission.size() - 2);
    h.phase = phase;
    h.remainingSeconds = remaining;
    if (total) {
        h.lastReportAt = secondsBefore(kNow, silent);
        h.lastReportTotal = total;
    }
    h.writtenAt = secondsBefore(kNow, silent);
    return h;
}

LabReading reading(std::vector<Heartbeat> beats, DateTime now = kNow) { return {std::move(beats), now, {}}; }

Strings stations(const LabViewModel& m) {
    Strings names;
    for (const Tile& t : m.tiles()) names.push_back(t.station);
    return names;
}

TEST(LabViewText, NaturalOrderClockAndHeardTexts) {
    const std::vector<std::pair<std::string, std::string>> ordered = {
        {"pc2", "pc10"}, {"pc9", "pc10"}, {"pc02", "pc3"}, {"lab1-pc9", "lab1-pc10"}, {"lab1-pc10", "lab2-pc1"},
        {"PC1", "pc2"},  {"pc", "pc1"},   {"a", "b"},     {"pc1", "pc1a"},          {"pc01", "pc1"},
    };
    for (const auto& [a, b] : ordered) {
        EXPECT_TRUE(naturalLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(naturalLess(b, a)) << b << " !< " << a;
    }
    EXPECT_FALSE(naturalLess("pc7", "pc7"));

    const std::vector<std::pair<int, std::string>> clocks = {{0, "0:00:00"}, {59, "0:00:59"}, {5400, "1:30:00"},
                                                             {3599, "0:59:59"}, {-5, "0:00:00"}};
    for (const auto& [seconds, text] : clocks) EXPECT_EQ(clockText(seconds), text) << seconds;
    const std::vector<std::pair<double, std::string>> heard = {
        {0.4, "0秒前"}, {1.9999, "2秒前"}, {9.4, "9秒前"}, {59, "59秒前"}, {60, "1分钟前"}, {3599, "59分钟前"}, {7300, "2小时前"}};
    for (const auto& [silent, text] : heard) EXPECT_EQ(heardText(silent), text) << silent;
}

TEST(LabViewModelTest, TilesInNaturalOrderColouredByPhaseWithTheCounts) {
    LabViewModel m;
    m.show(reading({
        beat("pc10", StationPhase::Exam, 1, "2026010110", std::nullopt, 2712),
        beat("pc2", StationPhase::Reported, 30, "2026010102", 85),
        beat("pc1", StationPhase::Splash, 2),
        beat("pc3", StationPhase::Exam, 11, "2026010103", std::nullopt, 600),  // silent 11 s: lost
        beat("pc4", StationPhase::Login, 1),
        beat("pc5", StationPhase::TimeUp, 2, "2026010105"),
        beat("pc6", StationPhase::Reported, 400, "2026010106", 70),  // reported: never lost
        beat("pc7", StationPhase::Ended, 600),
    }));
    struct Expected {
        const char* station;
        TileState state;
        const char* status;
        const char* candidate;
        const char* detail;
        const char* heard;
    };
    const Expected expected[] = {
        {"pc1", TileState::Splash, "启动", "", "", "2秒前"},
        {"pc2", TileState::Reported, "已交卷", "2026010102 考生02", "总分 85", "30秒前"},
        {"pc3", TileState::Lost, "失联", "2026010103 考生03", "剩余 0:10:00", "11秒前"},
        {"pc4", TileState::Login, "登录", "", "", "1秒前"},
        {"pc5", TileState::TimeUp, "时间到", "2026010105 考生05", "剩余 0:00:00", "2秒前"},
        {"pc6", TileState::Reported, "已交卷", "2026010106 考生06", "总分 70", "6分钟前"},
        {"pc7", TileState::Ended, "已结束", "", "", "10分钟前"},
        {"pc10", TileState::Exam, "考试中", "2026010110 考生10", "剩余 0:45:12", "1秒前"},
    };
    ASSERT_EQ(m.tiles().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Tile& t = m.tiles()[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.station);
        EXPECT_EQ(t.station, e.station);
        EXPECT_EQ(t.state, e.state);
        EXPECT_EQ(t.status, e.status);
        EXPECT_EQ(t.candidate, e.candidate);
        EXPECT_EQ(t.detail, e.detail);
        EXPECT_EQ(t.heard, e.heard);
        EXPECT_FALSE(t.missing) << "no collection yet";
    }
    EXPECT_EQ(m.countsText(), "在考 2    已交卷 2    失联 1    未登录 2");
    EXPECT_EQ(m.lostText(), "失联：pc3");
    EXPECT_EQ(m.progressText(), "");
    EXPECT_FALSE(m.reportsArrived()) << "the first reading has nothing to compare with";

    // A failed reading keeps what was shown and says why.
    m.show({{}, {}, "server closed the connection"});
    EXPECT_EQ(m.errorText(), "读取考场状态失败：server closed the connection");
    EXPECT_EQ(m.tiles().size(), std::size(expected));
    m.show(reading({beat("pc1", StationPhase::Splash)}));
    EXPECT_EQ(m.errorText(), "");
    EXPECT_EQ(stations(m), Strings{"pc1"});
}

TEST(LabViewModelTest, CollectionCountsTheCandidatesAndNamesTheMissing) {
    LabViewModel m;
    const auto lab = [](StationPhase pc1, StationPhase pc2, StationPhase pc3, double pc3Silent = 1) {
        const auto total = [](StationPhase p) {
            return p == StationPhase::Reported ? std::optional<std::int64_t>(80) : std::nullopt;
        };
        return reading({beat("pc1", pc1, 1, "A01", total(pc1)), beat("pc2", pc2, 1, "A02", total(pc2)),
                        beat("pc3", pc3, pc3Silent, "A03", total(pc3)), beat("pc4", StationPhase::Login),
                        beat("pc5", StationPhase::Reported, 1, "A05", 90)});
    };
    m.show(lab(StationPhase::Exam, StationPhase::TimeUp, StationPhase::Exam));
    m.startCollection();
    // At once, from the reading before the order: the one who handed in already counts.
    EXPECT_EQ(m.progressText(), "已收 1/4");
    EXPECT_EQ(m.missing(), (Strings{"pc1", "pc2", "pc3"}));

    struct Step {
        std::vector<StationPhase> phases;  // pc1, pc2, pc3
        double pc3Silent;
        const char* progress;
        Strings missing;
        bool reportsArrived;
    };
    const Step steps[] = {
        {{StationPhase::HandingIn, StationPhase::Reported, StationPhase::Exam}, 1, "已收 2/4", {"pc1", "pc3"}, true},
        {{StationPhase::HandingIn, StationPhase::Reported, StationPhase::Exam}, 1, "已收 2/4", {"pc1", "pc3"}, false},
        // pc3 goes silent: lost, and still missing.
        {{StationPhase::Reported, StationPhase::Reported, StationPhase::Exam}, 15, "已收 3/4", {"pc3"}, true},
        {{StationPhase::Reported, StationPhase::Reported, StationPhase::Reported}, 1, "已收 4/4", {}, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.progress);
        m.show(lab(s.phases[0], s.phases[1], s.phases[2], s.pc3Silent));
        EXPECT_EQ(m.progressText(), s.progress);
        EXPECT_EQ(m.missing(), s.missing);
        EXPECT_EQ(m.reportsArrived(), s.reportsArrived);
        Strings marked;
        for (const Tile& t : m.tiles())
            if (t.missing) marked.push_back(t.station);
        EXPECT_EQ(marked, s.missing) << "the missing tiles are marked";
    }
    EXPECT_EQ(m.missingText(), "");
    m.stopCollection();
    EXPECT_EQ(m.progressText(), "");

    // Ordered before any reading: the first reading decides who is awaited.
    LabViewModel fresh;
    fresh.startCollection();
    EXPECT_EQ(fresh.progressText(), "已收 0/0");
    fresh.show(lab(StationPhase::Exam, StationPhase::Reported, StationPhase::Instructions));
    EXPECT_EQ(fresh.progressText(), "已收 2/4");
    EXPECT_EQ(fresh.missingText(), "未收：pc1、pc3");
}

TEST(LabViewModelTest, LongListsNameTheFirstStationsAndCountTheRest) {
    LabViewModel m;
    std::vector<Heartbeat> lab;
    for (int i = 1; i <= 45; ++i)
        lab.push_back(beat("pc" + std::to_string(i), StationPhase::Exam, 20, "A" + std::to_string(100 + i)));
    m.show(reading(lab));
    m.startCollection();
    for (const auto& [text, title] : {std::pair{m.missingText(), "未收：pc1、pc2、pc3、"}, {m.lostText(), "失联：pc1、pc2、pc3、"}}) {
        EXPECT_EQ(text.rfind(title, 0), 0u) << text;
        EXPECT_NE(text.find("、pc40 等共 45 台"), std::string::npos) << text;
        EXPECT_EQ(text.find("pc41"), std::string::npos) << text;
    }
}

// A teacher.mdb with the heartbeats written as the stations write them.
struct FileLab {
    kav::test::TempDir dir;
    FileLab() { kav::db::createDatabase(dir / "teacher.mdb", kav::db::DatabaseKind::Teacher); }
    std::unique_ptr<kav::db::Connection> connect() const { return kav::db::connectFile("teacher.mdb", dir.path()); }
    LabReader::Connect connector() const {
        return [this] { return connect(); };
    }
};

TEST(LabReaderTest, ReadsOnItsOwnConnectionAndRecoversFromAFailedReading) {
    FileLab lab;
    {
        auto teacher = lab.connect();
        Heartbeat h = beat("pc1", StationPhase::Exam, 0, "A01", std::nullopt, 100);
        kav::station::writeHeartbeat(*teacher, h);
    }
    int connects = 0;
    bool serverAway = true;
    LabReader reader(
        [&]() -> std::unique_ptr<kav::db::Connection> {
            ++connects;
            if (serverAway) throw kav::db::DbError("could not connect to server");
            return lab.connect();
        },
        LabReader::atOnce);
    EXPECT_FALSE(reader.take()) << "nothing read yet";
    reader.request();
    auto first = reader.take();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->error, "could not connect to server");
    EXPECT_FALSE(reader.take()) << "a reading is taken once";

    serverAway = false;
    reader.request();
    reader.request();
    auto second = reader.take();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->error, "");
    ASSERT_EQ(second->heartbeats.size(), 1u);
    EXPECT_EQ(second->heartbeats[0].station, "pc1");
    EXPECT_EQ(second->heartbeats[0].phase, StationPhase::Exam);
    EXPECT_EQ(connects, 2) << "the connection is kept after a reading that worked";
}

TEST(LabViewLogicTest, ReadsWhileShownOrCollectingAndNeverStacksReadings) {
    FileLab lab;
    kav::test::FakeClock clock;
    std::vector<std::function<void()>> launched;  // readings started and not yet run
    LabViewLogic logic(lab.connector(), clock, [&](std::function<void()> work) { launched.push_back(work); });
    int changes = 0;
    logic.changed = [&] { ++changes; };

    logic.setMode(kav::station::StationMode::Exam);  // the mode the console found
    clock.advance(2000);
    EXPECT_EQ(clock.runningTimers(), 0);
    EXPECT_TRUE(launched.empty()) << "hidden and not collecting: no reading";

    logic.setShown(true);
    EXPECT_EQ(launched.size(), 1u) << "the first reading at once";
    clock.advance(3 * LabViewLogic::kTickMs);
    EXPECT_EQ(launched.size(), 1u) << "a reading in flight is not started again";
    launched[0]();
    clock.advance(LabViewLogic::kTickMs);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(logic.model.hasReading());
    EXPECT_EQ(launched.size(), 2u) << "the tick that showed a reading starts the next";

    // Hidden during a collection it goes on reading; a new exam stops it.
    logic.setMode(kav::station::StationMode::ForcedCollection);
    logic.setShown(false);
    EXPECT_TRUE(logic.model.collecting());
    EXPECT_EQ(clock.runningTimers(), 1);
    logic.setMode(kav::station::StationMode::Ended);
    EXPECT_TRUE(logic.model.collecting()) << "ending keeps the collection's progress";
    logic.setMode(kav::station::StationMode::Exam);
    EXPECT_FALSE(logic.model.collecting());
    EXPECT_EQ(clock.runningTimers(), 0);
}

// ------------------------------------------------------------ a lab of stations

// The station processes a running program started, from the oldest.
std::vector<pid_t> childrenOf(pid_t parent) {
    std::ifstream in("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children");
    std::vector<pid_t> pids;
    for (pid_t pid; in >> pid;) pids.push_back(pid);
    return pids;
}

// kavtool lab-check's 200 simulated stations write their heartbeats into a
// file lab; the page reads them as a lab of candidates in the exam, then, one
// station killed, as a lab with one lost, and the check's collection as the
// collection's progress with the killed station missing.
TEST(LabViewLabTest, LabCheckOf200StationsCountedAndAKilledStationLostWithin12Seconds) {
    FileLab lab;
    constexpr int kStations = 200;
    const std::string teacherDb = (lab.dir / "teacher.mdb").string();
    const std::string log = (lab.dir / "lab-check.log").string();
    // Its stations keep writing heartbeats after their reports while the
    // command the check runs once collection is set (a pause here) lasts.
    const pid_t check = fork();
    ASSERT_GE(check, 0);
    if (check == 0) {
        freopen(log.c_str(), "w", stdout);
        execl(kav::test::kavtoolPath().c_str(), "kavtool", "lab-check", teacherDb.c_str(), "--stations", "200",
              "--yes", "--during-collection", "sleep 20", static_cast<char*>(nullptr));
        _exit(127);
    }
    kav::test::FakeClock clock;  // its timer stays still: the ticks are driven below in real time
    LabViewLogic logic(lab.connector(), clock);
    logic.setMode(kav::station::StationMode::Exam);
    logic.setShown(true);
    const auto readUntil = [&](const std::function<bool()>& done, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            logic.tick();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(LabViewLogic::kTickMs));
        }
        return false;
    };
    // The stations still running are ended too: the check counts them failed
    // and ends on its own, cleaning up what its stations wrote.
    const auto finish = [&] {
        for (pid_t station : childrenOf(check)) ::kill(station, SIGKILL);
        int status = 0;
        ::waitpid(check, &status, 0);
        return status;
    };
    const bool allIn = readUntil([&] { return logic.model.counts().examining == kStations; }, std::chrono::seconds(60));
    ASSERT_TRUE(allIn) << logic.model.countsText() << " " << logic.model.errorText() << "\n"
                       << kav::test::readFile(log) << finish();
    EXPECT_EQ(logic.model.countsText(), "在考 200    已交卷 0    失联 0    未登录 0");
    ASSERT_EQ(logic.model.tiles().size(), static_cast<std::size_t>(kStations));
    Strings names = stations(logic.model);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), naturalLess));

    const std::vector<pid_t> stationPids = childrenOf(check);
    ASSERT_EQ(stationPids.size(), static_cast<std::size_t>(kStations)) << finish();
    ::kill(stationPids.front(), SIGKILL);
    const auto killedAt = std::chrono::steady_clock::now();
    logic.setMode(kav::station::StationMode::ForcedCollection);  // the check's order, as the teacher's would be
    const bool lost = readUntil([&] { return logic.model.counts().lost == 1; }, std::chrono::seconds(12));
    const double after = std::chrono::duration<double>(std::chrono::steady_clock::now() - killedAt).count();
    EXPECT_TRUE(lost) << "after " << after << " s: " << logic.model.countsText();
    std::printf("the killed station showed as lost %.1f s after the kill\n", after);
    const bool collected = readUntil([&] { return logic.model.collected() == kStations - 1; }, std::chrono::seconds(20));
    EXPECT_TRUE(collected) << logic.model.progressText();
    EXPECT_EQ(logic.model.countsText(), "在考 0    已交卷 199    失联 1    未登录 0");
    EXPECT_EQ(logic.model.progressText(), "已收 199/200");
    ASSERT_EQ(logic.model.missing().size(), 1u);
    const auto killedTile = std::find_if(logic.model.tiles().begin(), logic.model.tiles().end(),
                                         [](const Tile& t) { return t.state == TileState::Lost; });
    ASSERT_NE(killedTile, logic.model.tiles().end());
    EXPECT_EQ(logic.model.missing()[0], killedTile->station) << "the lost station is the one missing";
    EXPECT_TRUE(killedTile->missing);
    const int status = finish();
    EXPECT_TRUE(WIFEXITED(status)) << kav::test::readFile(log);
}

}  // namespace
}  // namespace mendrix::labview
