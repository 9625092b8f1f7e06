// The score list's and the answer analysis's buttons on real database files.
#include <gtest/gtest.h>

#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "common/text/gbk.h"
#include "common/scores/export_writers.h"
#include "console/pages/scores/score_pages.h"
#include "tests/console/binding/binding_fixture.h"
#include "tests/console/console_lab.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix::scores {
namespace {

using kav::ui::Answer;
using kav::ui::MessageKind;
using test::at;
using test::scoreRow;

class ScoreListTest : public ::testing::Test {
protected:
    ScoreListTest() : f("score", "teacher.mdb") {
        test::appendScores(*f.cursor, {scoreRow("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), 20, 28, 18, 30, 96),
                                       scoreRow("110199990002", "李四", at(2026, 12, 9, 9, 0, 0), 16, 25, 12,
                                                std::nullopt, 53)});
        logic = std::make_unique<ScoreListLogic>(f.bind(), *f.cursor, f.dialogs);
    }
    kav::test::BindingFixture f;
    kav::test::TempDir out;
    std::unique_ptr<ScoreListLogic> logic;
};

// The console's own cursors on a lab's teacher.mdb, and a client writing beside it.
class ScoreLabTest : public ::testing::Test {
protected:
    ScoreLabTest()
        : score(lab.connect("teacher.mdb")->openTable("score")),
          condition(lab.connect("teacher.mdb")->openTable("condition")) {}
    // A client's report of one candidate, written through its own connection.
    void report(const std::string& zkzh) const {
        auto client = lab.connect("teacher.mdb");
        test::appendScores(*client->openTable("score"), {scoreRow(zkzh, "考生", at(2026, 12, 9, 10, 0, 0), 1, 1, 1, 1, 4)});
        auto record = client->openTable("condition");
        record->append();
        record->field("zkzh").setString(zkzh);
        record->field("sel_arr1").setString("1 2");
        record->field("sel_arr2").setString("a b");
        record->field("sel_arr3").setString("a c");
        record->post();
    }
    mendrix::test::ConsoleLab lab;
    std::unique_ptr<kav::db::Cursor> score, condition;
};

// A part typed into the score grid stays within its range, and 总分 follows the parts.
TEST_F(ScoreListTest, EditedPartsStayInRangeAndTheTotalIsTheirSum) {
    struct Case {
        const char* column;
        const char* typed;
        std::string refusal;  // "" when stored
        std::string total;    // 总分 of row 1 afterwards, as stored
    };
    const Case cases[] = {
        {"dz_cj", "99999", "打字题成绩只能是0到20分，输入的是99999，没有保存。", "96"},
        {"win_cj", "-1", "WIN题成绩只能是0到20分，输入的是-1，没有保存。", "96"},
        {"select_cj", "31", "选择题成绩只能是0到30分，输入的是31，没有保存。", "96"},
        {"dz_cj", "20", "", "98"},
        {"win_cj", "0", "", "78"},
        {"word_cj", "10", "", "58"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.typed);
        f.dialogs.shown.clear();
        ASSERT_TRUE(f.binding->moveToRow(1));
        f.binding->setText(f.column(c.column), c.typed);
        EXPECT_EQ(f.binding->post(), c.refusal.empty());
        if (!c.refusal.empty()) {
            EXPECT_EQ(f.dialogs.lastText(), c.refusal);
            f.binding->cancel();
        }
        EXPECT_EQ(f.stored("kscj").at(0), c.total);
    }
}

TEST_F(ScoreListTest, ExportWritesTheGbkFileUnderTheChosenNameAndKeepsTheRow) {
    ASSERT_TRUE(f.binding->moveToRow(2));
    struct Case {
        std::string typed, written;
    };
    const Case cases[] = {{"scores", "scores.doc"}, {"list.txt", "list.txt"}, {"old.doc", "old.doc"}};
    kav::test::writeFile(out / "old.doc", "previous");  // the save dialog has asked about this name
    for (const Case& c : cases) {
        f.dialogs.files.push_back(out / c.typed);
        logic->BitBtn42Click();
        const std::string bytes = kav::test::readFile(out / c.written);
        EXPECT_EQ(bytes, exportTextGbk(readScoreRows(*f.cursor))) << c.typed;
        EXPECT_NE(bytes.find(" 12  53\r\n"), std::string::npos) << "NULL word score: two spaces";
        EXPECT_EQ(f.binding->currentRow(), 2) << "the grid stays on its row";
    }
    EXPECT_TRUE(f.dialogs.shown.empty()) << f.dialogs.lastText();
}

TEST_F(ScoreListTest, ANameThatGetsItsExtensionIsAskedAboutBeforeReplacing) {
    kav::test::writeFile(out / "scores.doc", "keep me");
    f.dialogs.files.push_back(out / "scores");
    f.dialogs.answers.push_back(Answer::No);
    logic->BitBtn42Click();
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(f.dialogs.shown[0].text, replaceQuestion(out / "scores.doc"));
    EXPECT_EQ(kav::test::readFile(out / "scores.doc"), "keep me");

    f.dialogs.files.push_back(out / "scores");
    f.dialogs.answers.push_back(Answer::Ok);
    logic->BitBtn42Click();
    EXPECT_EQ(kav::text::gbkToUtf8(kav::test::readFile(out / "scores.doc")).rfind("计算机等级考试成绩单\r\n", 0), 0u);
}

TEST_F(ScoreListTest, CancellingTheDialogWritesNothing) {
    logic->BitBtn42Click();  // no file queued: the dialog is cancelled
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST_F(ScoreListTest, ARowGbkCannotHoldIsRefusedBeforeAnyFileIsChosen) {
    f.binding->last();
    f.binding->setText(f.column("ksxm"), "김민준");
    ASSERT_TRUE(f.binding->post());
    f.dialogs.files.push_back(out / "scores.doc");
    logic->BitBtn42Click();
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_NE(f.dialogs.shown[0].text.find("第2行（准考证号 110199990002）"), std::string::npos) << f.dialogs.shown[0].text;
    EXPECT_EQ(f.dialogs.files.size(), 1u) << "no save dialog was shown";
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST_F(ScoreListTest, SpreadsheetExportChoosesItsKindByTheNameAndSaysWhereItWrote) {
    std::vector<std::string> told;
    logic->tellDone = [&](std::string text) { told.push_back(std::move(text)); };
    const std::string rows = std::to_string(readScoreRows(*f.cursor).size());
    f.dialogs.files.push_back(out / "list.csv");
    logic->BitBtnSpreadsheetClick();
    EXPECT_EQ(kav::test::readFile(out / "list.csv"), scoresCsv(readScoreRows(*f.cursor)));
    f.dialogs.files.push_back(out / "list");
    logic->BitBtnSpreadsheetClick();
    EXPECT_EQ(kav::test::readFile(out / "list.xlsx").substr(0, 2), "PK");
    logic->BitBtnSpreadsheetClick();  // cancelled: nothing written, nothing told
    EXPECT_EQ(told, (std::vector<std::string>{"已导出" + rows + "行成绩到" + (out / "list.csv").string(),
                                              "已导出" + rows + "行成绩到" + (out / "list.xlsx").string()}));
    EXPECT_TRUE(f.dialogs.shown.empty()) << f.dialogs.lastText();
}

TEST_F(ScoreListTest, PrintShowsTheSheetOfTheRowsAtThatMoment) {
    std::vector<ScoreRow> shown;
    logic->showSheet = [&](const std::vector<ScoreRow>& rows) { shown = rows; };
    logic->BitBtn36Click();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].zkzh, "110199990002");
    EXPECT_FALSE(shown[1].word_cj.has_value());
}

TEST_F(ScoreLabTest, ClearAsksAndDeletesOnlyTheSnapshotUntilRefresh) {
    report("110199990001");
    report("110199990002");
    score->requery();
    kav::console::TableBinding binding(*score, lab.dialogs);
    ScoreListLogic logic(binding, *score, lab.dialogs);
    report("110199990003");  // arrives while the page is open

    lab.dialogs.answers.push_back(Answer::No);
    logic.BitBtn43Click();
    EXPECT_EQ(lab.dialogs.lastText(), "确定要删除全部 2 条记录吗？删除后不能恢复。") << "the rows shown, not the late one";
    EXPECT_EQ(lab.dialogs.shown.back().buttons, kav::ui::Buttons::OkNoSafe);
    EXPECT_EQ(lab.column("teacher.mdb", "score", "zkzh").size(), 3u) << "No deletes nothing";
    EXPECT_EQ(binding.rowCount(), 2) << "the late row is not shown before 刷新";

    lab.dialogs.answers.push_back(Answer::Ok);
    logic.BitBtn43Click();
    EXPECT_EQ(lab.column("teacher.mdb", "score", "zkzh"), std::vector<std::string>{"110199990003"});
    EXPECT_EQ(binding.rowCount(), 0);

    logic.BitBtn29Click();
    EXPECT_EQ(binding.rowCount(), 1);
    EXPECT_EQ(binding.positionText(), "记录号：1/1");
    EXPECT_EQ(lab.column("teacher.mdb", "condition", "zkzh").size(), 3u) << "clearing scores leaves the records";
}

// Reports arriving during a collection are read without 刷新: the list keeps
// its row, and waits while the teacher is editing one.
TEST_F(ScoreLabTest, ArrivingReportsAreReadOnTheSameRowButNeverOverAnEdit) {
    report("110199990001");
    report("110199990002");
    score->requery();
    kav::console::TableBinding binding(*score, lab.dialogs);
    ScoreListLogic logic(binding, *score, lab.dialogs);
    ASSERT_TRUE(binding.last());
    report("110199990003");
    EXPECT_TRUE(logic.rereadAfterReports());
    EXPECT_EQ(binding.rowCount(), 3);
    EXPECT_EQ(binding.positionText(), "记录号：2/3") << "still on the row shown";

    binding.setText(binding.columnIndex("ksxm"), "改过的名字");
    report("110199990004");
    EXPECT_FALSE(logic.rereadAfterReports());
    EXPECT_EQ(binding.rowCount(), 3);
    EXPECT_EQ(binding.text(binding.columnIndex("ksxm")), "改过的名字") << "the typing is kept";
    ASSERT_TRUE(binding.post());
    EXPECT_TRUE(logic.rereadAfterReports());
    EXPECT_EQ(binding.rowCount(), 4);
    EXPECT_TRUE(lab.dialogs.shown.empty());
}

TEST_F(ScoreLabTest, AnswerAnalysisClearsRecordsAndCountsStatisticsOfTheSnapshots) {
    report("110199990001");
    report("110199990002");
    score->requery();
    condition->requery();
    auto bank = lab.connect("stu.mdb")->openTable("selecttest");
    kav::console::TableBinding binding(*condition, lab.dialogs);
    AnswerAnalysisLogic logic(binding, *condition, *score, *bank, lab.dialogs);
    logic.connectTeacher = [&] { return lab.connect("teacher.mdb"); };
    auto storePack = [&](const std::string& zkzh) {
        kav::pack::WorkPack pack;
        pack.admission = zkzh;
        pack.choices = {{1, "题一", {"甲", "乙", "丙", "丁"}, "a", "a"}, {2, "题二", {"甲", "乙", "丙", "丁"}, "b", "c"}};
        kav::pack::storePack(*lab.connect("teacher.mdb"), zkzh, kav::pack::writePack(pack));
    };
    storePack("110199990001");

    EXPECT_EQ(logic.summaryText(), "");
    logic.BitBtnStatsClick();
    ASSERT_TRUE(logic.statistics().has_value());
    const std::string oneWithoutPack =
        "统计：2 份答题记录，0 份没有成绩未计入；1 份没有作答包，“题库已改动”只能按标准答案的字母比较";
    EXPECT_EQ(logic.summaryText(), oneWithoutPack);
    // The packs are read once per refresh.
    storePack("110199990002");
    logic.BitBtnStatsClick();
    EXPECT_EQ(logic.summaryText(), oneWithoutPack);
    logic.BitBtn45Click();
    logic.BitBtnStatsClick();
    EXPECT_EQ(logic.summaryText(), "统计：2 份答题记录，0 份没有成绩未计入");
    ASSERT_EQ(logic.statistics()->choices.size(), 2u);
    // Both (equally strong) candidates chose c against the key b, and the lab's bank is empty.
    EXPECT_EQ(logic.statistics()->choices[1].flags, NoneCorrect | LikelyWrongKey | BankChanged);

    lab.dialogs.files.push_back(lab.folder() / "stats");
    logic.BitBtnStatsExportClick();
    EXPECT_EQ(kav::test::readFile(lab.folder() / "stats.csv"), statisticsCsv(*logic.statistics()));

    lab.dialogs.answers.push_back(Answer::No);
    logic.BitBtn44Click();
    EXPECT_EQ(lab.column("teacher.mdb", "condition", "zkzh").size(), 2u);
    lab.dialogs.answers.push_back(Answer::Ok);
    logic.BitBtn44Click();
    EXPECT_TRUE(lab.column("teacher.mdb", "condition", "zkzh").empty());
    EXPECT_EQ(lab.column("teacher.mdb", "score", "zkzh").size(), 2u) << "clearing records leaves the scores";
    EXPECT_EQ(binding.rowCount(), 0);
}

}  // namespace
}  // namespace mendrix::scores
