#pragma once
// The two-second poll of a running station, off the caller's thread: a lab
// server that does not answer holds the poll, never the exam window.
//
// On a lab server a poll, after its reading, listens on its connection for the
// station record's next change, and reads a change announced at once: a
// teacher's order reaches every station within a fraction of a second. The
// two-second poll remains, and is all a database file (and a server restart,
// until the stations have connected again) has.
//
// The poll reads the station record through a connection of its own: the
// station's other users of the teacher tables (the delay password, the
// screens' reads) go on through theirs and never wait for a poll, nor the poll
// for them. The report borrows the poll's connection when no poll is running,
// and takes the program's own otherwise.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "common/db/database.h"
#include "common/station/heartbeat.h"
#include "common/station/report.h"

namespace kav::station {

// A tick waits this long for the poll it starts: an answering server's
// reading is acted on at once, and one that does not answer holds the
// window no longer than this.
inline constexpr std::chrono::milliseconds kTickWait{50};

class StationPoll {
public:
    // Opens the poll's own connection to the teacher tables (on the poll's
    // thread, at its first poll and again after a failed attempt).
    using Connect = std::function<std::unique_ptr<db::Connection>()>;
    // Runs one poll's work: on a thread of its own in the programs, at once
    // in tests that want every poll to end before the tick goes on.
    using Launch = std::function<void(std::function<void()> work)>;
    static void onThreadOfItsOwn(std::function<void()> work);
    static void atOnce(std::function<void()> work) { work(); }

    explicit StationPoll(Connect connect, Launch launch = onThreadOfItsOwn);
    // Never waits: a poll still in flight (told to stop listening) ends on its
    // own thread, which holds the poll's connection until then and closes it.
    ~StationPoll();
    StationPoll(const StationPoll&) = delete;
    StationPoll& operator=(const StationPoll&) = delete;

    // Called at each tick: starts a poll unless one is still in flight (so a
    // hung poll never stacks up), waits up to `wait` for the poll it started
    // (never for one still hanging from an earlier tick), and gives the
    // latest mode a poll read since the last call, or nullopt when none did
    // (none ended, or they found no mode: the server away, a value the column
    // cannot hold, no connection yet). An error a poll met otherwise (the
    // record missing) is thrown here, once.
    std::optional<int> take(std::chrono::milliseconds wait);

    // Whether a poll is running now.
    bool inFlight() const;

    // The station's heartbeat, written by every poll from now on after its
    // reading, on the poll's thread and connection (from any thread). A
    // heartbeat that cannot be written never touches the reading: the poll
    // goes on, and one the server refuses (an older lab without the table) is
    // tried again only a minute later.
    void beat(Heartbeat heartbeat);
    // Writes the heartbeat now with a poll of its own (after the one in flight),
    // waiting for it at most `wait` in all: a client's last word as it ends.
    void beatNow(Heartbeat heartbeat, std::chrono::milliseconds wait);

    // Runs `work` on the poll's connection when no poll is running and the
    // poll has a connection (from any thread; no poll starts meanwhile) and
    // returns true; returns false without running it otherwise. A station's
    // report goes this way when it can, so that it needs no session of its own
    // on the server.
    bool lend(const std::function<void(db::Connection&)>& work);

    // From the next poll on, each poll listens on its connection after its
    // reading, and reads again when a change is announced or a tick wants a
    // reading (never with polls launched atOnce: the tick would wait). `tell`
    // (may be empty) is called on the poll's thread when it has read an
    // announced change: take() then gives that reading at once.
    void listen(std::function<void()> tell = {});
    // Whether the reading take() would give came from an announced change
    // (for a program that looks often rather than being told).
    bool announcedReadingWaiting() const;

    // Called on the poll's thread with the time each reading took (connecting
    // included) and whether an announcement started it rather than a tick, for
    // a lab's measurements. Set before the first take().
    using Timing = std::function<void(std::chrono::microseconds took, bool announced)>;
    void timePolls(Timing timing);

private:
    struct Shared;
    // The reading not yet taken (see take()); the caller holds the lock.
    std::optional<int> takeReading(std::unique_lock<std::mutex>& lock);
    std::shared_ptr<Shared> shared_;
    Launch launch_;
};

// A station's way to the teacher tables for its report: the poll's connection
// when it can be lent (see StationPoll::lend), `own` otherwise or without a poll.
TeacherAccess reportAccess(StationPoll* poll, db::Connection& own);

}  // namespace kav::station
