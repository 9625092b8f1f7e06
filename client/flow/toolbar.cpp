#include "client/flow/toolbar.h"

#include <stdexcept>
#include <utility>

#include "client/flow/drawing.h"
#include "client/grading/wintask/wintask.h"
#include "common/db/checked_values.h"
#include "common/db/columns.h"
#include "common/platform/platform.h"

// The phases of the running exam
// ===============================
//
// The toolbar holds the exam's phase in phase_. The station mode (remembered_)
// and the mode label (label_) run beside it: they decide what grading shows
// and what hand-in does, the phase decides what the clock and the time-up
// screen do.
//
//   Answering      The candidate works. The clock counts down, except after a
//                  collection that interrupted the delay password (the clock
//                  then stays stopped). Hand-in is open. Made by FormCreate,
//                  grantDelay and the end of a collection (changeMode).
//   TimeUp         The countdown passed 0:00:00: the clock is stopped and shows
//                  0:00:00. Made by timeRanOut (from ClockTick). The next poll
//                  tick (Timer1Timer) raises the delay password screen.
//   AwaitingDelay  The time-up screen asks for a delay password; the hide
//                  button is disabled. A level granted there is applied at the
//                  next poll tick by grantDelay, which restarts the clock.
//   Collecting     The teacher's forced collection: everything was graded and
//                  reported and the screen says so. The clock runs on; a time
//                  that runs out meanwhile is kept in afterCollection_, which
//                  leaving the collection (changeMode) returns to: TimeUp, or
//                  Answering otherwise.
//   Ending         The teacher ended the exam and the end's notice is up; the
//                  client ends when it is closed, or kEndNoticeMs later.
//
// A delay level granted while collecting still restarts the clock (grantDelay)
// without leaving the collection.

namespace kavlor {

namespace fs = std::filesystem;
namespace db = kav::db;
namespace col = kav::db::col;
using kav::ui::MessageKind;

ToolbarLogic::~ToolbarLogic() {
    StopClock();
    client_.stopTimer(pollTimer_);
    client_.stopTimer(announcedTimer_);
}

void ToolbarLogic::FormCreate() {
    DataModule& data = client_.data();
    db::Cursor& state = data.ADOTable_Tstate();
    state.requery();
    try {
        lastRead_ = kav::station::readStation(state).korl;
    } catch (const db::BadValue&) {
        lastRead_ = client_.startupState().korl;  // a value the console never writes: the mode of the start
    }
    remembered_ = kav::station::stationModeOf(lastRead_);
    label_ = initialLabel(remembered_);

    shown_ = true;
    phase_ = afterCollection_ = ExamPhase::Answering;
    form5_ = std::make_unique<ExamShell>(client_);
    fullenter_ = std::make_unique<TimeUpLogic>(client_);
    ticks_ = 0;

    db::Cursor& ct = data.ADOTable_ct();
    const std::string resttime = ct.field("resttime").asString();
    form5_->BitBtn1 = resttime;  // shown as stored
    remaining_ = kav::station::readRestTimePositional(resttime);
    onClock_ = remaining_;
    startClock();
    poll_ = client_.takeStationPoll();
    if (!poll_)  // a second exam window of this run (the first one could not make the folder)
        poll_ = std::make_unique<kav::station::StationPoll>(
            [path = data.teacherPath()] { return db::connectPath(path); }, client_.pollLaunch());
    // On a lab server the teacher's orders are announced: the poll reads them
    // at once, and a tick is run as soon as one is seen.
    poll_->listen();
    // The first poll starts now: its connection is made before the first tick.
    unread_ = poll_->take(std::chrono::milliseconds(0));
    // The teacher's forced collection and end do not wait for a box the
    // candidate left open; other changes wait until the candidate is done.
    pollTimer_ = client_.startTimer(kPollMs, [this] { Timer1Timer(); },
                                    {.coalesce = true, .runsAtBox = [this](int) { return teacherOrderWaiting(); }});
    announcedTimer_ = client_.startTimer(kTickMs, [this] {
        if (poll_->announcedReadingWaiting()) Timer1Timer();
    }, {.coalesce = true, .runsAtBox = [this](int) { return poll_->announcedReadingWaiting() && teacherOrderWaiting(); }});

    SpeedButton2 = client_.zkzh;
    SpeedButton3 = client_.ksxm;
    beat();

    prepareCandidateFolder();

    form5_->visible = true;
}

// At a first login the folder is made (or reused) with the Windows task's
// folders and files added where missing, and the Word document is replaced. At
// a re-login the folder is used as it is, except that a folder that is missing
// (the exam was interrupted before it was made) is made with the task's files,
// a missing or empty Word document is copied again, and so is a task file left
// empty by a full drive. Single task files are never put back into an existing
// folder: the candidate may have deleted them on purpose. Every copy is renamed
// into place whole; when one fails, what this start made is taken away again
// and the client ends, naming the file.
void ToolbarLogic::prepareCandidateFolder() {
    DataModule& data = client_.data();
    const std::string filenameWord = data.ADOTable_ct().field("filename_word").asString();

    const std::string root(kav::platform::kCandidatesRoot);
    std::error_code ec;
    if (const fs::path path = kav::platform::resolve(root);
        !fs::is_directory(path, ec) && !fs::create_directories(path, ec))
        throw std::runtime_error("Cannot create " + root);

    const bool firstLogin = data.ADOTable_student().field(col::student_havelogined).asInteger() == 1;
    const std::string shownFolder = form5_->candidateFolder();
    const fs::path folder = kav::platform::resolve(shownFolder);
    const bool folderMissing = !fs::is_directory(folder, ec);
    if (folderMissing && !fs::create_directory(folder, ec)) throw std::runtime_error("Cannot create " + shownFolder);

    std::vector<fs::path> made;
    auto fail = [&](const std::string& text) {
        if (folderMissing) fs::remove_all(folder, ec);
        for (auto it = made.rbegin(); it != made.rend(); ++it) fs::remove(*it, ec);
        client_.dialogs().message(MessageKind::Warning, text + "\r系统将退出，请与管理员联系！！！");
        client_.ExitClient();
    };

    // The Windows task's folders and source files.
    db::Cursor& win = data.ADOTable_win();
    const std::string question2 =
        gotoPosition(win, form5_->winno) ? win.field(col::win_question2).asString() : std::string();
    try {
        const auto pass = firstLogin || folderMissing ? kav::wintask::Pass::Make : kav::wintask::Pass::RefillEmptyCopies;
        made = kav::wintask::prepareCandidateFolder(shownFolder, question2, client_.workingFolder(), pass);
    } catch (const kav::wintask::PrepareError& e) {
        fail(std::string("准备Win题的考生文件失败！！\r") + e.what());
    }

    const fs::path document = folder / filenameWord;
    const fs::path source = client_.workingFolder() / "word" / filenameWord;
    const bool documentWhole = !filenameWord.empty() && fs::is_regular_file(document, ec) &&
                               (fs::file_size(document, ec) > 0 || fs::file_size(source, ec) == 0);
    if (!firstLogin && documentWhole) return;
    std::string reason = "no document drawn";
    if (filenameWord.empty() || !kav::platform::copyFileReplacing(source, document, &reason))
        fail("复制Word题文件" + filenameWord + "失败（" + reason + "），Word题将无法进行答题！！");
}

namespace {

// One second less on the countdown; false when the time was already up.
bool oneSecondLess(kav::station::RestTime& t) {
    if (--t.seconds < 0) {
        t.seconds = 59;
        if (--t.minutes < 0) {
            t.minutes = 59;
            if (--t.hours < 0) return false;
        }
    }
    return true;
}

bool savedAt(const kav::station::RestTime& t) { return t.seconds == 0 || t.seconds == 30; }

}  // namespace

void ToolbarLogic::startClock() {
    StopClock();
    lastTickMs_ = client_.clock().monotonicMs();
    // The remaining time is saved every 30 seconds even while the candidate
    // leaves a box open: the ticks up to the save then run at the box.
    clockTimer_ = client_.startTimer(kTickMs, [this] { ClockTick(); },
                                     {.runsAtBox = [this](int) { return savesWithin(dueTicks()); }});
}

void ToolbarLogic::StopClock() {
    client_.stopTimer(clockTimer_);
    clockTimer_ = 0;
}

void ToolbarLogic::showTime() {
    onClock_ = remaining_;
    form5_->BitBtn1 = onClock_.toString();
}

int ToolbarLogic::dueTicks() const {
    return clockRunning() ? static_cast<int>((client_.clock().monotonicMs() - lastTickMs_) / kTickMs) : 0;
}

// The countdown follows the monotonic clock: every 200 ms step since the last
// tick counts once, so ticks that waited behind a box are not lost and the
// ticks that then run late count nothing twice.
void ToolbarLogic::ClockTick() {
    bool saveDue = false;
    for (int due = dueTicks(); due > 0 && clockRunning(); --due) {
        lastTickMs_ += kTickMs;
        if (++ticks_ < 5) continue;
        ticks_ = 0;
        if (!oneSecondLess(remaining_)) {
            timeRanOut();
            break;
        }
        showTime();
        saveDue = saveDue || savedAt(remaining_);
    }
    if (saveDue) saveRemainingTime();
}

void ToolbarLogic::timeRanOut() {
    StopClock();
    if (phase_ == ExamPhase::Collecting) afterCollection_ = ExamPhase::TimeUp;
    else if (phase_ != ExamPhase::Ending) phase_ = ExamPhase::TimeUp;
}

void ToolbarLogic::saveRemainingTime() {
    db::Cursor& ct = client_.data().ADOTable_ct();
    ct.edit();
    ct.field("resttime").setString(onClock_.toString());
    ct.post();
}

bool ToolbarLogic::savesWithin(int ticks) const {
    kav::station::RestTime t = remaining_;
    for (int seconds = (ticks_ + ticks) / 5; seconds > 0; --seconds)
        if (!oneSecondLess(t) || savedAt(t)) return true;  // time-up comes before waiting too
    return false;
}

// The report carries the typing score of the typed text, not what the last
// automatic store left behind.
bool ToolbarLogic::gradeAndReport() {
    handingIn_ = true;
    beat();
    if (form5_->saveTyping) form5_->saveTyping();
    form5_->N9Click();
    lastReportPollMs_ = client_.clock().monotonicMs();
    const bool stored = SaveExamRecord(client_, poll_.get(), [this] { return endedWhileReporting(); });
    handingIn_ = false;
    if (stored) {
        lastReportAt_ = kav::DateTime::nowLocal();
        lastReportTotal_ = client_.data().ADOTable_student().field("kscj").asInteger();
    }
    beat();
    // The reason the Word task earned nothing, once the scores are stored; an
    // exam that ended meanwhile shows no box.
    if (const auto problem = form5_->takeWordProblem(); problem && stored)
        client_.dialogs().message(MessageKind::Error, *problem);
    return stored;
}

kav::station::Heartbeat ToolbarLogic::heartbeat() const {
    using kav::station::StationPhase;
    kav::station::Heartbeat h;
    h.station = kav::station::thisStationName();
    h.admission = client_.zkzh;
    h.name = client_.ksxm;
    h.phase = handingIn_                          ? StationPhase::HandingIn
              : phase_ == ExamPhase::Ending       ? StationPhase::Ended
              : handedIn_                         ? (lastReportAt_ ? StationPhase::Reported : StationPhase::Ended)
              : phase_ == ExamPhase::Collecting   ? StationPhase::Reported
              : phase_ == ExamPhase::TimeUp || phase_ == ExamPhase::AwaitingDelay ? StationPhase::TimeUp
                                                  : StationPhase::Exam;
    h.remainingSeconds = onClock_.totalSeconds();
    h.lastReportAt = lastReportAt_;
    h.lastReportTotal = lastReportTotal_;
    h.version = kav::station::programVersion();
    return h;
}

void ToolbarLogic::beat() {
    if (poll_) poll_->beat(heartbeat());
}

void ToolbarLogic::lastBeat() {
    if (poll_) poll_->beatNow(heartbeat(), std::chrono::milliseconds(500));
}

bool ToolbarLogic::endedWhileReporting() {
    const std::int64_t now = client_.clock().monotonicMs();
    if (now - lastReportPollMs_ < kPollMs) return false;
    lastReportPollMs_ = now;
    try {
        if (const auto korl = poll_->take(std::chrono::milliseconds(0))) unread_ = korl;
    } catch (const std::exception&) {
        return false;  // the record is missing: the report goes on, the next tick shows why
    }
    const auto transition = unread_ ? transitionFor(remembered_, *unread_) : std::nullopt;
    return transition && transition->change == ModeChange::End;
}

void ToolbarLogic::takeReading() {
    if (const auto korl = poll_->take(kav::station::kTickWait)) unread_ = korl;
}

bool ToolbarLogic::teacherOrderWaiting() {
    if (phase_ == ExamPhase::Ending) return false;
    takeReading();
    if (!unread_) return false;
    const auto transition = transitionFor(remembered_, *unread_);
    return transition && overridesOpenBoxes(transition->change);
}

// The teacher's collection and end never wait for the candidate: the
// collection grades and reports before its notice is shown, and the end's
// notice stays up only until the next poll ends the client.
void ToolbarLogic::changeMode(const ModeTransition& t) {
    auto& dialogs = client_.dialogs();
    remembered_ = t.to;
    switch (t.change) {
    case ModeChange::EnterPractice:
        dialogs.message(MessageKind::Warning, t.warning);
        form5_->N4Enabled = true;
        break;
    case ModeChange::Collect:
        dialogs.closeOpenBoxes();
        label_ = t.label.value_or(label_);
        afterCollection_ = phase_ == ExamPhase::TimeUp ? ExamPhase::TimeUp : ExamPhase::Answering;
        phase_ = ExamPhase::Collecting;
        fullenter_->raiseCollecting();
        SpeedButton5Enabled = false;
        form5_->N4Enabled = false;
        client_.notify();
        if (!gradeAndReport()) {
            // The teacher ended the exam while the report waited: end now.
            lastRead_ = *std::exchange(unread_, std::nullopt);
            changeMode(*transitionFor(remembered_, lastRead_));
        }
        client_.notify();
        dialogs.message(MessageKind::Warning, t.warning);
        return;
    case ModeChange::LeaveCollection:
        dialogs.message(MessageKind::Warning, t.warning);
        fullenter_->BitBtn2Click();
        form5_->N4Enabled = true;
        phase_ = afterCollection_;
        break;
    case ModeChange::End:
        dialogs.closeOpenBoxes();
        phase_ = ExamPhase::Ending;
        lastBeat();
        // Nobody need be at the station: the notice ends the client by itself.
        client_.startTimer(kEndNoticeMs, [&client = client_] { client.ExitClient(); },
                           {.runsAtBox = [](int) { return true; }});
        dialogs.message(MessageKind::Warning, t.warning);
        client_.ExitClient();
    }
    label_ = t.label.value_or(label_);
}

void ToolbarLogic::Timer1Timer() {
    if (phase_ == ExamPhase::Ending) return;  // the end's own timer ends the client
    // A lab server briefly away shows the candidate nothing: the clock runs on,
    // and a reading that comes back later is acted on at the tick that takes it.
    takeReading();
    if (unread_) {
        lastRead_ = *std::exchange(unread_, std::nullopt);
        if (const auto transition = transitionFor(remembered_, lastRead_)) changeMode(*transition);
    }

    if (phase_ == ExamPhase::TimeUp && onClock_.totalSeconds() == 0) {
        phase_ = ExamPhase::AwaitingDelay;
        SpeedButton5Enabled = false;
        fullenter_->raisePassword();
    }

    if (const auto level = fullenter_->takeGrantedLevel(); level && *level > 0) grantDelay(*level);
    beat();
}

// Level 1, 2 or 3 gives 10, 5 or 1 minutes from the next whole second on.
void ToolbarLogic::grantDelay(int level) {
    if (level >= 1 && level <= 3) {
        remaining_ = {0, level == 1 ? 10 : level == 2 ? 5 : 1, 0};
        ticks_ = 0;
    }
    if (phase_ == ExamPhase::AwaitingDelay) phase_ = ExamPhase::Answering;
    SpeedButton5Enabled = true;
    startClock();
}

void ToolbarLogic::SpeedButton5Click() {
    shown_ = !shown_;
    form5_->visible = shown_;
}

void ToolbarLogic::SpeedButton6Click() {
    const auto answer = client_.dialogs().message(MessageKind::Warning, "将退出系统！！！", kav::ui::Buttons::OkNo);
    // No or Esc leaves the exam running; so does a box closed without an answer,
    // so that dismissing the question never hands the exam in.
    if (answer == kav::ui::Answer::No || answer == kav::ui::Answer::Cancel) return;
    // The record handed in carries the remaining time of this moment; the time
    // the question stood open counts.
    ClockTick();
    StopClock();
    saveRemainingTime();
    if (label_ == ModeLabel::Exam) gradeAndReport();
    handedIn_ = true;
    lastBeat();
    client_.ExitClient();
}

void ToolbarLogic::FormShow() { form5_->N4Enabled = label_ != ModeLabel::Exam; }

}  // namespace kavlor
