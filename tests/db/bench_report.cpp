// The report of an exam at lab scale: N processes, each with its own connection,
// all released at once to report one candidate each to the same teacher
// database, after K reports of other candidates are already in it. Prints the
// burst time (release to the last report stored), the single reports' median
// and p99, and what was lost or duplicated.
//   bench_report [--processes N] [--rows K] [TEACHERDB]
// TEACHERDB is a teacher.mdb or a teacher.udl; without it a new teacher.mdb
// in a temporary folder is used.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/station/report.h"
#include "tests/support/temp_dir.h"

namespace {

namespace db = kav::db;
using Clock = std::chrono::steady_clock;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

kav::station::ExamReport reportOf(const std::string& zkzh) {
    kav::station::ExamReport r;
    r.zkzh = zkzh;
    r.ksxm = "bench";
    r.kstime = kav::DateTime::nowLocal();
    r.kscj = 60;
    r.selArr1 = "1,2,3";
    r.selArr3 = r.dzResult = r.wordResult = " ";
    r.resttime = "0:10:00";
    return r;
}

std::string zkzhOf(const char* prefix, int i) {
    char text[24];
    std::snprintf(text, sizeof text, "%s%09d", prefix, i);
    return text;
}

struct Burst {
    double seconds = 0, medianMs = 0, p99Ms = 0;
    int lost = 0, duplicated = 0, failed = 0;
};

Burst burst(const std::filesystem::path& teacherDb, int processes, const char* prefix) {
    int ready[2], go[2], stop[2], results[2];
    if (pipe(ready) || pipe(go) || pipe(stop) || pipe(results)) throw std::runtime_error("pipe");
    std::vector<pid_t> children;
    for (int i = 0; i < processes; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(go[1]);
            close(stop[1]);
            close(results[0]);
            std::int64_t times[2] = {0, 0};
            char byte = 1;
            try {
                auto teacher = db::connectPath(teacherDb);
                const auto report = reportOf(zkzhOf(prefix, i));
                if (write(ready[1], &byte, 1) != 1 || read(go[0], &byte, 1) < 0) _exit(1);
                times[0] = nowNs();
                // As the client reports: a busy or unreachable database is waited for.
                kav::station::writeExamReportUntilStored(*teacher, report, [] { usleep(50'000); });
                times[1] = nowNs();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "process %d: %s\n", i, e.what());
                if (write(ready[1], &byte, 1) != 1) _exit(1);
            }
            if (write(results[1], times, sizeof times) != sizeof times) _exit(1);
            // Like a station, the process keeps its connection after its report
            // until the burst is over, so that no session ends in the middle of it.
            while (read(stop[0], &byte, 1) > 0) {
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    close(ready[1]);
    close(go[0]);
    close(stop[0]);
    close(results[1]);
    char byte;
    for (int n = 0; n < processes && read(ready[0], &byte, 1) == 1; ++n) {
    }
    const std::int64_t released = nowNs();
    close(go[1]);  // every process starts its report now
    Burst b;
    std::vector<double> reports;
    std::int64_t last = released;
    // Every process writes one record; one that died without it is waited for at most 2 minutes.
    pollfd pending{results[0], POLLIN, 0};
    std::int64_t times[2];
    for (int n = 0; n < processes && poll(&pending, 1, 120'000) > 0 && read(results[0], times, sizeof times) == sizeof times;
         ++n) {
        if (times[1] == 0) {
            ++b.failed;
            continue;
        }
        reports.push_back((times[1] - times[0]) / 1e6);
        last = std::max(last, times[1]);
    }
    close(stop[1]);  // the burst is over: the processes end
    close(results[0]);
    for (pid_t pid : children) waitpid(pid, nullptr, 0);
    b.seconds = (last - released) / 1e9;
    std::sort(reports.begin(), reports.end());
    if (!reports.empty()) {
        b.medianMs = reports[reports.size() / 2];
        b.p99Ms = reports[std::min(reports.size() - 1, reports.size() * 99 / 100)];
    }
    auto teacher = db::connectPath(teacherDb, db::ServerRole::Owner);
    for (int i = 0; i < processes; ++i)
        for (const char* table : {"score", "condition"}) {
            const int rows = teacher->openKeyed(table, "zkzh", zkzhOf(prefix, i))->recordCount();
            b.lost += rows == 0;
            b.duplicated += rows > 1;
        }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    int processes = 200, rows = 2000;
    std::filesystem::path teacherDb;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--processes" && i + 1 < argc) processes = std::stoi(argv[++i]);
        else if (arg == "--rows" && i + 1 < argc) rows = std::stoi(argv[++i]);
        else teacherDb = arg;
    }
    kav::test::TempDir dir;
    if (teacherDb.empty()) {
        teacherDb = dir / "teacher.mdb";
        db::createDatabase(teacherDb, db::DatabaseKind::Teacher);
    }
    std::printf("reports to %s, %d processes released at once\n", teacherDb.string().c_str(), processes);
    // First with the tables as they are, then after `rows` more candidates have reported.
    Burst before = burst(teacherDb, processes, "BA");
    {
        auto teacher = db::connectPath(teacherDb, db::ServerRole::Owner);
        for (int i = 0; i < rows; ++i) kav::station::writeExamReport(*teacher, reportOf(zkzhOf("BF", i)));
    }
    Burst after = burst(teacherDb, processes, "BB");
    for (const auto& [label, b] : {std::pair{"empty tables", before}, std::pair{"after more reports", after}})
        std::printf("%-20s burst %.2f s, report median %.1f ms, p99 %.1f ms, lost %d, duplicated %d, failed %d\n",
                    label, b.seconds, b.medianMs, b.p99Ms, b.lost, b.duplicated, b.failed);
    std::printf("rows already reported before the second burst: %d\n", processes + rows);
    return before.lost + before.duplicated + before.failed + after.lost + after.duplicated + after.failed == 0 ? 0 : 1;
}
