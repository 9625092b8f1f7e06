#pragma once
// The console Mendrix without its windows: the data module and the logic of
// the login window, the main window and its accounts page. Every handler runs
// through handle(), one at a time.
#include <filesystem>
#include <functional>

#include "common/ui/clock.h"
#include "common/ui/desktop.h"
#include "common/ui/dialogs.h"
#include "common/ui/event_gate.h"
#include "console/base/accounts.h"
#include "console/base/data_module.h"
#include "console/base/login.h"
#include "console/base/main_window.h"

namespace mendrix {

struct ConsoleEnv {
    kav::ui::Dialogs& dialogs;
    kav::ui::Clock& clock;
    kav::ui::Desktop& desktop;
    std::filesystem::path teacherFolder;  // the working folder: databases, txt, word, file, readme.htm
    std::function<void()> onExit;         // called once when the console ends
};

class Console {
public:
    explicit Console(ConsoleEnv env);

    // Shows the login window, which opens the databases.
    void start();
    // Runs one handler of a window through the event gate that the exam client
    // shares: a handler that comes while another runs (from a message box's event
    // loop) is dropped; an error of the database or file layer that no rule
    // handles is shown with that layer's text.
    void handle(const std::function<void()>& handler);
    // The handlers of the windows' close buttons: the login window ends the
    // program; the main window ends it once its close has written the station record.
    void closeLoginWindow() { end(); }
    void closeMainWindow();

    bool ended() const { return ended_; }
    std::function<void()> changed;  // after each handler, to redraw the windows

    TDataModule2& data() { return data_; }
    LoginLogic& login() { return login_; }
    MainWindowLogic& mainWindow() { return mainWindow_; }
    AccountsLogic& accounts() { return accounts_; }
    kav::ui::Dialogs& dialogs() { return gate_.dialogs(); }
    kav::ui::Clock& clock() { return env_.clock; }

private:
    void end();
    ConsoleEnv env_;
    kav::ui::EventGate gate_;  // before the logic, which shows its boxes through it
    TDataModule2 data_;
    MainWindowLogic mainWindow_;
    LoginLogic login_;
    AccountsLogic accounts_;
    bool ended_ = false;
};

}  // namespace mendrix
