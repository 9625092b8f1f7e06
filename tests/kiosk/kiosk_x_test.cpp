// The client on a private X server, as on an exam station with a bare X
// session (--wm=none) or with the session's window manager (--wm=openbox, with
// the package's settings): every window
// takes the keyboard and has its geometry, the time-up screen holds keyboard
// and pointer against other programs while the client's own toolbar and boxes
// keep working. Keys and clicks are made through XTest, as a real keyboard and
// mouse make them; geometry is read back from the X server.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/forms.h"
#include "client/screens/choice/ui/tform7.h"
#include "client/screens/choice/ui/x11_key_grab.h"
#include "client/screens/typing/ui/tform9.h"
#include "gui/x11_frame.h"
#include "gui/kiosk.h"
#include "gui/qt_services.h"
#include "tests/flow/flow_app.h"

namespace kavlor::test {
namespace {

std::string g_wm = "none";

bool onPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

pid_t spawn(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// Xvfb at 800 × 600 on the first display number no other server of the
// machine uses (the server picks it and tells it through a pipe).
struct XServer {
    XServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char buffer[32] = {};
        if (poll(&p, 1, 10000) == 1 && read(fds[0], buffer, sizeof buffer - 1) > 0)
            display = ":" + std::to_string(std::atoi(buffer));
        else
            stop(pid);
        readEnd = fds[0];  // open for the server's life: it may write to it again
    }
    ~XServer() {
        stop(pid);
        if (readEnd >= 0) close(readEnd);
    }
    std::string display;
    pid_t pid = -1;
    int readEnd = -1;
};

// Runs the client's events until the condition holds or `ms` have passed.
bool waitFor(const std::function<bool()>& condition, int ms = 4000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(10'000);
    }
    return true;
}

// Another program on the same display: its own connection, a window of its
// own, and XTest input as the keyboard and mouse make it.
struct OtherProgram {
    OtherProgram() : c(xcb_connect(std::getenv("DISPLAY"), nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        root = screen->root;
        window = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_KEY_PRESS;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 600, 500, 150, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_EVENT_MASK, &mask);
        xcb_map_window(c, window);
        sync();
    }
    ~OtherProgram() { xcb_disconnect(c); }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    void takeFocus() {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        sync();
    }
    // Presses keys in order and releases them in reverse: the first ones are held.
    void press(const std::vector<xcb_keysym_t>& keys) {
        for (xcb_keysym_t k : keys) xcb_test_fake_input(c, XCB_KEY_PRESS, keycodeOf(c, k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto k = keys.rbegin(); k != keys.rend(); ++k)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, keycodeOf(c, *k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    void type(const std::string& ascii) {
        for (char ch : ascii) press({static_cast<xcb_keysym_t>(ch)});
    }
    void click(QPoint at) {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, static_cast<int16_t>(at.x()),
                            static_cast<int16_t>(at.y()), 0);
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    int keyPressesReceived() {
        sync();
        int presses = 0;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & ~0x80) == XCB_KEY_PRESS) ++presses;
            std::free(e);
        }
        return presses;
    }
    bool keyboardGrabSucceeds() {
        auto* r = xcb_grab_keyboard_reply(
            c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
        const bool ok = r && r->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(r);
        if (ok) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        sync();
        return ok;
    }
    bool leftKeyGrabSucceeds() {
        const xcb_keycode_t left = keycodeOf(c, 0xff51);
        xcb_void_cookie_t cookie =
            xcb_grab_key_checked(c, 0, root, 0, left, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(c, cookie);
        std::free(error);
        if (!error) xcb_ungrab_key(c, left, root, 0);
        sync();
        return !error;
    }
    xcb_connection_t* c;
    xcb_window_t root, window;
};

// Where the X server shows a window of the client (its own area, without frame).
QRect xGeometry(QWidget* w) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto window = static_cast<xcb_window_t>(w->winId());
    auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    auto* t = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr);
    QRect r;
    if (g && t) r = QRect(t->dst_x, t->dst_y, g->width, g->height);
    std::free(g);
    std::free(t);
    xcb_disconnect(c);
    return r;
}

// Whether the X input focus is in the window (keys typed now reach it).
bool xFocusIn(QWidget* w) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    auto* f = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const bool in = f && f->focus == static_cast<xcb_window_t>(w->winId());
    std::free(f);
    xcb_disconnect(c);
    return in;
}

bool viewable(QWidget* w) {
    if (!w || !w->isVisible()) return false;
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(w->winId())),
                                              nullptr);
    const bool up = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    xcb_disconnect(c);
    return up;
}

// Whether `upper` is stacked above `lower` (both top-level client windows).
bool stackedAbove(xcb_window_t upper, xcb_window_t lower) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t u = kav::gui::topLevelOf(c, upper), l = kav::gui::topLevelOf(c, lower);
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    int upperAt = -1, lowerAt = -1;  // children run from bottom to top
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
        if (xcb_query_tree_children(tree)[i] == u) upperAt = i;
        if (xcb_query_tree_children(tree)[i] == l) lowerAt = i;
    }
    std::free(tree);
    xcb_disconnect(c);
    return upperAt >= 0 && lowerAt >= 0 && upperAt > lowerAt;
}

// Whether a window lets the window manager apply a function (MWM_FUNC_*) by
// its _MOTIF_WM_HINTS: with MWM_FUNC_ALL set the other bits are exclusions.
bool motifAllows(QWidget* w, uint32_t function) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, 15, "_MOTIF_WM_HINTS"), nullptr);
    bool allows = true;  // no hint restricts nothing
    if (atom && atom->atom != XCB_ATOM_NONE) {
        auto* p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, static_cast<xcb_window_t>(w->winId()), atom->atom, atom->atom, 0, 5), nullptr);
        if (p && xcb_get_property_value_length(p) >= 8) {
            const auto* hints = static_cast<const uint32_t*>(xcb_get_property_value(p));
            const uint32_t functions = hints[1];
            if (hints[0] & 1)  // MWM_HINTS_FUNCTIONS
                allows = (functions & 1) ? !(functions & function) : (functions & function) != 0;
        }
        std::free(p);
    }
    std::free(atom);
    xcb_disconnect(c);
    return allows;
}

// What XIconifyWindow sends: WM_CHANGE_STATE with IconicState, to the root.
void requestIconify(QWidget* w) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 15, "WM_CHANGE_STATE"), nullptr);
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = static_cast<xcb_window_t>(w->winId());
    e.type = atom->atom;
    e.data.data32[0] = 3;  // IconicState
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(c);
    std::free(atom);
    xcb_disconnect(c);
}

// A client in its exam on the private display, with the scripted boxes.
struct Exam {
    explicit Exam(LabOptions options = {}) : h(options), app(h.env()) {
        EXPECT_TRUE(app.start());
        enterExam(app);
        EXPECT_TRUE(waitFor([&] { return viewable(app.Form5()) && viewable(app.Form4()); }));
    }
    Harness h;
    KavlorApp app;
};

const QRect kScreen(0, 0, 800, 600);

TEST(Kiosk, TheLoginTakesTheKeyboardAfterTheSplashIsClicked) {
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return viewable(app.Form1()); }));
    OtherProgram keyboard;
    keyboard.click({10, 10});  // on the splash, far from where the login opens
    ASSERT_TRUE(waitFor([&] { return app.Form3() && viewable(app.Form3()); }));
    EXPECT_TRUE(waitFor([&] { return xFocusIn(app.Form3()); }));
    keyboard.type("110199990001");
    EXPECT_TRUE(waitFor([&] { return app.Form3()->Edit1->text() == "110199990001"; }))
        << app.Form3()->Edit1->text().toStdString();
    EXPECT_EQ(keyboard.keyPressesReceived(), 0);
    // Another click on the splash beside the login (a window manager gives the
    // splash the keyboard, and a full-screen window with it covers the login):
    // the login is in front again, with the keyboard.
    keyboard.click({10, 10});
    EXPECT_TRUE(waitFor([&] {
        return xFocusIn(app.Form3()) &&
               stackedAbove(static_cast<xcb_window_t>(app.Form3()->winId()), static_cast<xcb_window_t>(app.Form1()->winId()));
    }));
}

TEST(Kiosk, AnsweringScreensFillTheScreenAndTakeTheKeyboard) {
    Exam e;
    OtherProgram other;
    other.takeFocus();
    e.app.Form5()->N2Click();
    TForm7* choice = e.app.Form5()->Form7();
    ASSERT_TRUE(waitFor([&] { return viewable(choice); }));
    EXPECT_TRUE(waitFor([&] { return xGeometry(choice) == kScreen; })) << xGeometry(choice).width();
    EXPECT_TRUE(waitFor([&] { return xFocusIn(choice) && choice->isActiveWindow(); }));
    EXPECT_FALSE(other.leftKeyGrabSucceeds());  // ← and → belong to the choice screen

    other.takeFocus();
    e.app.Form5()->N3Click();
    TForm9* typing = e.app.Form5()->Form9();
    ASSERT_TRUE(waitFor([&] { return viewable(typing); }));
    EXPECT_TRUE(waitFor([&] { return xGeometry(typing) == kScreen; })) << xGeometry(typing).width();
    EXPECT_TRUE(waitFor([&] { return xFocusIn(typing); }));
    other.type("ab");
    EXPECT_TRUE(waitFor([&] { return typing->engine().pageTypedLine(1).substr(0, 4) == "a b "; }))
        << typing->engine().pageTypedLine(1);
    EXPECT_EQ(other.keyPressesReceived(), 0);
    // The choice screen is not the active window any more: its keys are free.
    EXPECT_TRUE(waitFor([&] { return other.leftKeyGrabSucceeds(); }))
        << "typing active " << typing->isActiveWindow() << " choice active " << choice->isActiveWindow();
}

TEST(Kiosk, TheTimeUpScreenHoldsTheKeyboardAndPointerButTheToolbarWorks) {
    Exam e({.resttime = "0:00:01"});
    e.h.lab.setAssistantPassword(2, "1111");
    OtherProgram other;
    other.takeFocus();
    e.h.clock.advance(4000);
    TForm_fullenter* screen = e.app.Form_fullenter();
    ASSERT_TRUE(waitFor([&] { return viewable(screen) && screen->inputHeld(); }));
    EXPECT_EQ(xGeometry(screen), kScreen);
    EXPECT_FALSE(other.keyboardGrabSucceeds());

    // Switching keys, closing keys and a click beside the screen reach no other program.
    other.press({0xffe9, 0xff09});  // Alt+Tab
    other.press({0xffe9, 0xffc1});  // Alt+F4
    other.press({0xff09});          // Tab
    other.press({0xff1b});          // Escape
    other.click({650, 520});        // on the other program's window
    EXPECT_TRUE(waitFor([&] { return screen->inputHeld(); }));
    EXPECT_EQ(other.keyPressesReceived(), 0);
    EXPECT_TRUE(viewable(screen));
    EXPECT_TRUE(viewable(e.app.Form5()));  // nothing acted on the exam window

    // The toolbar above the screen: 交卷 asks its question (answered No).
    e.h.dialogs.answers.push_back(kav::ui::Answer::No);
    QToolButton* handIn = e.app.Form4()->SpeedButton6;
    other.click(handIn->mapToGlobal(handIn->rect().center()));
    EXPECT_TRUE(waitFor([&] { return e.h.dialogs.lastText() == "将退出系统！！！"; })) << e.h.dialogs.lastText();

    // The delay password typed on the keyboard; the screen goes and lets go.
    other.type("1111");
    other.press({0xff0d});
    EXPECT_TRUE(waitFor([&] { return !screen->isVisible(); }));
    EXPECT_TRUE(waitFor([&] { return other.keyboardGrabSucceeds(); }));
}

// The login and exam windows ask the window manager for no minimise or
// maximise; an exam window minimised all the same comes straight back, and
// the toolbar's 隐藏题目 / 显示题目 hide and bring it back: mapped, above
// other programs and with the keyboard.
TEST(Kiosk, TheExamWindowCannotBeMinimisedAndTheToolbarBringsItBack) {
    Exam e;
    constexpr uint32_t kMinimize = 8, kMaximize = 16;  // MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE
    for (QWidget* w : {static_cast<QWidget*>(e.app.Form3()), static_cast<QWidget*>(e.app.Form5())}) {
        EXPECT_FALSE(motifAllows(w, kMinimize)) << w->metaObject()->className();
        EXPECT_FALSE(motifAllows(w, kMaximize)) << w->metaObject()->className();
    }

    // Minimised through the X protocol, as XIconifyWindow does: a window
    // manager may obey (openbox does); the window comes straight back.
    // Without one the request does nothing.
    OtherProgram other;
    requestIconify(e.app.Form5());
    waitFor([] { return false; }, 300);
    EXPECT_TRUE(waitFor([&] { return viewable(e.app.Form5()); }));
    const auto backOnTop = [&] {
        return viewable(e.app.Form5()) && xFocusIn(e.app.Form5()) &&
               stackedAbove(static_cast<xcb_window_t>(e.app.Form5()->winId()), other.window);
    };

    // 隐藏题目 hides it, 显示题目 brings it back above the other program.
    other.takeFocus();
    QToolButton* button = e.app.Form4()->SpeedButton5;
    const QPoint at = button->mapToGlobal(button->rect().center());
    other.click(at);  // 隐藏题目
    ASSERT_TRUE(waitFor([&] { return !e.app.Form5()->isVisible(); }));
    other.click(at);  // 显示题目
    EXPECT_TRUE(waitFor(backOnTop));
}

// A message box over the collecting screen takes Return.
TEST(Kiosk, ABoxOverTheCollectingScreenTakesItsKeys) {
    Harness h;
    kav::gui::QtDialogs boxes(QStringLiteral("Kavlor"), /*stayOnTop=*/true);
    KavlorApp app(
        ClientEnv{boxes, h.clock, h.desktop, h.lab.station, h.lab.lockFile, [&] { ++h.exits; }, 7, {}, h.pollLaunch});
    ASSERT_TRUE(app.start());
    enterExam(app);
    ASSERT_TRUE(waitFor([&] { return viewable(app.Form5()); }));

    OtherProgram keyboard;
    bool boxUp = false, rescued = false;
    QTimer press;
    press.setInterval(300);
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QMessageBox") && viewable(w)) {
                boxUp = true;
                keyboard.press({0xff0d});  // Return
            }
    });
    press.start();
    QTimer::singleShot(8000, &press, [&] {  // goes with the test
        rescued = true;
        boxes.closeOpenBoxes();
    });
    h.lab.setKorl(3);
    h.clock.advance(2000);  // the poll collects and shows its notice
    EXPECT_TRUE(boxUp);
    EXPECT_FALSE(rescued) << "the notice did not take Return";
    EXPECT_TRUE(app.client().toolbar()->forcedCollection());
}

// Another program unmaps, minimises or covers the time-up screen: it is back,
// mapped, on top and grabbed, within 200 ms; meanwhile the choice and typing
// screens take no answer.
TEST(Kiosk, TheTimeUpScreenComesBackAndTheScreensTakeNoAnswer) {
    Exam e({.resttime = "0:00:01"});
    e.app.Form5()->N2Click();
    e.app.Form5()->N3Click();
    TForm7* choice = e.app.Form5()->Form7();
    TForm9* typing = e.app.Form5()->Form9();
    ASSERT_TRUE(choice && typing);
    e.h.clock.advance(4000);
    TForm_fullenter* screen = e.app.Form_fullenter();
    ASSERT_TRUE(waitFor([&] { return viewable(screen) && screen->inputHeld(); }));

    struct Attack {
        const char* name;
        std::function<void(OtherProgram&)> act;
    };
    const auto window = static_cast<xcb_window_t>(screen->winId());
    const Attack attacks[] = {
        {"XUnmapWindow", [&](OtherProgram& o) { xcb_unmap_window(o.c, window); o.sync(); }},
        {"iconify", [&](OtherProgram&) { requestIconify(screen); }},
        {"covered", [&](OtherProgram& o) {
             const uint32_t top[] = {XCB_STACK_MODE_ABOVE};
             xcb_configure_window(o.c, o.window, XCB_CONFIG_WINDOW_STACK_MODE, top);
             o.sync();
         }},
    };
    for (const Attack& a : attacks) {
        SCOPED_TRACE(a.name);
        OtherProgram other;
        waitFor([] { return false; }, 100);
        a.act(other);
        const auto start = std::chrono::steady_clock::now();
        waitFor([] { return false; }, 30);  // the attack has reached the X server
        const bool back = waitFor([&] {
            return viewable(screen) && !screen->isMinimized() && screen->inputHeld() &&
                   stackedAbove(static_cast<xcb_window_t>(screen->winId()), other.window);
        }, 2000);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(back) << "viewable " << viewable(screen) << " minimised " << screen->isMinimized() << " grabbed "
                          << screen->inputHeld() << " on top "
                          << stackedAbove(static_cast<xcb_window_t>(screen->winId()), other.window);
        EXPECT_LT(ms, 200);
        EXPECT_FALSE(other.keyboardGrabSucceeds());
    }

    // The screens behind take nothing: no option, no typed character.
    const std::string given = choice->logic().sel_given()[choice->logic().current() - 1];
    choice->RadioButton1Click();
    EXPECT_EQ(choice->logic().sel_given()[choice->logic().current() - 1], given);
    const std::string line = typing->engine().pageTypedLine(1);
    typing->engine().enterText("ab");
    EXPECT_EQ(typing->engine().pageTypedLine(1), line);
}

// 结束 (korl 4) and forced collection (korl 3) act within 3 s whatever box
// the candidate left open (the real boxes, the real clock): the client ends,
// or grades and reports with the box closed. The version box's button reads 确定.
TEST(Kiosk, TheTeachersOrdersActWithAnyBoxOpen) {
    struct Box {
        const char* name;
        std::function<void(KavlorApp&, Harness&)> open;  // returns once the box is closed
        const char* text;                               // the box's text
    };
    const Box boxes[] = {
        {"no box", [](KavlorApp&, Harness&) { waitFor([] { return false; }, 3000); }, nullptr},
        {"the version box", [](KavlorApp& app, Harness&) { app.Form5()->N8Click(); }, "一级B模拟系统Kavlor V1.0"},
        {"the hand-in question", [](KavlorApp& app, Harness&) { app.Form4()->SpeedButton6Click(); }, "将退出系统！！！"},
        {"a notice",
         [](KavlorApp& app, Harness& h) {
             // Word题 with the candidate's document gone.
             for (const auto& f : std::filesystem::recursive_directory_iterator(h.lab.driveC))
                 if (f.path().extension() == ".docx") std::filesystem::remove(f.path());
             app.Form5()->Button1Click();
         },
         "没有Word题文件"},
    };
    for (const int korl : {3, 4})
        for (const Box& box : boxes) {
            SCOPED_TRACE(std::string(box.name) + (korl == 4 ? ", 结束" : ", forced collection"));
            Harness h;
            h.desktop.opens = false;
            kav::gui::QtDialogs dialogs(QStringLiteral("Kavlor"), /*stayOnTop=*/true);
            kav::gui::QtClock clock;
            int exits = 0;
            KavlorApp app(ClientEnv{dialogs, clock, h.desktop, h.lab.station, h.lab.lockFile, [&] { ++exits; }, 7, {},
                                    kav::station::StationPoll::onThreadOfItsOwn});
            ASSERT_TRUE(app.start());
            enterExam(app);
            ASSERT_TRUE(waitFor([&] { return viewable(app.Form5()); }));

            std::chrono::steady_clock::time_point ordered, acted;
            bool boxSeen = box.text == nullptr, okButton = true;
            QTimer watch;
            watch.setInterval(50);
            QObject::connect(&watch, &QTimer::timeout, [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    auto* shown = qobject_cast<QMessageBox*>(w);
                    if (!shown || !shown->isVisible() || !box.text || boxSeen) continue;
                    if (!shown->text().contains(QString::fromUtf8(box.text))) continue;
                    boxSeen = true;
                    if (std::string(box.name) == "the version box") {
                        okButton = shown->buttons().size() == 1 &&
                                   shown->buttons()[0]->text() == QString::fromUtf8("确定");
                    }
                    h.lab.setKorl(korl);
                    ordered = std::chrono::steady_clock::now();
                }
                if (!box.text && ordered == std::chrono::steady_clock::time_point{}) {
                    h.lab.setKorl(korl);
                    ordered = std::chrono::steady_clock::now();
                }
                const bool done = korl == 4 ? exits > 0 : rowCount(*h.lab.teacherDb(), "score") > 0;
                if (done && acted == std::chrono::steady_clock::time_point{}) acted = std::chrono::steady_clock::now();
                // The collection's own notices after its report (why the Word
                // task earned nothing, then the collection's), as the candidate closes them.
                if (korl == 3 && acted != std::chrono::steady_clock::time_point{}) dialogs.closeOpenBoxes();
            });
            watch.start();
            box.open(app, h);
            waitFor([&] { return acted != std::chrono::steady_clock::time_point{}; }, 4000);
            watch.stop();
            EXPECT_TRUE(boxSeen);
            EXPECT_TRUE(okButton) << "the version box's button";
            ASSERT_NE(acted, std::chrono::steady_clock::time_point{}) << "the order did not act";
            EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(acted - ordered).count(), 3000);
            if (korl == 3) EXPECT_TRUE(app.client().toolbar()->forcedCollection());
            else EXPECT_TRUE(app.client().ended());
            for (QWidget* w : QApplication::topLevelWidgets())
                EXPECT_FALSE(w->inherits("QMessageBox") && w->isVisible()) << "a box is still open";
        }
}

// The keyboard comes back to the window that should have it when a window or
// box closes: the exam window once the instructions close, the delay password
// after 交卷 is answered with Esc, and any program's window (the console's)
// after its box.
TEST(Kiosk, TheKeyboardComesBackWhenABoxOrWindowCloses) {
    OtherProgram keyboard;
    {
        // A window of any program (the console's): its box closes, its keys work again.
        QWidget window;
        auto* edit = new QLineEdit(&window);
        window.setGeometry(100, 100, 300, 100);
        kav::gui::showActive(&window, edit);
        ASSERT_TRUE(waitFor([&] { return xFocusIn(&window); }));
        QTimer::singleShot(300, [&] { keyboard.press({0xff0d}); });  // Return closes the box
        kav::gui::QtDialogs(QStringLiteral("Mendrix")).message(kav::ui::MessageKind::Information, "已保存",
                                                               kav::ui::Buttons::Ok, {});
        EXPECT_TRUE(waitFor([&] { return xFocusIn(&window); })) << "the window after its box";
        keyboard.type("ok");
        EXPECT_TRUE(waitFor([&] { return edit->text() == "ok"; })) << edit->text().toStdString();
    }

    Harness h({.resttime = "0:00:01"});
    kav::gui::QtDialogs boxes(QStringLiteral("Kavlor"), /*stayOnTop=*/true);
    h.lab.setAssistantPassword(2, "3333");
    KavlorApp app(
        ClientEnv{boxes, h.clock, h.desktop, h.lab.station, h.lab.lockFile, [&] { ++h.exits; }, 7, {}, h.pollLaunch});
    ASSERT_TRUE(app.start());
    enterExam(app);
    EXPECT_TRUE(waitFor([&] { return xFocusIn(app.Form5()); })) << "the exam window after the instructions";

    h.clock.advance(4000);
    TForm_fullenter* screen = app.Form_fullenter();
    ASSERT_TRUE(waitFor([&] { return viewable(screen) && screen->inputHeld(); }));
    QTimer::singleShot(0, [&] {
        waitFor([] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->inherits("QMessageBox") && viewable(w)) return true;
            return false;
        });
        waitFor([] { return false; }, 200);
        keyboard.press({0xff1b});  // Esc: No
    });
    app.Form4()->SpeedButton6Click();
    EXPECT_TRUE(waitFor([&] { return xFocusIn(screen); })) << "the time-up screen after the question";
    keyboard.type("3333");
    EXPECT_TRUE(waitFor([&] { return screen->Edit1->text() == "3333"; })) << screen->Edit1->text().toStdString();

}

}  // namespace
}  // namespace kavlor::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--wm=", 0) == 0) kavlor::test::g_wm = std::string(argv[i]).substr(5);
    const bool withWm = kavlor::test::g_wm == "openbox";
    if (!kavlor::test::onPath("Xvfb") || (withWm && !kavlor::test::onPath("openbox"))) {
        std::printf("[  SKIPPED ] the kiosk tests need Xvfb%s installed\n", withWm ? " and openbox" : "");
        return 0;
    }
    kavlor::test::XServer server;
    if (server.display.empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("DISPLAY", server.display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    pid_t wm = -1;
    if (withWm) {
        wm = kavlor::test::spawn({"openbox", "--sm-disable", "--config-file", KAV_SESSION_OPENBOX_RC});
        // Up once it has announced itself on the root window.
        xcb_connection_t* c = xcb_connect(server.display.c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 24, "_NET_SUPPORTING_WM_CHECK"), nullptr);
        bool up = false;
        for (int i = 0; i < 200 && !up; ++i, usleep(25'000)) {
            auto* p = xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            up = p && xcb_get_property_value_length(p) > 0;
            std::free(p);
        }
        std::free(atom);
        xcb_disconnect(c);
        if (!up) {
            std::fprintf(stderr, "openbox did not start\n");
            kavlor::test::stop(wm);
            return 1;
        }
    }
    int rc;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    kavlor::test::stop(wm);
    return rc;
}
