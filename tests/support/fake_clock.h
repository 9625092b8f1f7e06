#pragma once
// A manual clock: time stands still until advance() moves it, firing every due
// timer tick in time order, one at a time, as the user-interface thread would.
#include <map>

#include "common/ui/clock.h"

namespace kav::test {

class FakeClock : public ui::Clock {
public:
    DateTime local{2026, 12, 9, 8, 0, 0, 0};
    TimeOfDay utc{0, 0, 0, 0};

    DateTime nowLocal() const override { return local; }
    TimeOfDay utcTimeOfDay() const override { return utc; }
    std::int64_t monotonicMs() const override { return now_; }
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) override;

    // Moves time forward by ms, firing due ticks; local and utc move along.
    void advance(std::int64_t ms);
    bool isRunning(TimerId id) const { return timers_.count(id) != 0; }
    int runningTimers() const { return static_cast<int>(timers_.size()); }

private:
    struct Timer {
        int interval;
        std::int64_t due;
        std::function<void()> tick;
    };
    void moveWallClock(std::int64_t ms);
    std::int64_t now_ = 0;
    int nextId_ = 1;
    std::map<TimerId, Timer> timers_;
};

}  // namespace kav::test
