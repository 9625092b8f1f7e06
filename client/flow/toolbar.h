#pragma once
// The toolbar TForm4: the candidate folder, the exam window, the exam clock,
// the station poll, time-up and the hand-in.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "client/flow/client.h"
#include "client/flow/exam_shell.h"
#include "client/flow/station_mode.h"
#include "client/flow/timeup.h"
#include "common/station/poll.h"
#include "common/station/station.h"

namespace kavlor {

// The phase of the running exam (the states are described in toolbar.cpp).
enum class ExamPhase { Answering, TimeUp, AwaitingDelay, Collecting, Ending };

class ToolbarLogic {
public:
    explicit ToolbarLogic(Client& client) : client_(client) {}
    ~ToolbarLogic();  // stops the clock and the poll

    // Throws std::runtime_error("Cannot create c:\kavlor...") when a folder
    // cannot be made; ExitClient when the Word document cannot be copied.
    void FormCreate();

    void ClockTick();
    void StopClock();
    void Timer1Timer();
    void SpeedButton5Click();  // 隐藏题目 / 显示题目
    void SpeedButton6Click();  // 交卷
    void FormShow();

    ExamShell& examWindow() { return *form5_; }
    TimeUpLogic& timeUpScreen() { return *fullenter_; }

    std::string SpeedButton2, SpeedButton3;  // admission number, name
    std::string SpeedButton7() const { return caption(label_); }  // the mode label
    ModeLabel modeLabel() const { return label_; }
    std::string SpeedButton5() const { return shown_ ? "隐藏题目" : "显示题目"; }
    bool SpeedButton5Enabled = true;
    bool visible = false;

    int rememberedMode() const { return static_cast<int>(remembered_); }
    int lastReadMode() const { return lastRead_; }
    // Whether the station poll is still waiting for the teacher tables.
    bool pollInFlight() const { return poll_ && poll_->inFlight(); }
    ExamPhase phase() const { return phase_; }
    // Where this station is, as the teacher's lab view shows it.
    kav::station::Heartbeat heartbeat() const;
    bool forcedCollection() const { return phase_ == ExamPhase::Collecting; }
    bool clockRunning() const { return clockTimer_ != 0; }
    // The answering screens take no answer: the time is up (also while the
    // teacher collects) and no delay has been granted, or the exam is ending.
    bool answersClosed() const {
        return phase_ == ExamPhase::TimeUp || phase_ == ExamPhase::AwaitingDelay || phase_ == ExamPhase::Ending ||
               (phase_ == ExamPhase::Collecting && afterCollection_ == ExamPhase::TimeUp);
    }
    // The time ran out and the delay password has not been asked for yet.
    bool timeUpFlag() const {
        return phase_ == ExamPhase::TimeUp ||
               (phase_ == ExamPhase::Collecting && afterCollection_ == ExamPhase::TimeUp);
    }

private:
    void startClock();
    void showTime();
    void changeMode(const ModeTransition& transition);
    void timeRanOut();
    void grantDelay(int level);
    // Whether the poll has a teacher's order that must not wait for a box the
    // candidate left open: forced collection or the end.
    bool teacherOrderWaiting();
    // Takes the latest reading the poll finished into unread_ (a reading
    // already there and not yet acted on gives way to a newer one).
    void takeReading();
    // Whether `ticks` more countdown ticks reach a remaining time that is saved.
    bool savesWithin(int ticks) const;
    int dueTicks() const;  // 200 ms steps of the monotonic clock not yet counted
    void saveRemainingTime();  // the time on the clock into resttime of the ct row
    void prepareCandidateFolder();
    // Grades and reports; false when the teacher ended the exam before the
    // report was stored (it is then kept for the next start).
    bool gradeAndReport();
    // Asked while a report waits for the teacher tables: reads the station
    // record at the poll's pace and tells whether the teacher ended the exam.
    bool endedWhileReporting();
    void beat();          // the heartbeat for the polls from now on
    void lastBeat();      // written at once, as the client ends

    Client& client_;
    std::unique_ptr<ExamShell> form5_;
    std::unique_ptr<TimeUpLogic> fullenter_;
    std::unique_ptr<kav::station::StationPoll> poll_;
    std::optional<int> unread_;  // a mode read and not yet acted on
    StationMode remembered_ = StationMode::Other;
    int lastRead_ = 0;
    ModeLabel label_ = ModeLabel::Exam;
    ExamPhase phase_ = ExamPhase::Answering;
    ExamPhase afterCollection_ = ExamPhase::Answering;  // the phase that leaving the collection returns to
    bool shown_ = true;  // the exam window is shown (the hide button toggles it)
    bool handingIn_ = false;  // grading and reporting
    bool handedIn_ = false;   // the candidate handed in: the client ends
    std::optional<kav::DateTime> lastReportAt_;
    std::optional<std::int64_t> lastReportTotal_;
    kav::station::RestTime remaining_;  // counted down; below 0:00:00 once the time is up
    kav::station::RestTime onClock_;    // the time the exam window's clock shows
    static constexpr int kTickMs = 200;
    static constexpr int kEndNoticeMs = 500;  // how long the end's notice stands
    static constexpr int kPollMs = 2000;      // the station poll's interval
    int ticks_ = 0;
    std::int64_t lastTickMs_ = 0;  // monotonic time of the last counted step
    std::int64_t lastReportPollMs_ = 0;  // when a waiting report last had the station record read
    Client::TimerKey clockTimer_ = 0, pollTimer_ = 0, announcedTimer_ = 0;
};

}  // namespace kavlor
