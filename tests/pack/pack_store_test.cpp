// The pack travels with the report: stored after the scores on a file lab and
// on a lab server, read back by the teacher's side, and never in the way of
// the scores.
#include "common/pack/pack_store.h"

#include <gtest/gtest.h>

#include "common/db/postgres_backend.h"
#include "common/station/report.h"
#include "tests/db/test_backend.h"
#include "tests/support/temp_dir.h"

namespace {

using kav::test::Backend;

kav::station::ExamReport reportOf(const std::string& zkzh, int kscj, std::string pack) {
    kav::station::ExamReport r;
    r.zkzh = zkzh;
    r.ksxm = "考生";
    r.kscj = kscj;
    r.selArr3 = r.dzResult = r.wordResult = " ";
    r.resttime = "0:10:00";
    r.pack = [pack] { return pack; };
    return r;
}

std::int64_t storedScore(kav::db::Connection& teacher, const std::string& zkzh) {
    auto score = teacher.openKeyed("score", "zkzh", zkzh);
    return score->recordCount() == 1 ? score->field("kscj").asInteger() : -1;
}

class PackStoreTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(GetParam());
        teacher = std::make_unique<kav::test::TestDatabase>(GetParam(), kav::db::DatabaseKind::Teacher, dir.path());
        owner = teacher->open();
        station = GetParam() == Backend::Server ? kav::db::connect(teacher->stationConnectionString("s1", "s1-pw-0123456"), {})
                                                : teacher->open();
    }
    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> teacher;
    std::unique_ptr<kav::db::Connection> owner, station;
};

TEST_P(PackStoreTest, APackIsStoredWithTheReportAndReplacedByALaterOne) {
    const std::string first("PK\3\4 first\0work", 16), second = "PK second";
    const std::string odd = "11/../x 张";  // an admission number that is no plain file name
    for (const auto& [zkzh, pack] : {std::pair{std::string("110199990001"), first}, {odd, first},
                                     {std::string("110199990001"), second}})
        EXPECT_EQ(kav::station::writeExamReportUntilStored(*station, reportOf(zkzh, 60, pack), [] {}), 1);

    // The work is packed only once the scores are stored.
    auto report = reportOf("110199990004", 61, "");
    std::int64_t scoreWhenPacked = -1;
    report.pack = [&] {
        scoreWhenPacked = storedScore(*owner, "110199990004");
        return std::string();
    };
    kav::station::writeExamReportUntilStored(*station, report, [] {});
    EXPECT_EQ(scoreWhenPacked, 61);

    EXPECT_EQ(kav::pack::loadPack(*owner, "110199990001"), second);
    EXPECT_EQ(kav::pack::loadPack(*owner, odd), first);
    EXPECT_EQ(kav::pack::loadPack(*owner, "110199990002"), std::nullopt);
    EXPECT_EQ(kav::pack::packAdmissions(*owner), (std::vector<std::string>{odd, "110199990001"}));
    if (GetParam() == Backend::Files) {
        // One file a candidate beside teacher.mdb, nothing left under a temporary name.
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir / "packs")) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"11%2F%2E%2E%2Fx%20%E5%BC%A0.zip", "110199990001.zip"}));
    }
    for (int i = 0; i < 2; ++i) kav::pack::removePack(*owner, odd);  // the second finds nothing to delete
    EXPECT_EQ(kav::pack::packAdmissions(*owner), std::vector<std::string>{"110199990001"});
}

// A pack that cannot be stored is given up after a few tries; the scores stay.
TEST_P(PackStoreTest, APackThatCannotBeStoredLeavesTheScores) {
    std::string pack = "PK small";
    if (GetParam() == Backend::Server)
        pack.assign(kav::db::kMaxStoredPackBytes + 1, 'x');  // the server refuses it
    else
        kav::test::writeFile(dir / "packs", "a file where the folder of packs belongs");
    int waits = 0;
    EXPECT_EQ(kav::station::writeExamReportUntilStored(*station, reportOf("110199990003", 77, pack), [&] { ++waits; }),
              1);
    EXPECT_EQ(waits, kav::station::kPackAttempts - 1);
    EXPECT_EQ(storedScore(*owner, "110199990003"), 77);
    if (GetParam() == Backend::Server) {
        EXPECT_EQ(kav::pack::loadPack(*owner, "110199990003"), std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, PackStoreTest, ::testing::Values(Backend::Files, Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

}  // namespace
