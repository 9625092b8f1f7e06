#include "console/window/ui/app.h"

#include <QCoreApplication>

#include "console/window/ui/forms.h"

namespace mendrix {

namespace {
ConsoleEnv withDefaultExit(ConsoleEnv env) {
    if (!env.onExit) env.onExit = [] { QCoreApplication::exit(0); };
    return env;
}
}  // namespace

MendrixApp::MendrixApp(ConsoleEnv env) : console_(std::make_unique<Console>(withDefaultExit(std::move(env)))) {
    formEnter_ = new TForm_enter(*this, console_->login());
    form1_ = new TForm1(*this, console_->mainWindow(), console_->accounts());
    console_->changed = [this] { sync(); };
}

MendrixApp::~MendrixApp() {
    console_->changed = nullptr;
    delete form1_;
    delete formEnter_;
}

void MendrixApp::start() {
    sync();
    console_->start();
}

void MendrixApp::run(const std::function<void()>& handler) { console_->handle(handler); }

void MendrixApp::sync() {
    formEnter_->refresh();
    form1_->refresh();
}

}  // namespace mendrix
