// Re-grading candidates' work packs with the question bank's current answers:
// each part as the client grades it, the table of differences, the stored
// changes with their record, and kavtool's regrade and archive.
#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/platform/platform.h"
#include "common/regrade/regrade.h"
#include "common/db/sqlcipher_backend.h"
#include "common/station/report.h"
#include "common/word/isolated_grading.h"
#include "tests/db/test_backend.h"
#include "tools/demo/demo_bank.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace pack = kav::pack;
using namespace kav::regrade;
using kav::test::TempDir;

const std::string kWintaskAnswer = "7 TEST*5 TEST\\A.TXT**35 TEST\\A.TXT";  // 35: a read-only hidden file

// A candidate who answered 25 of 30 choice questions right, typed the first
// line of a one-line text, did both Windows items and handed in a Word document.
pack::WorkPack samplePack(const std::string& admission = "11010001") {
    pack::WorkPack p;
    p.admission = admission;
    p.name = "张三";
    for (int i = 1; i <= 30; ++i) p.choices.push_back({i, "题" + std::to_string(i), {"A", "B", "C", "D"}, "a", i <= 25 ? "a" : "b"});
    // One model line of three characters: the screen fills its page to 7 lines
    // (21 characters); 3 typed right leave 18, a deduction of 6.
    p.typingSourceText = "一二三\r\n";
    p.typedText = "一二三\r\n";
    p.wintaskNumber = 1;
    p.wintaskAnswerText = kWintaskAnswer;
    p.wordNumber = 1;
    p.wordDocument = "word1.docx";
    p.wordAnswerText = "rule-as-drawn";
    p.files = {{"TEST", kav::platform::kAttrDirectory, ""},
               {"TEST/A.TXT", kav::platform::kAttrArchive | kav::platform::kAttrReadOnly | kav::platform::kAttrHidden, "x"},
               {"word1.docx", kav::platform::kAttrArchive, "the document"}};
    p.scores = {25, 14, 8, 6, 53};
    return p;
}

// A Word grader that gives 10 points under the mended rule and 6 otherwise,
// and only for a document that was unpacked.
kav::word::WordGrade fakeWordGrade(const fs::path& document, const std::string& answerText) {
    kav::word::WordGrade g;
    if (fs::exists(document)) g.total = answerText == "rule-mended" ? 10 : 6;
    return g;
}

CurrentAnswers bankAsDrawn() {
    return {std::vector<std::string>(30, "a"), {kWintaskAnswer}, {"rule-as-drawn"}};
}

TEST(RegradePackTest, EachPartFollowsTheBanksCurrentAnswers) {
    struct Case {
        const char* what;
        std::function<void(CurrentAnswers&)> mendBank;
        std::function<void(pack::WorkPack&)> changeWork;
        PartScores expected;  // choice, typing, wintask, word, total
    };
    const Case cases[] = {
        {"the bank as drawn gives the reported scores", {}, {}, {25, 14, 8, 6, 53}},
        {"a corrected choice key", [](CurrentAnswers& a) { a.choiceKeys[29] = "b"; }, {}, {26, 14, 8, 6, 54}},
        {"a Windows item added that the folder passes",
         [](CurrentAnswers& a) { a.wintaskAnswers[0] += "**6 TEST\\B.TXT"; }, {}, {25, 14, 12, 6, 57}},
        {"a mended Word rule", [](CurrentAnswers& a) { a.wordAnswers[0] = "rule-mended"; }, {}, {25, 14, 8, 10, 57}},
        {"tasks no longer in the bank are graded as the station graded them",
         [](CurrentAnswers& a) { a = {}; }, {}, {25, 14, 8, 6, 53}},
        {"a file packed visible fails the attribute item", {},
         [](pack::WorkPack& p) { p.files[1].attributes &= ~kav::platform::kAttrHidden; }, {25, 14, 4, 6, 49}},
        {"nothing typed (the screen stored no score), no Word document", {},
         [](pack::WorkPack& p) {
             p.typedText.clear();
             p.files.pop_back();
         },
         {25, 0, 8, 0, 33}},
    };
    TempDir scratch;
    for (const Case& c : cases) {
        CurrentAnswers answers = bankAsDrawn();
        if (c.mendBank) c.mendBank(answers);
        pack::WorkPack work = samplePack();
        if (c.changeWork) c.changeWork(work);
        EXPECT_EQ(gradePack(work, answers, fakeWordGrade, scratch.path()), c.expected) << c.what;
    }
    EXPECT_TRUE(fs::is_empty(scratch.path())) << "every unpacked folder is removed again";
}

// The teacher's database on either backend.
struct TeacherLab {
    explicit TeacherLab(kav::test::Backend backend)
        : database(backend, kav::db::DatabaseKind::Teacher, dir.path()), teacher(database.open()) {}
    TempDir dir;
    kav::test::TestDatabase database;
    std::unique_ptr<kav::db::Connection> teacher;

    void addScore(const std::string& zkzh, const PartScores& s) {
        auto score = teacher->openTable("score");
        score->append();
        score->field("zkzh").setString(zkzh);
        score->field("ksxm").setString("考生" + zkzh);
        score->field("select_cj").setInteger(s.choice);
        score->field("dz_cj").setInteger(s.typing);
        score->field("win_cj").setInteger(s.wintask);
        score->field("word_cj").setInteger(s.word);
        score->field("kscj").setInteger(s.total);
        score->post();
    }
    std::vector<mendrix::scores::ScoreRow> rows() { return mendrix::scores::readScoreRows(*teacher->openTable("score")); }
};

class RegradeStoreTest : public ::testing::TestWithParam<kav::test::Backend> {};

TEST_P(RegradeStoreTest, DifferencesAreListedAndStoredWithTheirRecord) {
    KAV_SKIP_WITHOUT_SERVER(GetParam());
    TeacherLab lab(GetParam());
    lab.addScore("11010001", {25, 14, 8, 6, 53});   // as its work gives under the drawn rule
    lab.addScore("11010002", {25, 14, 20, 6, 65});  // a Windows score written straight into the table
    lab.addScore("11010003", {0, 0, 0, 0, 0});      // no pack
    lab.addScore("11010004", {0, 0, 0, 0, 0});      // a damaged pack
    std::map<std::string, std::string> packs = {{"11010001", pack::writePack(samplePack("11010001"))},
                                                {"11010002", pack::writePack(samplePack("11010002"))},
                                                {"11010004", "PK not a zip"}};
    const PackLoader load = [&](const std::string& admission) -> std::optional<std::string> {
        auto it = packs.find(admission);
        return it == packs.end() ? std::nullopt : std::optional(it->second);
    };
    TempDir scratch;
    std::atomic<int> reported{0};
    auto check = regradeAll(lab.rows(), load, bankAsDrawn(), fakeWordGrade, scratch.path(), 2, [&](int done, int total) {
        EXPECT_EQ(total, 4);
        reported = std::max(reported.load(), done);
        return true;
    });
    ASSERT_EQ(check.size(), 4u);
    EXPECT_EQ(reported, 4);
    EXPECT_FALSE(check[0].differs());
    EXPECT_TRUE(check[1].differs()) << "the forged score is listed";
    EXPECT_EQ(check[2].problem, "无作答包");
    EXPECT_EQ(check[3].problem.rfind("作答包无法评分：", 0), 0u) << check[3].problem;
    const std::string table = tableText(check, true);
    EXPECT_EQ(table.find("11010001"), std::string::npos) << table;
    EXPECT_NE(table.find("20→8*"), std::string::npos) << table;
    EXPECT_NE(table.find("11010003\t考生11010003\t0\t0\t0\t0\t0\t无作答包"), std::string::npos) << table;

    // The Word rule is mended: both packs gain 4 Word points; the teacher confirms.
    CurrentAnswers mended = bankAsDrawn();
    mended.wordAnswers[0] = "rule-mended";
    auto regraded = regradeAll(lab.rows(), load, mended, fakeWordGrade, scratch.path(), 2);
    const kav::DateTime when = kav::DateTime::parseIso("2026-12-10 16:30:00");
    EXPECT_EQ(storeRegraded(*lab.teacher, regraded, "admin", when), 2);
    const auto rows = lab.rows();
    EXPECT_EQ(storedScores(rows[0]), (PartScores{25, 14, 8, 10, 57}));
    EXPECT_EQ(storedScores(rows[1]), (PartScores{25, 14, 8, 10, 57}));
    EXPECT_EQ(storedScores(rows[2]), (PartScores{}));

    const auto records = readChangeRecords(*lab.teacher);
    EXPECT_EQ(records, (std::vector<ChangeRecord>{{when, "11010001", "word", 6, 10, "admin"},
                                                  {when, "11010001", "总分", 53, 57, "admin"},
                                                  {when, "11010002", "WIN", 20, 8, "admin"},
                                                  {when, "11010002", "word", 6, 10, "admin"},
                                                  {when, "11010002", "总分", 65, 57, "admin"}}));
    EXPECT_EQ(regradeMark(records, "11010002"), "已重新评分：2026-12-10 16:30:00 admin WIN 20→8，word 6→10，总分 65→57");
    EXPECT_EQ(regradeMark(records, "11010003"), "");

    // A score that changes between the check and the confirmation stores nothing.
    mended.wordAnswers[0] = "rule-as-drawn";
    auto again = regradeAll(lab.rows(), load, mended, fakeWordGrade, scratch.path(), 1);
    auto score = lab.teacher->openTable("score");
    score->edit();
    score->field("win_cj").setInteger(0);
    score->post();
    EXPECT_THROW(storeRegraded(*lab.teacher, again, "admin", when), kav::db::DbError);
    EXPECT_EQ(readChangeRecords(*lab.teacher), records);
    EXPECT_EQ(storedScores(lab.rows()[1]), (PartScores{25, 14, 8, 10, 57}));

    if (GetParam() == kav::test::Backend::Server) {  // the record is the owner's alone
        auto station = kav::db::connect(lab.database.stationConnectionString("station001", "pw-station-001"), {});
        EXPECT_THROW(station->openTable(kRegradeTable), kav::db::DbError);
    }
}

// A station reports its candidate with the pack; the Word rule is mended; the
// owner's re-grading, with the Word grading program, stores the new Word score
// and records the old one.
TEST_P(RegradeStoreTest, AReportedPackIsRegradedUnderAMendedWordRule) {
    KAV_SKIP_WITHOUT_SERVER(GetParam());
    TeacherLab lab(GetParam());
    auto station = GetParam() == kav::test::Backend::Server
                       ? kav::db::connect(lab.database.stationConnectionString("s1", "s1-pw-0123456"), {})
                       : lab.database.open();
    const fs::path document = kav::test::sourceDir() / "tests/demo/fixtures/word1-solved.docx";
    const std::string rule = kav::demo::wordTasks().front().answer;
    const std::string mended = std::string(rule).replace(rule.find("黑体"), 6, "宋体");
    const WordGrader gradeWord = [grader = kav::word::installedWordGrader()](const fs::path& doc, const std::string& text) {
        return kav::word::gradeWordTaskIsolated(grader, doc, text);
    };
    const std::int64_t asDrawn = gradeWord(document, rule).total, afterMending = gradeWord(document, mended).total;
    ASSERT_LT(afterMending, asDrawn);

    pack::WorkPack work = samplePack();
    work.wordAnswerText = rule;
    work.files[2].bytes = kav::test::readFile(document);
    kav::station::ExamReport report;
    report.zkzh = work.admission;
    report.ksxm = work.name;
    report.selectCj = 25, report.dzCj = 14, report.winCj = 8, report.wordCj = asDrawn, report.kscj = 47 + asDrawn;
    report.selArr3 = report.dzResult = report.wordResult = " ";
    report.resttime = "0:10:00";
    report.pack = [work] { return pack::writePack(work); };
    ASSERT_EQ(kav::station::writeExamReportUntilStored(*station, report, [] {}), 1);

    CurrentAnswers answers = bankAsDrawn();
    answers.wordAnswers[0] = mended;
    const PackLoader load = [&](const std::string& a) { return pack::loadPack(*lab.teacher, a); };
    TempDir scratch;
    const auto outcomes = regradeAll(lab.rows(), load, answers, gradeWord, scratch.path(), 2);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0].regraded) << outcomes[0].problem;
    EXPECT_EQ(*outcomes[0].regraded, (PartScores{25, 14, 8, afterMending, 47 + afterMending}));
    const kav::DateTime when = kav::DateTime::parseIso("2026-12-10 17:00:00");
    EXPECT_EQ(storeRegraded(*lab.teacher, outcomes, "admin", when), 1);
    EXPECT_EQ(storedScores(lab.rows()[0]), *outcomes[0].regraded);
    EXPECT_EQ(readChangeRecords(*lab.teacher),
              (std::vector<ChangeRecord>{{when, work.admission, "word", asDrawn, afterMending, "admin"},
                                         {when, work.admission, "总分", 47 + asDrawn, 47 + afterMending, "admin"}}));
}

TEST(RegradeTable, AnOlderTeacherFileGetsItWhenOpened) {
    TempDir dir;
    std::vector<kav::db::TableDef> older = kav::db::tablesOf(kav::db::DatabaseKind::Teacher);
    std::erase_if(older, [](const kav::db::TableDef& t) { return t.name == kRegradeTable; });
    kav::db::createSqlCipherFile(dir / "teacher.mdb", std::string(kav::db::kDatabasePassword), older, true);
    auto teacher = kav::db::connectFile("teacher.mdb", dir.path());
    Outcome changed{"11010001", "", {}, PartScores{1, 0, 0, 0, 1}, ""};
    auto score = teacher->openTable("score");
    score->append();
    score->field("zkzh").setString(changed.admission);
    score->post();
    EXPECT_EQ(storeRegraded(*teacher, {changed}, "admin", kav::DateTime::parseIso("2026-12-10 17:00:00")), 1);
    EXPECT_EQ(readChangeRecords(*kav::db::connectFile("teacher.mdb", dir.path())).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Backends, RegradeStoreTest,
                         ::testing::Values(kav::test::Backend::Files, kav::test::Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

}  // namespace
