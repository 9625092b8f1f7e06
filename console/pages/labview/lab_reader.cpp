#include "console/pages/labview/lab_reader.h"

#include <mutex>
#include <thread>
#include <utility>

namespace mendrix::labview {

struct LabReader::Shared {
    explicit Shared(Connect c) : connect(std::move(c)) {}

    // Touched only by the reading's work, which runs one at a time.
    Connect connect;
    std::unique_ptr<kav::db::Connection> connection;

    std::mutex mutex;
    bool inFlight = false;
    std::optional<LabReading> latest;

    void run() {
        LabReading reading;
        try {
            if (!connection) connection = connect();
            reading.heartbeats = kav::station::readHeartbeats(*connection);
            reading.now = kav::station::databaseNow(*connection);
        } catch (const std::exception& e) {
            connection.reset();  // the next reading connects afresh
            reading = LabReading{{}, {}, e.what()};
        }
        std::lock_guard lock(mutex);
        latest = std::move(reading);
        inFlight = false;
    }
};

void LabReader::onThreadOfItsOwn(std::function<void()> work) { std::thread(std::move(work)).detach(); }

LabReader::LabReader(Connect connect, Launch launch)
    : shared_(std::make_shared<Shared>(std::move(connect))), launch_(std::move(launch)) {}

LabReader::~LabReader() = default;

void LabReader::request() {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->inFlight) return;
        shared_->inFlight = true;
    }
    try {
        launch_([shared = shared_] { shared->run(); });
    } catch (...) {
        std::lock_guard lock(shared_->mutex);
        shared_->inFlight = false;
        throw;
    }
}

std::optional<LabReading> LabReader::take() {
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->latest, std::nullopt);
}

}  // namespace mendrix::labview
