#include "gui/kiosk.h"

#include <xcb/xcb.h>

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace kav::gui {

namespace {

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

// A window manager announces itself by this property of the root window.
bool windowManagerRunning(xcb_connection_t* c) {
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, 24, "_NET_SUPPORTING_WM_CHECK"), nullptr);
    if (!atom) return false;
    const xcb_atom_t name = atom->atom;
    std::free(atom);
    if (name == XCB_ATOM_NONE) return false;
    auto* property =
        xcb_get_property_reply(c, xcb_get_property(c, 0, rootOf(c), name, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool running = property && xcb_get_property_value_length(property) > 0;
    std::free(property);
    return running;
}

bool viewable(xcb_connection_t* c, xcb_window_t window) {
    auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool up = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return up;
}

// The window shown last with the keyboard: a window shown earlier does not
// take the focus back from it once it is mapped.
QPointer<QWidget> g_latest;
// The windows that had the keyboard, oldest first: the keyboard goes back to
// the latest one still shown when the one that has it is hidden.
std::vector<QPointer<QWidget>> g_keyboardOrder;

xcb_window_t currentFocus(xcb_connection_t* c) {
    auto* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const xcb_window_t focus = reply ? reply->focus : XCB_NONE;
    std::free(reply);
    return focus;
}

// Without a window manager nobody gives a new window the keyboard: the X
// input focus is set once the window is mapped (tried for up to two seconds),
// unless meanwhile another window took it.
void focusWithoutWindowManager(QWidget* window, xcb_connection_t* c) {
    const xcb_window_t focusBefore = currentFocus(c);
    QPointer<QWidget> target(window);
    auto* retry = new QTimer(window);
    retry->setInterval(20);
    auto tries = std::make_shared<int>(100);
    QObject::connect(retry, &QTimer::timeout, retry, [c, target, retry, tries, focusBefore] {
        if (!target || !target->isVisible() || target != g_latest || --*tries < 0 ||
            currentFocus(c) != focusBefore) {
            retry->deleteLater();
            return;
        }
        const auto id = static_cast<xcb_window_t>(target->winId());
        if (!viewable(c, id)) return;
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
        xcb_flush(c);
        retry->deleteLater();
    });
    retry->start();
}

void giveKeyboard(QWidget* window) {
    g_latest = window;
    xcb_connection_t* c = x11Connection();
    if (c && !windowManagerRunning(c))
        focusWithoutWindowManager(window, c);
    else
        window->activateWindow();
}

// Hands the keyboard back when a window of the order is hidden.
class KeyboardReturn : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Hide || !watched->isWidgetType() ||
            !static_cast<QWidget*>(watched)->isWindow())
            return false;
        const auto known = std::find(g_keyboardOrder.begin(), g_keyboardOrder.end(), watched);
        if (known == g_keyboardOrder.end()) return false;
        // After the hide is done, so that the window is unmapped and the X
        // focus has fallen back.
        QTimer::singleShot(0, this, [] {
            std::erase_if(g_keyboardOrder, [](const QPointer<QWidget>& w) { return w.isNull(); });
            for (auto it = g_keyboardOrder.rbegin(); it != g_keyboardOrder.rend(); ++it) {
                QWidget* w = *it;
                if (!w->isVisible() || w->isMinimized()) continue;
                giveKeyboard(w);
                return;
            }
        });
        return false;
    }
};

void remember(QWidget* window) {
    static KeyboardReturn* filter = [] {
        auto* f = new KeyboardReturn(qApp);
        qApp->installEventFilter(f);
        return f;
    }();
    (void)filter;
    std::erase_if(g_keyboardOrder, [window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
    // The window that is active now (one not shown through here, such as the
    // console's main window) gets the keyboard back before older ones.
    if (QWidget* active = QApplication::activeWindow(); active && active != window &&
        std::find(g_keyboardOrder.begin(), g_keyboardOrder.end(), active) == g_keyboardOrder.end())
        g_keyboardOrder.emplace_back(active);
    g_keyboardOrder.emplace_back(window);
}

// Undoes a minimise once the event that reported it is handled.
class Unminimise : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::WindowStateChange) return false;
        QPointer<QWidget> window(static_cast<QWidget*>(watched));
        if (window->isMinimized() && window->isVisible())
            QTimer::singleShot(0, window, [window] {
                if (window && window->isMinimized() && window->isVisible()) showActive(window);
            });
        return false;
    }
};

}  // namespace

void refuseMinimise(QWidget* window) { window->installEventFilter(new Unminimise(window)); }

void coverScreen(QWidget* window) { window->setGeometry(QGuiApplication::primaryScreen()->geometry()); }

void showActive(QWidget* window, QWidget* focus) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    remember(window);
    // A window manager activates on request; without one the focus is set
    // here, where another program's later focus is respected.
    giveKeyboard(window);
    if (focus) focus->setFocus();
}

}  // namespace kav::gui
