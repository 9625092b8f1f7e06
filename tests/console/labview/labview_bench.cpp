// The lab view at 400 stations, by hand: how long the model takes to show a
// reading, and the tiles to paint the whole lab and one screenful.
//   labview_bench                      prints the figures
//   labview_bench --write-lab DIR N    keeps N stations' heartbeats fresh in
//                                      DIR/teacher.mdb (every phase, a few
//                                      stations silent) until stopped, for a
//                                      look at the page in a running console
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "common/db/tables.h"
#include "console/pages/labview/ui/lab_view_page.h"

namespace {

using kav::station::Heartbeat;
using kav::station::StationPhase;
using Clock = std::chrono::steady_clock;

// Station i's heartbeat in a lab in the middle of an exam: most working, some
// handed in, a few not logged in.
Heartbeat stationBeat(int i) {
    Heartbeat h;
    h.station = "pc" + std::to_string(i);
    const StationPhase phases[] = {StationPhase::Exam, StationPhase::Exam,     StationPhase::Exam,
                                   StationPhase::Exam, StationPhase::Reported, StationPhase::TimeUp,
                                   StationPhase::Exam, StationPhase::HandingIn, StationPhase::Login,
                                   StationPhase::Instructions};
    h.phase = phases[i % 10];
    if (h.phase != StationPhase::Login) {
        h.admission = "2026" + std::to_string(100000 + i);
        const char* names[] = {"张伟", "王芳", "李娜", "刘洋", "陈静", "杨帆", "赵敏", "黄磊", "周婷", "欧阳晓明"};
        h.name = names[i % 10];
    }
    h.remainingSeconds = h.phase == StationPhase::TimeUp ? 0 : 600 + (i * 37) % 4800;
    if (h.phase == StationPhase::Reported) {
        h.lastReportAt = kav::DateTime::nowLocal();
        h.lastReportTotal = 60 + i % 40;
    }
    return h;
}

int writeLab(const char* folder, int stations) {
    auto teacher = kav::db::connectFile("teacher.mdb", folder);
    for (bool first = true;; first = false) {
        for (int i = 1; i <= stations; ++i)
            if (first || i % 37 != 0) kav::station::writeHeartbeat(*teacher, stationBeat(i));  // every 37th falls silent
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write-lab") == 0) return writeLab(argv[2], std::atoi(argv[3]));
    QApplication app(argc, argv);
    constexpr int kStations = 400, kRounds = 50;
    mendrix::labview::LabReading reading;
    reading.now = kav::DateTime::nowLocal();
    for (int i = 1; i <= kStations; ++i) {
        Heartbeat h = stationBeat(i);
        h.writtenAt = i % 37 ? reading.now : kav::DateTime::fromOleDays(reading.now.toOleDays() - 30.0 / 86400);
        reading.heartbeats.push_back(h);
    }
    mendrix::labview::LabViewModel model;
    auto start = Clock::now();
    for (int r = 0; r < kRounds; ++r) model.show(reading);
    std::printf("model: %.3f ms a reading of %d stations\n", msSince(start) / kRounds, kStations);
    model.startCollection();

    mendrix::labview::LabTiles tiles(model);
    tiles.resize(1260, tiles.heightForWidth(1260));
    QImage whole(tiles.size(), QImage::Format_ARGB32_Premultiplied);
    start = Clock::now();
    for (int r = 0; r < kRounds; ++r) tiles.render(&whole);
    std::printf("paint: %.3f ms the whole lab (%dx%d px)\n", msSince(start) / kRounds, tiles.width(), tiles.height());
    QImage screen(1260, 600, QImage::Format_ARGB32_Premultiplied);
    start = Clock::now();
    for (int r = 0; r < kRounds; ++r) tiles.render(&screen, QPoint(), QRegion(0, 0, 1260, 600));
    std::printf("paint: %.3f ms one screenful (1260x600 px)\n", msSince(start) / kRounds);
    return 0;
}
