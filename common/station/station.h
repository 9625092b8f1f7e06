#pragma once
// The station control record (the single row of `state` in teacher.mdb) and
// the update list (the first row of `updatefile`): the teacher's only channel
// to the running clients.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/db/database.h"
#include "common/db/tables.h"

namespace kav::station {

// The station mode, stored as `korl` 1-4; Other stands for any other stored value.
enum class StationMode : int { Other = 0, Exam = 1, Practice = 2, ForcedCollection = 3, Ended = 4 };
StationMode stationModeOf(int korl);
constexpr int korlOf(StationMode mode) { return static_cast<int>(mode); }

struct StationRecord {
    int korl = korlOf(StationMode::Exam);  // as stored, a value outside 1-4 included
    bool update = false;
    bool clearinfo = false;
    bool clearfold = false;
    std::string resttime = "1:30:00";
};

// Reads the first row of an open `state` cursor (moving it to that row).
// Throws db::DbError when the table has no row, db::BadValue for a value its
// column cannot hold (korl "abc" or beyond an int32, update "maybe"). It reads the snapshot: requery
// the cursor first to see the console's latest write.
StationRecord readStation(db::Cursor& state);
// The teacher tables a station opens at start-up, in the client's order:
// score, condition, state, updatefile and user; on a lab server only state and
// updatefile, the tables a station reads (it reports and checks delay
// passwords through the server's functions).
std::unique_ptr<db::OpenTables> openStationTables(std::unique_ptr<db::Connection> teacher);

// The poll of a running station: reads the station record afresh (requery)
// and gives its mode; nullopt while the lab server cannot be reached or the
// record holds a value its column cannot hold (the candidate is shown
// nothing, the mode is unchanged, and the next poll asks again).
std::optional<int> pollStationMode(db::Cursor& state);

// Writes the record into the first row, appending one when the table is empty.
void writeStation(db::Cursor& state, const StationRecord& record);
// Sets korl of the row being edited or appended, as its decimal text: the one
// way every program writes the station mode.
void setKorl(db::Cursor& state, int korl);

// The first row's `filename` of an open `updatefile` cursor ("" when there is none).
std::string readUpdateList(db::Cursor& updatefile);
// Stores the list in the first row (appending one when there is none); "" stores NULL.
void writeUpdateList(db::Cursor& updatefile, const std::string& list);
// Takes an update list apart at each "*", left to right: the text after the
// last "*" is the last name, and an empty text after a final "*" ends the list.
// Two adjacent "*" give an empty name (whose copy then fails). "" gives no
// name, "a*b" and "a*b*" give a and b, "a**b" gives a, "" and b, "*" gives "".
// Names are kept exactly as written (no trimming).
std::vector<std::string> splitUpdateList(std::string_view list);

// The remaining time h:mm:ss, read by character position: hours the single
// character at position 1, minutes positions 3–4, seconds 6–7.
struct RestTime {
    int hours = 0, minutes = 0, seconds = 0;
    int totalSeconds() const { return (hours * 60 + minutes) * 60 + seconds; }
    static RestTime fromSeconds(int total);  // clamps to 0:00:00 … 9:59:59
    std::string toString() const;            // "1:05:09"
};
// nullopt unless the text is exactly seven characters d:dd:dd with minutes and
// seconds below 60 (the check of the console's exam-time prompt).
std::optional<RestTime> parseRestTime(std::string_view text);
// The positional reading the client applies to a stored text: digits are taken
// where they stand, whatever else the text holds (a non-digit, or a position
// beyond the end of a short text, counts as 0). It never fails: "" reads 0:00:00,
// "10:00:00" reads 1:00:00 (positions 3-4 hold ":0"), and minutes or seconds of
// 60-99 are kept as they stand ("1:75:00" is 1 hour 75 minutes, 2:15:00 in all).
RestTime readRestTimePositional(std::string_view text);
// The exam time that the console and kavtool accept for new candidates: the form
// of parseRestTime and a total above zero (0:00:00 would end every new exam at
// once). nullopt otherwise.
std::optional<RestTime> parseExamTime(std::string_view text);

// The station modes that a console may set (1-4).
inline bool isValidKorl(int korl) { return stationModeOf(korl) != StationMode::Other; }

}  // namespace kav::station
