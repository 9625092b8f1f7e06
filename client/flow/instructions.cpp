#include "client/flow/instructions.h"

#include "client/flow/client.h"

namespace kavlor {

void InstructionsLogic::SpeedButton1Click() {
    client_.startExam();
    visible = false;
}

}  // namespace kavlor
