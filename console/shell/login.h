#pragma once
// TForm_enter, the login window: it opens both databases when shown and admits
// the administrator (the first row of `user`) to the main window.
#include <string>

#include "common/ui/desktop.h"
#include "common/ui/dialogs.h"

namespace mendrix {

class TDataModule2;
class MainWindowLogic;

// Where a window of the given size stands centred on the screen (integer
// halves rounded toward zero).
struct WindowOrigin {
    int left = 0, top = 0;
};
WindowOrigin centredOrigin(kav::ui::ScreenSize screen, int width, int height);

class LoginLogic {
public:
    LoginLogic(TDataModule2& data, MainWindowLogic& mainWindow, kav::ui::Dialogs& dialogs)
        : data_(data), mainWindow_(mainWindow), dialogs_(dialogs) {}

    void FormShow();    // opens the databases
    void BitBtn1Click();  // 确定: the login check

    std::string Edit1, Edit2;  // user name, password
    bool visible = true;

private:
    void refuse(const char* text);
    TDataModule2& data_;
    MainWindowLogic& mainWindow_;
    kav::ui::Dialogs& dialogs_;
};

}  // namespace mendrix
