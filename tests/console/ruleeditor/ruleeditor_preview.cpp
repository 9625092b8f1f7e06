// A look at the rule editor: opens TForm3 over row ROW (default 1) of the
// `word` table of a teacher folder (a demo lab's teacher/), as the question
// page's button does, and prints the stored answer when it closes. Without
// SECONDS it stays until closed.
//   ruleeditor_preview TEACHERDIR [ROW [SECONDS]]
#include <QApplication>
#include <QTimer>
#include <iostream>

#include "common/db/database.h"
#include "console/pages/ruleeditor/ui/tform3.h"
#include "gui/qt_services.h"

using namespace kav;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: ruleeditor_preview TEACHERDIR [ROW [SECONDS]]\n";
        return 2;
    }
    auto stu = db::connect(db::ConnectionString::forDataSource("stu.mdb").toString(), argv[1]);
    auto word = stu->openTable("word");
    gui::QtDialogs dialogs(QString::fromUtf8(ruleeditor::kCaption.data()));
    console::TableBinding binding(*word, dialogs);
    binding.first();
    if (argc > 2) binding.moveToRow(std::atoi(argv[2]));
    if (argc > 3) QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
        QApplication::exit(0);
    });
    ruleeditor::openRuleEditor(nullptr, dialogs, binding);
    std::cout << "answer: " << binding.text(binding.columnIndex("answer")) << "\n";
    return 0;
}
