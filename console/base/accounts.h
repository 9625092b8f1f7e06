#pragma once
// The accounts page of the main window: the administrator (Panel3) and the
// three assistants (Panel4), each set from its own three boxes.
#include <array>
#include <string>

#include "common/ui/dialogs.h"

namespace mendrix {

class TDataModule2;

// One account's boxes: user name, password, confirmation.
struct AccountBoxes {
    std::string username, password, confirmation;
};

class AccountsLogic {
public:
    AccountsLogic(TDataModule2& data, kav::ui::Dialogs& dialogs) : data_(data), dialogs_(dialogs) {}

    void BitBtn1Click() { setAccount(0); }   // administrator
    void BitBtn2Click() { setAccount(1); }   // 一级助理
    void BitBtn37Click() { setAccount(2); }  // 二级助理
    void BitBtn38Click() { setAccount(3); }  // 三级助理

    // Row n + 1 of `user`: Edit1-3, Edit4-6, Edit7-9, Edit10-12.
    std::array<AccountBoxes, 4> boxes;

private:
    void setAccount(int n);
    // Whether another assistant's stored password is `password`.
    bool usedByAnotherAssistant(int n, const std::string& password);

    TDataModule2& data_;
    kav::ui::Dialogs& dialogs_;
};

}  // namespace mendrix
