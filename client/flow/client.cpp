#include "client/flow/client.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "client/flow/drawing.h"
#include "client/flow/instructions.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "common/core/datetime.h"
#include "common/db/checked_values.h"
#include "common/db/error_text.h"
#include "common/platform/messages.h"
#include "common/station/heartbeat.h"
#include "common/station/update_list.h"

namespace kavlor {

namespace fs = std::filesystem;
namespace db = kav::db;
using kav::ui::MessageKind;

namespace {

// The first line of a text file, without its line end; throws with the file
// layer's text when the file cannot be read.
std::string readFirstLine(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open file \"" + file.string() + "\". " + std::strerror(errno));
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// What the candidate reads of an error no rule handles: an engine's error in
// Chinese with the engine's text as the detail (a value the station record
// cannot hold is named in Chinese already), any other as the file layer says it.
std::string shownError(const std::exception& e) {
    const auto* engine = dynamic_cast<const db::DbError*>(&e);
    if (engine && !dynamic_cast<const db::BadValue*>(engine))
        return db::databaseErrorText("考试系统无法使用考试数据库，请与管理员联系。", *engine);
    return kav::platform::errorText(e);
}

std::uint64_t clockSeed() {
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

Client::Client(ClientEnv env)
    : env_(std::move(env)), gate_(env_.dialogs, env_.clock), random_(env_.drawSeed.value_or(clockSeed())) {
    gate_.afterHandler = [this] { notify(); };
    gate_.errorText = [](const std::exception& e) { return shownError(e); };
    gate_.onExit = [this] {
        if (env_.onExit) env_.onExit();
    };
}

// Windows first: the toolbar stops its timers through the gate.
Client::~Client() { toolbar_.reset(); }

void Client::notify() {
    if (changed) changed();
}

void Client::ExitClient() {
    if (lock_) lock_->release();
    throw ClientExit{};
}

bool Client::start() {
    handle([this] { startup(); });
    return !ended();
}

void Client::startup() {
    // 1. Single copy: a running copy holds the lock; this one says so and
    // leaves (the text goes to the session's log too).
    lock_.emplace(env_.lockFile);
    if (!lock_->held()) {
        const std::string text = lock_->error().empty()
                                     ? std::string("考试系统已经在本机运行，不能同时运行两个！")
                                     : "考试系统无法建立运行标记，请与管理员联系！\r" + lock_->error();
        lock_.reset();
        std::fprintf(stderr, "Kavlor: %s\n", text.c_str());
        env_.dialogs.message(kav::ui::MessageKind::Warning, text);
        ExitClient();
    }

    // 2. Display.
    const kav::ui::ScreenSize screen = env_.desktop.screenSize();
    if (screen.width != 800 || screen.height != 600) {
        dialogs().message(MessageKind::Plain, "您的显示器分辨率不是800*600，系统将自动切换！");
        if (!env_.desktop.changeResolution(800, 600)) {
            dialogs().message(MessageKind::Plain, "切换失败，将退出！");
            ExitClient();
        }
    }

    try {
        // 3, 4. Teacher path and teacher database.
        const std::string sharedFolder = readFirstLine(env_.workingFolder / "tpath.txt");
        data_.openTeacher(sharedFolder, env_.workingFolder);
        // Reports an earlier run could not store before the exam ended go
        // first: before this start's orders can replace stu.mdb, and whatever
        // the station mode (the lab may already be ended).
        kav::station::sendUnsentReports(data_.teacherConnection(), unsentReports());

        // 5. Station mode.
        startupState_ = kav::station::readStation(data_.ADOTable_Tstate());
        if (startupState_.korl > kav::station::korlOf(kav::station::StationMode::Practice)) {
            dialogs().message(MessageKind::Warning, "考试练习状态未重置，请与管理员联系！！！");
            ExitClient();
        }

        // 6. Update copy.
        if (startupState_.update) copyUpdateList();

        // 7. Local database.
        data_.openStudent(env_.workingFolder);

        // 8, 9. Record reset, then folder reset.
        if (startupState_.clearinfo) resetRecords();
        if (startupState_.clearfold) ResetExamFolders();
    } catch (const ClientExit&) {
        throw;
    } catch (const std::exception& e) {
        // A failure of the file or database layer makes the exam impossible.
        dialogs().message(MessageKind::Error, shownError(e));
        ExitClient();
    }

    // 10. The login window, created hidden.
    login_ = std::make_unique<LoginLogic>(*this);
    exitFlag = false;

    // The lab view sees the station from the splash on, through the poll the
    // exam window takes over later: one connection, never waited for.
    poll_ = std::make_unique<kav::station::StationPoll>(
        [path = data_.teacherPath()] { return db::connectPath(path); }, env_.pollLaunch);
    beatBeforeExam();
    // A box the candidate leaves open (a wrong admission number) must not make
    // the station look lost: the beat runs there too.
    beatTimer_ = startTimer(2000, [this] { beatBeforeExam(); },
                            {.coalesce = true, .runsAtBox = [](int) { return true; }});
}

void Client::beatBeforeExam() {
    if (!poll_) return;
    using kav::station::StationPhase;
    kav::station::Heartbeat h;
    h.station = kav::station::thisStationName();
    h.admission = zkzh;
    h.name = ksxm;
    h.phase = instructions_ && instructions_->visible ? StationPhase::Instructions
              : login_ && login_->visible             ? StationPhase::Login
                                                      : StationPhase::Splash;
    // The candidate reading the instructions has the drawn exam's time left.
    if (h.phase == StationPhase::Instructions)
        h.remainingSeconds =
            kav::station::readRestTimePositional(data_.ADOTable_ct().field("resttime").asString()).totalSeconds();
    h.version = kav::station::programVersion();
    poll_->beat(std::move(h));
    try {
        (void)poll_->take(std::chrono::milliseconds(0));
    } catch (const std::exception&) {
        // The station record's faults are the exam window's to show.
    }
}

std::unique_ptr<kav::station::StationPoll> Client::takeStationPoll() {
    stopTimer(beatTimer_);
    beatTimer_ = 0;
    return std::move(poll_);
}

void Client::copyUpdateList() {
    db::Cursor& updatefile = data_.ADOTable_Tupdatefile();
    const std::string list = kav::station::readUpdateList(updatefile);
    if (list.empty()) return;
    const fs::path shared = kav::platform::resolve(readFirstLine(env_.workingFolder / "tpath.txt"), env_.workingFolder);
    const std::string failure = kav::station::applyUpdateList(list, shared, env_.workingFolder);
    if (!failure.empty()) {
        dialogs().message(MessageKind::Warning, "从教师题更新题库失败，请与管理员联系！！！\n" + failure);
        ExitClient();
    }
}

void Client::resetRecords() {
    db::Cursor& ct = data_.ADOTable_ct();
    while (ct.recordCount() > 0) {
        ct.first();
        ct.remove();
    }
    db::Cursor& student = data_.ADOTable_student();
    for (student.first(); !student.eof(); student.next()) {
        student.edit();
        student.field("kstime").setDateTime(env_.clock.nowLocal());
        for (const char* column : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
            student.field(column).setInteger(0);
        student.post();
    }
}

// Deletes c:\kavlor and c:\kavtmp with everything in them and makes them
// again, here in the client, so that the reset is over before any candidate
// folder is created. A folder that cannot be reset stays as it is.
void Client::ResetExamFolders() {
    for (const std::string_view folder : {kav::platform::kCandidatesRoot, std::string_view("c:\\kavtmp")}) {
        const fs::path path = kav::platform::resolve(folder);
        std::error_code ec;
        fs::remove_all(path, ec);
        fs::create_directories(path, ec);
    }
}

void Client::FormClick() {
    if (!login_) return;
    login_->stayOnTop = true;
    login_->visible = true;
}

void Client::createInstructionsAndProgress() {
    instructions_ = std::make_unique<InstructionsLogic>(*this);
    progress_ = std::make_unique<DrawingProgress>();
}

void Client::closeProgress() {
    if (progress_) progress_->visible = false;
    notify();
}

void Client::closeInstructions() {
    if (instructions_) instructions_->visible = false;
}

void Client::startExam() {
    // A folder that cannot be made leaves no toolbar behind: the candidate can
    // press S again once the machine is put right.
    auto toolbar = std::make_unique<ToolbarLogic>(*this);
    toolbar->FormCreate();
    toolbar_ = std::move(toolbar);
    toolbar_->visible = true;
    toolbar_->FormShow();
}

}  // namespace kavlor
