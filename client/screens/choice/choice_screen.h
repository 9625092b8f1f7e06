#pragma once
// The multiple-choice screen without its widgets: the thirty drawn questions,
// the correct and given answers, the question shown, the thirty numbered
// buttons, the option group with its keyboard rules, the picture of the
// question and the practice self-check. The window class TForm7 shows this
// state and forwards every event to it.
//
// Tables (all open whole-table cursors held by the exam client):
//   ct          positioned on the candidate's exam record (sel_arr1, sel_arr2, sel_arr3)
//   student     positioned on the candidate's roster row (havelogined)
//   selecttest  the choice bank; moved to the question shown
//   state       the station control record (korl), re-read whenever the screen is shown
// Database failures are thrown as db::DbError with the engine's text; the
// window shows them.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/db/database.h"
#include "common/grading/choice_grading.h"

namespace kav::choice {

enum class Option { None = -1, A = 0, B = 1, C = 2, D = 3 };

// Where the keyboard focus is on the screen. The focus holder is the fifth
// option, outside the visible part of the option panel, that lets an
// unanswered question hold the focus inside the group with nothing selected.
enum class Focus { QuestionText, OptionA, OptionB, OptionC, OptionD, FocusHolder };

enum class Key { Left, Right, Up, Down, PageUp, PageDown, F4, Q, Other };
struct Modifiers {
    bool shift = false, control = false, alt = false, meta = false;
    bool any() const { return shift || control || alt || meta; }
};

struct QuestionButton {
    std::string caption;   // "7 " unanswered, "7C" answered
    int pointSize = 9;     // 15 for the question shown, 7 for the one shown before
    bool red = false;      // answered
};

class ChoiceScreen {
public:
    struct Tables {
        db::Cursor& ct;
        db::Cursor& student;
        db::Cursor& selecttest;
        db::Cursor& state;
    };
    static constexpr int kNormalPointSize = 9, kCurrentPointSize = 15, kPreviousPointSize = 7;

    // Loads the questions and the candidate's earlier answers (run once, at creation).
    explicit ChoiceScreen(Tables tables);

    // The screen is shown: focus to the option panel, show the current
    // question, take the hot keys ← and →, read the station mode.
    void show();
    // The screen is hidden: the hot keys are released.
    void hide();
    // Shows question sel_cur: moves selecttest to it and fills the view.
    void goto_pp();

    void moveTo(int number);  // a question button, 1–30
    void next();              // 30 wraps to 1
    void previous();          // 1 wraps to 30
    // Option A–D selected by click or keyboard: the answer is recorded and, when
    // it changed, stored in sel_arr3 of the exam record at once.
    void select(Option option);
    // While closed (the exam's time is up) no option is taken.
    void closeAnswers(bool closed) { closed_ = closed; }
    // "评 分": only while enabled (practice mode).
    void selfCheck();
    // "关 闭" and key Q: stores the answers and hides the screen.
    void close();

    // The system-wide hot keys: plain ← and → while the screen is shown.
    bool isHotKey(Key key, Modifiers modifiers) const {
        return hotKeys_ && !modifiers.any() && (key == Key::Left || key == Key::Right);
    }
    // Runs a hot key (← previous, → next). Returns whether the key was one;
    // it then goes to nothing else.
    bool hotKey(Key key, Modifiers modifiers);
    // A key pressed on the screen (the screen sees it before its controls):
    // Alt+F4 is discarded, PgDn/PgUp move, Q closes; otherwise the focused
    // control gets it (↑/↓ within the option group, any key in the question
    // text moves the focus to option A). Every key on the screen is consumed.
    void keyDown(Key key, Modifiers modifiers);
    // Click on the question text: the focus goes to the option panel.
    void questionTextClicked();
    // The question text got the keyboard focus (by mouse or otherwise).
    void questionTextFocused() { focus_ = Focus::QuestionText; }

    // --- what the window shows
    bool visible() const { return visible_; }
    bool hotKeysActive() const { return hotKeys_; }
    int current() const { return cur_; }
    int previousShown() const { return prev_; }
    const QuestionButton& button(int number) const { return buttons_.at(number - 1); }
    std::string numberLabel() const { return std::to_string(cur_) + "、"; }
    const std::string& questionText() const { return questionText_; }
    const std::string& optionCaption(Option option) const { return options_.at(static_cast<int>(option)); }
    // False when the question cannot be shown (a malformed exam record); the
    // question text then says why and the options take no answer.
    bool questionAvailable() const { return available_; }
    Option checkedOption() const { return checked_; }
    bool focusHolderVisible() const { return holderVisible_; }
    Focus focus() const { return focus_; }
    bool hasPicture() const { return !picture_.empty(); }
    const db::Blob& picture() const { return picture_; }  // bytes of the image file
    bool selfCheckEnabled() const { return selfCheckEnabled_; }
    const std::string& scorePanel() const { return scorePanel_; }

    // --- read by the exam window's choice grading
    const AnswerList& sel_correct() const { return correct_; }
    const AnswerList& sel_given() const { return given_; }
    // Position in selecttest of question n as stored ("" when missing).
    const std::string& sel_no(int number) const { return positions_.at(number - 1); }

private:
    void record(Option option, bool store);
    void storeAnswers();
    void focusOption(Option option);
    void focusOptionPanel();
    void stepInGroup(int direction);
    void moveAndShow(int number);
    std::optional<int> positionInBank(int number, std::string* problem);

    Tables t_;
    AnswerList positions_;
    AnswerList correct_;
    AnswerList given_;
    std::array<QuestionButton, kQuestions> buttons_;
    int cur_ = 1;
    int prev_ = 0;

    std::string questionText_;
    std::array<std::string, 4> options_;
    bool available_ = true;
    bool closed_ = false;
    Option checked_ = Option::None;
    bool holderVisible_ = true;
    Focus focus_ = Focus::FocusHolder;
    db::Blob picture_;

    bool visible_ = false;
    bool hotKeys_ = false;
    bool selfCheckEnabled_ = false;
    std::string scorePanel_ = "得分：";
};

}  // namespace kav::choice
