// Mendrix, the teacher's console of the level-1 B computer-literacy exam. It
// runs in the teacher folder (the current folder): stu.mdb, teacher.mdb, txt,
// word, file and readme.htm are all taken from there.
#include <QApplication>
#include <QFont>
#include <filesystem>

#include "common/help/help.h"
#include "console/base/texts.h"
#include "console/window/ui/app.h"
#include "gui/qt_services.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString title = QString::fromUtf8(mendrix::texts::kTitle);
    QApplication::setApplicationName(title);
    kav::gui::loadChineseQtTranslations();  // without them the dialogs stay English
    // No display name: Qt would append it to every window caption, and the
    // main window's caption is exactly its location and mode.
    QApplication::setQuitOnLastWindowClosed(false);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSize(10);
    QApplication::setFont(font);

    const std::filesystem::path teacherFolder = std::filesystem::current_path();
    mendrix::writeHelpFileIfMissing(teacherFolder, mendrix::helpFileText());

    kav::gui::QtDialogs dialogs(title, /*stayOnTop=*/false, {}, title);
    dialogs.setBankFolder(teacherFolder);  // exports and imports start in the teacher's own folders
    kav::gui::QtClock clock;
    kav::gui::QtDesktop desktop;
    mendrix::MendrixApp console(mendrix::ConsoleEnv{dialogs, clock, desktop, teacherFolder, {}});
    console.start();
    return app.exec();
}
