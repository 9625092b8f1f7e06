// The cost of grading a real exam document in a process of its own against
// grading it in this process: the demo's first task, solved.
#include <benchmark/benchmark.h>

#include "common/word/isolated_grading.h"
#include "tools/demo/demo_bank.h"

namespace {

const auto& task() { return kav::demo::wordTasks().front(); }
std::filesystem::path document() {
    return std::filesystem::path(KAV_SOURCE_DIR) / "tests/demo/fixtures" /
           (std::filesystem::path(task().fileName).stem().string() + "-solved.docx");
}

void BM_GradeInProcess(benchmark::State& state) {
    const auto file = document();
    for (auto _ : state) benchmark::DoNotOptimize(kav::word::gradeWordTask(file, task().answer).total);
}
BENCHMARK(BM_GradeInProcess)->Unit(benchmark::kMillisecond);

void BM_GradeInOwnProcess(benchmark::State& state) {
    const auto file = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(kav::word::gradeWordTaskIsolated(KAV_WORD_GRADER, file, task().answer).total);
}
BENCHMARK(BM_GradeInOwnProcess)->Unit(benchmark::kMillisecond);

}  // namespace
