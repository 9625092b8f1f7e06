#pragma once
// The rows of `score` as the score list, the printed sheet and every export
// show them, and the one text of each field.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/datetime.h"
#include "common/db/database.h"

namespace mendrix::scores {

inline constexpr std::string_view kSheetTitle = "计算机等级考试成绩单";

// One reported score; a NULL field is empty.
struct ScoreRow {
    std::string zkzh, ksxm;
    std::optional<kav::DateTime> kstime;
    std::optional<std::int64_t> win_cj, select_cj, dz_cj, word_cj, kscj;
};

// The fields in the order of the grid, the sheet and the export.
enum ScoreField { Zkzh, Ksxm, Kstime, WinCj, SelectCj, DzCj, WordCj, Kscj, kScoreFieldCount };
inline constexpr std::array<std::string_view, kScoreFieldCount> kScoreColumns = {
    "zkzh", "ksxm", "kstime", "win_cj", "select_cj", "dz_cj", "word_cj", "kscj"};
// The grid's titles (" WIN" has its leading space), also the header of the CSV
// and spreadsheet exports.
inline constexpr std::array<std::string_view, kScoreFieldCount> kGridTitles = {
    "准考证号", "姓名", "时间", " WIN", "选择", "打字", "word", "总分"};

// Every row of the cursor's snapshot in table order, read without moving it.
std::vector<ScoreRow> readScoreRows(const kav::db::Cursor& score);

// An exam time in one fixed format whatever the locale: "yyyy-MM-dd HH:mm:ss",
// the date alone at midnight, empty for NULL and for the zero date-time (a
// candidate whose record was never reset).
std::string kstimeText(const std::optional<kav::DateTime>& kstime);
// The same for a stored date-time read as a value (NULL, a date-time or its text).
std::string kstimeText(const kav::db::Value& value);
// A date-time the spreadsheet can show as a date: not NULL and not zero.
bool isShownTime(const std::optional<kav::DateTime>& kstime);

// The display text of each field: integers in decimal, NULL as empty text.
std::array<std::string, kScoreFieldCount> fieldTexts(const ScoreRow& row);

}  // namespace mendrix::scores
