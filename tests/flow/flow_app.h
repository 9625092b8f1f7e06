#pragma once
// The first candidate's way into the exam, as the window tests take it: the
// login window's two buttons, then the instructions window's start button.
#include "client/flow/login.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/forms.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {

// Logs the first candidate in and draws the exam, each click through the
// application, which redraws its windows after it.
inline void drawExam(KavlorApp& app) {
    LoginLogic& login = *app.client().login();
    login.Edit1 = kFirst;
    app.run([&] { login.BitBtn1Click(); });
    app.run([&] { login.BitBtn3Click(); });
}

// Draws the exam and starts it: the toolbar and the exam window are up.
inline void enterExam(KavlorApp& app) {
    drawExam(app);
    app.Form2()->SpeedButton1Click();
}

}  // namespace kavlor::test
