// A report under faults: posts made in one transaction are stored together or
// not at all; a station killed in the middle of its report leaves no partial
// row and reports once when it starts again; a retry after a commit whose reply
// was lost updates the rows the commit stored.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <random>
#include <thread>

#include "common/station/report.h"
#include "tests/db/loss_proxy.h"
#include "tests/db/test_backend.h"
#include "tests/support/temp_dir.h"

using namespace kav::db;
using kav::test::Backend;

namespace {

class ReportFaultTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(GetParam());
        teacher = std::make_unique<kav::test::TestDatabase>(GetParam(), DatabaseKind::Teacher, dir.path());
    }
    // How many rows of the table each admission number has.
    std::map<std::string, int> rowsByCandidate(const std::string& table) const {
        auto cursor = teacher->open()->openTable(table);
        std::map<std::string, int> rows;
        for (cursor->first(); cursor->recordCount() > 0 && !cursor->eof(); cursor->next())
            ++rows[cursor->field("zkzh").asString()];
        return rows;
    }
    static kav::station::ExamReport reportOf(const std::string& zkzh, int score) {
        kav::station::ExamReport r;
        r.zkzh = zkzh;
        r.ksxm = "考生" + zkzh;
        r.kscj = score;
        r.winCondiction = std::string(300, 'w');  // a memo worth writing
        r.selArr3 = r.dzResult = r.wordResult = " ";
        r.resttime = "0:10:00";
        return r;
    }

    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> teacher;
};

void appendScore(Connection& c, const std::string& zkzh, int score) {
    auto rows = c.openTable("score");
    rows->append();
    rows->field("zkzh").setString(zkzh);
    rows->field("kscj").setInteger(score);
    rows->post();
}

TEST_P(ReportFaultTest, PostsInATransactionAreStoredTogetherOrNotAtAll) {
    auto station = teacher->open();
    appendScore(*station, "earlier", 1);
    struct Case {
        const char* name;
        bool workThrows;
    } cases[] = {{"work returns", false}, {"work throws", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string zkzh = c.name;
        auto work = [&] {
            appendScore(*station, zkzh, 2);
            auto earlier = station->openKeyed("score", "zkzh", "earlier");
            earlier->edit();
            earlier->field("kscj").setInteger(earlier->field("kscj").asInteger() + 1);
            earlier->post();
            auto condition = station->openTable("condition");
            condition->append();
            condition->field("zkzh").setString(zkzh);
            condition->post();
            if (c.workThrows) throw std::runtime_error("the station stops");
        };
        const int earlierBefore = rowsByCandidate("score").count("earlier");
        if (c.workThrows) EXPECT_THROW(station->transaction(work), std::runtime_error);
        else EXPECT_NO_THROW(station->transaction(work));
        const int stored = c.workThrows ? 0 : 1;
        EXPECT_EQ(rowsByCandidate("score")[zkzh], stored);
        EXPECT_EQ(rowsByCandidate("condition")[zkzh], stored);
        EXPECT_EQ(rowsByCandidate("score").count("earlier"), earlierBefore);
    }
    // Only the transaction that returned raised the earlier score.
    EXPECT_EQ(teacher->open()->openKeyed("score", "zkzh", "earlier")->field("kscj").asInteger(), 2);

    // Transactions do not nest; the connection writes on afterwards.
    EXPECT_THROW(station->transaction([&] { station->transaction([] {}); }), DbError);
    appendScore(*station, "after", 3);
    EXPECT_EQ(rowsByCandidate("score")["after"], 1);
}

// A child process reports one candidate after another until it is killed; the
// parent kills it at a random moment once it has started, then does what the
// station's next start does: reports the candidate it was busy with once more.
TEST_P(ReportFaultTest, AStationKilledInTheMiddleOfAReportLeavesNoPartialRowAndReportsOnceAgain) {
    constexpr int kRounds = 12;
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string prefix = "K" + std::to_string(round) + "-";
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(started[0]);
            try {
                auto station = teacher->open();
                kav::station::writeExamReport(*station, reportOf(prefix + "0", 0));
                if (write(started[1], "s", 1) != 1) _exit(3);
                for (int i = 1;; ++i) kav::station::writeExamReport(*station, reportOf(prefix + std::to_string(i), i));
            } catch (...) {
                _exit(2);
            }
        }
        close(started[1]);
        char byte = 0;
        const bool childStarted = read(started[0], &byte, 1) == 1;
        close(started[0]);
        if (childStarted) usleep(std::uniform_int_distribution<useconds_t>(0, 30'000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(childStarted) << "the child failed before its first report, status " << status;
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself, status " << status;

        // No partial row: every candidate has both rows or neither, once.
        auto scores = rowsByCandidate("score"), conditions = rowsByCandidate("condition");
        int reported = 0;
        for (const auto& [zkzh, count] : scores) {
            if (zkzh.rfind(prefix, 0) != 0) continue;
            ++reported;
            EXPECT_EQ(count, 1) << zkzh;
            EXPECT_EQ(conditions[zkzh], 1) << zkzh << " has a score but no exam record";
        }
        for (const auto& [zkzh, count] : conditions) {
            if (zkzh.rfind(prefix, 0) == 0) {
                EXPECT_EQ(scores[zkzh], 1) << zkzh << " has an exam record but no score";
            }
        }

        // The next start reports the candidate whose report was cut off (the
        // next one) and may report the last one stored again.
        auto restarted = teacher->open();
        for (int i : {reported - 1, reported}) kav::station::writeExamReport(*restarted, reportOf(prefix + std::to_string(i), 100));
        scores = rowsByCandidate("score");
        conditions = rowsByCandidate("condition");
        for (int i : {reported - 1, reported}) {
            const std::string zkzh = prefix + std::to_string(i);
            EXPECT_EQ(scores[zkzh], 1) << zkzh;
            EXPECT_EQ(conditions[zkzh], 1) << zkzh;
        }
    }
}

// A connection whose transactions fail a given number of times before they
// reach the database, with the given error.
class FailingConnection final : public Connection {
public:
    FailingConnection(Connection& inner, int failures, bool unavailable)
        : inner_(inner), failures_(failures), unavailable_(unavailable) {}
    std::unique_ptr<Cursor> openTable(std::string_view name) override { return inner_.openTable(name); }
    std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column, const Value& value) override {
        return inner_.openKeyed(table, column, value);
    }
    std::vector<std::string> tableNames() override { return inner_.tableNames(); }
    bool onServer() const override { return inner_.onServer(); }
    int delayPasswordLevel(std::string_view typed) override { return inner_.delayPasswordLevel(typed); }
    std::string dataSource() const override { return inner_.dataSource(); }
    void setSecureDelete(bool on) override { inner_.setSecureDelete(on); }
    void checkpoint() override { inner_.checkpoint(); }
    void transaction(const std::function<void()>& work) override {
        failIfDue();
        inner_.transaction(work);
    }
    void callServerFunction(std::string_view name, const std::vector<Value>& arguments) override {
        failIfDue();
        inner_.callServerFunction(name, arguments);
    }

private:
    void failIfDue() {
        if (failures_-- > 0) {
            if (unavailable_) throw DbUnavailable("the server is away");
            throw DbError("permission denied for table score");
        }
    }
    Connection& inner_;
    int failures_;
    bool unavailable_;
};

TEST_P(ReportFaultTest, TheCallersThreadRunsOnWhileTheReportWaitsAndReturnsOnlyOnceItIsStored) {
    struct Case {
        const char* name;
        int failures;
        bool unavailable;
        int attempts;
    } cases[] = {
        {"stored at once", 0, true, 1},
        {"server away three times", 3, true, 4},
        {"refused twice (a read-only session)", 2, false, 3},
    };
    auto station = teacher->open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FailingConnection connection(*station, c.failures, c.unavailable);
        const auto report = reportOf(std::string("T-") + c.name, 75);
        const auto caller = std::this_thread::get_id();
        std::atomic<int> waits{0}, callerTurns{0};
        std::atomic<bool> workerOnCallersThread{false};
        // Each wait of the worker lasts until the caller's thread has taken a turn.
        auto wait = [&] {
            workerOnCallersThread = workerOnCallersThread || std::this_thread::get_id() == caller;
            const int turnsBefore = callerTurns;
            for (int i = 0; i < 2000 && callerTurns == turnsBefore; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++waits;
        };
        bool storedWhenReturned = false;
        auto waitUntil = [&](const std::function<bool()>& done) {
            while (!done()) {
                ++callerTurns;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            storedWhenReturned = rowsByCandidate("score")[report.zkzh] == 1;
        };
        EXPECT_EQ(kav::station::writeExamReportOffThread(connection, report, wait, waitUntil), c.attempts);
        EXPECT_FALSE(workerOnCallersThread);
        EXPECT_EQ(waits, c.failures);
        EXPECT_TRUE(storedWhenReturned);
        EXPECT_EQ(rowsByCandidate("score").count(report.zkzh), 1u);
        EXPECT_EQ(rowsByCandidate("condition").count(report.zkzh), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ReportFaultTest, ::testing::Values(Backend::Files, Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

// The server commits the report, then the station's connection breaks before
// the reply arrives: the station sees the server as away and tries again.
TEST(LostCommitReply, TheRetryUpdatesTheRowsTheLostCommitStored) {
    KAV_SKIP_WITHOUT_SERVER(Backend::Server);
    kav::test::TempDir dir;
    kav::test::TestDatabase teacher(Backend::Server, DatabaseKind::Teacher, dir.path());
    kav::test::LossProxy proxy(kav::test::testServer());
    ConnectionString cs = ConnectionString::parse(teacher.connectionString());
    cs.dataSource += " host=127.0.0.1 port=" + std::to_string(proxy.port()) + " sslmode=disable gssencmode=disable";
    auto station = connect(cs.toString(), {});

    struct Case {
        const char* name;
        bool reportedBefore;
    } cases[] = {{"first report", false}, {"report sent again", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string zkzh = c.reportedBefore ? "110100000009" : "110100000008";
        auto report = [&](int score) {
            kav::station::ExamReport r;
            r.zkzh = zkzh;
            r.kscj = score;
            r.winCondiction = "w" + std::to_string(score);
            return r;
        };
        if (c.reportedBefore) kav::station::writeExamReport(*station, report(50));
        auto rowsOf = [&](const char* table) { return teacher.open()->openKeyed(table, "zkzh", zkzh); };

        proxy.dropReplyToNextCommit();
        std::vector<int> scoresSeenWhileAway;
        const int attempts = kav::station::writeExamReportUntilStored(*station, report(88), [&] {
            scoresSeenWhileAway.push_back(static_cast<int>(rowsOf("score")->field("kscj").asInteger()));
        });
        EXPECT_EQ(proxy.repliesDropped(), 1);
        EXPECT_EQ(attempts, 2);
        EXPECT_EQ(scoresSeenWhileAway, std::vector<int>{88}) << "the lost commit was stored";
        for (const char* table : {"score", "condition"}) EXPECT_EQ(rowsOf(table)->recordCount(), 1) << table;
        EXPECT_EQ(rowsOf("condition")->field("win_condiction").asString(), "w88");
        proxy.resetCounts();
    }
}

}  // namespace
