#pragma once
// Every message box, prompt and file dialog of both programs goes through this
// interface: the window classes get the Qt implementation, tests a scripted one
// that answers and records the exact texts.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kav::ui {

enum class MessageKind { Plain, Information, Warning, Error, Question };
// OkNo: the buttons No and OK, OK the default; OkNoSafe: the same with No the
// default (a question before what cannot be undone); OkCancelSafe: OK and
// Cancel, Cancel the default; Yes: the single button Yes.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, OkNo, OkNoSafe, OkCancelSafe, Yes };
enum class Answer { Ok, Cancel, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a modal message box; texts are UTF-8. An empty caption means the
    // application's title.
    virtual Answer message(MessageKind kind, const std::string& text, Buttons buttons = Buttons::Ok,
                           const std::string& caption = {}) = 0;
    // A one-line input box; a CR in the label breaks the line. nullopt when cancelled.
    virtual std::optional<std::string> prompt(const std::string& caption, const std::string& label,
                                              const std::string& initial, bool password = false) = 0;
    // File dialogs; filter in Qt's form ("文本文件 (*.txt)"). nullopt when cancelled.
    virtual std::optional<std::filesystem::path> openFile(const std::string& caption, const std::string& filter) = 0;
    virtual std::optional<std::filesystem::path> saveFile(const std::string& caption, const std::string& filter) = 0;
    // A save dialog that starts at a proposed file (its folder and name) and adds
    // defaultSuffix to a name typed without one; it does not ask before replacing
    // a file (the caller does). By default the plain save dialog.
    virtual std::optional<std::filesystem::path> saveFileAt(const std::string& caption, const std::string& filter,
                                                            const std::filesystem::path& proposed,
                                                            const std::string& defaultSuffix) {
        (void)proposed;
        (void)defaultSuffix;
        return saveFile(caption, filter);
    }
    // What a long task is told and asks while it runs: report(done, total) how
    // far it is, cancelled() whether the person pressed 取消.
    struct Progress {
        std::function<void(int done, int total)> report;
        std::function<bool()> cancelled;
    };
    // Runs work on a thread of its own while a box shows its progress under
    // `label` with a 取消 button, the windows staying painted; returns when
    // work has ended (an exception of work is thrown on here). By default
    // work runs at once on the caller's thread, never cancelled.
    virtual void runWithProgress(const std::string& label, const std::function<void(const Progress&)>& work) {
        (void)label;
        work(Progress{[](int, int) {}, [] { return false; }});
    }
    // The version box titled `title`: the program's picture and text with one
    // button 确定. By default a plain box with the title.
    virtual void about(const std::string& title) { message(MessageKind::Plain, title, Buttons::Ok, title); }
    // Closes every box, prompt and file dialog that is open now, as if it had
    // been cancelled (the program ends, or a teacher's order overrides them):
    // each open call returns its cancel answer once control gets back to it.
    virtual void closeOpenBoxes() = 0;
};

}  // namespace kav::ui
