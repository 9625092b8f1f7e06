#include "gui/kiosk.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kav::gui {

void coverScreen(QWidget* window) { window->setGeometry(QGuiApplication::primaryScreen()->geometry()); }

void showActive(QWidget* window, QWidget* focus) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    if (focus) focus->setFocus();
}

}  // namespace kav::gui
