#include "client/flow/station_mode.h"

#include <array>

namespace kavlor {

namespace {

constexpr const char* kEndWarning = "结束！系统将退出，请与管理员联系！！！";

// Every change the client acts on; all others are ignored.
const std::array<ModeTransition, 6> kTransitions{{
    {StationMode::Exam, StationMode::Practice, ModeChange::EnterPractice, "将进入练习状态,可自进评分！！！",
     ModeLabel::Practice},
    {StationMode::Exam, StationMode::ForcedCollection, ModeChange::Collect, "将进入强制评分！！！",
     ModeLabel::Collecting},
    {StationMode::Exam, StationMode::Ended, ModeChange::End, kEndWarning, std::nullopt},
    {StationMode::Practice, StationMode::Ended, ModeChange::End, kEndWarning, std::nullopt},
    {StationMode::ForcedCollection, StationMode::Practice, ModeChange::LeaveCollection,
     "结束强制评分，将转到练习状态！", ModeLabel::Practice},
    {StationMode::ForcedCollection, StationMode::Ended, ModeChange::End, kEndWarning, std::nullopt},
}};

}  // namespace

const char* caption(ModeLabel label) {
    switch (label) {
    case ModeLabel::Exam: return "考试状态";
    case ModeLabel::Practice: return "练习状态";
    case ModeLabel::Collecting: return "评分状态";
    }
    return "";
}

// Only practice has a label of its own at creation; any other mode (forced
// collection included) starts with the initial "考试状态".
ModeLabel initialLabel(StationMode mode) { return mode == StationMode::Practice ? ModeLabel::Practice : ModeLabel::Exam; }

std::optional<ModeTransition> transitionFor(StationMode remembered, int read) {
    const StationMode to = kav::station::stationModeOf(read);
    for (const ModeTransition& t : kTransitions)
        if (t.from == remembered && t.to == to) return t;
    return std::nullopt;
}

}  // namespace kavlor
