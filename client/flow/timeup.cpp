#include "client/flow/timeup.h"

#include "client/flow/client.h"
#include "common/account/password.h"

namespace kavlor {

void TimeUpLogic::raisePassword() {
    Edit1.clear();
    form_ = Form::Password;
}

void TimeUpLogic::raiseCollecting() { form_ = Form::Collecting; }

void TimeUpLogic::BitBtn1Click() {
    kav::db::Cursor& user = client_.data().ADOTable_Tuser();
    user.requery();
    user.first();
    // Rows 2, 3 and 4: the first-, second- and third-level assistants.
    for (int level = 1; level <= 3; ++level) {
        user.next();
        if (user.eof()) return;
        if (kav::account::verifyPassword(user.field("password").asString(), Edit1)) {
            Edit2 = std::to_string(level);
            form_ = Form::Hidden;
            return;
        }
    }
}

void TimeUpLogic::BitBtn2Click() { form_ = Form::Hidden; }

}  // namespace kavlor
