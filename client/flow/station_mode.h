#pragma once
// The station mode as the running exam follows it: the mode the client acts in
// (taken from korl when the toolbar is made), the changes of korl it acts on,
// and the toolbar's mode label, which also decides what hand-in does.
#include <optional>
#include <string>

#include "common/station/station.h"

namespace kavlor {

using kav::station::StationMode;

// What the client does on a change it acts on.
enum class ModeChange {
    EnterPractice,    // candidates may grade their own work
    Collect,          // grade everything, report it and cover the screen
    LeaveCollection,  // uncover the screen and go on in practice
    End,              // end the client
};

// The teacher's orders that do not wait for a box the candidate left open.
inline bool overridesOpenBoxes(ModeChange change) { return change == ModeChange::Collect || change == ModeChange::End; }

// The toolbar's mode label. Hand-in grades and reports only under Exam.
enum class ModeLabel { Exam, Practice, Collecting };
const char* caption(ModeLabel label);  // "考试状态", "练习状态", "评分状态"
// The label of a toolbar made while korl reads `mode`.
ModeLabel initialLabel(StationMode mode);

struct ModeTransition {
    StationMode from, to;
    ModeChange change;
    const char* warning;               // shown before the change is carried out
    std::optional<ModeLabel> label;    // the new mode label; none keeps it
};

// The change that korl `read` makes from the remembered mode; none when the
// client ignores it (the remembered mode then stays as it is).
std::optional<ModeTransition> transitionFor(StationMode remembered, int read);

}  // namespace kavlor
