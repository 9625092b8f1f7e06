#pragma once
// The score list written out: the text file of the "导出" button (GBK, CR LF),
// a CSV file and a spreadsheet, and the safe replacement of a file that every
// writer goes through.
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/scores/score_rows.h"

namespace mendrix::scores {

// A refused or failed export, with the text shown to the teacher.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one rule of what a field becomes in each kind of export file.
enum class ExportFormat { Text, Csv, Xlsx };
// Whether a spreadsheet would read a cell of this text as a formula: it begins
// with = + - @, a tab or a CR and is no plain number ("-5" stays a number).
bool readsAsFormula(std::string_view text);
// The text a writer stores for a field, so that the file keeps one record a
// line and no spreadsheet turns a name against the teacher:
// - a character no format should hold (NUL and the other control characters
//   but tab, CR and LF) is marked: U+FFFD, "?" in the GBK text;
// - Text: a line break (CR LF, CR or LF) or a tab becomes a space;
// - Csv: a field that reads as a formula gets a leading apostrophe, the mark
//   spreadsheets use for "text as typed";
// - Xlsx: the text as it is: the writer stores it as a string cell, which no
//   spreadsheet evaluates (only a NUL, which would end the string early, is marked).
std::string exportCell(std::string_view field, ExportFormat format);

// The title line, then one line per row: the fields' texts joined by single
// spaces; every line ends in CR LF; GBK bytes. A field GBK cannot hold refuses
// the whole export, naming the row.
std::string exportTextGbk(const std::vector<ScoreRow>& rows);

// UTF-8 with a byte-order mark, a header row of the grid's titles, CR LF; a
// field holding a comma, a quote or a line break is quoted.
std::string scoresCsv(const std::vector<ScoreRow>& rows);
// One CSV line (without its CR LF) of the given fields, each through exportCell.
std::string csvLine(const std::vector<std::string>& fields);

// A spreadsheet with one sheet: the header row, then one row per score with
// the scores as numbers and the exam time as a date (empty when NULL or zero).
void writeScoresXlsx(const std::vector<ScoreRow>& rows, const std::filesystem::path& path);

// Writes the file through a temporary file in the same folder that is renamed
// over the target only once it is complete, so a failure leaves any old file
// as it was and no partial file behind. ExportError with the system's text.
void writeFileReplacing(const std::filesystem::path& path, const std::string& bytes);
// The same for a writer that makes the file itself: `write` produces it at the
// temporary name it is given (an empty file already there).
void replaceFile(const std::filesystem::path& path, const std::function<void(const std::filesystem::path&)>& write);

}  // namespace mendrix::scores
