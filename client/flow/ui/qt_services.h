#pragma once
// The Qt implementations of the client's dialogs, clock and desktop.
#include <QElapsedTimer>
#include <QObject>
#include <map>

#include "client/flow/desktop.h"
#include "common/ui/clock.h"
#include "common/ui/dialogs.h"

class QTimer;

namespace kavlor {

// Message boxes stay above the client's stay-on-top windows; a CR in a text
// breaks the line.
class QtDialogs : public kav::ui::Dialogs {
public:
    kav::ui::Answer message(kav::ui::MessageKind kind, const std::string& text, kav::ui::Buttons buttons,
                            const std::string& caption) override;
    std::optional<std::string> prompt(const std::string& caption, const std::string& label, const std::string& initial,
                                      bool password) override;
    std::optional<std::filesystem::path> openFile(const std::string& caption, const std::string& filter) override;
    std::optional<std::filesystem::path> saveFile(const std::string& caption, const std::string& filter) override;
};

// Timers with QTimer on the user-interface thread.
class QtClock : public QObject, public kav::ui::Clock {
public:
    QtClock();
    kav::DateTime nowLocal() const override;
    kav::TimeOfDay utcTimeOfDay() const override;
    std::int64_t monotonicMs() const override;
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) override;

private:
    QElapsedTimer elapsed_;
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

// The screen through Qt, the mode change through XRandR (the xrandr tool),
// folders through the desktop's file manager.
class QtDesktop : public Desktop {
public:
    ScreenSize screenSize() override;
    bool changeResolution(int width, int height) override;
    void openFolder(const std::filesystem::path& folder) override;
    void showAbout(const std::string& title) override;
};

}  // namespace kavlor
