// Kavlor, the exam client of the level-1 B computer-literacy exam.
#include <QApplication>
#include <QIcon>
#include <filesystem>

#include "client/flow/texts.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/artwork.h"
#include "common/word/isolated_grading.h"
#include "common/platform/platform.h"
#include "gui/qt_services.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kavlor::texts::kTitle));
    kav::gui::loadChineseQtTranslations();  // without them the dialogs stay English
    // No display name: the toolkit would append it to every window title.
    QApplication::setWindowIcon(QIcon(kavlor::artwork::clientIcon(64)));
    QApplication::setQuitOnLastWindowClosed(false);
    kavlor::artwork::applyClientFont();

    kav::gui::QtDialogs dialogs(QString::fromUtf8(kavlor::texts::kTitle), /*stayOnTop=*/true,
                                kavlor::artwork::clientIcon(48), QString::fromUtf8("《计算机等级考试一级B》模拟系统"));
    kav::gui::QtClock clock;
    kav::gui::QtDesktop desktop;
    kavlor::ClientEnv env{dialogs, clock, desktop, std::filesystem::current_path(),
                          kav::platform::singleCopyLockFile(), {}, std::nullopt,
                          kav::word::installedWordGrader()};
    kavlor::KavlorApp client(std::move(env));
    if (!client.start()) return 0;
    return app.exec();
}
