#include "common/scores/render/sheet_painter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include "common/scores/export_writers.h"

namespace mendrix::scores {

namespace {
QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Millimetres on the page to device pixels, from the page's top left corner.
class PageScale {
public:
    explicit PageScale(const QPaintDevice& device) : perMm_(device.logicalDpiX() / 25.4) {}
    double px(double mm) const { return mm * perMm_; }
    double mm(double px) const { return px / perMm_; }
    QRectF rect(double left, double top, double width, double height) const {
        return {px(left), px(top), px(width), px(height)};
    }

private:
    double perMm_;
};

class SheetPainter {
public:
    SheetPainter(QPainter& painter, const PageScale& scale) : p_(painter), s_(scale) {
        QPen pen(Qt::black);
        pen.setWidthF(s_.px(0.2));
        p_.setPen(pen);
    }

    void title(double top) {
        p_.setFont(sheetFont(SheetFont::LiShu, g_.titlePoints, true));
        p_.drawText(s_.rect(g_.margin + g_.titleLeft, top, g_.titleRight - g_.titleLeft, g_.titleHeight),
                    Qt::AlignCenter, q(kSheetTitle));
    }

    void header(double top) {
        frame(top, g_.headerHeight);
        p_.setFont(sheetFont(SheetFont::SimSun, g_.headerPoints));
        for (int c = 0; c < kScoreFieldCount; ++c) p_.drawText(cell(c, top, g_.headerHeight), Qt::AlignCenter, q(kSheetHeaders[c]));
    }

    void detail(double top, const ScoreRow& row) {
        frame(top, g_.detailHeight);
        const auto texts = fieldTexts(row);
        for (int c = 0; c < kScoreFieldCount; ++c) detailCell(c, top, texts[c]);
    }

private:
    QRectF cell(int c, double top, double height) const {
        return s_.rect(g_.margin + g_.cellEdges[c], top, g_.cellWidth(c), height);
    }

    // The row's rectangle and the lines between its cells.
    void frame(double top, double height) {
        p_.drawRect(s_.rect(g_.margin + g_.cellEdges.front(), top, g_.cellEdges.back() - g_.cellEdges.front(), height));
        for (int c = 1; c < kScoreFieldCount; ++c) {
            const double x = s_.px(g_.margin + g_.cellEdges[c]);
            p_.drawLine(QPointF(x, s_.px(top)), QPointF(x, s_.px(top + height)));
        }
    }

    void detailCell(int c, double top, const std::string& text) {
        const SheetFont face = detailFont(text);
        const MeasureText width = [&](const std::string& t, double points) {
            return s_.mm(QFontMetricsF(sheetFont(face, points), p_.device()).horizontalAdvance(q(t)));
        };
        const FittedText fitted = fitCellText(text, g_.cellWidth(c), g_.detailHeight, g_.detailPoints, width);
        const QFont font = sheetFont(face, fitted.points);
        p_.setFont(font);
        const double lineHeight = fitted.points * kLineSpacing * kMmPerPoint;
        const QRectF box = cell(c, top, g_.detailHeight);
        double y = s_.mm(box.center().y()) - lineHeight * fitted.lines.size() / 2;
        for (const std::string& line : fitted.lines) {
            // Each line centred in its own strip, condensed about the cell's centre when it must be.
            p_.save();
            p_.translate(box.center().x(), 0);
            p_.scale(fitted.stretch, 1.0);
            const double w = box.width() / fitted.stretch;
            p_.drawText(QRectF(-w / 2, s_.px(y), w, s_.px(lineHeight)), Qt::AlignCenter, q(line));
            p_.restore();
            y += lineHeight;
        }
    }

    QPainter& p_;
    const PageScale& s_;
    const SheetGeometry& g_ = sheetGeometry();
};
}  // namespace

QFont sheetFont(SheetFont font, double points, bool bold) {
    QFont f;
    f.setFamily(q(fontChoice(font).installed));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

bool paintSheet(QPagedPaintDevice& device, const std::vector<ScoreRow>& rows) {
    const SheetGeometry& g = sheetGeometry();
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const PageScale scale(device);
    SheetPainter sheet(painter, scale);
    bool firstPage = true;
    for (const SheetPage& page : paginate(static_cast<int>(rows.size()))) {
        if (!firstPage) device.newPage();
        firstPage = false;
        double top = g.margin;
        if (page.hasTitle) {
            sheet.title(top);
            top += g.titleHeight;
        }
        sheet.header(top);
        top += g.headerHeight;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r, top += g.detailHeight) sheet.detail(top, rows[r]);
    }
    return painter.end();
}

void writeSheetPdf(const std::vector<ScoreRow>& rows, const std::filesystem::path& path) {
    replaceFile(path, [&](const std::filesystem::path& temporary) {
        QPdfWriter writer(QString::fromStdString(temporary.string()));
        writer.setResolution(600);
        writer.setTitle(q(kSheetTitle));
        writer.setCreator(QStringLiteral("Mendrix"));
        if (!paintSheet(writer, rows) || std::filesystem::file_size(temporary) == 0)
            throw ExportError("无法写入文件 " + path.string());
    });
}

}  // namespace mendrix::scores
