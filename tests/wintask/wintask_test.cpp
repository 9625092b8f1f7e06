#include "client/grading/wintask/wintask.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kav::wintask;
using kav::test::readFile;
using kav::test::TempDir;
using kav::test::writeFile;

namespace {

const std::string kFolder = "c:\\kavlor\\11010001";
const std::string kAllRight = "好极了！全部答对！";

class WinTask : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KAVLOR_DRIVE_C", (tmp / "c").c_str(), 1);
        fs::create_directories(candidate);
    }
    void TearDown() override { unsetenv("KAVLOR_DRIVE_C"); }

    void file(const std::string& relative, const std::string& bytes = "x") { writeFile(candidate / relative, bytes); }
    void folder(const std::string& relative) { fs::create_directories(candidate / relative); }
    bool dosAttrib(const std::string& relative, const std::string& value) {
        return ::setxattr((candidate / relative).c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
    }

    TempDir tmp;
    fs::path candidate = tmp / "c" / "kavlor" / "11010001";
    fs::path program = tmp / "station1";
};

}  // namespace

TEST_F(WinTask, TwoItemsAllPresentScoreEightAndStoreTheAllRightText) {
    file("A.TXT");
    folder("NEW");
    ::chmod((candidate / "A.TXT").c_str(), 0444);
    Grade g = gradeCandidateFolder(kFolder, "5 A.TXT*33 A.TXT**7 NEW");
    EXPECT_EQ(g.score, 8);
    EXPECT_TRUE(g.allPassed);
    EXPECT_EQ(g.summary, "1、4 2、4 ");
    EXPECT_EQ(g.storedText, kAllRight);
    EXPECT_EQ(g.errorText, "错误：\r");
}

TEST_F(WinTask, ReadOnlyOnlyWordOneComesFromSambasAttribute) {
    file("A.TXT");
    folder("NEW");
    if (!dosAttrib("A.TXT", std::string("0x1\0", 4))) GTEST_SKIP() << "the file system refuses user xattrs";
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT*1 A.TXT**7 NEW").score, 8);
}

TEST_F(WinTask, MissingFileFailsBothChecksOfItsItemWithExactLines) {
    folder("NEW");
    Grade g = gradeCandidateFolder(kFolder, "5 A.TXT*1 A.TXT**7 NEW");
    EXPECT_EQ(g.score, 4);
    EXPECT_FALSE(g.allPassed);
    EXPECT_EQ(g.summary, "1、0 2、4 ");
    EXPECT_EQ(g.storedText,
              "错误：\r"
              "1、缺文件：c:\\kavlor\\11010001\\A.TXT\r"
              "1、文件：c:\\kavlor\\11010001\\A.TXT属性不能为1");
}

TEST_F(WinTask, EveryCodeWithItsMessage) {
    file("F.TXT");
    folder("D");
    folder("SUB DIR");
    file("SUB DIR/IN.TXT");
    // Passing checks, one item per code.
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 F.TXT**6 NONE.TXT**7 D**8 NONE**32 F.TXT").score, 20);
    // Paths may contain spaces.
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 SUB DIR\\IN.TXT*7 SUB DIR").score, 4);

    Grade g = gradeCandidateFolder(kFolder, "5 X.TXT**6 F.TXT**7 X**8 D**16 D");
    EXPECT_EQ(g.score, 4);
    EXPECT_EQ(g.summary, "1、0 2、0 3、0 4、0 5、4 ");
    EXPECT_EQ(g.storedText,
              "错误：\r"
              "1、缺文件：c:\\kavlor\\11010001\\X.TXT\r"
              "2、多余文件：c:\\kavlor\\11010001\\F.TXT\r"
              "3、缺文件夹：c:\\kavlor\\11010001\\X\r"
              "4、多余文件夹：c:\\kavlor\\11010001\\D\r");
}

TEST_F(WinTask, AttributeFailureRunsStraightIntoTheNextLine) {
    file("A.TXT");
    ::chmod((candidate / "A.TXT").c_str(), 0444);  // word 33
    Grade g = gradeCandidateFolder(kFolder, "32 A.TXT*5 B.TXT");
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(g.storedText,
              "错误：\r"
              "1、文件：c:\\kavlor\\11010001\\A.TXT属性不能为32"
              "1、缺文件：c:\\kavlor\\11010001\\B.TXT\r");
}

TEST_F(WinTask, HiddenFilesAndFoldersHaveTheirWords) {
    file("H.TXT");
    folder("HD");
    file(".hidden", "H.TXT\nHD\n");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "34 H.TXT**18 HD").score, 8);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "32 H.TXT**16 HD").score, 0);
}

TEST_F(WinTask, AMissingPathFailsEveryAttributeCheck) {
    for (const char* code : {"0", "1", "32", "-1", "4294967295"}) {
        Grade g = gradeCandidateFolder(kFolder, std::string(code) + " GONE.TXT");
        EXPECT_EQ(g.score, 0) << code;
    }
    EXPECT_EQ(gradeCandidateFolder(kFolder, "-1 GONE.TXT").storedText,
              "错误：\r1、文件：c:\\kavlor\\11010001\\GONE.TXT属性不能为-1");
}

TEST_F(WinTask, AFolderIsNoFile) {
    folder("A.TXT");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT").score, 0);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "6 A.TXT").score, 4);
    file("F");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "7 F").score, 0);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "8 F").score, 4);
}

TEST_F(WinTask, NamesAreFoundIgnoringCase) {
    file("Test/A.txt");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 TEST\\A.TXT*7 test").score, 4);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "6 test\\a.TXT").score, 0);
}

TEST_F(WinTask, EmptyAnswerScoresNothingAndIsAllRight) {
    Grade g = gradeCandidateFolder(kFolder, "");
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(g.summary, "无,太棒了！");
    EXPECT_EQ(g.storedText, kAllRight);
    EXPECT_EQ(practiceMessage(g), "Win题得分:0\r无,太棒了！\r错误：\r");
}

TEST_F(WinTask, MalformedChecksCostTheirItemAndGradingGoesOn) {
    file("A.TXT");
    Grade g = gradeCandidateFolder(kFolder, "x A.TXT*5 A.TXT**5A.TXT**5 A.TXT**** 5 A.TXT**5 A.TXT");
    EXPECT_EQ(g.score, 4);
    EXPECT_EQ(g.summary, "1、0 2、0 3、4 4、0 5、0 ");
    EXPECT_EQ(g.storedText,
              "错误：\r"
              "1、评分标准有误：x A.TXT\r"
              "2、评分标准有误：5A.TXT\r"
              "4、评分标准有误：\r"
              "5、评分标准有误： 5 A.TXT\r"
              "6、评分标准超过五项，此项不计分\r");
    // An empty check inside an item, and a code out of range.
    EXPECT_EQ(gradeCandidateFolder(kFolder, "*5 A.TXT").storedText, "错误：\r1、评分标准有误：\r");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "99999999999 A.TXT").score, 0);
    // A trailing "*" or "**" ends the list, it is no empty check or item.
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT*").score, 4);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT**").storedText, kAllRight);
}

TEST_F(WinTask, MoreThanFiveItemsNeverScoreBeyondTwenty) {
    file("A.TXT");
    Grade g = gradeCandidateFolder(kFolder, "5 A.TXT**5 A.TXT**5 A.TXT**5 A.TXT**5 A.TXT**5 A.TXT**5 A.TXT");
    EXPECT_EQ(g.score, 20);
    EXPECT_EQ(g.summary, "1、4 2、4 3、4 4、4 5、4 ");
    EXPECT_EQ(g.storedText, "错误：\r6、评分标准超过五项，此项不计分\r7、评分标准超过五项，此项不计分\r");
}

TEST_F(WinTask, AnAnswerTypedOverSeveralLinesIsRead) {
    file("A.TXT");
    folder("NEW");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT*\r\n32 A.TXT**\r\n7 NEW\r\n").storedText, kAllRight);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "5 A.TXT*\r\n32 A.TXT**\r\n7 NEW\r\n").score, 8);
}

TEST_F(WinTask, PracticeModeShowsTheScoreBoxOnlyWhenGradingIsEnabled) {
    file("A.TXT");
    kav::test::FakeDialogs dialogs;
    Grade g = gradeWinTask(kFolder, "5 A.TXT**5 B.TXT", false, dialogs);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(g.score, 4);

    gradeWinTask(kFolder, "5 A.TXT**5 B.TXT", true, dialogs);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, kav::ui::MessageKind::Plain);
    EXPECT_EQ(dialogs.shown[0].text,
              "Win题得分:4\r1、4 2、0 \r错误：\r2、缺文件：c:\\kavlor\\11010001\\B.TXT\r");
}

TEST_F(WinTask, PreparationCreatesFoldersAndCopiesSources) {
    writeFile(program / "file" / "x.txt", "source x");
    writeFile(program / "file" / "y.txt", "source y");
    prepareCandidateFolder(kFolder, "A A\\B x.txt*  y.txt*A\\B missing.txt* x.txt*NOFOLDER", program);
    EXPECT_TRUE(fs::is_directory(candidate / "A"));
    EXPECT_TRUE(fs::is_directory(candidate / "A" / "B"));
    EXPECT_EQ(readFile(candidate / "x.txt"), "source x");
    EXPECT_EQ(readFile(candidate / "A" / "B" / "y.txt"), "source y");
    EXPECT_FALSE(fs::exists(candidate / "missing.txt"));
    EXPECT_FALSE(fs::exists(candidate / "NOFOLDER"));

    // Again, after the candidate changed a file: nothing is overwritten.
    writeFile(candidate / "x.txt", "candidate's work");
    prepareCandidateFolder(kFolder, "A A\\B x.txt* y.txt*A\\B", program);
    EXPECT_EQ(readFile(candidate / "x.txt"), "candidate's work");
    EXPECT_EQ(readFile(candidate / "A" / "B" / "y.txt"), "source y");
}

// A resumed exam makes nothing and puts back no deleted file; it only copies
// again a file left empty where its source is not.
TEST_F(WinTask, ARefillCopiesAgainOnlyEmptyCopies) {
    writeFile(program / "file" / "x.txt", "source x");
    writeFile(program / "file" / "y.txt", "source y");
    writeFile(program / "file" / "e.txt", "");
    const std::string question2 = "A x.txt* y.txt* e.txt* z.txt*A";
    EXPECT_EQ(prepareCandidateFolder(kFolder, question2, program).size(), 4u);  // A, x, y, e
    writeFile(candidate / "x.txt", "");
    fs::remove(candidate / "y.txt");
    fs::remove(candidate / "A");
    EXPECT_TRUE(prepareCandidateFolder(kFolder, question2, program, Pass::RefillEmptyCopies).empty());
    EXPECT_EQ(readFile(candidate / "x.txt"), "source x");
    EXPECT_FALSE(fs::exists(candidate / "y.txt"));
    EXPECT_FALSE(fs::exists(candidate / "A"));
    EXPECT_EQ(readFile(candidate / "e.txt"), "");
}

TEST_F(WinTask, PreparationKeepsAReadOnlySourceReadOnly) {
    writeFile(program / "file" / "ro.txt", "r");
    ::chmod((program / "file" / "ro.txt").c_str(), 0444);
    prepareCandidateFolder(kFolder, "ro.txt*", program);
    EXPECT_EQ(gradeCandidateFolder(kFolder, "33 ro.txt").score, 4);
}

TEST_F(WinTask, AFolderThatCannotBeCreatedStopsThePreparation) {
    writeFile(program / "file" / "x.txt", "x");
    try {
        prepareCandidateFolder(kFolder, "X\\Y x.txt*", program);
        FAIL() << "no error for a nested folder without its parent";
    } catch (const PrepareError& e) {
        EXPECT_STREQ(e.what(), "Cannot create c:\\kavlor\\11010001\\X\\Y");
    }
    EXPECT_FALSE(fs::exists(candidate / "x.txt"));  // the tokens after it do not run
}

TEST_F(WinTask, PreparationFindsSourcesAndExistingTargetsIgnoringCase) {
    // The task names its files as the teacher typed them; Windows finds them whatever their case.
    writeFile(program / "file" / "report.txt", "source");
    writeFile(program / "file" / "Data.Dat", "data");
    folder("Work");
    writeFile(candidate / "DATA.DAT", "candidate's copy");
    prepareCandidateFolder(kFolder, "REPORT.TXT*WORK data.dat*", program);
    EXPECT_EQ(readFile(candidate / "Work" / "REPORT.TXT"), "source");
    // A file already present under another spelling is that file: nothing is added beside it.
    EXPECT_FALSE(fs::exists(candidate / "data.dat"));
    EXPECT_EQ(readFile(candidate / "DATA.DAT"), "candidate's copy");
}

TEST_F(WinTask, AFolderPathWrittenWithATrailingBackslashKeepsItsHiddenBit) {
    folder("HD");
    file(".hidden", "HD\n");
    EXPECT_EQ(gradeCandidateFolder(kFolder, "18 HD\\**7 HD\\").score, 8);
}
