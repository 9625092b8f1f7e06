#include "common/ui/event_gate.h"

#include <algorithm>

namespace kav::ui {

// Every box is opened at the depth of the handler that asks for it; while it is
// open, box-independent ticks may run there. A box of a program that has ended
// is not opened, and one open when it ends unwinds with the exit.
class EventGate::GatedDialogs : public Dialogs {
public:
    explicit GatedDialogs(EventGate& gate) : gate_(gate) {}

private:
    // Opens a box at the depth of the running handler.
    template <class Open>
    auto atBox(Open open) {
        gate_.throwIfEnded();
        struct Scope {
            EventGate& gate;
            int saved;
            ~Scope() { gate.boxDepth_ = saved; }
        } scope{gate_, gate_.boxDepth_};
        gate_.boxDepth_ = gate_.depth_;
        gate_.runWaitingAtBox();
        gate_.throwIfEnded();
        auto answer = open();
        gate_.throwIfEnded();
        return answer;
    }

public:
    Answer message(MessageKind kind, const std::string& text, Buttons buttons, const std::string& caption) override {
        return atBox([&] { return gate_.dialogs_.message(kind, text, buttons, caption); });
    }
    std::optional<std::string> prompt(const std::string& caption, const std::string& label, const std::string& initial,
                                      bool password) override {
        return atBox([&] { return gate_.dialogs_.prompt(caption, label, initial, password); });
    }
    std::optional<std::filesystem::path> openFile(const std::string& caption, const std::string& filter) override {
        return atBox([&] { return gate_.dialogs_.openFile(caption, filter); });
    }
    std::optional<std::filesystem::path> saveFile(const std::string& caption, const std::string& filter) override {
        return atBox([&] { return gate_.dialogs_.saveFile(caption, filter); });
    }
    std::optional<std::filesystem::path> saveFileAt(const std::string& caption, const std::string& filter,
                                                    const std::filesystem::path& proposed,
                                                    const std::string& defaultSuffix) override {
        return atBox([&] { return gate_.dialogs_.saveFileAt(caption, filter, proposed, defaultSuffix); });
    }
    void runWithProgress(const std::string& label, const std::function<void(const Progress&)>& work) override {
        atBox([&] {
            gate_.dialogs_.runWithProgress(label, work);
            return true;
        });
    }
    void about(const std::string& title) override {
        atBox([&] {
            gate_.dialogs_.about(title);
            return true;
        });
    }
    void closeOpenBoxes() override { gate_.dialogs_.closeOpenBoxes(); }

private:
    EventGate& gate_;
};

class EventGate::GatedClock : public Clock {
public:
    explicit GatedClock(EventGate& gate) : gate_(gate) {}
    DateTime nowLocal() const override { return gate_.clock_.nowLocal(); }
    TimeOfDay utcTimeOfDay() const override { return gate_.clock_.utcTimeOfDay(); }
    std::int64_t monotonicMs() const override { return gate_.clock_.monotonicMs(); }
    // A window's periodic refresh or store needs one tick after a wait, not all.
    TimerId startTimer(int intervalMs, std::function<void()> tick) override {
        return gate_.startTimer(intervalMs, std::move(tick), {.coalesce = true, .runsAtBox = {}});
    }
    void stopTimer(TimerId id) override { gate_.stopTimer(id); }

private:
    EventGate& gate_;
};

EventGate::EventGate(Dialogs& dialogs, Clock& clock)
    : dialogs_(dialogs),
      clock_(clock),
      gatedDialogs_(std::make_unique<GatedDialogs>(*this)),
      gatedClock_(std::make_unique<GatedClock>(*this)) {}

EventGate::~EventGate() {
    for (auto& [id, timer] : timers_) clock_.stopTimer(timer.clockId);
}

Dialogs& EventGate::dialogs() { return *gatedDialogs_; }
Clock& EventGate::clock() { return *gatedClock_; }

void EventGate::handle(const std::function<void()>& handler) {
    if (ended_) return;
    ++depth_;
    try {
        try {
            handler();
        } catch (const ProgramExit&) {
            throw;
        } catch (const std::exception& e) {
            // The handler has unwound: its error box is a safe point too.
            dialogs().message(MessageKind::Error, errorText ? errorText(e) : std::string(e.what()));
        }
    } catch (const ProgramExit&) {
        end(std::current_exception());
    }
    --depth_;
    if (afterHandler) afterHandler();
    if (depth_ > 0) return;
    if (ended_) {
        if (!exitReported_) {
            exitReported_ = true;
            if (onExit) onExit();
        }
        return;
    }
    runWaiting();
}

void EventGate::end(std::exception_ptr exit) {
    if (ended_) return;
    ended_ = true;
    exit_ = std::move(exit);
    for (auto& [id, timer] : timers_) clock_.stopTimer(timer.clockId);
    timers_.clear();
    waiting_.clear();
    // A box open beneath is closed; its call then unwinds with the exit.
    dialogs_.closeOpenBoxes();
}

void EventGate::throwIfEnded() const {
    if (ended_) std::rethrow_exception(exit_);
}

EventGate::TimerId EventGate::startTimer(int intervalMs, std::function<void()> tick, TimerOptions options) {
    const TimerId id = nextTimer_++;
    const Clock::TimerId clockId = clock_.startTimer(intervalMs, [this, id] { onTick(id); });
    timers_[id] = Timer{clockId, std::move(tick), std::move(options)};
    return id;
}

void EventGate::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    clock_.stopTimer(it->second.clockId);
    timers_.erase(it);
    std::erase(waiting_, id);
}

int EventGate::waitingTicks(TimerId id) const { return static_cast<int>(std::count(waiting_.begin(), waiting_.end(), id)); }

void EventGate::onTick(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end() || ended_) return;
    if (depth_ == 0) {
        auto tick = it->second.tick;  // the tick may stop its own timer
        handle(tick);
        return;
    }
    if (atBox() && mayRunAtBox(id, /*due=*/true)) {
        runAtBox(id, /*due=*/true);
        return;
    }
    if (!it->second.options.coalesce || waitingTicks(id) == 0) waiting_.push_back(id);
}

int EventGate::ticksToRun(TimerId id, bool due) const {
    auto it = timers_.find(id);
    if (it->second.options.coalesce) return 1;
    return waitingTicks(id) + (due ? 1 : 0);
}

bool EventGate::mayRunAtBox(TimerId id, bool due) {
    auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.options.runsAtBox) return false;
    auto ask = it->second.options.runsAtBox;
    try {
        return ask(ticksToRun(id, due));
    } catch (const std::exception&) {
        return false;  // the tick waits, and shows its error when it runs
    }
}

// Runs the timer's waiting ticks (and the due one), in order, at the open box.
void EventGate::runAtBox(TimerId id, bool due) {
    const int runs = ticksToRun(id, due);
    std::erase(waiting_, id);
    for (int i = 0; i < runs && !ended_; ++i) {
        auto timer = timers_.find(id);
        if (timer == timers_.end()) break;  // stopped by its own tick
        auto tick = timer->second.tick;
        handle(tick);
    }
}

// A box opens: ticks that were waiting for the handler and may run at a box
// run now instead of waiting for the box to be closed.
void EventGate::runWaitingAtBox() {
    std::vector<TimerId> ids = waiting_;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (TimerId id : ids)
        if (!ended_ && waitingTicks(id) > 0 && mayRunAtBox(id, /*due=*/false)) runAtBox(id, /*due=*/false);
}

void EventGate::runWaiting() {
    if (draining_) return;  // the outer call goes on with the rest
    draining_ = true;
    while (!waiting_.empty() && !ended_) {
        const TimerId id = waiting_.front();
        waiting_.erase(waiting_.begin());
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;
        auto tick = it->second.tick;
        handle(tick);
    }
    draining_ = false;
}

}  // namespace kav::ui
