#pragma once
// The Qt implementations of the dialogs, clock and desktop that both programs
// use: Kavlor on every exam station and Mendrix on the teacher machine.
#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QPixmap>
#include <QString>
#include <map>
#include <vector>

#include "common/ui/clock.h"
#include "common/ui/desktop.h"
#include "common/ui/dialogs.h"
#include "common/ui/start_folder.h"

class QTimer;

namespace kav::gui {

// Modal message boxes, prompts and file dialogs. `defaultCaption` titles a box
// whose caller gives no caption; with `stayOnTop` the boxes stay above a
// program's stay-on-top windows (the exam client's). A CR in a text breaks the
// line. The version box shows `aboutIcon` and `aboutText` under its title.
class QtDialogs : public ui::Dialogs {
public:
    explicit QtDialogs(QString defaultCaption, bool stayOnTop = false, QPixmap aboutIcon = {}, QString aboutText = {});
    ui::Answer message(ui::MessageKind kind, const std::string& text, ui::Buttons buttons,
                       const std::string& caption) override;
    std::optional<std::string> prompt(const std::string& caption, const std::string& label, const std::string& initial,
                                      bool password) override;
    std::optional<std::filesystem::path> openFile(const std::string& caption, const std::string& filter) override;
    std::optional<std::filesystem::path> saveFile(const std::string& caption, const std::string& filter) override;
    // Does not ask before replacing a file: the caller asks in its own words.
    std::optional<std::filesystem::path> saveFileAt(const std::string& caption, const std::string& filter,
                                                    const std::filesystem::path& proposed,
                                                    const std::string& defaultSuffix) override;
    // The box is modal; the work's thread touches no widget.
    void runWithProgress(const std::string& label, const std::function<void(const Progress&)>& work) override;
    void about(const std::string& title) override;
    void closeOpenBoxes() override;
    // The open and save dialogs start by ui::StartFolder, outside `bank`.
    void setBankFolder(const std::filesystem::path& bank);
    const ui::StartFolder& startFolder() const { return startFolder_; }

private:
    // Runs a modal dialog, known as open until it returns.
    int runModal(QDialog& dialog);
    std::vector<QPointer<QDialog>> open_;
    QString defaultCaption_;
    bool stayOnTop_;
    QPixmap aboutIcon_;
    QString aboutText_;
    ui::StartFolder startFolder_;
};

// Makes Chinese (China) the default locale (dates, numbers, file kinds) and
// loads Qt's own Chinese texts (the file dialogs', the print dialog's, the
// standard buttons') from the translations Qt was built with, when they are
// installed; false when they are not. Called before any window is made.
bool loadChineseQtTranslations();

// Timers with QTimer on the user-interface thread.
class QtClock : public QObject, public ui::Clock {
public:
    QtClock();
    DateTime nowLocal() const override;
    TimeOfDay utcTimeOfDay() const override;
    std::int64_t monotonicMs() const override;
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) override;

private:
    QElapsedTimer elapsed_;
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

// The screen through Qt, the mode change through XRandR (the xrandr tool),
// files and folders through the desktop's default programs.
class QtDesktop : public ui::Desktop {
public:
    ui::ScreenSize screenSize() override;
    bool changeResolution(int width, int height) override;
    bool open(const std::filesystem::path& path) override;
    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
    void showHelp(const std::string& title, const std::string& html) override;
    void waitUntil(const std::function<bool()>& done) override;

private:
    QPointer<QDialog> help_;  // the help window while it is open
};

}  // namespace kav::gui
