#include "gui/qt_services.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QIdentityProxyModel>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QProgressDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <atomic>
#include <memory>
#include <exception>
#include <thread>

#include "gui/file_columns.h"
#include "gui/kiosk.h"


namespace kav::gui {

using ui::Answer;
using ui::Buttons;
using ui::MessageKind;

namespace {

QString lines(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

}  // namespace

namespace {
std::filesystem::path standardFolder(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location).toStdString();
}
}  // namespace

QtDialogs::QtDialogs(QString defaultCaption, bool stayOnTop, QPixmap aboutIcon, QString aboutText)
    : defaultCaption_(std::move(defaultCaption)),
      stayOnTop_(stayOnTop),
      aboutIcon_(std::move(aboutIcon)),
      aboutText_(std::move(aboutText)),
      startFolder_(standardFolder(QStandardPaths::DocumentsLocation), standardFolder(QStandardPaths::HomeLocation)) {}

void QtDialogs::setBankFolder(const std::filesystem::path& bank) {
    startFolder_ = ui::StartFolder(standardFolder(QStandardPaths::DocumentsLocation),
                                   standardFolder(QStandardPaths::HomeLocation), bank);
}

Answer QtDialogs::message(MessageKind kind, const std::string& text, Buttons buttons, const std::string& caption) {
    QMessageBox box;
    box.setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop_);
    box.setWindowTitle(caption.empty() ? defaultCaption_ : QString::fromStdString(caption));
    box.setText(lines(text));
    switch (kind) {
        case MessageKind::Plain: box.setIcon(QMessageBox::NoIcon); break;
        case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
        case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageKind::Question: box.setIcon(QMessageBox::Question); break;
    }
    std::map<QAbstractButton*, Answer> answers;
    auto add = [&](const char* label, QMessageBox::ButtonRole role, Answer answer) {
        QPushButton* b = box.addButton(QString::fromUtf8(label), role);
        answers[b] = answer;
        return b;
    };
    QPushButton* escape = nullptr;
    switch (buttons) {
        case Buttons::Ok: escape = add("确定", QMessageBox::AcceptRole, Answer::Ok); break;
        case Buttons::OkCancel:
            add("确定", QMessageBox::AcceptRole, Answer::Ok);
            escape = add("取消", QMessageBox::RejectRole, Answer::Cancel);
            break;
        case Buttons::YesNo:
            add("是", QMessageBox::YesRole, Answer::Yes);
            escape = add("否", QMessageBox::NoRole, Answer::No);
            break;
        case Buttons::YesNoCancel:
            add("是", QMessageBox::YesRole, Answer::Yes);
            add("否", QMessageBox::NoRole, Answer::No);
            escape = add("取消", QMessageBox::RejectRole, Answer::Cancel);
            break;
        case Buttons::OkNo:
            // One role for both keeps them in this order (No, then OK) in every
            // platform's button layout; the default and Esc are set explicitly.
            escape = add("否", QMessageBox::ActionRole, Answer::No);
            box.setDefaultButton(add("确定", QMessageBox::ActionRole, Answer::Ok));
            break;
        case Buttons::OkNoSafe:
            escape = add("否", QMessageBox::ActionRole, Answer::No);
            add("确定", QMessageBox::ActionRole, Answer::Ok);
            box.setDefaultButton(escape);
            break;
        case Buttons::OkCancelSafe:
            add("确定", QMessageBox::AcceptRole, Answer::Ok);
            escape = add("取消", QMessageBox::RejectRole, Answer::Cancel);
            box.setDefaultButton(escape);
            break;
        case Buttons::Yes: escape = add("是", QMessageBox::YesRole, Answer::Yes); break;
    }
    box.setEscapeButton(escape);
    runModal(box);
    auto it = answers.find(box.clickedButton());
    return it == answers.end() ? (escape ? answers[escape] : Answer::Ok) : it->second;
}

std::optional<std::string> QtDialogs::prompt(const std::string& caption, const std::string& label,
                                             const std::string& initial, bool password) {
    QInputDialog dialog;
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop_);
    dialog.setWindowTitle(QString::fromStdString(caption));
    dialog.setLabelText(lines(label));
    dialog.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(QString::fromStdString(initial));
    if (runModal(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

namespace {

// The file dialog's size, kind and date columns as a Chinese Windows writes them.
class ChineseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files || role != Qt::DisplayRole || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == 1) return info.isDir() ? QString() : QString::number((info.size() + 1023) / 1024) + " KB";
        if (index.column() == 3) return fileDateText(info.lastModified());
        return fileKindText(info.isDir(), info.suffix());
    }
};

// Every file dialog of the programs is made here.
std::unique_ptr<QFileDialog> fileDialog(const std::string& caption, const std::filesystem::path& folder,
                                        const std::string& filter) {
    auto dialog = std::make_unique<QFileDialog>(nullptr, QString::fromStdString(caption),
                                                QString::fromStdString(folder.string()), QString::fromStdString(filter));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setProxyModel(new ChineseFileColumns(dialog.get()));
    dialog->resize(800, 480);
    if (auto* details = dialog->findChild<QTreeView*>())
        for (auto [column, width] : {std::pair{0, 300}, {1, 80}, {2, 90}, {3, 130}})
            details->header()->resizeSection(column, width);
    return dialog;
}

std::optional<std::filesystem::path> chosenFile(QFileDialog& dialog, int result) {
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

}  // namespace

std::optional<std::filesystem::path> QtDialogs::openFile(const std::string& caption, const std::string& filter) {
    auto dialog = fileDialog(caption, startFolder_.folder(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return chosenFile(*dialog, runModal(*dialog));
}

std::optional<std::filesystem::path> QtDialogs::saveFile(const std::string& caption, const std::string& filter) {
    auto dialog = fileDialog(caption, startFolder_.folder(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    auto file = chosenFile(*dialog, runModal(*dialog));
    if (file) startFolder_.saved(*file);
    return file;
}

namespace {

// A box takes the keyboard once it is up, also without a window manager and
// above a full-screen window of the program.
void activateWhenShown(QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (dialog.isVisible()) showActive(&dialog);  // not one answered already
    });
}

}  // namespace


std::optional<std::filesystem::path> QtDialogs::saveFileAt(const std::string& caption, const std::string& filter,
                                                          const std::filesystem::path& proposed,
                                                          const std::string& defaultSuffix) {
    auto dialog = fileDialog(caption, proposed.parent_path(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QString::fromStdString(defaultSuffix));
    dialog->selectFile(QString::fromStdString(proposed.filename().string()));
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    auto file = chosenFile(*dialog, runModal(*dialog));
    if (file) startFolder_.saved(*file);
    return file;
}

int QtDialogs::runModal(QDialog& dialog) {
    open_.emplace_back(&dialog);
    activateWhenShown(dialog);
    const int result = dialog.exec();
    std::erase_if(open_, [&](const QPointer<QDialog>& d) { return d == &dialog || d.isNull(); });
    return result;
}

void QtDialogs::runWithProgress(const std::string& label, const std::function<void(const Progress&)>& work) {
    QProgressDialog box(lines(label), QString::fromUtf8("取消"), 0, 0);
    box.setWindowTitle(defaultCaption_);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop_);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    box.setMinimumDuration(0);
    box.setMinimumWidth(360);  // room for the caption and a file name
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0}, total{0};
    const auto stop = [&] {
        cancel = true;
        box.setLabelText(QString::fromUtf8("正在取消……"));
    };
    QObject::connect(&box, &QProgressDialog::canceled, &box, stop);
    QObject::connect(&box, &QDialog::rejected, &box, stop);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        box.setMaximum(total);
        box.setValue(done);
    });
    poll.start(50);

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(Progress{[&](int d, int t) {
                              total = t;
                              done = d;
                          },
                          [&] { return cancel.load(); }});
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    open_.emplace_back(&box);
    box.show();
    activateWhenShown(box);
    loop.exec(QEventLoop::ExcludeSocketNotifiers);
    worker.join();
    std::erase_if(open_, [&](const QPointer<QDialog>& d) { return d == &box || d.isNull(); });
    if (failure) std::rethrow_exception(failure);
}

void QtDialogs::about(const std::string& title) {
    QMessageBox box;
    box.setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop_);
    box.setWindowTitle(QString::fromStdString(title));
    box.setIconPixmap(aboutIcon_);
    box.setText(QString::fromStdString(title) + "\n" + aboutText_);
    box.setEscapeButton(box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole));
    runModal(box);
}

void QtDialogs::closeOpenBoxes() {
    for (const QPointer<QDialog>& dialog : open_)
        if (dialog) dialog->reject();
}

bool loadChineseQtTranslations() {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // The lab's machines often run in the C locale: the file dialog's dates and
    // sizes and the kinds of its files (the MIME database's comments) follow the
    // default locale, not the translations.
    QLocale::setDefault(chinese);
    // Owned by the application: the texts are needed for the whole run.
    auto* translator = new QTranslator(qApp);
    if (!translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QtClock::QtClock() { elapsed_.start(); }

DateTime QtClock::nowLocal() const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

TimeOfDay QtClock::utcTimeOfDay() const { return kav::utcTimeOfDay(); }

std::int64_t QtClock::monotonicMs() const { return elapsed_.elapsed(); }

QtClock::TimerId QtClock::startTimer(int intervalMs, std::function<void()> tick) {
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    // Queued: the tick runs after the timer's activation has returned. Qt does
    // not fire a timer again while a slot of its activation runs, so a tick
    // that opens a box (the poll's notice) would otherwise stop that timer for
    // as long as the box is open. A stopped timer's queued tick goes with it.
    QObject::connect(timer, &QTimer::timeout, timer, std::move(tick), Qt::QueuedConnection);
    timer->start();
    TimerId id = nextId_++;
    timers_[id] = timer;
    return id;
}

void QtClock::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();  // the tick that stops its own timer is still running
    timers_.erase(it);
}

ui::ScreenSize QtDesktop::screenSize() {
    const QSize s = QGuiApplication::primaryScreen()->size();
    return {s.width(), s.height()};
}

bool QtDesktop::changeResolution(int width, int height) {
    if (QGuiApplication::platformName() != "xcb") return false;
    const QString mode = QString("%1x%2").arg(width).arg(height);
    if (QProcess::execute("xrandr", {"-s", mode}) != 0) return false;
    // The screen learns its new size from the X server a moment later.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        if (screenSize().width == width && screenSize().height == height) return true;
        QThread::msleep(50);
    }
    return screenSize().width == width && screenSize().height == height;
}

void QtDesktop::waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(10);
    }
}

bool QtDesktop::open(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

bool QtDesktop::start(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program.string()), args);
}

void QtDesktop::showHelp(const std::string& title, const std::string& html) {
    if (!help_) {
        help_ = new QDialog(nullptr, Qt::Window);
        help_->setAttribute(Qt::WA_DeleteOnClose);
        help_->setObjectName(QStringLiteral("help"));
        auto* layout = new QVBoxLayout(help_);
        auto* page = new QTextBrowser(help_);
        page->setObjectName(QStringLiteral("helpPage"));
        page->setOpenExternalLinks(false);  // the page's own anchors only
        layout->addWidget(page);
        auto* close = new QPushButton(QString::fromUtf8("关闭"), help_);
        QObject::connect(close, &QPushButton::clicked, help_, &QDialog::close);
        layout->addWidget(close, 0, Qt::AlignRight);
        help_->resize(760, 560);
    }
    help_->setWindowTitle(QString::fromStdString(title));
    help_->findChild<QTextBrowser*>(QStringLiteral("helpPage"))->setHtml(QString::fromStdString(html));
    showActive(help_);
}

}  // namespace kav::gui
