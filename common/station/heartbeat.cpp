#include "common/station/heartbeat.h"

#include <unistd.h>

#include <algorithm>

#include "common/core/ascii.h"

namespace kav::station {

namespace {
constexpr std::string_view kTable = "heartbeat";
constexpr std::string_view kServerFunction = "kav_heartbeat";

db::Value optionalValue(const auto& v) { return v ? db::Value(*v) : db::Value(std::monostate{}); }

bool hasHeartbeatTable(db::Connection& teacher) {
    const auto names = teacher.tableNames();
    return std::any_of(names.begin(), names.end(), [](const std::string& n) { return equalsIgnoringCase(n, kTable); });
}
}  // namespace

std::string thisStationName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "";
    return lowerAscii(name);
}

std::string_view programVersion() { return KAV_VERSION; }

std::string_view phaseName(StationPhase phase) {
    switch (phase) {
    case StationPhase::Splash: return "启动";
    case StationPhase::Login: return "登录";
    case StationPhase::Instructions: return "须知";
    case StationPhase::Exam: return "考试中";
    case StationPhase::TimeUp: return "时间到";
    case StationPhase::HandingIn: return "交卷中";
    case StationPhase::Reported: return "已交卷";
    case StationPhase::Ended: return "已结束";
    }
    return "";
}

void writeHeartbeat(db::Connection& teacher, const Heartbeat& h) {
    const db::Value reportAt = optionalValue(h.lastReportAt), total = optionalValue(h.lastReportTotal);
    if (teacher.onServer()) {
        teacher.callServerFunction(kServerFunction, {h.station, h.admission, h.name, std::int64_t(h.phase),
                                                     std::int64_t(h.remainingSeconds), reportAt, total, h.version});
        return;
    }
    auto row = teacher.openKeyed(kTable, "station", h.station);
    if (row->recordCount() > 0) row->edit();
    else row->append();
    try {
        row->field("station").setString(h.station);
        row->field("zkzh").setString(h.admission);
        row->field("ksxm").setString(h.name);
        row->field("phase").setInteger(static_cast<int>(h.phase));
        row->field("remaining").setInteger(h.remainingSeconds);
        row->field("report_at").setValue(reportAt);
        row->field("report_total").setValue(total);
        row->field("version").setString(h.version);
        row->field("written_at").setDateTime(databaseNow(teacher));
        row->post();
    } catch (...) {
        row->cancel();
        throw;
    }
}

std::vector<Heartbeat> readHeartbeats(db::Connection& teacher) {
    std::vector<Heartbeat> out;
    if (!hasHeartbeatTable(teacher)) return out;
    auto rows = teacher.openTable(kTable);
    for (rows->first(); rows->recordCount() > 0 && !rows->eof(); rows->next()) {
        Heartbeat h;
        h.station = rows->field("station").asString();
        h.admission = rows->field("zkzh").asString();
        h.name = rows->field("ksxm").asString();
        const auto phase = rows->field("phase").asInteger();
        h.phase = phase >= 0 && phase <= static_cast<int>(StationPhase::Ended) ? static_cast<StationPhase>(phase)
                                                                                 : StationPhase::Splash;
        h.remainingSeconds = static_cast<int>(rows->field("remaining").asInteger());
        if (!rows->field("report_at").isNull()) h.lastReportAt = rows->field("report_at").asDateTime();
        if (!rows->field("report_total").isNull()) h.lastReportTotal = rows->field("report_total").asInteger();
        h.version = rows->field("version").asString();
        h.writtenAt = rows->field("written_at").asDateTime();
        out.push_back(std::move(h));
    }
    std::sort(out.begin(), out.end(), [](const Heartbeat& a, const Heartbeat& b) { return a.station < b.station; });
    return out;
}

DateTime databaseNow(db::Connection& teacher) { return teacher.now(); }

double silentSeconds(const Heartbeat& h, const DateTime& now) {
    return std::max(0.0, (now.toOleDays() - h.writtenAt.toOleDays()) * 86400.0);
}

bool isLost(const Heartbeat& h, const DateTime& now) {
    return h.phase != StationPhase::Reported && h.phase != StationPhase::Ended && silentSeconds(h, now) > kLostAfterSeconds;
}

bool mayBeExamining(const Heartbeat& h, const DateTime& now, int withinSeconds) {
    return h.phase != StationPhase::Splash && h.phase != StationPhase::Ended && silentSeconds(h, now) <= withinSeconds;
}

LabCounts countLab(const std::vector<Heartbeat>& heartbeats, const DateTime& now) {
    LabCounts c;
    for (const Heartbeat& h : heartbeats) {
        if (isLost(h, now)) ++c.lost;
        else if (h.phase == StationPhase::Splash || h.phase == StationPhase::Login) ++c.notLoggedIn;
        else if (h.phase == StationPhase::Reported) ++c.reported;
        else if (h.phase != StationPhase::Ended) ++c.examining;
    }
    return c;
}

}  // namespace kav::station
