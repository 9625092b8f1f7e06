// Timed tool: keystrokes through the typing window and its periodic store, on
// the largest text the screen takes (65,535 model lines), offscreen, on a real
// stu.mdb through the client's whole-table cursors.
//
//   typing_window_bench [KEYSTROKES]
//
// A keystroke is timed from sending the key event (or the input method's
// committed text) to the end of the paint that shows the changed cell: the
// event is delivered as the page receives it, then the event loop runs until
// the pending repaint is done. The store is timed as the window's thread sees
// it: the clock tick that runs the 30-second store, until it returns (the
// typed file, dz_result and whatever else the store does there). Prints
// medians, 99th percentiles and maxima, with the load average before and after.
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "client/screens/typing/ui/tform9.h"
#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/ui/event_gate.h"
#include "tests/typing/typing_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

// The union of what the page painted since the last take().
struct PaintSpy : QObject {
    QRegion painted;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(e)->region();
            ++paints;
        }
        return false;
    }
};

struct Figures {
    double median, p90, p99, max;
};

Figures figures(std::vector<double> ms) {
    if (ms.empty()) return {0, 0, 0, 0};
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))]; };
    return {at(0.5), at(0.9), at(0.99), ms.back()};
}

void print(const char* what, const std::vector<double>& ms) {
    const Figures f = figures(ms);
    std::printf("%-28s n=%-6zu median %.3f ms  p90 %.3f ms  p99 %.3f ms  max %.3f ms\n", what, ms.size(), f.median,
                f.p90, f.p99, f.max);
}

double since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// The processor time of the window's thread, in milliseconds: what a busy
// machine cannot inflate.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keystrokes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 3000;
    std::printf("load average before: %s\n", loadAverage().c_str());

    kav::typing::test::TypingSetup setup;
    setup.writeModel(65'535);
    // The station's stu.mdb with a few candidates, the typing one among them.
    const std::string zkzh = "110199990001";
    const auto working = setup.dir.path() / "prog";
    kav::db::createDatabase(working / "stu.mdb");
    auto stu = kav::db::connect(kav::db::ConnectionString::forDataSource("stu.mdb").toString(), working);
    auto student = stu->openTable("student"), ct = stu->openTable("ct");
    for (const std::string number : {"110199990002", zkzh.c_str(), "110199990003"}) {
        student->append();
        student->field("zkzh").setString(number);
        student->field("havelogined").setInteger(1);
        student->post();
        ct->append();
        ct->field("zkzh").setString(number);
        ct->field("filename_dz").setString("txt0.txt");
        ct->post();
    }
    kav::ui::EventGate gate(setup.dialogs, setup.clock);
    kavlor::TForm9 w(*stu, *student, *ct, zkzh, gate, setup.place());
    w.show();
    QApplication::processEvents();
    const std::int64_t shownAt = setup.clock.monotonicMs();
    const auto storesBy = [&] { return (setup.clock.monotonicMs() - shownAt) / kav::typing::TypingEngine::kAutosaveMs; };
    auto& engine = w.engine();
    for (int i = 1; i < engine.pageCount() / 2; ++i) engine.press(kav::typing::Key::PageDown);
    QApplication::processEvents();
    std::printf("lines %d, page %d of %d, page widget %dx%d\n", engine.count(), engine.page(), engine.pageCount(),
                w.Edit1->width(), w.Edit1->height());

    PaintSpy spy;
    w.Edit1->installEventFilter(&spy);
    const auto sendKey = [&](int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w.Edit1, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w.Edit1, &release);
    };
    const auto commit = [&](const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QCoreApplication::sendEvent(w.Edit1, &e);
    };
    // The kinds of keys a candidate presses, in turn.
    const std::vector<std::pair<const char*, std::function<void()>>> kinds = {
        {"committed character", [&] { commit(QString::fromUtf8("中")); }},
        {"letter key", [&] { sendKey(Qt::Key_A, "a"); }},
        {"committed character", [&] { commit(QString::fromUtf8("国")); }},
        {"arrow key", [&] { sendKey(Qt::Key_Left, {}); }},
        {"backspace", [&] { sendKey(Qt::Key_Backspace, {}); }},
    };

    std::vector<double> keyMs, storeMs, keyCpuMs, storeCpuMs, writerMs, otherTickMs;
    int unpainted = 0;
    for (int i = 0; i < keystrokes; ++i) {
        // Time passes between keys (about 100 characters a minute): the
        // blink, the statistics and every 30 s the store run here.
        const std::int64_t storesBefore = storesBy();
        const auto tick0 = Clock::now();
        const double tickCpu0 = threadCpuMs();
        setup.clock.advance(600);
        const double tickMs = since(tick0), tickCpuMs = threadCpuMs() - tickCpu0;
        if (storesBy() != storesBefore) {
            storeMs.push_back(tickMs);
            storeCpuMs.push_back(tickCpuMs);
            // The writer thread's part, timed apart: 30 real seconds lie between
            // two stores and a key comes every 600 ms, so the keys and the next
            // store find it done.
            const auto written0 = Clock::now();
            engine.waitForStores();
            writerMs.push_back(since(written0));
        } else {
            otherTickMs.push_back(tickMs);
        }
        QApplication::processEvents();

        const int oldLine = engine.line(), oldColumn = engine.column();
        spy.painted = QRegion();
        const auto t0 = Clock::now();
        const double cpu0 = threadCpuMs();
        kinds[i % kinds.size()].second();
        QApplication::processEvents();
        keyMs.push_back(since(t0));
        keyCpuMs.push_back(threadCpuMs() - cpu0);
        // The cell that changed or that the caret left must have been painted.
        const QRect box = w.Edit1->typedBox(oldLine);
        const QRect cell(box.left() + (oldColumn - 1) * kavlor::TypingPage::kByteWidth, box.top(),
                         kavlor::TypingPage::kCellWidth, box.height());
        if (!spy.painted.intersects(cell)) ++unpainted;
    }
    print("keystroke to painted cell", keyMs);
    print("  the same, thread cpu", keyCpuMs);
    print("periodic store (blocking)", storeMs);
    print("  the same, thread cpu", storeCpuMs);
    print("  file and dz_result written", writerMs);
    // The same ticks without a store: what the machine's load alone costs.
    print("ticks without a store", otherTickMs);
    std::printf("keystrokes whose cell was not repainted: %d\n", unpainted);

    // The save of "存盘退出" (synchronous by design).
    std::vector<double> saveMs;
    for (int i = 0; i < 5; ++i) {
        engine.enterText("中");
        const auto t0 = Clock::now();
        engine.saveAndQuit();
        saveMs.push_back(since(t0));
        engine.shown();
    }
    print("save and quit", saveMs);
    std::printf("load average after: %s\n", loadAverage().c_str());
    // The stores reached the database.
    auto check = stu->openKeyed("ct", "zkzh", zkzh);
    const bool stored = check->recordCount() == 1 && !check->field("dz_result").asString().empty();
    if (!stored) std::printf("dz_result was not stored\n");
    if (!setup.dialogs.shown.empty()) std::printf("a box was shown: %s\n", setup.dialogs.lastText().c_str());
    return unpainted == 0 && stored && setup.dialogs.shown.empty() ? 0 : 1;
}
