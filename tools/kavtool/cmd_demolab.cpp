// kavtool demo-lab DIR [STATIONS]: builds a complete demo lab in DIR (a new or
// empty folder): the teacher's folder with the question bank and the roster,
// the program folders of the student machines and the lab's drive c:.
#include <cstdio>
#include <string>

#include "tools/demo/demo_bank.h"
#include "tools/demo/demo_lab.h"
#include "tools/kavtool/command.h"

namespace {

int stationCount(const std::string& text) {
    std::size_t used = 0;
    int n = 0;
    try {
        n = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || n < 1 || n > 99)
        throw kavtool::UsageError("STATIONS must be a number from 1 to 99, not \"" + text + "\"");
    return n;
}

int demoLab(const kavtool::Args& args) {
    if (args.empty() || args.size() > 2) throw kavtool::UsageError("expects DIR and optionally STATIONS");
    if (args[0].empty()) throw kavtool::UsageError("DIR must not be empty");
    int stations = args.size() == 2 ? stationCount(args[1]) : 2;
    kav::demo::DemoLab lab = kav::demo::buildDemoLab(args[0], stations);
    std::printf("demo lab in %s\n", lab.teacher.parent_path().string().c_str());
    std::printf("  teacher folder  %s (stu.mdb, teacher.mdb, txt, word, file)\n", lab.teacher.string().c_str());
    for (const auto& s : lab.stations) std::printf("  student machine %s\n", s.string().c_str());
    std::printf("  drive c:        %s (set KAVLOR_DRIVE_C to it)\n", lab.driveC.string().c_str());
    std::printf("  %zu choice questions, %zu Windows tasks, %zu Word tasks, %zu typing texts\n",
                kav::demo::choiceQuestions().size(), kav::demo::winTasks().size(), kav::demo::wordTasks().size(),
                kav::demo::typingTexts().size());
    auto roster = kav::demo::roster();
    std::printf("  %zu candidates %s-%s; a password is the last six digits of the admission number\n", roster.size(),
                roster.front().zkzh.c_str(), roster.back().zkzh.c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"demo-lab", "demo-lab DIR [STATIONS]",
                                 "build a demo lab (teacher folder, STATIONS student machines, default 2, drive c:)",
                                 demoLab});
