// The event gate: handlers one at a time, errors shown with their text, the
// program's exit, ticks that wait behind a handler, and ticks that run at a
// box the handler left open.
#include "common/ui/event_gate.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"

namespace kav::ui {
namespace {

struct TestExit : ProgramExit {};

// Boxes that stay open for a while: the clock runs on meanwhile, as it does in
// a box's nested event loop.
class OpenBoxes : public test::FakeDialogs {
public:
    test::FakeClock* clock = nullptr;
    std::int64_t openMs = 0;
    Answer message(MessageKind kind, const std::string& text, Buttons buttons, const std::string& caption) override {
        const Answer answer = FakeDialogs::message(kind, text, buttons, caption);
        if (clock && openMs) clock->advance(std::exchange(openMs, 0));
        return answer;
    }
};

struct Gate : ::testing::Test {
    Gate() {
        dialogs.clock = &clock;
        gate.onExit = [this] { ++exits; };
        gate.afterHandler = [this] { ++redraws; };
    }
    OpenBoxes dialogs;
    test::FakeClock clock;
    EventGate gate{dialogs, clock};
    std::vector<std::string> log;
    int exits = 0, redraws = 0;
};

TEST_F(Gate, AHandlerErrorIsShownWithItsTextAndTheProgramGoesOn) {
    gate.handle([] { throw std::runtime_error("Cannot open file \"a.mdb\"."); });
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(dialogs.shown[0].text, "Cannot open file \"a.mdb\".");
    gate.handle([this] { log.push_back("next"); });
    EXPECT_EQ(log, std::vector<std::string>{"next"});
    EXPECT_EQ(redraws, 2);
    EXPECT_FALSE(gate.ended());
}

TEST_F(Gate, TheExitEndsTheProgramOnceAfterTheOutermostHandler) {
    const auto timer = gate.startTimer(100, [this] { log.push_back("tick"); });
    gate.handle([&] {
        gate.handle([] { throw TestExit{}; });
        EXPECT_EQ(exits, 0);  // the outer handler is still on its way
        log.push_back("outer goes on");
    });
    EXPECT_TRUE(gate.ended());
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(clock.isRunning(timer));
    gate.handle([this] { log.push_back("after the end"); });
    clock.advance(1000);
    EXPECT_EQ(log, std::vector<std::string>{"outer goes on"});
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(dialogs.shown.empty());  // the exit is no error
}

// How many ticks of a timer run, and when, when it falls due 5 times while a
// handler runs for 500 ms.
TEST_F(Gate, TicksThatFallDueDuringAHandlerWaitBehindIt) {
    struct Case {
        bool coalesce;
        int ticksAfter;
    };
    for (const Case c : {Case{false, 5}, Case{true, 1}}) {
        test::FakeClock clock;
        test::FakeDialogs dialogs;
        EventGate gate(dialogs, clock);
        int ticks = 0;
        gate.startTimer(100, [&] { ++ticks; }, {.coalesce = c.coalesce, .runsAtBox = {}});
        gate.handle([&] {
            clock.advance(500);
            EXPECT_EQ(ticks, 0) << c.coalesce;
        });
        EXPECT_EQ(ticks, c.ticksAfter) << c.coalesce;
        clock.advance(100);
        EXPECT_EQ(ticks, c.ticksAfter + 1) << c.coalesce;
    }
}

TEST_F(Gate, AStoppedTimerDropsItsWaitingTicks) {
    int ticks = 0;
    const auto timer = gate.startTimer(100, [&] { ++ticks; });
    gate.handle([&] {
        clock.advance(300);
        gate.stopTimer(timer);
    });
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(clock.isRunning(timer));
}

// A box opened through the gate is a safe point: a timer that says so runs
// there; the others wait for the handler; nothing runs in the middle of the
// handler's own steps.
TEST_F(Gate, BoxIndependentTicksRunAtABoxAndNeverBetweenTheHandlersSteps) {
    bool urgent = true;
    gate.startTimer(100, [this] { log.push_back("urgent"); },
                    {.coalesce = true, .runsAtBox = [&](int) { return urgent; }});
    gate.startTimer(100, [this] { log.push_back("ordinary"); }, {.coalesce = true, .runsAtBox = {}});
    gate.handle([&] {
        log.push_back("write 1");
        clock.advance(100);  // due between two writes: waits
        log.push_back("write 2");
        dialogs.openMs = 300;
        gate.dialogs().message(MessageKind::Error, "box");  // the waiting one runs as the box opens
        log.push_back("after the box");
    });
    EXPECT_EQ(log, (std::vector<std::string>{"write 1", "write 2", "urgent", "urgent", "urgent", "urgent",
                                             "after the box", "ordinary"}));

    // A timer that declines waits like any other.
    log.clear();
    urgent = false;
    gate.handle([&] {
        dialogs.openMs = 200;
        gate.dialogs().message(MessageKind::Plain, "box");
        log.push_back("after the box");
    });
    EXPECT_EQ(log, (std::vector<std::string>{"after the box", "urgent", "ordinary"}));
}

// A keep-every-tick timer that runs at a box runs its waiting ticks first, in
// order, and is told how many would run.
TEST_F(Gate, AtABoxWaitingTicksRunFirstAndInOrder) {
    std::vector<int> asked;
    int n = 0;
    gate.startTimer(100, [&] { log.push_back("tick " + std::to_string(++n)); },
                    {.coalesce = false, .runsAtBox = [&](int ticks) {
                         asked.push_back(ticks);
                         return ticks >= 3;
                     }});
    gate.handle([&] {
        clock.advance(200);  // two waiting ticks
        dialogs.openMs = 100;
        gate.dialogs().message(MessageKind::Plain, "box");
    });
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));  // at the opening, then with the due tick
    EXPECT_EQ(log, (std::vector<std::string>{"tick 1", "tick 2", "tick 3"}));
}

// The program ends inside a box's nested loop: the box is closed, and the
// handler that opened it goes no further; the exit is reported once.
TEST_F(Gate, AnExitAtABoxClosesItAndUnwindsTheHandler) {
    gate.startTimer(100, [] { throw TestExit{}; }, {.coalesce = true, .runsAtBox = [](int) { return true; }});
    bool caughtAsExit = false;
    gate.handle([&] {
        log.push_back("write 1");
        dialogs.openMs = 500;
        try {
            gate.dialogs().message(MessageKind::Error, "box");
        } catch (const TestExit&) {
            caughtAsExit = true;
            throw;
        }
        log.push_back("write 2");
    });
    EXPECT_TRUE(caughtAsExit);
    EXPECT_EQ(log, std::vector<std::string>{"write 1"});
    EXPECT_EQ(dialogs.closeRequests, 1);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(clock.runningTimers(), 0);
    EXPECT_THROW(gate.dialogs().message(MessageKind::Plain, "late"), TestExit);  // no box after the end
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(Gate, TheProgramsClockRunsItsTimersThroughTheGateAndCoalesces) {
    Clock& programClock = gate.clock();
    int ticks = 0;
    const auto timer = programClock.startTimer(250, [&] { ++ticks; });
    gate.handle([&] { clock.advance(1000); });
    EXPECT_EQ(ticks, 1);
    programClock.stopTimer(timer);
    clock.advance(1000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(programClock.monotonicMs(), clock.monotonicMs());
}

}  // namespace
}  // namespace kav::ui
