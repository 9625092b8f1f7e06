// Several programs on one file: each runs in its own forked process with its
// own connection, as the console and the clients of a lab do.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "tests/db/db_test_util.h"
#include "tests/support/temp_dir.h"

using namespace kav::db;

namespace {

// Runs body in a child process and returns its exit code (99 for an exception).
pid_t startChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child: %s\n", e.what());
        }
        _exit(rc);
    }
    return pid;
}

int waitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

int runChild(const std::function<int()>& body) { return waitChild(startChild(body)); }

TEST(TwoProcesses, APostReachesTheOtherProgramOnlyAfterRequery) {
    kav::test::TempDir dir;
    auto teacher = kav::test::newDatabase(dir / "teacher.mdb");
    auto score = teacher->openTable("score");
    auto state = teacher->openTable("state");
    ASSERT_EQ(score->recordCount(), 0);

    ASSERT_EQ(runChild([&] {
                  auto own = kav::test::openDatabase(dir / "teacher.mdb");
                  auto s = own->openTable("score");
                  s->append();
                  s->field("zkzh").setString("110199990001");
                  s->field("kscj").setInteger(88);
                  s->post();
                  auto st = own->openTable("state");
                  st->edit();
                  st->field("korl").setString("3");
                  st->post();
                  return 0;
              }),
              0);

    EXPECT_EQ(score->recordCount(), 0) << "the snapshot does not change by itself";
    EXPECT_EQ(state->field("korl").asInteger(), 1);
    state->requery();
    EXPECT_EQ(state->field("korl").asInteger(), 3);
    score->close();
    score->open();
    ASSERT_EQ(score->recordCount(), 1);
    EXPECT_EQ(score->field("zkzh").asString(), "110199990001");
    EXPECT_EQ(score->field("kscj").asInteger(), 88);
    EXPECT_EQ(score->field("ID").asInteger(), 1);
}

TEST(TwoProcesses, EditingARowTheOtherProgramDeletedFails) {
    kav::test::TempDir dir;
    auto teacher = kav::test::newDatabase(dir / "teacher.mdb");
    auto condition = teacher->openTable("condition");
    for (const char* zkzh : {"A", "B"}) {
        condition->append();
        condition->field("zkzh").setString(zkzh);
        condition->post();
    }
    ASSERT_EQ(runChild([&] {
                  auto c = kav::test::openDatabase(dir / "teacher.mdb")->openTable("condition");
                  if (!c->locate("zkzh", std::string("A"))) return 1;
                  c->remove();
                  return 0;
              }),
              0);
    condition->first();
    condition->edit();
    condition->field("sel_arr3").setString("a b c");
    EXPECT_THROW(condition->post(), DbError);
    condition->cancel();
    EXPECT_THROW(condition->remove(), DbError);
    condition->requery();
    ASSERT_EQ(condition->recordCount(), 1);
    EXPECT_EQ(condition->field("zkzh").asString(), "B");
}

// Many programs posting at the same moment: every post succeeds (the write lock is
// taken first, and a busy file is waited for), in both journal modes.
void manyWriters(const std::string& fileName, const std::string& table) {
    kav::test::TempDir dir;
    kav::test::newDatabase(dir / fileName);
    constexpr int kWriters = 8, kRowsEach = 15;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(startChild([&, w] {
            close(go[1]);
            auto c = kav::test::openDatabase(dir / fileName)->openTable(table);
            char byte;
            if (read(go[0], &byte, 1) != 1) return 2;
            for (int r = 0; r < kRowsEach; ++r) {
                c->append();
                c->field("zkzh").setString(std::to_string(w) + "-" + std::to_string(r));
                c->post();
                c->requery();
            }
            return 0;
        }));
    }
    close(go[0]);
    // A reader keeps polling while the writers run.
    auto reader = kav::test::openDatabase(dir / fileName)->openTable(table);
    std::string bytes(kWriters, 'g');
    ASSERT_EQ(write(go[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(go[1]);
    for (int i = 0; i < 20; ++i) reader->requery();
    for (pid_t pid : children) EXPECT_EQ(waitChild(pid), 0);
    reader->requery();
    EXPECT_EQ(reader->recordCount(), kWriters * kRowsEach);
    std::set<std::string> keys;
    std::int64_t lastId = 0;
    for (reader->first(); !reader->eof(); reader->next()) {
        keys.insert(reader->field("zkzh").asString());
        EXPECT_GT(reader->field("ID").asInteger(), lastId);
        lastId = reader->field("ID").asInteger();
    }
    EXPECT_EQ(keys.size(), static_cast<size_t>(kWriters * kRowsEach));
}

TEST(ManyProcesses, ConcurrentPostsToTeacherFileAllSucceed) { manyWriters("teacher.mdb", "score"); }
TEST(ManyProcesses, ConcurrentPostsToStudentFileAllSucceed) { manyWriters("stu.mdb", "student"); }

// A file another program is writing is waited for, for five seconds in all;
// after that the post fails with the engine's own text and nothing is stored.
TEST(TwoProcesses, AWriteLockIsWaitedForFiveSecondsThenReported) {
    kav::test::TempDir dir;
    auto teacher = kav::test::newDatabase(dir / "teacher.mdb");
    auto score = teacher->openTable("score");
    struct Case {
        int holdMs;
        bool stored;
    };
    for (const Case c : {Case{300, true}, Case{6500, false}}) {
        SCOPED_TRACE(c.holdMs);
        int held[2];
        ASSERT_EQ(pipe(held), 0);
        const pid_t holder = startChild([&] {
            auto own = kav::test::openDatabase(dir / "teacher.mdb");
            auto s = own->openTable("score");
            own->transaction([&] {
                s->append();
                s->field("zkzh").setString("holder");
                s->post();
                char byte = 1;
                if (write(held[1], &byte, 1) != 1) throw std::runtime_error("pipe");
                usleep(c.holdMs * 1000);
                throw std::runtime_error("rolled back on purpose");
            });
            return 0;
        });
        char byte;
        ASSERT_EQ(read(held[0], &byte, 1), 1);
        score->requery();
        score->append();
        score->field("zkzh").setString("waiter");
        if (c.stored) {
            EXPECT_NO_THROW(score->post());
        } else {
            try {
                score->post();
                ADD_FAILURE() << "a post past the wait succeeded";
            } catch (const DbError& e) {
                EXPECT_NE(std::string(e.what()).find("database is locked"), std::string::npos) << e.what();
            }
            score->cancel();
        }
        EXPECT_EQ(waitChild(holder), 99) << "the holder rolls back";
        close(held[0]);
        close(held[1]);
        score->requery();
        ASSERT_EQ(score->recordCount(), 1) << "the waiter's row of the first case, and no other";
        EXPECT_EQ(score->field("zkzh").asString(), "waiter");
    }
}

TEST(TwoProcesses, AStudentFileCopiedWhileOpenHoldsEveryPost) {
    kav::test::TempDir dir;
    auto stu = kav::test::newDatabase(dir / "stu.mdb");
    auto student = stu->openTable("student");
    kav::test::addStudent(*student, "110199990001", "甲");
    // The console keeps stu.mdb open; a client copies the file meanwhile.
    std::filesystem::create_directories(dir / "client");
    std::filesystem::copy_file(dir / "stu.mdb", dir / "client" / "stu.mdb");
    auto copy = kav::test::openDatabase(dir / "client" / "stu.mdb")->openTable("student");
    ASSERT_EQ(copy->recordCount(), 1);
    EXPECT_EQ(copy->field("ksxm").asString(), "甲");
}

}  // namespace
