// kavtool update-list and kavtool import, run as the built program.
#include <gtest/gtest.h>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/station/station.h"
#include "common/text/gbk.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace {

using Strings = std::vector<std::string>;

class BankKavtoolTest : public ::testing::Test {
protected:
    kav::test::TempDir dir;
    void SetUp() override {
        kav::db::createDatabase(dir / "teacher.mdb", kav::db::DatabaseKind::Teacher);
        kav::db::createDatabase(dir / "stu.mdb", kav::db::DatabaseKind::Student);
    }
    kav::test::ToolRun kavtool(const std::string& args) { return kav::test::runKavtool(args, dir.path()); }
    Strings column(const char* table, const char* name) {
        auto stu = kav::db::connect(kav::db::ConnectionString::forDataSource("stu.mdb").toString(), dir.path());
        auto cursor = stu->openTable(table);
        Strings values;
        for (cursor->first(); !cursor->eof(); cursor->next()) values.push_back(cursor->field(name).asString());
        return values;
    }
};

TEST_F(BankKavtoolTest, UpdateListShowsSetsAndRefusesABadListWithItsReasons) {
    auto shown = kavtool("update-list teacher.mdb");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, "\n") << "no list: an empty line";

    EXPECT_EQ(kavtool("update-list teacher.mdb --set 'stu.mdb*txt\\txt0.txt'").status, 0);
    EXPECT_EQ(kavtool("update-list teacher.mdb").out, "stu.mdb*txt\\txt0.txt\n");

    auto refused = kavtool("update-list teacher.mdb --set 'stu.mdb**..\\etc\\x'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "第2个文件名“”为空（两个*之间没有文件名）\n第3个文件名“..\\etc\\x”不能含有“..”\n");
    EXPECT_EQ(kavtool("update-list teacher.mdb").out, "stu.mdb*txt\\txt0.txt\n") << "the old list stays";
    std::filesystem::create_symlink("/etc/hostname", dir / "host.txt");
    refused = kavtool("update-list teacher.mdb --set 'stu.mdb*HOST.txt'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "“HOST.txt”在教师机上是符号链接，不能复制\n");
    EXPECT_EQ(kavtool("update-list teacher.mdb").out, "stu.mdb*txt\\txt0.txt\n") << "the old list stays";

    EXPECT_EQ(kavtool("update-list teacher.mdb --set ''").status, 0);
    EXPECT_EQ(kavtool("update-list teacher.mdb").out, "\n");
    auto teacher = kav::db::connect(kav::db::ConnectionString::forDataSource("teacher.mdb").toString(), dir.path());
    auto updatefile = teacher->openTable("updatefile");
    EXPECT_TRUE(updatefile->field("filename").isNull());

    for (const char* usage : {"update-list", "update-list teacher.mdb --set", "update-list teacher.mdb --put x"})
        EXPECT_EQ(kavtool(usage).status, 2) << usage;
}

TEST_F(BankKavtoolTest, ImportPrintsTheCountOrEveryBadLineAndImportsNothing) {
    kav::test::writeFile(dir / "roster.csv", kav::text::utf8ToGbk("准考证号,姓名,密码\r\n110199990001,张三,pw1\r\n"
                                                                  "110199990002,李四,pw2\r\n"));
    auto good = kavtool("import roster stu.mdb roster.csv");
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, "2\n");
    EXPECT_EQ(good.err, "") << "every candidate has a password and a folder of their own";
    EXPECT_EQ(column("student", "ksxm"), (Strings{"张三", "李四"}));

    kav::test::writeFile(dir / "more.csv", "110199990003,王五\n110199990001,张三,pw\n110199990004,赵六,pw\n");
    auto bad = kavtool("import roster stu.mdb more.csv");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "line 1: 应有3列（准考证号、姓名、密码），此行有2列\n"
                       "line 2: 准考证号“110199990001”已经有考生使用！\n");
    EXPECT_EQ(column("student", "zkzh").size(), 2u) << "nothing of the bad file";

    kav::test::writeFile(dir / "choice.csv", "\xEF\xBB\xBF题干,A,B,C,D,答案\n1+1=?,1,2,3,4,b\n");
    kav::test::writeFile(dir / "shared.csv", "110188880001,王五,pw\n");
    auto shared = kavtool("import roster stu.mdb shared.csv");
    EXPECT_EQ(shared.status, 0);
    EXPECT_EQ(shared.err, "line 1: 准考证号“110188880001”与“110199990001”的考生文件夹同为11010001，"
                          "两人的考试文件会放在同一个文件夹中。\n");

    auto choice = kavtool("import choice stu.mdb choice.csv");
    EXPECT_EQ(choice.out, "1\n");
    EXPECT_EQ(column("selecttest", "correct_sel"), Strings{"b"});

    for (const char* usage : {"import", "import roster stu.mdb", "import words stu.mdb choice.csv"})
        EXPECT_EQ(kavtool(usage).status, 2) << usage;
    EXPECT_EQ(kavtool("import roster stu.mdb missing.csv").status, 1);
}

}  // namespace
