#pragma once
// The score charts painted with QPainter into a rectangle of any device: the
// analysis page's widget and the printed sheet's chart page. Sizes of text,
// lines and points follow the rectangle, so one drawing serves both.
#include <QPainter>
#include <QRectF>
#include <vector>

#include "common/scores/charts.h"

namespace mendrix::scores {

// Bars of the bins with their counts, the bin edges below, the title above.
void paintHistogram(QPainter& painter, const QRectF& box, const Histogram& histogram);

// Facility (x, 0-1) against discrimination (y, -1 to 1), one point a
// question numbered by its position; flagged questions red. The dashed line
// marks a discrimination of 0.2, below which a question separates poorly.
// Without points it shows emptyText (see emptyItemChartText).
void paintItemChart(QPainter& painter, const QRectF& box, const std::vector<ItemPoint>& points,
                    const std::string& emptyText);

// The item chart and the histograms (two columns), filling `box`: side by
// side in a wide box, the item chart above the histograms in a tall one.
void paintCharts(QPainter& painter, const QRectF& box, const std::vector<Histogram>& histograms,
                 const std::vector<ItemPoint>& points, const std::string& emptyItemText);

}  // namespace mendrix::scores
