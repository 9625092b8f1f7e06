#include "client/flow/ui/forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "client/files/ui/file_manager_window.h"
#include "client/flow/drawing.h"
#include "client/flow/instructions.h"
#include "client/flow/login.h"
#include "client/flow/texts.h"
#include "client/flow/toolbar.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/artwork.h"
#include "client/flow/ui/lockdown.h"
#include "client/screens/choice/ui/tform7.h"
#include "client/screens/typing/ui/tform9.h"
#include "common/core/candidate.h"
#include "common/platform/platform.h"
#include "gui/kiosk.h"
#include "gui/qstring.h"

namespace kavlor {

namespace {

using kav::gui::q;
std::string s(const QString& q) { return q.toStdString(); }
const QString kTitle = QString::fromUtf8(texts::kTitle);
// Password boxes show each character as "*", whatever the platform style draws.
const QString kPasswordStars = QStringLiteral("lineedit-password-character: 42;");

QFont pixelFont(int px, bool bold = false) {
    QFont f = QApplication::font();
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

using kav::gui::coverScreen;
using kav::gui::showActive;

}  // namespace

// ---------------------------------------------------------------- TForm1

TForm1::TForm1(KavlorApp& app) : QWidget(nullptr, Qt::FramelessWindowHint), app_(app) {
    setWindowTitle(kTitle);
    setWindowIcon(artwork::clientIcon(64));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    coverScreen(this);
    keepOpen(this);
}

void TForm1::FormClick() {
    app_.run([this] { app_.client().FormClick(); });
    // Under a window manager the splash, once it has the keyboard, covers the
    // whole screen above the login (a second click before the login was up
    // gives it the keyboard): the next click or key brings the login back.
    if (TForm3* login = app_.Form3(); login && login->isVisible()) showActive(login, login->Edit1);
}

void TForm1::refresh() {
    if (app_.client().splashVisible && !isVisible()) showActive(this);
    if (!app_.client().splashVisible && isVisible()) hide();
}

void TForm1::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), artwork::splash(size()));
}

void TForm1::mousePressEvent(QMouseEvent*) { FormClick(); }
void TForm1::keyPressEvent(QKeyEvent*) { FormClick(); }

// ---------------------------------------------------------------- TForm3

TForm3::TForm3(KavlorApp& app, LoginLogic& logic)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), app_(app), logic_(logic) {
    setWindowTitle(kTitle);
    kav::gui::refuseMinimise(this);
    setAttribute(Qt::WA_StyledBackground);
    setObjectName("TForm3");
    setFixedSize(500, 300);
    setStyleSheet(
        "#TForm3, QWidget#body { background: #eef3fa; }"
        "QLabel#header { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #1f5fae, stop:1 #134a8e);"
        " color: white; padding-left: 16px; }"
        "QLineEdit { padding: 4px; border: 1px solid #8aa6cc; border-radius: 3px; background: white; }"
        "QLineEdit[readOnly=\"true\"] { background: #e4e9f1; }"
        "QPushButton { padding: 5px 14px; border: 1px solid #5b7fb0; border-radius: 4px;"
        " background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #ffffff, stop:1 #dce6f4); }"
        "QPushButton:default { border: 2px solid #1f5fae; }");
    auto* header = new QLabel(QString::fromUtf8("考 生 登 录"), this);
    header->setObjectName("header");
    header->setFont(pixelFont(20, true));
    header->setGeometry(0, 0, 500, 52);

    Image1 = new QLabel(this);
    Image1->setToolTip(QString::fromUtf8("照片"));
    Image1->setPixmap(artwork::photo(QSize(110, 140)));
    Image1->setGeometry(24, 76, 110, 140);

    auto label = [this](const char* text, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setFont(pixelFont(15));
        l->setGeometry(160, y, 80, 30);
    };
    label("准考证号", 78);
    label("考生姓名", 124);
    label("登录密码", 170);
    Edit1 = new QLineEdit(this);
    Edit1->setToolTip(QString::fromUtf8("考号范围：110199990001至110199990050"));
    Edit1->setGeometry(244, 78, 220, 30);
    Edit2 = new QLineEdit(this);
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::NoFocus);
    Edit2->setGeometry(244, 124, 220, 30);
    Edit3 = new QLineEdit(this);
    Edit3->setEchoMode(QLineEdit::Password);
    Edit3->setStyleSheet(kPasswordStars);
    Edit3->setGeometry(244, 170, 220, 30);
    for (QLineEdit* e : {Edit1, Edit2, Edit3}) e->setFont(pixelFont(15));

    BitBtn1 = new QPushButton(QString::fromUtf8("验考号"), this);
    BitBtn2 = new QPushButton(QString::fromUtf8("&退出"), this);
    BitBtn3 = new QPushButton(QString::fromUtf8("确定"), this);
    BitBtn4 = new QPushButton(QString::fromUtf8("重新输入"), this);
    BitBtn1->setGeometry(244, 236, 100, 34);
    BitBtn2->setGeometry(364, 236, 100, 34);
    BitBtn3->setGeometry(244, 236, 100, 34);
    BitBtn4->setGeometry(364, 236, 100, 34);
    BitBtn1->setDefault(true);
    BitBtn3->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    const QRect screen = QApplication::primaryScreen()->geometry();
    move(screen.center() - rect().center());
    keepOpen(this);
    refresh();
}

void TForm3::run(void (LoginLogic::*handler)()) {
    logic_.Edit1 = s(Edit1->text());
    logic_.Edit3 = s(Edit3->text());
    app_.run([this, handler] { (logic_.*handler)(); });
}

void TForm3::BitBtn1Click() { run(&LoginLogic::BitBtn1Click); }
void TForm3::BitBtn2Click() { run(&LoginLogic::BitBtn2Click); }
void TForm3::BitBtn3Click() { run(&LoginLogic::BitBtn3Click); }
void TForm3::BitBtn4Click() { run(&LoginLogic::BitBtn4Click); }

void TForm3::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        (logic_.stage() == LoginLogic::Stage::Entering ? BitBtn1 : BitBtn3)->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TForm3::refresh() {
    if (Edit1->text() != q(logic_.Edit1)) Edit1->setText(q(logic_.Edit1));
    Edit2->setText(q(logic_.Edit2));
    if (Edit3->text() != q(logic_.Edit3)) Edit3->setText(q(logic_.Edit3));
    const bool accepted = logic_.stage() == LoginLogic::Stage::Accepted;
    Edit1->setReadOnly(accepted);
    Edit3->setReadOnly(accepted);
    for (QLineEdit* e : {Edit1, Edit3}) e->style()->polish(e);
    BitBtn1->setVisible(!accepted);
    BitBtn2->setVisible(!accepted);
    BitBtn3->setVisible(accepted);
    BitBtn4->setVisible(accepted);
    setWindowFlag(Qt::WindowStaysOnTopHint, logic_.stayOnTop);
    if (logic_.visible && !app_.client().ended()) {
        if (!isVisible()) showActive(this, Edit1);
    } else if (isVisible()) {
        hide();
    }
    if (logic_.focusNumber) {
        logic_.focusNumber = false;
        Edit1->setFocus();
    }
}

// ---------------------------------------------------------------- TForm6

TForm6::TForm6(KavlorApp&, DrawingProgress& logic)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      logic_(logic) {
    setWindowTitle(QString::fromUtf8("提示:正在抽题，请稍候 ..."));
    setAttribute(Qt::WA_StyledBackground);
    setObjectName("TForm6");
    setFixedSize(380, 120);
    setStyleSheet("#TForm6 { background: #eef3fa; }");
    Label1 = new QLabel(QString::fromUtf8("正在抽题，请稍候 ..."), this);
    Label1->setFont(pixelFont(16));
    Label1->setGeometry(24, 18, 332, 30);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(24, 64, 332, 22);
    move(QApplication::primaryScreen()->geometry().center() - rect().center());
    keepOpen(this);
}

void TForm6::refresh() {
    ProgressBar1->setValue(logic_.position());
    if (logic_.visible != isVisible()) setVisible(logic_.visible);
    if (isVisible()) repaint();
}

// ---------------------------------------------------------------- TForm2

TForm2::TForm2(KavlorApp& app, InstructionsLogic& logic)
    : QWidget(nullptr, Qt::FramelessWindowHint), app_(app), logic_(logic) {
    setWindowTitle(kTitle);
    coverScreen(this);
    keepOpen(this);
    auto make = [this](int x, int y, int px, const char* text = "", QColor colour = QColor(20, 40, 80)) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setFont(pixelFont(px));
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
        l->move(x, y);
        l->resize(760 - x, px + 14);
        return l;
    };
    Label_kh = make(60, 120, 20, "", QColor(150, 20, 20));
    Label_xm = make(420, 120, 20, "", QColor(150, 20, 20));
    Label2 = make(60, 175, 18);
    Label3 = make(60, 215, 18, "2、题型：(1)win操作题     (本题20分)");
    Label6 = make(150, 250, 18, "(2)汉字录入题    (本题20分)");
    Label7 = make(150, 285, 18, "(3)选择题        (本题30分)");
    Label1 = make(150, 320, 18, "(4)Word题        (本题30分)");
    Label5 = make(60, 360, 18, "3、有考试和练习两种状态，由教师机控制。");
    Label4 = make(60, 400, 18, "4、考生必须在自己的考试文件夹中答题，否则");
    Label8 = make(92, 432, 18, "将影响考试成绩。");
    SpeedButton1 = new QPushButton(QString::fromUtf8("按&S键开始考试"), this);
    SpeedButton1->setFont(pixelFont(20, true));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(280, 495, 240, 50);
    SpeedButton1->setStyleSheet(
        "QPushButton { color: white; border-radius: 6px; border: 1px solid #0d3c78;"
        " background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #3d86d8, stop:1 #1a56a4); }"
        "QPushButton:pressed { background: #154a8e; }");
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    Button2 = new QPushButton(this);
    Button2->setGeometry(0, 0, 0, 0);
    refresh();
}

void TForm2::SpeedButton1Click() { app_.run([this] { logic_.SpeedButton1Click(); }); }

void TForm2::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_S && !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        SpeedButton1Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TForm2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), artwork::instructionsBackground(size()));
}

void TForm2::refresh() {
    Label_kh->setText(q(logic_.Label_kh));
    Label_xm->setText(q(logic_.Label_xm));
    Label2->setText(q(logic_.Label2));
    if (logic_.visible && !isVisible()) {
        showActive(this, Button2);
    } else if (!logic_.visible && isVisible()) {
        hide();
    }
}

// ---------------------------------------------------------------- TForm5

TForm5::~TForm5() {
    delete form7_;
    delete form9_;
    delete fileManager_;
}

TForm5::TForm5(KavlorApp& app, ExamShell& logic, ToolbarLogic& toolbar)
    // No minimise or maximise: a minimised exam window could not be brought
    // back without a task bar (the toolbar's 显示题目 restores it).
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint),
      app_(app),
      logic_(logic),
      toolbar_(toolbar) {
    setWindowTitle(kTitle);
    kav::gui::refuseMinimise(this);
    setWindowIcon(artwork::clientIcon(64));
    auto* central = new QWidget(this);
    central->setObjectName("central");
    setCentralWidget(central);
    setStyleSheet(
        "QWidget#central { background: #eef3fa; }"
        "QPushButton { padding: 6px 10px; border: 1px solid #5b7fb0; border-radius: 4px; font-size: 15px;"
        " background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #ffffff, stop:1 #dce6f4); }"
        "QPushButton:hover { background: #e8f0fb; }"
        "QPushButton#folder { text-align: left; color: #0d3c78; font-weight: bold; }"
        "QPushButton#clock { color: #c01818; font-size: 22px; font-weight: bold; background: white;"
        " border: 2px solid #c01818; }"
        "QTextEdit { background: white; border: 1px solid #8aa6cc; }");

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(12, 10, 12, 12);
    auto* top = new QHBoxLayout;
    Button2 = new QPushButton(central);
    Button2->setObjectName("folder");
    Button2->setToolTip(QString::fromUtf8("按此可打开考生文件夹"));
    BitBtn1 = new QPushButton(central);
    BitBtn1->setObjectName("clock");
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    BitBtn1->setFixedWidth(130);
    top->addWidget(Button2, 1);
    top->addWidget(BitBtn1);
    layout->addLayout(top);

    auto* kinds = new QHBoxLayout;
    Button3 = new QPushButton(QString::fromUtf8("Win操作"), central);
    Button4 = new QPushButton(QString::fromUtf8("选择题"), central);
    Button5 = new QPushButton(QString::fromUtf8("录入题"), central);
    Button1 = new QPushButton(QString::fromUtf8("Word题"), central);
    for (QPushButton* b : {Button3, Button4, Button5, Button1}) {
        b->setMinimumHeight(40);
        kinds->addWidget(b);
    }
    layout->addLayout(kinds);
    Memo1 = new QTextEdit(central);
    Memo1->setReadOnly(true);
    Memo1->setFont(pixelFont(20));
    layout->addWidget(Memo1, 1);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });

    QMenu* items = menuBar()->addMenu(QString::fromUtf8("考试项目(&I)"));
    items->addAction(QString::fromUtf8("选择题(&S)"), this, [this] { N2Click(); });
    items->addAction(QString::fromUtf8("录入题(&D)"), this, [this] { N3Click(); });
    N4 = menuBar()->addMenu(QString::fromUtf8("评分(&P)"));
    N4->addAction(QString::fromUtf8("Win题(&N)"), this, [this] { WIN1Click(); });
    N4->addAction(QString::fromUtf8("选择题(&S)"), this, [this] { N5Click(); });
    N4->addAction(QString::fromUtf8("打字题(&D)"), this, [this] { N10Click(); });
    N4->addAction(QString::fromUtf8("Word题(&W)"), this, [this] { Word2Click(); });
    N4->addAction(QString::fromUtf8("全部评分(&A)"), this, [this] { N9Click(); });
    QMenu* about = menuBar()->addMenu(QString::fromUtf8("关于(&A)"));
    about->addAction(QString::fromUtf8("版本(&V)"), this, [this] { N8Click(); });

    logic_.showFolder = [this](const std::filesystem::path& folder) {
        if (!fileManager_) {
            fileManager_ = new files::FileManagerWindow(app_.client().dialogs(), folder, logic_.candidateFolder());
            fileManager_->openFile = [this](const std::filesystem::path& file) {
                app_.run([this, file] { logic_.openDocument(file); });
            };
        }
        fileManager_->show();
        fileManager_->raise();
        fileManager_->activateWindow();
    };

    const QRect screen = QApplication::primaryScreen()->geometry();
    setGeometry(screen.adjusted(0, 34, 0, 0));
    refresh();
}

void TForm5::run(void (ExamShell::*handler)()) { app_.run([this, handler] { (logic_.*handler)(); }); }

void TForm5::Button1Click() { run(&ExamShell::Button1Click); }
void TForm5::Button2Click() { run(&ExamShell::Button2Click); }
void TForm5::Button3Click() { run(&ExamShell::Button3Click); }
void TForm5::Button4Click() { run(&ExamShell::Button4Click); }
void TForm5::Button5Click() { run(&ExamShell::Button5Click); }
void TForm5::WIN1Click() { run(&ExamShell::WIN1Click); }
void TForm5::N5Click() { run(&ExamShell::N5Click); }
void TForm5::N10Click() { run(&ExamShell::N10Click); }
void TForm5::Word2Click() { run(&ExamShell::Word2Click); }
void TForm5::N9Click() { run(&ExamShell::N9Click); }
void TForm5::N8Click() { run(&ExamShell::N8Click); }

void TForm5::N2Click() {
    app_.run([this] {
        if (!form7_) {
            DataModule& dm = app_.client().data();
            form7_ = new TForm7({dm.ADOTable_ct(), dm.ADOTable_student(), dm.ADOTable_selecttest(), dm.ADOTable_Tstate()},
                                app_.client().gate(), nullptr);
            logic_.choiceAnswers = [this] {
                return ChoiceAnswers{form7_->logic().sel_correct(), form7_->logic().sel_given()};
            };
        }
        form7_->show();
    });
}

void TForm5::N3Click() {
    app_.run([this] {
        if (!form9_) {
            Client& client = app_.client();
            DataModule& dm = client.data();
            form9_ = new TForm9(dm.studentConnection(), dm.ADOTable_student(), dm.ADOTable_ct(), client.zkzh,
                                client.gate(),
                                {kav::candidateFolderName(client.zkzh), client.workingFolder(),
                                 kav::platform::resolve("c:\\kavtmp")});
            logic_.saveTyping = [this] { form9_->saveForGrading(); };
        }
        form9_->show();
    });
}

void TForm5::closeEvent(QCloseEvent* e) {
    // Closing the exam window hides it, as the toolbar's 隐藏题目 does.
    e->ignore();
    app_.run([this] {
        if (logic_.visible) toolbar_.SpeedButton5Click();
    });
}

void TForm5::refresh() {
    Button2->setText(q(logic_.folderCaption()));
    BitBtn1->setText(q(logic_.BitBtn1));
    QStringList lines;
    for (const std::string& line : logic_.Memo1) lines << q(line);
    const QString memo = lines.join('\n');
    if (Memo1->toPlainText() != memo) Memo1->setPlainText(memo);
    const bool closed = toolbar_.answersClosed();
    if (form7_) form7_->closeAnswers(closed);
    if (form9_) form9_->engine().closeAnswers(closed);
    N4->setEnabled(logic_.N4Enabled);
    N4->menuAction()->setEnabled(logic_.N4Enabled);
    if (logic_.visible && (!isVisible() || isMinimized())) {
        showActive(this);
    } else if (!logic_.visible && isVisible()) {
        hide();
    }
}

// ---------------------------------------------------------------- TForm4

TForm4::TForm4(KavlorApp& app, ToolbarLogic& logic)
    // A click on the toolbar leaves the keyboard where it is (the delay password
    // box); no window manager stacks it, so that it can stay above the time-up screen.
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint),
      app_(app),
      logic_(logic) {
    setToolTip(QString::fromUtf8("《计算机基础》考试系统工具栏"));
    setWindowTitle(QString::fromUtf8("《计算机基础》考试系统工具栏"));
    setAttribute(Qt::WA_StyledBackground);
    setObjectName("TForm4");
    setStyleSheet(
        "#TForm4 { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #2a6fc0, stop:1 #164f96);"
        " border: 1px solid #0b3366; }"
        "QToolButton { color: white; padding: 2px 8px; border: none; }"
        "QToolButton:hover:enabled { background: rgba(255,255,255,40); border-radius: 3px; }"
        "QToolButton:disabled { color: #9bb3d4; }"
        "QToolButton#handin { color: #ffe066; font-weight: bold; }"
        "QToolButton#mode { color: #ffd0d0; font-weight: bold; }");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 1, 4, 1);
    row->setSpacing(2);
    auto make = [this, row](const char* name = "") {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setFont(pixelFont(14, true));
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
        return b;
    };
    SpeedButton1 = make();
    SpeedButton1->setIcon(QIcon(artwork::clientIcon(24)));
    SpeedButton1->setIconSize(QSize(22, 22));
    SpeedButton6 = make("handin");
    SpeedButton6->setText(QString::fromUtf8("交卷"));
    SpeedButton2 = make();
    SpeedButton3 = make();
    SpeedButton7 = make("mode");
    SpeedButton5 = make();
    connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton6Click(); });
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });
    keepOpen(this);
    refresh();
    adjustSize();
    const QRect screen = QApplication::primaryScreen()->geometry();
    setGeometry(screen.center().x() - 270, screen.top(), 540, 32);
}

void TForm4::SpeedButton5Click() { app_.run([this] { logic_.SpeedButton5Click(); }); }
void TForm4::SpeedButton6Click() { app_.run([this] { logic_.SpeedButton6Click(); }); }

bool TForm4::event(QEvent* e) {
    if (isAltF4(e)) return true;  // the toolbar sees keys before its controls
    return QWidget::event(e);
}

void TForm4::refresh() {
    SpeedButton2->setText(q(logic_.SpeedButton2));
    SpeedButton3->setText(q(logic_.SpeedButton3));
    SpeedButton7->setText(q(logic_.SpeedButton7()));
    SpeedButton5->setText(q(logic_.SpeedButton5()));
    SpeedButton5->setEnabled(logic_.SpeedButton5Enabled);
    if (logic_.visible && !isVisible()) show();
    // The toolbar stays usable above the time-up screen, in either of its forms.
    const int screen = static_cast<int>(logic_.timeUpScreen().form());
    if (screen != static_cast<int>(TimeUpLogic::Form::Hidden) && screen != screenBelow_ && isVisible()) raise();
    screenBelow_ = screen;
}

// ---------------------------------------------------------------- TForm_fullenter

TForm_fullenter::TForm_fullenter(KavlorApp& app, TimeUpLogic& logic)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), app_(app), logic_(logic) {
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_StyledBackground);
    setObjectName("TForm_fullenter");
    setStyleSheet("#TForm_fullenter { background: #10233f; }"
                  // The delay password shows "*" like the login's (the rule of the box
                  // itself does not reach it under this sheet).
                  "QLineEdit { font-size: 22px; padding: 6px; border: 2px solid #c01818; border-radius: 4px;"
                  " lineedit-password-character: 42; }"
                  "QPushButton { font-size: 18px; padding: 6px 24px; border-radius: 4px; background: #f0f0f0; }");
    coverScreen(this);
    keepOpen(this);
    auto red = [this](const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setFont(pixelFont(40, true));
        l->setStyleSheet("color: #ff3030;");
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(0, 180, 800, 70);
        return l;
    };
    Label1 = red("时间到！请输入延时密码！");
    Label2 = red("正在收分！请稍候...");
    Edit1 = new QLineEdit(this);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setGeometry(250, 290, 300, 46);
    BitBtn1 = new QPushButton(QString::fromUtf8("确定"), this);
    BitBtn1->setGeometry(340, 360, 120, 44);
    BitBtn2 = new QPushButton(QString::fromUtf8("确定"), this);
    BitBtn2->hide();
    Edit3 = new QLineEdit(this);
    Edit3->setGeometry(0, 0, 1, 1);
    Edit3->setStyleSheet("border: none; background: transparent;");
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { BitBtn1Click(); });
    grab_ = new ScreenGrab(this);
    grab_->keptAbove = [this]() -> QWidget* { return app_.Form4(); };  // the toolbar stays usable above the screen
}

void TForm_fullenter::BitBtn1Click() {
    logic_.Edit1 = s(Edit1->text());
    app_.run([this] { logic_.BitBtn1Click(); });
}

void TForm_fullenter::refresh() {
    const auto form = logic_.form();
    const bool password = form == TimeUpLogic::Form::Password;
    const bool collecting = form == TimeUpLogic::Form::Collecting;
    if (static_cast<int>(form) != shownForm_) {
        shownForm_ = static_cast<int>(form);
        Label1->setVisible(password);
        Edit1->setVisible(password);
        Edit1->setEnabled(password);
        BitBtn1->setVisible(password);
        BitBtn1->setEnabled(password);
        Label2->setVisible(collecting);
        BitBtn2->hide();
        if (password) Edit1->setText(q(logic_.Edit1));
        if (form == TimeUpLogic::Form::Hidden) {
            hide();
        } else {
            // Covers the screen in the toolbar's own layer (not as a window
            // manager's full-screen window, which would cover the toolbar).
            coverScreen(this);
            showActive(this, password ? static_cast<QWidget*>(Edit1) : Edit3);
            grab_->hold();
        }
    }
}

bool TForm_fullenter::inputHeld() const { return grab_->held(); }

void TForm_fullenter::showEvent(QShowEvent*) { app_.tabBlocker().setActive(true); }

void TForm_fullenter::hideEvent(QHideEvent* e) {
    // A minimise by another program (a spontaneous hide) is undone by the
    // grab's keeping up: only the client's own hide lets go.
    if (e->spontaneous()) return;
    grab_->release();
    app_.tabBlocker().setActive(false);
}

}  // namespace kavlor
