#pragma once
// The login window TForm3: the admission number against the local roster,
// the password of a returning candidate, and the start of a first or a resumed
// exam. The window copies its boxes into Edit1..Edit3 before each handler and
// shows them again afterwards.
#include <string>

namespace kavlor {

class Client;

class LoginLogic {
public:
    explicit LoginLogic(Client& client);  // FormCreate

    void BitBtn1Click();  // 验考号
    void BitBtn2Click();  // 退出
    void BitBtn3Click();  // 确定
    void BitBtn4Click();  // 重新输入

    enum class Stage { Entering, Accepted };
    Stage stage() const { return stage_; }
    int wrongPasswords() const { return wrongPasswords_; }

    std::string Edit1, Edit2, Edit3 = "407913";  // number, name, password
    bool visible = false;
    bool stayOnTop = false;
    bool focusNumber = false;  // the window puts the focus in Edit1 when set

private:
    Client& client_;
    Stage stage_ = Stage::Entering;
    int wrongPasswords_ = 0;  // one counter for all admission numbers, never reset
};

}  // namespace kavlor
