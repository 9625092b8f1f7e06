#include "console/base/console.h"

namespace mendrix {

Console::Console(ConsoleEnv env)
    : env_(std::move(env)),
      gate_(env_.dialogs, env_.clock),
      data_(env_.teacherFolder),
      mainWindow_(data_, gate_.dialogs(), env_.desktop),
      login_(data_, mainWindow_, gate_.dialogs()),
      accounts_(data_, gate_.dialogs()) {}

void Console::start() {
    handle([this] { login_.FormShow(); });
}

void Console::handle(const std::function<void()>& handler) {
    if (gate_.running() || ended_) return;
    gate_.handle(handler);
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
