// kavtool lab-check, run as the built program on a teacher.mdb (and a
// teacher.udl when a test server is configured); network file system names.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <regex>

#include "common/db/network_fs.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/station/heartbeat.h"
#include "common/station/station.h"
#include "tests/db/test_backend.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kav::db;

std::string lastLine(const std::string& out) {
    std::string text = out;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
}

TEST(LabCheck, UsageErrorsExitWithTwo) {
    kav::test::TempDir dir;
    for (const char* args : {"lab-check", "lab-check teacher.mdb", "lab-check teacher.mdb --stations",
                             "lab-check teacher.mdb --stations 0", "lab-check teacher.mdb --stations 3x",
                             "lab-check teacher.mdb --stations 2 --fast", "lab-check a b --stations 2"})
        EXPECT_EQ(kav::test::runKavtool(args, dir.path()).status, 2) << args;
}

// A station heard from in the last minute in a phase other than splash or
// ended means an exam may be running: the check refuses and names it.
TEST(LabCheck, RefusesWhileAnExamMayBeRunningUnlessToldYes) {
    using kav::station::StationPhase;
    kav::test::TempDir dir;
    createDatabase(dir / "teacher.mdb", DatabaseKind::Teacher);
    auto teacher = connectPath(dir / "teacher.mdb");
    struct Case {
        const char* name;
        int korl;
        std::optional<StationPhase> phase;  // of station pc07's heartbeat, none when it has none
        int silentSeconds;
        bool refused;
    } cases[] = {{"practice mode", 2, {}, 0, true},
                 {"collecting", 3, {}, 0, true},
                 {"a station in the exam", 1, StationPhase::Exam, 5, true},
                 {"a station at its login", 1, StationPhase::Login, 5, true},
                 {"a station whose exam ended", 1, StationPhase::Ended, 5, false},
                 {"a station silent for two minutes", 1, StationPhase::Exam, 120, false}};
    for (const Case& c : cases) {
        auto state = teacher->openTable("state");
        kav::station::StationRecord record;
        record.korl = c.korl;
        kav::station::writeStation(*state, record);
        auto heartbeat = teacher->openTable("heartbeat");
        while (heartbeat->recordCount() > 0) heartbeat->remove();
        if (c.phase) {
            kav::station::Heartbeat h;
            h.station = "pc07";
            h.admission = "110100000007";
            h.phase = *c.phase;
            kav::station::writeHeartbeat(*teacher, h);
            heartbeat->requery();
            heartbeat->edit();
            heartbeat->field("written_at").setDateTime(
                kav::DateTime::fromOleDays(kav::DateTime::nowLocal().toOleDays() - c.silentSeconds / 86400.0));
            heartbeat->post();
        }
        const auto run = kav::test::runKavtool("lab-check teacher.mdb --stations 1", dir.path());
        EXPECT_EQ(run.status, c.refused ? 1 : 0) << c.name << ": " << run.out << run.err;
        EXPECT_EQ(run.err.find("refused") != std::string::npos, c.refused) << c.name << ": " << run.err;
        if (c.refused && c.phase) {
            EXPECT_NE(run.err.find("pc07"), std::string::npos) << c.name << ": the station is named: " << run.err;
        }
        EXPECT_EQ(kav::station::readStation(*teacher->openTable("state")).korl, c.korl) << c.name << ": as found";
    }
}

// A small lab on either backend: every station reports once, and the check
// leaves the database as it found it.
class LabCheckRun : public ::testing::TestWithParam<kav::test::Backend> {};

TEST_P(LabCheckRun, EveryStationReportsOnceAndTheDatabaseIsLeftAsFound) {
    KAV_SKIP_WITHOUT_SERVER(GetParam());
    kav::test::TempDir dir;
    kav::test::TestDatabase teacher(GetParam(), DatabaseKind::Teacher, dir.path());
    std::string target = "teacher.mdb";
    if (GetParam() == kav::test::Backend::Server) {
        kav::test::writeFile(dir / "teacher.udl", "[oledb]\r\n" + teacher.connectionString() + "\r\n");
        target = "teacher.udl";
    }
    auto connection = teacher.open();
    {
        auto score = connection->openTable("score");
        score->append();
        score->field("zkzh").setString("110100000001");  // an old report stays
        score->post();
    }
    const auto run = kav::test::runKavtool("lab-check " + target + " --stations 3", dir.path());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const std::string line = lastLine(run.out);
    EXPECT_TRUE(std::regex_match(line, std::regex("lab-check: 3 stations, 3 reported, 0 lost, 0 duplicated, "
                                                  "collection [0-9]+\\.[0-9]{2} s, poll p99 [0-9]+ ms")))
        << line;
    EXPECT_NE(run.out.find("lab-check: 3 work packs stored and read back, 0 missing or unreadable; the last stored "),
              std::string::npos) << run.out;
    EXPECT_EQ(connection->openTable("score")->recordCount(), 1);
    EXPECT_EQ(connection->openTable("condition")->recordCount(), 0);
    EXPECT_EQ(kav::pack::packAdmissions(*connection), std::vector<std::string>{}) << "the check's packs are deleted";
    EXPECT_EQ(connection->openTable("heartbeat")->recordCount(), 0) << "the simulated stations' heartbeats go too";
    EXPECT_EQ(kav::station::readStation(*connection->openTable("state")).korl, kav::station::korlOf(kav::station::StationMode::Exam));
}

INSTANTIATE_TEST_SUITE_P(Backends, LabCheckRun,
                         ::testing::Values(kav::test::Backend::Files, kav::test::Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

// A command that leaves a process behind (a restarted server does) holds none
// of the check's pipes: the stations still hear the end and the check ends.
TEST(LabCheck, AProcessLeftBehindByTheCommandDoesNotHoldTheCheck) {
    kav::test::TempDir dir;
    createDatabase(dir / "teacher.mdb", DatabaseKind::Teacher);
    const auto started = std::chrono::steady_clock::now();
    const auto run = kav::test::runKavtool(
        "lab-check teacher.mdb --stations 2 --during-collection "
        "'sleep 90 </dev/null >/dev/null 2>&1 & echo $! > sleeper.pid'",
        dir.path());
    const auto took = std::chrono::steady_clock::now() - started;
    std::ifstream pidFile(dir / "sleeper.pid");
    pid_t sleeper = 0;
    pidFile >> sleeper;
    if (sleeper > 0) kill(sleeper, SIGTERM);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_GT(sleeper, 0);
    EXPECT_LT(took, std::chrono::seconds(60)) << "the check waited for the process the command left behind";
}

// A private server of its own with room for a few sessions only (on a free
// port, in a folder of its own that the server's user may enter; stopped and
// removed with the test).
class SmallServer {
public:
    explicit SmallServer(int maxConnections) {
        char folder[] = "/tmp/kav-small-pg.XXXXXX";
        if (!mkdtemp(folder)) return;
        folder_ = folder;
        port_ = freePort();
        const std::string script = (kav::test::sourceDir() / "scripts" / "pg-server.sh").string();
        running_ = port_ != 0 && run("KAV_PG_OWNER_PASSWORD=" + std::string(kOwnerPassword) + " KAV_PG_MAX_CONNECTIONS=" + std::to_string(maxConnections) + " " + script + " start " +
                       folder_.string() + " " + std::to_string(port_) + " >/dev/null") == 0;
        const std::string admin = "psql -h " + folder_.string() + " -p " + std::to_string(port_) +
                                  " -U postgres -v ON_ERROR_STOP=1 -q";
        started_ = running_ && run(admin + " -d postgres -c 'CREATE DATABASE kavlab OWNER kav_owner'") == 0 &&
                   run("PGUSER=kav_owner " + kav::test::kavtoolPath().string() + " init-db --print-admin-sql | " +
                       admin + " -d kavlab >/dev/null") == 0;
    }
    ~SmallServer() {
        if (folder_.empty()) return;
        if (running_) run((kav::test::sourceDir() / "scripts" / "pg-server.sh").string() + " stop " + folder_.string());
        std::filesystem::remove_all(folder_);
    }
    bool started() const { return started_; }
    int port() const { return port_; }
    static constexpr const char* kOwnerPassword = "kav-owner-small";

private:
    static int run(const std::string& command) { return std::system(command.c_str()); }
    static int freePort() {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                           getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        close(s);
        return bound ? ntohs(address.sin_port) : 0;
    }
    std::filesystem::path folder_;
    int port_ = 0;
    bool running_ = false, started_ = false;
};

// A server with room for fewer stations than the lab has: init-db says so, and
// lab-check refuses to count the stations that cannot connect as lost.
TEST(LabCheck, AServerWithoutRoomForEveryStationIsNamedPlainly) {
    KAV_SKIP_WITHOUT_SERVER(kav::test::Backend::Server);
    kav::test::TempDir dir;
    // 8 sessions, 3 of them the administrator's: 5 for the roles, 1 of which
    // the command itself takes; room for 2 stations of two sessions.
    SmallServer server(8);
    ASSERT_TRUE(server.started());
    kav::test::writeFile(dir / "teacher.udl", "[oledb]\r\nProvider=PostgreSQL;Data Source=\"postgresql://127.0.0.1:" +
                                                  std::to_string(server.port()) +
                                                  "/kavlab\";Jet OLEDB:Database Password=\"\";Persist Security Info=False\r\n");
    // kavtool is the owner of this machine.
    setenv("PGUSER", "kav_owner", 1);
    setenv("PGPASSWORD", SmallServer::kOwnerPassword, 1);
    const auto init = kav::test::runKavtool("init-db teacher.udl --stations 5", dir.path());
    EXPECT_EQ(init.status, 0) << init.err;
    EXPECT_NE(init.out.find("room for 2 stations"), std::string::npos) << init.out;
    EXPECT_NE(init.out.find("warning: 5 stations need 10 sessions, but the server has 5 for ordinary roles and 1 are "
                            "in use: 3 stations cannot connect"),
              std::string::npos)
        << init.out;
    const auto check = kav::test::runKavtool("lab-check teacher.udl --stations 5", dir.path());
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.err.find("lab-check: refused: 5 stations need 10 sessions"), std::string::npos) << check.err;
    EXPECT_NE(check.err.find("raise max_connections"), std::string::npos) << check.err;
}

TEST(NetworkFileSystem, TypesAreNamedAndLocalDiskIsNot) {
    const std::pair<long, const char*> cases[] = {
        {0x6969, "NFS"}, {0x517B, "SMB"}, {static_cast<long>(0xFE534D42u), "SMB"},
        {static_cast<long>(0xFF534D42u), "CIFS"}, {0xEF53, nullptr} /* ext4 */, {0x01021994, nullptr} /* tmpfs */};
    for (const auto& [type, name] : cases) {
        const auto found = networkFileSystemName(type);
        EXPECT_EQ(found.has_value(), name != nullptr) << std::hex << type;
        if (found && name) {
            EXPECT_EQ(*found, name);
        }
    }
    kav::test::TempDir dir;
    EXPECT_EQ(networkFileSystemOf(dir / "teacher.mdb"), std::nullopt) << "a temporary folder is local";
}

}  // namespace
