#include "common/scores/render/chart_painter.h"

#include <QFontMetricsF>
#include <algorithm>

#include "common/scores/render/sheet_painter.h"

namespace mendrix::scores {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The chart's font at a size that is `share` of the box's shorter side.
void useFont(QPainter& p, const QRectF& box, double share, bool bold = false) {
    QFont font = sheetFont(SheetFont::SimSun, 10, bold);
    font.setPixelSize(std::max(6, static_cast<int>(std::min(box.width(), box.height()) * share)));
    p.setFont(font);
}

void usePen(QPainter& p, const QRectF& box, const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(colour);
    pen.setWidthF(std::max(1.0, box.height() / 250));
    pen.setStyle(style);
    p.setPen(pen);
}

}  // namespace

void paintHistogram(QPainter& p, const QRectF& box, const Histogram& h) {
    p.save();
    const double titleH = box.height() * 0.16, labelH = box.height() * 0.12, left = box.width() * 0.04;
    useFont(p, box, 0.11, true);
    usePen(p, box, Qt::black);
    QString title = q(h.title);
    if (h.empty) title += q("（" + std::to_string(h.empty) + " 人无成绩）");
    p.drawText(QRectF(box.left(), box.top(), box.width(), titleH), Qt::AlignCenter, title);
    const QRectF plot(box.left() + left, box.top() + titleH * 1.4, box.width() - 2 * left, box.height() - titleH * 1.4 - labelH);
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    const double barW = plot.width() / static_cast<double>(h.counts.size());
    const int largest = std::max(1, h.largest());
    useFont(p, box, 0.085);
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        const double x = plot.left() + barW * static_cast<double>(i);
        const double barH = plot.height() * 0.85 * h.counts[i] / largest;
        if (h.counts[i] > 0) {
            const QRectF bar(x + barW * 0.1, plot.bottom() - barH, barW * 0.8, barH);
            p.fillRect(bar, QColor(0x35, 0x84, 0xe4));
            p.drawText(QRectF(x, bar.top() - labelH, barW, labelH), Qt::AlignHCenter | Qt::AlignBottom,
                       QString::number(h.counts[i]));
        }
        if (i % 2 == 0 || i + 1 == h.counts.size()) {
            const int edge = static_cast<int>(i + (i + 1 == h.counts.size() ? 1 : 0)) * h.binWidth;
            const double ex = i + 1 == h.counts.size() ? plot.right() : x;
            p.drawText(QRectF(ex - barW, plot.bottom(), 2 * barW, labelH), Qt::AlignHCenter | Qt::AlignTop,
                       QString::number(edge));
        }
    }
    p.restore();
}

void paintItemChart(QPainter& p, const QRectF& box, const std::vector<ItemPoint>& points, const std::string& emptyText) {
    p.save();
    const double titleH = box.height() * 0.08, axisH = box.height() * 0.1, left = box.width() * 0.12;
    useFont(p, box, 0.045, true);
    usePen(p, box, Qt::black);
    p.drawText(QRectF(box.left(), box.top(), box.width(), titleH), Qt::AlignCenter,
               q("选择题：答对率与区分度（红色为有标记的题）"));
    const QRectF plot(box.left() + left, box.top() + titleH * 1.3, box.width() - left * 1.3,
                      box.height() - titleH * 1.3 - axisH);
    const auto at = [&](double facility, double discrimination) {
        return QPointF(plot.left() + plot.width() * std::clamp(facility, 0.0, 1.0),
                       plot.top() + plot.height() * (1 - (std::clamp(discrimination, -1.0, 1.0) + 1) / 2));
    };
    p.drawRect(plot);
    useFont(p, box, 0.035);
    const double tick = box.height() * 0.04;
    for (double f : {0.0, 0.5, 1.0}) {
        const QPointF pt = at(f, -1);
        p.drawText(QRectF(pt.x() - tick * 2, pt.y(), tick * 4, tick), Qt::AlignCenter, QString::number(f));
    }
    for (double d : {-1.0, 0.0, 1.0}) {
        const QPointF pt = at(0, d);
        p.drawText(QRectF(box.left(), pt.y() - tick / 2, left - tick / 3, tick), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(d));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + tick, plot.width(), axisH - tick), Qt::AlignCenter, q("答对率"));
    p.save();
    p.translate(box.left() + tick * 0.6, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -tick, plot.height(), tick * 2), Qt::AlignCenter, q("区分度"));
    p.restore();
    usePen(p, box, Qt::gray);
    p.drawLine(at(0, 0), at(1, 0));
    usePen(p, box, Qt::gray, Qt::DashLine);
    p.drawLine(at(0, 0.2), at(1, 0.2));
    const double r = std::max(2.0, box.height() / 80);
    for (const ItemPoint& point : points) {
        const QColor colour = point.flagged ? QColor(0xc0, 0x1c, 0x28) : QColor(0x1a, 0x5f, 0xb4);
        p.setPen(colour);
        p.setBrush(colour);
        const QPointF c = at(point.facility, point.discrimination);
        p.drawEllipse(c, r, r);
        if (point.flagged)
            p.drawText(QRectF(c.x() + r, c.y() - tick, tick * 3, tick), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::number(point.position));
    }
    if (points.empty()) {
        p.setPen(Qt::darkGray);
        // Above the lines, in the upper part of the plot.
        p.drawText(QRectF(plot.left() + tick, plot.top(), plot.width() - 2 * tick, plot.height() * 0.35),
                   Qt::AlignCenter | Qt::TextWordWrap, q(emptyText));
    }
    p.restore();
}

void paintCharts(QPainter& p, const QRectF& box, const std::vector<Histogram>& histograms,
                 const std::vector<ItemPoint>& points, const std::string& emptyItemText) {
    const bool wide = box.width() > box.height();
    const QRectF items = wide ? QRectF(box.left(), box.top(), box.width() / 2, box.height())
                              : QRectF(box.left(), box.top(), box.width(), box.height() * 0.45);
    const QRectF rest = wide ? QRectF(items.right(), box.top(), box.width() / 2, box.height())
                             : QRectF(box.left(), items.bottom(), box.width(), box.height() - items.height());
    paintItemChart(p, items, points, emptyItemText);
    const double w = rest.width() / 2, h = rest.height() / 3;
    for (std::size_t i = 0; i < histograms.size() && i < 6; ++i)
        paintHistogram(p, QRectF(rest.left() + w * static_cast<double>(i % 2), rest.top() + h * static_cast<double>(i / 2), w, h),
                       histograms[i]);
}

}  // namespace mendrix::scores
