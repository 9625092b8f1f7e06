#pragma once
// TForm_print: the score sheet in Qt's print preview, where the teacher pages
// through it and prints it on a printer of the system (or to a PDF file).
#include <QWidget>
#include <vector>

#include "common/scores/item_stats.h"
#include "common/scores/score_rows.h"

class QPrinter;

namespace mendrix::scores {

class TForm_print {
public:
    explicit TForm_print(QWidget* parent) : parent_(parent) {}
    // Opens the preview of these rows (with their charts) and waits until it is closed.
    void preview(const std::vector<ScoreRow>& rows, const ItemStatistics* stats);
    // The rows (and statistics, kept by the caller) the next paint shows.
    void show(const std::vector<ScoreRow>& rows, const ItemStatistics* stats) {
        rows_ = rows;
        stats_ = stats;
    }

    // What the preview's paint request does: the sheet on the printer; when
    // the printer writes a PDF file, its text is then mended to the names as stored.
    void paint(QPrinter* printer);

private:
    QWidget* parent_;
    std::vector<ScoreRow> rows_;
    const ItemStatistics* stats_ = nullptr;
};

}  // namespace mendrix::scores
