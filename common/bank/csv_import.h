#pragma once
// Importing what teachers already keep in spreadsheets: the roster (admission
// number, name, password) and choice questions (stem, four options, key) from
// a CSV file, appended to the open table. Every row is checked by the rules of
// typing it in; a file with any bad row imports nothing.
#include <string>
#include <string_view>
#include <vector>

#include "common/db/database.h"

namespace mendrix::bank {

enum class ImportKind { Roster, Choice };

struct CsvRecord {
    int line = 0;  // the file line on which the record starts (1-based)
    std::vector<std::string> cells;
};

struct RowError {
    int line = 0;  // 0: the file as a whole (its encoding, its quotes)
    std::string reason;
};

struct CsvFile {
    std::vector<CsvRecord> records;
    std::vector<RowError> errors;
};

// The records of a CSV file's bytes: text that is valid UTF-8 (with or without
// a byte-order mark) is read as UTF-8, anything else as GBK. Records whose
// cells are all empty are dropped. A quote left open or a stray quote is an error.
CsvFile readCsv(std::string_view bytes);

// The header of each kind (recognised in the first record, blanks and the case
// of A-D ignored): 准考证号/姓名/密码 and 题干/A/B/C/D/答案.
const std::vector<std::string>& headerOf(ImportKind kind);

struct ImportResult {
    int imported = 0;
    std::vector<RowError> errors;  // not empty: nothing was imported
    // What typing the rows in would have warned about (a candidate without
    // password, a candidate folder name shared); the rows are imported.
    std::vector<RowError> warnings;
};

// Checks every record of the file against the rules and the rows the table
// already holds, then appends them all (the roster's row rule resetting the
// exam fields of each) and leaves the cursor on the first new row. A refusal
// of the engine part-way removes the rows appended so far and is thrown on.
ImportResult importCsv(ImportKind kind, std::string_view bytes, kav::db::Cursor& table);

// "line N: reason" (line 0 gives the reason alone), as kavtool prints it.
std::string toolLine(const RowError& error);
// "第N行：reason", as the console shows it.
std::string consoleLine(const RowError& error);

}  // namespace mendrix::bank
