#pragma once
// The windows of the exam flow. Each is a thin view over its logic class in
// client/flow: the handlers keep the names of the exam system's windows and
// forward to the logic through KavlorApp::run; refresh() shows the logic's state.
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QWidget>

namespace kavlor {

class KavlorApp;
class LoginLogic;
class DrawingProgress;
class InstructionsLogic;
class ToolbarLogic;
class ExamShell;
class TimeUpLogic;
class TForm7;
class TForm9;
class ScreenGrab;
namespace files {
class FileManagerWindow;
}

// The splash window: the main window of the client, one stretched picture.
class TForm1 : public QWidget {
public:
    explicit TForm1(KavlorApp& app);
    void FormClick();
    void refresh();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    KavlorApp& app_;
};

// The login window.
class TForm3 : public QWidget {
public:
    TForm3(KavlorApp& app, LoginLogic& logic);
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void refresh();

    QLabel* Image1;
    QLineEdit *Edit1, *Edit2, *Edit3;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4;

protected:
    void keyPressEvent(QKeyEvent*) override;

private:
    void run(void (LoginLogic::*handler)());
    KavlorApp& app_;
    LoginLogic& logic_;
};

// The drawing-progress window.
class TForm6 : public QWidget {
public:
    TForm6(KavlorApp& app, DrawingProgress& logic);
    void refresh();
    QLabel* Label1;
    QProgressBar* ProgressBar1;

private:
    DrawingProgress& logic_;
};

// The instructions window: S starts the exam.
class TForm2 : public QWidget {
public:
    TForm2(KavlorApp& app, InstructionsLogic& logic);
    void SpeedButton1Click();
    void Button2Click() {}
    void refresh();

    QLabel *Label_kh, *Label_xm, *Label2, *Label3, *Label6, *Label7, *Label1, *Label5, *Label4, *Label8;
    QPushButton* SpeedButton1;
    QPushButton* Button2;  // holds the focus so that a plain S reaches the start button

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    KavlorApp& app_;
    InstructionsLogic& logic_;
};

// The exam window.
class TForm5 : public QMainWindow {
public:
    TForm5(KavlorApp& app, ExamShell& logic, ToolbarLogic& toolbar);
    ~TForm5() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void N2Click();
    void N3Click();
    void WIN1Click();
    void N5Click();
    void N10Click();
    void Word2Click();
    void N9Click();
    void N8Click();
    void refresh();

    QPushButton *Button2, *Button3, *Button4, *Button5, *Button1, *BitBtn1;
    QTextEdit* Memo1;
    QMenu* N4;
    TForm7* Form7() const { return form7_; }
    TForm9* Form9() const { return form9_; }
    files::FileManagerWindow* FileManager() const { return fileManager_; }

protected:
    void closeEvent(QCloseEvent*) override;

private:
    void run(void (ExamShell::*handler)());
    TForm7* form7_ = nullptr;  // the multiple-choice screen, made at its first use
    TForm9* form9_ = nullptr;  // the typing screen, made at its first use
    files::FileManagerWindow* fileManager_ = nullptr;  // the candidate folder, made at its first use
    KavlorApp& app_;
    ExamShell& logic_;
    ToolbarLogic& toolbar_;
};

// The toolbar strip.
class TForm4 : public QWidget {
public:
    TForm4(KavlorApp& app, ToolbarLogic& logic);
    void SpeedButton5Click();
    void SpeedButton6Click();
    void refresh();

    QToolButton *SpeedButton1, *SpeedButton6, *SpeedButton2, *SpeedButton3, *SpeedButton7, *SpeedButton5;

protected:
    bool event(QEvent*) override;

private:
    KavlorApp& app_;
    ToolbarLogic& logic_;
    int screenBelow_ = 0;  // the form of the time-up screen the toolbar was last raised above
};

// The time-up screen.
class TForm_fullenter : public QWidget {
public:
    TForm_fullenter(KavlorApp& app, TimeUpLogic& logic);
    void BitBtn1Click();
    void refresh();

    QLabel *Label1, *Label2;
    QLineEdit *Edit1, *Edit3;
    QPushButton *BitBtn1, *BitBtn2;
    bool inputHeld() const;  // the keyboard and pointer grabs are held

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    KavlorApp& app_;
    TimeUpLogic& logic_;
    ScreenGrab* grab_ = nullptr;  // keyboard and pointer while the screen is up
    int shownForm_ = 0;
};

}  // namespace kavlor
