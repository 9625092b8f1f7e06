#include "common/word/isolated_grading.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "common/word/grader_process.h"

extern char** environ;

namespace kav::word {
namespace {

using Clock = std::chrono::steady_clock;

// The largest output a grade may take: far above any answer text's rules.
constexpr std::size_t kMaxOutput = 16u << 20;

class Fd {
public:
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void adopt(int fd) {
        reset();
        fd_ = fd;
    }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// One way between the two processes. The input goes through a socket, not a
// pipe: writing to a child that died unread must fail with EPIPE, not raise
// SIGPIPE, which would end the client (send with MSG_NOSIGNAL).
struct Channel {
    Fd read, write;
    bool openPipe() { return adopt(::pipe2(fds_, O_CLOEXEC)); }
    bool openSocket() { return adopt(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_)); }

private:
    bool adopt(int rc) {
        if (rc != 0) return false;
        read.adopt(fds_[0]);
        write.adopt(fds_[1]);
        return true;
    }
    int fds_[2] = {-1, -1};
};

std::string errnoText(int error) { return std::strerror(error); }

// Starts the child with the pipes as its standard input and output, its
// standard error discarded, no other descriptor of ours, default signals.
pid_t spawn(const std::filesystem::path& grader, std::vector<std::string> args, const Channel& in,
            const Channel& out, std::string& error) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, in.read.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::string program = grader.string();
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        error = "无法启动评分程序 " + program + "（" + errnoText(rc) + "）";
        return -1;
    }
    return pid;
}

// The limits are set before the child is given its input, so nothing of the
// document is read without them.
void limit(pid_t pid, const GraderLimits& limits) {
    const rlim_t memory = limits.memoryBytes, cpu = static_cast<rlim_t>(limits.cpuSeconds);
    const struct rlimit as{memory, memory}, cpuLimit{cpu, cpu + 1}, core{0, 0};
    ::prlimit(pid, RLIMIT_AS, &as, nullptr);
    ::prlimit(pid, RLIMIT_CPU, &cpuLimit, nullptr);
    ::prlimit(pid, RLIMIT_CORE, &core, nullptr);
}

int millisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

enum class Exchange { Done, TimedOut, TooLong };

// Feeds the answer text and collects the output until the child closes its
// output, the deadline passes or the output grows beyond any grade.
Exchange exchange(Fd& in, Fd& out, std::string_view input, std::string& output, Clock::time_point deadline) {
    ::fcntl(in.get(), F_SETFL, O_NONBLOCK);
    if (input.empty()) in.reset();
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{out.get(), POLLIN, 0}, {in.get(), POLLOUT, 0}};
        const int n = ::poll(fds, in.get() >= 0 ? 2 : 1, millisecondsLeft(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Exchange::TimedOut;
        if (in.get() >= 0 && fds[1].revents) {
            ssize_t w = ::send(in.get(), input.data(), input.size(), MSG_NOSIGNAL);
            if (w > 0) input.remove_prefix(static_cast<std::size_t>(w));
            // Done, or the child stopped reading: either way it sees the end.
            if ((w < 0 && errno != EAGAIN && errno != EINTR) || input.empty()) in.reset();
        }
        if (fds[0].revents) {
            ssize_t r = ::read(out.get(), buffer, sizeof buffer);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return Exchange::Done;
            output.append(buffer, static_cast<std::size_t>(r));
            if (output.size() > kMaxOutput) return Exchange::TooLong;
        }
    }
}

// Waits for the child until the deadline, then kills it. Returns its status.
int reap(pid_t pid, Clock::time_point deadline, bool& killed) {
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        ::usleep(2000);
    }
    return status;
}

// Runs the program with the arguments under the limits, feeds it the input
// and returns its whole output, or why there is none. `activity` names what
// it does in the reasons ("评分", "读取").
struct Run {
    std::string output;
    std::optional<std::string> failure;
};

Run run(const std::filesystem::path& grader, std::vector<std::string> args, std::string_view input,
        const GraderLimits& limits, std::string_view activity) {
    const std::string what(activity);
    Channel in, out;
    if (!in.openSocket() || !out.openPipe()) return {{}, "无法建立管道（" + errnoText(errno) + "）"};
    std::string error;
    const pid_t pid = spawn(grader, std::move(args), in, out, error);
    if (pid < 0) return {{}, error};
    in.read.reset();
    out.write.reset();
    limit(pid, limits);

    const auto deadline = Clock::now() + limits.wallTime;
    Run result;
    const Exchange exchanged = exchange(in.write, out.read, input, result.output, deadline);
    in.write.reset();
    out.read.reset();
    bool killed = exchanged != Exchange::Done;
    if (killed) ::kill(pid, SIGKILL);
    const int status = reap(pid, deadline, killed);

    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
        return {{}, what + "超过时间限制（处理器时间 " + std::to_string(limits.cpuSeconds) + " 秒）"};
    if (exchanged == Exchange::TooLong) return {{}, "评分程序的输出过长"};
    if (killed) {
        const auto ms = limits.wallTime.count();
        return {{}, what + "超过时间限制（" + std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " 秒）"};
    }
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        return {{}, "评分程序异常结束（信号 " + std::to_string(sig) + "，" + strsignal(sig) + "）"};
    }
    const int code = WEXITSTATUS(status);
    if (code == kGraderOutOfMemory)
        return {{}, what + "超过内存限制（" + std::to_string(limits.memoryBytes >> 20) + " MB）"};
    if (code != 0) return {{}, "评分程序异常结束（退出码 " + std::to_string(code) + "）"};
    return result;
}

}  // namespace

WordGrade ungradable(const std::string& answerText, const std::string& reason) {
    const std::string text = std::string(kUngradable) + reason;
    WordGrade g = gradeAnswer(nullptr, answerText, text);
    g.resultText = text + g.resultText;
    return g;
}

WordGrade gradeWordTaskIsolated(const std::filesystem::path& grader, const std::filesystem::path& document,
                                const std::string& answerText, const GraderLimits& limits) {
    const Run r = run(grader, {document.string()}, answerText, limits, "评分");
    if (r.failure) return ungradable(answerText, *r.failure);
    auto grade = decodeGrade(r.output);
    if (!grade) return ungradable(answerText, "评分程序的输出无效");
    return *grade;
}

ModelValues readModelValuesIsolated(const std::filesystem::path& grader, const std::filesystem::path& document,
                                    const std::vector<ValueRequest>& requests, const GraderLimits& limits) {
    const Run r = run(grader, {"--read", document.string()}, encodeValueRequests(requests), limits, "读取");
    if (r.failure) return {*r.failure, {}};
    auto values = decodeModelValues(r.output, requests.size());
    if (!values) return {"评分程序的输出无效", {}};
    return *values;
}

std::filesystem::path installedWordGrader() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = self.parent_path() / KAV_WORD_GRADER_NAME;
        if (fs::is_regular_file(beside, ec)) return beside;
        // A program of the build tree uses the grader built there; an
        // installed one never looks at a build folder, which anyone might
        // have made on the machine it runs on.
        const fs::path buildTree = KAV_WORD_GRADER_BUILD_DIR, built = KAV_WORD_GRADER_BUILT;
        const auto rel = self.lexically_relative(buildTree);
        if (!rel.empty() && *rel.begin() != ".." && fs::is_regular_file(built, ec)) return built;
    }
    // The station's package installs it for the client, the console's for
    // the console and kavtool.
    for (const char* installed : {KAV_WORD_GRADER_INSTALLED_STATION, KAV_WORD_GRADER_INSTALLED_CONSOLE})
        if (fs::is_regular_file(installed, ec)) return installed;
    return KAV_WORD_GRADER_INSTALLED_STATION;
}

}  // namespace kav::word
