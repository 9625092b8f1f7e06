// Reading the drawn questions of 400 candidates from their work packs, as the
// answer analysis does once per refresh behind its progress box (run by hand;
// the goal is well under 5 s for 400 packs on a file lab).
#include <benchmark/benchmark.h>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "common/platform/platform.h"
#include "common/scores/item_stats.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void BM_DrawnQuestionsOf400Packs(benchmark::State& state) {
    kav::test::TempDir lab;
    kav::db::createDatabase(lab / "teacher.mdb");
    auto teacher = kav::db::connectFile("teacher.mdb", lab.path());
    const std::string document = kav::test::readFile(fs::path(KAV_SOURCE_DIR) / "tests/demo/fixtures/word1-solved.docx");
    std::vector<mendrix::scores::ExamRecord> records;
    for (int i = 0; i < state.range(0); ++i) {
        kav::pack::WorkPack work;
        work.admission = "1101" + std::to_string(10000000 + i);
        std::string positions, keys;
        for (int q = 1; q <= 30; ++q) {
            const std::string n = std::to_string(q);
            work.choices.push_back({q, "第" + n + "题的题干，长短与题库中的相仿", {n + "甲", n + "乙", n + "丙", n + "丁"}, "a", "a"});
            positions += n + " ";
            keys += "a ";
        }
        work.typingSourceText = work.typedText = std::string(3000, 'x');
        work.files = {{"TEST", kav::platform::kAttrDirectory, ""},
                      {"TEST/A.TXT", kav::platform::kAttrArchive, std::string(2000, 'x')},
                      {"word1.docx", kav::platform::kAttrArchive, document}};
        kav::pack::storePack(*teacher, work.admission, kav::pack::writePack(work));
        records.push_back({work.admission, 1, 1, positions, keys, keys});
    }
    for (auto _ : state) {
        const auto drawn = mendrix::scores::loadDrawnQuestions(*teacher, records);
        if (!drawn || drawn->size() != records.size()) state.SkipWithError("a pack was not read");
    }
}
BENCHMARK(BM_DrawnQuestionsOf400Packs)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace
