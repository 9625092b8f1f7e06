#include "console/pages/scores/ui/print_form.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <filesystem>

#include "common/scores/render/sheet_painter.h"
#include "gui/qstring.h"

namespace mendrix::scores {

void TForm_print::preview(const std::vector<ScoreRow>& rows, const ItemStatistics* stats) {
    show(rows, stats);
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);  // the sheet keeps its own 10 mm margins
    printer.setDocName(kav::gui::q(kSheetTitle));
    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setObjectName("Form_print");
    dialog.setWindowTitle(kav::gui::q(kSheetTitle));
    dialog.resize(900, 760);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* p) { paint(p); });
    dialog.exec();
    stats_ = nullptr;
}

void TForm_print::paint(QPrinter* printer) {
    printer->setFullPage(true);
    if (!paintSheet(*printer, rows_, stats_)) return;
    // The preview paints on its own engine; a print to a file has written the file once painted.
    const std::filesystem::path file = printer->outputFileName().toStdString();
    std::error_code ec;
    if (printer->outputFormat() == QPrinter::PdfFormat && !file.empty() && std::filesystem::is_regular_file(file, ec))
        mendPdfText(file);
}

}  // namespace mendrix::scores
