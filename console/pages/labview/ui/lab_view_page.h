#pragma once
// The page 考场监控 of the console's main window: the counts, the
// collection's progress and the stations still missing above, a legend, and
// one tile a station, painted by one widget so that 400 stations stay fluent.
#include <QLabel>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "common/ui/clock.h"
#include "console/pages/labview/lab_view.h"

class QScrollArea;

namespace mendrix::labview {

// The tiles of every station, as many a row as the width takes.
class LabTiles : public QWidget {
public:
    explicit LabTiles(const LabViewModel& model, QWidget* parent = nullptr);
    // Lays out the tiles for the model's count at the present width.
    void relayout();
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // The tile size: smaller when the lab is large, so that more fit the screen.
    QSize tileSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    const LabViewModel& model_;
};

class LabViewPage : public QWidget {
public:
    LabViewPage(QWidget* parent, const std::filesystem::path& teacherFolder, kav::ui::Clock& clock);
    ~LabViewPage() override;

    LabViewLogic& logic() { return *logic_; }
    // Shows the model: after each reading, and after the main window's changes.
    void showModel();
    // Called when reports arrived and the score list should read them.
    std::function<void()> scoresStale;

    QLabel *countsLabel, *progressLabel, *lostLabel, *missingLabel, *errorLabel;
    QLabel* missingChip;  // the legend's frame of a missing station, shown during a collection
    LabTiles* tiles;

private:
    std::unique_ptr<LabViewLogic> logic_;
    QScrollArea* scroll_;
};

// The tile colours of each state (background, text), shared by the tiles and the legend.
QColor tileBackground(TileState state);
QColor tileText(TileState state);

}  // namespace mendrix::labview
