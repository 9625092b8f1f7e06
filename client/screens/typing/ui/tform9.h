#pragma once
// The typing screen "打字系统": the window of the typing engine. It draws the
// engine's page and labels and feeds it the keys; everything else (cells,
// pages, statistics, saving) is the engine's.
//
// The exam window creates it at the first "录入题(&D)" and shows the same
// instance every later time (N3Click):
//
//     if (!form9_)
//         form9_ = new kavlor::TForm9(stu, *ADOTable_student, *ADOTable_ct, zkzh, gate,
//                                     {candidateFolderName(zkzh), programFolder,
//                                      kav::platform::resolve("c:\\kavtmp")});
//     form9_->show();
//
// The cursors are the client's whole-table cursors of `student` and `ct` on
// its connection `stu` to stu.mdb (the screen finds the candidate's rows by
// zkzh before every read and write; its periodic store posts dz_result through
// a connection of its own); the gate and cursors must outlive the window. Every key, button, showing and
// hiding, and every timer of the screen runs through the program's event gate,
// and its boxes are the gate's. The window is top-level,
// borderless and maximised; it ignores close requests and Alt+F4, and while it
// is shown Tab does nothing anywhere in the client. "存盘退出" hides it.
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "client/screens/typing/typing_engine.h"
#include "client/screens/typing/ui/typing_page.h"

namespace kav::db {
class Connection;
class Cursor;
}

namespace kavlor {

class TForm9 : public QWidget {
public:
    TForm9(kav::db::Connection& stu, kav::db::Cursor& student, kav::db::Cursor& ct, const std::string& zkzh,
           kav::ui::EventGate& gate, kav::typing::TypingPlace place, QWidget* parent = nullptr);
    // On any record (tests, tools).
    TForm9(kav::typing::TypingRecord& record, kav::ui::EventGate& gate, kav::typing::TypingPlace place,
           QWidget* parent = nullptr);
    ~TForm9() override;

    kav::typing::TypingEngine& engine() { return *engine_; }

    void BitBtn1Click();      // "存盘退出"
    // The save of "存盘退出" at hand-in and forced collection, without a box;
    // a screen that stays shown goes on typing.
    void saveForGrading();
    void SpeedButton1Click();  // "Ins": insert or overwrite
    void SpeedButton2Click();  // "插入": a label that stays down

    TypingPage* Edit1 = nullptr;  // the page; holds the focus, takes keys and input method
    QLabel *Label_title = nullptr, *Label_xm = nullptr, *Label_kh = nullptr;
    QLabel *Label_total = nullptr, *Label_right = nullptr, *Label_wrong = nullptr, *Label_accuracy = nullptr,
           *Label_speed = nullptr;
    QLabel *Label_page = nullptr, *Label_line = nullptr;
    QPushButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void refresh();

    kav::ui::EventGate& gate_;
    std::unique_ptr<kav::typing::TypingRecord> ownRecord_;
    std::unique_ptr<kav::typing::TypingEngine> engine_;
};

}  // namespace kavlor
