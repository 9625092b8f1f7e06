#include "console/shell/console.h"

#include <exception>

namespace mendrix {

Console::Console(ConsoleEnv env)
    : env_(std::move(env)),
      data_(env_.teacherFolder),
      mainWindow_(data_, env_.dialogs, env_.desktop),
      login_(data_, mainWindow_, env_.dialogs),
      accounts_(data_, env_.dialogs) {}

void Console::start() {
    handle([this] { login_.FormShow(); });
}

void Console::handle(const std::function<void()>& handler) {
    if (busy_ || ended_) return;
    busy_ = true;
    try {
        handler();
    } catch (const std::exception& e) {
        env_.dialogs.message(kav::ui::MessageKind::Error, e.what());
    }
    busy_ = false;
    if (changed) changed();
    if (ended_ && env_.onExit) env_.onExit();
}

void Console::closeMainWindow() {
    if (mainWindow_.FormClose()) end();
}

void Console::end() {
    ended_ = true;
    login_.visible = false;
    mainWindow_.visible = false;
}

}  // namespace mendrix
