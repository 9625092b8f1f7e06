#include "common/station/station.h"

#include <algorithm>
#include <cstdio>

#include "common/core/tokens.h"
#include "common/db/checked_values.h"

namespace kav::station {

std::unique_ptr<db::OpenTables> openStationTables(std::unique_ptr<db::Connection> teacher) {
    const std::span<const std::string_view> order =
        teacher->onServer() ? std::span<const std::string_view>(db::kStationServerTables) : db::kTeacherTables;
    return std::make_unique<db::OpenTables>(std::move(teacher), order);
}

StationMode stationModeOf(int korl) {
    return korl >= korlOf(StationMode::Exam) && korl <= korlOf(StationMode::Ended) ? static_cast<StationMode>(korl)
                                                                                    : StationMode::Other;
}

void setKorl(db::Cursor& state, int korl) { state.field("korl").setString(std::to_string(korl)); }

std::optional<int> pollStationMode(db::Cursor& state) {
    try {
        state.requery();
    } catch (const db::DbUnavailable&) {
        return std::nullopt;
    }
    try {
        return readStation(state).korl;
    } catch (const db::BadValue&) {
        return std::nullopt;  // a value the console never writes: no change, the exam goes on
    }
}

StationRecord readStation(db::Cursor& state) {
    state.first();
    if (state.recordCount() == 0) throw db::DbError("The station control record is missing: table 'state' has no row");
    StationRecord r;
    r.korl = static_cast<int>(db::checkedInteger(state, "korl"));
    r.update = db::checkedBoolean(state, "update");
    r.clearinfo = db::checkedBoolean(state, "clearinfo");
    r.clearfold = db::checkedBoolean(state, "clearfold");
    r.resttime = state.field("resttime").asString();
    return r;
}

namespace {
// The first row in edit mode, or a new row when the table has none.
void editFirstRow(db::Cursor& cursor) {
    cursor.first();
    if (cursor.recordCount() == 0) cursor.append();
    else cursor.edit();
}
}  // namespace

void writeStation(db::Cursor& state, const StationRecord& record) {
    editFirstRow(state);
    try {
        setKorl(state, record.korl);
        state.field("update").setBoolean(record.update);
        state.field("clearinfo").setBoolean(record.clearinfo);
        state.field("clearfold").setBoolean(record.clearfold);
        state.field("resttime").setString(record.resttime);
        state.post();
    } catch (...) {
        state.cancel();
        throw;
    }
}

std::string readUpdateList(db::Cursor& updatefile) {
    updatefile.first();
    if (updatefile.recordCount() == 0) return {};
    return updatefile.field("filename").asString();
}

void writeUpdateList(db::Cursor& updatefile, const std::string& list) {
    editFirstRow(updatefile);
    try {
        // An empty list is stored as NULL, as the console's update page stores an empty box.
        if (list.empty())
            updatefile.field("filename").setNull();
        else
            updatefile.field("filename").setString(list);
        updatefile.post();
    } catch (...) {
        updatefile.cancel();
        throw;
    }
}

std::vector<std::string> splitUpdateList(std::string_view list) {
    const auto names = splitStoredList(list, '*');
    return {names.begin(), names.end()};
}

RestTime RestTime::fromSeconds(int total) {
    total = std::clamp(total, 0, 9 * 3600 + 59 * 60 + 59);
    return {total / 3600, total / 60 % 60, total % 60};
}

std::string RestTime::toString() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", hours, minutes, seconds);
    return buf;
}

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// The digit at a 0-based position, 0 when the text is shorter or holds no digit there.
int digitAt(std::string_view text, size_t index) {
    return index < text.size() && isDigit(text[index]) ? text[index] - '0' : 0;
}
}  // namespace

std::optional<RestTime> parseRestTime(std::string_view text) {
    if (text.size() != 7 || text[1] != ':' || text[4] != ':') return std::nullopt;
    for (size_t i : {0, 2, 3, 5, 6})
        if (!isDigit(text[i])) return std::nullopt;
    RestTime t = readRestTimePositional(text);
    if (t.minutes >= 60 || t.seconds >= 60) return std::nullopt;
    return t;
}

std::optional<RestTime> parseExamTime(std::string_view text) {
    std::optional<RestTime> t = parseRestTime(text);
    if (t && t->totalSeconds() == 0) return std::nullopt;
    return t;
}

RestTime readRestTimePositional(std::string_view text) {
    return {digitAt(text, 0), digitAt(text, 2) * 10 + digitAt(text, 3), digitAt(text, 5) * 10 + digitAt(text, 6)};
}

}  // namespace kav::station
