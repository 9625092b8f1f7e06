// The demo Word tasks against documents as candidates save them: the untouched
// task document earns nothing; a fully solved one, written as Word writes it and
// after LibreOffice saved it again (fixtures from make_solved_documents.py),
// earns every point.
#include <gtest/gtest.h>

#include "common/word/grading.h"
#include "tests/support/temp_dir.h"
#include "tools/demo/demo_bank.h"

namespace fs = std::filesystem;

namespace {

std::string describe(const kav::word::WordGrade& g) {
    std::string out = g.readError.value_or("");
    for (const auto& r : g.rules)
        if (!r.passed) out += "\n  " + r.ruleText + " -> " + r.observed;
    return out;
}

}  // namespace

TEST(DemoWordTasks, UntouchedDocumentsEarnNothingAndSolvedOnesEarnThirty) {
    const fs::path source = kav::test::sourceDir();
    for (const auto& task : kav::demo::wordTasks()) {
        SCOPED_TRACE(task.fileName);
        auto untouched = kav::word::gradeWordTask(source / "tools/demo/word" / task.fileName, task.answer);
        EXPECT_FALSE(untouched.readError);
        EXPECT_EQ(untouched.total, 0) << describe(untouched);
        const std::string stem = fs::path(task.fileName).stem().string();
        for (const char* variant : {"-solved.docx", "-solved-lo.docx"}) {
            auto solved = kav::word::gradeWordTask(source / "tests/demo/fixtures" / (stem + variant), task.answer);
            EXPECT_EQ(solved.total, 30) << variant << describe(solved);
            EXPECT_EQ(solved.partScores.size(), 5u);
        }
    }
}
