#pragma once
// TForm1, the console's main window: the caption rule, the nine pages, the
// station mode radio group with its enabled items, the three start-up flags,
// the exam time, help and the close. The window class shows this state.
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "common/db/database.h"
#include "common/station/station.h"
#include "common/ui/desktop.h"
#include "common/ui/dialogs.h"

namespace mendrix {

class TDataModule2;

// The function pages; None shows the background picture.
enum class Page { None, Accounts, Roster, WinQuestions, ChoiceQuestions, TypingTexts, WordQuestions, UpdateList,
                  ScoreList, AnswerAnalysis, LabView };
enum class AccountsPart { Administrator, Assistants };  // Panel3, Panel4

// The four mode items of the radio group, indexed by station mode - 1.
enum ModeItem { N13, N14, s1, E1, kModeItemCount };
using ModeItemsEnabled = std::array<bool, kModeItemCount>;
// The mode items enabled after switching to a mode: the allowed next modes.
ModeItemsEnabled modeItemsEnabledAfter(kav::station::StationMode mode);
// "当前状态：考试" … "当前状态：结束".
std::string modeText(kav::station::StationMode mode);

// The start-up orders, each a flag of the station record and a check-mark item.
enum class StartupFlag { Clearfold, Clearinfo, Update };  // N20, N21, N23

class MainWindowLogic {
public:
    MainWindowLogic(TDataModule2& data, kav::ui::Dialogs& dialogs, kav::ui::Desktop& desktop);

    void FormShow();  // after login: exam mode, marks from the station record
    // Page commands.
    void N2Click();
    void N12Click();
    void N3Click();
    void WIN1Click();
    void N5Click();
    void N6Click();
    void WORD1Click();
    void N16Click();
    void N17Click();
    void NLabClick();  // 考场监控: every station at a glance
    void N10Click();  // about: caption only, the page stays
    void H1Click();   // help file
    // Station commands.
    void N13Click() { switchMode(kav::station::StationMode::Exam); }
    void N14Click() { switchMode(kav::station::StationMode::Practice); }
    void s1Click() { switchMode(kav::station::StationMode::ForcedCollection); }
    void E1Click() { switchMode(kav::station::StationMode::Ended); }
    void N20Click() { toggleFlag(StartupFlag::Clearfold); }
    void N21Click() { toggleFlag(StartupFlag::Clearinfo); }
    void N23Click() { toggleFlag(StartupFlag::Update); }
    void NtimeClick();
    // Posts pending edits and puts the lab back into exam mode; false (after
    // saying why) when the engine refuses, and the window stays open.
    bool FormClose();
    // Set by the pages whose typed values wait in their own bindings: saves them
    // (with their row rules) before the close posts; false keeps the window open.
    std::function<bool()> savePendingPages;

    bool checked(StartupFlag flag) const;
    // The three flags as the status bar shows them.
    std::string flagsText() const;
    // The status bar: the station mode, then the flags. A teacher machine without
    // a window manager shows no caption, so the mode is shown here too.
    std::string statusText() const { return modeText(markedMode) + "    " + flagsText(); }

    // What the window shows.
    bool visible = false;
    std::string caption;
    Page page = Page::None;
    AccountsPart accountsPart = AccountsPart::Administrator;
    kav::station::StationMode markedMode = kav::station::StationMode::Exam;
    ModeItemsEnabled modeEnabled{true, true, true, true};
    // The starting folder of the typing-text save dialog: txt in the teacher folder.
    std::filesystem::path typingSaveFolder;

private:
    void showPage(const char* location, Page page);
    void switchMode(kav::station::StationMode mode);
    void toggleFlag(StartupFlag flag);
    // Edits the first row of `state` (appending the default row when the table
    // is empty), sets it and posts; a refused value cancels the edit.
    void postState(const std::function<void(kav::db::Cursor&)>& set);

    TDataModule2& data_;
    kav::ui::Dialogs& dialogs_;
    kav::ui::Desktop& desktop_;
    std::array<bool, 3> flags_{};  // by StartupFlag
};

}  // namespace mendrix
