#include "common/station/poll.h"

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "common/db/postgres_backend.h"
#include "common/station/station.h"

namespace kav::station {

struct StationPoll::Shared {
    explicit Shared(Connect c) : connect(std::move(c)) {
        if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) wake[0] = wake[1] = -1;  // then no listening
    }
    ~Shared() {
        for (int fd : wake)
            if (fd >= 0) ::close(fd);
    }

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
    // After its reading, a poll listens on its connection for the station
    // record's next change, and reads again when one is announced or a tick
    // wants a reading; it ends when someone else needs the connection (see
    // interruptListening), or the connection broke.
    bool listens = false;  // set by listen(), cleared as the StationPoll goes
    bool listening = false;
    bool readWanted = false;  // a tick woke the listening poll for a reading
    bool announcedReading = false;  // the reading not yet taken came from an announcement
    std::function<void()> whenAnnounced;
    int wake[2] = {-1, -1};  // written to end the listening early

    // A listening poll reads anyway after this long without a tick.
    static constexpr std::chrono::seconds kListenLimit{10};

    // Wakes a listening poll: for a reading (forRead), waiting until it has
    // read; to end, waiting until it has. Either until `deadline`. Whether the
    // poll was listening. The caller holds the lock.
    bool interruptListening(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point deadline,
                            bool forRead = false) {
        if (!listening) return false;
        listening = false;
        readWanted = forRead;
        if (forRead) readingDone = false;
        const char byte = 1;
        (void)!::write(wake[1], &byte, 1);
        ended.wait_until(lock, deadline, [&] { return !inFlight || (forRead && readingDone); });
        return true;
    }

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

    // Reads the mode and hands it to take(); whether a mode was read.
    bool read(bool announced) {
        std::optional<int> mode;
        std::exception_ptr failure;
        const auto started = std::chrono::steady_clock::now();
        try {
            mode = readMode();
        } catch (...) {
            failure = std::current_exception();
        }
        if (timing)
            timing(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started),
                   announced);
        {
            std::lock_guard lock(mutex);
            // A poll that found no mode leaves a reading no tick has taken yet
            // as it is: an order that came back late is not lost to it.
            if (mode || failure) {
                reading = mode;
                error = failure;
                hasReading = true;
                announcedReading = announced;
            }
            readingDone = true;
        }
        ended.notify_all();
        return mode.has_value();
    }

    enum class Heard { Announced, ReadWanted, Nothing };
    // Listens until a change of the station record is announced, a tick wants
    // a reading, or the poll should end (never on a database file).
    Heard listenForChange() {
        {
            std::lock_guard lock(mutex);
            if (!listens || wake[0] < 0) return Heard::Nothing;
            listening = true;
            readWanted = false;
        }
        db::StationChange change = db::StationChange::Broken;
        try {
            change = db::waitForStationChange(*connection, kListenLimit, wake[0]);
        } catch (const db::DbError&) {
            // The next poll reads (and connects again when it must).
        }
        std::lock_guard lock(mutex);
        const bool woken = !listening;  // interruptListening has cleared it
        listening = false;
        for (char byte; ::read(wake[0], &byte, 1) == 1;) {
        }
        if (woken) return readWanted ? Heard::ReadWanted : Heard::Nothing;
        if (change == db::StationChange::Announced) return Heard::Announced;
        return change == db::StationChange::TimedOut ? Heard::ReadWanted : Heard::Nothing;
    }

    // One poll: the reading, the heartbeat, and then (when listening) again
    // at each announced change or wanted reading.
    void run(bool listenAfter) {
        for (bool announced = false;;) {
            // The tick has its reading before the heartbeat is written.
            if (!read(announced)) break;
            if (announced) {
                std::function<void()> tell;
                {
                    std::lock_guard lock(mutex);
                    tell = whenAnnounced;
                }
                if (tell) tell();
            }
            // An announced reading comes between ticks: the next tick's own
            // reading writes the heartbeat, not 200 stations at the same instant.
            if (!announced) writeBeat();
            if (!listenAfter) break;
            const Heard heard = listenForChange();
            if (heard == Heard::Nothing) break;
            announced = heard == Heard::Announced;
        }
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

StationPoll::~StationPoll() {
    std::unique_lock lock(shared_->mutex);
    shared_->listens = false;  // a poll still reading ends after its reading
    shared_->interruptListening(lock, std::chrono::steady_clock::now());
}

std::optional<int> StationPoll::take(std::chrono::milliseconds wait) {
    Shared& s = *shared_;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool start = false;
    {
        std::unique_lock lock(s.mutex);
        // An order read as it was announced is this tick's reading: read once.
        if (s.hasReading && s.announcedReading) return takeReading(lock);
        // A listening poll reads for this tick: it is the poll the tick starts.
        if (s.interruptListening(lock, deadline, /*forRead=*/true)) return takeReading(lock);
        start = !s.inFlight;
        s.inFlight = true;
        if (start) s.readingDone = false;
    }
    if (start) {
        try {
            launch_([shared = shared_] { shared->run(/*listenAfter=*/true); });
        } catch (...) {
            std::lock_guard lock(s.mutex);
            s.inFlight = false;
            throw;
        }
    }
    std::unique_lock lock(s.mutex);
    // Only the poll this tick started is waited for: one that an earlier
    // tick's wait did not see end is hanging.
    if (start) s.ended.wait_until(lock, deadline, [&] { return !s.inFlight || s.readingDone; });
    return takeReading(lock);
}

std::optional<int> StationPoll::takeReading(std::unique_lock<std::mutex>&) {
    Shared& s = *shared_;
    if (!s.hasReading) return std::nullopt;
    s.hasReading = s.announcedReading = false;
    if (std::exception_ptr failure = std::exchange(s.error, nullptr)) std::rethrow_exception(failure);
    return s.reading;
}

void StationPoll::beatNow(Heartbeat heartbeat, std::chrono::milliseconds wait) {
    Shared& s = *shared_;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    {
        std::unique_lock lock(s.mutex);
        s.heartbeat = std::move(heartbeat);
        s.interruptListening(lock, deadline);
        if (!s.ended.wait_until(lock, deadline, [&] { return !s.inFlight; })) return;
        s.inFlight = true;
        s.readingDone = false;
    }
    try {
        launch_([shared = shared_] { shared->run(/*listenAfter=*/false); });
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
        std::unique_lock lock(s.mutex);
        s.interruptListening(lock, std::chrono::steady_clock::now() + kTickWait);
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

void StationPoll::listen(std::function<void()> tell) {
    // A poll run at once would hold its caller while it listens: it only reads.
    if (const auto* run = launch_.target<void (*)(std::function<void()>)>(); run && *run == &StationPoll::atOnce) return;
    std::lock_guard lock(shared_->mutex);
    shared_->listens = true;
    shared_->whenAnnounced = std::move(tell);
}

bool StationPoll::announcedReadingWaiting() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->hasReading && shared_->announcedReading;
}

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
