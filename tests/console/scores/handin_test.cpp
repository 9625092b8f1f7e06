// Two candidates hand in on one lab through the exam client's own report; the
// score list, the export, the statistics and kavtool then read teacher.mdb.
#include <gtest/gtest.h>

#include "client/flow/drawing.h"
#include "client/flow/login.h"
#include "common/core/tokens.h"
#include "common/text/gbk.h"
#include "common/scores/export_writers.h"
#include "common/scores/item_stats.h"
#include "tests/flow/flow_lab.h"
#include "tests/support/run_kavtool.h"

namespace mendrix::scores {
namespace {

using namespace kavlor::test;

// Logs the candidate in, draws the exam, answers the first `right` choice
// questions correctly and the rest not at all, sets the scores and hands in.
void handIn(Harness& h, const char* zkzh, int right, int total) {
    kavlor::Client client(h.env());
    ASSERT_TRUE(client.start());
    drawExam(client, zkzh);
    auto& ct = client.data().ADOTable_ct();
    const std::string drawnKeys = ct.field("sel_arr2").asString();
    const auto keys = kav::splitTokens(drawnKeys);
    std::vector<std::string> answers;
    for (size_t i = 0; i < keys.size(); ++i) answers.push_back(static_cast<int>(i) < right ? std::string(keys[i]) : "*");
    ct.edit();
    ct.field("sel_arr3").setString(kav::joinTokens(answers));
    ct.post();
    auto& student = client.data().ADOTable_student();
    student.edit();
    student.field("select_cj").setInteger(right);
    student.field("kscj").setInteger(total);
    student.post();
    kavlor::SaveExamRecord(client);
}

TEST(ScoresHandIn, TwoCandidatesArriveInTheExportsAndTheStatistics) {
    Harness h;
    handIn(h, kFirst, 30, 90);
    handIn(h, kSecond, 10, 40);
    auto teacher = h.lab.teacherDb();
    const auto rows = readScoreRows(*teacher->openTable("score"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ksxm, "张三");
    EXPECT_EQ(rows[1].select_cj, 10);

    const std::string text = kav::text::gbkToUtf8(exportTextGbk(rows));
    EXPECT_EQ(text.rfind("计算机等级考试成绩单\r\n110199990001 张三 ", 0), 0u) << text;
    EXPECT_NE(text.find("\r\n110199990002 李四 "), std::string::npos) << text;

    // The questions in the work packs are the bank's as it stands: nothing is flagged as changed.
    const auto records = readExamRecords(*teacher->openTable("condition"));
    const ItemStatistics stats = computeItemStatistics(records, rows,
                                                       readBankQuestions(*h.lab.stuDb()->openTable("selecttest")),
                                                       *loadDrawnQuestions(*teacher, records));
    EXPECT_EQ(stats.candidates, 2);
    EXPECT_EQ(stats.recordsComparedByKey, 0) << "both hand-ins stored a work pack";
    int drawn = 0, correct = 0;
    for (const ChoiceStat& c : stats.choices) {
        drawn += c.drawn;
        correct += c.correct;
        EXPECT_EQ(c.flags & BankChanged, 0u) << "question " << c.position;
    }
    EXPECT_EQ(drawn, 60);
    EXPECT_EQ(correct, 40);

    // kavtool, as a lab administrator scripts it (the bank beside teacher.mdb).
    std::filesystem::copy_file(h.lab.station / "stu.mdb", h.lab.teacher / "stu.mdb");
    const auto db = (h.lab.teacher / "teacher.mdb").string();
    struct Run {
        const char* kind;
        const char* out;
        const char* starts;
    };
    const Run runs[] = {{"export", "scores.doc", "\xBC\xC6\xCB\xE3\xBB\xFA"},  // 计算机 in GBK
                        {"csv", "scores.csv", "\xEF\xBB\xBF准考证号,姓名,时间"},
                        {"xlsx", "scores.xlsx", "PK"},
                        {"pdf", "sheet.pdf", "%PDF"},
                        {"stats", "stats.csv", "\xEF\xBB\xBF题型,题号,抽中次数"}};
    for (const Run& r : runs) {
        const auto out = h.lab.root() / r.out;
        const kav::test::ToolRun run = kav::test::runKavtool(std::string("scores ") + r.kind + " '" + db + "' '" +
                                                             out.string() + "'");
        EXPECT_EQ(run.status, 0) << r.kind << ": " << run.err;
        EXPECT_EQ(kav::test::readFile(out).rfind(r.starts, 0), 0u) << r.kind;
    }
    EXPECT_EQ(kav::test::readFile(h.lab.root() / "scores.doc"), exportTextGbk(rows));
    EXPECT_EQ(kav::test::runKavtool("scores stats '" + (h.lab.root() / "nothing.mdb").string() + "' x.csv").status, 1);
}

}  // namespace
}  // namespace mendrix::scores
