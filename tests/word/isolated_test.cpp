// Grading a document in a process of its own: the grade that comes back
// through the pipe, and every way the grading program can fail.
#include <gtest/gtest.h>

#include <chrono>

#include "common/word/isolated_grading.h"
#include "common/word/grader_process.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"
#include "tools/demo/demo_bank.h"

using namespace kav::word;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const fs::path kGrader = KAV_WORD_GRADER;
const fs::path kFakeGrader = KAV_FAKE_WORD_GRADER;

void expectSameGrade(const WordGrade& a, const WordGrade& b) {
    EXPECT_EQ(a.total, b.total);
    EXPECT_EQ(a.partScores, b.partScores);
    EXPECT_EQ(a.resultText, b.resultText);
    EXPECT_EQ(a.readError, b.readError);
    ASSERT_EQ(a.rules.size(), b.rules.size());
    for (std::size_t i = 0; i < a.rules.size(); ++i) {
        SCOPED_TRACE(a.rules[i].ruleText);
        EXPECT_EQ(a.rules[i].ruleText, b.rules[i].ruleText);
        EXPECT_EQ(a.rules[i].part, b.rules[i].part);
        EXPECT_EQ(a.rules[i].index, b.rules[i].index);
        EXPECT_EQ(a.rules[i].kind, b.rules[i].kind);
        EXPECT_EQ(a.rules[i].earned, b.rules[i].earned);
        EXPECT_EQ(a.rules[i].passed, b.rules[i].passed);
        EXPECT_EQ(a.rules[i].observed, b.rules[i].observed);
    }
}

// A grade with every field in use: passed, failed and malformed rules, two parts.
WordGrade sampleGrade() {
    return gradeWordTask(test::fixture("lo_text.docx"), "1 40 1 计*1 40 1 计**55 3 2*x 1 1*1 7 1 计");
}

TEST(WordGradeWire, ReadsBackWhatWasWritten) {
    const kav::test::TempDir dir;
    kav::test::writeFile(dir / "bad.docx", "not a zip at all");
    for (const WordGrade& g : {sampleGrade(), gradeWordTask(dir / "bad.docx", "1 5 1 计**55 3 2"), WordGrade{}}) {
        auto back = decodeGrade(encodeGrade(g));
        ASSERT_TRUE(back);
        expectSameGrade(*back, g);
    }
}

TEST(WordGradeWire, RefusesAnythingButOneWholeGrade) {
    const std::string whole = encodeGrade(sampleGrade());
    for (std::size_t n = 0; n < whole.size(); ++n)
        ASSERT_FALSE(decodeGrade(whole.substr(0, n))) << "cut after " << n << " bytes";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"trailing bytes", whole + "0:"},
        {"other version", "KAVWORDGRADE/2\n" + whole.substr(15)},
        {"no header", whole.substr(15)},
        {"total above the column", "KAVWORDGRADE/1\n5:32768" + whole.substr(whole.find("1:0", 15) - 0)},
        {"negative total", "KAVWORDGRADE/1\n2:-1" + whole.substr(whole.find("1:0", 15))},
        {"length beyond the end", "KAVWORDGRADE/1\n99999999999:0"},
        {"length not a number", "KAVWORDGRADE/1\nx:0"},
        {"count larger than the rest", "KAVWORDGRADE/1\n1:01:00:0:\r9:999999999"},
        {"flag neither 0 nor 1", "KAVWORDGRADE/1\n1:01:20:1:\r1:01:0"},
    };
    for (const auto& c : cases) EXPECT_FALSE(decodeGrade(c.bytes)) << c.name;
    EXPECT_TRUE(decodeGrade("KAVWORDGRADE/1\n1:01:00:1:\r1:01:0")) << "the smallest grade reads";
}

TEST(IsolatedWordGrading, GradesAsInProcessForRealExamDocuments) {
    const fs::path source = kav::test::sourceDir();
    for (const auto& task : kav::demo::wordTasks()) {
        for (const fs::path& document : {source / "tools/demo/word" / task.fileName,
                                        source / "tests/demo/fixtures" /
                                            (fs::path(task.fileName).stem().string() + "-solved.docx")}) {
            SCOPED_TRACE(document.string());
            expectSameGrade(gradeWordTaskIsolated(kGrader, document, task.answer),
                            gradeWordTask(document, task.answer));
        }
    }
    // An answer text larger than a pipe's buffer arrives whole.
    std::string many;
    for (int i = 0; i < 6000; ++i) many += (i ? "*" : "") + std::string("1 1 1 计");
    const fs::path text = test::fixture("lo_text.docx");
    const auto isolated = gradeWordTaskIsolated(kGrader, text, many);
    expectSameGrade(isolated, gradeWordTask(text, many));
    EXPECT_EQ(isolated.rules.size(), 6000u);
}

// A checked sentence of 1.9 million characters: its observed text is shortened
// in the grade, so the grading program's output stays small and both ways of
// grading give the same answer.
TEST(IsolatedWordGrading, AVeryLongObservedTextIsShortenedAlikeInAndOutOfProcess) {
    kav::test::TempDir dir;
    const std::string sentence(1'900'000, 'a');
    test::writeZip(dir / "long.docx",
                   {{"word/document.xml", test::documentXml("<w:p><w:r><w:t>" + sentence + "</w:t></w:r></w:p>")}});
    std::string answer;
    for (int i = 0; i < 10; ++i) answer += (i ? "*" : "") + std::string("12 5 1 b*20 5 1 宋体");
    const WordGrade inProcess = gradeWordTask(dir / "long.docx", answer);
    expectSameGrade(gradeWordTaskIsolated(kGrader, dir / "long.docx", answer), inProcess);
    ASSERT_EQ(inProcess.rules.size(), 20u);
    const std::string& observed = inProcess.rules[0].observed;
    EXPECT_EQ(observed, "\"" + std::string(kMaxObservedCharacters - 1, 'a') + "…");
}

// Out of memory in the parser, under a limit below what the document needs
// but within the document's budget: the memory limit is the reason.
TEST(IsolatedWordGrading, OutOfMemoryInTheParserIsTheMemoryLimit) {
    kav::test::TempDir dir;
    std::string body;
    for (int i = 0; i < 400'000; ++i) body += "<w:p><w:r><w:t>x</w:t></w:r></w:p>";
    test::writeZip(dir / "big.docx", {{"word/document.xml", test::documentXml(body)}});
    GraderLimits limits;
    limits.memoryBytes = 96ull << 20;
    const WordGrade g = gradeWordTaskIsolated(kGrader, dir / "big.docx", "1 5 1 x", limits);
    ASSERT_TRUE(g.readError);
    EXPECT_EQ(*g.readError, std::string(kUngradable) + "评分超过内存限制（96 MB）");
    EXPECT_EQ(gradeWordTaskIsolated(kGrader, dir / "big.docx", "1 5 1 x").total, 5) << "within the normal limit";
}

TEST(IsolatedWordGrading, EveryFailureOfTheGraderEarnsNothingWithItsReason) {
    const fs::path document = test::fixture("lo_text.docx");
    const struct {
        fs::path grader;
        const char* behaviour;
        const char* reason;
        std::chrono::milliseconds wallTime = 1500ms;
    } cases[] = {
        {kFakeGrader, "crash", "评分程序异常结束（信号 11"},
        {kFakeGrader, "hang", "评分超过时间限制（1.5 秒）"},
        // A long wall time, so that the processor-time limit ends it first even on a busy machine.
        {kFakeGrader, "spin", "评分超过时间限制（处理器时间 1 秒）", 20s},
        {kFakeGrader, "allocate", "评分超过内存限制（256 MB）"},
        {kFakeGrader, "garbage", "评分程序的输出无效"},
        {kFakeGrader, "truncate", "评分程序的输出无效"},
        {kFakeGrader, "exit 7", "评分程序异常结束（退出码 7）"},
        {kFakeGrader, "flood", "评分程序的输出过长"},
        {"/nonexistent/kavlor-word-grader", "1 5 1 计", "无法启动评分程序 /nonexistent/kavlor-word-grader"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        GraderLimits limits;
        limits.wallTime = c.wallTime;
        limits.cpuSeconds = 1;
        limits.memoryBytes = 256ull << 20;
        const auto started = std::chrono::steady_clock::now();
        const WordGrade g = gradeWordTaskIsolated(c.grader, document, c.behaviour, limits);
        EXPECT_LT(std::chrono::steady_clock::now() - started, c.wallTime + 1s);
        EXPECT_EQ(g.total, 0);
        ASSERT_TRUE(g.readError);
        EXPECT_EQ(g.readError->rfind(std::string(kUngradable) + c.reason, 0), 0u) << *g.readError;
        EXPECT_EQ(g.resultText.rfind(*g.readError + "\r1、0\r", 0), 0u) << g.resultText;
        ASSERT_EQ(g.rules.size(), 1u);
        EXPECT_FALSE(g.rules[0].passed);
    }
    // A grader that ends without reading a long answer text costs the task,
    // not the client (no SIGPIPE).
    const std::string longAnswer(4 << 20, '1');
    const WordGrade unread = gradeWordTaskIsolated(kFakeGrader, "/nonexistent/unread.docx", longAnswer);
    ASSERT_TRUE(unread.readError);
    EXPECT_EQ(*unread.readError, std::string(kUngradable) + "评分程序异常结束（退出码 7）");
    // The fake grades normally otherwise: the failures above are its faults alone.
    EXPECT_EQ(gradeWordTaskIsolated(kFakeGrader, document, "1 5 1 计").total, 5);
}

// The reading mode answers what reading in this process answers, travels
// whole or not at all, and a document it cannot read gives the reader's reason.
TEST(IsolatedWordGrading, ReadingModeReadsAsInProcess) {
    const fs::path document = test::fixture("lo_text.docx");
    const std::vector<ValueRequest> requests = {{35, {"1"}}, {26, {"2"}}, {57, {}}, {28, {"1", "-3"}},
                                                {9999, {"1"}}, {35, {"1", "2", "3"}}};
    const ModelValues inProcess = readModelValues(document, requests);
    ASSERT_FALSE(inProcess.readError);
    ASSERT_EQ(inProcess.readings.size(), requests.size());
    EXPECT_TRUE(inProcess.readings[0].found());
    EXPECT_FALSE(inProcess.readings[4].reason.empty()) << "an unknown kind is refused with a reason";
    EXPECT_FALSE(inProcess.readings[5].reason.empty()) << "so are too many positions";
    const ModelValues isolated = readModelValuesIsolated(kGrader, document, requests);
    ASSERT_FALSE(isolated.readError) << *isolated.readError;
    ASSERT_EQ(isolated.readings.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(isolated.readings[i].values, inProcess.readings[i].values) << i;
        EXPECT_EQ(isolated.readings[i].reason, inProcess.readings[i].reason) << i;
    }

    const std::string whole = encodeModelValues(inProcess);
    for (std::size_t n = 0; n < whole.size(); ++n)
        ASSERT_FALSE(decodeModelValues(whole.substr(0, n), requests.size())) << "cut after " << n << " bytes";
    EXPECT_FALSE(decodeModelValues(whole, requests.size() - 1)) << "one reading per request";
    const std::string asked = encodeValueRequests(requests);
    ASSERT_TRUE(decodeValueRequests(asked));
    EXPECT_EQ(decodeValueRequests(asked)->at(3).positions, requests[3].positions);
    EXPECT_FALSE(decodeValueRequests(asked.substr(0, asked.size() - 1)));

    kav::test::TempDir dir;
    kav::test::writeFile(dir / "bad.docx", "not a zip at all");
    const ModelValues bad = readModelValuesIsolated(kGrader, dir / "bad.docx", requests);
    ASSERT_TRUE(bad.readError);
    EXPECT_EQ(bad.readError, readModelValues(dir / "bad.docx", requests).readError);
    EXPECT_TRUE(bad.readings.empty());
}

// A program run from the build tree (this test, the console, kavtool) finds
// the grader built there, though it is not beside it.
TEST(IsolatedWordGrading, ProgramsOfTheBuildTreeFindTheBuiltGrader) {
    EXPECT_EQ(fs::canonical(installedWordGrader()), fs::canonical(kGrader));
}

}  // namespace
