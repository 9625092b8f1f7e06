// The keyboard grab of ← and → on a private X server, with key presses made
// through the XTest extension as a real keyboard would make them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>

#include "client/screens/choice/ui/tform7.h"
#include "client/screens/choice/ui/x11_key_grab.h"
#include "tests/choice/exam_fixture.h"
#include "common/ui/event_gate.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"

namespace kavlor {
namespace {

constexpr xcb_keysym_t kRight = 0xff53, kLeft = 0xff51, kUp = 0xff52, kShift = 0xffe1;

// Xvfb on a display number that no other server of the machine uses, for the
// life of the object (display numbers are tried from a per-process start).
class XServer {
public:
    XServer() {
        for (int attempt = 0; attempt < 20 && display.empty(); ++attempt) {
            const std::string candidate = ":" + std::to_string(300 + (getpid() * 7 + attempt) % 600);
            if (start(candidate)) display = candidate;
        }
    }
    ~XServer() { stop(); }
    std::string display;

private:
    bool start(const std::string& name) {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", name.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0",
                   "800x600x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char buffer[32] = {};
        const bool ready = poll(&p, 1, 20000) == 1 && read(fds[0], buffer, sizeof buffer - 1) > 0;
        close(fds[0]);
        // The server is up when it announced itself and takes a connection.
        if (ready) {
            xcb_connection_t* probe = xcb_connect(name.c_str(), nullptr);
            const bool up = xcb_connection_has_error(probe) == 0;
            xcb_disconnect(probe);
            if (up) return true;
        }
        stop();
        return false;
    }
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    pid_t pid_ = -1;
};

struct Client {
    explicit Client(const std::string& display) : c(xcb_connect(display.c_str(), nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~Client() { xcb_disconnect(c); }
    // A round trip: every event caused so far has arrived.
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    std::vector<xcb_generic_event_t*> events() {
        sync();
        std::vector<xcb_generic_event_t*> all;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) all.push_back(e);
        return all;
    }
    std::vector<xcb_keycode_t> keyPresses() {
        std::vector<xcb_keycode_t> keys;
        for (xcb_generic_event_t* e : events()) {
            if ((e->response_type & ~0x80) == XCB_KEY_PRESS) keys.push_back(reinterpret_cast<xcb_key_press_event_t*>(e)->detail);
            std::free(e);
        }
        return keys;
    }
    xcb_connection_t* c;
    xcb_window_t root;
};

// Another program's window that has the keyboard focus.
struct FocusedWindow : Client {
    explicit FocusedWindow(const std::string& display) : Client(display) {
        window = xcb_generate_id(c);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        uint32_t mask = XCB_EVENT_MASK_KEY_PRESS;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_EVENT_MASK, &mask);
        xcb_map_window(c, window);
        sync();
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        sync();
    }
    // Presses and releases keys in order, as the keyboard does: the first ones are held.
    void type(std::vector<xcb_keysym_t> keys) {
        for (xcb_keysym_t k : keys) xcb_test_fake_input(c, XCB_KEY_PRESS, keycodeOf(c, k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto k = keys.rbegin(); k != keys.rend(); ++k)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, keycodeOf(c, *k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    xcb_window_t window;
};

class X11KeyGrabTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.display.empty()) << "Xvfb did not start";
        ASSERT_EQ(xcb_connection_has_error(screen.c), 0);
        ASSERT_EQ(xcb_connection_has_error(other.c), 0);
    }
    std::vector<X11KeyGrab::Arrow> arrowsOf(X11KeyGrab& grab, Client& client) {
        std::vector<X11KeyGrab::Arrow> arrows;
        for (xcb_generic_event_t* e : client.events()) {
            if (auto a = grab.pressed(e)) arrows.push_back(*a);
            std::free(e);
        }
        return arrows;
    }
    XServer server;
    Client screen{server.display};
    FocusedWindow other{server.display};
};

TEST_F(X11KeyGrabTest, PlainArrowsGoToTheGrabAndNothingElse) {
    X11KeyGrab grab(screen.c, screen.root);
    ASSERT_TRUE(grab.grab());
    other.type({kRight});
    other.type({kLeft});
    EXPECT_EQ(arrowsOf(grab, screen), (std::vector{X11KeyGrab::Arrow::Right, X11KeyGrab::Arrow::Left}));
    EXPECT_TRUE(other.keyPresses().empty());
}

TEST_F(X11KeyGrabTest, ModifiedArrowsAndOtherKeysAreNotTaken) {
    X11KeyGrab grab(screen.c, screen.root);
    ASSERT_TRUE(grab.grab());
    other.type({kShift, kRight});
    other.type({kUp});
    EXPECT_TRUE(arrowsOf(grab, screen).empty());
    EXPECT_EQ(other.keyPresses(),
              (std::vector{keycodeOf(other.c, kShift), keycodeOf(other.c, kRight), keycodeOf(other.c, kUp)}));
}

TEST_F(X11KeyGrabTest, ReleaseGivesTheKeysBack) {
    X11KeyGrab grab(screen.c, screen.root);
    ASSERT_TRUE(grab.grab());
    grab.release();
    EXPECT_FALSE(grab.grabbed());
    screen.sync();  // the server has taken the release before the other program types
    other.type({kRight});
    EXPECT_TRUE(arrowsOf(grab, screen).empty());
    EXPECT_EQ(other.keyPresses(), std::vector{keycodeOf(other.c, kRight)});
}

TEST_F(X11KeyGrabTest, AGrabHeldByAnotherProgramFailsAndHoldsNothing) {
    Client holder(server.display);
    X11KeyGrab theirs(holder.c, holder.root);
    ASSERT_TRUE(theirs.grab());
    X11KeyGrab grab(screen.c, screen.root);
    EXPECT_FALSE(grab.grab());
    EXPECT_FALSE(grab.grabbed());
    theirs.release();
    // nothing of the failed attempt stays behind: the keys reach the focused window
    other.type({kLeft});
    EXPECT_TRUE(arrowsOf(grab, screen).empty());
    EXPECT_EQ(other.keyPresses(), std::vector{keycodeOf(other.c, kLeft)});
    // and a later attempt succeeds
    EXPECT_TRUE(grab.grab());
}

// The screen itself on an X display: while it is shown, → typed in another
// program's window moves the screen to the next question and reaches nothing else.
TEST_F(X11KeyGrabTest, TheShownScreenTakesTheArrowsFromOtherPrograms) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("DISPLAY", QByteArray::fromStdString(server.display));
    int argc = 1;
    char name[] = "choice_x11_grab_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");

    kav::test::ExamFixture fx;
    kav::test::FakeDialogs dialogs;
    kav::test::FakeClock clock;
    kav::ui::EventGate gate{dialogs, clock};
    TForm7 form(fx.tables(), gate);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The screen takes the keyboard once it is up; then the candidate clicks
    // into another program.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == form.windowHandle(); }, 5000));
    xcb_set_input_focus(other.c, XCB_INPUT_FOCUS_POINTER_ROOT, other.window, XCB_CURRENT_TIME);
    other.sync();

    other.type({kRight});
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label1->text() == "2、"; }, 5000));
    EXPECT_TRUE(other.keyPresses().empty());

    form.hide();
    QTest::qWait(100);
    other.type({kRight});
    EXPECT_EQ(other.keyPresses(), std::vector{keycodeOf(other.c, kRight)});
    QTest::qWait(100);
    EXPECT_EQ(form.Label1->text(), "2、");
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kavlor
