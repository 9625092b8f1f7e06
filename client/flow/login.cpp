#include "client/flow/login.h"

#include "client/flow/client.h"
#include "client/flow/drawing.h"
#include "client/flow/instructions.h"

namespace kavlor {

using kav::ui::MessageKind;

LoginLogic::LoginLogic(Client& client) : client_(client) {
    kav::db::Cursor& student = client_.data().ADOTable_student();
    student.first();
    if (!student.eof() && student.field("havelogined").asInteger() > 0) Edit3.clear();
}

void LoginLogic::BitBtn1Click() {
    auto& dialogs = client_.dialogs();
    kav::db::Cursor& student = client_.data().ADOTable_student();
    if (!student.locate("zkzh", Edit1)) {
        dialogs.message(MessageKind::Warning, "输入考号超出范围！！！");
        Edit1.clear();
        Edit2.clear();
        return;
    }
    Edit2 = student.field("ksxm").asString();
    if (student.field("havelogined").asInteger() != 0) {
        if (wrongPasswords_ == 3) {
            dialogs.message(MessageKind::Warning, "输入密码错误已3次，将退出系统！！！");
            client_.ExitClient();
        }
        if (student.field("login_keyword").asString() != Edit3) {
            ++wrongPasswords_;
            dialogs.message(MessageKind::Warning, "输入密码" + std::to_string(wrongPasswords_) + "次不正确！！！");
            Edit3.clear();
            return;
        }
    }
    stage_ = Stage::Accepted;
}

void LoginLogic::BitBtn4Click() {
    Edit1.clear();
    Edit2.clear();
    Edit3.clear();
    stage_ = Stage::Entering;
    focusNumber = true;
}

void LoginLogic::BitBtn2Click() {
    client_.exitFlag = true;
    visible = false;
    client_.ExitClient();
}

void LoginLogic::BitBtn3Click() {
    client_.createInstructionsAndProgress();
    client_.splashVisible = false;
    client_.zkzh = Edit1;
    client_.ksxm = Edit2;
    InstructionsLogic& instructions = *client_.instructions();
    instructions.Label_kh = "准考证号：" + Edit1;
    instructions.Label_xm = "考生姓名：" + Edit2;

    visible = false;
    client_.progress()->visible = true;
    client_.progress()->stepIt();
    client_.notify();

    kav::db::Cursor& student = client_.data().ADOTable_student();
    student.edit();
    const auto logins = student.field("havelogined").asInteger() + 1;
    student.field("havelogined").setInteger(logins);
    // The exam starts at its first login: the time stays in the roster row
    // across restarts and travels with every report.
    if (logins == 1) student.field("kstime").setDateTime(client_.clock().nowLocal());
    student.post();

    if (logins == 1) {
        createExamRecord(client_);
        instructions.Label2 = "1、考试剩余时间:" + client_.data().ADOTable_ct().field("resttime").asString() +
                              "，按S键开始考试并计时。";
        instructions.visible = true;
    } else {
        if (!client_.data().ADOTable_ct().locate("zkzh", Edit1)) {
            client_.dialogs().message(MessageKind::Plain, "无法找到已抽的题目，系统出错，将退出！");
            client_.ExitClient();
        }
        client_.closeProgress();
        instructions.Label2 = "1、考试剩余时间:" + client_.data().ADOTable_ct().field("resttime").asString() +
                              "，按S键开始考试并计时。";
        try {
            client_.startExam();
        } catch (const std::exception&) {
            // The instructions window lets the candidate start again with S.
            instructions.visible = true;
            throw;
        }
    }
    // The window is no longer used.
    visible = false;
}

}  // namespace kavlor
