// The real Kavlor program as a separate process: a second start is refused
// while a client runs (it says so), a client killed with SIGKILL does not lock
// the machine out, and without XDG_RUNTIME_DIR the lock is kept in a folder of
// the user's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "common/platform/platform.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path kavlorBinary() {
    const char* bin = std::getenv("KAV_BINARY_DIR");
    return fs::path(bin ? bin : "") / "client" / "Kavlor";
}

class FlowSingleCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime = lab.root() / "run";
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        lockFile = runtime / "PROGRAM_RUNNING12.lock";
        ASSERT_TRUE(fs::exists(kavlorBinary())) << kavlorBinary();
    }
    void TearDown() override {
        for (pid_t pid : children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // stderrFile: where the client's error output goes (kept otherwise).
    pid_t startClient(const fs::path& stderrFile = {}) {
        pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(lab.station.c_str()) != 0) ::_exit(127);
            if (!stderrFile.empty() && !std::freopen(stderrFile.c_str(), "w", stderr)) ::_exit(127);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("KAVLOR_DRIVE_C", lab.driveC.c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            const std::string bin = kavlorBinary().string();
            ::execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
        return pid;
    }

    // True when another process holds the single-copy lock.
    bool lockTaken() {
        kav::platform::SingleCopyLock probe(lockFile);
        return !probe.held();
    }

    bool waitUntilRunning(pid_t pid) {
        for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;  // it ended
            if (lockTaken()) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // The exit status, or -1 when the process is still running after the wait.
    int waitForExit(pid_t pid) {
        for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(children, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

    FlowLab lab;
    fs::path runtime, lockFile;
    std::vector<pid_t> children;
};

TEST_F(FlowSingleCopyTest, ASecondStartIsRefusedAndAKilledClientDoesNotLockTheMachineOut) {
    const pid_t first = startClient();
    ASSERT_TRUE(waitUntilRunning(first));

    // The second copy says so (its box waits for OK; its log line is read here) and ends.
    const fs::path log = lab.root() / "second.log";
    const pid_t second = startClient(log);
    bool said = false;
    for (auto end = std::chrono::steady_clock::now() + 30s; !said && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(50ms);
        said = fs::exists(log) &&
               kav::test::readFile(log).find("考试系统已经在本机运行，不能同时运行两个！") != std::string::npos;
    }
    EXPECT_TRUE(said);
    ::kill(second, SIGTERM);
    EXPECT_EQ(waitForExit(second), 128 + SIGTERM);
    EXPECT_TRUE(lockTaken());  // the first copy still holds it

    ::kill(first, SIGKILL);
    EXPECT_EQ(waitForExit(first), 128 + SIGKILL);
    EXPECT_FALSE(lockTaken());

    const pid_t third = startClient();
    EXPECT_TRUE(waitUntilRunning(third));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(::waitpid(third, nullptr, WNOHANG), 0);  // still running, waiting at its splash
}

}  // namespace
}  // namespace kavlor::test
