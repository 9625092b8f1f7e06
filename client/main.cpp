// Kavlor, the exam client of the level-1 B computer-literacy exam.
#include <QApplication>
#include <QIcon>
#include <filesystem>

#include "client/flow/texts.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/artwork.h"
#include "client/flow/ui/qt_services.h"
#include "common/platform/platform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kavlor::texts::kTitle));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kavlor::texts::kTitle));
    QApplication::setWindowIcon(QIcon(kavlor::artwork::clientIcon(64)));
    QApplication::setQuitOnLastWindowClosed(false);
    kavlor::artwork::applyClientFont();

    kavlor::QtDialogs dialogs;
    kavlor::QtClock clock;
    kavlor::QtDesktop desktop;
    kavlor::ClientEnv env{dialogs, clock, desktop, std::filesystem::current_path(),
                          kav::platform::singleCopyLockFile(), {}, std::nullopt};
    kavlor::KavlorApp client(std::move(env));
    if (!client.start()) return 0;
    return app.exec();
}
