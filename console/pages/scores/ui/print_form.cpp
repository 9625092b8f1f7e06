#include "console/pages/scores/ui/print_form.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

#include "common/scores/render/sheet_painter.h"

namespace mendrix::scores {

void TForm_print::preview(const std::vector<ScoreRow>& rows) {
    rows_ = rows;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);  // the sheet keeps its own 10 mm margins
    printer.setDocName(QString::fromUtf8(kSheetTitle.data(), kSheetTitle.size()));
    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setObjectName("Form_print");
    dialog.setWindowTitle(QString::fromUtf8(kSheetTitle.data(), kSheetTitle.size()));
    dialog.resize(900, 760);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* p) { paint(p); });
    dialog.exec();
}

void TForm_print::paint(QPrinter* printer) {
    printer->setFullPage(true);
    paintSheet(*printer, rows_);
}

}  // namespace mendrix::scores
