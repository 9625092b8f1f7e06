// Re-grading 200 work packs of a file lab, each with a Word document graded by
// the Word grading program, as many at once as the machine has cores (run by
// hand; the goal is 20 s for 200 packs).
#include <benchmark/benchmark.h>

#include <thread>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/platform/platform.h"
#include "common/regrade/regrade.h"
#include "common/word/isolated_grading.h"
#include "tests/support/temp_dir.h"
#include "tools/demo/demo_bank.h"

namespace {

namespace fs = std::filesystem;

void BM_Regrade200Packs(benchmark::State& state) {
    kav::test::TempDir lab, scratch;
    kav::db::createDatabase(lab / "teacher.mdb");
    auto teacher = kav::db::connectFile("teacher.mdb", lab.path());
    const std::string document = kav::test::readFile(fs::path(KAV_SOURCE_DIR) / "tests/demo/fixtures/word1-solved.docx");
    const std::string rule = kav::demo::wordTasks().front().answer;
    const std::string winAnswer = kav::demo::winTasks().front().answer;
    auto score = teacher->openTable("score");
    for (int i = 0; i < state.range(0); ++i) {
        kav::pack::WorkPack work;
        work.admission = "1101" + std::to_string(10000000 + i);
        for (int q = 1; q <= 30; ++q) work.choices.push_back({q, "", {}, "a", "a"});
        std::string line;
        for (int c = 0; c < 28; ++c) line += "计";
        for (int l = 0; l < 10; ++l) work.typingSourceText += line + "\r\n";
        work.typedText = work.typingSourceText;
        work.wintaskNumber = work.wordNumber = 1;
        work.wintaskAnswerText = winAnswer;
        work.wordAnswerText = rule;
        work.wordDocument = "word1.docx";
        work.files = {{"TEST", kav::platform::kAttrDirectory, ""},
                      {"TEST/A.TXT", kav::platform::kAttrArchive, std::string(2000, 'x')},
                      {"word1.docx", kav::platform::kAttrArchive, document}};
        kav::pack::storePack(*teacher, work.admission, kav::pack::writePack(work));
        score->append();
        score->field("zkzh").setString(work.admission);
        score->post();
    }
    const auto rows = mendrix::scores::readScoreRows(*teacher->openTable("score"));
    const kav::regrade::CurrentAnswers answers{std::vector<std::string>(30, "a"), {winAnswer}, {rule}};
    const fs::path grader = kav::word::installedWordGrader();
    const kav::regrade::WordGrader gradeWord = [&grader](const fs::path& doc, const std::string& text) {
        return kav::word::gradeWordTaskIsolated(grader, doc, text);
    };
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (auto _ : state) {
        const auto outcomes = kav::regrade::regradeAll(
            rows, [&](const std::string& a) { return kav::pack::loadPack(*teacher, a); }, answers, gradeWord,
            scratch.path(), workers);
        int graded = 0;
        for (const auto& o : outcomes) graded += o.regraded && o.regraded->word > 0;
        if (graded != state.range(0)) state.SkipWithError("a pack was not graded");
    }
}
BENCHMARK(BM_Regrade200Packs)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
