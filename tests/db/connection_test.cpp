// Connection strings, opening files (passwords, missing and damaged files) and
// making new databases.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <fstream>

#include "common/account/password.h"
#include "common/core/sqlite_files.h"
#include "tests/db/db_test_util.h"
#include "tests/support/temp_dir.h"

using namespace kav::db;
using kav::test::TempDir;
using kav::test::openDatabase;

namespace {

const std::string kStandard =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=stu.mdb;Jet OLEDB:Database Password=\"#]%#6kiva4#]%#KIVA51\";"
    "Persist Security Info=False";

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ConnectionString, StandardStringParsesAndIsRebuiltExactly) {
    ConnectionString cs = ConnectionString::parse(kStandard);
    EXPECT_EQ(cs.provider, "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(cs.dataSource, "stu.mdb");
    EXPECT_EQ(cs.password, "#]%#6kiva4#]%#KIVA51");
    EXPECT_EQ(cs.password.size(), 20u);
    EXPECT_FALSE(cs.persistSecurityInfo);
    EXPECT_EQ(ConnectionString::forDataSource("stu.mdb").toString(), kStandard);
}

TEST(ConnectionString, AcceptsAnyOrderCaseQuotesAndSpaces) {
    ConnectionString cs = ConnectionString::parse(
        " persist security info = TRUE ; DATA SOURCE=\"/srv/a;b \"\"x\"\".mdb\";"
        "jet oledb:database password='pw';Provider = Microsoft.Jet.OLEDB.4.0;");
    EXPECT_TRUE(cs.persistSecurityInfo);
    EXPECT_EQ(cs.dataSource, "/srv/a;b \"x\".mdb");
    EXPECT_EQ(cs.password, "pw");
    EXPECT_EQ(cs.provider, "Microsoft.Jet.OLEDB.4.0");
    // The rebuilt string quotes the awkward data source and reads back the same.
    ConnectionString again = ConnectionString::parse(cs.toString());
    EXPECT_EQ(again.dataSource, cs.dataSource);
    EXPECT_EQ(again.password, cs.password);
    EXPECT_TRUE(again.persistSecurityInfo);
}

TEST(ConnectionString, PasswordWithSemicolonAndQuoteSurvivesRoundTrip) {
    ConnectionString cs = ConnectionString::forDataSource("x.mdb");
    cs.password = "a;\"b";
    EXPECT_EQ(ConnectionString::parse(cs.toString()).password, "a;\"b");
}

TEST(ConnectionString, AwkwardValuesOfEveryFieldSurviveRoundTrip) {
    const std::string awkward[] = {"a;b", "x=y", "\"q\"", "it's", " padded ", "a;\"b'c=d"};
    for (const std::string& value : awkward) {
        for (std::string ConnectionString::*field :
             {&ConnectionString::provider, &ConnectionString::dataSource, &ConnectionString::password}) {
            ConnectionString cs = ConnectionString::forDataSource("x.mdb");
            cs.*field = value;
            ConnectionString again = ConnectionString::parse(cs.toString());
            EXPECT_EQ(again.provider, cs.provider) << cs.toString();
            EXPECT_EQ(again.dataSource, cs.dataSource) << cs.toString();
            EXPECT_EQ(again.password, cs.password) << cs.toString();
        }
    }
}

TEST(ConnectionString, MalformedStringsNameTheirFault) {
    struct Case {
        std::string text, mentions;
    } cases[] = {
        {"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=\"x\";Persist Security Info=False",
         "'Data Source' is missing"},
        {"Provider=P;Data Source=a;Persist Security Info=False", "'Jet OLEDB:Database Password' is missing"},
        {"Data Source=a;Jet OLEDB:Database Password=\"x\";Persist Security Info=False", "'Provider' is missing"},
        {"Provider=P;Data Source=a;Jet OLEDB:Database Password=\"x\"", "'Persist Security Info' is missing"},
        {"", "'Provider' is missing"},
        {"Provider=P;Data Source;Jet OLEDB:Database Password=\"x\";Persist Security Info=False", "'Data Source'"},
        {"Provider=P;Data Source=a;Colour=red;Jet OLEDB:Database Password=\"x\";Persist Security Info=False",
         "unknown field 'Colour'"},
        {"Provider=P;Data Source=a;Data Source=b;Jet OLEDB:Database Password=\"x\";Persist Security Info=False",
         "'Data Source' occurs twice"},
        {"Provider=P;Data Source=a;Jet OLEDB:Database Password=\"x;Persist Security Info=False", "no closing quote"},
        {"Provider=P;Data Source=a;Jet OLEDB:Database Password=\"x\"y;Persist Security Info=False",
         "after the quoted value"},
        {"Provider=P;Data Source=a;Jet OLEDB:Database Password=\"x\";Persist Security Info=Maybe",
         "True or False"},
        {"Provider=P;Data Source=  ;Jet OLEDB:Database Password=\"x\";Persist Security Info=False",
         "'Data Source' is empty"},
        {"Provider=;Data Source=a;Jet OLEDB:Database Password=\"x\";Persist Security Info=False",
         "'Provider' is empty"},
    };
    for (const auto& c : cases) {
        std::string message = messageOf([&] { ConnectionString::parse(c.text); });
        EXPECT_NE(message.find("Invalid connection string"), std::string::npos) << c.text << " -> " << message;
        EXPECT_NE(message.find(c.mentions), std::string::npos) << c.text << " -> " << message;
    }
}

TEST(Connect, RelativeDataSourceResolvesAgainstTheWorkingFolderWithEitherSeparator) {
    TempDir dir;
    std::filesystem::create_directories(dir / "share");
    createDatabase(dir / "share" / "teacher.mdb");
    auto forward = connect(ConnectionString::forDataSource("share/teacher.mdb").toString(), dir.path());
    EXPECT_EQ(forward->dataSource(), (dir / "share" / "teacher.mdb").string());
    auto backslash = connect(ConnectionString::forDataSource("share\\teacher.mdb").toString(), dir.path());
    EXPECT_EQ(backslash->dataSource(), (dir / "share" / "teacher.mdb").string());
    auto absolute = connect(ConnectionString::forDataSource((dir / "share/teacher.mdb").string()).toString(), "/");
    EXPECT_EQ(absolute->tableNames(),
              (std::vector<std::string>{"score", "condition", "state", "updatefile", "user", "heartbeat", "regrade"}));
}

TEST(Connect, UnknownProviderIsRefused) {
    TempDir dir;
    std::string text = kStandard;
    text.replace(text.find("Microsoft.Jet.OLEDB.4.0"), 23, "Other.Provider");
    EXPECT_NE(messageOf([&] { connect(text, dir.path()); }).find("Provider cannot be found"), std::string::npos);
}

TEST(Connect, WrongOrMissingPasswordFailsWithTheEngineText) {
    TempDir dir;
    createDatabase(dir / "stu.mdb");
    for (std::string password : {"wrong", "", "#]%#6kiva4#]%#KIVA5", "#]%#6kiva4#]%#kiva51"}) {
        ConnectionString cs = ConnectionString::forDataSource("stu.mdb");
        cs.password = password;
        std::string message = messageOf([&] { connect(cs.toString(), dir.path()); });
        EXPECT_NE(message.find("file is encrypted or is not a database"), std::string::npos)
            << "password '" << password << "': " << message;
    }
}

TEST(Connect, MissingFileIsNamed) {
    TempDir dir;
    std::string message = messageOf([&] { connect(ConnectionString::forDataSource("teacher.mdb").toString(), dir.path()); });
    EXPECT_EQ(message, "Could not find file '" + (dir / "teacher.mdb").string() + "'.");
    EXPECT_FALSE(std::filesystem::exists(dir / "teacher.mdb")) << "opening must not create the file";
}

TEST(Connect, PlainSqliteCannotReadTheFileAndNoTextIsStoredInClear) {
    TempDir dir;
    createDatabase(dir / "teacher.mdb");
    std::string command = "sqlite3 '" + (dir / "teacher.mdb").string() + "' 'SELECT * FROM user' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) output.append(buf, n);
    int status = pclose(pipe);
    EXPECT_NE(status, 0) << output;
    EXPECT_NE(output.find("not a database"), std::string::npos) << output;
    EXPECT_EQ(output.find("assist1"), std::string::npos);
    std::string bytes = kav::test::readFile(dir / "teacher.mdb");
    EXPECT_EQ(bytes.find("assist1"), std::string::npos);
    EXPECT_EQ(bytes.find("SQLite format"), std::string::npos);
    EXPECT_EQ(bytes.find("resttime"), std::string::npos);
}

TEST(Connect, DamagedFilesFailWithAClearError) {
    TempDir dir;
    std::filesystem::create_directories(dir / "full");
    createDatabase(dir / "full" / "stu.mdb");
    auto fill = openDatabase(dir / "full" / "stu.mdb");
    auto win = fill->openTable("win");
    for (int i = 0; i < 40; ++i) {
        win->append();
        win->field("question1").setString(std::string(1000, 'q'));
        win->post();
    }
    fill.reset();
    win.reset();
    std::string bytes = kav::test::readFile(dir / "full" / "stu.mdb");
    ASSERT_GT(bytes.size(), 20000u);

    kav::test::writeFile(dir / "empty" / "stu.mdb", "");
    kav::test::writeFile(dir / "garbage" / "stu.mdb", std::string(8192, '\x5a'));
    kav::test::writeFile(dir / "short" / "stu.mdb", bytes.substr(0, 100));
    kav::test::writeFile(dir / "cut" / "stu.mdb", bytes.substr(0, bytes.size() / 2));
    std::string flipped = bytes;
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 100; ++i) flipped[i] = static_cast<char>(~flipped[i]);
    kav::test::writeFile(dir / "flipped" / "stu.mdb", flipped);

    for (std::string name : {"empty", "garbage", "short", "cut", "flipped"}) {
        std::string message = messageOf([&] {
            auto c = openDatabase(dir / name / "stu.mdb");
            for (const auto& t : c->tableNames()) c->openTable(t);
        });
        EXPECT_NE(message, "(no error)") << name;
        EXPECT_TRUE(message.find("not a database") != std::string::npos ||
                    message.find("malformed") != std::string::npos ||
                    message.find("Cannot read the table") != std::string::npos ||
                    message.find("no exam tables") != std::string::npos)
            << name << ": " << message;
    }
}

// A teacher.mdb (WAL) on a full disk cannot even be read, as its shared-memory
// file cannot grow: the message says the disk is full, not only "disk I/O
// error". Needs a small file system of its own (a tmpfs, mounted as root).
TEST(Connect, AWalDatabaseOnAFullDiskSaysTheDiskIsFull) {
    TempDir dir;
    const std::filesystem::path small = dir / "small";
    std::filesystem::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=2m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::filesystem::path folder;
        ~Unmount() { ::umount2(folder.c_str(), MNT_DETACH); }
    } unmount{small};
    createDatabase(small / "teacher.mdb");
    kav::removeSqliteSideFiles(small / "teacher.mdb");
    {
        std::ofstream filler(small / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    const std::string message = messageOf([&] { openDatabase(small / "teacher.mdb")->openTable("state"); });
    EXPECT_NE(message.find("磁盘已满"), std::string::npos) << message;
}

TEST(Connect, AnUnencryptedSqliteFileIsNotAnExamDatabase) {
    TempDir dir;
    std::string command = "sqlite3 '" + (dir / "stu.mdb").string() + "' 'CREATE TABLE student (x)'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(messageOf([&] { openDatabase(dir / "stu.mdb"); }).find("file is encrypted or is not a database"),
              std::string::npos);
}

TEST(Connect, AnEncryptedFileWithoutTheCatalogueIsRefused) {
    TempDir dir;
    // Made with the sqlcipher shell and the database password: readable, but no exam database.
    std::string command = "sqlcipher '" + (dir / "stu.mdb").string() + "' \"PRAGMA key='" +
                          std::string(kDatabasePassword) + "'; CREATE TABLE student (x);\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(messageOf([&] { openDatabase(dir / "stu.mdb"); }).find("no exam tables"), std::string::npos);
}

TEST(CreateDatabase, KindComesFromTheFileName) {
    EXPECT_EQ(kindFromFileName("/x/STU.MDB"), DatabaseKind::Student);
    EXPECT_EQ(kindFromFileName("Teacher.mdb"), DatabaseKind::Teacher);
    EXPECT_THROW(kindFromFileName("student.mdb"), DbError);
    EXPECT_THROW(kindFromFileName("stu.mdb.bak"), DbError);
    TempDir dir;
    EXPECT_THROW(createDatabase(dir / "other.mdb"), DbError);
    EXPECT_FALSE(std::filesystem::exists(dir / "other.mdb"));
}

TEST(CreateDatabase, RefusesToOverwriteAndKeepsTheOldFile) {
    TempDir dir;
    kav::test::writeFile(dir / "stu.mdb", "precious");
    std::string message = messageOf([&] { createDatabase(dir / "stu.mdb"); });
    EXPECT_NE(message.find("already exists"), std::string::npos) << message;
    EXPECT_EQ(kav::test::readFile(dir / "stu.mdb"), "precious");
}

TEST(CreateDatabase, TablesAndColumnsInOrderWithTheirTypes) {
    TempDir dir;
    auto stu = kav::test::newDatabase(dir / "stu.mdb");
    EXPECT_EQ(stu->tableNames(), (std::vector<std::string>{"student", "win", "selecttest", "word", "ct"}));
    auto student = stu->openTable("STUDENT");  // table names are case-insensitive
    const auto& cols = student->definition().columns;
    ASSERT_EQ(cols.size(), 11u);
    EXPECT_EQ(cols[1].name, "zkzh");
    EXPECT_EQ(cols[1].type, ColumnType::Text);
    EXPECT_EQ(cols[1].width, 12);
    EXPECT_EQ(cols[5].name, "havelogined");
    EXPECT_EQ(cols[5].type, ColumnType::Int16);
    EXPECT_EQ(cols[10].name, "word_cj");
    auto ct = stu->openTable("ct");
    auto teacher = kav::test::newDatabase(dir / "teacher.mdb");
    auto condition = teacher->openTable("condition");
    ASSERT_EQ(ct->definition().columns.size(), 15u);
    for (size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(ct->definition().columns[i].name, condition->definition().columns[i].name);
        EXPECT_EQ(ct->definition().columns[i].type, condition->definition().columns[i].type);
        EXPECT_EQ(ct->definition().columns[i].width, condition->definition().columns[i].width);
    }
    EXPECT_EQ(condition->definition().columns[5].name, "win_condiction");
    EXPECT_EQ(condition->definition().columns[5].type, ColumnType::Memo);
    EXPECT_EQ(condition->definition().columns[10].type, ColumnType::Memo);
    EXPECT_EQ(condition->definition().columns[8].name, "sel_arr3");
    EXPECT_EQ(teacher->openTable("score")->definition().columns[1].width, 40);
    EXPECT_EQ(stu->openTable("selecttest")->definition().columns[7].type, ColumnType::Blob);
}

TEST(CreateDatabase, TeacherFileHasItsAccountsStationRowAndUpdateRow) {
    TempDir dir;
    auto teacher = kav::test::newDatabase(dir / "teacher.mdb");
    auto user = teacher->openTable("user");
    ASSERT_EQ(user->recordCount(), 4);
    for (const auto& account : kDefaultAccounts) {
        EXPECT_EQ(user->field("username").asString(), account.username);
        EXPECT_TRUE(kav::account::verifyPassword(user->field(1).asString(), account.password));
        user->next();
    }
    auto state = teacher->openTable("state");
    ASSERT_EQ(state->recordCount(), 1);
    EXPECT_EQ(state->field("korl").asInteger(), 1);
    EXPECT_FALSE(state->field("update").asBoolean());
    EXPECT_FALSE(state->field("clearinfo").isNull());
    EXPECT_EQ(state->field("resttime").asString(), "1:30:00");
    auto updatefile = teacher->openTable("updatefile");
    ASSERT_EQ(updatefile->recordCount(), 1);
    EXPECT_EQ(updatefile->field("filename").asString(), "");
    EXPECT_EQ(teacher->openTable("score")->recordCount(), 0);
    auto stu = kav::test::newDatabase(dir / "stu.mdb");
    for (const auto& t : stu->tableNames()) EXPECT_EQ(stu->openTable(t)->recordCount(), 0) << t;
}

TEST(Connect, UnknownTableNamesTheTable) {
    TempDir dir;
    auto stu = kav::test::newDatabase(dir / "stu.mdb");
    EXPECT_NE(messageOf([&] { stu->openTable("score"); }).find("'score'"), std::string::npos);
}

TEST(Connect, CursorsOutliveTheirConnection) {
    TempDir dir;
    auto stu = kav::test::newDatabase(dir / "stu.mdb");
    auto student = stu->openTable("student");
    stu.reset();
    kav::test::addStudent(*student, "110199990001", "甲");
    student->requery();
    EXPECT_EQ(student->recordCount(), 1);
}

}  // namespace
