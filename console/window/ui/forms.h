#pragma once
// The console's windows: thin views over their logic in console/base and the
// pages' windows of console/pages, assembled into the main window. The
// handlers keep the names of the console's windows and go through
// MendrixApp::run; refresh() shows the logic's state.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <array>
#include <map>

#include "console/base/main_window.h"

class QAction;
class QStackedWidget;

namespace mendrix {

namespace bank {
class BankPages;
}
namespace labview {
class LabViewPage;
}
class MendrixApp;
class LoginLogic;
class AccountsLogic;

// The login window.
class TForm_enter : public QDialog {
public:
    TForm_enter(MendrixApp& app, LoginLogic& logic);
    void FormCreate();  // centres the window
    void BitBtn1Click();
    void refresh();

    QLabel *Label1, *Label2;  // the title lines
    QLineEdit *Edit1, *Edit2;
    QPushButton* BitBtn1;

protected:
    void paintEvent(QPaintEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void reject() override {}  // Esc does not close the login

private:
    MendrixApp& app_;
    LoginLogic& logic_;
};

// The about box: not modal, a second click only brings it forward.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent);
};

// The main window.
class TForm1 : public QMainWindow {
public:
    TForm1(MendrixApp& app, MainWindowLogic& logic, AccountsLogic& accounts);
    void N2Click();
    void N12Click();
    void N3Click();
    void WIN1Click();
    void N5Click();
    void N6Click();
    void WORD1Click();
    void N16Click();
    void N17Click();
    void NLabClick();
    void N10Click();
    void H1Click();
    void NtimeClick();
    void N20Click();
    void N21Click();
    void N23Click();
    void N13Click();
    void N14Click();
    void s1Click();
    void E1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn37Click();
    void BitBtn38Click();
    void refresh();

    // The page of each Page value (nullptr for None), and the accounts' panels.
    QWidget* page(Page p) const;
    QWidget *Panel3, *Panel4;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn37, *BitBtn38;
    QAction *N13, *N14, *s1, *E1, *N20, *N21, *N23;
    QLabel* flagsLabel;  // the status bar: station mode and start-up flags
    TAboutBox* aboutBox() const { return about_; }
    // The question bank's pages, filled once the databases are open (after login).
    bank::BankPages* bankPages() const { return bank_; }
    labview::LabViewPage* labView() const { return labView_; }

protected:
    void closeEvent(QCloseEvent*) override;

private:
    void makeMenus();
    QWidget* makeAccountsPage();
    void run(void (MainWindowLogic::*handler)());
    void runAccounts(void (AccountsLogic::*handler)());
    std::array<QLineEdit*, 12> accountBoxes() const;

    MendrixApp& app_;
    MainWindowLogic& logic_;
    AccountsLogic& accounts_;
    QStackedWidget* pages_;
    std::map<Page, QWidget*> pageWidgets_;
    TAboutBox* about_;
    bank::BankPages* bank_ = nullptr;
    labview::LabViewPage* labView_ = nullptr;
};

}  // namespace mendrix
