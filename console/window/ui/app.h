#pragma once
// The Qt side of the console: makes its windows, runs every handler of every
// window through run(), one at a time, and redraws the windows after each.
#include <functional>
#include <memory>

#include "console/base/console.h"

namespace mendrix {

class TForm_enter;
class TForm1;

class MendrixApp {
public:
    // env.onExit, when empty, ends the Qt event loop.
    explicit MendrixApp(ConsoleEnv env);
    ~MendrixApp();

    // Shows the login window, which opens the databases.
    void start();
    // The one way into the console's logic for every window event.
    void run(const std::function<void()>& handler);

    Console& console() { return *console_; }
    TForm_enter* Form_enter() const { return formEnter_; }
    TForm1* Form1() const { return form1_; }

private:
    void sync();
    std::unique_ptr<Console> console_;
    TForm_enter* formEnter_ = nullptr;
    TForm1* form1_ = nullptr;
};

}  // namespace mendrix
