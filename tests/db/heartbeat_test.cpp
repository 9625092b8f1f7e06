// The stations' heartbeats on both backends, and the rules the lab's view
// draws from them (lost, the counts, an exam that may be running).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/db/sqlcipher_backend.h"
#include "common/station/heartbeat.h"
#include "tests/db/test_backend.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kav::station;
using kav::DateTime;
using kav::test::Backend;
namespace db = kav::db;

DateTime secondsLater(DateTime t, double seconds) { return DateTime::fromOleDays(t.toOleDays() + seconds / 86400.0); }

Heartbeat beat(std::string station, StationPhase phase, DateTime at) {
    Heartbeat h;
    h.station = std::move(station);
    h.phase = phase;
    h.writtenAt = at;
    return h;
}

TEST(LabRules, LostCountsAndRunningExamsFollowThePhaseAndTheSilence) {
    const DateTime now{2026, 6, 1, 9, 0, 0};
    struct Case {
        StationPhase phase;
        double silent;
        bool lost, examining;
    };
    const Case cases[] = {
        {StationPhase::Exam, 0, false, true},         {StationPhase::Exam, 10, false, true},
        {StationPhase::Exam, 10.5, true, true},       {StationPhase::Exam, 61, true, false},
        {StationPhase::Login, 3, false, true},        {StationPhase::Splash, 3, false, false},
        {StationPhase::Reported, 30, false, true},    {StationPhase::Ended, 30, false, false},
        {StationPhase::HandingIn, 11, true, true},    {StationPhase::Instructions, 1, false, true},
    };
    for (const Case& c : cases) {
        const Heartbeat h = beat("s", c.phase, secondsLater(now, -c.silent));
        EXPECT_EQ(isLost(h, now), c.lost) << phaseName(c.phase) << " silent " << c.silent;
        EXPECT_EQ(mayBeExamining(h, now, 60), c.examining) << phaseName(c.phase) << " silent " << c.silent;
    }
    // A station's clock a little ahead never makes a negative silence.
    EXPECT_EQ(silentSeconds(beat("s", StationPhase::Exam, secondsLater(now, 2)), now), 0.0);

    const std::vector<Heartbeat> lab = {
        beat("a", StationPhase::Exam, now),          beat("b", StationPhase::TimeUp, now),
        beat("c", StationPhase::Reported, now),      beat("d", StationPhase::Exam, secondsLater(now, -12)),
        beat("e", StationPhase::Login, now),         beat("f", StationPhase::Splash, now),
        beat("g", StationPhase::Ended, now),         beat("h", StationPhase::Reported, secondsLater(now, -600)),
    };
    EXPECT_EQ(countLab(lab, now), (LabCounts{.examining = 2, .reported = 2, .lost = 1, .notLoggedIn = 2}));
}

class HeartbeatTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(GetParam());
        teacher = std::make_unique<kav::test::TestDatabase>(GetParam(), db::DatabaseKind::Teacher, dir.path());
    }
    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> teacher;
};

TEST_P(HeartbeatTest, EachStationHasOneRowStampedWithTheDatabasesClock) {
    auto owner = teacher->open();
    auto station = teacher->open();
    Heartbeat h = beat("pc07", StationPhase::Exam, {});
    h.admission = "110100000007";
    h.name = "张三";
    h.remainingSeconds = 3599;
    h.version = "2.4.1";
    const DateTime before = databaseNow(*owner);
    writeHeartbeat(*station, h);
    h.phase = StationPhase::Reported;
    h.lastReportAt = DateTime{2026, 6, 1, 10, 30, 5};
    h.lastReportTotal = 87;
    writeHeartbeat(*station, h);
    writeHeartbeat(*station, beat("pc02", StationPhase::Login, {}));

    const auto read = readHeartbeats(*owner);
    ASSERT_EQ(read.size(), 2u) << "a station's second heartbeat replaces its first";
    EXPECT_EQ(read[0].station, "pc02");
    EXPECT_FALSE(read[0].lastReportAt);
    EXPECT_FALSE(read[0].lastReportTotal);
    const Heartbeat& r = read[1];
    EXPECT_EQ(r.station, "pc07");
    EXPECT_EQ(r.admission, "110100000007");
    EXPECT_EQ(r.name, "张三");
    EXPECT_EQ(r.phase, StationPhase::Reported);
    EXPECT_EQ(r.remainingSeconds, 3599);
    EXPECT_EQ(r.lastReportAt, h.lastReportAt);
    EXPECT_EQ(r.lastReportTotal, std::optional<std::int64_t>(87));
    EXPECT_EQ(r.version, "2.4.1");
    const DateTime after = databaseNow(*owner);
    EXPECT_LE(before, r.writtenAt);
    EXPECT_LE(r.writtenAt, after);
    EXPECT_LT(silentSeconds(r, after), 5.0);
}

TEST_P(HeartbeatTest, AStationOnTheServerWritesOnlyItsOwnRow) {
    if (GetParam() != Backend::Server) GTEST_SKIP() << "a file has no roles";
    auto pc01 = db::connect(teacher->stationConnectionString("pc01", "pc01-password-xyz"), {});
    // Whatever name it gives, the row is the one of its role.
    writeHeartbeat(*pc01, beat("pc99", StationPhase::Exam, {}));
    const auto read = readHeartbeats(*teacher->open());
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].station, "pc01");
    EXPECT_THROW(readHeartbeats(*pc01), db::DbError) << "a station cannot read the others' heartbeats";
}

INSTANTIATE_TEST_SUITE_P(Backends, HeartbeatTest, ::testing::Values(Backend::Files, Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

TEST(HeartbeatTable, AnOlderTeacherFileGetsItWhenOpened) {
    kav::test::TempDir dir;
    std::vector<db::TableDef> older = db::tablesOf(db::DatabaseKind::Teacher);
    std::erase_if(older, [](const db::TableDef& t) { return t.name == "heartbeat"; });
    const auto file = dir.path() / "teacher.mdb";
    db::createSqlCipherFile(file, std::string(db::kDatabasePassword), older, true);
    {
        auto first = db::openSqlCipherFile(file, std::string(db::kDatabasePassword));
        writeHeartbeat(*first, beat("pc01", StationPhase::Exam, {}));
    }
    auto again = db::openSqlCipherFile(file, std::string(db::kDatabasePassword));
    const auto names = again->tableNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "heartbeat"), 1) << "added once";
    EXPECT_EQ(readHeartbeats(*again).size(), 1u);
}

}  // namespace
