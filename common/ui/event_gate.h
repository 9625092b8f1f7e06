#pragma once
// The one gate through which a program runs every window handler and timer
// tick, so that they run one at a time over the data they share.
//
// - A handler runs to its end before anything else starts. An error of the
//   database or file layer that no rule handles is shown with the layer's own
//   text in an error box; a ProgramExit ends the program: no handler or tick
//   runs any more, every open box is closed, and onExit is called once the
//   outermost handler has unwound.
// - A timer tick that falls due while a handler runs waits behind it (a
//   coalescing timer keeps at most one waiting tick). A timer may declare
//   itself independent of boxes: when it falls due while the handler sits in
//   a message box opened through dialogs() (and only there, never in the
//   middle of the handler's writes), it runs at once if it says so.
// - When the program ends inside a box's nested event loop, the box call
//   unwinds with the exit, so the handler that opened the box goes no further.
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/ui/clock.h"
#include "common/ui/dialogs.h"

namespace kav::ui {

// Base of a program's "exit" exception: the program ends, and no further step
// of the operation that threw it runs.
struct ProgramExit : std::exception {};

struct TimerOptions {
    // Waits with at most one tick instead of keeping every tick.
    bool coalesce = false;
    // Asked when the timer has ticks to run while the running handler sits in
    // a box, with the number of ticks that would run (its waiting ticks and the
    // due one; 1 for a coalescing timer); true runs them there and then, in
    // order. Empty: the ticks always wait for the handler.
    std::function<bool(int ticks)> runsAtBox;
};

class EventGate {
public:
    EventGate(Dialogs& dialogs, Clock& clock);
    ~EventGate();
    EventGate(const EventGate&) = delete;
    EventGate& operator=(const EventGate&) = delete;

    // Called after every handler and tick (the windows redraw).
    std::function<void()> afterHandler;
    // Called once when the program has ended by a ProgramExit.
    std::function<void()> onExit;
    // The text of the error box for an error no rule handles; empty: what().
    std::function<std::string(const std::exception&)> errorText;

    // Runs one handler through the gate (nested calls run at once).
    void handle(const std::function<void()>& handler);
    bool ended() const { return ended_; }
    // Whether a handler or tick is running now (a box of it may be open).
    bool running() const { return depth_ > 0; }

    using TimerId = Clock::TimerId;
    TimerId startTimer(int intervalMs, std::function<void()> tick, TimerOptions options = {});
    void stopTimer(TimerId id);  // 0 and unknown ids are ignored

    // The program's dialogs: every box is a point where box-independent ticks
    // may run, and unwinds with the exit when the program ends while it is open.
    Dialogs& dialogs();
    // The program's clock: its timers run through the gate and coalesce.
    Clock& clock();

private:
    class GatedDialogs;
    class GatedClock;
    struct Timer {
        Clock::TimerId clockId;
        std::function<void()> tick;
        TimerOptions options;
    };

    void onTick(TimerId id);
    bool atBox() const { return depth_ > 0 && boxDepth_ == depth_; }
    int ticksToRun(TimerId id, bool due) const;
    bool mayRunAtBox(TimerId id, bool due);
    void runAtBox(TimerId id, bool due);
    void runWaitingAtBox();
    void runWaiting();
    int waitingTicks(TimerId id) const;
    void end(std::exception_ptr exit);
    void throwIfEnded() const;

    Dialogs& dialogs_;
    Clock& clock_;
    std::unique_ptr<GatedDialogs> gatedDialogs_;
    std::unique_ptr<GatedClock> gatedClock_;
    std::map<TimerId, Timer> timers_;
    TimerId nextTimer_ = 1;
    std::vector<TimerId> waiting_;
    int depth_ = 0;     // handlers running (nested ones count)
    int boxDepth_ = 0;  // the handler depth at which the innermost open box was opened
    bool draining_ = false;  // waiting ticks are being run after the handlers
    bool ended_ = false;
    bool exitReported_ = false;
    std::exception_ptr exit_;
};

}  // namespace kav::ui
