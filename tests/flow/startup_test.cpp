// Start-up of the client up to the login window: single copy, display, the
// teacher's database and station mode, the update list, the record and folder
// resets.
#include <sys/stat.h>

#include <map>

#include <gtest/gtest.h>

#include "client/flow/data_module.h"
#include "client/flow/login.h"
#include "common/db/schema.h"
#include "tests/account/raw_file.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;
using kav::test::readFile;
using kav::test::writeFile;
using kav::ui::MessageKind;

TEST(FlowStartupTest, ReachesTheHiddenLoginWindowWithoutAnyMessage) {
    Harness h;
    Client client(h.env());
    ASSERT_TRUE(client.start());
    ASSERT_NE(client.login(), nullptr);
    EXPECT_FALSE(client.login()->visible);
    EXPECT_TRUE(client.dialogs().message(MessageKind::Plain, "probe") == kav::ui::Answer::Ok);
    EXPECT_EQ(h.dialogs.shown.size(), 1u);  // only the probe
    EXPECT_EQ(client.login()->Edit3, "407913");
    client.FormClick();
    EXPECT_TRUE(client.login()->visible);
    EXPECT_TRUE(client.login()->stayOnTop);
}

TEST(FlowStartupTest, RefusesToStartWhileTheLabCollectsOrHasEnded) {
    for (int korl : {3, 4}) {
        Harness h;
        h.lab.setKorl(korl);
        Client client(h.env());
        EXPECT_FALSE(client.start());
        EXPECT_EQ(h.exits, 1);
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Warning);
        EXPECT_EQ(h.dialogs.shown[0].text, "考试练习状态未重置，请与管理员联系！！！");
        // ExitClient gave the marker back: another copy may start.
        kav::platform::SingleCopyLock again(h.lab.lockFile);
        EXPECT_TRUE(again.held());
    }
}

// Values the console never writes, put into the station record behind the
// engine's back: the client refuses to start and names the table and column.
TEST(FlowStartupTest, RefusesStationValuesTheirColumnsCannotHold) {
    const struct {
        const char* assignment;
        const char* message;
    } cases[] = {
        {"korl = 'abc'", "数据库 state 表的 korl 列的值“abc”无效"},
        {"korl = 99999999999", "数据库 state 表的 korl 列的值“99999999999”无效"},
        {"korl = '1.5'", "数据库 state 表的 korl 列的值“1.5”无效"},
        {"\"update\" = 'maybe'", "数据库 state 表的 update 列的值“maybe”无效"},
        {"clearinfo = 'x'", "数据库 state 表的 clearinfo 列的值“x”无效"},
        {"clearfold = 7", "数据库 state 表的 clearfold 列的值“7”无效"},
        // Shown by their bytes: a NUL would cut the message where it is shown.
        {"\"update\" = 'a' || char(0) || 'b'", "数据库 state 表的 update 列的值“a\\x00b”无效"},
        {"korl = CAST(x'31ff0a' AS TEXT)", "数据库 state 表的 korl 列的值“1\\xFF\\x0A”无效"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.assignment);
        Harness h;
        kav::test::RawFile(h.lab.teacher / "teacher.mdb", kav::db::kDatabasePassword)
            .exec(std::string("UPDATE state SET ") + c.assignment);
        Client client(h.env());
        EXPECT_FALSE(client.start());
        EXPECT_EQ(h.exits, 1);
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Error);
        EXPECT_EQ(h.dialogs.shown[0].text, c.message);
    }
    // The values the console writes still start the client.
    Harness h;
    kav::test::RawFile(h.lab.teacher / "teacher.mdb", kav::db::kDatabasePassword)
        .exec("UPDATE state SET korl = '2', \"update\" = 0, clearinfo = NULL, clearfold = 0");
    Client client(h.env());
    EXPECT_TRUE(client.start());
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(FlowStartupTest, ASecondCopyEndsQuietlyWithoutTouchingAnything) {
    Harness h;
    kav::platform::SingleCopyLock running(h.lab.lockFile);
    ASSERT_TRUE(running.held());
    h.desktop.size = {1024, 768};
    h.lab.setStation({1, false, true, true, "1:30:00"});
    fs::create_directories(h.lab.driveC / "kavlor" / "11010001");
    Client client(h.env());
    EXPECT_FALSE(client.start());
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.desktop.switches, 0);
    EXPECT_TRUE(fs::exists(h.lab.driveC / "kavlor" / "11010001"));
    EXPECT_TRUE(running.held());
}

TEST(FlowStartupTest, SwitchesAnyOtherScreenSizeTo800x600) {
    for (kav::ui::ScreenSize size : {kav::ui::ScreenSize{1024, 600}, kav::ui::ScreenSize{800, 768}}) {
        Harness h;
        h.desktop.size = size;
        Client client(h.env());
        EXPECT_TRUE(client.start());
        ASSERT_EQ(h.dialogs.texts(), std::vector<std::string>{"您的显示器分辨率不是800*600，系统将自动切换！"});
        EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Plain);
        EXPECT_EQ(h.desktop.switches, 1);
    }
    Harness failing;
    failing.desktop.size = {1280, 1024};
    failing.desktop.switchWorks = false;
    Client client(failing.env());
    EXPECT_FALSE(client.start());
    EXPECT_EQ(failing.dialogs.texts(),
              (std::vector<std::string>{"您的显示器分辨率不是800*600，系统将自动切换！", "切换失败，将退出！"}));
}

TEST(FlowStartupTest, AMissingTeacherPathOrDatabaseEndsWithTheLayersText) {
    Harness h;
    fs::remove(h.lab.station / "tpath.txt");
    Client client(h.env());
    EXPECT_FALSE(client.start());
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_NE(h.dialogs.shown[0].text.find("tpath.txt"), std::string::npos);

    Harness moved;
    writeFile(moved.lab.station / "tpath.txt", (moved.lab.root() / "nowhere").string() + "\r\n");
    Client second(moved.env());
    EXPECT_FALSE(second.start());
    ASSERT_EQ(moved.dialogs.shown.size(), 1u);
    EXPECT_EQ(moved.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_FALSE(moved.dialogs.shown[0].text.empty());
}

TEST(FlowStartupTest, CopiesTheUpdateListReplacingOlderFiles) {
    Harness h;
    writeFile(h.lab.teacher / "txt" / "txt9.txt", "new text");
    writeFile(h.lab.teacher / "readme.txt", "notes");
    writeFile(h.lab.station / "txt" / "txt9.txt", "old text");
    h.lab.setUpdateList("txt\\txt9.txt*readme.txt*");
    auto record = h.lab.station_();
    record.update = true;
    h.lab.setStation(record);
    Client client(h.env());
    ASSERT_TRUE(client.start());
    EXPECT_EQ(readFile(h.lab.station / "txt" / "txt9.txt"), "new text");
    EXPECT_EQ(readFile(h.lab.station / "readme.txt"), "notes");
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(FlowStartupTest, ReplacingADatabaseRemovesTheJournalsLeftBesideTheOldCopy) {
    Harness h;
    writeFile(h.lab.teacher / "bank.mdb", "new bank");
    writeFile(h.lab.station / "bank.mdb", "old bank");
    writeFile(h.lab.station / "bank.mdb-journal", "journal of the old bank");
    writeFile(h.lab.station / "bank.mdb-wal", "log of the old bank");
    h.lab.setUpdateList("bank.mdb");
    auto record = h.lab.station_();
    record.update = true;
    h.lab.setStation(record);
    Client client(h.env());
    ASSERT_TRUE(client.start());
    EXPECT_EQ(readFile(h.lab.station / "bank.mdb"), "new bank");
    EXPECT_FALSE(fs::exists(h.lab.station / "bank.mdb-journal"));
    EXPECT_FALSE(fs::exists(h.lab.station / "bank.mdb-wal"));
}

const std::string kUpdateFailed = "从教师题更新题库失败，请与管理员联系！！！\n";

// The station's program folder, every file with its content.
std::map<std::string, std::string> filesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
    return files;
}

// A list refused as a whole or failing part-way ends the client with the reason
// (naming the file) and leaves every file of the station as it was: nothing is
// replaced before the whole list is checked and copied, no temporary copy stays.
TEST(FlowStartupTest, ARefusedOrFailedUpdateListLeavesTheStationsFilesAsTheyWere) {
    const struct {
        const char* list;
        const char* reason;
    } cases[] = {
        {"one.txt**two.txt", "第2个文件名“”为空（两个*之间没有文件名）"},
        {"one.txt*..\\victim.txt", "第2个文件名“..\\victim.txt”不能含有“..”"},
        {"one.txt*txt\\..\\..\\victim.txt", "不能含有“..”"},
        {"one.txt*../victim.txt", "不能含有“..”"},
        {"one.txt*C:\\victim.txt", "不能带盘符或冒号"},
        {"one.txt*\\victim.txt", "不能是绝对路径"},
        {"one.txt* ", "为空"},
        {"one.txt*missing.txt", "教师机上没有文件“missing.txt”"},
        {"one.txt*link.txt", "“link.txt”在教师机上是符号链接"},
        {"one.txt*Two.txt", "“Two.txt”在教师机上对应多个只差大小写的文件"},
        {"one.txt*pipe", "“pipe”在教师机上不是普通文件"},
        {"one.txt*txt", "“txt”在教师机上不是普通文件"},
        {"one.txt*folder.txt", "学生机上的“folder.txt”是文件夹"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        Harness h;
        writeFile(h.lab.root() / "victim.txt", "precious");
        writeFile(h.lab.teacher / "victim.txt", "from the share");
        writeFile(h.lab.teacher / "one.txt", "new one");
        writeFile(h.lab.teacher / "two.txt", "2");
        writeFile(h.lab.teacher / "TWO.TXT", "2");
        writeFile(h.lab.teacher / "folder.txt", "a file in the share");
        fs::create_directory(h.lab.teacher / "txt");
        fs::create_symlink(h.lab.root() / "victim.txt", h.lab.teacher / "link.txt");
        ASSERT_EQ(::mkfifo((h.lab.teacher / "pipe").c_str(), 0600), 0);
        writeFile(h.lab.station / "one.txt", "old one");
        fs::create_directory(h.lab.station / "folder.txt");
        const auto before = filesUnder(h.lab.station);
        h.lab.setUpdateList(c.list);
        auto record = h.lab.station_();
        record.update = true;
        h.lab.setStation(record);
        Client client(h.env());
        EXPECT_FALSE(client.start());
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Warning);
        EXPECT_EQ(h.dialogs.shown[0].text.rfind(kUpdateFailed, 0), 0u) << h.dialogs.shown[0].text;
        EXPECT_NE(h.dialogs.shown[0].text.find(c.reason), std::string::npos) << h.dialogs.shown[0].text;
        EXPECT_EQ(filesUnder(h.lab.station), before);
        EXPECT_EQ(readFile(h.lab.root() / "victim.txt"), "precious");
        EXPECT_EQ(h.exits, 1);
    }
}

// The station copies what the console's check found: a name differing from the
// share's file only in case replaces the station's file of the share's name.
TEST(FlowStartupTest, AnUpdateNameIsFoundInTheShareWhateverItsCase) {
    Harness h;
    writeFile(h.lab.teacher / "word" / "word1.docx", "new document");
    writeFile(h.lab.teacher / "bank.mdb", "new bank");
    writeFile(h.lab.station / "word" / "word1.docx", "old document");
    writeFile(h.lab.station / "bank.mdb", "old bank");
    h.lab.setUpdateList("WORD\\Word1.DOCX*BANK.mdb");
    auto record = h.lab.station_();
    record.update = true;
    h.lab.setStation(record);
    Client client(h.env());
    ASSERT_TRUE(client.start()) << (h.dialogs.shown.empty() ? "" : h.dialogs.shown[0].text);
    EXPECT_EQ(readFile(h.lab.station / "word" / "word1.docx"), "new document");
    EXPECT_FALSE(fs::exists(h.lab.station / "WORD"));
    EXPECT_FALSE(fs::exists(h.lab.station / "word" / "Word1.DOCX"));
    EXPECT_EQ(readFile(h.lab.station / "bank.mdb"), "new bank");
    EXPECT_FALSE(fs::exists(h.lab.station / "BANK.mdb"));
}

TEST(FlowStartupTest, UpdateFlagOffCopiesNothing) {
    Harness h;
    writeFile(h.lab.teacher / "one.txt", "1");
    h.lab.setUpdateList("one.txt");
    Client client(h.env());
    ASSERT_TRUE(client.start());
    EXPECT_FALSE(fs::exists(h.lab.station / "one.txt"));
}

TEST(FlowStartupTest, RecordResetWipesTheExamRecordsAndResetsTheRoster) {
    Harness h;
    {
        auto stu = h.lab.stuDb();
        auto ct = stu->openTable("ct");
        for (const char* z : {kFirst, kSecond}) {
            ct->append();
            ct->field("zkzh").setString(z);
            ct->post();
        }
        auto student = stu->openTable("student");
        student->edit();
        for (const char* c : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
            student->field(c).setInteger(5);
        student->post();
    }
    writeFile(h.lab.driveC / "kavlor" / "11010001" / "old.txt", "old");
    writeFile(h.lab.driveC / "kavtmp" / "11010001", "typed");
    h.lab.setStation({1, false, true, true, "1:30:00"});
    Client client(h.env());
    ASSERT_TRUE(client.start());

    auto stu = h.lab.stuDb();
    EXPECT_EQ(rowCount(*stu, "ct"), 0);
    auto student = stu->openTable("student");
    for (student->first(); !student->eof(); student->next()) {
        EXPECT_EQ(student->field("kstime").asDateTime(), h.clock.local);
        for (const char* c : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
            EXPECT_EQ(student->field(c).asInteger(), 0) << c;
    }
    // The folder reset is over before start-up goes on.
    EXPECT_TRUE(fs::is_directory(h.lab.driveC / "kavlor"));
    EXPECT_TRUE(fs::is_directory(h.lab.driveC / "kavtmp"));
    EXPECT_TRUE(fs::is_empty(h.lab.driveC / "kavlor"));
    EXPECT_TRUE(fs::is_empty(h.lab.driveC / "kavtmp"));
    EXPECT_FALSE(fs::exists(h.lab.station / "_copy.bat"));
}

TEST(FlowStartupTest, RecordResetOnAnEmptyRecordTableResetsOnlyTheRoster) {
    Harness h;
    h.lab.setLogins(kSecond, 2);
    h.lab.setStation({2, false, true, false, "1:30:00"});
    writeFile(h.lab.driveC / "kavlor" / "11010002" / "keep.txt", "keep");
    Client client(h.env());
    ASSERT_TRUE(client.start());
    auto stu = h.lab.stuDb();
    EXPECT_EQ(rowValue(*stu, "student", kSecond, "havelogined"), "0");
    EXPECT_TRUE(fs::exists(h.lab.driveC / "kavlor" / "11010002" / "keep.txt"));  // clearfold is off
}

TEST(FlowStartupTest, AFailedOpeningLeavesTheDataModuleAsItWas) {
    kav::test::TempDir good, wrong;
    kav::db::createDatabase(good / "stu.mdb");
    // A teacher file under the student file's name: it connects, but has no student table.
    kav::db::createDatabase(wrong / "teacher.mdb");
    fs::rename(wrong / "teacher.mdb", wrong / "stu.mdb");

    DataModule data;
    EXPECT_THROW(data.openStudent(wrong.path()), kav::db::DbError);
    EXPECT_FALSE(data.studentOpen());

    data.openStudent(good.path());
    kav::db::Cursor& win = data.ADOTable_win();
    EXPECT_THROW(data.openStudent(wrong.path()), kav::db::DbError);
    EXPECT_TRUE(data.studentOpen());
    EXPECT_EQ(&data.ADOTable_win(), &win);  // the cursors opened before stay in use
    EXPECT_EQ(data.ADOTable_word().definition().name, "word");
}

}  // namespace
}  // namespace kavlor::test
