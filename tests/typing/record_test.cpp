// The typing screen on a real stu.mdb: the candidate's rows found by zkzh, the
// typing state and score posted, and a later login that reads them back.
#include "client/screens/typing/typing_record.h"

#include <gtest/gtest.h>

#include <thread>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "tests/typing/typing_fixture.h"

namespace kav::typing {
namespace {

class RecordOnDatabase : public ::testing::Test, protected test::TypingSetup {
protected:
    void SetUp() override {
        const auto file = dir.path() / "prog" / "stu.mdb";
        std::filesystem::create_directories(file.parent_path());
        db::createDatabase(file);
        stu = db::connect(db::ConnectionString::forDataSource("stu.mdb").toString(), dir.path() / "prog");
        student = stu->openTable("student");
        ct = stu->openTable("ct");
        addCandidate("110199990002", "李四", 1, "txt1.txt");
        addCandidate("110199990001", "张三", 1, "txt0.txt");
        addCandidate("110199990001", "重复", 1, "txt5.txt");  // a second row with the same number
        student->first();
        ct->first();
    }
    void addCandidate(const std::string& zkzh, const std::string& name, int logins, const std::string& file) {
        student->append();
        student->field("zkzh").setString(zkzh);
        student->field("ksxm").setString(name);
        student->field("havelogined").setInteger(logins);
        student->post();
        ct->append();
        ct->field("zkzh").setString(zkzh);
        ct->field("ksxm").setString(name);
        ct->field("filename_dz").setString(file);
        ct->post();
    }
    // A column of the candidate's first row, read through a fresh cursor.
    std::string stored(const char* table, const char* column, const std::string& zkzh = "110199990001") {
        auto c = stu->openTable(table);
        EXPECT_TRUE(c->locate("zkzh", db::Value(zkzh)));
        return c->field(column).asString();
    }
    void setLogins(int n) {
        student->locate("zkzh", db::Value(std::string("110199990001")));
        student->edit();
        student->field("havelogined").setInteger(n);
        student->post();
    }

    std::unique_ptr<db::Connection> stu;
    std::unique_ptr<db::Cursor> student, ct;
};

TEST_F(RecordOnDatabase, ReadsTheFirstRowOfTheCandidate) {
    CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
    TypingCandidate c = rec.load();
    EXPECT_EQ(c.ksxm, "张三");
    EXPECT_EQ(c.havelogined, 1);
    EXPECT_EQ(c.filenameDz, "txt0.txt");
    EXPECT_EQ(c.dzResult, "");
}

TEST_F(RecordOnDatabase, WritesFindTheRowAgainWhereverTheCursorsWere) {
    CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
    rec.load();
    student->last();  // another screen moved the shared cursors
    ct->first();
    const std::string longResult =
        "987654321 总字数：588字 正确字数：571字 错误字数：17字 正确率：97％ 速度:123字/分钟";
    rec.storeResult(longResult);
    rec.storeScore(15);
    EXPECT_EQ(stored("ct", "dz_result"), longResult);  // longer than 50 characters, whole
    EXPECT_EQ(stored("student", "dz_cj"), "15");
    EXPECT_EQ(stored("student", "dz_cj", "110199990002"), "");  // untouched
    EXPECT_EQ(stored("ct", "dz_result", "110199990002"), "");
}

TEST_F(RecordOnDatabase, AMissingRowIsAnErrorNamingTheCandidate) {
    CursorTypingRecord rec(*stu, *student, *ct, "110199990009");
    try {
        rec.load();
        FAIL() << "no error";
    } catch (const db::DbError& e) {
        EXPECT_NE(std::string(e.what()).find("110199990009"), std::string::npos) << e.what();
    }
    EXPECT_THROW(rec.storeScore(1), db::DbError);
}

TEST_F(RecordOnDatabase, SaveAndALaterLoginThroughTheDatabase) {
    writeModel(17);
    {
        CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
        TypingEngine e(rec, clock, dialogs, place());
        e.shown();
        e.enterText(text::gbkToUtf8(e.pageModelLine(1)));
        clock.advance(60'000);
        ASSERT_TRUE(e.saveAndQuit());
        e.hidden();
    }
    EXPECT_EQ(stored("student", "dz_cj"), "0");  // 28 of 588: (588-28)/3 = 186 points off
    EXPECT_EQ(stored("ct", "dz_result"),
              "60000 总字数：588字 正确字数：28字 错误字数：0字 正确率：100％ 速度:28字/分钟");

    setLogins(2);
    CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
    TypingEngine e(rec, clock, dialogs, place());
    e.shown();
    EXPECT_EQ(e.dzTime(), 60'000);
    EXPECT_EQ(e.pageLabel(), "页3/3");
    e.press(Key::PageUp);
    e.press(Key::PageUp);
    EXPECT_EQ(e.pageTypedLine(1), e.pageModelLine(1));
    EXPECT_TRUE(dialogs.shown.empty());
}

// The periodic store's dz_result goes through a connection of the writer's
// own: it reaches the file, and the client's whole-table cursor, which still
// holds the older value, does not put it back when it posts another column.
TEST_F(RecordOnDatabase, ThePeriodicResultIsPostedThroughItsOwnConnection) {
    CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
    rec.load();
    const std::string periodic = "30000 总字数：588字 正确字数：5字 错误字数：1字 正确率：83％ 速度:12字/分钟";
    std::unique_ptr<ResultWriter> writer = rec.resultWriter();
    std::thread([&] { writer->storeResult(periodic); }).join();
    EXPECT_EQ(stored("ct", "dz_result"), periodic);
    EXPECT_EQ(stored("ct", "dz_result", "110199990002"), "");

    ASSERT_TRUE(ct->locate("zkzh", db::Value(std::string("110199990001"))));
    ct->edit();
    ct->field("resttime").setString("1:29:30");  // the countdown's own post
    ct->post();
    EXPECT_EQ(stored("ct", "resttime"), "1:29:30");
    EXPECT_EQ(stored("ct", "dz_result"), periodic);

    // A later store finds the row again after another program rewrote it.
    ct->edit();
    ct->field("dz_result").setString("x");
    ct->post();
    std::thread([&] { writer->storeResult(periodic + "!"); }).join();
    EXPECT_EQ(stored("ct", "dz_result"), periodic + "!");
}

TEST_F(RecordOnDatabase, APeriodicResultForAMissingRowIsAnErrorEveryTime) {
    CursorTypingRecord rec(*stu, *student, *ct, "110199990009");
    std::unique_ptr<ResultWriter> writer = rec.resultWriter();
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            writer->storeResult("1 a");
            FAIL() << "no error";
        } catch (const db::DbError& e) {
            EXPECT_NE(std::string(e.what()).find("110199990009"), std::string::npos) << e.what();
        }
    }
}

// The screen on the database: the 30-second store's dz_result is in stu.mdb
// once the writer is done, and the save afterwards replaces it.
TEST_F(RecordOnDatabase, TheScreensPeriodicStoreReachesTheFile) {
    writeModel(7);
    CursorTypingRecord rec(*stu, *student, *ct, "110199990001");
    TypingEngine e(rec, clock, dialogs, place());
    e.shown();
    e.enterText(text::gbkToUtf8(e.pageModelLine(1).substr(0, 4)));
    clock.advance(30'000);
    e.waitForStores();
    EXPECT_EQ(dzTimeOf(stored("ct", "dz_result")), 30'000);
    clock.advance(1000);
    ASSERT_TRUE(e.saveAndQuit());
    EXPECT_EQ(stored("ct", "dz_result"),
              "31000 总字数：196字 正确字数：2字 错误字数：0字 正确率：100％ 速度:3字/分钟");
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kav::typing
