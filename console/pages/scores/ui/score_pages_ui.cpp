#include "console/pages/scores/ui/score_pages_ui.h"

#include <QEvent>
#include <QFrame>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <set>
#include <thread>

#include "common/db/error_text.h"
#include "common/scores/item_stats.h"
#include "common/scores/render/chart_painter.h"
#include "console/base/binding/ui/bound_editors.h"
#include "console/base/binding/ui/bound_grid.h"
#include "console/base/binding/ui/navigators.h"
#include "console/base/data_module.h"
#include "console/pages/scores/ui/regrade_box.h"
#include "common/db/tables.h"
#include "common/word/isolated_grading.h"
#include "gui/qstring.h"

namespace mendrix::scores {

namespace {
using kav::gui::q;

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    return b;
}

// The grid's exam time in the fixed format, whatever the locale.
class KstimeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override {
        const std::string text = value.toString().toStdString();
        try {
            return QString::fromStdString(kstimeText(kav::db::Value(text)));
        } catch (const std::exception&) {
            return QString::fromStdString(text);  // not a date-time: shown as stored
        }
    }
};

// A statistics cell that sorts by its number when it has one ("12.5%", "0.314").
class StatItem : public QTableWidgetItem {
public:
    explicit StatItem(const std::string& text) : QTableWidgetItem(QString::fromStdString(text)) {
        setFlags(flags() & ~Qt::ItemIsEditable);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        bool a = false, b = false;
        const double x = number(text(), a), y = number(other.text(), b);
        if (a && b) return x < y;
        if (a != b) return a;  // numbers before empty cells
        return text() < other.text();
    }

private:
    static double number(QString t, bool& ok) {
        if (t.endsWith('%')) t.chop(1);
        return t.toDouble(&ok);
    }
};

// Builds a page into its frame the first time the frame is shown.
class BuildOnFirstShow : public QObject {
public:
    BuildOnFirstShow(QWidget* frame, std::function<QWidget*()> build)
        : QObject(frame), frame_(frame), build_(std::move(build)) {
        frame->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == frame_ && event->type() == QEvent::Show && build_) {
            auto build = std::move(build_);
            build_ = nullptr;
            // Into the inner panel when the frame has one.
            QWidget* inner = frame_->findChild<QFrame*>();
            QWidget* place = inner ? inner : frame_;
            if (!place->layout()) new QVBoxLayout(place);
            place->layout()->addWidget(build());
        }
        return false;
    }

private:
    QWidget* frame_;
    std::function<QWidget*()> build_;
};

// The teacher's database of the lab in `folder`, opened afresh as its owner.
TeacherConnector teacherConnector(const std::filesystem::path& folder) {
    return [folder] { return kav::db::connectPath(kav::db::teacherDatabasePath(folder), kav::db::ServerRole::Owner); };
}

// What a page shows when its table did not open.
QWidget* openFailure(const std::string& error) {
    auto* label = new QLabel(QString::fromStdString(error));
    label->setAlignment(Qt::AlignCenter);
    return label;
}
}  // namespace

void installScorePages(QWidget* scoreFrame, QWidget* analysisFrame, ScorePagesEnv env) {
    new BuildOnFirstShow(scoreFrame, [env]() -> QWidget* {
        try {
            return new ScoreListPage(nullptr, env.data.ADOTable_Tscore(), env);
        } catch (const kav::db::DbError& e) {
            return openFailure(kav::db::databaseErrorText("这一页的数据表打不开。", e));
        }
    });
    new BuildOnFirstShow(analysisFrame, [env]() -> QWidget* {
        try {
            return new AnswerAnalysisPage(nullptr, env.data.ADOTable_Tcondition(), env.data.ADOTable_Tscore(),
                                          env.data.ADOTable_select(), env);
        } catch (const kav::db::DbError& e) {
            return openFailure(kav::db::databaseErrorText("这一页的数据表打不开。", e));
        }
    });
}

bool rereadScoresAfterReports(QWidget* scoreFrame, TDataModule2& data) {
    // The page has no meta-object of its own: found by its name, then cast.
    if (auto* page = dynamic_cast<ScoreListPage*>(scoreFrame->findChild<QWidget*>("ScoreListPage")))
        return page->rereadAfterReports();
    data.ADOTable_Tscore().requery();
    return true;
}

// ------------------------------------------------------------ score list

ScoreListPage::ScoreListPage(QWidget* parent, kav::db::Cursor& score, ScorePagesEnv env)
    : QWidget(parent),
      env_(std::move(env)),
      binding_(std::make_unique<kav::console::TableBinding>(score, env_.dialogs)),
      logic_(std::make_unique<ScoreListLogic>(*binding_, score, env_.dialogs)),
      print_(this) {
    setObjectName("ScoreListPage");
    logic_->tellDone = env_.tellDone;
    logic_->showSheet = [this](const std::vector<ScoreRow>& rows) {
        const auto records = readExamRecords(env_.data.ADOTable_Tcondition());
        const auto drawn = readDrawnQuestions(env_.dialogs, teacherConnector(env_.data.workingFolder()), records);
        if (!drawn) return;
        const ItemStatistics stats =
            computeItemStatistics(records, rows, readBankQuestions(env_.data.ADOTable_select()), *drawn);
        print_.preview(rows, &stats);
    };

    std::vector<kav::console::GridColumn> columns;
    for (int f = 0; f < kScoreFieldCount; ++f) columns.push_back({std::string(kScoreColumns[f]), q(kGridTitles[f])});
    auto* grid = new kav::console::BoundGrid(*binding_, columns, this);
    grid_ = grid;
    grid->setObjectName("DBGrid4");
    grid->sortByHeader();
    grid->setItemDelegateForColumn(Kstime, new KstimeDelegate(grid));
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    auto* navigator = new kav::console::GridNavigator(*binding_, this);
    navigator->setObjectName("DBNavigator4");
    auto* label = new kav::console::PositionLabel(*binding_, this);
    label->setObjectName("Label36");

    BitBtn36 = button(this, "BitBtn36", "打印");
    BitBtn42 = button(this, "BitBtn42", "导出");
    BitBtnSpreadsheet = button(this, "BitBtnSpreadsheet", "导出表格");
    BitBtn43 = button(this, "BitBtn43", "清库");
    BitBtn29 = button(this, "BitBtn29", "刷新");
    // A lab on a server records the station of each report: the teacher
    // releases a candidate who moved to another station. A file lab needs none.
    BitBtnRelease = button(this, "BitBtnRelease", "释放考生");
    logic_->release = candidateRelease(env_.data.teacherConnection());
    if (!logic_->releaseOffered()) BitBtnRelease->hide();
    BitBtnRegrade = button(this, "BitBtnRegrade", "重新评分");
    BitBtnCheck = button(this, "BitBtnCheck", "核对");
    LabelRegraded = new QLabel(this);
    LabelRegraded->setObjectName("LabelRegraded");
    LabelRegraded->setStyleSheet("color: #a00000");
    connect(BitBtnRegrade, &QPushButton::clicked, this, [this] { BitBtnRegradeClick(); });
    connect(BitBtnCheck, &QPushButton::clicked, this, [this] { BitBtnCheckClick(); });
    connect(BitBtn36, &QPushButton::clicked, this, [this] { BitBtn36Click(); });
    connect(BitBtn42, &QPushButton::clicked, this, [this] { BitBtn42Click(); });
    connect(BitBtnSpreadsheet, &QPushButton::clicked, this, [this] { BitBtnSpreadsheetClick(); });
    connect(BitBtn43, &QPushButton::clicked, this, [this] { BitBtn43Click(); });
    connect(BitBtn29, &QPushButton::clicked, this, [this] { BitBtn29Click(); });
    connect(BitBtnRelease, &QPushButton::clicked, this, [this] { BitBtnReleaseClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid, 1);
    layout->addWidget(LabelRegraded);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(navigator);
    bottom->addWidget(label);
    bottom->addStretch(1);
    for (QPushButton* b :
         {BitBtn36, BitBtn42, BitBtnSpreadsheet, BitBtnRegrade, BitBtnCheck, BitBtn43, BitBtn29, BitBtnRelease})
        bottom->addWidget(b);
    layout->addLayout(bottom);

    const TeacherConnector connectTeacher = teacherConnector(env_.data.workingFolder());
    try {
        changes_ = kav::regrade::readChangeRecords(*connectTeacher());
    } catch (const kav::db::DbError&) {
        // A teacher database made before re-grading has no record table: no marks.
    }
    RegradeEnv regradeEnv{
        env_.dialogs,
        connectTeacher,
        [this] {
            return kav::regrade::readCurrentAnswers(env_.data.ADOTable_select(), env_.data.ADOTable_win(),
                                                    env_.data.ADOTable_word());
        },
        [grader = kav::word::installedWordGrader()](const std::filesystem::path& document, const std::string& answer) {
            return kav::word::gradeWordTaskIsolated(grader, document, answer);
        },
        [this] { return env_.account ? env_.account() : std::string(); },
        [] { return kav::DateTime::nowLocal(); },
        std::filesystem::temp_directory_path(),
        static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))};
    regrade_ = std::make_unique<RegradeAction>(std::move(regradeEnv));
    regrade_->review = [this](const RegradeReview& review) { return showRegradeReview(this, review); };
    markSubscription_ = std::make_unique<kav::console::BindingSubscription>(
        *binding_, [this](kav::console::TableBinding::Change) { showRegradeMark(); });
    showRegradeMark();
}

std::vector<std::string> ScoreListPage::chosenAdmissions() const {
    std::vector<std::string> chosen;
    const int zkzh = binding_->columnIndex("zkzh");
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        chosen.push_back(binding_->cellText(index.row() + 1, zkzh));
    return chosen;
}

void ScoreListPage::showRegradeMark() {
    const std::string zkzh = binding_->text(binding_->columnIndex("zkzh"));
    LabelRegraded->setText(QString::fromStdString(kav::regrade::regradeMark(changes_, zkzh)));
}

void ScoreListPage::BitBtnRegradeClick() {
    env_.run([this] {
        const auto rows = readScoreRows(env_.data.ADOTable_Tscore());
        const auto chosen = regrade_->chooseRows(rows, chosenAdmissions(), "重新评分");
        if (!chosen || regrade_->regrade(*chosen) == 0) return;
        changes_ = kav::regrade::readChangeRecords(*kav::db::connectPath(
            kav::db::teacherDatabasePath(env_.data.workingFolder()), kav::db::ServerRole::Owner));
        binding_->refresh();
    });
}

void ScoreListPage::BitBtnCheckClick() {
    env_.run([this] {
        const auto rows = readScoreRows(env_.data.ADOTable_Tscore());
        if (const auto chosen = regrade_->chooseRows(rows, chosenAdmissions(), "核对")) regrade_->check(*chosen);
    });
}

// The views unsubscribe from the binding: they go before it does.
ScoreListPage::~ScoreListPage() { qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly)); }

void ScoreListPage::BitBtn36Click() { env_.run([this] { logic_->BitBtn36Click(); }); }
void ScoreListPage::BitBtn42Click() { env_.run([this] { logic_->BitBtn42Click(); }); }
void ScoreListPage::BitBtnSpreadsheetClick() { env_.run([this] { logic_->BitBtnSpreadsheetClick(); }); }
void ScoreListPage::BitBtn43Click() {
    env_.run([this] {
        std::vector<std::string> before;
        for (const ScoreRow& row : readScoreRows(env_.data.ADOTable_Tscore())) before.push_back(row.zkzh);
        logic_->BitBtn43Click();
        std::set<std::string> left;
        for (const ScoreRow& row : readScoreRows(env_.data.ADOTable_Tscore())) left.insert(row.zkzh);
        std::vector<std::string> gone;
        for (const std::string& zkzh : before)
            if (!left.count(zkzh)) gone.push_back(zkzh);
        regrade_->offerPackRemoval(gone);
    });
}
void ScoreListPage::BitBtn29Click() { env_.run([this] { logic_->BitBtn29Click(); }); }
void ScoreListPage::BitBtnReleaseClick() { env_.run([this] { logic_->BitBtnReleaseClick(); }); }

// ------------------------------------------------------------ answer analysis

AnswerAnalysisPage::AnswerAnalysisPage(QWidget* parent, kav::db::Cursor& condition, kav::db::Cursor& score,
                                       kav::db::Cursor& selecttest, ScorePagesEnv env)
    : QWidget(parent),
      env_(std::move(env)),
      binding_(std::make_unique<kav::console::TableBinding>(condition, env_.dialogs)),
      logic_(std::make_unique<AnswerAnalysisLogic>(*binding_, condition, score, selecttest, env_.dialogs)) {
    setObjectName("AnswerAnalysisPage");
    logic_->tellDone = env_.tellDone;
    logic_->connectTeacher = teacherConnector(env_.data.workingFolder());

    struct Box {
        const char* caption;
        const char* name;
        const char* column;
    };
    const Box boxes[] = {
        {"准考证号", "DBEdit16", "zkzh"},           {"考生姓名", "DBEdit17", "ksxm"},
        {"考试时间", "DBEdit19", "kstime"},         {"win题号", "DBEdit20", "winno"},
        {"WIN答题情况", "DBEdit22", "win_condiction"}, {"被用选择题题号", "DBEdit23", "sel_arr1"},
        {"选择题标准答案", "DBEdit24", "sel_arr2"}, {"选择题答题情况", "DBEdit25", "sel_arr3"},
        {"打字文件名", "DBEdit26", "filename_dz"},  {"打字情况", "DBEdit27", "dz_result"},
        {"Word文件名", "DBEdit28", "filename_word"}, {"word题号", "DBEdit30", "wordno"},
        {"剩余时间", "DBEdit31", "resttime"},
    };
    auto* record = new QGridLayout;
    int row = 0;
    for (const Box& b : boxes) {
        // The Windows task's result is several lines: a box that shows them all.
        QWidget* edit;
        if (std::string_view(b.column) == "win_condiction") {
            auto* memo = new kav::console::BoundMemo(*binding_, b.column, this);
            memo->setMaximumHeight(memo->fontMetrics().lineSpacing() * 4 + 10);
            memo->setTabChangesFocus(true);
            edit = memo;
        } else {
            edit = new kav::console::BoundLineEdit(*binding_, b.column, this);
        }
        edit->setObjectName(b.name);
        record->addWidget(new QLabel(QString::fromUtf8(b.caption), this), row, 0);
        record->addWidget(edit, row, 1);
        ++row;
    }
    auto* memo = new kav::console::BoundMemo(*binding_, "word_result", this);
    memo->setObjectName("DBMemo4");
    record->addWidget(new QLabel(QString::fromUtf8("word答题情况"), this), 0, 2, Qt::AlignTop);
    record->addWidget(memo, 0, 3, row, 1);
    record->setColumnStretch(1, 1);
    record->setColumnStretch(3, 1);

    auto* label = new kav::console::PositionLabel(*binding_, this);
    label->setObjectName("Label38");
    auto* strip = new kav::console::NavigationStrip(*binding_, this);
    strip->setObjectName("BitBtn30_35");
    BitBtn44 = button(this, "BitBtn44", "全删");
    BitBtn45 = button(this, "BitBtn45", "刷新");
    BitBtnStats = button(this, "BitBtnStats", "统计");
    BitBtnStatsExport = button(this, "BitBtnStatsExport", "导出统计");
    connect(BitBtn44, &QPushButton::clicked, this, [this] { BitBtn44Click(); });
    connect(BitBtn45, &QPushButton::clicked, this, [this] { BitBtn45Click(); });
    connect(BitBtnStats, &QPushButton::clicked, this, [this] { BitBtnStatsClick(); });
    connect(BitBtnStatsExport, &QPushButton::clicked, this, [this] { BitBtnStatsExportClick(); });

    statsSummary = new QLabel(this);
    statsSummary->setObjectName("StatsSummary");
    statsTable = new QTableWidget(this);
    statsTable->setObjectName("StatsTable");
    const auto headers = statisticsHeaders();
    statsTable->setColumnCount(static_cast<int>(headers.size()));
    QStringList titles;
    for (const std::string& h : headers) titles << QString::fromStdString(h);
    statsTable->setHorizontalHeaderLabels(titles);
    statsTable->verticalHeader()->hide();
    statsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    statsTable->horizontalHeader()->setStretchLastSection(true);
    statsTable->setSortingEnabled(true);

    chartsView = new ScoreChartsView(this);
    chartsView->setObjectName("ChartsView");

    auto* recordPart = new QWidget(this);
    auto* recordLayout = new QVBoxLayout(recordPart);
    recordLayout->setContentsMargins(0, 0, 0, 0);
    recordLayout->addLayout(record);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(label);
    navigation->addWidget(strip);
    navigation->addStretch(1);
    navigation->addWidget(BitBtn44);
    navigation->addWidget(BitBtn45);
    recordLayout->addLayout(navigation);

    auto* statsPart = new QWidget(this);
    auto* statsLayout = new QVBoxLayout(statsPart);
    statsLayout->setContentsMargins(0, 0, 0, 0);
    auto* statsBar = new QHBoxLayout;
    statsBar->addWidget(statsSummary, 1);
    statsBar->addWidget(BitBtnStats);
    statsBar->addWidget(BitBtnStatsExport);
    statsLayout->addLayout(statsBar);
    auto* side = new QSplitter(Qt::Horizontal, statsPart);
    side->addWidget(statsTable);
    side->addWidget(chartsView);
    side->setStretchFactor(0, 1);
    side->setStretchFactor(1, 1);
    statsLayout->addWidget(side, 1);

    auto* recordScroll = new QScrollArea(this);
    recordScroll->setWidgetResizable(true);
    recordScroll->setFrameShape(QFrame::NoFrame);
    recordScroll->setWidget(recordPart);
    split_ = new QSplitter(Qt::Vertical, this);
    split_->setObjectName("AnalysisSplit");
    split_->addWidget(recordScroll);
    split_->addWidget(statsPart);
    split_->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split_);
}

ScoreChartsView::ScoreChartsView(QWidget* parent) : QWidget(parent) { setMinimumSize(360, 280); }

void ScoreChartsView::setCharts(std::vector<Histogram> histograms, std::vector<ItemPoint> points,
                                std::string emptyItemText) {
    histograms_ = std::move(histograms);
    points_ = std::move(points);
    emptyItemText_ = std::move(emptyItemText);
    update();
}

void ScoreChartsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    paintCharts(painter, QRectF(rect()).adjusted(4, 4, -4, -4), histograms_, points_, emptyItemText_);
}

AnswerAnalysisPage::~AnswerAnalysisPage() { qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly)); }

void AnswerAnalysisPage::BitBtn44Click() { env_.run([this] { logic_->BitBtn44Click(); }); }
void AnswerAnalysisPage::BitBtn45Click() { env_.run([this] { logic_->BitBtn45Click(); }); }
void AnswerAnalysisPage::BitBtnStatsClick() {
    env_.run([this] { logic_->BitBtnStatsClick(); });
    showStatistics();
}
void AnswerAnalysisPage::BitBtnStatsExportClick() {
    env_.run([this] { logic_->BitBtnStatsExportClick(); });
    showStatistics();
}

void AnswerAnalysisPage::showStatistics() {
    statsSummary->setText(QString::fromStdString(logic_->summaryText()));
    if (!logic_->statistics()) return;
    chartsView->setCharts(logic_->distributions(), itemPoints(*logic_->statistics()),
                          emptyItemChartText(&*logic_->statistics()));
    // The record shrinks to a few lines (it scrolls); the statistics take the rest of the page.
    split_->setSizes({split_->height() / 5, split_->height() * 4 / 5});
    const auto rows = statisticsRows(*logic_->statistics());
    statsTable->setSortingEnabled(false);
    statsTable->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c) statsTable->setItem(r, c, new StatItem(rows[r][c]));
    statsTable->setSortingEnabled(true);
}

}  // namespace mendrix::scores
