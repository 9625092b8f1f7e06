#pragma once
// The window manager's frame of a window under X11, for the code and the tests
// that check where the client's windows stand.

#include <cstdlib>

#include <xcb/xcb.h>

namespace kav::gui {

// The child of the root that holds `window`: a window manager's frame, or the
// window itself without one.
inline xcb_window_t topLevelOf(xcb_connection_t* c, xcb_window_t window) {
    for (;;) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree) return window;
        const xcb_window_t parent = tree->parent, root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE) return window;
        window = parent;
    }
}

}  // namespace kav::gui
