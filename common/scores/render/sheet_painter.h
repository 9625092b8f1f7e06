#pragma once
// The printed score sheet painted with QPainter on a paged device: a PDF file
// or a printer. Needs a QGuiApplication (fonts); no widgets.
#include <QFont>
#include <QPagedPaintDevice>
#include <filesystem>
#include <vector>

#include "common/scores/item_stats.h"
#include "common/scores/score_rows.h"
#include "common/scores/sheet_layout.h"

namespace mendrix::scores {

// The installed font that stands for a font the sheet names.
QFont sheetFont(SheetFont font, double points, bool bold = false);

// Sets the device to A4 portrait without margins of its own (the sheet keeps
// its 10 mm) and paints every page, then a page of charts: the score
// distributions and, given the item statistics, the item chart. False when
// the device cannot be painted on.
bool paintSheet(QPagedPaintDevice& device, const std::vector<ScoreRow>& rows, const ItemStatistics* stats = nullptr);

// Makes the text of a PDF file Qt's writer painted the sheet into read as the
// names as stored (see TextMapMender), in place: the file keeps its length.
// False when the file cannot be read or written.
bool mendPdfText(const std::filesystem::path& pdfFile);

// The sheet as a PDF file, written through a temporary file; ExportError on
// failure. Its text is the names as stored.
void writeSheetPdf(const std::vector<ScoreRow>& rows, const std::filesystem::path& path,
                   const ItemStatistics* stats = nullptr);

}  // namespace mendrix::scores
