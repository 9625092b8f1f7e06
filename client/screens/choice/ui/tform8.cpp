#include "client/screens/choice/ui/tform8.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace kavlor {

// Frameless with a title strip and a close button of its own, so that it looks
// and closes the same with or without a window manager.
TForm8::TForm8(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("Form8");
    setWindowTitle("本题相应图形");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("#Form8 { background: white; border: 1px solid #0a246a; }"
                  "QLabel#caption { background: #0a246a; color: white; padding: 3px 6px; font-weight: bold; }"
                  "QToolButton#close { background: #0a246a; color: white; border: none; padding: 0 8px; }"
                  "QToolButton#close:hover { background: #c42b1c; }");
    setFont(QFont("Noto Sans CJK SC", 10));
    resize(420, 320);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(1, 1);
    Image1->setStyleSheet("QLabel { background: white; color: #7a2020; }");
    auto* caption = new QLabel(windowTitle());
    caption->setObjectName("caption");
    auto* close = new QToolButton;
    close->setObjectName("close");
    close->setText("×");
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    auto* strip = new QHBoxLayout;
    strip->setSpacing(0);
    strip->addWidget(caption, 1);
    strip->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addLayout(strip);
    layout->addWidget(Image1, 1);
}

void TForm8::setPicture(const kav::db::Blob& bytes) {
    if (bytes == bytes_ && !bytes.empty()) return;  // the same question's picture is up already
    bytes_ = bytes;
    picture_ = QPixmap();
    if (!bytes.empty() && !picture_.loadFromData(bytes.data(), static_cast<uint>(bytes.size()))) {
        Image1->setPixmap(QPixmap());
        Image1->setText("本题图形数据已损坏，无法显示。");
        return;
    }
    Image1->setText(QString());
    if (!picture_.isNull()) {
        // Large enough for the picture, within the 800 × 600 screen.
        resize(std::clamp(picture_.width(), 240, 760), std::clamp(picture_.height(), 160, 540));
    }
    fit();
}

void TForm8::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit();
}

void TForm8::fit() {
    if (picture_.isNull()) {
        Image1->setPixmap(QPixmap());
        return;
    }
    const QSize room = Image1->size();
    bool fits = picture_.width() <= room.width() && picture_.height() <= room.height();
    Image1->setPixmap(fits ? picture_ : picture_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace kavlor
