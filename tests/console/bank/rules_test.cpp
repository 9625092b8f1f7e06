// The bank's checks and the CSV import on a real stu.mdb.
#include <gtest/gtest.h>

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
    };
    for (const Case& c : cases) EXPECT_EQ(admissionNumberRefusal(c.zkzh, stored), c.refusal) << c.zkzh;
    for (char path : std::string("\\/:*?\"<>| "))
        EXPECT_FALSE(admissionNumberRefusal("11" + std::string(1, path) + "01", stored).empty()) << path;
}

TEST(BankRulesTest, CandidatesWithoutPasswordOrSharingAFolderAreWarnedAbout) {
    struct Case {
        std::string zkzh, password;
        Strings others;
        Strings warnings;
    };
    const Case cases[] = {
        {"110199990001", "pw", {"110199990002"}, {}},
        {"110199990001", "", {}, {"准考证号“110199990001”的考生没有登录密码。"}},
        // The folder drops the 5th to 8th characters: both give 11010001.
        {"110199990001",
         "pw",
         {"110188880001", "110199990002"},
         {"准考证号“110199990001”与“110188880001”的考生文件夹同为11010001，两人的考试文件会放在同一个文件夹中。"}},
    };
    for (const Case& c : cases) EXPECT_EQ(candidateWarnings(c.zkzh, c.password, c.others), c.warnings) << c.zkzh;
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
        stu = kav::db::connect(kav::db::ConnectionString::forDataSource("stu.mdb").toString(), dir.path());
        student = stu->openTable("student");
        selecttest = stu->openTable("selecttest");
        student->append();
        student->field("zkzh").setString("110199990001");
        student->post();
    }
    Strings column(kav::db::Cursor& c, const char* name) {
        Strings values;
        for (c.first(); !c.eof(); c.next()) values.push_back(c.field(name).asString());
        return values;
    }
};

TEST_F(CsvImportTest, ARosterIsAppendedAfterItsHeaderWithTheRowRule) {
    const auto result = importCsv(ImportKind::Roster,
                                  " 准考证号 ,姓名,密码\n110199990002,李四,pw2\n110199990003,王五,\n", *student);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.imported, 2);
    EXPECT_EQ(student->recNo(), 2) << "on the first new row";
    EXPECT_EQ(column(*student, "zkzh"), (Strings{"110199990001", "110199990002", "110199990003"}));
    EXPECT_EQ(column(*student, "ksxm"), (Strings{"", "李四", "王五"}));
    EXPECT_EQ(column(*student, "kscj"), (Strings{"", "0", "0"})) << "the row stored before is left as it is";
    EXPECT_EQ(column(*student, "havelogined"), (Strings{"", "0", "0"}));
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(toolLine(result.warnings[0]), "line 3: 准考证号“110199990003”的考生没有登录密码。");
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
        {"an empty number and a path character", ",李四,pw\n11/01,王五,pw\n",
         {"line 1: 准考证号不能为空！", "line 2: 准考证号“11/01”不能含有空格或 \\ / : * ? \" < > | 等字符！"}},
        {"the wrong encoding", "110199990002,\xFF\xFF,pw\n", {}},
        {"nothing but the header", "准考证号,姓名,密码\n", {"文件中没有可导入的行"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = importCsv(ImportKind::Roster, c.bytes, *student);
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

TEST_F(CsvImportTest, ChoiceQuestionsTakeTheirKeyTrimmedAndRefuseAnyOtherKey) {
    const auto good = importCsv(ImportKind::Choice,
                                "题干,a,B,c,D,答案\n第一题,甲,乙,丙,丁, b \n第二题,\"1,2\",2,3,4,D\n", *selecttest);
    EXPECT_TRUE(good.errors.empty());
    EXPECT_EQ(good.imported, 2);
    EXPECT_EQ(column(*selecttest, "correct_sel"), (Strings{"b", "D"}));
    EXPECT_EQ(column(*selecttest, "sel_a"), (Strings{"甲", "1,2"}));

    const auto bad = importCsv(ImportKind::Choice,
                               "第三题,1,2,3,4,E\n第四题,1,2,3,4,A B\n" + std::string(kMaxStemCharacters + 1, 'x') +
                                   ",1,2,3,4,A\n",
                               *selecttest);
    ASSERT_EQ(bad.errors.size(), 3u);
    EXPECT_EQ(consoleLine(bad.errors[0]), "第1行：标准答案只能是A、B、C、D中的一个字母！");
    EXPECT_EQ(bad.errors[1].line, 2);
    EXPECT_EQ(consoleLine(bad.errors[2]), "第3行：题干有5001个字，超过5000个字，未保存！");
    EXPECT_EQ(selecttest->recordCount(), 2);
}

}  // namespace
}  // namespace mendrix::bank
