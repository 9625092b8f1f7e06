#pragma once
// Time and timers for the window logic. The Qt implementation runs every timer
// on the user-interface thread, so ticks and handlers never overlap; tests use
// a manual clock that fires due timers when it is advanced.
#include <cstdint>
#include <functional>

#include "common/core/datetime.h"

namespace kav::ui {

class Clock {
public:
    using TimerId = int;
    virtual ~Clock() = default;
    virtual DateTime nowLocal() const = 0;
    virtual TimeOfDay utcTimeOfDay() const = 0;
    // Milliseconds from an arbitrary start; never goes back.
    virtual std::int64_t monotonicMs() const = 0;
    // Calls tick every intervalMs until stopped. Returns a non-zero id.
    virtual TimerId startTimer(int intervalMs, std::function<void()> tick) = 0;
    virtual void stopTimer(TimerId id) = 0;
};

}  // namespace kav::ui
