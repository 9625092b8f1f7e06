#pragma once
// What the programs ask of the machine's desktop: the screen mode, files and
// folders opened with their default program, programs started, and the
// help window. The Qt implementation (gui/) uses XRandR and the desktop
// services; tests inject their own.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kav::ui {

struct ScreenSize {
    int width = 0, height = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual ScreenSize screenSize() = 0;
    // Asks the display system for width × height (depth and refresh rate stay);
    // true when the screen now has that size.
    virtual bool changeResolution(int width, int height) = 0;
    // Opens a folder (a file manager window) or a file (its default program,
    // a browser for an .htm file); false when the desktop could not open it.
    virtual bool open(const std::filesystem::path& path) = 0;
    // Starts a program on its own (the office program with a document): it
    // runs on when the caller ends and inherits no file the caller holds open.
    // false when it could not be started.
    virtual bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments) = 0;
    // A help window titled `title` over the HTML page `html` (UTF-8), inside
    // the program: no browser needed. Shown again (not twice) when already open.
    virtual void showHelp(const std::string& title, const std::string& html) = 0;
    // Returns once done() is true (work on another thread has ended), keeping
    // the windows painted meanwhile; the candidate's input and the timers'
    // ticks wait until the running handler ends, as behind a message box.
    // Without windows it only waits.
    virtual void waitUntil(const std::function<bool()>& done) {
        while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

}  // namespace kav::ui
