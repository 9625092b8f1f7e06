#pragma once
// The lab view's reading of the stations' heartbeats, off the window's
// thread: a lab server that does not answer holds the reading, never the
// console. The reading has a connection of its own, opened on the reading's
// thread at the first reading and again after a failed one; the console's own
// cursors are never touched.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/core/datetime.h"
#include "common/db/database.h"
#include "common/station/heartbeat.h"

namespace mendrix::labview {

// One reading: every station's latest heartbeat and the present time on the
// clock they are stamped with; or, when it failed, the engine's text.
struct LabReading {
    std::vector<kav::station::Heartbeat> heartbeats;
    kav::DateTime now;
    std::string error;  // empty when the reading succeeded
};

class LabReader {
public:
    using Connect = std::function<std::unique_ptr<kav::db::Connection>()>;
    // Runs one reading's work: on a thread of its own in the console, at once in tests.
    using Launch = std::function<void(std::function<void()> work)>;
    static void onThreadOfItsOwn(std::function<void()> work);
    static void atOnce(std::function<void()> work) { work(); }

    explicit LabReader(Connect connect, Launch launch = onThreadOfItsOwn);
    // Never waits: a reading in flight ends on its own thread, which holds the
    // connection until then and closes it.
    ~LabReader();
    LabReader(const LabReader&) = delete;
    LabReader& operator=(const LabReader&) = delete;

    // Starts a reading unless one is still in flight (a slow server never
    // stacks readings up).
    void request();
    // The latest reading that ended since the last take, if any.
    std::optional<LabReading> take();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    Launch launch_;
};

}  // namespace mendrix::labview
