#include "client/flow/ui/lockdown.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gui/x11_frame.h"
#include "gui/kiosk.h"

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

bool isViewable(xcb_connection_t* c, xcb_window_t window) {
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

// Whether a viewable window of another program is stacked above `ours` (the
// program's own windows, its toolbar and boxes, may be).
bool coveredByOthers(xcb_connection_t* c, xcb_window_t ours) {
    std::vector<xcb_window_t> own;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->testAttribute(Qt::WA_WState_Created))
            own.push_back(kav::gui::topLevelOf(c, static_cast<xcb_window_t>(w->winId())));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree) return false;
    const xcb_window_t* children = xcb_query_tree_children(tree);  // bottom to top
    bool above = false, covered = false;
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !covered; ++i) {
        if (children[i] == ours) above = true;
        else if (above && std::find(own.begin(), own.end(), children[i]) == own.end() && isViewable(c, children[i]))
            covered = true;
    }
    std::free(tree);
    return covered;
}

}  // namespace

ScreenGrab::ScreenGrab(QWidget* window) : QObject(window), window_(window), retry_(new QTimer(this)) {
    retry_->setInterval(50);
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

// Another program may unmap (XUnmapWindow), minimise or cover the window:
// it is mapped and raised again. A window the program itself has not shown
// yet is left to Qt.
void ScreenGrab::keepUp(xcb_connection_t* c) {
    const auto window = static_cast<xcb_window_t>(window_->winId());
    const xcb_window_t top = kav::gui::topLevelOf(c, window);
    const bool mapped = isViewable(c, window);
    if (mapped && !window_->isMinimized() && !coveredByOthers(c, top)) return;
    if (!mapped) {
        keyboard_ = pointer_ = false;
        xcb_map_window(c, window);
        // A window manager brings a minimised window back when a pager asks.
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr);
        if (atom) {
            xcb_client_message_event_t e{};
            e.response_type = XCB_CLIENT_MESSAGE;
            e.format = 32;
            e.window = window;
            e.type = atom->atom;
            e.data.data32[0] = 2;  // from a pager
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
            xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&e));
            std::free(atom);
        }
    }
    if (window_->isMinimized()) window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    const uint32_t stackTop[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, top, XCB_CONFIG_WINDOW_STACK_MODE, stackTop);
    xcb_flush(c);
    kav::gui::showActive(window_, window_->focusWidget());
}

void ScreenGrab::tryGrab() {
    xcb_connection_t* c = x11Connection();
    if (!wanted_ || !c || !window_->isVisible()) return;
    keepUp(c);
    const auto window = static_cast<xcb_window_t>(window_->winId());
    // Only a viewable window can hold a grab: wait until it is mapped.
    if (!isViewable(c, window)) return;
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
