#pragma once
// Windows of a kiosk session: an exam station may run a bare X session with no
// window manager, where maximising, full-screen requests and activation by the
// window manager do nothing. These helpers give a window its geometry and the
// keyboard themselves, so that it looks and works the same with or without one.
class QWidget;

namespace kav::gui {

// The whole primary screen.
void coverScreen(QWidget* window);

// Shows a top-level window with the keyboard: shown (restored when it was
// minimised), raised and activated, with the focus in `focus` when given.
// Without a window manager the activation sets the X input focus itself.
//
// The one rule for the keyboard when a window or box closes: the windows
// shown so (and the window that was active when each was shown) are
// remembered in order, and when one of them is hidden the keyboard goes back
// to the latest of them still shown, also without a window manager, where
// nobody else would give it.
void showActive(QWidget* window, QWidget* focus = nullptr);

// A window that must not be minimised: a window manager that minimises it all
// the same (some ignore the window's hints) sees it come straight back, shown,
// raised and with the keyboard.
void refuseMinimise(QWidget* window);

}  // namespace kav::gui
