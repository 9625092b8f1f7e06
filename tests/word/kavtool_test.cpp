// kavtool word-check and word-read as an administrator runs them.
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

// Kinds whose last field is the paragraph's or shape's own position: given it,
// the position or a "none:" line; left out, every position where it holds.
TEST(KavtoolWordRead, ValuelessKindsPrintThePositionOrWhyNot) {
    struct Case {
        const char* fixture;
        std::string args;
        int status;
        std::string out;  // the line, or the start of a "none:" line
    } cases[] = {
        {"script_library.docx", "50", 0, "2\n"},       {"script_library.docx", "51", 0, "3\n"},
        {"lo_script_library.docx", "50", 0, "2\n"},    {"lo_script_library.docx", "51", 0, "3\n"},
        {"script_library.docx", "50 2", 0, "2\n"},     {"script_library.docx", "51 2", 0, "none: 文档中没有这项设置"},
        {"script_library.docx", "50 1", 0, "none: 第 1 个图形不是艺术字"},
        {"shapes.docx", "50", 0, "4 5\n"},            {"lo_shapes.docx", "50", 0, "none: 文档中没有一个图形有这项设置（共 3 个）"},
        {"styles.docx", "47", 0, "8\n"},               {"tables.docx", "50", 0, "none: 文档中没有图形"},
        {"script_library.docx", "50 1 2", 2, ""},      // one position too many, as for every kind
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.args);
        ToolRun r = kav::test::runKavtool("word-read " + kav::word::test::fixture(c.fixture).string() + " " + c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status != 0) EXPECT_TRUE(r.out.empty() && r.err.find("one fewer") != std::string::npos) << r.err;
        else EXPECT_TRUE(r.out.starts_with(c.out)) << r.out;
    }
}

TEST(KavtoolWordCheck, AHangingIndentOfZeroPrintsZero) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "answer.txt", "26 1 2 0*26 1 2 1");
    ToolRun r = kavtool(kav::word::test::fixture("script_library.docx").string() + " " + (dir / "answer.txt").string());
    EXPECT_EQ(r.out, "26 1 2 0\t1\t1\t26\t1\t0\n26 1 2 1\t1\t2\t26\t0\t0\npart\t1\t1\ntotal\t1\n");
}
