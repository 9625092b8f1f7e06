// The two score pages inside the console's main window, driven as the teacher
// drives them: rows reported by clients appear after "刷新", the exam time is
// shown in its one format, the boxes follow the record, the statistics sort.
#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QHeaderView>
#include <gtest/gtest.h>

#include "console/pages/scores/ui/score_pages_ui.h"
#include "tests/console/logged_in_console.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix {
namespace {

using scores::test::at;
using scores::test::scoreRow;

class ScoresWindowTest : public test::LoggedInConsole {
protected:
    template <class W>
    W* find(const char* name) {
        W* w = app->Form1()->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    // A client hands in: its score row and its exam record.
    void handIn(const std::string& zkzh, const std::string& name, kav::DateTime when, const std::string& answers) {
        auto client = connect("teacher.mdb");
        scores::test::appendScores(*client->openTable("score"), {scoreRow(zkzh, name, when, 20, 2, 18, 30, 70)});
        auto record = client->openTable("condition");
        record->append();
        record->field("zkzh").setString(zkzh);
        record->field("ksxm").setString(name);
        record->field("win_condiction").setString("第1题：对\r\n第2题：错");
        record->field("sel_arr1").setString("1 2");
        record->field("sel_arr2").setString("a b");
        record->field("sel_arr3").setString(answers);
        record->field("word_result").setString("第1条：对\r\n第2条：错\r\n" + std::string(300, 'x'));
        record->post();
    }
    QString shownCell(QTableView* grid, int row, int column) {
        const QModelIndex index = grid->model()->index(row, column);
        auto* delegate = static_cast<QStyledItemDelegate*>(grid->itemDelegateForIndex(index));
        return delegate->displayText(index.data(), QLocale::c());
    }
};

TEST_F(ScoresWindowTest, ScoreListShowsReportedRowsAfterRefreshWithTheFixedTimeFormat) {
    trigger("N16");
    auto* grid = find<QTableView>("DBGrid4");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c) titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"准考证号", "姓名", "时间", " WIN", "选择", "打字", "word", "总分"}));

    handIn("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), "a b");
    handIn("110199990002", "李四", kav::DateTime::zero(), "b b");
    EXPECT_EQ(grid->model()->rowCount(), 0) << "not before 刷新";
    click("BitBtn29");
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(shownCell(grid, 0, 2), "2026-12-09 14:05:30");
    EXPECT_EQ(shownCell(grid, 1, 2), "") << "a zero exam time is empty";
    EXPECT_EQ(find<QLabel>("Label36")->text(), "记录号：1/2");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ScoresWindowTest, ScoreListSortsByAHeaderClickNumbersAsNumbersAndFollowsTheRowClicked) {
    auto client = connect("teacher.mdb");
    scores::test::appendScores(*client->openTable("score"),
                               {scoreRow("110199990003", "张三", at(2026, 12, 9, 14, 5, 0), 20, 30, 20, 30, 100),
                                scoreRow("110199990001", "李四", at(2026, 12, 9, 14, 6, 0), 0, 9, 0, 0, 9),
                                scoreRow("110199990002", "王五", at(2026, 12, 9, 14, 7, 0), 0, 10, 0, 0, 10)});
    trigger("N16");
    click("BitBtn29");
    auto* grid = find<QTableView>("DBGrid4");
    const auto column = [&](int c) {
        QStringList shown;
        for (int r = 0; r < grid->model()->rowCount(); ++r) shown << grid->model()->index(r, c).data().toString();
        return shown;
    };
    EXPECT_EQ(column(7), QStringList({"100", "9", "10"})) << "in table order until a click";
    const struct {
        int section;
        QStringList expected;
        int expectedColumn;
    } clicks[] = {
        {7, {"9", "10", "100"}, 7},     // 总分 as numbers, not as text ("10" < "100" < "9")
        {7, {"100", "10", "9"}, 7},     // again: the other way
        {1, {"张三", "李四", "王五"}, 1},  // names by their characters (U+5F20 < U+674E < U+738B)
        {0, {"110199990001", "110199990002", "110199990003"}, 0},
    };
    for (const auto& c : clicks) {
        const QRect header(grid->horizontalHeader()->sectionViewportPosition(c.section), 0,
                           grid->horizontalHeader()->sectionSize(c.section), grid->horizontalHeader()->height());
        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, header.center());
        EXPECT_EQ(column(c.expectedColumn), c.expected) << c.section;
    }
    // The row clicked is the row the page works on.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    EXPECT_EQ(find<QLabel>("Label36")->text(), "记录号：2/3") << "110199990001 is the table's second row";
    dialogs.answers = {kav::ui::Answer::No};
    QTest::mouseClick(find<QWidget>("DBNavigator4")->findChildren<QToolButton*>()[5], Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), "确定要删除考生“李四”（准考证号110199990001）吗？");
}

TEST_F(ScoresWindowTest, AnswerAnalysisShowsEveryColumnAndSortableStatistics) {
    handIn("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), "a b");
    handIn("110199990002", "李四", at(2026, 12, 9, 14, 6, 0), "b b");
    trigger("N16");
    click("BitBtn29");  // the statistics join the records with the score page's rows
    trigger("N17");
    click("BitBtn45");
    EXPECT_EQ(find<QLineEdit>("DBEdit16")->text(), "110199990001");
    EXPECT_EQ(find<QLineEdit>("DBEdit23")->text(), "1 2");
    auto* memo = find<QPlainTextEdit>("DBMemo4");
    EXPECT_EQ(memo->toPlainText().size(), 300 + 12) << "the memo box has no length cap";
    EXPECT_EQ(memo->toPlainText().count('\n'), 2) << "on several lines";
    auto* win = find<QPlainTextEdit>("DBEdit22");
    ASSERT_NE(win, nullptr) << "the Windows task's result has a box of several lines";
    EXPECT_EQ(win->toPlainText(), "第1题：对\n第2题：错");

    click("BitBtnStats");
    auto* table = find<QTableWidget>("StatsTable");
    ASSERT_EQ(table->rowCount(), 2);  // two choice questions; no task was drawn
    EXPECT_EQ(find<QLabel>("StatsSummary")->text(),
              "统计：2 份答题记录，0 份没有成绩未计入；2 份没有作答包，“题库已改动”只能按标准答案的字母比较");
    // Beside the table the charts of this count: both totals of 70 at the top of their range.
    auto* charts = find<scores::ScoreChartsView>("ChartsView");
    ASSERT_EQ(charts->histograms().size(), 5u);
    EXPECT_EQ(charts->histograms()[0].title, "总分");
    EXPECT_EQ(charts->histograms()[0].counts.back(), 2);
    table->sortByColumn(3, Qt::AscendingOrder);  // 答对率
    EXPECT_EQ(table->item(0, 1)->text(), "1");  // question 1: one of two right (key a, answers a and b)
    EXPECT_EQ(table->item(0, 3)->text(), "50.0%");
    EXPECT_EQ(table->item(1, 3)->text(), "100.0%");
    table->sortByColumn(3, Qt::DescendingOrder);
    EXPECT_EQ(table->item(0, 1)->text(), "2");
}

TEST_F(ScoresWindowTest, StatisticsSortNumbersBeforeEmptyCells) {
    handIn("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), "a b");
    {
        auto record = connect("teacher.mdb")->openTable("condition");
        record->first();
        record->edit();
        record->field("winno").setInteger(3);  // a task row: no facility
        record->post();
    }
    trigger("N16");
    click("BitBtn29");
    trigger("N17");
    click("BitBtn45");
    click("BitBtnStats");
    auto* table = find<QTableWidget>("StatsTable");
    ASSERT_EQ(table->rowCount(), 3);
    table->sortByColumn(3, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 0)->text(), "选择题");
    EXPECT_EQ(table->item(2, 0)->text(), "WIN题") << "the task's empty facility sorts last";
}

}  // namespace
}  // namespace mendrix
