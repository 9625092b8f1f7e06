// kavtool lab-status TEACHERDB [--watch]: the stations of the lab as their
// heartbeats tell them (the table and counts the console's lab view shows),
// once, or refreshed every second until interrupted.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "common/db/tables.h"
#include "common/station/heartbeat.h"
#include "common/station/station.h"
#include "tools/kavtool/command.h"

namespace {

namespace station = kav::station;
using kavtool::UsageError;

void printLab(kav::db::Connection& teacher) {
    const auto beats = station::readHeartbeats(teacher);
    const kav::DateTime now = station::databaseNow(teacher);
    const station::LabCounts counts = station::countLab(beats, now);
    std::printf("在考 %d  已交卷 %d  失联 %d  未登录 %d  (共 %zu 台)\n", counts.examining, counts.reported, counts.lost,
                counts.notLoggedIn, beats.size());
    std::printf("考站\t准考证号\t姓名\t阶段\t剩余时间\t上次联系\t状态\n");
    for (const station::Heartbeat& h : beats) {
        std::printf("%s\t%s\t%s\t%s\t%s\t%.0f 秒前\t%s\n", h.station.c_str(), h.admission.c_str(), h.name.c_str(),
                    std::string(station::phaseName(h.phase)).c_str(),
                    station::RestTime::fromSeconds(h.remainingSeconds).toString().c_str(),
                    station::silentSeconds(h, now), station::isLost(h, now) ? "失联" : "");
    }
    std::fflush(stdout);
}

int labStatus(const kavtool::Args& args) {
    std::string file;
    bool watch = false;
    for (const std::string& a : args) {
        if (a == "--watch") watch = true;
        else if (file.empty() && !a.starts_with("--")) file = a;
        else throw UsageError("unexpected argument \"" + a + "\"");
    }
    if (file.empty()) throw UsageError("expects TEACHERDB");
    auto teacher = kav::db::connectTeacherAsOwner(file);
    printLab(*teacher);
    while (watch) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::printf("\n");
        try {
            printLab(*teacher);
        } catch (const kav::db::DbUnavailable& e) {
            std::printf("无法连接教师数据库，稍后重试：%s\n", e.what());
        }
    }
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"lab-status", "lab-status TEACHERDB [--watch]",
                                 "the stations' phases, time left and last contact, with the counts 在考/已交卷/失联/未登录; "
                                 "--watch prints them again every second",
                                 labStatus});
