#pragma once
// The typing screen without its window: model lines and typed lines on GBK
// bytes, pages of 7 lines, the caret, insert and overwrite mode, the keys, the
// statistics every 250 ms, the caret blink every 200 ms and "存盘退出".
//
// Lifecycle: construct once (the window's FormCreate), then shown()/hidden()
// every time the window shows or hides. Timers run on the given clock from
// construction to destruction. Failures of files and database are shown through
// the dialogs with the layer's own text; the engine never throws to its window.
//
// While the screen is shown, the typed-text file and dz_result are also stored
// every 30 seconds when something was typed, and when the screen hides, so a
// crash of the client loses at most 30 seconds of typing. The 30-second store
// writes the file and then dz_result on a writer thread (TypedFileStore, with
// the record's ResultWriter) so that typing does not stall; hiding and saving
// first wait for a store under way, then write both before they return. The
// score (dz_cj) is computed and stored only by saveAndQuit() and
// saveForGrading().
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/screens/typing/typed_file_store.h"
#include "client/screens/typing/typing_record.h"
#include "common/grading/typing_score.h"
#include "common/text/cryptstr.h"
#include "common/ui/clock.h"
#include "common/ui/dialogs.h"

namespace kav::typing {

struct TypingPlace {
    std::string candidateFolderName;      // zkzh without its 5th-8th characters
    std::filesystem::path workingFolder;  // the model text is txt/<filename_dz> under it
    std::filesystem::path scratchFolder;  // c:\kavtmp (resolved): the typed-text file is in it
};

enum class Key { Backspace, Delete, PageUp, PageDown, Left, Right, Up, Down, Insert };

// The typing time in dz_result (its first token); 0 when there is none.
std::int64_t dzTimeOf(std::string_view dzResult);

class TypingEngine {
public:
    static constexpr int kLinesPerPage = typing::kLinesPerPage;
    static constexpr int kStatisticsMs = 250, kBlinkMs = 200, kAutosaveMs = 30'000;

    TypingEngine(TypingRecord& record, ui::Clock& clock, ui::Dialogs& dialogs, TypingPlace place);
    ~TypingEngine();
    TypingEngine(const TypingEngine&) = delete;
    TypingEngine& operator=(const TypingEngine&) = delete;

    // Window events.
    void shown();                          // FormShow: starts a typing period
    void hidden();                         // FormHide: ends the period (once)
    void enterText(std::string_view utf8);  // committed text, one character at a time
    void press(Key key);                   // Edit1KeyDown
    // "存盘退出": stores the score, dz_result and the typed-text file. Returns
    // true when the screen is to hide (false when the typed-text file could not
    // be written: the error has been shown, the screen stays open).
    bool saveAndQuit();
    // The same save at hand-in and forced collection, before grading, when
    // something was typed since the score was last stored (otherwise the
    // stored score stands): shows no box (nothing may hold the collection) and
    // starts no new typing period. False when something could not be stored;
    // the score of the typed lines in memory is stored whenever the database
    // allows.
    bool saveForGrading();
    // While closed (the exam's time is up) the typed text takes no change;
    // moving the caret still works.
    void closeAnswers(bool closed) { closed_ = closed; }
    // Waits until the stores handed to the writer thread are written.
    void waitForStores() { typedFile_.waitIdle(); }

    // Called after every change of what the window draws.
    std::function<void()> onChanged;

    // What the window draws (page lines are 1-7 of the current page; GBK bytes).
    bool hasText() const { return count() > 0; }
    int count() const { return static_cast<int>(model_.size()); }
    int pageCount() const { return count() / kLinesPerPage; }
    int page() const { return page_; }
    int line() const { return line_; }
    int column() const { return col_; }
    int absoluteLine() const { return (page_ - 1) * kLinesPerPage + line_; }
    bool insertMode() const { return insert_; }
    int caretPhase() const { return caretPhase_; }
    // The drawn caret's colour: each blink tick paints it by the phase it finds
    // (black for phase 1, white for 2) and then flips the phase, so the caret
    // is black until the second tick.
    bool caretBlack() const { return caretBlack_; }
    bool running() const { return running_; }
    std::string pageModelLine(int pageLine) const;  // at most 56 bytes
    std::string pageTypedLine(int pageLine) const;  // the 56 visible bytes
    std::string pageMarks(int pageLine) const;      // 28 two-byte marks

    // Labels (UTF-8), as shown.
    const std::string& nameLabel() const { return nameLabel_; }
    const std::string& numberLabel() const { return numberLabel_; }
    std::string lineLabel() const;
    std::string pageLabel() const;
    const std::string& totalLabel() const { return totalLabel_; }
    const std::string& rightLabel() const { return rightLabel_; }
    const std::string& wrongLabel() const { return wrongLabel_; }
    const std::string& accuracyLabel() const { return accuracyLabel_; }
    const std::string& speedLabel() const { return speedLabel_; }

    // State behind the labels and the saved record.
    int totalCharacters() const { return total_; }
    std::int64_t dzTime() const { return dzTime_; }
    const std::vector<std::string>& modelLines() const { return model_; }
    const std::vector<std::string>& typedLines() const { return typed_; }
    std::filesystem::path typedTextFile() const { return place_.scratchFolder / place_.candidateFolderName; }
    std::string resultText() const;  // dz_result as it would be stored now

    // The timer ticks (also run by the clock).
    void statisticsTick();  // Timer2Timer
    void blinkTick();       // Timer1Timer

private:
    void load();
    void compareLine(int absLine);
    void changeLine(int absLine, std::string typed);
    void deleteAtCaret();
    void cursorLeft();
    void cursorRight();
    void pageDown();
    void pageUp();
    void endPeriod();
    std::vector<std::string> save();  // the errors, empty when everything was stored
    void storeState(bool wait);
    void autosave();
    void takeStoreOutcome();
    void showError(const std::string& text);
    void changed();
    std::int64_t periodMs() const;

    TypingRecord& record_;
    ui::Clock& clock_;
    ui::Dialogs& dialogs_;
    TypingPlace place_;
    text::KeyDrawer keys_;
    TypedFileStore typedFile_;

    std::vector<std::string> model_, typed_;
    std::vector<int> right_, wrong_;
    int havelogined_ = 0;
    int page_ = 1, line_ = 1, col_ = 1;
    bool insert_ = true;
    bool closed_ = false;
    int caretPhase_ = 1;
    bool caretBlack_ = true;
    bool firstShowing_ = true;
    std::int64_t dzTime_ = 0, dzStart_ = 0;
    bool running_ = false;
    bool dirty_ = false;             // typed lines changed since the last store
    bool unscored_ = false;          // typed lines changed since the score was stored
    bool storeErrorShown_ = false;   // an automatic store failed and was reported
    int total_ = 0;

    std::string nameLabel_, numberLabel_, totalLabel_, rightLabel_, wrongLabel_, accuracyLabel_, speedLabel_;
    ui::Clock::TimerId statisticsTimer_ = 0, blinkTimer_ = 0, autosaveTimer_ = 0;
};

}  // namespace kav::typing
