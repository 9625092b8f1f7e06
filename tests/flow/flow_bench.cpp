// Start-up of the client up to the login window, and one report of an exam
// record to teacher.mdb, on real database files.
#include <benchmark/benchmark.h>

#include "client/flow/drawing.h"
#include "client/flow/login.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

void BM_StartupToLogin(benchmark::State& state) {
    Harness h;
    for (auto _ : state) {
        Client client(h.env());
        if (!client.start() || !client.login()) state.SkipWithError("start-up failed");
    }
}
BENCHMARK(BM_StartupToLogin)->Unit(benchmark::kMillisecond);

void BM_SaveExamRecord(benchmark::State& state) {
    Harness h;
    Client client(h.env());
    if (!client.start()) {
        state.SkipWithError("start-up failed");
        return;
    }
    drawExam(client);
    if (h.dialogs.shown.size() != 0) state.SkipWithError(h.dialogs.lastText().c_str());
    for (auto _ : state) SaveExamRecord(client);
}
BENCHMARK(BM_SaveExamRecord)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavlor::test
