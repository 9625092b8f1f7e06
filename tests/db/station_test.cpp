// The station control record, the update list and the exam-time texts.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/station/station.h"
#include "common/station/update_list.h"
#include "tests/db/db_test_util.h"
#include "tests/support/temp_dir.h"

using namespace kav::station;
using kav::db::DbError;

namespace {

using Names = std::vector<std::string>;

TEST(UpdateList, SplitsAtEachStarLeftToRight) {
    EXPECT_EQ(splitUpdateList(""), Names{});
    EXPECT_EQ(splitUpdateList("stu.mdb"), Names{"stu.mdb"});
    EXPECT_EQ(splitUpdateList("stu.mdb*txt\\txt3.txt"), (Names{"stu.mdb", "txt\\txt3.txt"}));
    EXPECT_EQ(splitUpdateList("a*b*"), (Names{"a", "b"})) << "an empty text after a final * ends the list";
    EXPECT_EQ(splitUpdateList("a**b"), (Names{"a", "", "b"})) << "adjacent stars give an empty name";
    EXPECT_EQ(splitUpdateList("a**"), (Names{"a", ""}));
    EXPECT_EQ(splitUpdateList("*"), Names{""});
    EXPECT_EQ(splitUpdateList("*a"), (Names{"", "a"}));
    EXPECT_EQ(splitUpdateList(" a * b"), (Names{" a ", " b"})) << "names are kept exactly";
}

TEST(RestTime, TheConsolesCheckWantsExactlyDColonDdColonDd) {
    auto t = parseRestTime("1:30:00");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->totalSeconds(), 5400);
    EXPECT_TRUE(parseRestTime("0:00:00"));
    EXPECT_EQ(parseRestTime("9:59:59")->totalSeconds(), 35999);
    for (const char* bad : {"", "1:30", "1:60:00", "1:00:60", "10:00:00", "1:3:00", "1:30:0", "a:30:00",
                            "1-30-00", " 1:30:00", "1:30:00 ", "1:3x:00", "１:30:00", "01:30:00"})
        EXPECT_FALSE(parseRestTime(bad)) << bad;
}

TEST(RestTime, AnExamTimeHasTheFormAndIsAboveZero) {
    for (const char* good : {"1:30:00", "0:00:01", "0:45:00", "9:59:59"})
        EXPECT_EQ(parseExamTime(good)->toString(), good) << good;
    for (const char* bad : {"0:00:00", "2:00:60", "1:75:00", "10:00:00", "1:30:0", "", "a:30:00", "1:30:00 "})
        EXPECT_FALSE(parseExamTime(bad)) << bad;
}

TEST(RestTime, PositionalReadingTakesDigitsWhereTheyStand) {
    auto read = [](std::string_view s) { return readRestTimePositional(s).totalSeconds(); };
    EXPECT_EQ(read("1:30:00"), 5400);
    EXPECT_EQ(read("0:00:59"), 59);
    EXPECT_EQ(read(""), 0);
    EXPECT_EQ(read("1"), 3600);
    EXPECT_EQ(read("1:3"), 3600 + 30 * 60) << "a missing position counts as 0";
    EXPECT_EQ(read("x:yz:ab"), 0);
    EXPECT_EQ(read("10:00:00"), 3600);
    EXPECT_EQ(read("1:75:00"), 3600 + 75 * 60);
    EXPECT_EQ(read("1:30:00 and more"), 5400);
    RestTime t = readRestTimePositional("2:0a:5b");
    EXPECT_EQ(t.hours, 2);
    EXPECT_EQ(t.minutes, 0);
    EXPECT_EQ(t.seconds, 50);
}

TEST(RestTime, FromSecondsClampsAndPrintsHMmSs) {
    EXPECT_EQ(RestTime::fromSeconds(5400).toString(), "1:30:00");
    EXPECT_EQ(RestTime::fromSeconds(3909).toString(), "1:05:09");
    EXPECT_EQ(RestTime::fromSeconds(0).toString(), "0:00:00");
    EXPECT_EQ(RestTime::fromSeconds(-5).toString(), "0:00:00");
    EXPECT_EQ(RestTime::fromSeconds(36000).toString(), "9:59:59");
    for (int s : {0, 1, 59, 60, 3599, 3600, 35999})
        EXPECT_EQ(parseRestTime(RestTime::fromSeconds(s).toString())->totalSeconds(), s);
}

class StationTest : public ::testing::Test {
protected:
    void SetUp() override { teacher = kav::test::newDatabase(dir / "teacher.mdb"); }
    kav::test::TempDir dir;
    std::unique_ptr<kav::db::Connection> teacher;
};

TEST_F(StationTest, ANewTeacherFileStartsInExamMode) {
    auto state = teacher->openTable("state");
    StationRecord r = readStation(*state);
    EXPECT_EQ(r.korl, korlOf(StationMode::Exam));
    EXPECT_FALSE(r.update || r.clearinfo || r.clearfold);
    EXPECT_EQ(r.resttime, "1:30:00");
}

TEST_F(StationTest, AWriteReachesAClientThatRequeries) {
    auto console = teacher->openTable("state");
    auto client = kav::test::openDatabase(dir / "teacher.mdb")->openTable("state");
    writeStation(*console, {korlOf(StationMode::ForcedCollection), true, false, true, "0:45:00"});
    EXPECT_EQ(readStation(*client).korl, korlOf(StationMode::Exam)) << "the client's snapshot is old until it requeries";
    client->requery();
    StationRecord r = readStation(*client);
    EXPECT_EQ(r.korl, korlOf(StationMode::ForcedCollection));
    EXPECT_TRUE(r.update);
    EXPECT_FALSE(r.clearinfo);
    EXPECT_TRUE(r.clearfold);
    EXPECT_EQ(r.resttime, "0:45:00");
    EXPECT_EQ(std::get<std::int64_t>(client->field("korl").value()), 3) << "korl is stored as an integer";
    EXPECT_EQ(console->recordCount(), 1);
}

TEST_F(StationTest, AnEmptyStateTableGetsItsRowAtTheFirstWrite) {
    auto state = teacher->openTable("state");
    state->remove();
    EXPECT_THROW(readStation(*state), DbError);
    writeStation(*state, {korlOf(StationMode::Practice), false, true, false, "1:00:00"});
    auto fresh = kav::test::openDatabase(dir / "teacher.mdb")->openTable("state");
    ASSERT_EQ(fresh->recordCount(), 1);
    EXPECT_EQ(readStation(*fresh).korl, korlOf(StationMode::Practice));
    EXPECT_TRUE(readStation(*fresh).clearinfo);
}

TEST_F(StationTest, OnlyTheFirstRowCounts) {
    auto state = teacher->openTable("state");
    state->append();
    state->field("korl").setInteger(4);
    state->post();
    EXPECT_EQ(readStation(*state).korl, korlOf(StationMode::Exam));
    writeStation(*state, {korlOf(StationMode::Practice)});
    state->requery();
    state->last();
    EXPECT_EQ(state->field("korl").asInteger(), 4);
}

TEST_F(StationTest, UpdateListReadsAndWritesTheFirstRow) {
    auto updatefile = teacher->openTable("updatefile");
    EXPECT_EQ(readUpdateList(*updatefile), "");
    writeUpdateList(*updatefile, "stu.mdb*txt\\txt0.txt");
    auto client = kav::test::openDatabase(dir / "teacher.mdb")->openTable("updatefile");
    EXPECT_EQ(readUpdateList(*client), "stu.mdb*txt\\txt0.txt");
    EXPECT_EQ(client->recordCount(), 1);
    // A list longer than the column is refused, and the stored list stays.
    EXPECT_THROW(writeUpdateList(*updatefile, std::string(256, 'x')), DbError);
    EXPECT_EQ(updatefile->state(), kav::db::Cursor::State::Browse);
    client->requery();
    EXPECT_EQ(readUpdateList(*client), "stu.mdb*txt\\txt0.txt");
    updatefile->remove();
    EXPECT_EQ(readUpdateList(*updatefile), "");
    writeUpdateList(*updatefile, "a*b");
    EXPECT_EQ(readUpdateList(*updatefile), "a*b");
}

TEST_F(StationTest, RefusedRestTimeLeavesTheRecordUnchanged) {
    auto state = teacher->openTable("state");
    EXPECT_THROW(writeStation(*state, {korlOf(StationMode::Ended), true, true, true, std::string(51, '1')}), DbError);
    EXPECT_EQ(state->state(), kav::db::Cursor::State::Browse);
    state->requery();
    EXPECT_EQ(readStation(*state).korl, korlOf(StationMode::Exam));
    EXPECT_FALSE(readStation(*state).update);
}

}  // namespace

// ------------------------------------------------------------------ update list checks

namespace {

TEST(UpdateListCheckTest, NamesThatStopTheClientsOrLeaveTheirFolderAreRefusedWithTheirReason) {
    struct Case {
        const char* list;
        std::vector<std::string> bad;  // the text of every bad entry
    };
    const Case cases[] = {
        {"stu.mdb*txt\\txt0.txt*word/w1.docx", {}},
        {"stu.mdb*", {}},  // an empty text after a final "*" ends the list
        {"", {}},
        {"a.txt..b*..txt", {}},  // ".." only counts as a whole part
        {"a**b", {"第2个文件名“”为空（两个*之间没有文件名）"}},
        {"*a", {"第1个文件名“”为空（两个*之间没有文件名）"}},
        {"a*  *b", {"第2个文件名“  ”为空（两个*之间没有文件名）"}},
        {"..\\..\\etc\\x", {"第1个文件名“..\\..\\etc\\x”不能含有“..”"}},
        {"stu.mdb*txt/../../x", {"第2个文件名“txt/../../x”不能含有“..”"}},
        {"\\etc\\x*/etc/x", {"第1个文件名“\\etc\\x”不能是绝对路径", "第2个文件名“/etc/x”不能是绝对路径"}},
        {"c:\\x*d:y", {"第1个文件名“c:\\x”不能带盘符或冒号", "第2个文件名“d:y”不能带盘符或冒号"}},
        // A name that ends at a folder: the copy of a folder fails on every client.
        {"a*.*word\\*txt/.*a.b", {"第2个文件名“.”指向文件夹而不是文件", "第3个文件名“word\\”指向文件夹而不是文件",
                                    "第4个文件名“txt/.”指向文件夹而不是文件"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts;
        for (const auto& bad : checkUpdateList(c.list)) texts.push_back(bad.text());
        EXPECT_EQ(texts, c.bad) << c.list;
    }
}

// The one lookup of the share the console, kavtool and the client make: names
// found whatever their case, a name matching two files, a link anywhere on the
// way and anything not a regular file refused.
TEST(UpdateListCheckTest, SharedFilesAreFoundIgnoringCaseAndOnlyAsRegularFiles) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "stu.mdb", "db");
    kav::test::writeFile(dir / "txt" / "txt0.txt", "t");
    kav::test::writeFile(dir / "two" / "a.txt", "a");
    kav::test::writeFile(dir / "two" / "A.TXT", "A");
    kav::test::writeFile(dir / "word" / "word1.docx", "w");
    std::filesystem::create_symlink("/etc/hostname", dir / "secret.txt");
    std::filesystem::create_directory_symlink(dir / "txt", dir / "linked");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Case {
        std::string name;
        UpdateFileFault fault;
        std::string relative;  // as found in the share
    };
    const Case cases[] = {
        {"stu.mdb", UpdateFileFault::None, "stu.mdb"},
        {"STU.MDB", UpdateFileFault::None, "stu.mdb"},
        {"TXT\\Txt0.txt", UpdateFileFault::None, "txt/txt0.txt"},
        {"WORD/word1.docx", UpdateFileFault::None, "word/word1.docx"},
        {"txt\\.\\txt0.txt", UpdateFileFault::None, "txt/txt0.txt"},
        {"txt\\txt1.txt", UpdateFileFault::Missing, ""},
        {"stu.mdb\\x", UpdateFileFault::Missing, ""},
        {"word", UpdateFileFault::NotAFile, ""},
        {"pipe", UpdateFileFault::NotAFile, ""},
        {"secret.txt", UpdateFileFault::Link, ""},
        {"linked\\txt0.txt", UpdateFileFault::Link, ""},
        {"two\\a.txt", UpdateFileFault::Ambiguous, ""},
        {"two\\a.Txt", UpdateFileFault::Ambiguous, ""},
    };
    for (const Case& c : cases) {
        const auto files = findUpdateFiles(c.name, dir.path());
        ASSERT_EQ(files.size(), 1u) << c.name;
        EXPECT_EQ(files[0].fault, c.fault) << c.name;
        if (c.fault == UpdateFileFault::None) EXPECT_EQ(files[0].relative, c.relative) << c.name;
        else EXPECT_NE(files[0].text().find("“" + c.name + "”"), std::string::npos) << files[0].text();
    }
    // Bad names are left to checkUpdateList; the rest keep list order.
    const auto files = findUpdateFiles("..\\x*stu.mdb**txt\\txt1.txt", dir.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].text(), "教师机上没有文件“txt\\txt1.txt”");
}

TEST(UpdateListCheckTest, AnEmptyListIsStoredAsNull) {
    kav::test::TempDir dir;
    kav::db::createDatabase(dir / "teacher.mdb", kav::db::DatabaseKind::Teacher);
    auto teacher = kav::db::connect(kav::db::ConnectionString::forDataSource("teacher.mdb").toString(), dir.path());
    auto updatefile = teacher->openTable("updatefile");
    writeUpdateList(*updatefile, "stu.mdb");
    writeUpdateList(*updatefile, "");
    updatefile->first();
    EXPECT_TRUE(updatefile->field("filename").isNull());
}

}  // namespace
