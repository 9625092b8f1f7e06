// kavtool init-db, tables, dump and station, run as the built program.
#include <gtest/gtest.h>


#include <cstdlib>
#include <sstream>

#include "common/account/password.h"
#include "tests/db/db_test_util.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

using kav::test::readFile;

namespace {

struct Outcome {
    int rc;
    std::string out, err;
};

class KavtoolTest : public ::testing::Test {
protected:
    Outcome kavtool(const std::string& args) {
        kav::test::ToolRun run = kav::test::runKavtool(args, dir.path());
        return {run.status, run.out, run.err};
    }
    kav::test::TempDir dir;
};

TEST_F(KavtoolTest, InitDbMakesEitherFileAndRefusesToOverwrite) {
    Outcome r = kavtool("init-db teacher.mdb");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(kavtool("tables teacher.mdb").out, "score\ncondition\nstate\nupdatefile\nuser\n");
    ASSERT_EQ(kavtool("init-db Stu.MDB").rc, 0);
    EXPECT_EQ(kavtool("tables Stu.MDB").out, "student\nwin\nselecttest\nword\nct\n");
    std::string before = readFile(dir / "teacher.mdb");
    r = kavtool("init-db teacher.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir / "teacher.mdb"), before);
    r = kavtool("init-db exam.mdb");
    EXPECT_NE(r.rc, 0);
    EXPECT_NE(r.err.find("stu.mdb or teacher.mdb"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "exam.mdb"));
    EXPECT_EQ(kavtool("init-db").rc, 2);
}

TEST_F(KavtoolTest, DumpPrintsNamesThenRowsTabSeparated) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    // The accounts' passwords are stored, and dumped, as hashes.
    std::istringstream users(kavtool("dump teacher.mdb user").out);
    std::string line;
    std::getline(users, line);
    EXPECT_EQ(line, "username\tpassword");
    for (const auto& account : kav::db::kDefaultAccounts) {
        ASSERT_TRUE(std::getline(users, line));
        const std::size_t tab = line.find('\t');
        EXPECT_EQ(line.substr(0, tab), account.username);
        EXPECT_TRUE(kav::account::verifyPassword(line.substr(tab + 1), account.password)) << line;
    }
    EXPECT_FALSE(std::getline(users, line));
    EXPECT_EQ(kavtool("dump teacher.mdb state").out,
              "korl\tupdate\tclearinfo\tclearfold\tresttime\n1\tno\tno\tno\t1:30:00\n");
    EXPECT_EQ(kavtool("dump teacher.mdb updatefile").out, "ID\tfilename\n1\t\n");
    EXPECT_EQ(kavtool("dump teacher.mdb score").out,
              "ID\tzkzh\tksxm\tkstime\tkscj\thavelogined\tlogin_keyword\twin_cj\tselect_cj\tdz_cj\tword_cj\n");
}

TEST_F(KavtoolTest, DumpEscapesTextsAndRendersEveryType) {
    {
        auto stu = kav::test::newDatabase(dir / "stu.mdb");
        auto ct = stu->openTable("ct");
        ct->append();
        ct->field("zkzh").setString("110199990001");
        ct->field("ksxm").setString("王小明");
        ct->field("kstime").setDateTime({2026, 12, 9, 8, 0, 5, 120});
        ct->field("word_result").setString("行一\t1\n行二\\2\r");
        ct->post();
        auto selecttest = stu->openTable("selecttest");
        selecttest->append();
        selecttest->field("ID").setInteger(7);
        selecttest->field("image").setBlob({1, 2, 3});
        selecttest->post();
    }
    Outcome r = kavtool("dump stu.mdb ct");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out,
              "ID\tzkzh\tksxm\tkstime\twinno\twin_condiction\tsel_arr1\tsel_arr2\tsel_arr3\tfilename_dz\tdz_result\t"
              "filename_word\tword_result\twordno\tresttime\n"
              "1\t110199990001\t王小明\t2026-12-09 08:00:05\t\t\t\t\t\t\t\t\t行一\\t1\\n行二\\\\2\\r\t\t\n");
    EXPECT_EQ(kavtool("dump stu.mdb selecttest").out,
              "ID\tselect_question\tsel_a\tsel_b\tsel_c\tsel_d\tcorrect_sel\timage\n7\t\t\t\t\t\t\t<blob 3 bytes>\n");
}

TEST_F(KavtoolTest, ErrorsGoToStderrWithANonZeroExit) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    Outcome r = kavtool("dump teacher.mdb nosuch");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("'nosuch'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    r = kavtool("dump missing/teacher.mdb user");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("Could not find file"), std::string::npos) << r.err;
    kav::test::writeFile(dir / "bad" / "teacher.mdb", "this is not a database at all, just some text");
    r = kavtool("dump bad/teacher.mdb user");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("file is encrypted or is not a database"), std::string::npos) << r.err;
    r = kavtool("station bad/teacher.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("file is encrypted or is not a database"), std::string::npos) << r.err;
    EXPECT_EQ(kavtool("dump teacher.mdb").rc, 2);
}

TEST_F(KavtoolTest, StationShowsAndSetsTheControlRecord) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n");
    Outcome r = kavtool("station teacher.mdb --korl 3 --update yes --clearfold yes --resttime 0:45:30");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t3\nupdate\tyes\nclearinfo\tno\nclearfold\tyes\nresttime\t0:45:30\n");
    EXPECT_EQ(kavtool("station teacher.mdb --update no --clearinfo yes").rc, 0);
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t3\nupdate\tno\nclearinfo\tyes\nclearfold\tyes\nresttime\t0:45:30\n");
}

TEST_F(KavtoolTest, StationRefusesAnExamTimeOfZero) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    Outcome r = kavtool("station teacher.mdb --resttime 0:00:00");
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find("above 0:00:00"), std::string::npos) << r.err;
    EXPECT_EQ(kavtool("station teacher.mdb").out,
              "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n");
}

TEST_F(KavtoolTest, StationRefusesBadValuesAndChangesNothing) {
    ASSERT_EQ(kavtool("init-db teacher.mdb").rc, 0);
    const std::string unchanged = "korl\t1\nupdate\tno\nclearinfo\tno\nclearfold\tno\nresttime\t1:30:00\n";
    for (std::string bad : {"--korl 5", "--korl 0", "--korl 12", "--korl x", "--resttime 10:00:00",
                            "--resttime 1:60:00", "--resttime 1:30", "--update maybe", "--colour red",
                            "--korl 2 --resttime", "--korl 2 --resttime 130"}) {
        Outcome r = kavtool("station teacher.mdb " + bad);
        EXPECT_EQ(r.rc, 2) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(kavtool("station teacher.mdb").out, unchanged) << bad;
    }
    Outcome r = kavtool("station teacher.mdb --resttime 9:99:00");
    EXPECT_NE(r.err.find("h:mm:ss"), std::string::npos) << r.err;
    ASSERT_EQ(kavtool("init-db stu.mdb").rc, 0);
    r = kavtool("station stu.mdb");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("'state'"), std::string::npos) << r.err;
}

}  // namespace
