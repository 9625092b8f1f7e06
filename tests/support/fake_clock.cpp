#include "tests/support/fake_clock.h"

namespace kav::test {

ui::Clock::TimerId FakeClock::startTimer(int intervalMs, std::function<void()> tick) {
    TimerId id = nextId_++;
    timers_[id] = Timer{intervalMs, now_ + intervalMs, std::move(tick)};
    return id;
}

void FakeClock::stopTimer(TimerId id) { timers_.erase(id); }

void FakeClock::advance(std::int64_t ms) {
    const std::int64_t end = now_ + ms;
    for (;;) {
        // The earliest due timer; ties go to the one started first.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due)) next = it;
        if (next == timers_.end()) break;
        moveWallClock(next->second.due - now_);
        now_ = next->second.due;
        next->second.due += next->second.interval;
        auto tick = next->second.tick;  // the tick may stop or start timers
        tick();
    }
    moveWallClock(end - now_);
    now_ = end;
}

void FakeClock::moveWallClock(std::int64_t ms) {
    if (ms <= 0) return;
    local = DateTime::fromOleDays(local.toOleDays() + static_cast<double>(ms) / 86'400'000.0);
    std::int64_t t = ((utc.hour * 60LL + utc.minute) * 60 + utc.second) * 1000 + utc.millisecond + ms;
    t %= 86'400'000;
    utc = {static_cast<int>(t / 3'600'000), static_cast<int>(t / 60'000 % 60), static_cast<int>(t / 1000 % 60),
           static_cast<int>(t % 1000)};
}

}  // namespace kav::test
