// Reading rule values off documents ("从样稿读取" and kavtool word-read), and
// trying the composed rules on the solved model document ("试评").
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>

#include "common/word/checks.h"
#include "common/word/rule_reading.h"
#include "console/pages/ruleeditor/texts.h"
#include "tests/console/ruleeditor/editor_fixture.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

namespace kav::ruleeditor::test {
namespace {

using answer::Position;
using word::test::fixtureDoc;
using B = PositionBox;

std::filesystem::path solvedWord3() {
    return kav::test::sourceDir() / "tests" / "console" / "ruleeditor" / "fixtures" / "word3_solved.docx";
}

// Two position lists per kind, from small numbers and "last".
std::vector<std::string> positionsFor(const answer::RuleKind& kind, int variant) {
    std::vector<std::string> out;
    for (Position p : kind.positions) {
        switch (p) {
        case Position::Side: out.push_back(variant ? "-1" : "-3"); break;
        case Position::HeaderFooter: out.push_back("1"); break;
        case Position::Find: out.push_back("0"); break;
        case Position::Character: out.push_back(variant ? "last" : "3"); break;
        default: out.push_back(variant ? "2" : "1");
        }
    }
    return out;
}

std::string ruleText(const answer::RuleKind& kind, const std::vector<std::string>& positions, const std::string& value) {
    std::string rule = std::to_string(kind.number) + " 1";
    for (auto& p : positions) rule += " " + p;
    if (kind.value != answer::ValueType::None) rule += " " + value;
    return rule;
}

// The defining property: every value read earns its rule's point on the very
// document, and no other entry of a list does.
TEST(ModelReading, EveryValueReadPassesItsCheckAndNoOtherEntryDoes) {
    int found = 0, none = 0;
    for (const char* name : {"python_docx.docx", "lo_text.docx", "tables.docx", "shapes.docx", "page.docx",
                             "styles.docx", "fields.docx", "wps_style.docx", "script_library.docx",
                             "lo_script_library.docx"}) {
        const word::Document& doc = fixtureDoc(name);
        for (const answer::RuleKind& kind : answer::allRuleKinds()) {
            for (int variant = 0; variant < 2; ++variant) {
                auto positions = positionsFor(kind, variant);
                word::RuleReading r = word::readRuleValue(doc, kind, positions);
                SCOPED_TRACE(std::string(name) + ": " + ruleText(kind, positions, "") + " -> " + r.line());
                if (!r.found()) {
                    EXPECT_FALSE(r.reason.empty());
                    ++none;
                    continue;
                }
                ++found;
                if (kind.value == answer::ValueType::None) {
                    EXPECT_EQ(r.values, std::vector<std::string>{positions.back()});
                    EXPECT_EQ(word::test::gradeOne(doc, ruleText(kind, positions, "")).earned, 1);
                    continue;
                }
                for (auto& v : r.values) EXPECT_EQ(word::test::gradeOne(doc, ruleText(kind, positions, v)).earned, 1) << v;
                if (!kind.list) {
                    EXPECT_EQ(r.values.size(), 1u);
                    continue;
                }
                for (int entry = 0; entry < answer::valueList(*kind.list).size(); ++entry) {
                    std::string v = std::to_string(entry);
                    if (std::find(r.values.begin(), r.values.end(), v) == r.values.end()) {
                        EXPECT_EQ(word::test::gradeOne(doc, ruleText(kind, positions, v)).earned, 0) << v;
                    }
                }
            }
        }
    }
    EXPECT_GT(found, 400);
    EXPECT_GT(none, 100);
}

// Text values are read back from what the checks report.
TEST(ModelReading, ReportedTextsReadBackExactly) {
    for (const std::string& text : std::vector<std::string>{"", "典型代表\r\a", "a\"b\\c", "\x01\x1f\f\v\t"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(word::fromVisibleText(word::visibleText(text)), text);
    }
    for (const char* shown : {"abc", "\"abc", "\"\\q\"", "\"\\x4\"", "\"\\xg0\"", "\"\\\""})
        EXPECT_FALSE(word::fromVisibleText(shown)) << shown;
}

struct ReadCase {
    int kind;
    std::vector<std::string> positions;
    std::string line;
};

// The solved third demo task: the values its task text asks for.
TEST(ModelReading, ReadsTheSolvedTaskAsItsTaskTextSays) {
    auto doc = word::Document::load(solvedWord3());
    const ReadCase cases[] = {
        {35, {"1"}, "黑体"},
        {36, {"1"}, "18"},
        {33, {"1"}, "1"},
        {28, {"1", "-3"}, "1"},
        {29, {"1", "-3"}, "1"},  // w:sz 4 is half a point: "050pt"
        {26, {"2"}, "24"},
        {33, {"2"}, "3"},
        {31, {"3"}, "7"},
        {57, {}, "11"},
        {60, {}, "72"},
        {61, {}, "72"},
        {80, {"1"}, "1"},
        {67, {"1", "1", "3"}, "典型代表"},
        {79, {"1", "1"}, "1"},
        {77, {"1", "1"}, "28"},
        {36, {"2"}, "12"},
        {47, {"2"}, "none: 文档中没有这项设置（读到 无段前分页）"},
        {10, {"999999"}, "none: 第 999999 个字符不存在（共 "},
        {67, {"1", "1", "1"}, "病毒类型"},
        {81, {"0"}, "none: 要查找的文字由出题人决定，不能从文档读出"},
    };
    for (const ReadCase& c : cases) {
        const answer::RuleKind& kind = *answer::findRuleKind(c.kind);
        std::string line = word::readRuleValue(*doc, kind, c.positions).line();
        SCOPED_TRACE(std::to_string(c.kind) + " -> " + line);
        EXPECT_EQ(line.substr(0, c.line.size()), c.line);
        if (c.line.starts_with("none")) continue;
        EXPECT_EQ(line, c.line);
    }
}

TEST(KavtoolWordRead, PrintsOneLineAndExitsAsDocumented) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "bad.docx", "garbage");
    const std::string doc = solvedWord3().string();
    struct ToolCase {
        std::string args;
        int status;
        std::string out;
    } cases[] = {
        {doc + " 35 1", 0, "黑体\n"},
        {doc + " 57", 0, "11\n"},
        {doc + " 28 1 -3", 0, "1\n"},
        {doc + " 10 99999", 0, ""},
        {doc + " 0 1", 2, ""},
        {doc + " 82", 2, ""},
        {doc + " x 1", 2, ""},
        {doc + " 35", 2, ""},
        {doc + " 35 1 2", 2, ""},
        {doc + " 35 0", 2, ""},
        {doc + " 28 1 -6", 2, ""},
        {doc, 2, ""},
        {(dir / "bad.docx").string() + " 35 1", 1, ""},
        {(dir / "none.docx").string() + " 35 1", 1, ""},
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.args);
        kav::test::ToolRun r = kav::test::runKavtool("word-read " + c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status != 0) {
            EXPECT_TRUE(r.out.empty() && !r.err.empty());
        } else if (c.out.empty()) {
            EXPECT_TRUE(r.out.starts_with("none: ")) << r.out;
        } else {
            EXPECT_EQ(r.out, c.out);
        }
    }
}

// "从样稿读取" at the typed positions, ticking two readings, then "试评":
// the model document earns full marks on the rules read from it.
TEST(ModelReading, ReadKeepAndTryInTheEditor) {
    EditorLab l;
    l.lab.dialogs.files = {solvedWord3()};
    l.sheet().setPosition(B::Edit3, "1");
    l.sheet().setPosition(B::Edit47, "-3");
    ASSERT_TRUE(l.editor->BitBtn4Click());
    const auto& readings = l.editor->readings();
    EXPECT_EQ(readings.at(35).line(), "黑体");
    EXPECT_EQ(readings.at(28).line(), "1");
    EXPECT_TRUE(readings.count(57));    // no positions: always read
    EXPECT_FALSE(readings.count(10));   // the character box is empty
    EXPECT_FALSE(readings.count(47));   // its own box holds the paragraph and is empty
    l.editor->setKept(35, true);
    l.editor->setKept(28, true);
    l.editor->setKept(33, true);
    EXPECT_FALSE(l.editor->BitBtn5Click());  // no score yet
    EXPECT_EQ(l.lab.dialogs.lastText(), kNoScore);
    l.sheet().setScore("2");
    ASSERT_TRUE(l.editor->removeRule(0));  // the stored rule goes; the readings bring it back
    ASSERT_TRUE(l.editor->BitBtn5Click());
    EXPECT_EQ(l.editor->text(), "28 2 1 -3 1*33 2 1 1*35 2 1 黑体");
    EXPECT_TRUE(l.editor->readings().empty());

    // A wrong value typed by hand: the trial shows it earns nothing.
    l.sheet().setPosition(B::Edit3, "2");
    l.sheet().setValue(26, "25");
    l.sheet().setScore("3");
    ASSERT_TRUE(l.editor->BitBtn1Click());
    auto grade = l.editor->BitBtn6Click();
    ASSERT_TRUE(grade);
    EXPECT_EQ(grade->total, 6);
    EXPECT_EQ(grade->rules.back().earned, 0);
    EXPECT_EQ(l.lab.dialogs.shown.back().kind, ui::MessageKind::Information);
    EXPECT_TRUE(l.lab.dialogs.lastText().ends_with("样稿得分 6，满分 9")) << l.lab.dialogs.lastText();

    // Stored, the trial grades the stored answer.
    ASSERT_TRUE(l.editor->BitBtn2Click());
    EXPECT_EQ(l.storedAnswer(), "28 2 1 -3 1*33 2 1 1*35 2 1 黑体*26 3 2 25");
    EXPECT_EQ(l.editor->BitBtn6Click()->total, 6);
}

TEST(ModelReading, UnreadableModelIsReportedAndNothingRead) {
    EditorLab l;
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "bad.docx", "garbage");
    l.lab.dialogs.files = {dir / "bad.docx"};
    EXPECT_FALSE(l.editor->BitBtn4Click());
    EXPECT_EQ(l.lab.dialogs.shown.back().kind, ui::MessageKind::Error);
    EXPECT_TRUE(l.editor->readings().empty());
    EXPECT_FALSE(l.editor->modelDocument());
}

// A hostile model document costs the editor a message, soon, in "从样稿读取"
// and in "试评" alike: the reader's own refusal, and a grading program that
// runs out of memory, crashes or stalls on it. None of it is read in the
// console's process: its peak memory does not grow by what the reading needs.
TEST(ModelReading, HostileModelsCostTheEditorAMessageSoon) {
    kav::test::TempDir dir;
    std::string dense, paragraphs;
    for (int i = 0; i < 8'000'000; ++i) dense += "<a/>";
    for (int i = 0; i < 400'000; ++i) paragraphs += "<w:p><w:r><w:t>x</w:t></w:r></w:p>";
    word::test::writeZip(dir / "dense.docx", {{"word/document.xml", word::test::documentXml(dense)}});
    word::test::writeZip(dir / "big.docx", {{"word/document.xml", word::test::documentXml(paragraphs)}});
    dense = paragraphs = {};
    kav::test::writeFile(dir / "crash", "#!/bin/sh\nkill -SEGV $$\n");
    kav::test::writeFile(dir / "stall", "#!/bin/sh\nexec sleep 30\n");
    for (const char* script : {"crash", "stall"}) std::filesystem::permissions(dir / script, std::filesystem::perms::owner_all);

    word::GraderLimits tight;
    tight.wallTime = std::chrono::milliseconds(1500);
    tight.memoryBytes = 96ull << 20;
    const std::filesystem::path grader = word::installedWordGrader();
    const struct {
        const char* name;
        std::filesystem::path grader;
        std::filesystem::path document;
        word::GraderLimits limits;
        std::string readReason, trialReason;
    } cases[] = {
        {"dense tiny elements", grader, dir / "dense.docx", {}, "文档过大，无法读取", "文档过大，无法读取"},
        {"beyond the memory limit", grader, dir / "big.docx", tight, "读取超过内存限制（96 MB）", "评分超过内存限制（96 MB）"},
        {"grader crashes", dir / "crash", solvedWord3(), tight, "评分程序异常结束（信号 11", "评分程序异常结束（信号 11"},
        {"grader stalls", dir / "stall", solvedWord3(), tight, "读取超过时间限制（1.5 秒）", "评分超过时间限制（1.5 秒）"},
    };
    auto peakKb = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    EditorLab l;
    const long peakBefore = peakKb();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RuleEditor editor(l.lab.dialogs, *l.store, c.grader, c.limits);
        editor.FormShow();
        editor.sheet().setPosition(B::Edit3, "1");
        l.lab.dialogs.files = {c.document, c.document};
        auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(editor.BitBtn4Click());
        EXPECT_EQ(l.lab.dialogs.shown.back().kind, ui::MessageKind::Error);
        EXPECT_EQ(l.lab.dialogs.lastText().rfind("样稿读不出来：" + c.readReason, 0), 0u) << l.lab.dialogs.lastText();
        EXPECT_TRUE(editor.readings().empty());
        EXPECT_FALSE(editor.modelDocument()) << "an unreadable model is asked for again";
        EXPECT_FALSE(editor.BitBtn6Click());
        EXPECT_EQ(l.lab.dialogs.lastText().rfind("样稿读不出来：" + c.trialReason, 0), 0u) << l.lab.dialogs.lastText();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    EXPECT_LT(peakKb() - peakBefore, 48 * 1024) << "KB more at the peak of the console's process";
}

TEST(ModelReading, TrialWithNothingToGradeSaysSo) {
    EditorLab l(false);
    EXPECT_FALSE(l.editor->BitBtn6Click());
    EXPECT_EQ(l.lab.dialogs.lastText(), kNothingToTry);
}

}  // namespace
}  // namespace kav::ruleeditor::test

namespace kav::ruleeditor::test {
namespace {

// A teacher on the demo lab: the rules of the third Word task composed from
// its solved document, stored, tried, then checked with kavtool word-check on
// the solved document (full marks) and on the task's own document (nothing).
TEST(ModelReading, DemoTaskComposedFromItsSolvedDocumentGradesFullAndZero) {
    kav::test::TempDir dir;
    ASSERT_EQ(kav::test::runKavtool("demo-lab " + (dir / "lab").string()).status, 0);
    const std::filesystem::path teacher = dir / "lab" / "teacher";
    auto stu = db::connect(db::ConnectionString::forDataSource("stu.mdb").toString(), teacher);
    auto word = stu->openTable("word");
    kav::test::FakeDialogs dialogs;
    console::TableBinding binding(*word, dialogs);
    ASSERT_TRUE(binding.moveToRow(3));
    ASSERT_EQ(binding.text(binding.columnIndex("filename_word")), "word3.docx");
    BindingAnswerStore store(binding);
    RuleEditor editor(dialogs, store);
    editor.FormShow();
    ASSERT_EQ(editor.total(), 30) << "the demo's stored answer is loaded";
    while (!editor.lines().empty()) ASSERT_TRUE(editor.removeRule(0));  // to compose it anew
    dialogs.files = {solvedWord3()};
    RuleSheet& sheet = editor.sheet();
    // Reads at the typed positions, keeps the given kinds with score 2.
    auto readAndKeep = [&](std::vector<std::pair<B, const char*>> positions, std::vector<int> kinds) {
        for (auto& [box, text] : positions) sheet.setPosition(box, text);
        ASSERT_TRUE(editor.BitBtn4Click());
        for (int k : kinds) {
            ASSERT_TRUE(editor.readings().at(k).found()) << k << ": " << editor.readings().at(k).line();
            editor.setKept(k, true);
        }
        sheet.setScore("2");
        ASSERT_TRUE(editor.BitBtn5Click()) << dialogs.lastText();
    };
    readAndKeep({{B::Edit3, "1"}, {B::Edit47, "-3"}}, {35, 36, 33, 28});
    editor.BitBtn3Click();
    readAndKeep({{B::Edit3, "2"}}, {26, 33});
    readAndKeep({{B::Edit3, "3"}}, {31});
    editor.BitBtn3Click();
    readAndKeep({}, {57, 60, 61});
    editor.BitBtn3Click();
    sheet.setPosition(B::ComboBox_c45, "1");  // "不可": the misspelling must be gone
    sheet.setValue(81, "毒病");
    sheet.setScore("2");
    ASSERT_TRUE(editor.BitBtn3Click());
    readAndKeep({{B::Edit29, "1"}, {B::Edit32, "1"}, {B::Edit33, "3"}, {B::Edit41, "1"}, {B::Edit39, "1"}},
                {80, 67, 79, 77});
    auto trial = editor.BitBtn6Click();
    ASSERT_TRUE(trial);
    EXPECT_EQ(trial->total, 30) << dialogs.lastText();
    ASSERT_TRUE(editor.BitBtn2Click()) << dialogs.lastText();
    const std::string stored =
        "28 2 1 -3 1*33 2 1 1*35 2 1 黑体*36 2 1 18**26 2 2 24*33 2 2 3*31 2 3 7**57 2 11*60 2 72*61 2 72**"
        "81 2 1 毒病**67 2 1 1 3 典型代表*77 2 1 1 28*79 2 1 1 1*80 2 1 1";
    EXPECT_EQ(binding.text(binding.columnIndex("answer")), stored);

    kav::test::writeFile(dir / "answer.txt", stored);
    auto solved = kav::test::runKavtool("word-check " + solvedWord3().string() + " " + (dir / "answer.txt").string());
    EXPECT_EQ(solved.status, 0);
    EXPECT_TRUE(solved.out.ends_with("total\t30\n")) << solved.out;
    auto untouched = kav::test::runKavtool("word-check " + (teacher / "word" / "word3.docx").string() + " " +
                                           (dir / "answer.txt").string());
    EXPECT_EQ(untouched.status, 0);
    EXPECT_TRUE(untouched.out.ends_with("total\t0\n")) << untouched.out;
}

}  // namespace
}  // namespace kav::ruleeditor::test
