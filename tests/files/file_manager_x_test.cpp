// The candidate's file manager on a private X server under the station's own
// window manager settings (openbox with packaging/kavlor/openbox/rc.xml): the
// exam's "考生文件夹" button opens it, a Windows task is done through its
// actions and scores full, nothing outside the candidate folder can be reached,
// and the exam's toolbar stays above it. Where an office program is installed,
// the Word document opens in it and the program does not keep the client's
// single-copy lock. Without Xvfb or openbox the tests say so and are skipped.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/files/ui/file_manager_window.h"
#include "client/grading/wintask/wintask.h"
#include "common/platform/office.h"
#include "common/platform/platform.h"
#include "gui/x11_frame.h"
#include "gui/qt_services.h"
#include "tests/support/temp_dir.h"
#include "tests/flow/flow_app.h"

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
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

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Runs the events until the condition holds or `ms` have passed.
bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(10'000);
    }
    return true;
}

struct Stacking {
    bool managed = false;      // the window has a frame of the window manager
    bool belowToolbar = false;  // the toolbar strip is stacked above it
};

Stacking stackingOf(QWidget* window, QWidget* toolbar) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t frame = kav::gui::topLevelOf(c, w);
    const xcb_window_t bar = kav::gui::topLevelOf(c, static_cast<xcb_window_t>(toolbar->winId()));
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    int frameAt = -1, barAt = -1;  // bottom to top
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
        if (xcb_query_tree_children(tree)[i] == frame) frameAt = i;
        if (xcb_query_tree_children(tree)[i] == bar) barAt = i;
    }
    std::free(tree);
    xcb_disconnect(c);
    return {frame != w, frameAt >= 0 && barAt > frameAt};
}

// The title of a top-level window that contains `part`, and its _NET_WM_PID (0 when none).
pid_t windowShowing(const std::string& part) {
    xcb_connection_t* c = xcb_connect(std::getenv("DISPLAY"), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto atom = [&](const char* name) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return a;
    };
    const xcb_atom_t netName = atom("_NET_WM_NAME"), utf8 = atom("UTF8_STRING"), netPid = atom("_NET_WM_PID");
    pid_t found = 0;
    std::function<void(xcb_window_t)> visit = [&](xcb_window_t w) {
        auto* p = xcb_get_property_reply(c, xcb_get_property(c, 0, w, netName, utf8, 0, 256), nullptr);
        if (p && std::string(static_cast<const char*>(xcb_get_property_value(p)), xcb_get_property_value_length(p))
                         .find(part) != std::string::npos) {
            auto* pid = xcb_get_property_reply(c, xcb_get_property(c, 0, w, netPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
            if (pid && xcb_get_property_value_length(pid) == 4) found = *static_cast<const uint32_t*>(xcb_get_property_value(pid));
            if (!found) found = -1;
            std::free(pid);
        }
        std::free(p);
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        for (int i = 0; tree && !found && i < xcb_query_tree_children_length(tree); ++i) visit(xcb_query_tree_children(tree)[i]);
        std::free(tree);
    };
    visit(root);
    xcb_disconnect(c);
    return found;
}

class FileManagerX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.start());
        enterExam(app);
        ASSERT_NE(app.Form5(), nullptr);
    }

    files::FileManagerWindow* openFolder() {
        app.Form5()->Button2->click();
        files::FileManagerWindow* fm = app.Form5()->FileManager();
        if (fm) waitFor([&] { return fm->isVisible() && fm->isActiveWindow(); });
        return fm;
    }
    // Selects items once the view has read their folders (it reads them in the background).
    void select(files::FileManagerWindow* fm, const std::vector<fs::path>& items) {
        EXPECT_TRUE(waitFor([&] {
            fm->select(items);
            return fm->view()->selectionModel()->selectedRows().size() == int(items.size());
        })) << "not shown: " << (items.empty() ? "" : items.back().string());
    }
    void trigger(files::FileManagerWindow* fm, const char* action) {
        QAction* a = fm->action(action);
        ASSERT_NE(a, nullptr) << action;
        ASSERT_TRUE(a->isEnabled()) << action;
        a->trigger();
    }

    Harness h;
    KavlorApp app{h.env()};
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
};

TEST_F(FileManagerX, AWindowsTaskDoneInTheWindowScoresFullAndNothingOutsideIsReached) {
    files::FileManagerWindow* fm = openFolder();
    ASSERT_NE(fm, nullptr);
    const Stacking stacking = stackingOf(fm, app.Form4());
    EXPECT_TRUE(stacking.managed) << "the window manager does not manage the file manager";
    EXPECT_TRUE(stacking.belowToolbar) << "the exam's toolbar is not above the file manager";

    ASSERT_TRUE(fs::is_regular_file(folder / "a.txt"));
    ASSERT_TRUE(fs::is_regular_file(folder / "TEST" / "b.txt"));
    h.dialogs.replies = {"NEW", "new.txt", "c.txt"};
    h.dialogs.answers = {kav::ui::Answer::Yes};
    select(fm, {});
    trigger(fm, "newFolder");
    select(fm, {folder / "NEW"});
    trigger(fm, "newFile");
    select(fm, {folder / "a.txt"});
    trigger(fm, "copy");
    select(fm, {folder / "NEW"});
    trigger(fm, "paste");
    select(fm, {folder / "TEST" / "b.txt"});
    trigger(fm, "cut");
    select(fm, {folder / "NEW"});
    trigger(fm, "paste");
    select(fm, {folder / "a.txt"});
    trigger(fm, "rename");
    select(fm, {folder / "TEST"});
    trigger(fm, "delete");
    select(fm, {folder / "c.txt"});
    trigger(fm, "readOnly");
    EXPECT_TRUE(fm->action("readOnly")->isChecked());
    select(fm, {folder / "NEW" / "new.txt"});
    trigger(fm, "hidden");
    EXPECT_TRUE(fm->action("hidden")->isChecked());
    EXPECT_TRUE(h.dialogs.shown.size() == 1 && h.dialogs.shown[0].text == "确实要删除“TEST”吗？") << h.dialogs.lastText();

    const auto grade = kav::wintask::gradeCandidateFolder(
        "c:\\kavlor\\11010001", "7 NEW*34 NEW\\new.txt**5 NEW\\a.txt*5 NEW\\b.txt**6 TEST\\b.txt*6 a.txt*33 c.txt**"
                                "8 TEST**6 b.txt");
    EXPECT_EQ(grade.score, 20) << grade.errorText;

    // Nothing above the candidate folder: the view is rooted there, offers no
    // address to type, and keys do not climb out of it.
    const auto* model = static_cast<const QFileSystemModel*>(fm->view()->model());
    EXPECT_EQ(fs::path(model->filePath(fm->view()->rootIndex()).toStdString()), folder);
    EXPECT_TRUE(fm->findChildren<QLineEdit*>().empty());
    fm->view()->setFocus();
    for (auto key : {Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Home}) QTest::keyClick(fm->view(), key, Qt::AltModifier);
    QTest::keyClick(fm->view(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(fs::path(model->filePath(fm->view()->rootIndex()).toStdString()), folder);
    std::function<void(const QModelIndex&)> inside = [&](const QModelIndex& parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            const fs::path p = model->filePath(index).toStdString();
            EXPECT_TRUE(fm->logic().files().contains(p)) << p;
            inside(index);
        }
    };
    inside(fm->view()->rootIndex());
    // Kinds and dates as a Chinese Windows writes them, whatever the locale.
    const auto column = [&](const char* name, int column) {
        const QModelIndex index = model->index(QString::fromStdString((folder / name).string()));
        EXPECT_TRUE(index.isValid()) << name;
        return model->index(index.row(), column, index.parent()).data().toString().toStdString();
    };
    EXPECT_EQ(column("NEW", 2), "文件夹");
    EXPECT_EQ(column("c.txt", 2), "TXT 文件");
    EXPECT_TRUE(std::regex_match(column("c.txt", 3), std::regex("[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}")))
        << column("c.txt", 3);
    // A path outside cannot even be selected, so no action reaches it.
    kav::test::writeFile(h.lab.driveC / "kavlor" / "other.txt", "x");
    fm->select({h.lab.driveC / "kavlor" / "other.txt"});
    EXPECT_TRUE(fm->view()->selectionModel()->selectedRows().empty());
    EXPECT_FALSE(fm->action("delete")->isEnabled());
}

TEST_F(FileManagerX, TheWordDocumentOpensInTheOfficeProgramWhichDoesNotKeepTheLock) {
    const char* path = std::getenv("PATH");
    fs::path document;  // the Word document the exam copied into the candidate folder
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".docx" || e.path().extension() == ".doc") document = e.path();
    const auto command = kav::platform::officeCommand(document, path ? path : "");
    if (!command) GTEST_SKIP() << "no office program (lowriter, soffice, libreoffice, wps) is installed";
    if (command->program.filename() != "wps") {
        // Debian's -nogui LibreOffice runs but has no window plugin (libvclplug_*): no Writer to see.
        bool windows = false;
        std::error_code ec;
        const fs::path programFolder = fs::canonical("/usr/lib/libreoffice/program/soffice", ec).parent_path();
        for (const fs::path& folder : {programFolder, fs::canonical(command->program, ec).parent_path()})
            for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
                windows = windows || it->path().filename().string().starts_with("libvclplug_");
        if (!windows) GTEST_SKIP() << "LibreOffice is installed without windows (libreoffice-writer-nogui)";
    }
    ASSERT_TRUE(fs::is_regular_file(document));

    // As the client starts it: through the desktop, while it holds its lock.
    kav::test::TempDir home;
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);  // a fresh office profile, not the tester's
    const fs::path lockFile = home / "PROGRAM_RUNNING12.lock";
    auto lock = std::make_unique<kav::platform::SingleCopyLock>(lockFile);
    ASSERT_TRUE(lock->held());
    kav::gui::QtDesktop desktop;
    ASSERT_TRUE(desktop.start(command->program, command->arguments));
    setenv("HOME", savedHome.c_str(), 1);
    pid_t office = 0;
    waitFor([&] { return (office = windowShowing(document.stem().string())) != 0; }, 90'000);
    EXPECT_NE(office, 0) << "no window showing " << document.filename() << " from " << command->program;
    lock.reset();
    kav::platform::SingleCopyLock again(lockFile);
    EXPECT_TRUE(again.held()) << "the office program kept the client's lock";
    if (office > 0) kill(office, SIGTERM);
}

}  // namespace
}  // namespace kavlor::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!kavlor::test::onPath("Xvfb") || !kavlor::test::onPath("openbox")) {
        std::printf("[  SKIPPED ] the file manager's X tests need Xvfb and openbox installed\n");
        return 0;
    }
    // Xvfb picks a free display and names it through the pipe.
    int fds[2];
    if (pipe(fds) != 0) return 1;
    const pid_t server = kavlor::test::spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp",
                                              "-screen", "0", "800x600x24"});
    close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char number[32] = {};
    if (poll(&p, 1, 10000) != 1 || read(fds[0], number, sizeof number - 1) <= 0) {
        std::fprintf(stderr, "Xvfb did not start\n");
        kavlor::test::stop(server);
        return 1;
    }
    const std::string display = ":" + std::to_string(std::atoi(number));
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string config = (kav::test::sourceDir() / "packaging" / "kavlor" / "openbox" / "rc.xml").string();
    const pid_t wm = kavlor::test::spawn({"openbox", "--sm-disable", "--config-file", config});
    // Up once it has announced itself on the root window.
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 24, "_NET_SUPPORTING_WM_CHECK"), nullptr);
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i, usleep(25'000)) {
        auto* prop = xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
        up = prop && xcb_get_property_value_length(prop) > 0;
        std::free(prop);
    }
    std::free(atom);
    xcb_disconnect(c);
    int rc = 1;
    if (!up) {
        std::fprintf(stderr, "openbox did not start with %s\n", config.c_str());
    } else {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    kavlor::test::stop(wm);
    kavlor::test::stop(server);
    close(fds[0]);
    return rc;
}
