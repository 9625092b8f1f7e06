#pragma once
// Importing what teachers already keep in spreadsheets: the roster (admission
// number, name, password) and choice questions (stem, four options, key) from
// a CSV file, appended to their table. Every row is checked by the rules of
// typing it in; a file with any bad row imports nothing.
#include <functional>
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

// The columns of each kind in the documented order: 准考证号/姓名/密码 and
// 题干/A/B/C/D/答案. A first record naming columns (two of them, or one and
// not plainly data) is a header: each cell one of these names or its aliases
// (blanks and the case of letters ignored), in any order, every column once;
// an unknown, repeated or missing column refuses the file, naming it. A file without a header is read in the documented order,
// but only when its first record is plainly data (a roster's first number
// holds a digit, a choice question's key is a letter A-D).
const std::vector<std::string>& headerOf(ImportKind kind);

struct ImportResult {
    int imported = 0;
    bool cancelled = false;        // the teacher cancelled: nothing was stored
    std::vector<RowError> errors;  // not empty: nothing was imported
    // What typing the rows in would have warned about (a candidate without
    // password, a candidate folder name shared), the first few of each kind and
    // a count of the rest; the rows are imported.
    std::vector<RowError> warnings;
};

// How far an import has gone, and whether to stop. Both may be called from the
// importing thread; either may be empty.
struct ImportControl {
    std::function<void(int done, int total)> progress;  // rows stored of those to store
    std::function<bool()> cancelRequested;                // true: undo everything, stop
};

// Checks every record of the file against the rules and the rows the table
// already holds, then appends them all (the roster's row rule resetting the
// exam fields of each) as one transaction of the connection: a refusal of the
// engine, a cancel, a full disk or a killed process part-way store none of the
// rows. Engine errors are thrown on (DbError), with nothing stored.
ImportResult importCsv(ImportKind kind, std::string_view bytes, kav::db::Connection& connection,
                       const ImportControl& control = {});
// The table of the connection that the kind appends to.
const char* tableOf(ImportKind kind);

// "line N: reason" (line 0 gives the reason alone), as kavtool prints it.
std::string toolLine(const RowError& error);
// "第N行：reason", as the console shows it.
std::string consoleLine(const RowError& error);

}  // namespace mendrix::bank
