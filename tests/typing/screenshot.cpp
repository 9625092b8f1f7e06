// Renders the typing screen at 800 x 600 into a PNG, with a model text, two
// typed lines (one with errors) and the caret in the third:
//   typing_screenshot OUT.png
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "client/screens/typing/ui/tform9.h"
#include "common/ui/event_gate.h"
#include "tests/typing/typing_fixture.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: typing_screenshot OUT.png\n");
        return 2;
    }
    // One paragraph, cut into lines of 28 characters as the generator takes them.
    const std::string paragraph = kav::text::utf8ToGbk(
        "计算机是一种能够按照程序运行，自动、高速处理海量数据的现代化智能电子设备。"
        "由硬件系统和软件系统所组成，没有安装任何软件的计算机称为裸机。可分为超级计算机、"
        "工业控制计算机、网络计算机、个人计算机、嵌入式计算机五类，较先进的计算机有生物"
        "计算机、光子计算机、量子计算机等。计算机是二十世纪最先进的科学技术发明之一，对"
        "人类的生产活动和社会活动产生了极其重要的影响，并以强大的生命力飞速发展。它的应"
        "用领域从最初的军事科研应用扩展到社会的各个领域，已形成了规模巨大的计算机产业，"
        "带动了全球范围的技术进步，由此引发了深刻的社会变革。");
    kav::typing::test::TypingSetup setup;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < paragraph.size(); i += 56) lines.push_back(paragraph.substr(i, 56));
    if (!kav::text::checkModelLines(lines).empty()) return 1;
    setup.writeModel(lines);
    kav::ui::EventGate gate(setup.dialogs, setup.clock);
    kavlor::TForm9 w(setup.record, gate, setup.place());
    w.setWindowState(Qt::WindowNoState);
    w.resize(800, 600);
    w.show();
    auto& e = w.engine();
    e.enterText(kav::text::gbkToUtf8(e.pageModelLine(1)));
    std::string second = kav::text::gbkToUtf8(e.pageModelLine(2));
    e.enterText(second.substr(0, 15) + "先" + second.substr(18, 27) + "a " + second.substr(48, 12));
    setup.clock.advance(47'200);
    QApplication::processEvents();
    if (!w.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
