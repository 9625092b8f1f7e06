#include "client/flow/timeup.h"

#include "client/flow/client.h"

namespace kavlor {

void TimeUpLogic::raisePassword() {
    Edit1.clear();
    form_ = Form::Password;
}

void TimeUpLogic::raiseCollecting() { form_ = Form::Collecting; }

void TimeUpLogic::BitBtn1Click() {
    // The three assistants' passwords, checked against the stored hashes.
    const int level = client_.data().teacherConnection().delayPasswordLevel(Edit1);
    if (level == 0) return;
    granted_ = level;
    form_ = Form::Hidden;
}

void TimeUpLogic::BitBtn2Click() { form_ = Form::Hidden; }

}  // namespace kavlor
