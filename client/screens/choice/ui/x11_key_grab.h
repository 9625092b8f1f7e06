#pragma once
// Plain ← and → taken from every program of an X display: a passive grab of
// the two keys on the root window, so that while a screen holds it the keys
// reach that screen and nothing else. Only the plain keys are grabbed (Caps
// Lock and Num Lock may be on); with Shift, Ctrl or Alt they go their usual way.
#include <xcb/xcb.h>

#include <optional>

namespace kavlor {

// The first keycode that carries keysym on the display's keyboard (0 when none).
xcb_keycode_t keycodeOf(xcb_connection_t* connection, xcb_keysym_t keysym);

class X11KeyGrab {
public:
    enum class Arrow { Left, Right };

    X11KeyGrab(xcb_connection_t* connection, xcb_window_t root);
    ~X11KeyGrab() { release(); }
    X11KeyGrab(const X11KeyGrab&) = delete;
    X11KeyGrab& operator=(const X11KeyGrab&) = delete;

    // Takes both keys. False, holding nothing, when another program holds one
    // of them (the caller tries again later).
    bool grab();
    void release();
    bool grabbed() const { return grabbed_; }

    // The arrow that a key press of the grab reports; nullopt for any other event.
    std::optional<Arrow> pressed(const xcb_generic_event_t* event) const;
    // Whether the event is a press or release of a grabbed key (to be consumed).
    bool isGrabbedKeyEvent(const xcb_generic_event_t* event) const;

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_keycode_t left_ = 0, right_ = 0;
    bool grabbed_ = false;
};

}  // namespace kavlor
