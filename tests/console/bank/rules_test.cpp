// The bank's checks and the CSV import on a real stu.mdb.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/text/gbk.h"
#include "common/bank/csv_import.h"
#include "common/bank/rules.h"
#include "tests/support/temp_dir.h"

namespace mendrix::bank {
namespace {

using Strings = std::vector<std::string>;

TEST(BankRulesTest, AdmissionNumbersThatAreEmptyTakenOrHoldPathCharactersAreRefused) {
    const Strings stored{"110199990001", "110199990002"};
    struct Case {
        std::string zkzh;
        std::string refusal;
    };
    const Case cases[] = {
        {"110199990003", ""},
        {"", "准考证号不能为空！"},
        {"110199990002", "准考证号“110199990002”已经有考生使用！"},
        {"1101 0003", "准考证号“1101 0003”不能含有空格或 \\ / : * ? \" < > | 等字符！"},
        // The number names the candidate's folder: no folder above it, no name Windows shortens.
        {".", "准考证号“.”对应的考生文件夹名“.”以点结尾，不能用作文件夹名！"},
        {"..", "准考证号“..”对应的考生文件夹名“..”以点结尾，不能用作文件夹名！"},
        {"123.5678", "准考证号“123.5678”对应的考生文件夹名“123.”以点结尾，不能用作文件夹名！"},
        {"1101.9990001", ""},
        {"1101\n0001", "准考证号不能含有换行、制表符等控制字符！"},
        {std::string("1101\0""0001", 9), "准考证号不能含有换行、制表符等控制字符！"},
        {"1101\t0001", "准考证号不能含有换行、制表符等控制字符！"},
        {"1101\x7F", "准考证号不能含有换行、制表符等控制字符！"},
    };
    for (const Case& c : cases) EXPECT_EQ(admissionNumberRefusal(c.zkzh, stored), c.refusal) << c.zkzh;
    for (char path : std::string("\\/:*?\"<>| "))
        EXPECT_FALSE(admissionNumberRefusal("11" + std::string(1, path) + "01", stored).empty()) << path;
}

TEST(BankRulesTest, CandidatesWithoutPasswordOrSharingAFolderAreWarnedAboutOncePerFolder) {
    struct Case {
        std::string zkzh, password;
        Strings others;
        Strings warnings;
    };
    const Case cases[] = {
        {"110199990001", "pw", {"110199990002"}, {}},
        {"110199990001", "", {}, {"准考证号“110199990001”的考生没有登录密码。"}},
        // The folder drops the 5th to 8th characters: all these give 11010001.
        {"110199990001",
         "pw",
         {"110188880001", "110199990002"},
         {"准考证号“110199990001”与另外1名考生（“110188880001”）的考生文件夹同为11010001，他们的考试文件会放在同一个文件夹中。"}},
        {"110199990001",
         "pw",
         {"110111110001", "110122220001", "110133330001", "110144440001"},
         {"准考证号“110199990001”与另外4名考生（“110111110001”、“110122220001”、“110133330001”等）的考生文件夹同为11010001，"
          "他们的考试文件会放在同一个文件夹中。"}},
    };
    for (const Case& c : cases) EXPECT_EQ(candidateWarnings(c.zkzh, c.password, c.others), c.warnings) << c.zkzh;

    // A roster of 8-digit numbers: every one names the folder 2024.
    Strings roster;
    for (int i = 0; i < 50; ++i) roster.push_back("2024" + std::to_string(1000 + i));
    roster.push_back("110199990001");
    roster.push_back("110188880001");
    EXPECT_EQ(sharedFolderWarnings(roster),
              (Strings{"50名考生（“20241000”、“20241001”、“20241002”等）的考生文件夹同为2024，他们的考试文件会放在同一个文件夹中。",
                       "2名考生（“110199990001”、“110188880001”）的考生文件夹同为11010001，他们的考试文件会放在同一个文件夹中。"}));
    // Only folders holding a number from firstNew on are reported.
    EXPECT_EQ(sharedFolderWarnings(roster, 49).size(), 2u);
    EXPECT_EQ(sharedFolderWarnings(roster, 50).size(), 1u);
    EXPECT_EQ(sharedFolderWarnings(roster, 52).size(), 0u);

    // Past five folders the rest are counted on one line, so that a box fits the screen.
    Strings pairs;
    for (int folder = 0; folder < 8; ++folder)
        for (const char* middle : {"1111", "2222"}) pairs.push_back("1101" + std::string(middle) + "000" + std::to_string(folder));
    const Strings folders = sharedFolderWarnings(pairs);
    ASSERT_EQ(folders.size(), 6u);
    EXPECT_EQ(folders.back(), "另有3个考生文件夹也各有多名考生共用。");
}

TEST(BankRulesTest, AChoiceKeyIsOneLetterAToDInEitherCaseStoredTrimmed) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"A", "A"},           {" b ", "b"},         {"d", "d"},           {"\tC", "C"},
        {"E", std::nullopt},  {"AB", std::nullopt}, {"A B", std::nullopt}, {"", std::nullopt},
        {" ", std::nullopt},  {"1", std::nullopt},  {"甲", std::nullopt},
    };
    for (const auto& [typed, stored] : cases) EXPECT_EQ(choiceKey(typed), stored) << "[" << typed << "]";
}

TEST(BankRulesTest, PicturesAboveTheLimitAreWarnedAbout) {
    EXPECT_EQ(pictureSizeWarning(kPictureWarningBytes), "");
    EXPECT_EQ(pictureSizeWarning(kPictureWarningBytes + 1),
              "图片有201KB，超过200KB；题库会复制到每一台学生机，请尽量使用较小的图片。");
}

TEST(BankRulesTest, AWordFileNameIsABareNameOfTheWordFolder) {
    kav::test::TempDir dir;
    std::filesystem::create_directories(dir / "word");
    kav::test::writeFile(dir / "word" / "w1.docx", "doc");
    struct Case {
        std::string name;
        bool refused;
        bool missing;
    };
    const Case cases[] = {
        {"w1.docx", false, false}, {"W1.DOCX", false, false},  // found as Windows finds it
        {"w2.docx", false, true},  {"", false, true},
        {"..\\w1.docx", true, false}, {"word/w1.docx", true, false}, {"c:w1.docx", true, false}, {"..", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!wordFileNameRefusal(c.name).empty(), c.refused) << c.name;
        EXPECT_EQ(!wordFileMissingWarning(c.name, dir.path()).empty(), c.missing) << c.name;
    }
    EXPECT_EQ(wordFileMissingWarning("w2.docx", dir.path()),
              "word文件夹中没有文件“w2.docx”，请把该Word文档放入word文件夹并列入更新文件。");
}

TEST(BankRulesTest, ABankThatCannotGiveAnExamIsWarnedAbout) {
    struct Case {
        int choice, win, word;
        Strings warnings;
    };
    const Case cases[] = {
        {30, 1, 1, {}},
        {29, 1, 1, {"选择题只有29道，少于30道，学生机无法抽题！"}},
        {40, 0, 2, {"没有WIN题，学生机无法抽题！"}},
        {40, 2, 0, {"没有WORD题，学生机无法开始考试！"}},
        {0, 0, 0, {"选择题只有0道，少于30道，学生机无法抽题！", "没有WIN题，学生机无法抽题！", "没有WORD题，学生机无法开始考试！"}},
    };
    for (const Case& c : cases) EXPECT_EQ(bankWarnings(c.choice, c.win, c.word), c.warnings) << c.choice;
}

// ------------------------------------------------------------------ CSV

TEST(CsvReadTest, ReadsUtf8WithOrWithoutMarkAndGbkAlike) {
    const std::string utf8 = "准考证号,姓名,密码\r\n110199990001,张三,pw\r\n";
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, kav::text::utf8ToGbk(utf8)}) {
        const CsvFile file = readCsv(bytes);
        ASSERT_TRUE(file.errors.empty());
        ASSERT_EQ(file.records.size(), 2u);
        EXPECT_EQ(file.records[0].cells, (Strings{"准考证号", "姓名", "密码"}));
        EXPECT_EQ(file.records[1].cells, (Strings{"110199990001", "张三", "pw"}));
        EXPECT_EQ(file.records[1].line, 2);
    }
}

TEST(CsvReadTest, QuotedCellsKeepCommasQuotesAndLineBreaksAndLinesCountFromTheirStart) {
    const CsvFile file = readCsv("\"一,二\",\"说\"\"好\"\"\"\n\n,,\n\"第一行\n第二行\",x\nlast,y");
    ASSERT_TRUE(file.errors.empty());
    ASSERT_EQ(file.records.size(), 3u) << "blank records are dropped";
    EXPECT_EQ(file.records[0].cells, (Strings{"一,二", "说\"好\""}));
    EXPECT_EQ(file.records[1].cells, (Strings{"第一行\n第二行", "x"}));
    EXPECT_EQ(file.records[1].line, 4);
    EXPECT_EQ(file.records[2].cells, (Strings{"last", "y"}));
    EXPECT_EQ(file.records[2].line, 6);
}

TEST(CsvReadTest, AnOpenQuoteOrBytesOfNoEncodingAreErrorsOfTheFile) {
    EXPECT_FALSE(readCsv("a,\"b\nc,d\n").errors.empty());
    // 0xFF is no GBK lead byte and the text is no valid UTF-8 either.
    const CsvFile broken = readCsv("a,\xFF\xFF,b\n");
    ASSERT_EQ(broken.errors.size(), 1u);
    EXPECT_EQ(broken.errors[0].line, 0);
}

class CsvImportTest : public ::testing::Test {
protected:
    kav::test::TempDir dir;
    std::unique_ptr<kav::db::Connection> stu;
    std::unique_ptr<kav::db::Cursor> student, selecttest;

    void SetUp() override {
        kav::db::createDatabase(dir / "stu.mdb");
        stu = connect();
        student = stu->openTable("student");
        selecttest = stu->openTable("selecttest");
        student->append();
        student->field("zkzh").setString("110199990001");
        student->post();
    }
    std::unique_ptr<kav::db::Connection> connect() {
        return kav::db::connect(kav::db::ConnectionString::forDataSource("stu.mdb").toString(), dir.path());
    }
    // The column as stored now.
    Strings column(kav::db::Cursor& c, const char* name) {
        Strings values;
        for (c.requery(); !c.eof(); c.next()) values.push_back(c.field(name).asString());
        return values;
    }
    static std::string roster(int rows, int from = 2) {
        std::string bytes = "准考证号,姓名,密码\n";
        for (int i = from; i < from + rows; ++i) bytes += std::to_string(110100000000LL + i) + ",考生,pw\n";
        return bytes;
    }
};

TEST_F(CsvImportTest, ARosterIsAppendedAfterItsHeaderWithTheRowRule) {
    const auto result = importCsv(ImportKind::Roster, " 准考证号 ,姓名,密码\n110199990002,李四,pw2\n110199990003,王五,\n", *stu);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.imported, 2);
    EXPECT_EQ(column(*student, "zkzh"), (Strings{"110199990001", "110199990002", "110199990003"}));
    EXPECT_EQ(column(*student, "ksxm"), (Strings{"", "李四", "王五"}));
    EXPECT_EQ(column(*student, "kscj"), (Strings{"", "0", "0"})) << "the row stored before is left as it is";
    EXPECT_EQ(column(*student, "havelogined"), (Strings{"", "0", "0"}));
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(toolLine(result.warnings[0]), "line 3: 准考证号“110199990003”的考生没有登录密码。");
}

TEST_F(CsvImportTest, TheHeaderIsReadByColumnNamesInAnyOrder) {
    struct Case {
        const char* what;
        std::string bytes;
        Strings numbers, names, passwords;
    };
    const Case cases[] = {
        {"swapped", "姓名,准考证号,密码\n李四,110199990002,pw\n", {"110199990002"}, {"李四"}, {"pw"}},
        {"aliases", "口令,考生姓名,考号\npw,李四,110199990002\n", {"110199990002"}, {"李四"}, {"pw"}},
        {"empty trailing cells", "准考证,姓名,登录密码,,\n110199990002,李四,pw\n", {"110199990002"}, {"李四"}, {"pw"}},
        {"no header, plainly data", "110199990002,李四,pw\n", {"110199990002"}, {"李四"}, {"pw"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto db = connect();
        const auto result = importCsv(ImportKind::Roster, c.bytes, *db);
        ASSERT_TRUE(result.errors.empty()) << toolLine(result.errors[0]);
        EXPECT_EQ(column(*student, "zkzh"), (Strings{"110199990001", c.numbers[0]}));
        EXPECT_EQ(column(*student, "ksxm"), (Strings{"", c.names[0]}));
        EXPECT_EQ(column(*student, "login_keyword"), (Strings{"", c.passwords[0]}));
        student->last();
        student->remove();
    }
    const auto choice = importCsv(ImportKind::Choice, "答案,D,C,B,A,题目\nb,丁,丙,乙,甲,第一题\n", *stu);
    ASSERT_TRUE(choice.errors.empty());
    EXPECT_EQ(column(*selecttest, "select_question"), Strings{"第一题"});
    EXPECT_EQ(column(*selecttest, "sel_a"), Strings{"甲"});
    EXPECT_EQ(column(*selecttest, "correct_sel"), Strings{"b"});
}

TEST_F(CsvImportTest, AFileWithABadRowImportsNothingAndNamesEveryBadLine) {
    struct Case {
        const char* what;
        std::string bytes;
        Strings lines;
    };
    const Case cases[] = {
        {"a missing column", "110199990002,李四\n", {"line 1: 应有3列（准考证号、姓名、密码），此行有2列"}},
        {"a column too many", "110199990002,李四,pw,extra\n",
         {"line 1: 应有3列（准考证号、姓名、密码），此行有4列"}},
        {"a number of the table", "110199990002,李四,pw\n110199990001,张三,pw\n",
         {"line 2: 准考证号“110199990001”已经有考生使用！"}},
        {"a number twice in the file", "110199990002,李四,pw\n110199990002,王五,pw\n",
         {"line 2: 准考证号“110199990002”已经有考生使用！"}},
        {"a name too long", "110199990002,欧阳一二三四五六七八九十甲,pw\n",
         {"line 1: 姓名“欧阳一二三四五六七八九十甲”超过12个字"}},
        {"a number too long", "1101999900021,李四,pw\n", {"line 1: 准考证号“1101999900021”超过12个字"}},
        {"an empty number and a path character", "110199990002,李四,pw\n,李四,pw\n11/01,王五,pw\n",
         {"line 2: 准考证号不能为空！", "line 3: 准考证号“11/01”不能含有空格或 \\ / : * ? \" < > | 等字符！"}},
        {"a number naming the folder above", "110199990002,李四,pw\n..,王五,pw\n",
         {"line 2: 准考证号“..”对应的考生文件夹名“..”以点结尾，不能用作文件夹名！"}},
        {"a number with a line break", "110199990002,李四,pw\n\"1101\n0003\",王五,pw\n",
         {"line 2: 准考证号不能含有换行、制表符等控制字符！"}},
        {"the wrong encoding", "110199990002,\xFF\xFF,pw\n", {}},
        {"nothing but the header", "准考证号,姓名,密码\n", {"文件中没有可导入的行"}},
        {"an unknown column", "准考证号,姓名,学号\n110199990002,李四,1\n",
         {"line 1: 表头中的“学号”不是可导入的列（可导入的列：准考证号、姓名、密码）"}},
        {"a missing column in the header", "姓名,准考证号\n李四,110199990002\n", {"line 1: 表头中缺少“密码”列"}},
        {"a column twice", "姓名,准考证号,考号\n李四,110199990002,1\n", {"line 1: 表头中的“准考证号”列出现了两次"}},
        {"a header of unknown names only", "学号,名,备注\n110199990002,李四,pw\n",
         {"line 1: 第一行既不是表头（准考证号、姓名、密码）也不像数据，请在第一行写上表头"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = importCsv(ImportKind::Roster, c.bytes, *stu);
        EXPECT_EQ(result.imported, 0);
        ASSERT_FALSE(result.errors.empty());
        if (!c.lines.empty()) {
            Strings lines;
            for (const auto& e : result.errors) lines.push_back(toolLine(e));
            EXPECT_EQ(lines, c.lines);
        }
        EXPECT_EQ(column(*student, "zkzh"), Strings{"110199990001"});
    }
}

TEST_F(CsvImportTest, MissingPasswordsPastTheFirstFewAreCounted) {
    std::string bytes = "准考证号,姓名,密码\n";
    for (int i = 0; i < 8; ++i) bytes += "22010000000" + std::to_string(i) + ",考生,\n";
    const auto result = importCsv(ImportKind::Roster, bytes, *stu);
    ASSERT_EQ(result.warnings.size(), 6u);
    EXPECT_EQ(toolLine(result.warnings[4]), "line 6: 准考证号“220100000004”的考生没有登录密码。");
    EXPECT_EQ(toolLine(result.warnings[5]), "另有3名考生没有登录密码。");
}

TEST_F(CsvImportTest, SharedFoldersAreWarnedAboutOnceEachWithTheCount) {
    std::string bytes = "准考证号,姓名,密码\n";
    for (int i = 0; i < 30; ++i) bytes += std::to_string(20240000 + i) + ",考生,pw\n";
    const auto result = importCsv(ImportKind::Roster, bytes, *stu);
    ASSERT_TRUE(result.errors.empty());
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(consoleLine(result.warnings[0]),
              "30名考生（“20240000”、“20240001”、“20240002”等）的考生文件夹同为2024，他们的考试文件会放在同一个文件夹中。");
}

TEST_F(CsvImportTest, ACancelOrAFailureOfTheEnginePartWayStoresNothing) {
    int reports = 0;
    const auto cancelled = importCsv(ImportKind::Roster, roster(1000), *stu,
                                     ImportControl{[&](int done, int total) {
                                                       EXPECT_EQ(total, 1000);
                                                       EXPECT_LE(done, total);
                                                       ++reports;
                                                   },
                                                   [&] { return reports >= 2; }});
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.imported, 0);
    EXPECT_EQ(column(*student, "zkzh"), Strings{"110199990001"});

    // A write the engine refuses part-way (a full disk here) takes the rows before it back too.
    EXPECT_THROW(importCsv(ImportKind::Roster, roster(1000), *stu,
                           ImportControl{[&](int done, int) {
                                             if (done >= 400) throw kav::db::DbError("database or disk is full");
                                         },
                                         {}}),
                 kav::db::DbError);
    EXPECT_EQ(column(*student, "zkzh"), Strings{"110199990001"});
}

// The import in a child process that dies part-way: by kill -9 in the middle
// of its transaction, or by a file size limit that fails its writes as a full
// disk does. Either way the bank is as it was.
TEST_F(CsvImportTest, AProcessKilledOrOutOfDiskPartWayLeavesTheBankAsItWas) {
    const std::string bytes = roster(20000);
    const std::uintmax_t bankSize = std::filesystem::file_size(dir / "stu.mdb");
    enum class Death { Kill, FullDisk };
    for (Death death : {Death::Kill, Death::FullDisk}) {
        SCOPED_TRACE(death == Death::Kill ? "kill -9" : "full disk");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (death == Death::FullDisk) {
                ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
                const rlimit limit{bankSize + 64 * 1024, bankSize + 64 * 1024};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            try {
                auto db = connect();
                ImportControl control;
                if (death == Death::Kill)
                    control.progress = [](int done, int) {
                        if (done >= 10000) ::raise(SIGKILL);
                    };
                importCsv(ImportKind::Roster, bytes, *db, control);
            } catch (const kav::db::DbError&) {
                ::_exit(3);  // the engine refused a write: what a full disk gives
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (death == Death::Kill) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "status " << status;
        }
        auto fresh = connect();
        auto rows = fresh->openTable("student");
        EXPECT_EQ(column(*rows, "zkzh"), Strings{"110199990001"});
        // And the bank takes the same file whole afterwards.
        EXPECT_EQ(importCsv(ImportKind::Roster, roster(3), *fresh).imported, 3);
        rows->requery();
        while (rows->recordCount() > 1) {
            rows->last();
            rows->remove();
        }
    }
}

TEST_F(CsvImportTest, ChoiceQuestionsTakeTheirKeyTrimmedAndRefuseAnyOtherKey) {
    const auto good = importCsv(ImportKind::Choice,
                                "题干,a,B,c,D,答案\n第一题,甲,乙,丙,丁, b \n第二题,\"1,2\",2,3,4,D\n", *stu);
    EXPECT_TRUE(good.errors.empty());
    EXPECT_EQ(good.imported, 2);
    EXPECT_EQ(column(*selecttest, "correct_sel"), (Strings{"b", "D"}));
    EXPECT_EQ(column(*selecttest, "sel_a"), (Strings{"甲", "1,2"}));

    const auto bad = importCsv(ImportKind::Choice, "第三题,1,2,3,4,E\n第四题,1,2,3,4,A B\n", *stu);
    ASSERT_EQ(bad.errors.size(), 1u) << "the first row is no plain question: taken as a header";
    EXPECT_EQ(consoleLine(bad.errors[0]),
              "第1行：第一行既不是表头（题干、A、B、C、D、答案）也不像数据，请在第一行写上表头");
    const auto badKeys = importCsv(ImportKind::Choice,
                                   "第三题,1,2,3,4,A\n第四题,1,2,3,4,E\n第五题,1,2,3,4,A B\n" +
                                       std::string(kMaxStemCharacters + 1, 'x') + ",1,2,3,4,A\n",
                                   *stu);
    ASSERT_EQ(badKeys.errors.size(), 3u);
    EXPECT_EQ(consoleLine(badKeys.errors[0]), "第2行：标准答案只能是A、B、C、D中的一个字母！");
    EXPECT_EQ(badKeys.errors[1].line, 3);
    EXPECT_EQ(consoleLine(badKeys.errors[2]), "第4行：题干有5001个字，超过5000个字，未保存！");
    EXPECT_EQ(column(*selecttest, "correct_sel"), (Strings{"b", "D"}));
}

}  // namespace
}  // namespace mendrix::bank
