// kavtool word-check as an administrator runs it.
#include <gtest/gtest.h>


#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

namespace {
using kav::test::ToolRun;
ToolRun kavtool(const std::string& args) { return kav::test::runKavtool("word-check " + args); }
}  // namespace

TEST(KavtoolWordCheck, PrintsEveryRuleEveryPartAndTheTotal) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "answer.txt", "1 2 1 计*10 3 1 12**55 4 7\n");
    ToolRun r = kavtool(kav::word::test::fixture("lo_text.docx").string() + " " + (dir / "answer.txt").string());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "1 2 1 计\t1\t1\t1\t2\t\"计\"\n"
              "10 3 1 12\t1\t2\t10\t0\t14\n"
              "55 4 7\t2\t1\t55\t0\t2\n"
              "part\t1\t2\n"
              "part\t2\t0\n"
              "total\t2\n");
}

TEST(KavtoolWordCheck, MissingOrUnreadableFilesFail) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "answer.txt", "1 2 1 计");
    kav::test::writeFile(dir / "bad.docx", "garbage");
    EXPECT_NE(kavtool((dir / "none.docx").string() + " " + (dir / "answer.txt").string()).status, 0);
    EXPECT_NE(kavtool(kav::word::test::fixture("lo_text.docx").string() + " " + (dir / "none.txt").string()).status, 0);
    ToolRun bad = kavtool((dir / "bad.docx").string() + " " + (dir / "answer.txt").string());
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.out.find("total\t0"), std::string::npos);
    EXPECT_EQ(kavtool("").status, 2);
}
