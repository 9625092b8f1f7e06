#pragma once
// Windows the candidate must not close: no close button, close requests
// ignored, Alt+F4 swallowed. And the blocking of Tab and Shift+Tab in every
// window of the client while the time-up screen is up.
#include <QObject>
#include <functional>
#include <QTimer>

class QWidget;
struct xcb_connection_t;

namespace kavlor {

// Installs the guard on a top-level window (its flags must already leave out
// the close button).
void keepOpen(QWidget* window);

// True for Alt+F4.
bool isAltF4(QEvent* event);

// An application-wide filter that, while active, lets no Tab or Shift+Tab
// reach any window of the client.
class TabBlocker : public QObject {
public:
    void setActive(bool active);
    bool active() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool active_ = false;
};

}  // namespace kavlor

namespace kavlor {

// The keyboard and pointer of the whole X display held for one window of the
// client (the time-up screen) while it is up: other programs get no key and no
// click, the window manager's own keys (Alt+Tab) do nothing, and the client's
// own windows (the toolbar, its message boxes) keep their input, because the
// grabs report events for them as usual (owner events). A grab can only be
// taken once the window is mapped and fails while another program holds one,
// so it is tried again every 50 ms for as long as it is wanted. At every try
// the window is also kept up: one that another program unmapped or minimised
// is mapped, raised and given the keyboard again, and one that another
// program's window covers is raised above it. Outside X11 it does nothing.
class ScreenGrab : public QObject {
public:
    explicit ScreenGrab(QWidget* window);
    ~ScreenGrab() override { release(); }
    void hold();     // from now on until release()
    void release();
    bool held() const { return keyboard_ && pointer_; }
    // Windows of the client that stay above the grabbing window (the toolbar):
    // restacked above it at every try once the grabs are held.
    std::function<QWidget*()> keptAbove;

private:
    void tryGrab();
    void keepUp(xcb_connection_t* c);
    QWidget* window_;
    QTimer* retry_;
    bool wanted_ = false, keyboard_ = false, pointer_ = false;
};

}  // namespace kavlor
