// One keystroke through the typing engine and one statistics pass, on the
// largest text the screen takes (65,535 model lines).
#include <benchmark/benchmark.h>

#include "tests/typing/typing_fixture.h"

namespace kav::typing {
namespace {

struct LargeText : test::TypingSetup {
    std::unique_ptr<TypingEngine> engine;
    LargeText() {
        writeModel(65'535);
        engine = std::make_unique<TypingEngine>(record, clock, dialogs, place());
        engine->shown();
        for (int i = 0; i < 4000; ++i) engine->press(Key::PageDown);
    }
};

void BM_Keystroke(benchmark::State& state) {
    LargeText t;
    for (auto _ : state) t.engine->enterText("中");
    state.counters["lines"] = t.engine->count();
}
BENCHMARK(BM_Keystroke);

void BM_Backspace(benchmark::State& state) {
    LargeText t;
    for (auto _ : state) t.engine->press(Key::Backspace);
}
BENCHMARK(BM_Backspace);

void BM_StatisticsPass(benchmark::State& state) {
    LargeText t;
    for (auto _ : state) t.engine->statisticsTick();
}
BENCHMARK(BM_StatisticsPass);

void BM_SaveAndQuit(benchmark::State& state) {
    LargeText t;
    for (auto _ : state) {
        t.engine->shown();
        benchmark::DoNotOptimize(t.engine->saveAndQuit());
    }
}
BENCHMARK(BM_SaveAndQuit)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kav::typing
