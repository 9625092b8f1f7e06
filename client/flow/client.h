#pragma once
// The running client: start-up, the single way out (ExitClient), the current
// candidate and the window logic of the exam flow. The window classes are thin
// views over these objects: they forward their events to the handlers here and
// redraw themselves when changed() fires.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "client/flow/data_module.h"
#include "common/ui/desktop.h"
#include "common/platform/platform.h"
#include "common/station/poll.h"
#include "common/station/station.h"
#include "common/station/unsent_reports.h"
#include "common/ui/clock.h"
#include "common/ui/dialogs.h"
#include "common/ui/event_gate.h"

namespace kavlor {

class LoginLogic;
class DrawingProgress;
class InstructionsLogic;
class ToolbarLogic;

// Thrown by ExitClient: the program ends, and no further step of the operation
// that called it runs. The event gate turns it into the end of the application.
struct ClientExit : kav::ui::ProgramExit {
    const char* what() const noexcept override { return "ExitClient"; }
};

struct ClientEnv {
    kav::ui::Dialogs& dialogs;
    kav::ui::Clock& clock;
    kav::ui::Desktop& desktop;
    std::filesystem::path workingFolder;      // the program folder: tpath.txt, stu.mdb, txt, word, file
    std::filesystem::path lockFile;           // the single-copy marker
    std::function<void()> onExit;             // ends the application (after ExitClient)
    std::optional<std::uint64_t> drawSeed;    // fixed seed for the drawing; the clock's otherwise
    std::filesystem::path wordGrader = {};    // the Word grading program; empty: grading in this process
    // Where the station poll's work runs: a thread of its own, so that a lab
    // server that does not answer never holds the exam window.
    kav::station::StationPoll::Launch pollLaunch = kav::station::StationPoll::onThreadOfItsOwn;
    // The ":"-separated folders the office program is looked for in.
    std::string programSearchPath = std::getenv("PATH") ? std::getenv("PATH") : "";
};

class Client {
public:
    explicit Client(ClientEnv env);
    ~Client();

    // Start-up, as the splash window is created. Returns false when the client
    // ended on the way (ExitClient), true when the login window is ready.
    bool start();

    // Deletes the running marker and ends the client: throws ClientExit.
    [[noreturn]] void ExitClient();
    bool ended() const { return gate_.ended(); }

    // Runs one event handler through the client's event gate: every error of
    // the database or file layer that no rule handles is shown with that
    // layer's text; ExitClient ends the client. Timer ticks that fall due
    // meanwhile wait until the handler is done.
    void handle(const std::function<void()>& handler) { gate_.handle(handler); }

    // Timers of the client, run through the gate with the handlers.
    using TimerKey = kav::ui::EventGate::TimerId;
    TimerKey startTimer(int intervalMs, std::function<void()> tick, kav::ui::TimerOptions options = {}) {
        return gate_.startTimer(intervalMs, std::move(tick), std::move(options));
    }
    void stopTimer(TimerKey key) { gate_.stopTimer(key); }
    kav::ui::EventGate& gate() { return gate_; }

    // Splash window (TForm1).
    void FormClick();  // a click on the picture or a key: the login window appears
    bool splashVisible = true;
    bool exitFlag = false;
    std::string zkzh, ksxm;  // the current candidate, written by the login

    // Windows of the flow (null until created).
    LoginLogic* login() { return login_.get(); }
    DrawingProgress* progress() { return progress_.get(); }
    InstructionsLogic* instructions() { return instructions_.get(); }
    ToolbarLogic* toolbar() { return toolbar_.get(); }

    // Steps of the login's confirm that create, show and close windows.
    void createInstructionsAndProgress();
    void closeProgress();
    void closeInstructions();
    // The start button of the instructions window (also the re-login): creates
    // the toolbar, which creates the exam window and starts the clock.
    void startExam();
    // The station poll made at the end of the start-up. Until the exam window
    // takes it over, it writes the station's heartbeat every 2 s (splash,
    // login, instructions) and its readings are not acted on; null once taken.
    std::unique_ptr<kav::station::StationPoll> takeStationPoll();

    DataModule& data() { return data_; }
    const kav::station::StationRecord& startupState() const { return startupState_; }
    // The boxes and the timers of every window go through the gate.
    kav::ui::Dialogs& dialogs() { return gate_.dialogs(); }
    kav::ui::Clock& clock() { return gate_.clock(); }
    kav::ui::Desktop& desktop() { return env_.desktop; }
    const std::filesystem::path& workingFolder() const { return env_.workingFolder; }
    // The reports of this station not stored yet: the folder "unsent-reports"
    // beside stu.mdb, which the update list and the record reset leave alone.
    kav::station::UnsentReports unsentReports() const {
        return kav::station::UnsentReports(env_.workingFolder / "unsent-reports");
    }
    const std::filesystem::path& wordGrader() const { return env_.wordGrader; }
    const std::string& programSearchPath() const { return env_.programSearchPath; }
    const kav::station::StationPoll::Launch& pollLaunch() const { return env_.pollLaunch; }
    std::mt19937_64& random() { return random_; }

    // Fired after every change that windows show; the Qt application redraws.
    std::function<void()> changed;
    void notify();

private:
    void startup();
    void copyUpdateList();
    void resetRecords();
    void ResetExamFolders();
    void beatBeforeExam();

    ClientEnv env_;
    kav::ui::EventGate gate_;
    std::optional<kav::platform::SingleCopyLock> lock_;
    DataModule data_;
    kav::station::StationRecord startupState_;
    std::mt19937_64 random_;

    std::unique_ptr<LoginLogic> login_;
    std::unique_ptr<DrawingProgress> progress_;
    std::unique_ptr<InstructionsLogic> instructions_;
    std::unique_ptr<ToolbarLogic> toolbar_;
    std::unique_ptr<kav::station::StationPoll> poll_;
    TimerKey beatTimer_ = 0;
};

}  // namespace kavlor
