// The engine around the checks: parts, guards, the result text, and the
// whole of the exam window's Word grading with its messages and records.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/word/grading.h"
#include "client/grading/word/word_click.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::word::test::fixture;
using kav::word::test::fixtureDoc;

namespace {

// A one-row table standing in for the candidate's student or ct row.
class RowCursor : public kav::db::Cursor {
public:
    RowCursor(std::string table, std::vector<std::string> columns) {
        def_.name = std::move(table);
        for (auto& c : columns) def_.columns.push_back({c, kav::db::ColumnType::Memo, 0});
        values_.resize(def_.columns.size());
        posted_ = values_;
    }
    const kav::db::TableDef& definition() const override { return def_; }
    State state() const override { return state_; }
    void open() override {}
    void close() override {}
    void requery() override {}
    void first() override {}
    void next() override {}
    void prior() override {}
    void last() override {}
    void moveBy(int) override {}
    bool eof() const override { return false; }
    bool bof() const override { return false; }
    int recordCount() const override { return 1; }
    int recNo() const override { return 1; }
    bool locate(std::string_view, const kav::db::Value&) override { return true; }
    void edit() override { state_ = State::Edit; }
    void append() override {}
    void remove() override {}
    void post() override {
        if (state_ != State::Edit) throw kav::db::DbError("post without edit");
        posted_ = values_;
        state_ = State::Browse;
        ++posts;
    }
    void cancel() override { values_ = posted_; }
    bool isModified() const override { return state_ == State::Edit && values_ != posted_; }
    kav::db::Value rowValue(int row, int i) const override {
        if (row != 1) throw kav::db::DbError("no row " + std::to_string(row));
        return get(i);
    }
    kav::db::Value get(int i) const override { return posted_.at(static_cast<std::size_t>(i)); }
    void set(int i, kav::db::Value v) override {
        if (state_ != State::Edit) throw kav::db::DbError("set without edit");
        values_.at(static_cast<std::size_t>(i)) = std::move(v);
    }
    kav::db::Value posted(const std::string& column) const {
        for (std::size_t i = 0; i < def_.columns.size(); ++i)
            if (def_.columns[i].name == column) return posted_[i];
        throw kav::db::DbError("no column " + column);
    }
    int posts = 0;

private:
    kav::db::TableDef def_;
    State state_ = State::Browse;
    std::vector<kav::db::Value> values_, posted_;
};

}  // namespace

TEST(WordEngine, EmptyAnswerGivesZeroAndALoneCarriageReturn) {
    WordGrade g = gradeAnswer(&fixtureDoc("lo_text.docx"), "");
    EXPECT_EQ(g.total, 0);
    EXPECT_EQ(g.resultText, "\r");
    EXPECT_TRUE(g.rules.empty());
}

TEST(WordEngine, PartScoresTotalAndResultText) {
    // Part 1 earns 10 (4 + 6), part 2 earns nothing, part 3 earns 8.
    WordGrade g = gradeAnswer(&fixtureDoc("lo_text.docx"),
                              "1 4 1 计*10 6 1 14**1 5 1 错**65 8 1 2*66 3 1 9");
    EXPECT_EQ(g.partScores, (std::vector<int>{10, 0, 8}));
    EXPECT_EQ(g.total, 18);
    EXPECT_EQ(g.resultText, "\r1、10\r2、0\r3、8\r");
    ASSERT_EQ(g.rules.size(), 5u);
    EXPECT_EQ(g.rules[4].part, 3);
    EXPECT_EQ(g.rules[4].index, 2);
    EXPECT_EQ(g.rules[4].kind, "66");
    EXPECT_EQ(g.rules[4].observed, "3");
}

TEST(WordEngine, EveryRuleUnderItsOwnGuard) {
    WordGrade g = gradeAnswer(&fixtureDoc("lo_text.docx"),
                              "1 1 900 计*82 1 1 x*0 1 1 x*abc 1 1 x*1 x 1 计**1 2 first 计***1 3 last x");
    std::vector<int> earned;
    for (auto& r : g.rules) earned.push_back(r.earned);
    // paragraph 900, kind 82, kind 0, kind "abc", score "x", then the good rules;
    // the third "*" opens part 3 with an empty rule.
    EXPECT_EQ(earned, (std::vector<int>{0, 0, 0, 0, 0, 2, 0, 0}));
    EXPECT_NE(g.rules[0].observed.find("不存在"), std::string::npos);
    EXPECT_NE(g.rules[1].observed.find("82"), std::string::npos);
    EXPECT_NE(g.rules[4].observed.find("分值"), std::string::npos);
    EXPECT_EQ(g.rules[6].observed, "空规则");
    EXPECT_EQ(g.resultText, "\r1、0\r2、2\r3、0\r");
}

TEST(WordEngine, MoreThanTenPartsAreAllGradedAndLongRulesAreReported) {
    std::string answer;
    for (int i = 0; i < 12; ++i) answer += (i ? "**" : "") + std::string("1 1 1 计");
    WordGrade g = gradeAnswer(&fixtureDoc("lo_text.docx"), answer);
    EXPECT_EQ(g.partScores.size(), 12u);
    EXPECT_EQ(g.total, 12);
    EXPECT_NE(g.resultText.find("12、1\r"), std::string::npos);
    WordGrade longRule = gradeAnswer(&fixtureDoc("lo_text.docx"), "12 1 2 a b c d e f g h i");
    EXPECT_EQ(longRule.rules[0].earned, 0);
    EXPECT_NE(longRule.rules[0].observed.find("超过 10 个"), std::string::npos);
}

TEST(WordEngine, NoUpperLimitAndGradingTwiceIsTheSame) {
    std::string answer = "1 40 1 计*1 40 1 计";
    auto a = gradeWordTask(fixture("lo_text.docx"), answer);
    auto b = gradeWordTask(fixture("lo_text.docx"), answer);
    EXPECT_EQ(a.total, 80);
    EXPECT_EQ(a.resultText, b.resultText);
}

TEST(WordEngine, UnreadableDocumentEarnsNothingWithTheReadersError) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "bad.docx", "not a zip at all");
    WordGrade g = gradeWordTask(dir / "bad.docx", "1 5 1 计**55 3 2");
    ASSERT_TRUE(g.readError);
    EXPECT_EQ(g.total, 0);
    EXPECT_EQ(g.resultText, "\r1、0\r2、0\r");
    EXPECT_EQ(g.rules[0].observed, *g.readError);
}

namespace {
struct ClickFixture {
    kav::test::TempDir dir;
    kav::test::FakeDialogs dialogs;
    RowCursor student{"student", {"zkzh", "word_cj"}};
    RowCursor ct{"ct", {"zkzh", "word_result"}};
    WordTask task;
    ClickFixture() {
        std::filesystem::create_directories(dir / "kavlor" / "1101000123");
        task.folder = "c:\\kavlor\\1101000123";
        task.documentName = "task.docx";
        task.answerText = "1 4 1 计*10 6 1 14**65 8 1 2";
        task.resolvePath = [this](std::string_view p) {
            std::string s(p);
            std::replace(s.begin(), s.end(), '\\', '/');
            return dir.path() / s.substr(3);  // "c:/"
        };
    }
    void install(const std::string& source) {
        std::filesystem::copy_file(fixture(source), dir / "kavlor" / "1101000123" / "task.docx");
    }
};
}  // namespace

// Practice grading says the file is missing and records nothing; the exam's
// own grading (a collection nobody watches) waits for no click and records 0.
TEST(WordClick, MissingFileIsShownInPracticeAndEarnsZeroInTheExam) {
    ClickFixture practice;
    practice.task.gradingEnabled = true;
    EXPECT_FALSE(word2Click(practice.task, practice.dialogs, practice.student, practice.ct));
    ASSERT_EQ(practice.dialogs.shown.size(), 1u);
    EXPECT_EQ(practice.dialogs.lastText(), "Word答题文件:c:\\kavlor\\1101000123\\task.docx不存在！不能评分！");
    EXPECT_EQ(practice.student.posts + practice.ct.posts, 0);

    ClickFixture exam;
    exam.task.gradingEnabled = false;
    const auto g = word2Click(exam.task, exam.dialogs, exam.student, exam.ct);
    ASSERT_TRUE(g);
    EXPECT_TRUE(exam.dialogs.shown.empty());
    EXPECT_EQ(g->readError, "Word答题文件:c:\\kavlor\\1101000123\\task.docx不存在！不能评分！");
    EXPECT_EQ(std::get<std::int64_t>(exam.student.posted("word_cj")), 0);
    EXPECT_EQ(std::get<std::string>(exam.ct.posted("word_result")), "\r1、0\r2、0\r");
}

TEST(WordClick, PracticeShowsTheScoreAndBothRowsAreWritten) {
    ClickFixture f;
    f.install("lo_text.docx");
    f.task.gradingEnabled = true;
    auto g = word2Click(f.task, f.dialogs, f.student, f.ct);
    ASSERT_TRUE(g);
    EXPECT_EQ(f.dialogs.texts(), std::vector<std::string>{"Word题得分:18\r1、10\r2、8\r"});
    EXPECT_EQ(std::get<std::int64_t>(f.student.posted("word_cj")), 18);
    EXPECT_EQ(std::get<std::string>(f.ct.posted("word_result")), "\r1、10\r2、8\r");
}

TEST(WordClick, ExamModeShowsNothingButWritesTheSame) {
    ClickFixture f;
    f.install("lo_text.docx");
    f.task.gradingEnabled = false;
    word2Click(f.task, f.dialogs, f.student, f.ct);
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_EQ(std::get<std::int64_t>(f.student.posted("word_cj")), 18);
    EXPECT_EQ(f.ct.posts, 1);
}

TEST(WordClick, UnreadableDocumentShowsTheErrorAndRecordsZero) {
    ClickFixture f;
    kav::test::writeFile(f.dir / "kavlor" / "1101000123" / "task.docx", "PK\x03\x04 truncated");
    f.task.gradingEnabled = true;
    word2Click(f.task, f.dialogs, f.student, f.ct);
    ASSERT_EQ(f.dialogs.shown.size(), 2u);
    EXPECT_EQ(f.dialogs.shown[0].kind, kav::ui::MessageKind::Error);
    EXPECT_NE(f.dialogs.shown[0].text.find("task.docx"), std::string::npos);
    EXPECT_EQ(f.dialogs.shown[1].text, "Word题得分:0\r1、0\r2、0\r");
    EXPECT_EQ(std::get<std::int64_t>(f.student.posted("word_cj")), 0);
    EXPECT_EQ(std::get<std::string>(f.ct.posted("word_result")), "\r1、0\r2、0\r");

    // In the exam's own grading the same document records the same, with no box.
    ClickFixture exam;
    kav::test::writeFile(exam.dir / "kavlor" / "1101000123" / "task.docx", "PK\x03\x04 truncated");
    word2Click(exam.task, exam.dialogs, exam.student, exam.ct);
    EXPECT_TRUE(exam.dialogs.shown.empty());
    EXPECT_EQ(std::get<std::int64_t>(exam.student.posted("word_cj")), 0);
}
