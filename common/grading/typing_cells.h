#pragma once
// The cell rules of the typing screen on GBK bytes. A line is 28 cells of two
// bytes; cell k occupies bytes 2k-1 and 2k, so cells start at the odd byte
// columns 1, 3, ..., 55. An untyped cell holds two ASCII spaces. Columns here
// are 1-based byte columns as the screen counts them.
#include <string>
#include <string_view>

namespace kav::typing {

constexpr int kCells = 28;
constexpr int kLineBytes = 56;
constexpr int kLastCellColumn = 55;
inline const std::string kFullWidthSpace = "\xA1\xA1";  // "　"
inline const std::string kWrongMark = "\xA1\xC1";       // "×"

// A line of 56 spaces: nothing typed.
std::string emptyTypedLine();

// What one entered character puts into a cell (the GBK bytes of one character,
// "?" for one that GBK cannot hold): its last two bytes; a half-width character
// with a space after it; a space becomes the full-width space. Empty when the
// character fills no cell (a control character or nothing).
std::string cellOfCharacter(std::string_view gbkCharacter);

// Insert mode: bytes 1 .. c-1, the cell, then up to 55 bytes from byte c on
// (the rest moves one cell right; what is pushed past byte 56 stays in the line
// but is never compared or shown).
std::string insertCell(std::string_view line, int column, std::string_view cell);
// Overwrite mode: the cell at column c is replaced; the length stays.
std::string overwriteCell(std::string_view line, int column, std::string_view cell);
// Removes the cell at column c: the rest of the visible line moves left by one
// cell, two spaces fill the end; the result is exactly 56 bytes, so anything
// pushed past byte 56 is dropped.
std::string deleteCell(std::string_view line, int column);

// The line comparison: right and wrong cells of a typed line against its model
// line, and the mark row (28 two-byte marks: "×" under a wrong cell, "　" else).
// A cell whose first byte is a space is untyped and counts nowhere; cells beyond
// the end of a short model line count as wrong.
struct LineMarks {
    int right = 0;
    int wrong = 0;
    std::string marks;  // 56 GBK bytes
};
LineMarks compareLine(std::string_view typed, std::string_view model);

}  // namespace kav::typing
