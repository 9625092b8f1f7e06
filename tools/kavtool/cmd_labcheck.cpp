// kavtool lab-check TEACHERDB --stations N [--yes] [--during-collection CMD]:
// a pre-exam check of the real teacher database. N simulated stations, each a
// process of its own with its own drive c: and stu.mdb, run the client's
// start-up reads, its 2-second poll with its heartbeat, and its report with a
// small work pack; the check sets its own collection order and measures.
//
// The order is a station mode of the check's own (kLabCheckCollection), which
// only the simulated stations act on: a real client takes it for no change, so
// the check never collects a candidate, even when told --yes.
//
// "collection" is the teacher's view: from the moment forced collection is
// set to the moment the last report is stored. It includes the wait until each
// station's poll sees the order (on a database file its next poll, up to one
// poll interval, 2 s; on a lab server the change is announced at once); the line
// before the last one gives the two parts apart.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "common/core/datetime.h"
#include "common/db/network_fs.h"
#include "common/db/postgres_backend.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "common/platform/platform.h"
#include "common/station/heartbeat.h"
#include "common/station/poll.h"
#include "common/station/report.h"
#include "common/station/station.h"
#include "tools/kavtool/command.h"

namespace {

namespace fs = std::filesystem;
namespace db = kav::db;
namespace station = kav::station;
using Clock = std::chrono::steady_clock;  // one clock for every process of this machine
using kavtool::UsageError;

constexpr auto kPollInterval = std::chrono::milliseconds(2000);
// A station heard from this recently in a phase other than splash or ended may be examining.
constexpr int kRecentHeartbeatSeconds = 60;
// The check's collection order: outside the modes 1-4 a console sets, so a real client ignores it.
constexpr int kLabCheckCollection = 13;
constexpr auto kStationTimeout = std::chrono::seconds(120);

// The admission number of simulated station i: "LC" and ten digits, never a candidate's.
std::string simulatedZkzh(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "LC%010d", i);
    return text;
}

// The name of simulated station i (its role's on a lab server).
std::string simulatedStation(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "lc%04d", i);
    return text;
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// A station's own stu.mdb with the candidate's roster row and exam record.
void prepareStudentFile(const fs::path& folder, const std::string& zkzh) {
    db::createDatabase(folder / "stu.mdb", db::DatabaseKind::Student);
    auto stu = db::connectFile("stu.mdb", folder);
    auto student = stu->openTable("student");
    student->append();
    student->field("zkzh").setString(zkzh);
    student->field("ksxm").setString("lab-check");
    student->field("kstime").setDateTime(kav::DateTime::nowLocal());
    for (const char* column : {"kscj", "win_cj", "select_cj", "dz_cj", "word_cj"}) student->field(column).setInteger(0);
    student->post();
    auto ct = stu->openTable("ct");
    ct->append();
    ct->field("zkzh").setString(zkzh);
    ct->field("ksxm").setString("lab-check");
    ct->field("resttime").setString("1:30:00");
    ct->post();
}

// Sleeps until `until`: Due then, Announced when the poll told `announced`
// (a pipe it writes to) of a change before then, Stopped when the check has
// said stop (its end of the `stop` pipe closed).
enum class Wake { Due, Announced, Stopped };
Wake sleepUnlessWoken(int stop, int announced, Clock::time_point until) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) return Wake::Due;
        pollfd fds[2] = {{stop, POLLIN, 0}, {announced, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) return Wake::Stopped;
        if (ready <= 0) continue;
        if (fds[0].revents) return Wake::Stopped;  // end of file: the only thing ever "written" there
        for (char byte; read(announced, &byte, 1) == 1;) {
        }
        return Wake::Announced;
    }
}

// One simulated station. Like a real client it keeps its connection and its
// poll after its report, until the check says stop (as the teacher's end of
// the exam would): a station that went away at once would make the server
// tear down its session in the middle of the other stations' reports. It
// The work a simulated station packs: a candidate folder of the size the
// exam makes (a few small files and a document of about 20 KB).
std::string simulatedPack(const std::string& zkzh) {
    kav::pack::WorkPack work;
    work.admission = zkzh;
    work.name = "lab-check";
    work.packedAt = kav::DateTime::nowLocal();
    work.typedText = std::string(400, 'x');
    std::mt19937 random(std::hash<std::string>{}(zkzh));
    std::string document(20 * 1024, '\0');
    for (char& c : document) c = static_cast<char>(random());
    work.files = {{"TASK", kav::platform::kAttrDirectory, ""},
                  {"TASK/a.txt", kav::platform::kAttrArchive, "a"},
                  {"TASK/b.txt", kav::platform::kAttrArchive | kav::platform::kAttrReadOnly, "b"},
                  {"word.docx", kav::platform::kAttrArchive, document}};
    return kav::pack::writePack(work);
}

// The value below which p percent of `values` lie (0 for none); sorts them.
template <typename T>
double percentile(std::vector<T>& values, size_t p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return static_cast<double>(values[std::min(values.size() - 1, values.size() * p / 100)]);
}

// writes to `out`, each line after its index, "reported NOTICED_NS
// STORED_NS PACKED_NS" when its scores and then its pack are stored, then
// "polls AT_NS:POLL_US..." once stopped (a reading of an announced order as
// -1 - POLL_US); or "failed TEXT".
void runStation(const fs::path& teacherDb, const fs::path& folder, int index, int ready, int go, int stop, FILE* out) {
    const auto writeLine = [out, index](std::string line) {
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::fprintf(out, "%d %s\n", index, line.c_str());
        std::fflush(out);
    };
    bool signalled = false;  // the check waits for one byte from every station, started or failed
    try {
        const std::string zkzh = simulatedZkzh(index);
        fs::create_directories(folder / "c");
        setenv("KAVLOR_DRIVE_C", (folder / "c").c_str(), 1);
        prepareStudentFile(folder, zkzh);
        // Start-up: the teacher tables in the client's order, the station record and the update list.
        auto teacher = station::openStationTables(db::connectPath(teacherDb));
        station::readStation(teacher->table("state"));
        station::readUpdateList(teacher->table("updatefile"));
        auto stu = db::OpenTables(db::connectFile("stu.mdb", folder), db::kClientStudentTables);
        // The client's poll: a thread and a connection of its own, started with
        // the exam window; the time of each poll is what a lab must keep short.
        struct Timings {
            std::mutex mutex;
            std::vector<std::pair<std::int64_t, long>> polls;  // when each reading ended, and its time (see above)
        };
        auto timings = std::make_shared<Timings>();  // a poll still in flight may outlive this function
        station::StationPoll poll([teacherDb] { return db::connectPath(teacherDb); });
        poll.timePolls([timings](std::chrono::microseconds took, bool announced) {
            std::lock_guard lock(timings->mutex);
            const auto us = static_cast<long>(took.count());
            timings->polls.emplace_back(nowNs(), announced ? -1 - us : us);
        });
        station::Heartbeat heartbeat;
        heartbeat.station = simulatedStation(index);
        heartbeat.admission = zkzh;
        heartbeat.name = "lab-check";
        heartbeat.phase = station::StationPhase::Exam;
        heartbeat.remainingSeconds = 90 * 60;
        heartbeat.version = station::programVersion();
        poll.beat(heartbeat);
        // The station acts on an announced change at once, as the client does.
        // The pipe lives as long as the poll's work that may write to it.
        struct Pipe {
            int fd[2] = {-1, -1};
            ~Pipe() {
                for (int f : fd)
                    if (f >= 0) close(f);
            }
        };
        const auto announced = std::make_shared<Pipe>();
        if (pipe2(announced->fd, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        poll.listen([announced] {
            const char byte = 1;
            (void)!write(announced->fd[1], &byte, 1);
        });
        // The stations share this machine's processors, which a lab's stations
        // do not: each packs its work before the order, so that one station's
        // packing does not hold up another's report.
        const std::string pack = simulatedPack(zkzh);
        // The first poll (its connection made) has read before the station is ready.
        (void)poll.take(kStationTimeout);
        char byte = 1;
        signalled = true;
        if (write(ready, &byte, 1) != 1 || read(go, &byte, 1) < 0) throw std::runtime_error("lost the check");
        {
            std::lock_guard lock(timings->mutex);
            timings->polls.clear();  // the first poll's connection belongs to the start-up
        }
        // Polls start at a random moment of the interval, as stations started one by one do.
        std::mt19937 random(static_cast<unsigned>(index) * 7919u + static_cast<unsigned>(getpid()));
        bool reported = false;
        const auto deadline = Clock::now() + kStationTimeout;
        for (auto next = Clock::now() + std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 1999)(random));;) {
            const Wake wake = sleepUnlessWoken(stop, announced->fd[0], next);
            if (wake == Wake::Stopped) break;
            if (wake == Wake::Due) next += kPollInterval;
            if (!reported && Clock::now() > deadline) throw std::runtime_error("no forced collection seen");
            const auto korl = poll.take(station::kTickWait);
            if (reported || korl != kLabCheckCollection) continue;
            const std::int64_t noticed = nowNs();
            station::ExamReport report = station::readExamReport(stu.table("student"), stu.table("ct"));
            report.pack = [&pack] { return pack; };
            std::int64_t stored = 0;
            station::writeExamReportUntilStored(
                station::reportAccess(&poll, teacher->connection()), report,
                [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }, {}, [&] { stored = nowNs(); });
            reported = true;
            heartbeat.phase = station::StationPhase::Reported;
            heartbeat.lastReportAt = kav::DateTime::nowLocal();
            heartbeat.lastReportTotal = report.kscj;
            poll.beat(heartbeat);
            writeLine("reported " + std::to_string(noticed) + ' ' + std::to_string(stored) + ' ' +
                      std::to_string(nowNs()));
        }
        if (!reported) throw std::runtime_error("stopped before forced collection was seen");
        std::ostringstream polls;
        polls << "polls";
        std::lock_guard lock(timings->mutex);
        for (const auto& [at, us] : timings->polls) polls << ' ' << at << ':' << us;
        writeLine(polls.str());
    } catch (const std::exception& e) {
        std::string line = std::string("failed ") + e.what();
        char byte = 0;
        if (!signalled && write(ready, &byte, 1) != 1) line += " (and the check was lost)";
        writeLine(line);
    }
}

// The simulated stations' roles on a lab server, dropped when the check ends
// however it ends. Each station's data link is written into its folder.
class SimulatedStationRoles {
public:
    SimulatedStationRoles(const std::string& serverSource, const fs::path& work, int stations)
        : owner_(db::asOwner(serverSource)) {
        db::prepareStationGroup(owner_);
        for (int i = 0; i < stations; ++i) {
            const std::string password = db::newStationPassword();
            names_.push_back(name(i));
            const std::string role = db::provisionStation(owner_, names_.back(), password);
            fs::create_directories(work / std::to_string(i));
            std::ofstream(linkOf(work, i), std::ios::binary)
                << db::linkFileText(db::serverConnectionString(db::stationUri(serverSource, role, password)));
        }
    }
    ~SimulatedStationRoles() {
        for (const auto& n : names_) try {
                db::removeStation(owner_, n);
            } catch (const db::DbError& e) {
                std::fprintf(stderr, "lab-check: %s\n", e.what());
            }
    }
    SimulatedStationRoles(const SimulatedStationRoles&) = delete;
    SimulatedStationRoles& operator=(const SimulatedStationRoles&) = delete;

    static fs::path linkOf(const fs::path& work, int i) { return work / std::to_string(i) / "station.udl"; }

private:
    static std::string name(int i) { return simulatedStation(i); }
    std::string owner_;
    std::vector<std::string> names_;
};

// Why the server cannot take every station's two sessions; "" when it can.
std::string connectionShortfall(const std::string& serverSource, int stations) {
    return db::connectionShortfallText(db::connectionBudget(db::asOwner(serverSource)), stations);
}

// Runs an operation of the check itself, waiting while the server is away
// (a restart during the check must not leave the station record collecting).
template <class F>
auto whenReachable(F operation) {
    const auto deadline = Clock::now() + kStationTimeout;
    for (;;) {
        try {
            return operation();
        } catch (const db::DbUnavailable&) {
            if (Clock::now() > deadline) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
}

struct Options {
    fs::path teacherDb;
    int stations = 0;
    bool yes = false;
    std::string duringCollection;  // a shell command run once collection is set (a server restart)
};

Options parse(const kavtool::Args& args) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--yes") o.yes = true;
        else if (args[i] == "--during-collection" && i + 1 < args.size()) o.duringCollection = args[++i];
        else if (args[i] == "--stations" && i + 1 < args.size()) {
            try {
                size_t used = 0;
                o.stations = std::stoi(args[++i], &used);
                if (used != args[i].size()) o.stations = 0;
            } catch (const std::exception&) {
                o.stations = 0;
            }
            if (o.stations < 1 || o.stations > 1000) throw UsageError("--stations takes a number from 1 to 1000");
        } else if (o.teacherDb.empty() && !args[i].starts_with("--")) o.teacherDb = args[i];
        else throw UsageError("unexpected argument \"" + args[i] + "\"");
    }
    if (o.teacherDb.empty() || o.stations == 0) throw UsageError("expects TEACHERDB and --stations N");
    return o;
}

// Why the check must not run now: a real exam may be on. "" when it may.
std::string refusal(db::Connection& teacher) {
    const station::StationRecord record = station::readStation(*teacher.openTable("state"));
    if (record.korl != station::korlOf(station::StationMode::Exam))
        return "the station record is not in exam mode (korl " + std::to_string(record.korl) + ")";
    const kav::DateTime now = station::databaseNow(teacher);
    std::string stations;
    for (const station::Heartbeat& h : station::readHeartbeats(teacher))
        if (station::mayBeExamining(h, now, kRecentHeartbeatSeconds))
            stations += (stations.empty() ? "" : ", ") + h.station + " (" + std::string(station::phaseName(h.phase)) +
                        (h.admission.empty() ? "" : " " + h.admission) + ")";
    if (!stations.empty()) return "an exam may be running at " + stations;
    return "";
}

// The stations whose score or condition row is missing (lost) or there more
// than once (duplicated), and those whose work pack is missing or does not
// read back as their own.
struct ReportCount {
    int lost = 0, duplicated = 0, packsMissing = 0;
};
ReportCount countReports(db::Connection& teacher, int stations) {
    ReportCount count;
    for (int i = 0; i < stations; ++i) {
        bool missing = false, twice = false;
        for (const char* table : {"score", "condition"}) {
            const int rows = teacher.openKeyed(table, "zkzh", simulatedZkzh(i))->recordCount();
            missing = missing || rows == 0;
            twice = twice || rows > 1;
        }
        count.lost += missing ? 1 : 0;
        count.duplicated += twice ? 1 : 0;
        const auto pack = kav::pack::loadPack(teacher, simulatedZkzh(i));
        try {
            if (!pack || kav::pack::readPack(*pack).admission != simulatedZkzh(i)) ++count.packsMissing;
        } catch (const kav::pack::PackError&) {
            ++count.packsMissing;
        }
    }
    return count;
}

// Deletes the simulated stations' rows and heartbeats (what an interrupted run left too).
void removeReports(db::Connection& teacher, int stations) {
    const auto tables = teacher.tableNames();
    const bool heartbeats = std::find(tables.begin(), tables.end(), "heartbeat") != tables.end();
    for (int i = 0; i < stations; ++i)
        for (const auto& [table, column, key] : {std::tuple{"score", "zkzh", simulatedZkzh(i)},
                                                 std::tuple{"condition", "zkzh", simulatedZkzh(i)},
                                                 std::tuple{"heartbeat", "station", simulatedStation(i)}}) {
            if (std::string_view(table) == "heartbeat" && !heartbeats) continue;
            auto rows = teacher.openKeyed(table, column, key);
            while (rows->recordCount() > 0) {
                rows->first();
                rows->remove();
            }
        }
    for (int i = 0; i < stations; ++i) kav::pack::removePack(teacher, simulatedZkzh(i));
}

int labCheck(const kavtool::Args& args) {
    const Options o = parse(args);
    if (auto nfs = db::networkFileSystemOf(o.teacherDb))
        std::printf("lab-check: warning: %s is on a network file system (%s): SQLite's locking is unreliable "
                    "there; put the teacher tables on PostgreSQL (docs/admin-guide.md, \"A lab on PostgreSQL\")\n",
                    o.teacherDb.string().c_str(), nfs->c_str());
    auto teacher = db::connectTeacherAsOwner(o.teacherDb);
    if (!o.yes) {
        const std::string why = refusal(*teacher);
        if (!why.empty()) {
            std::fprintf(stderr, "lab-check: refused: %s (give --yes to run anyway)\n", why.c_str());
            return 1;
        }
    }
    auto state = teacher->openTable("state");
    const station::StationRecord found = station::readStation(*state);
    const fs::path work = fs::temp_directory_path() / ("kav-lab-check-" + std::to_string(getpid()));
    fs::create_directories(work);
    std::unique_ptr<SimulatedStationRoles> roles;
    if (teacher->onServer()) {
        const std::string source = db::serverDataSource(o.teacherDb);
        // A check whose stations cannot all connect would only count them lost.
        if (const std::string shortfall = connectionShortfall(source, o.stations); !shortfall.empty()) {
            std::fprintf(stderr, "lab-check: refused: %s\n", shortfall.c_str());
            return 1;
        }
        roles = std::make_unique<SimulatedStationRoles>(source, work, o.stations);
    }
    std::fflush(stdout);

    int ready[2], go[2], stop[2], results[2];
    // Closed on exec: a server started by the --during-collection command must not
    // keep the stations from seeing the end of `stop`.
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0 || pipe2(stop, O_CLOEXEC) != 0 ||
        pipe2(results, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make pipes");
    std::vector<pid_t> children;
    for (int i = 0; i < o.stations; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(go[1]);
            close(stop[1]);
            close(results[0]);
            FILE* out = fdopen(results[1], "w");
            runStation(roles ? SimulatedStationRoles::linkOf(work, i) : o.teacherDb, work / std::to_string(i), i,
                       ready[1], go[0], stop[0], out);
            _exit(0);
        }
        if (pid < 0) throw std::runtime_error("cannot start station " + std::to_string(i));
        children.push_back(pid);
    }
    close(ready[1]);
    close(go[0]);
    close(stop[0]);
    close(results[1]);
    // Every station has done its start-up or failed.
    int answered = 0;
    for (char byte; answered < o.stations && read(ready[0], &byte, 1) == 1;) ++answered;
    close(go[1]);  // releases every station at once
    // Let each station poll a few times in exam mode, then collect.
    std::this_thread::sleep_for(3 * kPollInterval);
    station::StationRecord collecting = found;
    collecting.korl = kLabCheckCollection;
    station::writeStation(*state, collecting);
    const std::int64_t collectAt = nowNs();
    std::int64_t commandEnded = 0;
    if (!o.duringCollection.empty()) {
        const int status = std::system(o.duringCollection.c_str());
        commandEnded = nowNs();
        std::printf("lab-check: \"%s\" ended %.2f s after collection was set, exit status %d\n",
                    o.duringCollection.c_str(), (commandEnded - collectAt) / 1e9, WEXITSTATUS(status));
        std::fflush(stdout);
    }

    int reported = 0, failed = 0;
    std::int64_t lastReport = collectAt, lastPack = collectAt, lastNotice = collectAt;
    std::vector<std::int64_t> reportTimes;  // from a station's notice to its scores stored
    // Each tick's poll (all, before and from the order on), each reading of an announced order.
    std::vector<long> polls, pollsBefore, pollsFrom, announcedReads;
    std::vector<bool> answeredBy(o.stations, false);  // reported or failed
    std::string firstFailure;
    bool stopped = false;
    const auto take = [&](const std::string& text) {
        std::istringstream line(text);
        int index = -1;
        std::string word;
        line >> index >> word;
        const bool known = index >= 0 && index < o.stations;
        if (word == "reported" && known && !answeredBy[index]) {
            ++reported;
            std::int64_t noticed = 0, at = 0, packed = 0;
            line >> noticed >> at >> packed;
            lastNotice = std::max(lastNotice, noticed);
            lastReport = std::max(lastReport, at);
            lastPack = std::max(lastPack, packed);
            reportTimes.push_back(at - noticed);
        } else if (word == "polls") {
            std::int64_t at = 0;
            long us = 0;
            for (char colon; line >> at >> colon >> us;) {
                if (us < 0) {
                    announcedReads.push_back(-1 - us);
                    continue;
                }
                polls.push_back(us);
                (at < collectAt ? pollsBefore : pollsFrom).push_back(us);
            }
            return;
        } else if (!known || !answeredBy[index]) {
            ++failed;
            if (firstFailure.empty()) firstFailure = text + "\n";
        }
        if (known) answeredBy[index] = true;
    };
    // A station that ended before the check let it go (killed, crashed) never
    // says so itself: its process is reaped and counted as failed, so that the
    // others are let go and the check ends.
    std::vector<bool> running(o.stations, true);
    const auto reapEnded = [&] {
        for (int i = 0; i < o.stations; ++i) {
            if (!running[i]) continue;
            int status = 0;
            if (waitpid(children[i], &status, WNOHANG) != children[i]) continue;
            running[i] = false;
            if (!answeredBy[i])
                take(std::to_string(i) + " failed station " + std::to_string(i) + " ended without a word (" +
                     (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                          : "exit status " + std::to_string(WEXITSTATUS(status))) +
                     ")");
        }
    };
    std::string pending;
    for (char chunk[1 << 16];;) {
        // Every station has reported or failed: the exam ends, the stations go.
        if (!stopped && reported + failed >= o.stations) {
            close(stop[1]);
            stopped = true;
        }
        pollfd fd{results[0], POLLIN, 0};
        if (::poll(&fd, 1, 500) == 0) {
            if (!stopped) reapEnded();
            continue;
        }
        const ssize_t got = read(results[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // every station has ended
        pending.append(chunk, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            take(pending.substr(0, end));
    }
    close(results[0]);
    if (!stopped) close(stop[1]);
    for (int i = 0; i < o.stations; ++i)
        if (running[i]) waitpid(children[i], nullptr, 0);
    failed += std::max(0, o.stations - reported - failed);  // stations that ended without a word

    whenReachable([&] {
        state->requery();
        station::writeStation(*state, found);
    });
    // Counted in full before anything is deleted, so that a count begun again counts the same rows.
    const auto [lost, duplicated, packsMissing] = whenReachable([&] { return countReports(*teacher, o.stations); });
    whenReachable([&] { removeReports(*teacher, o.stations); });
    roles.reset();
    fs::remove_all(work);

    if (!firstFailure.empty()) std::printf("lab-check: first failure: %s", firstFailure.c_str());
    std::printf("lab-check: %d work packs stored and read back, %d missing or unreadable; the last stored %.2f s "
                "after the order\n",
                o.stations - packsMissing, packsMissing, (lastPack - collectAt) / 1e9);
    std::printf("lab-check: the last station saw the order %.2f s after it was set; a report took %.0f ms "
                "(median), %.0f ms (p99), %.0f ms (max) from its station's notice to stored\n",
                (lastNotice - collectAt) / 1e9, percentile(reportTimes, 50) / 1e6, percentile(reportTimes, 99) / 1e6,
                percentile(reportTimes, 100) / 1e6);
    // On a lab server the order wakes every station at once: no tick waits
    // for those readings, which are given apart.
    std::printf("lab-check: a tick's poll took %.0f ms (median), %.0f ms (p99) before the order (%zu polls), "
                "%.0f ms (median), %.0f ms (p99) from the order on (%zu polls); an announced order was read in "
                "%.0f ms (median), %.0f ms (p99) (%zu readings)\n",
                percentile(pollsBefore, 50) / 1e3, percentile(pollsBefore, 99) / 1e3, pollsBefore.size(),
                percentile(pollsFrom, 50) / 1e3, percentile(pollsFrom, 99) / 1e3, pollsFrom.size(),
                percentile(announcedReads, 50) / 1e3, percentile(announcedReads, 99) / 1e3, announcedReads.size());
    if (commandEnded)
        std::printf("lab-check: the last report was stored %.2f s after the command ended\n",
                    std::max<std::int64_t>(0, lastReport - commandEnded) / 1e9);
    std::printf("lab-check: %d stations, %d reported, %d lost, %d duplicated, collection %.2f s, poll p99 %ld ms\n",
                o.stations, reported, lost, duplicated, (lastReport - collectAt) / 1e9, static_cast<long>(percentile(polls, 99) / 1000));
    return lost != 0 || duplicated != 0 || failed != 0 || packsMissing != 0 ? 1 : 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{
    "lab-check", "lab-check TEACHERDB --stations N [--yes] [--during-collection CMD]",
    "N simulated stations (processes) poll and report to the teacher database under forced collection; "
    "refuses while an exam may be running unless --yes; CMD (such as a server restart) runs once collection is set",
    labCheck});
