#include "client/screens/typing/ui/tform9.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "gui/kiosk.h"

namespace kavlor {

using kav::typing::Key;

namespace {
// A label is set only when its text changes: an unchanged one costs no
// layout and no repaint.
void setLabelText(QLabel* label, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (label->text() != t) label->setText(t);
}
}  // namespace

TForm9::TForm9(kav::db::Connection& stu, kav::db::Cursor& student, kav::db::Cursor& ct, const std::string& zkzh,
               kav::ui::EventGate& gate, kav::typing::TypingPlace place, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      gate_(gate),
      ownRecord_(std::make_unique<kav::typing::CursorTypingRecord>(stu, student, ct, zkzh)) {
    engine_ = std::make_unique<kav::typing::TypingEngine>(*ownRecord_, gate.clock(), gate.dialogs(), std::move(place));
    build();
}

TForm9::TForm9(kav::typing::TypingRecord& record, kav::ui::EventGate& gate, kav::typing::TypingPlace place,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      gate_(gate),
      engine_(std::make_unique<kav::typing::TypingEngine>(record, gate.clock(), gate.dialogs(), std::move(place))) {
    build();
}

TForm9::~TForm9() {
    qApp->removeEventFilter(this);
    engine_->onChanged = nullptr;
}

void TForm9::build() {
    setObjectName("TForm9");
    setWindowTitle(QString::fromUtf8("打字系统"));
    kav::gui::coverScreen(this);
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(13);
    setFont(f);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(212, 208, 200));
    setPalette(pal);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    Label_title = new QLabel(QString::fromUtf8("《计算机等级考试一级B》模拟系统Kavlor V1.0==> 打字系统v1.0"));
    Label_title->setObjectName("Label_title");
    Label_title->setStyleSheet("background: #0a246a; color: white; padding: 4px; font-weight: bold;");
    outer->addWidget(Label_title);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 0, 6, 6);
    outer->addLayout(body, 1);
    Edit1 = new TypingPage(*engine_, gate_, this);
    body->addWidget(Edit1, 0, Qt::AlignTop);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    body->addLayout(side, 1);
    auto label = [](const char* name) {
        auto* l = new QLabel;
        l->setObjectName(name);
        return l;
    };
    auto* candidate = new QGroupBox(QString::fromUtf8("考生情况"));
    auto* cl = new QVBoxLayout(candidate);
    cl->setSpacing(2);
    cl->addWidget(Label_xm = label("Label_xm"));
    cl->addWidget(Label_kh = label("Label_kh"));
    side->addWidget(candidate);

    auto* stats = new QGroupBox(QString::fromUtf8("打字情况"));
    auto* sl = new QVBoxLayout(stats);
    sl->setSpacing(2);
    sl->addWidget(Label_total = label("Label_total"));
    sl->addWidget(Label_right = label("Label_right"));
    sl->addWidget(Label_wrong = label("Label_wrong"));
    sl->addWidget(Label_accuracy = label("Label_accuracy"));
    sl->addWidget(Label_speed = label("Label_speed"));
    side->addWidget(stats);

    auto* where = new QGroupBox(QString::fromUtf8("当前位置"));
    auto* wl = new QHBoxLayout(where);
    wl->addWidget(Label_page = label("Label_page"));
    wl->addWidget(Label_line = label("Label_line"));
    side->addWidget(where);

    auto* keys = new QGroupBox(QString::fromUtf8("快捷键"));
    auto* kl = new QVBoxLayout(keys);
    kl->setSpacing(2);
    auto* insertRow = new QHBoxLayout;
    SpeedButton2 = new QPushButton(QString::fromUtf8("插入"));
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton2->setCheckable(true);
    SpeedButton2->setChecked(true);
    SpeedButton2->setFlat(true);
    insertRow->addWidget(SpeedButton2);
    insertRow->addWidget(new QLabel(QString::fromUtf8("/改写：")));
    SpeedButton1 = new QPushButton("Ins");
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setCheckable(true);
    // Down (insert mode) must be plain to see: dark and sunken, not a shade of grey.
    SpeedButton1->setStyleSheet("QPushButton { border: 2px outset #f0f0f0; background: #e8e8e8; padding: 2px 8px; }"
                                "QPushButton:checked { border: 2px inset #404040; background: #0a246a; color: white; }");
    insertRow->addWidget(SpeedButton1);
    insertRow->addStretch();
    kl->addLayout(insertRow);
    for (const char* legend : {"向上下:↑↓", "向左右:←→", "翻页:pgdn/pgup", "前删:Backspace", "后删:Del"})
        kl->addWidget(new QLabel(QString::fromUtf8(legend)));
    side->addWidget(keys);
    side->addStretch();
    BitBtn1 = new QPushButton(QString::fromUtf8("存盘退出"));
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setMinimumHeight(36);
    side->addWidget(BitBtn1);

    // The buttons never take the focus from the page.
    for (QPushButton* b : {SpeedButton1, SpeedButton2, BitBtn1}) b->setFocusPolicy(Qt::NoFocus);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });

    engine_->onChanged = [this] { refresh(); };
    refresh();
}

void TForm9::refresh() {
    setLabelText(Label_xm, engine_->nameLabel());
    setLabelText(Label_kh, engine_->numberLabel());
    setLabelText(Label_total, engine_->totalLabel());
    setLabelText(Label_right, engine_->rightLabel());
    setLabelText(Label_wrong, engine_->wrongLabel());
    setLabelText(Label_accuracy, engine_->accuracyLabel());
    setLabelText(Label_speed, engine_->speedLabel());
    setLabelText(Label_page, engine_->pageLabel());
    setLabelText(Label_line, engine_->lineLabel());
    SpeedButton1->setChecked(engine_->insertMode());
    Edit1->refresh();
}

void TForm9::BitBtn1Click() {
    gate_.handle([this] {
        if (engine_->saveAndQuit()) hide();
    });
}

void TForm9::saveForGrading() {
    gate_.handle([this] {
        engine_->saveForGrading();
        if (isVisible()) engine_->shown();  // a screen left open goes on with a new period
    });
}

void TForm9::SpeedButton1Click() {
    gate_.handle([this] { engine_->press(Key::Insert); });
}

void TForm9::SpeedButton2Click() { SpeedButton2->setChecked(true); }

void TForm9::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    qApp->installEventFilter(this);
    gate_.handle([this] { engine_->shown(); });
    kav::gui::showActive(this, Edit1);
}

void TForm9::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    qApp->removeEventFilter(this);
    gate_.handle([this] { engine_->hidden(); });
}

// The screen cannot be closed by the candidate; "存盘退出" hides it.
void TForm9::closeEvent(QCloseEvent* e) { e->ignore(); }

// While the screen is shown: Tab does nothing in any window of the client, and
// Alt+F4 does not reach the window.
bool TForm9::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Tab && k->modifiers() == Qt::NoModifier) return true;
        if (k->key() == Qt::Key_F4 && (k->modifiers() & Qt::AltModifier)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kavlor
