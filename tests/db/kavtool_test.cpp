// kavtool init-db, tables, dump and station, and the commands on a lab server, run as the built program.
#include <gtest/gtest.h>


#include <chrono>
#include <cstdlib>
#include <sstream>

#include "common/account/password.h"
#include "common/db/postgres_backend.h"
#include "common/db/tables.h"
#include "common/station/heartbeat.h"
#include "common/station/report.h"
#include "common/station/station.h"
#include "tests/db/db_test_util.h"
#include "tests/db/test_backend.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

using kav::test::readFile;

namespace {

struct Outcome {
    int rc;
    std::string out, err;
};

class KavtoolTest : public ::testing::Test {
protected:
    Outcome kavtool(const std::string& args) {
        kav::test::ToolRun run = kav::test::runKavtool(args, dir.path());
        return {run.status, run.out, run.err};
    }
    kav::test::TempDir dir;
};

TEST_F(KavtoolTest, InitDbMakesEitherFileAndRefusesToOverwrite) {
    Outcome r = kavtool("init-db teacher.mdb");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(kavtool("tables teacher.mdb").out, "score\ncondition\nstate\nupdatefile\nuser\nheartbeat\nregrade\n");
    ASSERT_EQ(kavtool("init-db Stu.MDB").rc, 0);
    EXPECT_EQ(kavtool("tables Stu.MDB").out, "student\nwin\nselecttest\nword\nct\n");
    std::string before = readFile(dir / "teacher.mdb");
    r = kavtool("init-db teacher.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir / "teacher.mdb"), before);
    r = kavtool("init-db exam.mdb");
    EXPECT_NE(r.rc, 0);
    EXPECT_NE(r.err.find("stu.mdb or teacher.mdb"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "exam.mdb"));
    EXPECT_EQ(kavtool("init-db").rc, 2);
}

TEST_F(KavtoolTest, DumpPrintsNamesThenRowsTabSeparated) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    // The accounts' passwords are stored, and dumped, as hashes.
    std::istringstream users(kavtool("dump teacher.mdb user").out);
    std::string line;
    std::getline(users, line);
    EXPECT_EQ(line, "username\tpassword");
    for (const auto& account : kav::db::kDefaultAccounts) {
        ASSERT_TRUE(std::getline(users, line));
        const std::size_t tab = line.find('\t');
        EXPECT_EQ(line.substr(0, tab), account.username);
        EXPECT_TRUE(kav::account::verifyPassword(line.substr(tab + 1), account.password)) << line;
    }
    EXPECT_FALSE(std::getline(users, line));
    EXPECT_EQ(kavtool("dump teacher.mdb state").out,
              "korl\tupdate\tclearinfo\tclearfold\tresttime\n1\tno\tno\tno\t1:30:00\n");
    EXPECT_EQ(kavtool("dump teacher.mdb updatefile").out, "ID\tfilename\n1\t\n");
    EXPECT_EQ(kavtool("dump teacher.mdb score").out,
              "ID\tzkzh\tksxm\tkstime\tkscj\thavelogined\tlogin_keyword\twin_cj\tselect_cj\tdz_cj\tword_cj\n");
}

TEST_F(KavtoolTest, DumpEscapesTextsAndRendersEveryType) {
    {
        auto stu = kav::test::newDatabase(dir / "stu.mdb");
        auto ct = stu->openTable("ct");
        ct->append();
        ct->field("zkzh").setString("110199990001");
        ct->field("ksxm").setString("王小明");
        ct->field("kstime").setDateTime({2026, 12, 9, 8, 0, 5, 120});
        ct->field("word_result").setString("行一\t1\n行二\\2\r");
        ct->post();
        auto selecttest = stu->openTable("selecttest");
        selecttest->append();
        selecttest->field("ID").setInteger(7);
        selecttest->field("image").setBlob({1, 2, 3});
        selecttest->post();
    }
    Outcome r = kavtool("dump stu.mdb ct");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out,
              "ID\tzkzh\tksxm\tkstime\twinno\twin_condiction\tsel_arr1\tsel_arr2\tsel_arr3\tfilename_dz\tdz_result\t"
              "filename_word\tword_result\twordno\tresttime\n"
              "1\t110199990001\t王小明\t2026-12-09 08:00:05\t\t\t\t\t\t\t\t\t行一\\t1\\n行二\\\\2\\r\t\t\n");
    EXPECT_EQ(kavtool("dump stu.mdb selecttest").out,
              "ID\tselect_question\tsel_a\tsel_b\tsel_c\tsel_d\tcorrect_sel\timage\n7\t\t\t\t\t\t\t<blob 3 bytes>\n");
}

TEST_F(KavtoolTest, ErrorsGoToStderrWithANonZeroExit) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    Outcome r = kavtool("dump teacher.mdb nosuch");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("'nosuch'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    r = kavtool("dump missing/teacher.mdb user");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("Could not find file"), std::string::npos) << r.err;
    kav::test::writeFile(dir / "bad" / "teacher.mdb", "this is not a database at all, just some text");
    r = kavtool("dump bad/teacher.mdb user");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("file is encrypted or is not a database"), std::string::npos) << r.err;
    r = kavtool("station bad/teacher.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("file is encrypted or is not a database"), std::string::npos) << r.err;
    EXPECT_EQ(kavtool("dump teacher.mdb").rc, 2);
}

TEST_F(KavtoolTest, StationShowsAndSetsTheControlRecord) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n");
    Outcome r = kavtool("station teacher.mdb --korl 3 --update yes --clearfold yes --resttime 0:45:30");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t3\nupdate\tyes\nclearinfo\tno\nclearfold\tyes\nresttime\t0:45:30\n");
    EXPECT_EQ(kavtool("station teacher.mdb --update no --clearinfo yes").rc, 0);
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t3\nupdate\tno\nclearinfo\tyes\nclearfold\tyes\nresttime\t0:45:30\n");
}

TEST_F(KavtoolTest, StationRefusesAnExamTimeOfZero) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    Outcome r = kavtool("station teacher.mdb --resttime 0:00:00");
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find("above 0:00:00"), std::string::npos) << r.err;
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n");
}

TEST_F(KavtoolTest, StationRefusesBadValuesAndChangesNothing) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    const std::string unchanged = "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n";
    for (std::string bad : {"--korl 5", "--korl 0", "--korl 12", "--korl x", "--resttime 10:00:00",
                            "--resttime 1:60:00", "--resttime 1:30", "--update maybe", "--colour red",
                            "--korl 2 --resttime", "--korl 2 --resttime 130"}) {
        Outcome r = kavtool("station teacher.mdb " + bad);
        EXPECT_EQ(r.rc, 2) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(kavtool("station teacher.mdb").out, unchanged) << bad;
    }
    Outcome r = kavtool("station teacher.mdb --resttime 9:99:00");
    EXPECT_NE(r.err.find("h:mm:ss"), std::string::npos) << r.err;
    ASSERT_EQ(kavtool("init-db stu.mdb").rc, 0);
    r = kavtool("station stu.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("'state'"), std::string::npos) << r.err;
}

}  // namespace

// The administrator's commands on a lab server: each station's own role and
// data link, every teacher command acting on the server that teacher.udl
// names, and two labs on one server kept apart.
class KavtoolServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(kav::test::Backend::Server);
        lab = std::make_unique<kav::test::TestDatabase>(kav::test::Backend::Server, kav::db::DatabaseKind::Teacher,
                                                        dir.path());
        kav::test::writeFile(dir / "teacher.udl", "[oledb]\r\n" + lab->connectionString() + "\r\n");
    }
    kav::test::ToolRun kavtool(const std::string& args) { return kav::test::runKavtool(args, dir.path()); }
    // The station's connection through the link kavtool printed.
    std::unique_ptr<kav::db::Connection> stationThrough(const std::string& linkText) {
        kav::test::writeFile(dir / "station.udl", linkText);
        return kav::db::connectPath(dir / "station.udl");
    }

    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> lab;
};

TEST_F(KavtoolServerTest, StationLoginMakesARoleOfItsOwnAndANewPasswordEachTime) {
    const auto first = kavtool("station-login teacher.udl S07");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("Data Source=postgresql://kav_postgres_" + lab->schema() + "_st_s07:"), std::string::npos)
        << first.out;
    auto station = stationThrough(first.out);
    EXPECT_TRUE(station->onServer());
    EXPECT_EQ(kav::station::readStation(*station->openTable("state")).korl, kav::station::korlOf(kav::station::StationMode::Exam));
    EXPECT_EQ(station->delayPasswordLevel("2222"), 2);

    const auto renewed = kavtool("station-login teacher.udl s07");
    ASSERT_EQ(renewed.status, 0) << renewed.err;
    EXPECT_THROW(stationThrough(first.out), kav::db::DbError) << "the old password no longer logs in";
    EXPECT_NO_THROW(stationThrough(renewed.out));

    const auto all = kavtool("station-login teacher.udl --all 3 links");
    ASSERT_EQ(all.status, 0) << all.err;
    for (const char* name : {"station001", "station002", "station003"}) {
        const auto link = dir / "links" / (std::string(name) + ".udl");
        EXPECT_EQ(std::filesystem::status(link).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << name;
        EXPECT_NO_THROW(kav::db::connectPath(link)) << name;
    }
    for (const char* args : {"station-login teacher.udl", "station-login teacher.udl --all 0 links",
                             "station-login teacher.udl --all 3x links"})
        EXPECT_EQ(kavtool(args).status, 2) << args;
    EXPECT_EQ(kavtool("station-login teacher.udl ../x").status, 1) << "a name no role may carry";
}

// A lab an older version made (no heartbeat table, no announcement of the
// station record's changes) is brought up to date by init-db, its rows kept.
TEST_F(KavtoolServerTest, InitDbBringsAnOlderLabUpToDateKeepingItsRows) {
    kav::test::runOnServer(lab->conninfo(),
                           "DROP TABLE heartbeat; DELETE FROM kav_columns WHERE table_name = 'heartbeat'; "
                           "DROP FUNCTION kav_heartbeat; DROP TRIGGER kav_state_changed ON state; "
                           "DROP FUNCTION kav_state_changed; "
                           "INSERT INTO score (zkzh, ksxm, kscj) VALUES ('110100000009', '旧', 77)");
    const auto refused = kavtool("station-login teacher.udl S01");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("kavtool init-db"), std::string::npos) << "says what to run: " << refused.err;

    const auto upgraded = kavtool("init-db teacher.udl");
    ASSERT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_NE(upgraded.out.find("up to date: every row kept"), std::string::npos) << upgraded.out;
    const auto station = kavtool("station-login teacher.udl S01");
    ASSERT_EQ(station.status, 0) << station.err;
    auto owner = kav::db::connectPath(dir / "teacher.udl", kav::db::ServerRole::Owner);
    EXPECT_EQ(owner->openKeyed("score", "zkzh", std::string("110100000009"))->field("kscj").asInteger(), 77);
    kav::station::writeHeartbeat(*stationThrough(station.out), {});
    const auto beats = kav::station::readHeartbeats(*owner);
    ASSERT_EQ(beats.size(), 1u);
    EXPECT_EQ(beats[0].station, "s01");
    auto listening = stationThrough(station.out);
    EXPECT_EQ(kav::db::waitForStationChange(*listening, std::chrono::milliseconds(0), -1),
              kav::db::StationChange::TimedOut);
    kav::station::writeStation(*owner->openTable("state"), kav::station::StationRecord{});
    EXPECT_EQ(kav::db::waitForStationChange(*listening, std::chrono::seconds(5), -1),
              kav::db::StationChange::Announced);

    const auto again = kavtool("init-db teacher.udl");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("up to date (their rows kept)"), std::string::npos) << again.out;

    // A heartbeat function of the version before, whose commit waited for the
    // disk, is made anew in place: the station may still run it.
    kav::test::runOnServer(lab->conninfo(),
                           "CREATE OR REPLACE FUNCTION kav_heartbeat(p_station text, p_zkzh text, p_ksxm text, "
                           "p_phase integer, p_remaining integer, p_report_at timestamp, p_report_total integer, "
                           "p_version text) RETURNS void LANGUAGE sql AS 'SELECT NULL::void'");
    const auto remade = kavtool("init-db teacher.udl");
    ASSERT_EQ(remade.status, 0) << remade.err;
    EXPECT_NE(remade.out.find("function kav_heartbeat"), std::string::npos) << remade.out;
    kav::station::Heartbeat beat;
    beat.admission = "110100000001";
    kav::station::writeHeartbeat(*stationThrough(station.out), beat);
    EXPECT_EQ(kav::station::readHeartbeats(*owner).at(0).admission, "110100000001");
}

TEST_F(KavtoolServerTest, TeacherCommandsActOnTheServerAndRefuseTheFileBesideTheLink) {
    {
        auto owner = lab->open();
        kav::station::ExamReport report;
        report.zkzh = "110100000001";
        report.ksxm = "张三";
        report.kscj = 91;
        kav::station::writeExamReport(*owner, report);
    }
    auto run = kavtool("scores csv teacher.udl scores.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(readFile(dir / "scores.csv").find("110100000001"), std::string::npos);
    ASSERT_EQ(kavtool("station teacher.udl --korl 2").status, 0);
    ASSERT_EQ(kavtool("update-list teacher.udl --set 'word\\a.doc'").status, 0);
    auto owner = lab->open();
    EXPECT_EQ(kav::station::readStation(*owner->openTable("state")).korl, 2);
    EXPECT_EQ(kav::station::readUpdateList(*owner->openTable("updatefile")), "word\\a.doc");

    kav::db::createDatabase(dir / "teacher.mdb");
    for (const char* args : {"scores csv teacher.mdb scores2.csv", "update-list teacher.mdb", "station teacher.mdb",
                             "dump teacher.mdb score", "lab-check teacher.mdb --stations 1"}) {
        run = kavtool(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err.find("teacher.udl"), std::string::npos) << args << ": " << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "scores2.csv"));
}

// A lab made before stations had roles of their own: its stations shared a
// role with rights on the tables, and the tables record no station. init-db
// brings it up to date in one transaction and keeps every row.
TEST_F(KavtoolServerTest, InitDbBringsAnOlderLabUpToDateKeepingEveryRow) {
    {
        auto owner = lab->open();
        kav::station::ExamReport report;
        report.zkzh = "110100000001";
        report.kscj = 91;
        kav::station::writeExamReport(*owner, report);
    }
    const std::string sharedLink = lab->stationConnectionString("shared", "shared-station-pw-0123");
    const std::string shared = kav::db::ConnectionString::parse(sharedLink).dataSource;
    kav::test::runOnServer(lab->conninfo(), R"SQL(
        DROP FUNCTION kav_report(text, text, timestamp, integer, integer, integer, integer, integer, integer,
            integer, text, text, text, text, text, text, text, text, text);
        DROP FUNCTION kav_station_state(); DROP FUNCTION kav_station_updatefile(); DROP FUNCTION kav_station_columns();
        DROP FUNCTION kav_delay_level(text); DROP TABLE kav_delay_guard;
        DROP FUNCTION kav_heartbeat(text, text, text, integer, integer, timestamp, integer, text);
        DROP TABLE heartbeat; DELETE FROM kav_columns WHERE table_name = 'heartbeat';
        ALTER TABLE score DROP COLUMN kav_station; ALTER TABLE condition DROP COLUMN kav_station;
        CREATE FUNCTION kav_delay_level(typed text) RETURNS integer LANGUAGE sql STABLE SECURITY DEFINER
            AS $$ SELECT CASE WHEN typed = '1111' THEN 1 ELSE 0 END $$;
        GRANT SELECT, INSERT, UPDATE ON score, condition TO kav_postgres_)SQL" + lab->schema() + "_st_shared");
    EXPECT_NO_THROW(kav::test::runOnServer(shared, "SELECT * FROM score")) << "the older lab's shared rights";
    const auto before = kavtool("dump teacher.udl score");
    EXPECT_EQ(before.status, 1);
    EXPECT_NE(before.err.find("再运行一次 kavtool init-db"), std::string::npos) << before.err;

    const auto upgraded = kavtool("init-db teacher.udl");
    ASSERT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_NE(upgraded.out.find("up to date: every row kept"), std::string::npos) << upgraded.out;
    auto owner = lab->open();
    EXPECT_EQ(owner->openKeyed("score", "zkzh", "110100000001")->field("kscj").asInteger(), 91);
    EXPECT_EQ(owner->openKeyed("condition", "zkzh", "110100000001")->recordCount(), 1);
    EXPECT_EQ(owner->openTable("heartbeat")->recordCount(), 0) << "the heartbeats' table is made";
    EXPECT_THROW(kav::test::runOnServer(shared, "SELECT * FROM score"), std::runtime_error)
        << "no role but the owner keeps a right on a table";

    // Its stations get roles of their own and report as on a new lab.
    const auto login = kavtool("station-login teacher.udl s1");
    ASSERT_EQ(login.status, 0) << login.err;
    auto station = stationThrough(login.out);
    kav::station::ExamReport report;
    report.zkzh = "110100000001";
    report.kscj = 95;
    EXPECT_NO_THROW(kav::station::writeExamReport(*station, report)) << "a row from before records no station";
    EXPECT_EQ(owner->openKeyed("score", "zkzh", "110100000001")->field("kscj").asInteger(), 95);
    EXPECT_EQ(station->delayPasswordLevel("2222"), 2);

    const auto again = kavtool("init-db teacher.udl");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("up to date (their rows kept)"), std::string::npos) << again.out;
}

// Two labs on one server (two schemas here, as two databases would be): the
// second's set-up and stations touch none of the first's roles, and a station
// of one reaches nothing of the other.
TEST_F(KavtoolServerTest, TwoLabsOnOneServerStayApart) {
    const auto first = kavtool("station-login teacher.udl s01");
    ASSERT_EQ(first.status, 0) << first.err;
    kav::test::TempDir otherDir;
    kav::test::TestDatabase other(kav::test::Backend::Server, kav::db::DatabaseKind::Teacher, otherDir.path());
    kav::test::writeFile(otherDir / "teacher.udl", "[oledb]\r\n" + other.connectionString() + "\r\n");
    const auto second = kav::test::runKavtool("station-login teacher.udl s01", otherDir.path());
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NO_THROW(stationThrough(first.out)) << "the first lab's station still logs in";

    // The second lab's station, pointed at the first lab's tables.
    kav::test::writeFile(dir / "station.udl", second.out);
    auto cs = kav::db::ConnectionString::parse(kav::db::readLinkFile(dir / "station.udl"));
    cs.dataSource += "&options=-c%20search_path%3D" + lab->schema();
    EXPECT_THROW(kav::db::connect(cs.toString(), {}), kav::db::DbError);
}
