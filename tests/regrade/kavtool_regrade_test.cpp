// kavtool regrade and archive on a file lab: a score written straight into the
// table is found by --dry-run, a mended Word answer rule gives the new Word
// score (graded by the Word grading program) stored with the old one, and the
// archive holds the sheet, the spreadsheet, every pack and their digests.
#include <gtest/gtest.h>

#include <zip.h>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/platform/platform.h"
#include "common/regrade/regrade.h"
#include "common/word/grading.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"
#include "tools/demo/demo_bank.h"

namespace {

namespace fs = std::filesystem;
namespace pack = kav::pack;
using kav::regrade::PartScores;

const std::string kWintaskAnswer = "7 TEST*5 TEST\\A.TXT";

std::map<std::string, std::string> zipEntries(const fs::path& file) {
    int error = 0;
    zip_t* zip = zip_open(file.c_str(), ZIP_RDONLY, &error);
    std::map<std::string, std::string> entries;
    if (!zip) return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, i, 0, &st);
        std::string bytes(st.size, '\0');
        zip_file_t* f = zip_fopen_index(zip, i, 0);
        zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        entries[st.name] = bytes;
    }
    zip_close(zip);
    return entries;
}

class KavtoolRegradeTest : public ::testing::Test {
protected:
    KavtoolRegradeTest() {
        kav::db::createDatabase(lab / "stu.mdb");
        kav::db::createDatabase(lab / "teacher.mdb");
        auto bank = kav::db::connectFile("stu.mdb", lab.path());
        auto selecttest = bank->openTable("selecttest");
        for (int i = 1; i <= 30; ++i) {
            selecttest->append();
            selecttest->field("ID").setInteger(i);
            selecttest->field("correct_sel").setString("A");
            selecttest->post();
        }
        appendAnswer(*bank, "win", kWintaskAnswer);
        appendAnswer(*bank, "word", drawnRule);
        teacher = kav::db::connectFile("teacher.mdb", lab.path());

        pack::WorkPack work;
        work.admission = "11010001";
        work.name = "张三";
        for (int i = 1; i <= 30; ++i) work.choices.push_back({i, "", {}, "a", i <= 25 ? "a" : "b"});
        work.wintaskNumber = work.wordNumber = 1;
        work.wintaskAnswerText = kWintaskAnswer;
        work.wordAnswerText = drawnRule;
        work.wordDocument = "word1.docx";
        work.files = {{"TEST", kav::platform::kAttrDirectory, ""},
                      {"TEST/A.TXT", kav::platform::kAttrArchive, "x"},
                      {"word1.docx", kav::platform::kAttrArchive, kav::test::readFile(solvedDocument())}};
        pack::storePack(*teacher, work.admission, pack::writePack(work));
        wordAsDrawn = kav::word::gradeWordTask(solvedDocument(), drawnRule).total;
        addScore("11010001", {25, 0, 4, wordAsDrawn, 29 + wordAsDrawn});
        addScore("11010002", {30, 20, 20, 0, 70});  // reported, but no pack reached the teacher
    }
    static fs::path solvedDocument() { return kav::test::sourceDir() / "tests/demo/fixtures/word1-solved.docx"; }
    static void appendAnswer(kav::db::Connection& bank, const char* table, const std::string& answer) {
        auto cursor = bank.openTable(table);
        cursor->append();
        cursor->field("answer").setString(answer);
        cursor->post();
    }
    void addScore(const std::string& zkzh, const PartScores& s) {
        auto score = teacher->openTable("score");
        score->append();
        score->field("zkzh").setString(zkzh);
        score->field("select_cj").setInteger(s.choice);
        score->field("dz_cj").setInteger(s.typing);
        score->field("win_cj").setInteger(s.wintask);
        score->field("word_cj").setInteger(s.word);
        score->field("kscj").setInteger(s.total);
        score->post();
    }
    void setScore(const std::string& column, std::int64_t value) {
        auto score = teacher->openTable("score");
        score->edit();
        score->field(column).setInteger(value);
        score->post();
    }
    kav::test::ToolRun kavtool(const std::string& args) { return kav::test::runKavtool(args, lab.path()); }

    kav::test::TempDir lab;
    std::unique_ptr<kav::db::Connection> teacher;
    const std::string drawnRule = kav::demo::wordTasks().front().answer;
    std::int64_t wordAsDrawn = 0;
};

TEST_F(KavtoolRegradeTest, DryRunFindsAForgedScoreAndAMendedRuleIsStoredWithTheOldScore) {
    auto run = kavtool("regrade teacher.mdb --dry-run");
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("11010002\t\t20\t30\t20\t0\t70\t无作答包"), std::string::npos) << "a candidate without a pack is listed\n" << run.out;
    EXPECT_NE(run.out.find("无作答包"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("11010001"), std::string::npos) << run.out;

    setScore("win_cj", 20);  // behind the console's back
    run = kavtool("regrade teacher.mdb --dry-run");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("11010001\t\t20→4*"), std::string::npos) << run.out;
    setScore("win_cj", 4);

    // The title's font rule is mended to one the document does not use.
    const std::string mended = std::string(drawnRule).replace(drawnRule.find("黑体"), 6, "宋体");
    auto bank = kav::db::connectFile("stu.mdb", lab.path());
    auto word = bank->openTable("word");
    word->edit();
    word->field("answer").setString(mended);
    word->post();
    const std::int64_t wordMended = kav::word::gradeWordTask(solvedDocument(), mended).total;
    ASSERT_LT(wordMended, wordAsDrawn);

    run = kavtool("regrade teacher.mdb --candidates 11010001");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = mendrix::scores::readScoreRows(*teacher->openTable("score"));
    EXPECT_EQ(kav::regrade::storedScores(rows[0]), (PartScores{25, 0, 4, wordMended, 29 + wordMended}));
    EXPECT_EQ(kav::regrade::storedScores(rows[1]), (PartScores{30, 20, 20, 0, 70})) << "not among the candidates";
    const auto records = kav::regrade::readChangeRecords(*teacher);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].part, "word");
    EXPECT_EQ(records[0].before, wordAsDrawn);
    EXPECT_EQ(records[0].after, wordMended);
    EXPECT_EQ(records[0].account.rfind("kavtool:", 0), 0u) << records[0].account;
    EXPECT_EQ(kavtool("regrade teacher.mdb --dry-run --candidates 11010001").status, 0);
    EXPECT_EQ(kavtool("regrade teacher.mdb --candidates").status, 2);
}

TEST_F(KavtoolRegradeTest, ArchiveHoldsTheSheetTheSpreadsheetEveryPackAndTheirDigests) {
    auto run = kavtool("archive teacher.mdb exam.zip");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto entries = zipEntries(lab / "exam.zip");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries.at("scores.pdf").rfind("%PDF", 0), 0u);
    EXPECT_EQ(entries.at("scores.xlsx").rfind("PK", 0), 0u);
    EXPECT_EQ(entries.at("packs/11010001.zip"), *pack::loadPack(*teacher, "11010001"));
    const std::string& manifest = entries.at("manifest.txt");
    for (const auto& [name, bytes] : entries)
        if (name != "manifest.txt")
            EXPECT_NE(manifest.find(name + "\t" + std::to_string(bytes.size()) + "\t" + pack::sha256Hex(bytes)),
                      std::string::npos)
                << name << "\n" << manifest;
    EXPECT_FALSE(fs::exists(lab / "exam.zip.partial"));
}

}  // namespace
