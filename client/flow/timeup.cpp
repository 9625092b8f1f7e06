#include "client/flow/timeup.h"

#include <cstdio>

#include "client/flow/client.h"

namespace kavlor {

void TimeUpLogic::raisePassword() {
    Edit1.clear();
    form_ = Form::Password;
}

void TimeUpLogic::raiseCollecting() { form_ = Form::Collecting; }

void TimeUpLogic::BitBtn1Click() {
    // The three assistants' passwords, checked against the stored hashes. A
    // check the server refused (too many wrong tries from this station) or
    // could not make counts as a wrong password; the log keeps the reason.
    int level = 0;
    try {
        level = client_.data().teacherConnection().delayPasswordLevel(Edit1);
    } catch (const kav::db::DbError& e) {
        std::fprintf(stderr, "Kavlor: the delay password was not checked: %s\n", e.what());
    }
    if (level == 0) return;
    granted_ = level;
    form_ = Form::Hidden;
}

void TimeUpLogic::BitBtn2Click() { form_ = Form::Hidden; }

}  // namespace kavlor
