#pragma once
// Windows the candidate must not close: no close button, close requests
// ignored, Alt+F4 swallowed. And the blocking of Tab and Shift+Tab in every
// window of the client while the time-up screen is up.
#include <QObject>

class QWidget;

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
