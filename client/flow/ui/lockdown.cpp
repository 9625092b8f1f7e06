#include "client/flow/ui/lockdown.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>
#include <cstdlib>

namespace kavlor {

namespace {

class CloseGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
            if (isAltF4(event)) return true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool isAltF4(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_F4 && (key->modifiers() & Qt::AltModifier);
}

void keepOpen(QWidget* window) { window->installEventFilter(new CloseGuard(window)); }

void TabBlocker::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TabBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
        event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kavlor

namespace kavlor {

namespace {

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

ScreenGrab::ScreenGrab(QWidget* window) : QObject(window), window_(window), retry_(new QTimer(this)) {
    retry_->setInterval(100);
    connect(retry_, &QTimer::timeout, this, [this] { tryGrab(); });
}

void ScreenGrab::hold() {
    wanted_ = true;
    tryGrab();
    retry_->start();  // also takes the grabs back should anything have released them
}

void ScreenGrab::release() {
    wanted_ = false;
    retry_->stop();
    xcb_connection_t* c = x11Connection();
    if (c && (keyboard_ || pointer_)) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    keyboard_ = pointer_ = false;
}

void ScreenGrab::tryGrab() {
    xcb_connection_t* c = x11Connection();
    if (!wanted_ || !c || !window_->isVisible()) return;
    const auto window = static_cast<xcb_window_t>(window_->winId());
    // Only a viewable window can hold a grab: wait until it is mapped.
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    if (!viewable) return;
    auto* keyboard = xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 1, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
    keyboard_ = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(keyboard);
    constexpr uint16_t kPointerEvents =
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
    auto* pointer = xcb_grab_pointer_reply(c,
                                           xcb_grab_pointer(c, 1, window, kPointerEvents, XCB_GRAB_MODE_ASYNC,
                                                            XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                           nullptr);
    pointer_ = pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(pointer);
    if (QWidget* above = keptAbove ? keptAbove() : nullptr; held() && above && above->isVisible()) {
        // To the top of the screen's stack.
        const uint32_t top[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, static_cast<xcb_window_t>(above->winId()), XCB_CONFIG_WINDOW_STACK_MODE, top);
        xcb_flush(c);
    }
}

}  // namespace kavlor
