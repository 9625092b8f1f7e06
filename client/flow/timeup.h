#pragma once
// The time-up screen TForm_fullenter: the delay password when the time has
// run out, "正在收分！请稍候..." while the teacher collects.
#include <string>

namespace kavlor {

class Client;

class TimeUpLogic {
public:
    explicit TimeUpLogic(Client& client) : client_(client) {}

    enum class Form { Hidden, Password, Collecting };
    void raisePassword();
    void raiseCollecting();
    void BitBtn1Click();  // OK of the password form
    void BitBtn2Click();  // removes the screen

    Form form() const { return form_; }
    bool visible() const { return form_ != Form::Hidden; }
    std::string Edit1;        // the delay password
    std::string Edit2 = "0";  // the level field, read and reset by the toolbar

private:
    Client& client_;
    Form form_ = Form::Hidden;
};

}  // namespace kavlor
