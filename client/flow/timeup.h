#pragma once
// The time-up screen TForm_fullenter: the delay password when the time has
// run out, "正在收分！请稍候..." while the teacher collects.
#include <optional>
#include <string>
#include <utility>

namespace kavlor {

class Client;

class TimeUpLogic {
public:
    explicit TimeUpLogic(Client& client) : client_(client) {}

    enum class Form { Hidden, Password, Collecting };
    void raisePassword();
    void raiseCollecting();
    void BitBtn1Click();  // OK of the password form: a right password grants its level
    void BitBtn2Click();  // removes the screen

    Form form() const { return form_; }
    bool visible() const { return form_ != Form::Hidden; }
    std::string Edit1;  // the delay password
    // The delay level (1-3) a right password granted, until the toolbar takes it.
    const std::optional<int>& grantedLevel() const { return granted_; }
    std::optional<int> takeGrantedLevel() { return std::exchange(granted_, std::nullopt); }

private:
    Client& client_;
    Form form_ = Form::Hidden;
    std::optional<int> granted_;
};

}  // namespace kavlor
