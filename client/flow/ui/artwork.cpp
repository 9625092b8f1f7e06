#include "client/flow/ui/artwork.h"

#include <QApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace kavlor::artwork {

namespace {

const QString kFamily = QStringLiteral("Noto Sans CJK SC");

QFont font(int pixelSize, bool bold = false) {
    QFont f(kFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// A stylised monitor with a check mark: the client's emblem.
void drawEmblem(QPainter& p, QRectF r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = r.width();
    QRectF screen(r.left() + w * 0.08, r.top() + w * 0.1, w * 0.84, w * 0.58);
    p.setPen(QPen(QColor(255, 255, 255), w * 0.05));
    p.setBrush(QColor(30, 90, 170));
    p.drawRoundedRect(screen, w * 0.06, w * 0.06);
    p.drawLine(QPointF(r.center().x(), screen.bottom()), QPointF(r.center().x(), r.top() + w * 0.82));
    p.drawLine(QPointF(r.left() + w * 0.28, r.top() + w * 0.85), QPointF(r.right() - w * 0.28, r.top() + w * 0.85));
    QPainterPath tick;
    tick.moveTo(screen.left() + screen.width() * 0.25, screen.top() + screen.height() * 0.52);
    tick.lineTo(screen.left() + screen.width() * 0.44, screen.top() + screen.height() * 0.72);
    tick.lineTo(screen.left() + screen.width() * 0.76, screen.top() + screen.height() * 0.3);
    p.setPen(QPen(QColor(255, 210, 60), w * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    p.restore();
}

}  // namespace

void applyClientFont() {
    QFont f(kFamily);
    f.setPointSize(10);
    QApplication::setFont(f);
}

QPixmap clientIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.3, size * 0.3, size);
    g.setColorAt(0, QColor(70, 150, 230));
    g.setColorAt(1, QColor(10, 50, 120));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    drawEmblem(p, QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8));
    return pm;
}

QPixmap splash(QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, size.height());
    bg.setColorAt(0, QColor(8, 40, 100));
    bg.setColorAt(0.6, QColor(20, 90, 170));
    bg.setColorAt(1, QColor(90, 160, 220));
    p.fillRect(pm.rect(), bg);
    // Soft circles in the background.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor(255, 255, 255, 12 + i * 3));
        const int r = size.width() / (3 + i);
        p.drawEllipse(QPoint(size.width() - r / 2 - i * 40, size.height() / 4 + i * 30), r, r);
    }
    const int w = size.width(), h = size.height();
    drawEmblem(p, QRectF(w * 0.5 - h * 0.11, h * 0.12, h * 0.22, h * 0.22));
    p.setPen(QColor(255, 255, 255));
    p.setFont(font(h / 14, true));
    p.drawText(QRect(0, int(h * 0.38), w, h / 10), Qt::AlignCenter, QString::fromUtf8("计算机等级考试一级B"));
    p.setFont(font(h / 24));
    p.drawText(QRect(0, int(h * 0.49), w, h / 14), Qt::AlignCenter, QString::fromUtf8("模拟考试系统  Kavlor V1.0"));
    p.setPen(QPen(QColor(255, 210, 60), 2));
    p.drawLine(int(w * 0.3), int(h * 0.58), int(w * 0.7), int(h * 0.58));
    p.setPen(QColor(225, 235, 250));
    p.setFont(font(h / 36));
    p.drawText(QRect(0, int(h * 0.61), w, h / 12), Qt::AlignCenter,
               QString::fromUtf8("Windows操作 · 汉字录入 · 选择题 · Word操作"));
    p.setFont(font(h / 32, true));
    p.setPen(QColor(255, 230, 120));
    p.drawText(QRect(0, int(h * 0.8), w, h / 12), Qt::AlignCenter, QString::fromUtf8("单击鼠标或按任意键进入考生登录"));
    return pm;
}

QPixmap instructionsBackground(QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    QLinearGradient bg(0, 0, size.width(), size.height());
    bg.setColorAt(0, QColor(232, 241, 252));
    bg.setColorAt(1, QColor(198, 219, 244));
    p.fillRect(pm.rect(), bg);
    QLinearGradient band(0, 0, 0, size.height() * 0.16);
    band.setColorAt(0, QColor(12, 60, 130));
    band.setColorAt(1, QColor(30, 100, 180));
    p.fillRect(QRect(0, 0, size.width(), int(size.height() * 0.16)), band);
    p.setRenderHint(QPainter::Antialiasing);
    drawEmblem(p, QRectF(20, size.height() * 0.02, size.height() * 0.12, size.height() * 0.12));
    p.setPen(Qt::white);
    p.setFont(font(size.height() / 22, true));
    p.drawText(QRect(int(size.height() * 0.16), 0, size.width(), int(size.height() * 0.16)),
               Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8("考 生 须 知"));
    return pm;
}

QPixmap photo(QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, size.height());
    bg.setColorAt(0, QColor(120, 170, 225));
    bg.setColorAt(1, QColor(60, 110, 180));
    p.fillRect(pm.rect(), bg);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 245, 252));
    const qreal w = size.width(), h = size.height();
    p.drawEllipse(QPointF(w / 2, h * 0.38), w * 0.2, w * 0.2);
    p.drawRoundedRect(QRectF(w * 0.18, h * 0.62, w * 0.64, h * 0.5), w * 0.3, w * 0.3);
    p.setPen(QPen(QColor(30, 60, 110), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pm.rect().adjusted(1, 1, -2, -2));
    return pm;
}

}  // namespace kavlor::artwork
