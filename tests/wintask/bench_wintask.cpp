// Grading a full Windows task (five items, eleven checks, attribute words and
// .hidden lookups) on a real candidate folder, as "全部评分(&A)" does at hand-in.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "client/grading/wintask/wintask.h"

namespace fs = std::filesystem;

static void BM_GradeWindowsTask(benchmark::State& state) {
    fs::path root = fs::temp_directory_path() / ("kavbench-" + std::to_string(::getpid()));
    setenv("KAVLOR_DRIVE_C", root.c_str(), 1);
    fs::path folder = root / "kavlor" / "11010001";
    fs::create_directories(folder / "DOCS");
    fs::create_directories(folder / "GAME" / "SAVE");
    for (const char* f : {"DOCS/MEMO.TXT", "FINAL.TXT", "GAME/SETUP.EXE", "DATA.DAT"}) std::ofstream(folder / f) << "x";
    std::ofstream(folder / "DOCS" / ".hidden") << "MEMO.TXT\n";
    const std::string answer =
        "34 DOCS\\MEMO.TXT**5 FINAL.TXT*6 DOCS\\DRAFT.TXT**8 TRASH*7 GAME*7 GAME\\SAVE**5 GAME\\SETUP.EXE*"
        "6 DOWNLOAD\\SETUP.EXE**5 DATA.DAT*32 DATA.DAT*5 backup\\data.dat";
    for (auto _ : state) {
        auto g = kav::wintask::gradeCandidateFolder("c:\\kavlor\\11010001", answer);
        benchmark::DoNotOptimize(g.score);
    }
    fs::remove_all(root);
}
BENCHMARK(BM_GradeWindowsTask);
