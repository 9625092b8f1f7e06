#include "console/base/console.h"

#include "common/db/error_text.h"

namespace mendrix {

Console::Console(ConsoleEnv env)
    : env_(std::move(env)),
      gate_(env_.dialogs, env_.clock),
      data_(env_.teacherFolder),
      mainWindow_(data_, gate_.dialogs(), env_.desktop),
      login_(data_, mainWindow_, gate_.dialogs()),
      accounts_(data_, gate_.dialogs()) {
    // An engine error no handler caught reaches the teacher in Chinese, the engine's text as the detail.
    gate_.errorText = [](const std::exception& e) {
        const auto* db = dynamic_cast<const kav::db::DbError*>(&e);
        return db ? kav::db::databaseErrorText("操作没有完成。", *db) : std::string(e.what());
    };
}

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
