#include "client/flow/exam_shell.h"

#include "client/flow/client.h"
#include "common/platform/platform.h"

namespace kavlor {

namespace db = kav::db;
using kav::ui::MessageKind;

namespace {

// The token rule of the exam record: cut at each single space; two adjacent
// spaces give an empty token. At most 30 tokens are kept.
std::array<std::string, 30> splitThirty(std::string text, const std::string& fill) {
    std::array<std::string, 30> tokens;
    tokens.fill(fill);
    for (size_t i = 0; i < tokens.size() && !text.empty(); ++i) {
        const auto space = text.find(' ');
        tokens[i] = text.substr(0, space);
        text = space == std::string::npos ? std::string() : text.substr(space + 1);
    }
    return tokens;
}

}  // namespace

ExamShell::ExamShell(Client& client) : client_(client) {
    db::Cursor& ct = client_.data().ADOTable_ct();
    winno = static_cast<int>(ct.field("winno").asInteger());
    wordno = static_cast<int>(ct.field("wordno").asInteger());
}

void ExamShell::Button3Click() {
    Memo1.clear();
    Memo1.push_back("请先单击按钮：“" + Button2Caption + "”即可进入考生文件夹，开始考试！");
    db::Cursor& win = client_.data().ADOTable_win();
    Memo1.push_back(gotoPosition(win, winno) ? win.field(1).asString() : std::string());
}

void ExamShell::Button4Click() {
    Memo1.clear();
    Memo1.push_back("请在菜单栏的“考试项目”中选择“选择题”");
}

void ExamShell::Button5Click() {
    Memo1.clear();
    Memo1.push_back("请在菜单栏的“考试项目”中选择“汉字录入”");
}

void ExamShell::Button1Click() {
    Memo1.clear();
    db::Cursor& word = client_.data().ADOTable_word();
    const bool drawn = gotoPosition(word, wordno);
    Memo1.push_back("请在考生文件夹中的中打开文件" + (drawn ? word.field("filename_word").asString() : std::string()) +
                    "进行答题！");
    Memo1.push_back(drawn ? word.field(1).asString() : std::string());
}

void ExamShell::Button2Click() {
    const std::string prefix = "考生文件夹:";
    const auto at = Button2Caption.find(prefix);
    if (at == std::string::npos) return;
    client_.desktop().openFolder(kav::platform::resolve(Button2Caption.substr(at + prefix.size())));
}

void ExamShell::N8Click() { client_.desktop().showAbout("一级B模拟系统Kavlor V1.0"); }

void ExamShell::WIN1Click() {
    if (winGrader) winGrader();
}

void ExamShell::Word2Click() {
    if (wordGrader) wordGrader();
}

ChoiceAnswers ExamShell::answersFromRecord() {
    db::Cursor& ct = client_.data().ADOTable_ct();
    ChoiceAnswers answers;
    answers.correct = splitThirty(ct.field("sel_arr2").asString(), "");
    const std::string given = ct.field("sel_arr3").asString();
    answers.given = splitThirty(given, given.empty() ? "*" : "");
    return answers;
}

void ExamShell::N5Click() {
    const ChoiceAnswers answers = choiceAnswers ? choiceAnswers() : answersFromRecord();
    int count = 0;
    std::string list;
    for (int i = 0; i < 30; ++i) {
        if (answers.given[i] == answers.correct[i])
            ++count;
        else
            list += std::to_string(i + 1) + answers.correct[i] + " ";
    }
    if (gradingReports())
        client_.dialogs().message(MessageKind::Plain, "选择题得分:" + std::to_string(count) + "\r答错题号及答案：" + list);
    db::Cursor& student = client_.data().ADOTable_student();
    student.edit();
    student.field(8).setInteger(count);
    student.post();
}

void ExamShell::N10Click() {
    if (!gradingReports()) return;
    const std::string dzCj = client_.data().ADOTable_student().field("dz_cj").asString();
    client_.dialogs().message(MessageKind::Plain, "打字题得分:" + dzCj + "\r评分标准(参照一级B标准):\r" +
                                                      "打完全文,错字每3个字扣1分,扣完为止！");
}

void ExamShell::N9Click() {
    WIN1Click();
    N5Click();
    N10Click();
    Word2Click();
    db::Cursor& student = client_.data().ADOTable_student();
    student.edit();
    std::int64_t total = 0;
    for (const char* column : {"win_cj", "select_cj", "dz_cj", "word_cj"}) total += student.field(column).asInteger();
    student.field("kscj").setInteger(total);
    student.post();
}

}  // namespace kavlor
