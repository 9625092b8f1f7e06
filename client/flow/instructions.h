#pragma once
// The instructions window TForm2, shown once after a first login; S starts the exam.
#include <string>

namespace kavlor {

class Client;

class InstructionsLogic {
public:
    explicit InstructionsLogic(Client& client) : client_(client) {}
    void SpeedButton1Click();  // 按&S键开始考试

    std::string Label_kh = "准考证号：";
    std::string Label_xm = "考生姓名：";
    std::string Label2 = "1、剩余考试时间90分钟，按S键开始考试并计时。";
    bool visible = false;

private:
    Client& client_;
};

}  // namespace kavlor
