#include "common/account/upgrade/upgrade.h"

#include "common/account/password.h"

namespace kav::account {

int hashPlainPasswords(db::Connection& teacher) {
    teacher.setSecureDelete(true);
    auto user = teacher.openTable("user");
    int replaced = 0;
    for (user->first(); !user->eof(); user->next()) {
        const std::string stored = user->field("password").asString();
        if (stored.empty() || isPasswordHash(stored)) continue;
        user->edit();
        user->field("password").setString(hashPassword(stored));
        user->post();
        ++replaced;
    }
    teacher.checkpoint();
    return replaced;
}

}  // namespace kav::account
