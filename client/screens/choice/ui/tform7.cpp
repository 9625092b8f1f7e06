#include "client/screens/choice/ui/tform7.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyle>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include "gui/kiosk.h"

namespace kavlor {
namespace {

using kav::choice::ChoiceScreen;
using kav::choice::Focus;
using kav::choice::Key;
using kav::choice::Modifiers;
using kav::choice::Option;

const char* const kTitle = "《计算机等级考试一级B》模拟系统Kavlor V1.0";
const char* const kFontFamily = "Noto Sans CJK SC";

Key keyOf(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Left: return Key::Left;
        case Qt::Key_Right: return Key::Right;
        case Qt::Key_Up: return Key::Up;
        case Qt::Key_Down: return Key::Down;
        case Qt::Key_PageUp: return Key::PageUp;
        case Qt::Key_PageDown: return Key::PageDown;
        case Qt::Key_F4: return Key::F4;
        case Qt::Key_Q: return Key::Q;
        default: return Key::Other;
    }
}

Modifiers modifiersOf(const QKeyEvent* e) {
    // The keypad flag of the arrow keys is no modifier key.
    const Qt::KeyboardModifiers m = e->modifiers();
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier), m.testFlag(Qt::AltModifier),
            m.testFlag(Qt::MetaModifier)};
}

QFont fontOf(int pointSize, bool bold = false) {
    QFont f(kFontFamily, pointSize);
    f.setBold(bold);
    return f;
}

const char* const kStyle = R"(
QWidget#Form7 { background: #dde7f2; }
QLabel#Panel_title {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f62a8, stop:1 #1b3d72);
  color: white; padding-left: 14px; }
QLabel#Label_hint, QLabel#Label_tip { color: #2c4a72; }
QFrame#Panel_question, QFrame#Panel_options, QFrame#Panel_buttons {
  background: white; border: 1px solid #9db2cd; border-radius: 5px; }
QTextEdit#Memo1 { background: white; border: none; color: #111; }
QLabel#Label1 { color: #1b3d72; }
QLabel.letter { color: #1b3d72; }
QRadioButton { padding: 3px; }
QLabel[option="true"] { color: #111; padding: 2px 6px; border-radius: 3px; }
QLabel[option="true"]:disabled { color: #999; }
QLabel[option="true"][selected="true"] { background: #fff4d6; }
QPushButton {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d8e1ed);
  border: 1px solid #8aa0bd; border-radius: 3px; padding: 2px 6px; }
QPushButton:hover { background: #eaf2ff; }
QPushButton:pressed { background: #c7d6ea; }
QPushButton:disabled { color: #9aa5b1; background: #eceff3; border-color: #bcc6d3; }
QPushButton#Label8 { background: #fff4d6; border-color: #c9a44a; color: #7a5200; }
QLabel#Panel1 { background: #f6f9fc; border: 1px solid #9db2cd; border-radius: 3px; padding: 2px 8px; color: #8b1a1a; }
QLabel#Panel1:disabled { color: #8d98a6; }
)";

}  // namespace

TForm7::TForm7(ChoiceScreen::Tables tables, kav::ui::EventGate& gate, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), logic_(tables), gate_(gate) {
    setObjectName("Form7");
    setWindowTitle(kTitle);
    setFont(fontOf(ChoiceScreen::kNormalPointSize));
    setStyleSheet(kStyle);
    kav::gui::coverScreen(this);
    form8_ = new TForm8(this);
    buildControls();
    refresh();
}

TForm7::~TForm7() { releaseHotKeys(); }

void TForm7::buildControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    Panel_title = new QLabel(kTitle, this);
    Panel_title->setObjectName("Panel_title");
    Panel_title->setFont(fontOf(13, true));
    Panel_title->setFixedHeight(34);
    root->addWidget(Panel_title);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 10);
    body->setSpacing(7);
    root->addLayout(body);

    auto* hint = new QLabel("单项选择题（共30题，每题1分）：请从A、B、C、D四个选项中选择一个正确答案。", this);
    hint->setObjectName("Label_hint");
    hint->setFont(fontOf(10, true));
    body->addWidget(hint);

    // The question: number, text, and the picture button below the last line.
    questionPanel_ = new QFrame(this);
    questionPanel_->setObjectName("Panel_question");
    questionPanel_->setMinimumHeight(96);  // takes the room that the options leave
    auto* q = new QHBoxLayout(questionPanel_);
    q->setContentsMargins(12, 10, 12, 10);
    Label1 = new QLabel(questionPanel_);
    Label1->setObjectName("Label1");
    Label1->setFont(fontOf(13, true));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label1->setFixedWidth(44);
    Label1->setContentsMargins(0, 4, 0, 0);
    q->addWidget(Label1);
    Memo1 = new QTextEdit(questionPanel_);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFont(fontOf(12));
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Memo1->setContextMenuPolicy(Qt::NoContextMenu);
    q->addWidget(Memo1, 1);
    Label8 = new QPushButton("如图", questionPanel_);
    Label8->setObjectName("Label8");
    Label8->setFocusPolicy(Qt::NoFocus);
    Label8->setFont(fontOf(9));
    Label8->setFixedSize(52, 22);
    Label8->hide();
    connect(Label8, &QPushButton::clicked, this, [this] { Label8Click(); });
    body->addWidget(questionPanel_, 1);

    // The options A–D, and the focus holder outside the visible part of the panel.
    auto* optionPanel = new QFrame(this);
    optionPanel->setObjectName("Panel_options");
    auto* o = new QGridLayout(optionPanel);
    o->setContentsMargins(14, 8, 14, 8);
    o->setHorizontalSpacing(6);
    o->setVerticalSpacing(2);
    auto* group = new QButtonGroup(this);
    const char* letters[] = {"A.", "B.", "C.", "D."};
    for (int i = 0; i < 4; ++i) {
        auto* letter = new QLabel(letters[i], optionPanel);
        letter->setProperty("class", "letter");
        letter->setFont(fontOf(12, true));
        o->addWidget(letter, i, 0, Qt::AlignTop);
        auto* radio = new QRadioButton(optionPanel);
        radio->setObjectName(QString("RadioButton%1").arg(i + 1));
        o->addWidget(radio, i, 1, Qt::AlignTop);
        group->addButton(radio);
        RadioButtons[i] = radio;
        // The option text wraps; a click on it selects the option.
        auto* text = new QLabel(optionPanel);
        text->setObjectName(QString("Label_option%1").arg(i + 1));
        text->setFont(fontOf(12));
        text->setWordWrap(true);
        text->setProperty("option", true);
        text->setTextFormat(Qt::PlainText);
        text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        o->addWidget(text, i, 2);
        OptionLabels[i] = text;
    }
    o->setColumnStretch(2, 1);
    RadioButton5 = new QRadioButton(optionPanel);
    RadioButton5->setObjectName("RadioButton5");
    RadioButton5->setGeometry(-60, -60, 20, 20);
    group->addButton(RadioButton5);
    connect(RadioButtons[0], &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(RadioButtons[1], &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
    connect(RadioButtons[2], &QRadioButton::clicked, this, [this] { RadioButton3Click(); });
    connect(RadioButtons[3], &QRadioButton::clicked, this, [this] { RadioButton4Click(); });
    // Beside the options: the command buttons; below them the score panel.
    auto* optionRow = new QHBoxLayout;
    optionRow->setSpacing(10);
    optionRow->addWidget(optionPanel, 1);
    auto* commands = new QVBoxLayout;
    commands->setSpacing(6);
    auto command = [this, commands](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFont(fontOf(11));
        b->setFixedSize(92, 32);
        commands->addWidget(b);
        return b;
    };
    previous = command("previous", "上一题");
    next = command("next", "下一题");
    BitBtn1 = command("BitBtn1", "评 分");
    BitBtn3 = command("BitBtn3", "关 闭");
    commands->addStretch(1);
    connect(previous, &QPushButton::clicked, this, [this] { previousClick(); });
    connect(next, &QPushButton::clicked, this, [this] { nextClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    optionRow->addLayout(commands);
    body->addLayout(optionRow);

    Panel1 = new QLabel(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFont(fontOf(10, true));
    Panel1->setWordWrap(true);
    Panel1->setFixedHeight(46);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    body->addWidget(Panel1);

    // The thirty question buttons in two rows of fifteen; each one only
    // forwards to button_any_click.
    auto* buttonPanel = new QFrame(this);
    buttonPanel->setObjectName("Panel_buttons");
    auto* grid = new QGridLayout(buttonPanel);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setSpacing(4);
    for (int n = 1; n <= kav::choice::kQuestions; ++n) {
        auto* b = new QPushButton(buttonPanel);
        b->setObjectName(QString("speedButton%1").arg(n));
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(44, 34);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        grid->addWidget(b, (n - 1) / 15, (n - 1) % 15);
        connect(b, &QPushButton::clicked, this, [this, n] { button_any_click(n); });
        speedButtons[n - 1] = b;
    }
    body->addWidget(buttonPanel);

    auto* tip = new QLabel("操作提示：←、PgUp 上一题；→、PgDn 下一题；↑、↓ 选择答案；Q 保存并关闭。"
                           "答案随时自动保存。",
                           this);
    tip->setObjectName("Label_tip");
    tip->setFont(fontOf(9));
    body->addWidget(tip);
}

void TForm7::run(const std::function<void()>& step) {
    gate_.handle(step);
    refresh();
}

void TForm7::refresh() {
    Label1->setText(QString::fromStdString(logic_.numberLabel()));
    const QString question = QString::fromStdString(logic_.questionText());
    if (Memo1->toPlainText() != question) Memo1->setPlainText(question);
    for (int i = 0; i < 4; ++i) {
        OptionLabels[i]->setText(QString::fromStdString(logic_.optionCaption(static_cast<Option>(i))));
        RadioButtons[i]->setEnabled(logic_.questionAvailable());
        OptionLabels[i]->setEnabled(logic_.questionAvailable());
        const bool selected = logic_.checkedOption() == static_cast<Option>(i);
        if (OptionLabels[i]->property("selected").toBool() != selected) {
            OptionLabels[i]->setProperty("selected", selected);
            OptionLabels[i]->style()->polish(OptionLabels[i]);
        }
    }
    const Option checked = logic_.checkedOption();
    (checked == Option::None ? RadioButton5 : RadioButtons[static_cast<int>(checked)])->setChecked(true);
    RadioButton5->setVisible(logic_.focusHolderVisible());

    for (int n = 1; n <= kav::choice::kQuestions; ++n) {
        const auto& state = logic_.button(n);
        QPushButton* b = speedButtons[n - 1];
        b->setText(QString::fromStdString(state.caption));
        b->setFont(fontOf(state.pointSize, state.pointSize == ChoiceScreen::kCurrentPointSize));
        QPalette p = b->palette();
        p.setColor(QPalette::ButtonText, state.red ? QColor(Qt::red) : palette().color(QPalette::ButtonText));
        b->setPalette(p);
    }

    BitBtn1->setEnabled(logic_.selfCheckEnabled());
    Panel1->setEnabled(logic_.selfCheckEnabled());
    Panel1->setText(QString::fromStdString(logic_.scorePanel()));

    Label8->setVisible(logic_.hasPicture());
    placePictureButton();
    if (form8_->isVisible()) form8_->setPicture(logic_.picture());

    if (isVisible()) {
        switch (logic_.focus()) {
            case Focus::QuestionText: Memo1->setFocus(); break;
            case Focus::FocusHolder: RadioButton5->setFocus(); break;
            default: RadioButtons[static_cast<int>(logic_.focus()) - static_cast<int>(Focus::OptionA)]->setFocus();
        }
        if (!logic_.visible()) {
            form8_->close();
            hide();
        }
    }
}

void TForm7::placePictureButton() {
    if (!logic_.hasPicture()) return;
    // Just below the last line of the question text, one line height per line.
    int lines = 0;
    QTextDocument* doc = Memo1->document();
    doc->setTextWidth(Memo1->viewport()->width());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        lines += block.layout() ? std::max(1, block.layout()->lineCount()) : 1;
    const int lineHeight = QFontMetrics(Memo1->font()).lineSpacing();
    const int top = Memo1->y() + static_cast<int>(doc->documentMargin()) + lines * lineHeight + 4;
    const int bottom = questionPanel_->height() - Label8->height() - 4;
    Label8->move(Memo1->x() + 4, std::min(top, bottom));
}

// --- handlers

void TForm7::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        kav::gui::showActive(this);
    }
}

void TForm7::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TForm7::closeEvent(QCloseEvent* event) { event->ignore(); }

void TForm7::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePictureButton();  // the text may wrap into another number of lines
}

void TForm7::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !logic_.visible()) return;
    // The hot keys are the screen's while it is shown, except while another
    // window of the client is the active one (the candidate may switch to the
    // typing screen without closing this one); another program never gets them.
    if (isActiveWindow()) {
        takeHotKeys();
        FormActivate();
    } else if (QApplication::activeWindow()) {
        releaseHotKeys();
    }
}

void TForm7::FormShow() {
    takeHotKeys();
    run([this] { logic_.show(); });
}

void TForm7::FormHide() {
    releaseHotKeys();
    run([this] { logic_.hide(); });
    form8_->close();
}

void TForm7::takeHotKeys() {
    if (filtering_) return;
    // Inside the client: an application-wide filter for exactly as long as the screen is shown.
    qApp->installEventFilter(this);
    filtering_ = true;
    // On an X11 display also a grab, so that no other program gets the keys.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!keyGrab_ && QGuiApplication::platformName() == "xcb" && x11 && x11->connection()) {
        xcb_connection_t* c = x11->connection();
        keyGrab_ = std::make_unique<X11KeyGrab>(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
        grabRetry_.setInterval(500);
        connect(&grabRetry_, &QTimer::timeout, this, [this] {
            if (keyGrab_->grab()) grabRetry_.stop();
        });
    }
    if (keyGrab_) {
        qApp->installNativeEventFilter(this);
        if (!keyGrab_->grab()) grabRetry_.start();
    }
}

void TForm7::releaseHotKeys() {
    if (!filtering_) return;
    qApp->removeEventFilter(this);
    filtering_ = false;
    if (keyGrab_) {
        grabRetry_.stop();
        keyGrab_->release();
        qApp->removeNativeEventFilter(this);
    }
}

void TForm7::FormActivate() { goto_pp(); }
void TForm7::goto_pp() { run([this] { logic_.goto_pp(); }); }
void TForm7::button_any_click(int number) { run([this, number] { logic_.moveTo(number); }); }
void TForm7::nextClick() { run([this] { logic_.next(); }); }
void TForm7::previousClick() { run([this] { logic_.previous(); }); }
void TForm7::RadioButton1Click() { run([this] { logic_.select(Option::A); }); }
void TForm7::RadioButton2Click() { run([this] { logic_.select(Option::B); }); }
void TForm7::RadioButton3Click() { run([this] { logic_.select(Option::C); }); }
void TForm7::RadioButton4Click() { run([this] { logic_.select(Option::D); }); }
void TForm7::BitBtn1Click() { run([this] { logic_.selfCheck(); }); }
void TForm7::BitBtn3Click() { run([this] { logic_.close(); }); }
void TForm7::Memo1Click() { run([this] { logic_.questionTextClicked(); }); }

void TForm7::Label8Click() {
    form8_->setPicture(logic_.picture());
    // Beside the question: at the right of the screen, level with the question.
    form8_->move(geometry().right() - form8_->width() - 8, questionPanel_->mapToGlobal(QPoint(0, 0)).y());
    form8_->show();
    form8_->raise();
}

void TForm7::FormKeyDown(QKeyEvent* event) {
    run([this, event] { logic_.keyDown(keyOf(event), modifiersOf(event)); });
}

bool TForm7::HotKey(QKeyEvent* event) {
    if (!logic_.isHotKey(keyOf(event), modifiersOf(event))) return false;
    run([&] { logic_.hotKey(keyOf(event), modifiersOf(event)); });
    return true;
}

bool TForm7::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool onScreen = widget && widget->window() == this;
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Keys for this screen are never taken as shortcuts of another window.
            auto* key = static_cast<QKeyEvent*>(event);
            if (onScreen || logic_.isHotKey(keyOf(key), modifiersOf(key))) event->accept();
            return false;
        }
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (HotKey(key)) return true;
            if (!onScreen) return false;
            FormKeyDown(key);
            return true;
        }
        case QEvent::FocusIn:
            if (watched == Memo1) logic_.questionTextFocused();
            return false;
        case QEvent::MouseButtonRelease:
            if (watched == Memo1->viewport()) Memo1Click();
            for (int i = 0; i < 4; ++i)
                if (watched == OptionLabels[i] && OptionLabels[i]->isEnabled()) RadioButtons[i]->click();
            return false;
        default: return false;
    }
}

bool TForm7::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!keyGrab_ || eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if (!keyGrab_->isGrabbedKeyEvent(event)) return false;
    if (auto arrow = keyGrab_->pressed(event))
        run([&] { logic_.hotKey(*arrow == X11KeyGrab::Arrow::Left ? Key::Left : Key::Right, {}); });
    return true;
}

}  // namespace kavlor
