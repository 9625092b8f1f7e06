// The teacher folder of a new lab, made by kavtool setup-teacher.
#include "tools/setup/teacher_setup.h"

#include <fstream>

#include <gtest/gtest.h>

#include "common/account/password.h"
#include "common/db/tables.h"
#include "common/help/help.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using kav::test::readFile;
using kav::test::runKavtool;
using kav::test::TempDir;

namespace {

TEST(SetupTeacher, MakesAFolderTheConsoleAndStationsCanUse) {
    TempDir tmp;
    const fs::path folder = tmp.path() / "srv" / "kavlor" / "teacher";
    kav::setup::setupTeacherFolder(folder);

    for (const char* sub : {"txt", "word", "file"}) EXPECT_TRUE(fs::is_directory(folder / sub)) << sub;
    EXPECT_EQ(readFile(folder / "readme.htm"), std::string(mendrix::helpFileText()));

    auto teacher = kav::db::connectFile("teacher.mdb", folder);
    auto user = teacher->openTable("user");
    ASSERT_EQ(user->recordCount(), 4);
    ASSERT_TRUE(user->locate("username", std::string("admin")));
    const std::string stored = user->field("password").asString();
    EXPECT_TRUE(kav::account::isPasswordHash(stored));
    EXPECT_TRUE(kav::account::verifyPassword(stored, "admin"));
    auto state = teacher->openTable("state");
    ASSERT_EQ(state->recordCount(), 1);
    EXPECT_EQ(state->field("korl").asInteger(), 1);

    auto student = kav::db::connectFile("stu.mdb", folder);
    for (const char* table : {"student", "win", "selecttest", "word", "ct"})
        EXPECT_EQ(student->openTable(table)->recordCount(), 0) << table;
}

TEST(SetupTeacher, NeverReplacesAnExistingLab) {
    for (const char* existing : {"stu.mdb", "teacher.mdb"}) {
        TempDir tmp;
        const fs::path folder = tmp.path() / "teacher";
        fs::create_directories(folder);
        { std::ofstream(folder / existing) << "the lab's data"; }
        { std::ofstream(folder / "readme.htm") << "our own help"; }

        EXPECT_THROW(kav::setup::setupTeacherFolder(folder), std::runtime_error) << existing;
        EXPECT_EQ(readFile(folder / existing), "the lab's data");
        EXPECT_EQ(readFile(folder / "readme.htm"), "our own help");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << existing;
    }
}

TEST(SetupTeacher, KavtoolPrintsTheShareAndRefusesASecondRun) {
    TempDir tmp;
    const fs::path folder = tmp.path() / "lab's teacher";
    auto first = runKavtool("setup-teacher \"" + folder.string() + "\" --share exam --owner nobody");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("[exam]\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("   path = " + folder.string() + "\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("   read only = no\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("   force user = nobody\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("   oplocks = no\n"), std::string::npos) << first.out;
    // Paths in what the administrator pastes into a shell or the launcher's
    // settings are quoted; another folder than the default gets its line.
    const std::string quoted = "'" + tmp.path().string() + "/lab'\\''s teacher'";
    EXPECT_NE(first.out.find("TEACHER_DIR=" + quoted + "\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("chown -R 'nobody': " + quoted + "\n"), std::string::npos) << first.out;
    EXPECT_TRUE(fs::exists(folder / "teacher.mdb"));

    auto second = runKavtool("setup-teacher \"" + folder.string() + "\" --owner nobody");
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("already holds"), std::string::npos) << second.err;

    for (const char* bad : {"setup-teacher a b", "setup-teacher --share", "setup-teacher --colour red",
                            "setup-teacher lab --owner root", "setup-teacher lab --owner no-such-user-here",
                            "setup-teacher lab --owner nobody --share 'a b'",
                            "setup-teacher lab --owner nobody --share 'x]\n[global'"})
        EXPECT_EQ(runKavtool(bad, tmp.path()).status, 2) << bad;
    EXPECT_FALSE(fs::exists(tmp.path() / "lab")) << "a refused run makes nothing";
}

// The teacher tables of a lab on a server: the stations only read the share.
TEST(SetupTeacher, AShareOfALabOnAServerIsReadOnly) {
    TempDir tmp;
    fs::create_directories(tmp.path() / "lab");
    std::ofstream(tmp.path() / "lab" / "teacher.udl") << "[oledb]\r\n";
    auto run = runKavtool("setup-teacher lab --owner nobody", tmp.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("   read only = yes\n"), std::string::npos) << run.out;
}

}  // namespace
