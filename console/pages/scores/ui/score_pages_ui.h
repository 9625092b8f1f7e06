#pragma once
// The two score pages of the console's main window: the score list (Panel15,
// inner Panel17) and the answer analysis (Panel18, inner Panel19). Each is
// built into its frame the first time the frame is shown, when the console's
// tables are open; its buttons go through the console's handler runner.
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <memory>

#include "common/ui/dialogs.h"
#include "console/pages/scores/regrade_action.h"
#include "console/pages/scores/score_pages.h"
#include "console/pages/scores/ui/print_form.h"
#include "console/base/binding/table_binding.h"

namespace mendrix {
class TDataModule2;
}

namespace mendrix::scores {

// Runs one handler of a window the console's way (one at a time, errors shown).
using HandlerRunner = std::function<void(const std::function<void()>&)>;

struct ScorePagesEnv {
    TDataModule2& data;
    kav::ui::Dialogs& dialogs;
    HandlerRunner run;
    std::function<std::string()> account;  // the console account logged in, for the re-grading record
    std::function<void(std::string)> tellDone;  // the status bar's "done, and where"
};

// Fills both frames when each is first shown.
void installScorePages(QWidget* scoreFrame, QWidget* analysisFrame, ScorePagesEnv env);
// New reports were stored: the score list reads its table again (a list not
// built yet reads it when it is). False while a row of it is being edited.
bool rereadScoresAfterReports(QWidget* scoreFrame, TDataModule2& data);

class ScoreListPage : public QWidget {
public:
    ScoreListPage(QWidget* parent, kav::db::Cursor& score, ScorePagesEnv env);
    ~ScoreListPage() override;
    void BitBtn36Click();
    void BitBtn42Click();
    void BitBtnSpreadsheetClick();
    void BitBtn43Click();
    void BitBtn29Click();
    void BitBtnReleaseClick();  // "释放考生", on a lab server only
    void BitBtnRegradeClick();
    void BitBtnCheckClick();
    bool rereadAfterReports() { return logic_->rereadAfterReports(); }

    QPushButton *BitBtn36, *BitBtn42, *BitBtnSpreadsheet, *BitBtn43, *BitBtn29, *BitBtnRegrade, *BitBtnCheck,
        *BitBtnRelease;
    QLabel* LabelRegraded;  // the current candidate's latest re-grading, if any

private:
    // The admission numbers of the rows selected in the grid.
    std::vector<std::string> chosenAdmissions() const;
    void showRegradeMark();
    ScorePagesEnv env_;
    std::unique_ptr<kav::console::TableBinding> binding_;
    std::unique_ptr<ScoreListLogic> logic_;
    std::unique_ptr<RegradeAction> regrade_;
    std::vector<kav::regrade::ChangeRecord> changes_;
    std::unique_ptr<kav::console::BindingSubscription> markSubscription_;
    QTableView* grid_ = nullptr;
    TForm_print print_;
};

// The analysis page's charts: the item chart and the score distributions.
class ScoreChartsView : public QWidget {
public:
    explicit ScoreChartsView(QWidget* parent);
    void setCharts(std::vector<Histogram> histograms, std::vector<ItemPoint> points, std::string emptyItemText);
    const std::vector<Histogram>& histograms() const { return histograms_; }
    const std::vector<ItemPoint>& points() const { return points_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Histogram> histograms_;
    std::vector<ItemPoint> points_;
    std::string emptyItemText_;
};

class AnswerAnalysisPage : public QWidget {
public:
    AnswerAnalysisPage(QWidget* parent, kav::db::Cursor& condition, kav::db::Cursor& score,
                       kav::db::Cursor& selecttest, ScorePagesEnv env);
    ~AnswerAnalysisPage() override;
    void BitBtn44Click();
    void BitBtn45Click();
    void BitBtnStatsClick();
    void BitBtnStatsExportClick();

    QPushButton *BitBtn44, *BitBtn45, *BitBtnStats, *BitBtnStatsExport;
    QTableWidget* statsTable;
    QLabel* statsSummary;
    ScoreChartsView* chartsView;

private:
    void showStatistics();
    // The record above, the statistics below; a count gives the statistics the page's height.
    QSplitter* split_;
    ScorePagesEnv env_;
    std::unique_ptr<kav::console::TableBinding> binding_;
    std::unique_ptr<AnswerAnalysisLogic> logic_;
};

}  // namespace mendrix::scores
