#pragma once
// The lab view (考场监控) without its widgets: one tile a station in the
// natural order of their names, coloured by phase (or lost), the counts above
// them, and after forced collection the collection's progress with the
// stations still missing. LabViewLogic reads the heartbeats on a thread of
// its own while the page is shown or a collection is going on.
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/station/heartbeat.h"
#include "common/station/station.h"
#include "common/ui/clock.h"
#include "console/pages/labview/lab_reader.h"

namespace mendrix::labview {

// Station names compare with their runs of digits as numbers: "pc2" < "pc10".
bool naturalLess(std::string_view a, std::string_view b);

// A tile's colour: the station's phase, or Lost when it has been silent.
enum class TileState { Splash, Login, Instructions, Exam, TimeUp, HandingIn, Reported, Ended, Lost };
inline constexpr int kTileStateCount = 9;
// "启动" … "已结束", "失联": the legend's words.
std::string_view tileStateName(TileState state);

struct Tile {
    std::string station;
    std::string candidate;  // "admission name", empty before a login
    std::string status;     // the phase's name, or "失联"
    std::string detail;     // "剩余 0:45:12" while working, "总分 85" once reported
    std::string heard;      // "3秒前"
    TileState state = TileState::Splash;
    bool missing = false;  // awaited by the collection and not yet reported
};

// "h:mm:ss" of a number of seconds (negative ones as 0).
std::string clockText(int seconds);
// "3秒前", "2分钟前", "1小时前".
std::string heardText(double silentSeconds);

class LabViewModel {
public:
    // Shows a reading: a failed one keeps the tiles and sets errorText.
    void show(const LabReading& reading);
    // Forced collection was ordered: from the latest reading (or the next one,
    // when there is none yet) the stations with a candidate are awaited.
    void startCollection();
    void stopCollection();

    const std::vector<Tile>& tiles() const { return tiles_; }
    const kav::station::LabCounts& counts() const { return counts_; }
    // "在考 12    已交卷 3    失联 1    未登录 4"
    std::string countsText() const;
    bool collecting() const { return collecting_; }
    int awaited() const { return static_cast<int>(awaited_.size()); }
    int collected() const { return collected_; }
    // "已收 183/200" during a collection, else empty.
    std::string progressText() const;
    // The stations awaited and not yet reported, in tile order.
    const std::vector<std::string>& missing() const { return missing_; }
    // "未收：pc3、pc17" (the first kNamed, then "等共 N 台"); empty when none.
    std::string missingText() const;
    // "失联：pc3、pc17", the same way: in a large lab the lost are named above the tiles.
    std::string lostText() const;
    static constexpr int kNamed = 40;
    // The last reading's failure ("读取考场状态失败：" + the engine's text), or empty.
    const std::string& errorText() const { return errorText_; }
    // Whether the last reading showed a report that the one before did not.
    bool reportsArrived() const { return reportsArrived_; }
    bool hasReading() const { return hasReading_; }

private:
    void awaitCandidates();
    std::vector<kav::station::Heartbeat> heartbeats_;
    kav::DateTime now_;
    std::vector<Tile> tiles_;
    kav::station::LabCounts counts_;
    bool hasReading_ = false;
    std::string errorText_;
    std::set<std::string> reports_;  // station, time and total of every last report
    bool reportsArrived_ = false;
    bool collecting_ = false;
    bool awaitPending_ = false;  // the collection waits for its first reading
    std::set<std::string> awaited_;
    int collected_ = 0;
    std::vector<std::string> missing_;
};

// The page's logic: reads while it is shown or a collection is going on, at
// least once a second, and never blocks the window.
class LabViewLogic {
public:
    static constexpr int kTickMs = 500;

    LabViewLogic(LabReader::Connect connect, kav::ui::Clock& clock,
                 LabReader::Launch launch = LabReader::onThreadOfItsOwn);
    ~LabViewLogic();
    LabViewLogic(const LabViewLogic&) = delete;
    LabViewLogic& operator=(const LabViewLogic&) = delete;

    // What the main window shows: whether this page is the one shown, and the
    // lab's mode (a switch to forced collection starts a collection).
    void setShown(bool shown);
    void setMode(kav::station::StationMode mode);
    // One tick: shows the reading that ended since the last tick and starts
    // the next one. Run by the clock's timer while active.
    void tick();
    bool active() const { return shown_ || model.collecting(); }

    LabViewModel model;
    std::function<void()> changed;  // after each reading shown
    // Reports arrived since the score list was last read again; the window
    // clears it once the score list has been refreshed.
    bool scoresStale = false;

private:
    void updateTimer();
    LabReader reader_;
    kav::ui::Clock& clock_;
    kav::ui::Clock::TimerId timer_ = 0;
    bool shown_ = false;
    std::optional<kav::station::StationMode> mode_;
};

}  // namespace mendrix::labview
