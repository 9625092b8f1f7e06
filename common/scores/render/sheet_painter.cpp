#include "common/scores/render/sheet_painter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <cctype>
#include <map>
#include <optional>

#include "common/scores/export_writers.h"
#include "common/scores/render/chart_painter.h"

namespace mendrix::scores {

namespace {
QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr std::string_view kChartsTitle = "成绩分布与选择题分析";

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
// Qt's PDF writer names each glyph in a font's text map by the lowest code
// point the font draws with it. The CJK fonts draw a radical and its
// ideograph with one glyph, so 长, 一 and 黄 would read as the radicals
// U+2ED3, U+2F00 and U+2EE9, and a name could be neither copied nor found
// (and a space may read as a tab). The writer's text maps are plain CMaps of
// four-digit codes: each radical there becomes the ideograph a sheet font
// draws with the same glyph, a control character drawn as a space the space.
// Same length, so no offset in the file moves. A code inside a run
// "<first> <last> <code>" of several glyphs is left as it is.
class TextMapMender {
public:
    TextMapMender() {
        for (SheetFont f : {SheetFont::LiShu, SheetFont::SimSun, SheetFont::Arial})
            fonts_.push_back({QRawFont::fromFont(sheetFont(f, 12)), {}});
    }

    void mend(QByteArray& pdf) {
        for (qsizetype at = 0; (at = pdf.indexOf("beginbfrange", at)) >= 0;) {
            const qsizetype end = pdf.indexOf("endbfrange", at);
            if (end < 0) break;
            at = skipSpace(pdf, at + qsizetype(sizeof "beginbfrange") - 1);
            while (at < end) {
                const auto first = code(pdf, at), last = code(pdf, skipSpace(pdf, at + 6));
                if (!first || !last) break;
                at = skipSpace(pdf, skipSpace(pdf, at + 6) + 6);
                if (pdf[at] == '[') {
                    for (at = skipSpace(pdf, at + 1); at < end && pdf[at] == '<'; at = skipSpace(pdf, at + 6)) mendCode(pdf, at);
                    at = skipSpace(pdf, at + 1);  // past "]"
                } else {
                    if (*first == *last) mendCode(pdf, at);
                    at = skipSpace(pdf, at + 6);
                }
            }
            at = end;
        }
    }

private:
    struct Font {
        QRawFont raw;
        std::map<quint32, char16_t> ideographs;  // glyph → an ideograph drawn with it, filled when first needed
    };

    static quint32 glyph(const QRawFont& font, char16_t c) {
        const QChar ch(c);
        quint32 g = 0;
        int count = 1;
        return font.glyphIndexesForChars(&ch, 1, &g, &count) ? g : 0;
    }

    std::optional<char16_t> twin(char16_t code) {
        const bool radical = code >= 0x2E80 && code <= 0x2FDF;
        for (Font& font : fonts_) {
            const quint32 g = glyph(font.raw, code);
            if (!g) continue;
            if (code < 0x20 && g == glyph(font.raw, u' ')) return u' ';
            if (!radical) continue;
            if (font.ideographs.empty()) {
                for (char16_t c = 0x3400; c <= 0x9FFF; ++c)
                    if (const quint32 i = glyph(font.raw, c)) font.ideographs.emplace(i, c);
            }
            if (auto it = font.ideographs.find(g); it != font.ideographs.end()) return it->second;
        }
        return std::nullopt;
    }

    // The code of the token "<XXXX>" at `at`, when it is one of four hex digits.
    static std::optional<char16_t> code(const QByteArray& pdf, qsizetype at) {
        if (at + 6 > pdf.size() || pdf[at] != '<' || pdf[at + 5] != '>') return std::nullopt;
        bool ok = false;
        const uint value = pdf.mid(at + 1, 4).toUInt(&ok, 16);
        return ok ? std::optional<char16_t>(static_cast<char16_t>(value)) : std::nullopt;
    }

    void mendCode(QByteArray& pdf, qsizetype at) {
        if (auto c = code(pdf, at))
            if (auto t = twin(*c)) pdf.replace(at + 1, 4, QByteArray::number(*t, 16).rightJustified(4, '0').toUpper());
    }

    static qsizetype skipSpace(const QByteArray& pdf, qsizetype at) {
        while (at < pdf.size() && std::isspace(static_cast<unsigned char>(pdf[at]))) ++at;
        return at;
    }

    std::vector<Font> fonts_;
};

}  // namespace

bool paintSheet(QPagedPaintDevice& device, const std::vector<ScoreRow>& rows, const ItemStatistics* stats) {
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
    device.newPage();
    painter.setFont(sheetFont(SheetFont::SimSun, g.headerPoints, true));
    painter.drawText(scale.rect(g.margin, g.margin, 210 - 2 * g.margin, 10), Qt::AlignCenter, q(kChartsTitle));
    paintCharts(painter, scale.rect(g.margin, g.margin + 12, 210 - 2 * g.margin, 297 - 2 * g.margin - 12),
                scoreDistributions(rows), stats ? itemPoints(*stats) : std::vector<ItemPoint>{},
                emptyItemChartText(stats));
    return painter.end();
}

QFont sheetFont(SheetFont font, double points, bool bold) {
    QFont f;
    f.setFamily(q(fontChoice(font).installed));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void writeSheetPdf(const std::vector<ScoreRow>& rows, const std::filesystem::path& path, const ItemStatistics* stats) {
    replaceFile(path, [&](const std::filesystem::path& temporary) {
        QPdfWriter writer(QString::fromStdString(temporary.string()));
        writer.setResolution(600);
        writer.setTitle(q(kSheetTitle));
        writer.setCreator(QStringLiteral("Mendrix"));
        if (!paintSheet(writer, rows, stats) || std::filesystem::file_size(temporary) == 0 || !mendPdfText(temporary))
            throw ExportError("无法写入文件 " + path.string());
    });
}

bool mendPdfText(const std::filesystem::path& pdfFile) {
    QFile file(QString::fromStdString(pdfFile.string()));
    if (!file.open(QIODevice::ReadWrite)) return false;
    QByteArray pdf = file.readAll();
    TextMapMender().mend(pdf);
    return file.seek(0) && file.write(pdf) == pdf.size() && file.flush();
}

}  // namespace mendrix::scores
