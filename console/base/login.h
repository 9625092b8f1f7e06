#pragma once
// TForm_enter, the login window: it opens both databases when shown and admits
// the administrator (the first row of `user`) to the main window.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "common/db/network_fs.h"
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

    // Opens the databases, then warns once when teacher.mdb lies on a network
    // file system (a lab of many stations belongs on a database server).
    void FormShow();
    void BitBtn1Click();  // 确定: the login check

    std::string Edit1, Edit2;  // user name, password
    bool visible = true;
    // The network file system a file lies on ("NFS", "SMB", "CIFS"), nullopt on local disk.
    std::function<std::optional<std::string>(const std::filesystem::path&)> networkFileSystemOf =
        kav::db::networkFileSystemOf;

private:
    void refuse(const char* text);
    void warnOfNetworkFileSystem();
    TDataModule2& data_;
    MainWindowLogic& mainWindow_;
    kav::ui::Dialogs& dialogs_;
};

}  // namespace mendrix
