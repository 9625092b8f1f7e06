#include "common/station/poll.h"

#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "common/station/station.h"

namespace kav::station {

struct StationPoll::Shared {
    explicit Shared(Connect c) : connect(std::move(c)) {}

    // Touched only by the poll's work, which runs one poll at a time, and by
    // a lend, which runs only while no poll does.
    Connect connect;
    Timing timing;
    std::unique_ptr<db::Connection> connection;
    std::unique_ptr<db::Cursor> state;

    // The hand-over between the poll's work and take().
    std::mutex mutex;
    std::condition_variable ended;
    bool inFlight = false;
    bool hasReading = false;  // a mode or an error read since the last take()
    bool readingDone = false;  // the running poll has read (its heartbeat may still be written)
    std::optional<int> reading;
    std::exception_ptr error;
    std::optional<Heartbeat> heartbeat;
    int pollsWithoutHeartbeat = 0;  // after a refused heartbeat; touched by the poll's work only

    static constexpr int kPollsAfterRefusal = 30;

    void writeBeat() {
        std::optional<Heartbeat> h;
        {
            std::lock_guard lock(mutex);
            h = heartbeat;
        }
        if (!h || !connection) return;
        if (pollsWithoutHeartbeat > 0) {
            --pollsWithoutHeartbeat;
            return;
        }
        try {
            writeHeartbeat(*connection, *h);
        } catch (const db::DbUnavailable&) {
            // The next poll finds the connection broken and connects again.
        } catch (const db::DbError& e) {
            std::fprintf(stderr, "Kavlor: the station's heartbeat is not written: %s\n", e.what());
            pollsWithoutHeartbeat = kPollsAfterRefusal;
        }
    }

    std::optional<int> readMode() {
        if (!state) {
            // No connection yet, or the last attempt failed: the candidate is
            // shown nothing, and the next poll tries again.
            try {
                connection = connect();
                state = connection->openTable("state");
            } catch (const db::DbError&) {
                state.reset();
                connection.reset();
                return std::nullopt;
            }
        }
        return pollStationMode(*state);
    }

    void run() {
        std::optional<int> mode;
        std::exception_ptr failure;
        const auto started = std::chrono::steady_clock::now();
        try {
            mode = readMode();
        } catch (...) {
            failure = std::current_exception();
        }
        if (timing)
            timing(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started));
        {
            std::lock_guard lock(mutex);
            // A poll that found no mode leaves a reading no tick has taken yet
            // as it is: an order that came back late is not lost to it.
            if (mode || failure) {
                reading = mode;
                error = failure;
                hasReading = true;
            }
            readingDone = true;
        }
        // The tick has its reading before the heartbeat is written.
        ended.notify_all();
        if (mode) writeBeat();
        {
            std::lock_guard lock(mutex);
            inFlight = false;
        }
        ended.notify_all();
    }
};

void StationPoll::onThreadOfItsOwn(std::function<void()> work) { std::thread(std::move(work)).detach(); }

StationPoll::StationPoll(Connect connect, Launch launch)
    : shared_(std::make_shared<Shared>(std::move(connect))), launch_(std::move(launch)) {}

// The work of a poll in flight holds the shared part (and with it the poll's
// connection) until it ends, so nothing here waits for it.
StationPoll::~StationPoll() = default;

std::optional<int> StationPoll::take(std::chrono::milliseconds wait) {
    Shared& s = *shared_;
    bool start = false;
    {
        std::lock_guard lock(s.mutex);
        start = !s.inFlight;
        s.inFlight = true;
        if (start) s.readingDone = false;
    }
    if (start) {
        try {
            launch_([shared = shared_] { shared->run(); });
        } catch (...) {
            std::lock_guard lock(s.mutex);
            s.inFlight = false;
            throw;
        }
    }
    std::unique_lock lock(s.mutex);
    // Only the poll this tick started is waited for: one that an earlier
    // tick's wait did not see end is hanging.
    if (start) s.ended.wait_for(lock, wait, [&] { return !s.inFlight || s.readingDone; });
    if (!s.hasReading) return std::nullopt;
    s.hasReading = false;
    if (std::exception_ptr failure = std::exchange(s.error, nullptr)) std::rethrow_exception(failure);
    return s.reading;
}

void StationPoll::beatNow(Heartbeat heartbeat, std::chrono::milliseconds wait) {
    Shared& s = *shared_;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    {
        std::unique_lock lock(s.mutex);
        s.heartbeat = std::move(heartbeat);
        if (!s.ended.wait_until(lock, deadline, [&] { return !s.inFlight; })) return;
        s.inFlight = true;
        s.readingDone = false;
    }
    try {
        launch_([shared = shared_] { shared->run(); });
    } catch (...) {
        std::lock_guard lock(s.mutex);
        s.inFlight = false;
        throw;
    }
    std::unique_lock lock(s.mutex);
    s.ended.wait_until(lock, deadline, [&] { return !s.inFlight; });
}

bool StationPoll::lend(const std::function<void(db::Connection&)>& work) {
    Shared& s = *shared_;
    {
        std::lock_guard lock(s.mutex);
        // Without a poll running, nothing else touches the connection.
        if (s.inFlight || !s.connection) return false;
        s.inFlight = true;
    }
    struct GiveBack {
        Shared& s;
        ~GiveBack() {
            {
                std::lock_guard lock(s.mutex);
                s.inFlight = false;
            }
            s.ended.notify_all();
        }
    } giveBack{s};
    work(*s.connection);
    return true;
}

void StationPoll::timePolls(Timing timing) { shared_->timing = std::move(timing); }

void StationPoll::beat(Heartbeat heartbeat) {
    std::lock_guard lock(shared_->mutex);
    shared_->heartbeat = std::move(heartbeat);
}

bool StationPoll::inFlight() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->inFlight;
}

TeacherAccess reportAccess(StationPoll* poll, db::Connection& own) {
    return [poll, &own](const std::function<void(db::Connection&)>& work) {
        if (!poll || !poll->lend(work)) work(own);
    };
}

}  // namespace kav::station
