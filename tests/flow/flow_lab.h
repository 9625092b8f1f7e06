#pragma once
// A small lab for the client's tests: a teacher folder with teacher.mdb, one
// student machine's program folder with tpath.txt, stu.mdb, txt, word and file,
// and drive c:, all in a fresh temporary folder. Other connections to the two
// databases stand for the console and for what the tests inspect.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/flow/client.h"
#include "common/db/database.h"
#include "common/station/station.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace kavlor::test {

struct LabOptions {
    int choiceQuestions = 40;
    int winTasks = 2;
    int wordTasks = 2;
    int typingFiles = 3;
    std::string resttime = "1:30:00";
};

// Candidates of the roster: 110199990001 张三, 110199990002 李四,
// 110199990003 王五, passwords "pw1", "pw2", "pw3".
inline const char* kFirst = "110199990001";
inline const char* kSecond = "110199990002";
inline const char* kThird = "110199990003";

class FlowLab {
public:
    explicit FlowLab(LabOptions options = {});

    std::filesystem::path root() const { return dir_.path(); }
    std::filesystem::path teacher, station, driveC, lockFile;

    // A connection of its own, as the console or an inspector would hold.
    std::unique_ptr<kav::db::Connection> teacherDb() const;
    std::unique_ptr<kav::db::Connection> stuDb() const;

    kav::station::StationRecord station_() const;
    void setStation(const kav::station::StationRecord& record) const;
    void setKorl(int korl) const;
    void setUpdateList(const std::string& list) const;
    // Marks a candidate as logged in n times on this machine.
    void setLogins(const std::string& zkzh, int logins) const;
    void setAssistantPassword(int row, const std::string& password) const;

private:
    kav::test::TempDir dir_;
};

class FakeDesktop : public kav::ui::Desktop {
public:
    kav::ui::ScreenSize size{800, 600};
    bool switchWorks = true;
    bool opens = true;  // whether a file manager opens folders
    int switches = 0;
    std::vector<std::filesystem::path> opened;

    kav::ui::ScreenSize screenSize() override { return size; }
    bool changeResolution(int width, int height) override {
        ++switches;
        if (switchWorks) size = {width, height};
        return switchWorks;
    }
    bool open(const std::filesystem::path& path) override {
        opened.push_back(path);
        return opens;
    }
    bool starts = true;  // whether programs can be started
    std::vector<std::vector<std::string>> started;  // each program started, then its arguments
    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments) override {
        started.push_back({program.string()});
        started.back().insert(started.back().end(), arguments.begin(), arguments.end());
        return starts;
    }
    void showHelp(const std::string&, const std::string&) override {}  // the client has no help window
    // Called on every turn of a wait (the windows' thread being free), about every millisecond.
    std::function<void()> whileWaiting;
    void waitUntil(const std::function<bool()>& done) override {
        while (!done()) {
            if (whileWaiting) whileWaiting();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

// A lab with the scripted dialogs, the manual clock and the fake desktop.
struct Harness {
    explicit Harness(LabOptions options = {}) : lab(options) {}
    FlowLab lab;
    kav::test::FakeDialogs dialogs;
    kav::test::FakeClock clock;
    FakeDesktop desktop;
    int exits = 0;
    std::filesystem::path wordGrader = KAV_WORD_GRADER;  // the client's own, as installed
    // Every poll ends before its tick goes on, so that a change of the station
    // record acts at the next 2-second tick of the manual clock.
    kav::station::StationPoll::Launch pollLaunch = kav::station::StationPoll::atOnce;
    std::string programSearchPath;  // no office program unless a test gives one

    ClientEnv env(std::uint64_t seed = 7) {
        return ClientEnv{dialogs, clock, desktop, lab.station, lab.lockFile, [this] { ++exits; }, seed, wordGrader,
                         pollLaunch, programSearchPath};
    }
};

// Logs a candidate in and draws the exam, each click through the client's
// event gate as the login window's would be.
void drawExam(Client& client, const std::string& zkzh = kFirst);

// One column of the first row whose zkzh is the number, read through a fresh connection.
std::string rowValue(kav::db::Connection& db, const std::string& table, const std::string& zkzh,
                     const std::string& column);
int rowCount(kav::db::Connection& db, const std::string& table);

}  // namespace kavlor::test
