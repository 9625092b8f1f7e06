#include "console/base/login.h"

#include "common/account/password.h"
#include "common/db/tables.h"
#include "console/base/data_module.h"
#include "console/base/main_window.h"
#include "console/base/texts.h"

namespace mendrix {

using kav::ui::Buttons;
using kav::ui::MessageKind;

WindowOrigin centredOrigin(kav::ui::ScreenSize screen, int width, int height) {
    return {(screen.width - width) / 2, (screen.height - height) / 2};
}

void LoginLogic::FormShow() {
    data_.open();
    warnOfNetworkFileSystem();
}

void LoginLogic::warnOfNetworkFileSystem() {
    const auto teacherDb = kav::db::teacherDatabasePath(data_.workingFolder());
    if (teacherDb.extension() != ".mdb") return;  // a data link: the tables are on a server
    if (const auto fileSystem = networkFileSystemOf(teacherDb))
        dialogs_.message(MessageKind::Warning, texts::networkFileSystemWarning(*fileSystem), Buttons::Ok);
}

void LoginLogic::refuse(const char* text) { dialogs_.message(MessageKind::Warning, text, Buttons::Yes); }

void LoginLogic::BitBtn1Click() {
    kav::db::Cursor& user = data_.ADOTable_Tuser();
    user.first();
    // Without an administrator row, or with an empty name in it, nobody is admitted.
    if (user.recordCount() == 0 || user.field("username").asString().empty()) return refuse(texts::kNoAdministrator);
    if (user.field("username").asString() != Edit1 ||
        !kav::account::verifyPassword(user.field("password").asString(), Edit2))
        return refuse(texts::kWrongLogin);
    mainWindow_.FormShow();
    visible = false;
    mainWindow_.visible = true;
}

}  // namespace mendrix
