#include "console/window/ui/forms.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/db/schema.h"
#include "console/pages/scores/ui/score_pages_ui.h"
#include "console/base/accounts.h"
#include "console/base/login.h"
#include "console/base/texts.h"
#include "console/window/ui/app.h"
#include "console/pages/bank/ui/bank_pages.h"
#include "console/pages/labview/ui/lab_view_page.h"
#include "console/pages/ruleeditor/ui/tform3.h"
#include "gui/kiosk.h"
#include "gui/qstring.h"

namespace mendrix {

namespace {

using kav::gui::q;
std::string s(const QString& text) { return text.toStdString(); }

QFont pointFont(int points, bool bold = false) {
    QFont f = QGuiApplication::font();
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

// The console's background picture: a calm blue field with the system's name.
void paintBackground(QPainter& p, const QRect& r, int titlePoints) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(28, 72, 132));
    g.setColorAt(1, QColor(104, 160, 210));
    p.fillRect(r, g);
    p.setPen(QColor(255, 255, 255, 40));
    for (int x = r.left() - r.height(); x < r.right(); x += 24) p.drawLine(x, r.bottom(), x + r.height(), r.top());
    if (titlePoints > 0) {
        p.setPen(QColor(255, 255, 255, 200));
        p.setFont(pointFont(titlePoints, true));
        p.drawText(r, Qt::AlignCenter, q(texts::kTitle));
    }
}

class Background : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintBackground(p, rect(), 28);
    }
};

QLineEdit* passwordBox(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setEchoMode(QLineEdit::Password);
    return e;
}

}  // namespace

// ---------------------------------------------------------------- TForm_enter

TForm_enter::TForm_enter(MendrixApp& app, LoginLogic& logic)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint),
      app_(app),
      logic_(logic) {
    setObjectName("Form_enter");
    setWindowTitle(q(texts::kTitle));
    setFixedSize(460, 300);
    setStyleSheet(
        "QLabel#Label1, QLabel#Label2 { color: white; }"
        "QLabel.box { color: white; }"
        "QLineEdit { padding: 3px; border: 1px solid #7f9cc4; border-radius: 3px; background: white; }"
        "QPushButton { padding: 5px 18px; border: 1px solid #5b7fb0; border-radius: 4px;"
        " background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #ffffff, stop:1 #dce6f4); }"
        "QPushButton:default { border: 2px solid #f0c040; }");

    Label1 = new QLabel(q(texts::kLoginTitle1), this);
    Label1->setObjectName("Label1");
    Label1->setFont(pointFont(15, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 24, 460, 36);
    Label2 = new QLabel(q(texts::kLoginTitle2), this);
    Label2->setObjectName("Label2");
    Label2->setFont(pointFont(20, true));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(0, 62, 460, 40);

    auto label = [this](const char* text, int y) {
        auto* l = new QLabel(q(text), this);
        l->setProperty("class", "box");
        l->setFont(pointFont(12));
        l->setGeometry(90, y, 90, 30);
    };
    label(texts::kLoginUserLabel, 130);
    label(texts::kLoginPasswordLabel, 174);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(180, 130, 190, 30);
    Edit2 = passwordBox(this);
    Edit2->setGeometry(180, 174, 190, 30);
    BitBtn1 = new QPushButton(q(texts::kOk), this);
    BitBtn1->setGeometry(190, 230, 90, 34);
    BitBtn1->setDefault(true);  // Enter presses it
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    FormCreate();
}

void TForm_enter::FormCreate() {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const WindowOrigin o = centredOrigin({screen.width(), screen.height()}, width(), height());
    move(o.left, o.top);
}

void TForm_enter::BitBtn1Click() {
    logic_.Edit1 = s(Edit1->text());
    logic_.Edit2 = s(Edit2->text());
    app_.run([this] { logic_.BitBtn1Click(); });
}

void TForm_enter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintBackground(p, rect(), 0);
}

void TForm_enter::closeEvent(QCloseEvent* e) {
    e->ignore();  // hidden by refresh when the console ends
    app_.run([this] { app_.console().closeLoginWindow(); });
}

void TForm_enter::refresh() {
    if (logic_.visible && !isVisible()) {
        // Also without a window manager the new window takes the keyboard.
        kav::gui::showActive(this, Edit1);
    } else if (!logic_.visible && isVisible()) {
        hide();
    }
}

// ---------------------------------------------------------------- TAboutBox

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle(q(texts::kAboutCaption));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(q(texts::kAboutText), this);
    text->setObjectName("Memo1");
    text->setReadOnly(true);
    text->setMinimumSize(520, 300);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(q(texts::kOk), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);
    layout->addWidget(buttons);
}

// ---------------------------------------------------------------- TForm1

TForm1::TForm1(MendrixApp& app, MainWindowLogic& logic, AccountsLogic& accounts)
    : app_(app), logic_(logic), accounts_(accounts) {
    setObjectName("Form1");
    setWindowTitle(q(texts::kTitle));
    makeMenus();

    pages_ = new QStackedWidget(this);
    setCentralWidget(pages_);
    auto* background = new Background(pages_);
    background->setObjectName("Image1");
    pages_->addWidget(background);
    pageWidgets_[Page::Accounts] = makeAccountsPage();
    // The other pages are frames with their panels, filled by the pages' own units.
    struct Frame {
        Page page;
        const char* panel;
        std::vector<const char*> inner;
    };
    const Frame frames[] = {
        {Page::Roster, "Panel2", {"Panel5", "Panel6"}},     {Page::WinQuestions, "Panel7", {"Panel9"}},
        {Page::ChoiceQuestions, "Panel10", {"Panel11", "Panel12"}}, {Page::TypingTexts, "Panel13", {}},
        {Page::WordQuestions, "Panel14", {"Panel16"}},       {Page::UpdateList, "Panel20", {"Panel21"}},
        {Page::ScoreList, "Panel15", {"Panel17"}},           {Page::AnswerAnalysis, "Panel18", {"Panel19"}},
    };
    for (const Frame& f : frames) {
        auto* panel = new QFrame(pages_);
        panel->setObjectName(f.panel);
        auto* layout = new QVBoxLayout(panel);
        for (const char* inner : f.inner) {
            auto* frame = new QFrame(panel);
            frame->setObjectName(inner);
            layout->addWidget(frame);
        }
        pageWidgets_[f.page] = panel;
    }
    for (auto& [p, w] : pageWidgets_) pages_->addWidget(w);
    scores::installScorePages(pageWidgets_[Page::ScoreList], pageWidgets_[Page::AnswerAnalysis],
                              {app.console().data(), app.console().dialogs(), [&app](auto& h) { app.run(h); },
                               [&app] { return app.console().login().Edit1; }});
    labView_ = new labview::LabViewPage(pages_, app.console().data().workingFolder(), app.console().clock());
    pageWidgets_[Page::LabView] = labView_;
    pages_->addWidget(labView_);
    // Reports that arrive reach the score list without 刷新 (retried at the
    // next reading while a box or an edit holds the list).
    labView_->scoresStale = [this] {
        app_.run([this] {
            labView_->logic().scoresStale = false;
            if (!scores::rereadScoresAfterReports(pageWidgets_[Page::ScoreList], app_.console().data()))
                labView_->logic().scoresStale = true;
        });
    };

    flagsLabel = new QLabel(this);
    statusBar()->addWidget(flagsLabel);
    about_ = new TAboutBox(this);  // FormCreate: the about box exists from the start
}

void TForm1::makeMenus() {
    struct Item {
        const char* name;
        const char* caption;
        void (TForm1::*handler)();
    };
    struct Menu {
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    const Menu menus[] = {
        {"N1", "用户管理(&U)", {{"N2", "管理员(&A)", &TForm1::N2Click}, {"N12", "管理助手(&B)", &TForm1::N12Click},
                                 {"N3", "考生报名(&N)", &TForm1::N3Click}}},
        {"N4", "试题维护(&M)", {{"WIN1", "WIN题(&W)", &TForm1::WIN1Click}, {"N5", "选择题(&S)", &TForm1::N5Click},
                                 {"N6", "录入题(&I)", &TForm1::N6Click}, {"WORD1", "WORD题(&O)", &TForm1::WORD1Click}}},
        {"N7", "设置与评分(&S)", {{"Ntime", "设定考试时间", &TForm1::NtimeClick},
                                   {"N15", "-", nullptr},
                                   {"N20", "清除考生文件夹(学生机)", &TForm1::N20Click},
                                   {"N21", "清除已考考生信息", &TForm1::N21Click},
                                   {"N23", "更新题库(学生机)", &TForm1::N23Click},
                                   {"sp1", "-", nullptr},
                                   {"N13", "考试状态(&K)", &TForm1::N13Click},
                                   {"N14", "练习状态(&L)", &TForm1::N14Click},
                                   {"s1", "强制收分(&F)(学生机)", &TForm1::s1Click},
                                   {"E1", "结束(&E)", &TForm1::E1Click},
                                   {"NLab", "考场监控(&J)", &TForm1::NLabClick},
                                   {"N19", "-", nullptr},
                                   {"N16", "查分&&打印(&P)(教师机)", &TForm1::N16Click},
                                   {"N17", "答题分析(&C)(教师机)", &TForm1::N17Click}}},
        {"N8", "关于(&A)", {{"N10", "关于软件(&S)", &TForm1::N10Click}, {"H1", "帮助(&H)", &TForm1::H1Click}}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(q(m.caption));
        menu->setObjectName(m.name);
        for (const Item& item : m.items) {
            QAction* action = item.handler ? menu->addAction(q(item.caption)) : menu->addSeparator();
            action->setObjectName(item.name);
            if (item.handler) connect(action, &QAction::triggered, this, [this, h = item.handler] { (this->*h)(); });
        }
    }
    auto action = [this](const char* name) { return findChild<QAction*>(name); };
    N13 = action("N13");
    N14 = action("N14");
    s1 = action("s1");
    E1 = action("E1");
    N20 = action("N20");
    N21 = action("N21");
    N23 = action("N23");
    // The mode items are one radio group; the marks are set from the logic.
    auto* group = new QActionGroup(this);
    for (QAction* a : {N13, N14, s1, E1}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    for (QAction* a : {N20, N21, N23}) a->setCheckable(true);
}

QWidget* TForm1::makeAccountsPage() {
    auto* panel = new QFrame(pages_);
    panel->setObjectName("Panel1");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(40, 30, 40, 30);

    // One group of user name, password and confirmation with its 确认 button.
    auto group = [](QWidget* parent, const char* title, QLineEdit*& name, QLineEdit*& password,
                    QLineEdit*& confirmation, QPushButton*& button) {
        auto* box = new QGroupBox(parent);
        auto* form = new QFormLayout(box);
        name = new QLineEdit(box);
        // The user name box takes no more than the file's user name column holds.
        const kav::db::TableDef& user = kav::db::tableDef(kav::db::DatabaseKind::Teacher, "user");
        name->setMaxLength(user.columns[static_cast<size_t>(user.indexOf("username"))].width);
        password = passwordBox(box);
        confirmation = passwordBox(box);
        for (QLineEdit* e : {name, password, confirmation}) e->setMaximumWidth(260);
        form->addRow(q(title), name);
        form->addRow(q("口 令："), password);
        form->addRow(q("口令验证："), confirmation);
        button = new QPushButton(q("确认"), box);
        button->setMaximumWidth(100);
        form->addRow(QString(), button);
        return box;
    };
    Panel3 = new QFrame(panel);
    Panel3->setObjectName("Panel3");
    auto* admin = new QVBoxLayout(Panel3);
    admin->addWidget(group(Panel3, "管理员：", Edit1, Edit2, Edit3, BitBtn1));
    admin->addStretch();
    Panel4 = new QFrame(panel);
    Panel4->setObjectName("Panel4");
    auto* assistants = new QVBoxLayout(Panel4);
    assistants->addWidget(group(Panel4, "一级助理：", Edit4, Edit5, Edit6, BitBtn2));
    assistants->addWidget(group(Panel4, "二级助理：", Edit7, Edit8, Edit9, BitBtn37));
    assistants->addWidget(group(Panel4, "三级助理：", Edit10, Edit11, Edit12, BitBtn38));
    assistants->addStretch();
    layout->addWidget(Panel3);
    layout->addWidget(Panel4);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn37, &QPushButton::clicked, this, [this] { BitBtn37Click(); });
    connect(BitBtn38, &QPushButton::clicked, this, [this] { BitBtn38Click(); });
    return panel;
}

QWidget* TForm1::page(Page p) const {
    auto it = pageWidgets_.find(p);
    return it == pageWidgets_.end() ? nullptr : it->second;
}

std::array<QLineEdit*, 12> TForm1::accountBoxes() const {
    return {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11, Edit12};
}

void TForm1::run(void (MainWindowLogic::*handler)()) {
    app_.run([this, handler] { (logic_.*handler)(); });
}

void TForm1::runAccounts(void (AccountsLogic::*handler)()) {
    const auto boxes = accountBoxes();
    for (int n = 0; n < 4; ++n)
        accounts_.boxes[n] = {s(boxes[3 * n]->text()), s(boxes[3 * n + 1]->text()), s(boxes[3 * n + 2]->text())};
    app_.run([this, handler] { (accounts_.*handler)(); });
}

void TForm1::N2Click() { run(&MainWindowLogic::N2Click); }
void TForm1::N12Click() { run(&MainWindowLogic::N12Click); }
void TForm1::N3Click() { run(&MainWindowLogic::N3Click); }
void TForm1::WIN1Click() { run(&MainWindowLogic::WIN1Click); }
void TForm1::N5Click() { run(&MainWindowLogic::N5Click); }
void TForm1::N6Click() { run(&MainWindowLogic::N6Click); }
void TForm1::WORD1Click() { run(&MainWindowLogic::WORD1Click); }
void TForm1::N16Click() { run(&MainWindowLogic::N16Click); }
void TForm1::N17Click() { run(&MainWindowLogic::N17Click); }
void TForm1::NLabClick() { run(&MainWindowLogic::NLabClick); }
void TForm1::H1Click() { run(&MainWindowLogic::H1Click); }
void TForm1::NtimeClick() { run(&MainWindowLogic::NtimeClick); }
void TForm1::N20Click() { run(&MainWindowLogic::N20Click); }
void TForm1::N21Click() { run(&MainWindowLogic::N21Click); }
void TForm1::N23Click() { run(&MainWindowLogic::N23Click); }
void TForm1::N13Click() { run(&MainWindowLogic::N13Click); }
void TForm1::N14Click() { run(&MainWindowLogic::N14Click); }
void TForm1::s1Click() { run(&MainWindowLogic::s1Click); }
void TForm1::E1Click() { run(&MainWindowLogic::E1Click); }
void TForm1::BitBtn1Click() { runAccounts(&AccountsLogic::BitBtn1Click); }
void TForm1::BitBtn2Click() { runAccounts(&AccountsLogic::BitBtn2Click); }
void TForm1::BitBtn37Click() { runAccounts(&AccountsLogic::BitBtn37Click); }
void TForm1::BitBtn38Click() { runAccounts(&AccountsLogic::BitBtn38Click); }

void TForm1::N10Click() {
    run(&MainWindowLogic::N10Click);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void TForm1::closeEvent(QCloseEvent* e) {
    app_.run([this] { app_.console().closeMainWindow(); });
    if (!app_.console().ended()) e->ignore();
}

void TForm1::refresh() {
    if (logic_.visible && !bank_) {
        bank_ = new bank::BankPages(pages_, app_.console(), [this](const std::function<void()>& h) { app_.run(h); });
        bank::WordPage& word = bank_->bank().word;
        word.openRuleEditor = [this, &word] {
            kav::ruleeditor::openRuleEditor(this, app_.console().dialogs(), word.binding);
        };
    }
    if (bank_) bank_->refresh();
    setWindowTitle(q(logic_.caption));
    QWidget* shown = page(logic_.page);
    pages_->setCurrentIndex(shown ? pages_->indexOf(shown) : 0);
    Panel3->setVisible(logic_.accountsPart == AccountsPart::Administrator);
    Panel4->setVisible(logic_.accountsPart == AccountsPart::Assistants);

    QAction* const modeItems[kModeItemCount] = {N13, N14, s1, E1};
    for (int i = 0; i < kModeItemCount; ++i) {
        modeItems[i]->setChecked(i == kav::station::korlOf(logic_.markedMode) - 1);
        modeItems[i]->setEnabled(logic_.modeEnabled[i]);
    }
    N20->setChecked(logic_.checked(StartupFlag::Clearfold));
    N21->setChecked(logic_.checked(StartupFlag::Clearinfo));
    N23->setChecked(logic_.checked(StartupFlag::Update));
    flagsLabel->setText(q(logic_.statusText()));
    if (logic_.visible) labView_->logic().setMode(logic_.markedMode);
    labView_->logic().setShown(logic_.visible && logic_.page == Page::LabView);
    labView_->showModel();  // a collection ordered just now shows at once

    const auto boxes = accountBoxes();
    for (int n = 0; n < 4; ++n) {
        const AccountBoxes& b = accounts_.boxes[n];
        const std::string values[3] = {b.username, b.password, b.confirmation};
        for (int i = 0; i < 3; ++i)
            if (boxes[3 * n + i]->text() != q(values[i])) boxes[3 * n + i]->setText(q(values[i]));
    }

    if (logic_.visible && !isVisible()) {
        // Without a window manager nobody maximises: take the whole screen ourselves.
        setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        showMaximized();
        kav::gui::showActive(this);
    } else if (!logic_.visible && isVisible()) {
        about_->hide();
        hide();
    }
}

}  // namespace mendrix
