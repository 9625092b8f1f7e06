// The roster import at a lab's scale: 10,000 rows through kavtool as an
// administrator runs it (goal: at most a second), the import itself on rows
// that fill one folder each, and the duplicate and shared-folder checks of a
// 40,000-row roster (linear: well under a second).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "common/bank/csv_import.h"
#include "common/bank/rules.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace {

using mendrix::bank::ImportKind;

// A roster of distinct 12-digit numbers, each its own candidate folder (the
// folder keeps the first and the last four digits).
std::string number(int i) {
    const std::string last = std::to_string(10000 + i % 10000).substr(1);
    return std::to_string(1000 + i / 10000) + "9999" + last;
}
std::string rosterCsv(int rows) {
    std::string bytes = "准考证号,姓名,密码\r\n";
    for (int i = 0; i < rows; ++i) bytes += number(i) + ",考生,pw\r\n";
    return bytes;
}

void BM_KavtoolImportRoster(benchmark::State& state) {
    ::setenv("KAV_BINARY_DIR", KAV_BINARY_DIR_DEFAULT, 0);  // the kavtool of this build
    const int rows = static_cast<int>(state.range(0));
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "roster.csv", rosterCsv(rows));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(dir / "stu.mdb");
        kav::db::createDatabase(dir / "stu.mdb");
        state.ResumeTiming();
        const auto run = kav::test::runKavtool("import roster stu.mdb roster.csv", dir.path());
        if (run.status != 0 || run.out != std::to_string(rows) + "\n") throw std::runtime_error("kavtool: " + run.out + run.err);
    }
}
BENCHMARK(BM_KavtoolImportRoster)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ImportRoster(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string bytes = rosterCsv(rows);
    kav::test::TempDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(dir / "stu.mdb");
        kav::db::createDatabase(dir / "stu.mdb");
        auto connection = kav::db::connectFile("stu.mdb", dir.path());
        state.ResumeTiming();
        if (mendrix::bank::importCsv(ImportKind::Roster, bytes, *connection).imported != rows)
            throw std::runtime_error("rows refused");
    }
}
BENCHMARK(BM_ImportRoster)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SharedFolderCheck(benchmark::State& state) {
    std::vector<std::string> numbers;
    for (int i = 0; i < state.range(0); ++i) numbers.push_back(number(i));
    for (auto _ : state)
        if (!mendrix::bank::sharedFolderWarnings(numbers).empty()) throw std::runtime_error("folders collide");
}
BENCHMARK(BM_SharedFolderCheck)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
