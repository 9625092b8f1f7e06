#pragma once
// The printed score sheet as data: the page, the bands and the cell
// boundaries in millimetres, the fonts, the pages each row falls on, and how a
// text that is too wide for its cell is wrapped and shrunk so that nothing is
// ever cut off. The renderer only draws what this computes.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/scores/score_rows.h"

namespace mendrix::scores {

// The three fonts the sheet names, and the installed font each one is drawn with.
enum class SheetFont { LiShu, SimSun, Arial };
struct FontChoice {
    std::string_view named;      // the font the sheet names
    std::string_view installed;  // the Debian font family drawn instead
};
FontChoice fontChoice(SheetFont font);
// The font a detail cell is drawn in: Arial, or for a text with any non-ASCII
// character 宋体, the face that Arial falls back to for Chinese on the sheet's
// original system (one face per cell, so every device measures it alike).
SheetFont detailFont(std::string_view text);

struct SheetGeometry {
    double pageWidth = 210.0, pageHeight = 297.0;  // A4 portrait
    double margin = 10.0;                          // all four sides
    double titleHeight = 10.6;                     // first page only
    double titleLeft = 32.2, titleRight = 94.0;    // the title's box, from the left margin
    double headerHeight = 8.5;                     // top of every page
    double detailHeight = 8.0;                     // one per row
    // The rectangle's edges and the vertical lines between the eight cells, from the left margin.
    std::array<double, kScoreFieldCount + 1> cellEdges = {0.6, 27.6, 46.7, 66.8, 82.9, 98.7, 114.2, 130.1, 143.1};
    double titlePoints = 16.0, headerPoints = 12.0, detailPoints = 10.0;

    double printableHeight() const { return pageHeight - 2 * margin; }
    double cellWidth(int cell) const { return cellEdges[cell + 1] - cellEdges[cell]; }
    int rowsOnFirstPage() const;  // below the title and the column header
    int rowsOnLaterPage() const;  // below the column header
};
const SheetGeometry& sheetGeometry();

inline constexpr std::array<std::string_view, kScoreFieldCount> kSheetHeaders = {
    "准考证号", "姓名", "时间", "WIN题", "选择题", "打字题", "Word题", "总分"};

// The rows [firstRow, firstRow + rowCount) of one page (0-based into the rows).
struct SheetPage {
    bool hasTitle;
    int firstRow, rowCount;
};
// Every page of a sheet of `rows` rows; an empty sheet still has its first page.
std::vector<SheetPage> paginate(int rows);

// A detail cell's text fitted into its cell: the lines drawn, the point size and
// a horizontal scale (1.0 unless even the smallest size needs condensing).
struct FittedText {
    std::vector<std::string> lines;
    double points = 10.0;
    double stretch = 1.0;
};
// Rules: at the sheet's size on one line when it fits; otherwise on as many
// lines as the band holds (broken at a space, else evenly between characters),
// trying every size from the sheet's size down to kMinimumPoints in half points;
// at the minimum size the text is condensed horizontally until it fits.
inline constexpr double kMinimumPoints = 6.0;
inline constexpr double kCellPadding = 0.5;   // mm kept free on each side of a cell
inline constexpr double kLineSpacing = 1.15;  // line height as a multiple of the point size
inline constexpr double kMmPerPoint = 25.4 / 72.0;
// width(text, points) gives the text's width in millimetres in the detail font.
using MeasureText = std::function<double(const std::string& text, double points)>;
FittedText fitCellText(const std::string& text, double cellWidth, double bandHeight, double points,
                       const MeasureText& width);

// The text broken into `lines` lines: at spaces when there are exactly enough,
// else into runs of nearly equal numbers of characters.
std::vector<std::string> breakIntoLines(const std::string& text, int lines);

}  // namespace mendrix::scores
