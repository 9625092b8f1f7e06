#pragma once
// The heartbeat of a station: where its client is (the candidate, the phase,
// the time left, the last report), written with each poll into the table
// `heartbeat` of the teacher tables, one row a station. The teacher's console
// and `kavtool lab-status` read them to show the lab at a glance.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/datetime.h"
#include "common/db/database.h"

namespace kav::station {

// Stored as its number; a number outside the list reads as Splash.
enum class StationPhase : int { Splash = 0, Login, Instructions, Exam, TimeUp, HandingIn, Reported, Ended };
// 启动 登录 须知 考试中 时间到 交卷中 已交卷 已结束
std::string_view phaseName(StationPhase phase);

struct Heartbeat {
    std::string station;  // on a lab server named by the station's role, whatever the station writes
    std::string admission, name;
    StationPhase phase = StationPhase::Splash;
    int remainingSeconds = 0;
    std::optional<DateTime> lastReportAt;  // the station's clock
    std::optional<std::int64_t> lastReportTotal;
    std::string version;
    // When the row was written, on the database's clock (see databaseNow):
    // the server's on a lab server, so that stations' clocks do not matter.
    DateTime writtenAt;
};

// This machine's host name (the station's name on a file lab) and the programs' version.
std::string thisStationName();
std::string_view programVersion();

// Writes the station's own row (appended at its first heartbeat). On a lab
// server through the server's function, which names the station by its role
// (the owner, as lab-check's simulated stations on a file lab, names it by
// `station`) and stamps the server's time. DbError when it cannot.
void writeHeartbeat(db::Connection& teacher, const Heartbeat& heartbeat);

// Every station's latest heartbeat, in the order of station names; none when
// the teacher tables have no heartbeat table (an older lab server).
std::vector<Heartbeat> readHeartbeats(db::Connection& teacher);
// The present time on the clock writtenAt is stamped with.
DateTime databaseNow(db::Connection& teacher);

// A station not heard from for longer than this is lost, unless its client
// ended (handed in, or the teacher ended the exam).
inline constexpr int kLostAfterSeconds = 10;
double silentSeconds(const Heartbeat& heartbeat, const DateTime& now);
bool isLost(const Heartbeat& heartbeat, const DateTime& now);
// Whether an exam may be going on at the station: heard from within
// `withinSeconds` in a phase other than splash or ended.
bool mayBeExamining(const Heartbeat& heartbeat, const DateTime& now, int withinSeconds);

// The counts above the lab's table: 在考 (working: instructions to handing in),
// 已交卷 (reported), 失联 (lost, whatever the phase), 未登录 (splash or login).
// A lost station counts as lost only; an ended one in none of them.
struct LabCounts {
    int examining = 0, reported = 0, lost = 0, notLoggedIn = 0;
    bool operator==(const LabCounts&) const = default;
};
LabCounts countLab(const std::vector<Heartbeat>& heartbeats, const DateTime& now);

}  // namespace kav::station
