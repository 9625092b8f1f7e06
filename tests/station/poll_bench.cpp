// How long the exam window's thread is held at each 2-second tick while the
// lab server accepts connections and never answers: the poll run on the
// tick's own thread (as the client did) against the poll on a thread of its
// own (as it does now).
//   poll_bench [--ticks N] [--connect-timeout S]   (S 0: the backend's own 10 s)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "common/db/tables.h"
#include "common/station/poll.h"
#include "tests/station/silent_server.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using kav::station::StationPoll;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs `ticks` ticks 2 s apart (or back to back when one overran) and prints
// the time each take() held the caller.
void run(const char* name, StationPoll::Launch launch, int ticks, const std::filesystem::path& link,
         kav::test::SilentServer& server) {
    const int acceptedBefore = server.accepted();
    StationPoll poll([link] { return kav::db::connectPath(link); }, std::move(launch));
    std::vector<double> held;
    auto next = Clock::now();
    for (int i = 0; i < ticks; ++i) {
        std::this_thread::sleep_until(next);
        const auto start = Clock::now();
        poll.take(std::chrono::milliseconds(50));
        held.push_back(ms(Clock::now() - start));
        next = std::max(next + std::chrono::seconds(2), Clock::now());
    }
    std::vector<double> sorted = held;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-24s ticks %d, window held per tick: median %.1f ms, longest %.1f ms; attempts to connect %d\n",
                name, ticks, sorted[sorted.size() / 2], sorted.back(), server.accepted() - acceptedBefore);
}

}  // namespace

int main(int argc, char** argv) {
    int ticks = 5, connectTimeout = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--ticks")) ticks = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--connect-timeout")) connectTimeout = std::atoi(argv[i + 1]);
    }
    if (ticks < 1) return 2;
    kav::test::TempDir dir;
    kav::test::SilentServer server;
    const auto link = server.writeLink(dir.path(), connectTimeout);
    run("poll on the tick's thread", StationPoll::atOnce, ticks, link, server);
    run("poll on its own thread", StationPoll::onThreadOfItsOwn, ticks, link, server);
    return 0;
}
