#include "client/screens/choice/ui/tform8.h"

#include <QVBoxLayout>

namespace kavlor {

TForm8::TForm8(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("Form8");
    setWindowTitle("本题相应图形");
    setFont(QFont("Noto Sans CJK SC", 10));
    resize(420, 320);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(1, 1);
    Image1->setStyleSheet("QLabel { background: white; color: #7a2020; }");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
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
