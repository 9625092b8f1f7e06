#include "client/flow/toolbar.h"

#include <cstdio>
#include <stdexcept>

#include "client/flow/drawing.h"
#include "client/grading/wintask/wintask.h"
#include "common/core/candidate.h"
#include "common/db/columns.h"
#include "common/platform/platform.h"

namespace kavlor {

namespace fs = std::filesystem;
namespace db = kav::db;
namespace col = kav::db::col;
using kav::ui::MessageKind;

ToolbarLogic::~ToolbarLogic() { StopClock(); client_.stopTimer(pollTimer_); }

void ToolbarLogic::FormCreate() {
    DataModule& data = client_.data();
    db::Cursor& state = data.ADOTable_Tstate();
    state.requery();
    remembered_ = kav::station::readStation(state).korl;
    lastRead_ = remembered_;
    if (remembered_ == kav::station::kExam) SpeedButton7 = "考试状态";
    if (remembered_ == kav::station::kPractice) SpeedButton7 = "练习状态";

    shown_ = true;
    forced_ = false;
    form5_ = std::make_unique<ExamShell>(client_);
    fullenter_ = std::make_unique<TimeUpLogic>(client_);
    ticks_ = 0;

    db::Cursor& ct = data.ADOTable_ct();
    const std::string resttime = ct.field("resttime").asString();
    form5_->BitBtn1 = resttime;
    const auto rest = kav::station::readRestTimePositional(resttime);
    hours_ = rest.hours;
    minutes_ = rest.minutes;
    seconds_ = rest.seconds;
    startClock();
    pollTimer_ = client_.startTimer(2000, [this] { Timer1Timer(); }, /*coalesce=*/true);

    SpeedButton2 = client_.zkzh;
    SpeedButton3 = client_.ksxm;
    folderName_ = kav::candidateFolderName(client_.zkzh);
    form5_->Button2Caption = "考生文件夹:c:\\kavlor\\" + folderName_;

    prepareCandidateFolder();

    form5_->visible = true;
}

void ToolbarLogic::prepareCandidateFolder() {
    DataModule& data = client_.data();
    const std::string filenameWord = data.ADOTable_ct().field("filename_word").asString();

    const fs::path root = kav::platform::resolve("c:\\kavlor");
    std::error_code ec;
    if (!fs::is_directory(root, ec) && !fs::create_directories(root, ec)) throw std::runtime_error("Cannot create c:\\kavlor");

    if (data.ADOTable_student().field(col::student_havelogined).asInteger() != 1) return;  // a re-login keeps the folder as it is

    const fs::path folder = root / folderName_;
    if (!fs::is_directory(folder, ec) && !fs::create_directory(folder, ec))
        throw std::runtime_error("Cannot create c:\\kavlor\\" + folderName_);

    // The Windows task's folders and source files.
    db::Cursor& win = data.ADOTable_win();
    const std::string question2 = gotoPosition(win, form5_->winno) ? win.field(col::win_question2).asString() : std::string();
    kav::wintask::prepareCandidateFolder("c:\\kavlor\\" + folderName_, question2, client_.workingFolder());

    const fs::path document = folder / filenameWord;
    bool copied = false;
    if (!filenameWord.empty()) {
        if (fs::is_regular_file(document, ec)) fs::remove(document, ec);
        copied = kav::platform::copyFileNoOverwrite(client_.workingFolder() / "word" / filenameWord, document);
    }
    if (!copied) {
        client_.dialogs().message(MessageKind::Warning,
                                  "复制Word题文件失败，Word题将无法进行答题！！\r系统将退出，请与管理员联系！！！");
        client_.ExitClient();
    }
}

void ToolbarLogic::startClock() {
    StopClock();
    clockTimer_ = client_.startTimer(200, [this] { ClockTick(); });
}

void ToolbarLogic::StopClock() {
    client_.stopTimer(clockTimer_);
    clockTimer_ = 0;
}

void ToolbarLogic::showTime() {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", hours_, minutes_, seconds_);
    form5_->BitBtn1 = text;
}

void ToolbarLogic::ClockTick() {
    if (++ticks_ < 5) return;
    ticks_ = 0;
    if (--seconds_ < 0) {
        seconds_ = 59;
        if (--minutes_ < 0) {
            minutes_ = 59;
            if (--hours_ < 0) {
                timeUp_ = true;
                StopClock();
                return;
            }
        }
    }
    showTime();
    if (seconds_ == 0 || seconds_ == 30) {
        db::Cursor& ct = client_.data().ADOTable_ct();
        ct.edit();
        ct.field("resttime").setString(form5_->BitBtn1);
        ct.post();
    }
}

void ToolbarLogic::gradeAndReport() {
    form5_->N9Click();
    SaveExamRecord(client_);
}

void ToolbarLogic::endByTeacher() {
    remembered_ = kav::station::kEnded;
    client_.dialogs().message(MessageKind::Warning, "结束！系统将退出，请与管理员联系！！！");
    client_.ExitClient();
}

void ToolbarLogic::Timer1Timer() {
    using namespace kav::station;
    db::Cursor& state = client_.data().ADOTable_Tstate();
    state.requery();
    lastRead_ = readStation(state).korl;
    if (lastRead_ != remembered_) {
        auto& dialogs = client_.dialogs();
        if (remembered_ == kExam && lastRead_ == kPractice) {
            remembered_ = kPractice;
            dialogs.message(MessageKind::Warning, "将进入练习状态,可自进评分！！！");
            SpeedButton7 = "练习状态";
            form5_->N4Enabled = true;
        } else if (remembered_ == kExam && lastRead_ == kForcedCollection) {
            remembered_ = kForcedCollection;
            dialogs.message(MessageKind::Warning, "将进入强制评分！！！");
            SpeedButton7 = "评分状态";
            forced_ = true;
            fullenter_->raiseCollecting();
            SpeedButton5Enabled = false;
            client_.notify();
            gradeAndReport();
            form5_->N4Enabled = false;
        } else if (lastRead_ == kEnded && (remembered_ == kExam || remembered_ == kPractice ||
                                           remembered_ == kForcedCollection)) {
            endByTeacher();
        } else if (remembered_ == kForcedCollection && lastRead_ == kPractice) {
            remembered_ = kPractice;
            dialogs.message(MessageKind::Warning, "结束强制评分，将转到练习状态！");
            fullenter_->BitBtn2Click();
            form5_->N4Enabled = true;
            SpeedButton7 = "练习状态";
            forced_ = false;
        }
    }

    if (form5_->BitBtn1 == "0:00:00" && timeUp_ && !forced_) {
        timeUp_ = false;
        SpeedButton5Enabled = false;
        fullenter_->raisePassword();
    }

    int level = 0;
    try {
        level = std::stoi(fullenter_->Edit2);
    } catch (const std::exception&) {
        level = 0;
    }
    if (level > 0) {
        if (level >= 1 && level <= 3) {
            hours_ = 0;
            minutes_ = level == 1 ? 10 : level == 2 ? 5 : 1;
            seconds_ = 0;
            ticks_ = 0;
        }
        SpeedButton5Enabled = true;
        fullenter_->Edit2 = "0";
        startClock();
    }
}

void ToolbarLogic::SpeedButton5Click() {
    if (shown_) {
        form5_->visible = false;
        SpeedButton5 = "显示题目";
    } else {
        form5_->visible = true;
        SpeedButton5 = "隐藏题目";
    }
    shown_ = !shown_;
}

void ToolbarLogic::SpeedButton6Click() {
    const auto answer = client_.dialogs().message(MessageKind::Warning, "将退出系统！！！", kav::ui::Buttons::OkNo);
    // No or Esc leaves the exam running; so does a box closed without an answer,
    // so that dismissing the question never hands the exam in.
    if (answer == kav::ui::Answer::No || answer == kav::ui::Answer::Cancel) return;
    StopClock();
    if (SpeedButton7 == "考试状态") gradeAndReport();
    client_.ExitClient();
}

void ToolbarLogic::FormShow() { form5_->N4Enabled = SpeedButton7 != "考试状态"; }

}  // namespace kavlor
