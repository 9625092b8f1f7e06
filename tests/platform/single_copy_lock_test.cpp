#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "common/platform/platform.h"
#include "tests/support/temp_dir.h"

using kav::platform::SingleCopyLock;
using kav::test::TempDir;

namespace {

// Reads one pid_t (or one byte of readiness) written by a child.
template <class T>
T readFrom(int fd) {
    T value{};
    EXPECT_EQ(::read(fd, &value, sizeof value), ssize_t(sizeof value));
    return value;
}

void killAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

TEST(SingleCopyLock, ASecondHolderIsRefusedUntilTheFirstReleases) {
    TempDir tmp;
    auto file = tmp / "PROGRAM_RUNNING12.lock";
    SingleCopyLock first(file);
    ASSERT_TRUE(first.held()) << first.error();
    {
        SingleCopyLock second(file);
        EXPECT_FALSE(second.held());
        EXPECT_EQ(second.error(), "");  // refused because it is taken, not because of an error
    }
    first.release();
    SingleCopyLock third(file);
    EXPECT_TRUE(third.held());
}

TEST(SingleCopyLock, AnUnopenableFileIsReportedWithTheSystemText) {
    TempDir tmp;
    SingleCopyLock lock(tmp / "no" / "such" / "folder" / "x.lock");
    EXPECT_FALSE(lock.held());
    EXPECT_NE(lock.error().find(std::make_error_code(std::errc::no_such_file_or_directory).message()),
              std::string::npos);
}

TEST(SingleCopyLock, AChildHoldsItAndTheKernelFreesItWhenTheChildIsKilled) {
    TempDir tmp;
    auto file = tmp / "lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleCopyLock lock(file);
        char ok = lock.held() ? 1 : 0;
        (void)!::write(ready[1], &ok, 1);
        for (;;) ::pause();
    }
    ASSERT_EQ(readFrom<char>(ready[0]), 1);
    {
        SingleCopyLock mine(file);
        EXPECT_FALSE(mine.held());
    }
    killAndReap(child);
    SingleCopyLock mine(file);
    EXPECT_TRUE(mine.held());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SingleCopyLock, AProgramStartedByTheHolderDoesNotKeepIt) {
    TempDir tmp;
    auto file = tmp / "lock";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        SingleCopyLock lock(file);
        if (!lock.held()) std::_Exit(3);
        pid_t program = ::fork();  // the file manager the client opens
        if (program == 0) {
            ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        (void)!::write(report[1], &program, sizeof program);
        for (;;) ::pause();
    }
    pid_t program = readFrom<pid_t>(report[0]);
    ASSERT_GT(program, 0);
    // Give the program time to exec, so that it owns whatever it inherited.
    for (int i = 0; i < 200; ++i) {
        char exe[256] = {};
        ssize_t n = ::readlink(("/proc/" + std::to_string(program) + "/exe").c_str(), exe, sizeof exe - 1);
        if (n > 0 && std::string(exe).find("sleep") != std::string::npos) break;
        ::usleep(10000);
    }
    {
        SingleCopyLock mine(file);
        EXPECT_FALSE(mine.held());
    }
    killAndReap(holder);
    SingleCopyLock mine(file);
    EXPECT_TRUE(mine.held()) << "the started program kept the lock";
    killAndReap(program);  // a grandchild: reaped by init, kill is enough
    ::close(report[0]);
    ::close(report[1]);
}

// The lock is kept in the user's runtime folder when it is the user's own, in
// a folder of the user's own in the temporary folder otherwise.
TEST(SingleCopyLock, TheLockFileIsInAFolderOfTheUsersOwn) {
    TempDir tmp;
    const std::filesystem::path own = tmp / "run", others = tmp / "others";
    std::filesystem::create_directories(own);
    std::filesystem::create_directories(others);
    const bool canGiveAway = ::chown(others.c_str(), ::geteuid() + 1, ::getegid()) == 0;  // as root only
    const std::filesystem::path fallback =
        std::filesystem::temp_directory_path() / ("kavlor-" + std::to_string(::geteuid())) / "M.lock";
    const struct {
        const char* runtime;  // nullptr: unset
        std::filesystem::path expected;
    } cases[] = {
        {own.c_str(), own / "M.lock"},
        {nullptr, fallback},
        {"", fallback},
        {"/no/such/runtime", fallback},
        {canGiveAway ? others.c_str() : "/no/such/runtime", fallback},
    };
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    for (const auto& c : cases) {
        if (c.runtime)
            ::setenv("XDG_RUNTIME_DIR", c.runtime, 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(kav::platform::singleCopyLockFile("M"), c.expected) << (c.runtime ? c.runtime : "(unset)");
    }
    if (saved) ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    struct stat st {};
    ASSERT_EQ(::stat(fallback.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
    SingleCopyLock lock(fallback);
    EXPECT_TRUE(lock.held()) << lock.error();
}
