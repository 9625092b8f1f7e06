#include "console/base/main_window.h"

#include <fstream>
#include <iterator>

#include "common/db/checked_values.h"
#include "common/db/error_text.h"
#include "common/db/schema.h"
#include "common/help/help.h"
#include "console/base/data_module.h"
#include "console/base/texts.h"

namespace mendrix {

using kav::db::Cursor;
using kav::station::StationMode;
using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;

namespace {

// What each mode command asks, where the caption says the teacher is and how
// many spaces stand between location and mode text; indexed by mode - 1.
struct ModeCommand {
    const char* question;
    const char* location;
    const char* spaces;
    const char* modeText;
    ModeItemsEnabled enabledAfter;  // N13, N14, s1, E1
};
constexpr ModeCommand kModeCommands[] = {
    {"将切换到考试状态，准备好？", "设置与评分->考试状态", "  ", "当前状态：考试", {true, true, true, true}},
    {"将切换到练习状态，准备好？", "设置与评分->练习状态", "  ", "当前状态：练习", {false, true, false, true}},
    {"将切换到强制收分状态，准备好？", "设置与评分->强制收分", "   ", "当前状态：强制收分", {false, true, true, true}},
    {"将切换到结束状态，准备好？", "设置与评分->结束", "   ", "当前状态：结束", {true, true, false, true}},
};
const ModeCommand& commandOf(StationMode mode) { return kModeCommands[kav::station::korlOf(mode) - 1]; }

// Each start-up flag: its column, the caption's location, the question asked
// before switching it on and its name on the status bar.
struct FlagCommand {
    const char* column;
    const char* location;
    const char* onQuestion;
    const char* statusName;
};
constexpr FlagCommand kFlagCommands[] = {
    {"clearfold", "设置与评分->清除考生文件夹&已考考生信息", texts::kClearfoldOnQuestion, "清除考生文件夹"},
    {"clearinfo", "设置与评分->清除考生文件夹&已考考生信息", texts::kClearinfoOnQuestion, "清除已考考生信息"},
    {"update", "设置与评分->更新题库(学生机)", texts::kUpdateOnQuestion, "更新题库"},
};
const FlagCommand& commandOf(StartupFlag flag) { return kFlagCommands[static_cast<int>(flag)]; }

// The caption rule: title, five spaces, "当前位置：", location, spaces, mode text.
std::string captionAt(const std::string& location, const char* spaces, StationMode mode) {
    return texts::kTitle + std::string(texts::kLocationPrefix) + location + spaces + modeText(mode);
}

}  // namespace

ModeItemsEnabled modeItemsEnabledAfter(StationMode mode) { return commandOf(mode).enabledAfter; }
std::string modeText(StationMode mode) { return commandOf(mode).modeText; }

MainWindowLogic::MainWindowLogic(TDataModule2& data, kav::ui::Dialogs& dialogs, kav::ui::Desktop& desktop)
    : data_(data), dialogs_(dialogs), desktop_(desktop) {}

void MainWindowLogic::FormShow() {
    page = Page::None;
    // The marks show the record as it is at login, not as it was when the login
    // window opened the databases.
    data_.ADOTable_Tstate().requery();
    postState([](Cursor& state) { kav::station::setKorl(state, kav::station::korlOf(StationMode::Exam)); });
    // A flag the console never wrote shows as off, with a warning: the teacher
    // repairs it by setting it again, so the console must open. Every start-up
    // flag then shows as off.
    kav::station::StationRecord record;
    try {
        record = kav::station::readStation(data_.ADOTable_Tstate());
    } catch (const kav::db::BadValue& e) {
        dialogs_.message(MessageKind::Warning, e.what() + std::string(texts::kBadStationFlag));
    }
    markedMode = StationMode::Exam;
    modeEnabled = modeItemsEnabledAfter(StationMode::Exam);
    caption = texts::kTitle + modeText(StationMode::Exam);
    flags_ = {record.clearfold, record.clearinfo, record.update};
    typingSaveFolder = data_.workingFolder() / "txt";
}

void MainWindowLogic::showPage(const char* location, Page shown) {
    caption = captionAt(location, "   ", markedMode);
    page = shown;
}

void MainWindowLogic::N2Click() {
    showPage("用户管理->管理员", Page::Accounts);
    accountsPart = AccountsPart::Administrator;
}
void MainWindowLogic::N12Click() {
    showPage("用户管理->管理助手", Page::Accounts);
    accountsPart = AccountsPart::Assistants;
}
void MainWindowLogic::N3Click() { showPage("用户管理->考生报名", Page::Roster); }
void MainWindowLogic::WIN1Click() { showPage("试题维护->WIN题", Page::WinQuestions); }
void MainWindowLogic::N5Click() { showPage("试题维护->选择题", Page::ChoiceQuestions); }
void MainWindowLogic::N6Click() { showPage("试题维护->录入题", Page::TypingTexts); }
void MainWindowLogic::WORD1Click() { showPage("试题维护->Word题", Page::WordQuestions); }
void MainWindowLogic::N16Click() { showPage("设置与评分->查分|打印", Page::ScoreList); }
void MainWindowLogic::N17Click() { showPage("设置与评分->答题情况分析", Page::AnswerAnalysis); }
void MainWindowLogic::NLabClick() { showPage("设置与评分->考场监控", Page::LabView); }
void MainWindowLogic::N10Click() { showPage("关于->关于软件", page); }

void MainWindowLogic::H1Click() {
    // The teacher folder's copy (a school may have added to it), else the one the console carries.
    std::ifstream in(data_.workingFolder() / kHelpFile, std::ios::binary);
    std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (html.empty()) html = helpFileText();
    desktop_.showHelp(texts::kHelpTitle, html);
}

void MainWindowLogic::switchMode(StationMode mode) {
    const ModeCommand& command = commandOf(mode);
    // Only Yes switches the lab; No, Esc and closing the box leave it as it is.
    if (dialogs_.message(MessageKind::Question, command.question, Buttons::YesNo) != Answer::Yes) return;
    postState([mode](Cursor& state) { kav::station::setKorl(state, kav::station::korlOf(mode)); });
    caption = captionAt(command.location, command.spaces, mode);
    markedMode = mode;
    modeEnabled = command.enabledAfter;
    // After collecting or ending, the teacher watches the stations follow.
    if (mode == StationMode::ForcedCollection || mode == StationMode::Ended) page = Page::LabView;
}

bool MainWindowLogic::checked(StartupFlag flag) const { return flags_[static_cast<int>(flag)]; }

void MainWindowLogic::toggleFlag(StartupFlag flag) {
    const FlagCommand& command = commandOf(flag);
    const bool on = !checked(flag);
    // A flag acts at every client start until it is switched off again.
    if (on && dialogs_.message(MessageKind::Warning, command.onQuestion, Buttons::YesNo) != Answer::Yes) return;
    postState([&](Cursor& state) { state.field(command.column).setBoolean(on); });
    caption = captionAt(command.location, "  ", markedMode);
    flags_[static_cast<int>(flag)] = on;
    if (flag == StartupFlag::Update) page = Page::UpdateList;
}

std::string MainWindowLogic::flagsText() const {
    std::string text;
    for (StartupFlag flag : {StartupFlag::Clearfold, StartupFlag::Clearinfo, StartupFlag::Update}) {
        if (!text.empty()) text += "    ";
        text += commandOf(flag).statusName + std::string(checked(flag) ? "：开" : "：关");
    }
    return text;
}

void MainWindowLogic::NtimeClick() {
    const std::optional<std::string> answer =
        dialogs_.prompt(texts::kExamTimeCaption, texts::kExamTimePrompt, std::string(kav::db::kDefaultRestTime));
    if (!answer) return;  // cancelled: nothing changes
    if (!kav::station::parseExamTime(*answer)) {
        dialogs_.message(MessageKind::Warning, "输入的时间" + *answer + "可能有误！！\r请重新输入！！！");
        return;
    }
    postState([&](Cursor& state) { state.field("resttime").setString(*answer); });
}

bool MainWindowLogic::FormClose() {
    if (savePendingPages && !savePendingPages()) return false;  // the refusal has been shown
    try {
        for (Cursor* cursor : data_.cursorsPostedAtClose()) cursor->post();
        postState([](Cursor& state) { kav::station::setKorl(state, kav::station::korlOf(StationMode::Exam)); });
    } catch (const kav::db::DbError& e) {
        dialogs_.message(MessageKind::Warning, kav::db::databaseErrorText(texts::kCloseRefused, e));
        return false;
    }
    return true;
}

void MainWindowLogic::postState(const std::function<void(Cursor&)>& set) {
    Cursor& state = data_.ADOTable_Tstate();
    state.first();
    if (state.recordCount() == 0) kav::station::writeStation(state, {});  // the default row
    state.first();
    state.edit();
    try {
        set(state);
        state.post();
    } catch (...) {
        state.cancel();
        throw;
    }
}

}  // namespace mendrix
