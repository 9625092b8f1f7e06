#include "client/screens/choice/ui/x11_key_grab.h"

#include <cstdlib>
#include <initializer_list>

namespace kavlor {
namespace {

constexpr xcb_keysym_t kLeftKeysym = 0xff51, kRightKeysym = 0xff53;
// The lock modifiers that may be on while a "plain" key is pressed.
constexpr std::initializer_list<uint16_t> kLockStates = {
    0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr uint16_t kModifierKeys =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

}  // namespace

xcb_keycode_t keycodeOf(xcb_connection_t* c, xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr);
    if (!reply) return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    xcb_keycode_t found = 0;
    for (int k = 0; k < count && !found; ++k)
        for (int s = 0; s < reply->keysyms_per_keycode && !found; ++s)
            if (syms[k * reply->keysyms_per_keycode + s] == keysym) found = setup->min_keycode + k;
    std::free(reply);
    return found;
}

X11KeyGrab::X11KeyGrab(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {
    left_ = keycodeOf(connection_, kLeftKeysym);
    right_ = keycodeOf(connection_, kRightKeysym);
}

bool X11KeyGrab::grab() {
    if (grabbed_) return true;
    if (!left_ || !right_) return false;
    grabbed_ = true;  // so that a failure releases what was taken
    for (xcb_keycode_t key : {left_, right_}) {
        for (uint16_t locks : kLockStates) {
            xcb_void_cookie_t cookie = xcb_grab_key_checked(connection_, 0, root_, locks, key, XCB_GRAB_MODE_ASYNC,
                                                            XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
                std::free(error);
                release();
                return false;
            }
        }
    }
    return true;
}

void X11KeyGrab::release() {
    if (!grabbed_) return;
    for (xcb_keycode_t key : {left_, right_})
        for (uint16_t locks : kLockStates) xcb_ungrab_key(connection_, key, root_, locks);
    xcb_flush(connection_);
    grabbed_ = false;
}

bool X11KeyGrab::isGrabbedKeyEvent(const xcb_generic_event_t* event) const {
    const uint8_t type = event->response_type & ~0x80;
    if (!grabbed_ || (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)) return false;
    auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    return key->event == root_ && (key->detail == left_ || key->detail == right_) &&
           (key->state & kModifierKeys) == 0;
}

std::optional<X11KeyGrab::Arrow> X11KeyGrab::pressed(const xcb_generic_event_t* event) const {
    if (!isGrabbedKeyEvent(event) || (event->response_type & ~0x80) != XCB_KEY_PRESS) return std::nullopt;
    auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    return key->detail == left_ ? Arrow::Left : Arrow::Right;
}

}  // namespace kavlor
