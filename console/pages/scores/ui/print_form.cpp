#include "console/pages/scores/ui/print_form.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

#include "common/scores/render/sheet_painter.h"
#include "gui/qstring.h"

namespace mendrix::scores {

void TForm_print::preview(const std::vector<ScoreRow>& rows, const ItemStatistics* stats) {
    rows_ = rows;
    stats_ = stats;
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
    paintSheet(*printer, rows_, stats_);
}

}  // namespace mendrix::scores
