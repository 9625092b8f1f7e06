// A look at the binding's widgets: makes stu.mdb in the folder it is given
// (which must not hold one), fills a few candidates and shows the roster's
// grid and record views side by side, for a screenshot under Xvfb.
//   binding_preview DIR [SECONDS]
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "console/base/binding/ui/bound_editors.h"
#include "console/base/binding/ui/bound_grid.h"
#include "console/base/binding/ui/navigators.h"
#include "gui/qt_services.h"

using namespace kav;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: binding_preview DIR [SECONDS]\n";
        return 2;
    }
    std::filesystem::path dir = argv[1];
    db::createDatabase(dir / "stu.mdb");
    auto stu = db::connect(db::ConnectionString::forDataSource("stu.mdb").toString(), dir);
    auto student = stu->openTable("student");
    const char* rows[][3] = {{"110100000001", "张三", "zs2024"},
                             {"110100000002", "李四", "lisi"},
                             {"110100000003", "王五", ""},
                             {"110100000004", "欧阳小明", "oyxm"}};
    for (auto& row : rows) {
        student->append();
        student->field("zkzh").setString(row[0]);
        student->field("ksxm").setString(row[1]);
        student->field("login_keyword").setString(row[2]);
        student->post();
    }
    student->first();

    gui::QtDialogs dialogs("计算机等级考试维护系统Mendrix");
    console::TableBinding binding(*student, dialogs);
    QWidget window;
    auto* layout = new QGridLayout(&window);
    layout->addWidget(
        new console::BoundGrid(binding, {{"zkzh", "准考证号"}, {"ksxm", "姓名"}, {"login_keyword", "登录密码"}}),
        0, 0, 4, 1);
    layout->addWidget(new console::GridNavigator(binding), 4, 0);
    layout->addWidget(new console::PositionLabel(binding), 5, 0);
    const std::pair<const char*, const char*> boxes[] = {
        {"准考证号：", "zkzh"}, {"考生姓名：", "ksxm"}, {"登录口令：", "login_keyword"}};
    auto* record = new QGridLayout;
    int line = 0;
    for (auto [caption, column] : boxes) {
        record->addWidget(new QLabel(QString::fromUtf8(caption)), line, 0);
        record->addWidget(new console::BoundLineEdit(binding, column), line++, 1);
    }
    record->addWidget(new console::PositionLabel(binding), line++, 1);
    record->setRowStretch(line, 1);
    layout->addLayout(record, 0, 1, 4, 1);
    layout->addWidget(new console::NavigationStrip(binding), 4, 1);
    layout->setColumnStretch(0, 1);
    binding.moveToRow(2);
    window.setWindowTitle("计算机等级考试维护系统Mendrix");
    window.resize(790, 320);
    window.move(0, 0);
    window.show();
    QTimer::singleShot((argc > 2 ? std::atoi(argv[2]) : 5) * 1000, &app, &QApplication::quit);
    return app.exec();
}
