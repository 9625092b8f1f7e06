#include "console/base/accounts.h"

#include "common/account/password.h"
#include "console/base/data_module.h"
#include "console/base/texts.h"

namespace mendrix {

using kav::ui::MessageKind;

void AccountsLogic::setAccount(int n) {
    AccountBoxes& b = boxes[n];
    if (b.username.empty()) {
        dialogs_.message(MessageKind::Plain, texts::kEmptyUserName);
        return;
    }
    if (b.password.empty() || b.password != b.confirmation) {
        dialogs_.message(MessageKind::Plain, texts::kBadPassword);
        b.password.clear();
        b.confirmation.clear();
        return;
    }
    kav::db::Cursor& user = data_.ADOTable_Tuser();
    // Accounts are rows by position: a missing row must not become another account's.
    if (user.recordCount() < n + 1) {
        dialogs_.message(MessageKind::Warning, texts::kAccountRowMissing);
        return;
    }
    // A client tries the assistants in order, so a shared password would always
    // give the first one's extension.
    if (n > 0 && usedByAnotherAssistant(n, b.password)) {
        dialogs_.message(MessageKind::Warning, texts::kPasswordInUse);
        return;
    }
    const std::string hash = kav::account::hashPassword(b.password);
    user.first();
    user.moveBy(n);
    user.edit();
    try {
        user.field("username").setString(b.username);
        user.field("password").setString(hash);
        user.post();
    } catch (...) {
        user.cancel();
        throw;
    }
    dialogs_.message(MessageKind::Plain, texts::kAccountChanged);
    b.password.clear();
    b.confirmation.clear();
}

bool AccountsLogic::usedByAnotherAssistant(int n, const std::string& password) {
    kav::db::Cursor& user = data_.ADOTable_Tuser();
    for (int other = 1; other <= 3 && other < user.recordCount(); ++other) {
        if (other == n) continue;
        user.first();
        user.moveBy(other);
        if (kav::account::verifyPassword(user.field("password").asString(), password)) return true;
    }
    return false;
}

}  // namespace mendrix
