// The page 考场监控 inside the console's main window: shown from the menu and
// after 强制收分, its counts and tiles read from the stations' heartbeats, the
// collection's progress, and the score list that follows the reports
// without 刷新.
#include <QCoreApplication>
#include <QStackedWidget>
#include <QTableView>
#include <chrono>
#include <thread>

#include "common/station/heartbeat.h"
#include "console/pages/labview/ui/lab_view_page.h"
#include "tests/console/logged_in_console.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix {
namespace {

using kav::station::StationPhase;

class LabViewWindowTest : public test::LoggedInConsole {
protected:
    labview::LabViewPage& page() { return *app->Form1()->labView(); }
    QWidget* shownPage() { return app->Form1()->findChild<QStackedWidget*>()->currentWidget(); }
    std::string text(QLabel* label) { return label->text().toStdString(); }
    // A station's poll writes its heartbeat.
    void heartbeat(const std::string& station, StationPhase phase, const std::string& admission,
                   std::optional<std::int64_t> total = std::nullopt) {
        kav::station::Heartbeat h;
        h.station = station;
        h.admission = admission;
        h.name = "考生" + station;
        h.phase = phase;
        h.remainingSeconds = 1800;
        if (total) {
            h.lastReportAt = kav::DateTime::nowLocal();
            h.lastReportTotal = total;
        }
        kav::station::writeHeartbeat(*connect("teacher.mdb"), h);
    }
    // Lets the page's timer tick (its readings run on their own thread) until
    // `done` holds; false after 10 s.
    bool tickUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            clock.advance(labview::LabViewLogic::kTickMs);
            QCoreApplication::processEvents();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

TEST_F(LabViewWindowTest, ShowsTheStationsAndFollowsTheCollectionIntoTheScoreList) {
    heartbeat("pc10", StationPhase::Exam, "A10");
    heartbeat("pc9", StationPhase::Exam, "A09");
    heartbeat("pc1", StationPhase::Login, "");
    trigger("N16");  // the score list is built and shows no row yet
    auto* grid = app->Form1()->findChild<QTableView*>("DBGrid4");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 0);

    trigger("NLab");
    EXPECT_EQ(shownPage(), &page());
    EXPECT_EQ(app->Form1()->windowTitle().toStdString(),
              "计算机等级考试维护系统Mendrix     当前位置：设置与评分->考场监控   当前状态：考试");
    ASSERT_TRUE(tickUntil([&] { return page().logic().model.hasReading(); }));
    EXPECT_EQ(text(page().countsLabel), "在考 2    已交卷 0    失联 0    未登录 1");
    EXPECT_FALSE(page().progressLabel->isVisible());
    std::vector<std::string> order;
    for (const auto& t : page().logic().model.tiles()) order.push_back(t.station);
    EXPECT_EQ(order, (std::vector<std::string>{"pc1", "pc9", "pc10"}));

    trigger("N3");  // away from the page, then 强制收分 brings it back
    trigger("s1");
    EXPECT_EQ(shownPage(), &page());
    EXPECT_EQ(text(page().progressLabel), "已收 0/2");
    EXPECT_EQ(text(page().missingLabel), "未收：pc9、pc10");

    // pc9 reports: its score row, then its heartbeat.
    scores::test::appendScores(*connect("teacher.mdb")->openTable("score"),
                               {scores::test::scoreRow("A09", "考生pc9", kav::DateTime::nowLocal(), 20, 20, 20, 20, 80)});
    heartbeat("pc9", StationPhase::Reported, "A09", 80);
    ASSERT_TRUE(tickUntil([&] { return text(page().progressLabel) == "已收 1/2"; })) << text(page().progressLabel);
    EXPECT_EQ(text(page().missingLabel), "未收：pc10");
    EXPECT_EQ(grid->model()->rowCount(), 1) << "the score list read the report without 刷新";
    EXPECT_FALSE(page().logic().scoresStale);
}

}  // namespace
}  // namespace mendrix
