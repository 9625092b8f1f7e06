#pragma once
// Station polls that hang: each runs on a thread of its own, as in the client,
// but only once the test lets it go (or, so that a failing test never hangs,
// after 20 s).
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "common/station/poll.h"

namespace kavlor::test {

class HeldPolls {
public:
    // Lets every poll that is held, and every later one, run; then waits until
    // every poll started so far has ended.
    ~HeldPolls() { releaseAndWait(); }

    kav::station::StationPoll::Launch launch() {
        return [s = state_](std::function<void()> work) {
            std::lock_guard lock(s->mutex);
            ++s->launched;
            std::thread([s, work = std::move(work)] {
                {
                    std::unique_lock lock(s->mutex);
                    s->changed.wait_for(lock, std::chrono::seconds(20), [&] { return s->released; });
                    ++s->started;
                }
                work();
                std::lock_guard lock(s->mutex);
                ++s->ended;
                s->changed.notify_all();
            }).detach();
        };
    }

    void releaseAndWait() {
        std::unique_lock lock(state_->mutex);
        state_->released = true;
        state_->changed.notify_all();
        state_->changed.wait(lock, [&] { return state_->ended == state_->launched; });
    }
    int launched() const { return read(&State::launched); }
    int started() const { return read(&State::started); }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        int launched = 0, started = 0, ended = 0;
    };
    int read(int State::*count) const {
        std::lock_guard lock(state_->mutex);
        return (*state_).*count;
    }
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kavlor::test
