#pragma once
// The multiple-choice screen TForm7: a borderless, maximised window showing one
// of the thirty drawn questions with its options A–D, the thirty numbered
// buttons, "上一题", "下一题", "评 分" (practice mode only) and "关 闭".
// Its handlers forward to kav::choice::ChoiceScreen, which holds the answers.
//
// Use from the exam window (create once, then show the same instance):
//
//   // at first use ("选择题(&S)"); throws kav::db::DbError when the exam record
//   // cannot be read
//   form7_ = new kavlor::TForm7({dm.ADOTable_ct(), dm.ADOTable_student(),
//                                dm.ADOTable_selecttest(), dm.ADOTable_Tstate()},
//                               gate, this);
//   form7_->show();     // FormShow: reads the station mode, takes ← and →
//   ...
//   form7_->logic().sel_given(), form7_->logic().sel_correct()   // choice grading
//
// The cursors and the gate must outlive the window; every handler runs
// through the program's event gate, and its error boxes are the gate's. The window hides itself
// on "关 闭" and key Q; it is never closed by the candidate (Alt+F4 and close
// requests are ignored). While it is shown, plain ← and → reach this screen
// and nothing else: from every window of the client, and under X11 from every
// program of the display (a keyboard grab, retried while another program holds it).
#include <QAbstractNativeEventFilter>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <array>
#include <memory>

#include "client/screens/choice/choice_screen.h"
#include "client/screens/choice/ui/tform8.h"
#include "client/screens/choice/ui/x11_key_grab.h"
#include "common/ui/event_gate.h"

class QKeyEvent;

namespace kavlor {

class TForm7 : public QWidget, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // FormCreate: creates the (hidden) picture window and loads the questions
    // and the candidate's earlier answers.
    TForm7(kav::choice::ChoiceScreen::Tables tables, kav::ui::EventGate& gate, QWidget* parent = nullptr);
    ~TForm7() override;

    const kav::choice::ChoiceScreen& logic() const { return logic_; }
    void closeAnswers(bool closed) { logic_.closeAnswers(closed); }
    TForm8* Form8() const { return form8_; }

    // Event handlers.
    void FormShow();
    void FormHide();
    void FormActivate();
    void goto_pp();
    void button_any_click(int number);  // speedButton1 … speedButton30
    void nextClick();
    void previousClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void BitBtn1Click();
    void BitBtn3Click();
    void FormKeyDown(QKeyEvent* event);  // every key on the screen, before its controls
    void Memo1Click();
    void Label8Click();
    // The system-wide hot keys ← and →; true when the key was taken.
    bool HotKey(QKeyEvent* event);

    // Controls.
    QLabel* Panel_title = nullptr;
    QLabel* Label1 = nullptr;  // question number, "7、"
    QTextEdit* Memo1 = nullptr;
    QPushButton* Label8 = nullptr;  // "如图"
    std::array<QRadioButton*, 4> RadioButtons{};  // RadioButton1–RadioButton4: A–D
    std::array<QLabel*, 4> OptionLabels{};        // their texts (wrapped; a click selects)
    QRadioButton* RadioButton5 = nullptr;         // the focus holder
    std::array<QPushButton*, kav::choice::kQuestions> speedButtons{};
    QPushButton* previous = nullptr;  // "上一题"
    QPushButton* next = nullptr;      // "下一题"
    QPushButton* BitBtn1 = nullptr;   // "评 分"
    QPushButton* BitBtn3 = nullptr;   // "关 闭"
    QLabel* Panel1 = nullptr;         // score panel

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void buildControls();
    // Runs one step of the logic through the gate (a database failure is
    // shown with the engine's text); then the controls show the logic's state.
    void run(const std::function<void()>& step);
    void refresh();
    void placePictureButton();
    void takeHotKeys();
    void releaseHotKeys();

    kav::choice::ChoiceScreen logic_;
    kav::ui::EventGate& gate_;
    TForm8* form8_ = nullptr;
    QFrame* questionPanel_ = nullptr;
    bool filtering_ = false;
    std::unique_ptr<X11KeyGrab> keyGrab_;  // only on an X11 display
    QTimer grabRetry_;
};

}  // namespace kavlor
