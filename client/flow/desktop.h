#pragma once
// What the client asks of the machine's desktop: the screen mode, the file
// manager on the candidate folder and the version box. The Qt implementation
// uses XRandR and the desktop services; tests inject their own.
#include <filesystem>
#include <string>

namespace kavlor {

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
    // Opens a folder with the desktop's default action (a file manager window).
    virtual void openFolder(const std::filesystem::path& folder) = 0;
    // The version box titled `title`.
    virtual void showAbout(const std::string& title) = 0;
};

}  // namespace kavlor
