// The report of an exam record to teacher.mdb and the grading totals.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "client/flow/drawing.h"
#include "client/flow/exam_shell.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "common/db/postgres_backend.h"
#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "tests/db/test_backend.h"
#include "tests/flow/flow_lab.h"
#include "tests/word/word_test_util.h"

namespace kavlor::test {
namespace {

// A client whose first candidate has just drawn the exam.
struct Drawn {
    Drawn() : client(h.env()) {
        EXPECT_TRUE(client.start());
        drawExam(client);
    }
    Harness h;
    Client client;
};

TEST(FlowReportTest, EmptyAnswersAreReportedAsASingleSpace) {
    Drawn d;
    SaveExamRecord(d.client);
    auto t = d.h.lab.teacherDb();
    for (const char* column : {"sel_arr3", "dz_result", "word_result"})
        EXPECT_EQ(rowValue(*t, "condition", kFirst, column), " ") << column;
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "win_condiction"), "");
    EXPECT_EQ(rowValue(*t, "score", kFirst, "kscj"), "0");
    // kstime is the roster's: the exam's first login (the roster held the zero date before).
    auto stu = d.h.lab.stuDb();
    EXPECT_EQ(rowValue(*t, "score", kFirst, "kstime"), rowValue(*stu, "student", kFirst, "kstime"));
    EXPECT_EQ(t->openKeyed("score", "zkzh", std::string(kFirst))->field("kstime").asDateTime(), d.h.clock.local);
}

TEST(FlowReportTest, TheReportWaitsForABusyTeacherFileWithoutHoldingTheWindowsThread) {
    Drawn d;
    // Another program holds the write lock of teacher.mdb until the windows'
    // thread, free while the report waits, lets it go (or 3 s have passed).
    std::atomic<bool> locked{false}, release{false};
    std::thread holder([&] {
        d.h.lab.teacherDb()->transaction([&] {
            locked = true;
            for (int i = 0; i < 3000 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    });
    while (!locked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int turns = 0;
    bool storedBeforeRelease = true;
    d.h.desktop.whileWaiting = [&] {
        if (++turns != 20) return;
        storedBeforeRelease = rowCount(*d.h.lab.teacherDb(), "score") > 0;
        release = true;
    };
    SaveExamRecord(d.client);
    const bool releasedByTheWindow = release;
    release = true;
    holder.join();
    EXPECT_TRUE(releasedByTheWindow) << "the windows' thread was held while the report waited";
    EXPECT_FALSE(storedBeforeRelease);
    auto t = d.h.lab.teacherDb();
    EXPECT_EQ(rowCount(*t, "score"), 1);
    EXPECT_EQ(rowCount(*t, "condition"), 1);
}

TEST(FlowReportTest, UpdatesTheCandidatesRowsOrAppendsThem) {
    Drawn d;
    {
        // The score row is there already (an earlier machine), the condition row is not.
        auto t = d.h.lab.teacherDb();
        auto score = t->openTable("score");
        for (const char* z : {kSecond, kFirst}) {
            score->append();
            score->field("zkzh").setString(z);
            score->field("kscj").setInteger(77);
            score->field("login_keyword").setString("kept");
            score->post();
        }
    }
    SaveExamRecord(d.client);
    {
        auto t = d.h.lab.teacherDb();
        EXPECT_EQ(rowCount(*t, "score"), 2);
        EXPECT_EQ(rowCount(*t, "condition"), 1);
        EXPECT_EQ(rowValue(*t, "score", kFirst, "kscj"), "0");
        EXPECT_EQ(rowValue(*t, "score", kFirst, "login_keyword"), "kept");  // never written by the client
        EXPECT_EQ(rowValue(*t, "score", kSecond, "kscj"), "77");
    }
    // A later report of the same candidate overwrites both rows.
    auto& student = d.client.data().ADOTable_student();
    student.edit();
    student.field("kscj").setInteger(42);
    student.post();
    SaveExamRecord(d.client);
    auto t = d.h.lab.teacherDb();
    EXPECT_EQ(rowCount(*t, "score"), 2);
    EXPECT_EQ(rowCount(*t, "condition"), 1);
    EXPECT_EQ(rowValue(*t, "score", kFirst, "kscj"), "42");
}

TEST(FlowReportTest, AllUnansweredChoiceQuestionsListEveryQuestion) {
    Drawn d;
    ExamShell shell(d.client);
    shell.N4Enabled = true;  // practice: the result is shown
    shell.N5Click();
    ASSERT_EQ(d.h.dialogs.shown.size(), 1u);
    const std::string text = d.h.dialogs.lastText();
    EXPECT_EQ(text.rfind("选择题得分:0\r答错题号及答案：", 0), 0u) << text;
    const auto correct = shell.answersFromRecord().correct;
    std::string list;
    for (int i = 0; i < 30; ++i) list += std::to_string(i + 1) + correct[i] + " ";
    EXPECT_EQ(text, "选择题得分:0\r答错题号及答案：" + list);
    EXPECT_EQ(d.client.data().ADOTable_student().field("select_cj").asInteger(), 0);
}

TEST(FlowReportTest, TotalCountsAnEmptyTypingScoreAsZeroAndExamModeStaysSilent) {
    Drawn d;
    auto& student = d.client.data().ADOTable_student();
    student.edit();
    student.field("dz_cj").setNull();
    student.post();
    auto& ct = d.client.data().ADOTable_ct();
    ct.edit();
    // Every answer right.
    ct.field("sel_arr3").setString(ct.field("sel_arr2").asString());
    ct.post();
    ExamShell shell(d.client);
    const std::string document = ct.field("filename_word").asString();
    std::filesystem::create_directories(d.h.lab.driveC / "kavlor" / "11010001");
    std::filesystem::copy_file(d.h.lab.station / "word" / document, d.h.lab.driveC / "kavlor" / "11010001" / document);
    shell.N10Click();
    EXPECT_TRUE(d.h.dialogs.shown.empty());
    shell.N4Enabled = true;
    shell.N10Click();
    EXPECT_EQ(d.h.dialogs.lastText(), "打字题得分:\r评分标准(参照一级B标准):\r打完全文,错字每3个字扣1分,扣完为止！");
    shell.N4Enabled = false;
    d.h.dialogs.shown.clear();
    d.client.handle([&] { shell.N9Click(); });
    EXPECT_TRUE(d.h.dialogs.shown.empty()) << d.h.dialogs.lastText();
    EXPECT_EQ(student.field("select_cj").asInteger(), 30);
    EXPECT_EQ(student.field("kscj").asInteger(),
              student.field("win_cj").asInteger() + 30 + student.field("word_cj").asInteger());
}

// The total is a small integer column: a Word task worth nearly all of it plus
// the other parts still posts, at the column's top, and the record reports.
TEST(FlowReportTest, TotalStopsAtTheColumnsRange) {
    Drawn d;
    ExamShell shell(d.client);
    auto& word = d.client.data().ADOTable_word();
    ASSERT_TRUE(gotoPosition(word, shell.wordno));
    word.edit();
    word.field("answer").setString("33 32760 1 1");  // paragraph 1 centred
    word.post();
    const std::string document = word.field("filename_word").asString();
    std::filesystem::create_directories(d.h.lab.driveC / "kavlor" / "11010001");
    kav::word::test::writeZip(d.h.lab.driveC / "kavlor" / "11010001" / document,
                              {{"word/document.xml", kav::word::test::documentXml(
                                                         "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr>"
                                                         "<w:r><w:t>甲</w:t></w:r></w:p>")}});
    auto& ct = d.client.data().ADOTable_ct();
    ct.edit();
    ct.field("sel_arr3").setString(ct.field("sel_arr2").asString());  // 30 more points
    ct.post();
    d.client.handle([&] { shell.N9Click(); });
    auto& student = d.client.data().ADOTable_student();
    ASSERT_EQ(student.field("word_cj").asInteger(), 32760);
    EXPECT_EQ(student.field("kscj").asInteger(), 32767);
    SaveExamRecord(d.client);
    auto t = d.h.lab.teacherDb();
    EXPECT_EQ(rowValue(*t, "score", kFirst, "kscj"), "32767");
}

// A report the lab server refuses until the teacher ends the exam stays on the
// station and is stored, once, at the client's next start.
TEST(FlowReportTest, AReportTheEndCutOffIsStoredOnceAtTheNextStart) {
    using kav::test::Backend;
    KAV_SKIP_WITHOUT_SERVER(Backend::Server);
    Harness h;
    kav::test::TestDatabase server(Backend::Server, kav::db::DatabaseKind::Teacher, h.lab.root());
    const std::string link = server.stationConnectionString("st1", "station-one-pw-0123");
    kav::test::writeFile(h.lab.teacher / "teacher.udl", "[oledb]\r\n" + link + "\r\n");
    auto owner = server.open();
    const auto setKorl = [&](int korl) {
        auto state = owner->openTable("state");
        auto record = kav::station::readStation(*state);
        record.korl = korl;
        kav::station::writeStation(*state, record);
    };
    // A statement in a session of the station's own role, writable whatever the role's setting.
    const auto stationSql = [&](const std::string& sql) {
        PGconn* own = PQconnectdb(kav::db::ConnectionString::parse(link).dataSource.c_str());
        PQclear(PQexec(own, "SET default_transaction_read_only = off"));
        PGresult* r = PQexec(own, sql.c_str());
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(own);
        PQclear(r);
        PQfinish(own);
    };
    const auto rows = [&](const char* table) { return owner->openKeyed(table, "zkzh", kFirst)->recordCount(); };
    const auto unsent = h.lab.station / "unsent-reports";

    {
        Client client(h.env());
        ASSERT_TRUE(client.start());
        drawExam(client);
        client.handle([&] { client.startExam(); });
        // The station's sessions become read-only: its later ones by a setting
        // of its own role, the open ones ended (as a restart would).
        stationSql("ALTER ROLE CURRENT_USER SET default_transaction_read_only = on");
        kav::db::endStationSessions(server.conninfo(), "st1");
        int turns = 0;
        bool unsentWhileRefused = false;
        h.desktop.whileWaiting = [&] {
            // The report is refused for a while, then the teacher ends the exam.
            if (++turns == 400) {
                unsentWhileRefused = std::filesystem::exists(unsent) && !std::filesystem::is_empty(unsent);
                setKorl(4);
            }
            if (turns > 400 && turns % 50 == 0) h.clock.advance(500);
        };
        setKorl(3);
        // A poll that meets its ended session sees the order at a later tick.
        for (int tick = 0; tick < 10 && h.exits == 0; ++tick) h.clock.advance(2000);
        EXPECT_EQ(h.exits, 1) << "the end of the exam ends the waiting client";
        EXPECT_EQ(h.dialogs.lastText(), "结束！系统将退出，请与管理员联系！！！");
        EXPECT_TRUE(unsentWhileRefused) << "the report is kept before it is sent";
        EXPECT_EQ(rows("score"), 0);
    }
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(unsent), {}), 2) << "the report and the work";

    // The station's role is put right; the lab is still ended.
    stationSql("ALTER ROLE CURRENT_USER RESET default_transaction_read_only");
    h.desktop.whileWaiting = nullptr;
    {
        Client again(h.env());
        EXPECT_FALSE(again.start()) << "an ended lab refuses the start, after the report is sent";
        EXPECT_EQ(h.dialogs.lastText(), "考试练习状态未重置，请与管理员联系！！！");
    }
    EXPECT_EQ(rows("score"), 1);
    EXPECT_EQ(rows("condition"), 1);
    EXPECT_EQ(owner->openKeyed("condition", "zkzh", kFirst)->field("resttime").asString(), "1:30:00");
    const auto pack = kav::pack::loadPack(*owner, kFirst);
    ASSERT_TRUE(pack) << "the work cut off with the report is stored after it";
    EXPECT_EQ(kav::pack::readPack(*pack).admission, kFirst);
    EXPECT_TRUE(std::filesystem::is_empty(unsent));

    // A later start sends nothing more.
    setKorl(1);
    Client third(h.env());
    EXPECT_TRUE(third.start());
    EXPECT_EQ(rows("score"), 1);
    EXPECT_EQ(rows("condition"), 1);
}

}  // namespace
}  // namespace kavlor::test
