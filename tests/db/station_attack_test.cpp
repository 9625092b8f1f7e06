// What a candidate who reaches a shell at a station can do on the lab server
// with that station's own credentials: every attempt below is refused by the
// server, and afterwards every station still reports, nothing lost or twice.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/db/postgres_backend.h"
#include "common/db/tables.h"
#include "common/station/report.h"
#include "tests/db/test_backend.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kav::db;
using kav::test::Backend;

// A raw session of the attacker: any SQL, its error text or "".
class RawSession {
public:
    explicit RawSession(const std::string& connectionString)
        : conn_(PQconnectdb(ConnectionString::parse(connectionString).dataSource.c_str()), PQfinish) {}
    bool connected() const { return PQstatus(conn_.get()) == CONNECTION_OK; }
    std::string connectError() const { return PQerrorMessage(conn_.get()); }
    // Runs sql; "" when the server did it, its error text otherwise.
    std::string run(const std::string& sql) {
        std::unique_ptr<PGresult, void (*)(PGresult*)> r(PQexec(conn_.get(), sql.c_str()), PQclear);
        const auto status = PQresultStatus(r.get());
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return "";
        const std::string text = PQresultErrorMessage(r.get());
        return text.empty() ? "failed" : text;
    }
    std::string value(const std::string& sql) {
        std::unique_ptr<PGresult, void (*)(PGresult*)> r(PQexec(conn_.get(), sql.c_str()), PQclear);
        return PQntuples(r.get()) > 0 ? PQgetvalue(r.get(), 0, 0) : "";
    }

private:
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn_;
};

kav::station::ExamReport reportOf(const std::string& zkzh, int kscj) {
    kav::station::ExamReport r;
    r.zkzh = zkzh;
    r.ksxm = "考生" + zkzh;
    r.kscj = kscj;
    r.selArr3 = r.dzResult = r.wordResult = " ";
    r.resttime = "0:10:00";
    return r;
}

class StationAttackTest : public ::testing::Test {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(Backend::Server);
        teacher = std::make_unique<kav::test::TestDatabase>(Backend::Server, DatabaseKind::Teacher, dir.path());
        attackerLink = teacher->stationConnectionString("attacker", "attacker-pw-0123");
        otherLink = teacher->stationConnectionString("other", "other-pw-012345");
        other = connect(otherLink, {});
        // Another station's candidate, reported with the candidate's work.
        auto report = reportOf("110100000002", 75);
        report.pack = [this] { return otherPack; };
        kav::station::writeExamReportUntilStored(*other, report, [] {});
        otherRole = RawSession(otherLink).value("SELECT session_user");
        group = RawSession(otherLink).value("SELECT rolname FROM pg_roles WHERE pg_has_role(session_user, oid, "
                                             "'MEMBER') AND rolname LIKE '%\\_stations'");
    }

    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> teacher;
    std::string attackerLink, otherLink, otherRole, group;
    std::unique_ptr<Connection> other;  // the other station, connected all along
    const std::string otherPack = std::string("PK\3\4 the other candidate's work\0", 32);
};

TEST_F(StationAttackTest, EveryAttemptIsRefusedAndTheLabStillCollects) {
    RawSession attacker(attackerLink);
    ASSERT_TRUE(attacker.connected()) << attacker.connectError();
    ASSERT_FALSE(otherRole.empty());
    ASSERT_FALSE(group.empty());
    const std::string otherReport = "SELECT kav_report('110100000002', 'x', now()::timestamp, 100, 0, 0, 0, 0, 0, 0, "
                                    "'', '', '', ' ', '', '', ' ', ' ', '0:00:00')";
    struct Case {
        const char* what;
        std::string sql;
    } cases[] = {
        {"read every candidate's scores", "SELECT * FROM score"},
        {"read every exam record, the drawn keys included", "SELECT * FROM condition"},
        {"read the accounts", "SELECT * FROM \"user\""},
        {"read another station's rows", "SELECT * FROM score WHERE kav_station = '" + otherRole + "'"},
        {"lower another candidate's score", "UPDATE score SET kscj = 0 WHERE zkzh = '110100000002'"},
        {"rename another candidate", "UPDATE score SET ksxm = 'x'"},
        {"blank another candidate's row", "UPDATE condition SET dz_result = NULL"},
        {"delete the rows", "DELETE FROM score"},
        {"insert a fake candidate by hand", "INSERT INTO score (zkzh, kscj) VALUES ('999999999999', 100)"},
        {"report a candidate another station reported", otherReport},
        {"set the station record", "UPDATE state SET korl = 4"},
        {"change the update list", "UPDATE updatefile SET filename = '../../x'"},
        {"change another station's password", "ALTER ROLE " + otherRole + " PASSWORD 'mine-now-0123'"},
        {"make another station's sessions read-only",
         "ALTER ROLE " + otherRole + " SET default_transaction_read_only = on"},
        {"make the group's sessions read-only", "ALTER ROLE " + group + " SET default_transaction_read_only = on"},
        {"make every session of the database read-only",
         "ALTER DATABASE " + attacker.value("SELECT current_database()") + " SET default_transaction_read_only = on"},
        {"end another station's sessions",
         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '" + otherRole + "'"},
        {"take an exclusive lock on score", "LOCK TABLE score IN ACCESS EXCLUSIVE MODE"},
        {"take an exclusive lock on state", "LOCK TABLE state IN ACCESS EXCLUSIVE MODE"},
        {"take an exclusive lock on the catalogue", "LOCK TABLE kav_columns IN ACCESS EXCLUSIVE MODE"},
        {"create a large object", "SELECT lo_create(0)"},
        {"create a large object from bytes", "SELECT lo_from_bytea(0, 'abc')"},
        {"create a temporary table", "CREATE TEMP TABLE fill (x text)"},
        {"create a table", "CREATE TABLE public.fill (x text)"},
        {"run a program on the server", "COPY (SELECT 1) TO PROGRAM 'id'"},
        {"become the owner", "SET ROLE kav_owner"},
        {"make itself a station role of its own", "SELECT kav_admin.station_role('public', 'x', 'password-0123', 4)"},
        {"end another station's sessions the administrator's way",
         "SELECT kav_admin.end_station_sessions('" + teacher->schema() + "', 'other')"},
        {"drop the update list function", "DROP FUNCTION kav_station_updatefile()"},
        {"read another candidate's work pack", "SELECT pack FROM kav_pack"},
        {"overwrite the pack another station stored", "SELECT kav_store_pack('110100000002', 'forged')"},
        {"store a pack for a candidate it did not report", "SELECT kav_store_pack('110100000003', 'planted')"},
        {"delete the packs", "DELETE FROM kav_pack"},
    };
    for (const Case& c : cases) {
        attacker.run("BEGIN");
        const std::string error = attacker.run(c.sql);
        attacker.run("ROLLBACK");
        EXPECT_NE(error, "") << c.what << ": allowed";
    }

    // What the station may do with its own role harms it alone.
    EXPECT_EQ(attacker.run("ALTER ROLE CURRENT_USER SET default_transaction_read_only = on"), "");
    EXPECT_NE(RawSession(attackerLink)
                  .run("SELECT kav_report('110100000001', 'x', now()::timestamp, 1, 0, 0, 0, 0, 0, 0, '', '', '', ' ', "
                       "'', '', ' ', ' ', '0:00:00')"),
              "")
        << "the attacker's own later sessions are read-only";

    // The other station and its candidate are untouched.
    auto owner = teacher->open();
    auto score = owner->openKeyed("score", "zkzh", "110100000002");
    ASSERT_EQ(score->recordCount(), 1);
    EXPECT_EQ(score->field("kscj").asInteger(), 75);
    EXPECT_EQ(owner->openTable("state")->field("korl").asInteger(), 1);
    EXPECT_EQ(loadServerPack(teacher->conninfo(), "110100000002"), otherPack);
    EXPECT_EQ(serverPackAdmissions(teacher->conninfo()), std::vector<std::string>{"110100000002"});
    EXPECT_NO_THROW(kav::station::writeExamReport(*other, reportOf("110100000002", 80)));
    EXPECT_EQ(owner->openKeyed("score", "zkzh", "110100000002")->field("kscj").asInteger(), 80);

    // The teacher's call: the candidate moved to the attacker's station.
    kav::test::writeFile(dir / "teacher.udl", "[oledb]\r\n" + teacher->connectionString() + "\r\n");
    ASSERT_EQ(kav::test::runKavtool("release teacher.udl 110100000002", dir.path()).status, 0);
    EXPECT_EQ(attacker.run(otherReport), "")
        << "a released candidate is reported from the new station";

    // A lab check afterwards: every station reports once.
    const auto run = kav::test::runKavtool("lab-check teacher.udl --stations 3 --yes", dir.path());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("3 stations, 3 reported, 0 lost, 0 duplicated"), std::string::npos) << run.out;
}

// A station's tries at the delay passwords: five wrong ones a minute, however
// they are sent; a rolled-back try counts as well.
TEST_F(StationAttackTest, AStationGetsFiveWrongDelayPasswordsAMinute) {
    RawSession attacker(attackerLink);
    ASSERT_TRUE(attacker.connected()) << attacker.connectError();
    const std::string wrong = "SELECT kav_delay_level('0000')";
    EXPECT_EQ(attacker.value("SELECT kav_delay_level('1111')"), "1") << "a right one does not count";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(attacker.run(wrong), "") << "try " << i + 1;
    for (int i = 0; i < 2; ++i) {
        attacker.run("BEGIN");
        EXPECT_EQ(attacker.run(wrong), "") << "rolled-back try " << i + 1;
        attacker.run("ROLLBACK");
    }
    const std::string refused = attacker.run(wrong);
    EXPECT_NE(refused.find("at most 5 a minute"), std::string::npos) << refused;
    EXPECT_NE(attacker.run("SELECT kav_delay_level('2222')"), "") << "no more tries this minute, right or wrong";
    EXPECT_NE(RawSession(attackerLink).run(wrong), "") << "a new session counts on";
    // Another station's tries are its own.
    auto other = connect(otherLink, {});
    EXPECT_EQ(other->delayPasswordLevel("3333"), 3);
}

}  // namespace
