#include "console/pages/labview/lab_view.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace mendrix::labview {

using kav::station::Heartbeat;
using kav::station::StationPhase;

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Whether the station's candidate is one the collection waits for: logged in
// and not gone back to the start.
bool hasCandidate(const Heartbeat& h) {
    return !h.admission.empty() && h.phase != StationPhase::Splash && h.phase != StationPhase::Login;
}

std::string reportKey(const Heartbeat& h) {
    if (!h.lastReportAt) return {};
    return h.station + '\n' + h.lastReportAt->toIso() + '\n' + std::to_string(h.lastReportTotal.value_or(-1));
}

bool isWorking(StationPhase phase) {
    return phase == StationPhase::Instructions || phase == StationPhase::Exam || phase == StationPhase::TimeUp ||
           phase == StationPhase::HandingIn;
}

// "失联：pc3、pc17": the first kNamed stations, then "等共 N 台"; empty when none.
std::string namedList(const char* title, const std::vector<std::string>& stations) {
    if (stations.empty()) return {};
    std::string text = title;
    const std::size_t named = std::min<std::size_t>(stations.size(), LabViewModel::kNamed);
    for (std::size_t i = 0; i < named; ++i) text += (i ? "、" : "") + stations[i];
    if (named < stations.size()) text += " 等共 " + std::to_string(stations.size()) + " 台";
    return text;
}

}  // namespace

bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t iEnd = i, jEnd = j;
            while (iEnd < a.size() && isDigit(a[iEnd])) ++iEnd;
            while (jEnd < b.size() && isDigit(b[jEnd])) ++jEnd;
            std::string_view x = a.substr(i, iEnd - i), y = b.substr(j, jEnd - j);
            // Leading zeros do not make a number larger.
            const auto significant = [](std::string_view d) {
                const auto first = d.find_first_not_of('0');
                return first == std::string_view::npos ? std::string_view{} : d.substr(first);
            };
            const std::string_view sx = significant(x), sy = significant(y);
            if (sx.size() != sy.size()) return sx.size() < sy.size();
            if (sx != sy) return sx < sy;
            i = iEnd;
            j = jEnd;
            continue;
        }
        const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
        const char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j])));
        if (x != y) return x < y;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;  // equal but for case or leading zeros: a fixed order all the same
}

std::string_view tileStateName(TileState state) {
    if (state == TileState::Lost) return "失联";
    return kav::station::phaseName(static_cast<StationPhase>(state));
}

std::string clockText(int seconds) {
    seconds = std::max(seconds, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::string heardText(double silentSeconds) {
    const long s = std::lround(std::max(silentSeconds, 0.0));  // times read back lose a few microseconds
    if (s < 60) return std::to_string(s) + "秒前";
    if (s < 3600) return std::to_string(s / 60) + "分钟前";
    return std::to_string(s / 3600) + "小时前";
}

void LabViewModel::show(const LabReading& reading) {
    reportsArrived_ = false;
    if (!reading.error.empty()) {
        errorText_ = "读取考场状态失败：" + reading.error;
        return;
    }
    errorText_.clear();
    heartbeats_ = reading.heartbeats;
    std::stable_sort(heartbeats_.begin(), heartbeats_.end(),
                     [](const Heartbeat& a, const Heartbeat& b) { return naturalLess(a.station, b.station); });
    now_ = reading.now;
    counts_ = kav::station::countLab(heartbeats_, now_);

    std::set<std::string> reports;
    for (const Heartbeat& h : heartbeats_)
        if (h.lastReportAt) reports.insert(reportKey(h));
    reportsArrived_ = hasReading_ && !std::includes(reports_.begin(), reports_.end(), reports.begin(), reports.end());
    reports_ = std::move(reports);
    hasReading_ = true;

    if (awaitPending_) awaitCandidates();
    collected_ = 0;
    missing_.clear();
    tiles_.clear();
    tiles_.reserve(heartbeats_.size());
    for (const Heartbeat& h : heartbeats_) {
        Tile t;
        t.station = h.station;
        if (!h.admission.empty()) t.candidate = h.admission + " " + h.name;
        const bool lost = kav::station::isLost(h, now_);
        t.state = lost ? TileState::Lost : static_cast<TileState>(h.phase);
        t.status = std::string(tileStateName(t.state));
        if (isWorking(h.phase)) t.detail = "剩余 " + clockText(h.remainingSeconds);
        else if (h.phase == StationPhase::Reported && h.lastReportTotal)
            t.detail = "总分 " + std::to_string(*h.lastReportTotal);
        t.heard = heardText(kav::station::silentSeconds(h, now_));
        if (collecting_) {
            // A candidate who reports during the collection is awaited too,
            // even one whose station was not seen when it was ordered.
            if (h.phase == StationPhase::Reported && hasCandidate(h)) awaited_.insert(h.station);
            if (awaited_.count(h.station)) {
                if (h.phase == StationPhase::Reported) ++collected_;
                else {
                    t.missing = true;
                    missing_.push_back(h.station);
                }
            }
        }
        tiles_.push_back(std::move(t));
    }
}

void LabViewModel::awaitCandidates() {
    awaitPending_ = false;
    for (const Heartbeat& h : heartbeats_)
        if (hasCandidate(h) && h.phase != StationPhase::Ended) awaited_.insert(h.station);
}

void LabViewModel::startCollection() {
    collecting_ = true;
    awaited_.clear();
    collected_ = 0;
    missing_.clear();
    awaitPending_ = true;
    if (hasReading_) {
        awaitCandidates();
        // Until the next reading the tiles show what was read before the order.
        for (const Heartbeat& h : heartbeats_) {
            if (!awaited_.count(h.station)) continue;
            if (h.phase == StationPhase::Reported) ++collected_;
            else missing_.push_back(h.station);
        }
        for (Tile& t : tiles_)
            t.missing = std::find(missing_.begin(), missing_.end(), t.station) != missing_.end();
    }
}

void LabViewModel::stopCollection() {
    collecting_ = false;
    awaitPending_ = false;
    awaited_.clear();
    collected_ = 0;
    missing_.clear();
    for (Tile& t : tiles_) t.missing = false;
}

std::string LabViewModel::countsText() const {
    return "在考 " + std::to_string(counts_.examining) + "    已交卷 " + std::to_string(counts_.reported) +
           "    失联 " + std::to_string(counts_.lost) + "    未登录 " + std::to_string(counts_.notLoggedIn);
}

std::string LabViewModel::progressText() const {
    if (!collecting_) return {};
    return "已收 " + std::to_string(collected_) + "/" + std::to_string(awaited_.size());
}

std::string LabViewModel::missingText() const { return namedList("未收：", missing_); }

std::string LabViewModel::lostText() const {
    std::vector<std::string> lost;
    for (const Tile& t : tiles_)
        if (t.state == TileState::Lost) lost.push_back(t.station);
    return namedList("失联：", lost);
}

// ------------------------------------------------------------ LabViewLogic

LabViewLogic::LabViewLogic(LabReader::Connect connect, kav::ui::Clock& clock, LabReader::Launch launch)
    : reader_(std::move(connect), std::move(launch)), clock_(clock) {}

LabViewLogic::~LabViewLogic() {
    if (timer_) clock_.stopTimer(timer_);
}

void LabViewLogic::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    updateTimer();
}

void LabViewLogic::setMode(kav::station::StationMode mode) {
    using kav::station::StationMode;
    if (mode_ == mode) return;
    const bool first = !mode_;
    mode_ = mode;
    if (first) return;  // the mode the console found, not a switch
    if (mode == StationMode::ForcedCollection) model.startCollection();
    else if (mode == StationMode::Exam || mode == StationMode::Practice) model.stopCollection();
    updateTimer();
}

void LabViewLogic::tick() {
    if (std::optional<LabReading> reading = reader_.take()) {
        model.show(*reading);
        if (model.reportsArrived()) scoresStale = true;
        if (changed) changed();
    }
    if (active()) reader_.request();
}

void LabViewLogic::updateTimer() {
    if (active() && !timer_) {
        reader_.request();  // the first reading at once, not a tick later
        timer_ = clock_.startTimer(kTickMs, [this] { tick(); });
    } else if (!active() && timer_) {
        clock_.stopTimer(timer_);
        timer_ = 0;
    }
}

}  // namespace mendrix::labview
