#include "client/flow/exam_shell.h"

#include <algorithm>

#include "client/flow/client.h"
#include "client/grading/wintask/wintask.h"
#include "client/grading/word/word_click.h"
#include "common/core/candidate.h"
#include "common/db/checked_values.h"
#include "common/db/columns.h"
#include "common/platform/office.h"
#include "common/platform/platform.h"

namespace kavlor {

namespace db = kav::db;
namespace col = kav::db::col;
using kav::ui::MessageKind;


ExamShell::ExamShell(Client& client) : client_(client) {
    db::Cursor& ct = client_.data().ADOTable_ct();
    winno = static_cast<int>(db::checkedInteger(ct, "winno"));
    wordno = static_cast<int>(db::checkedInteger(ct, "wordno"));
}

void ExamShell::Button3Click() {
    Memo1.clear();
    Memo1.push_back("请先单击按钮：“" + folderCaption() + "”即可进入考生文件夹，开始考试！");
    db::Cursor& win = client_.data().ADOTable_win();
    Memo1.push_back(gotoPosition(win, winno) ? win.field(col::win_question1).asString() : std::string());
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
    Memo1.push_back(drawn ? word.field(col::word_question).asString() : std::string());
    if (!drawn) return;
    const std::string name = word.field("filename_word").asString();
    const std::filesystem::path document =
        kav::platform::findIgnoringCase(kav::platform::resolve(candidateFolder()) / name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(document, ec))
        client_.dialogs().message(MessageKind::Warning, "考生文件夹中没有Word题文件" + name + "，请与监考老师联系！");
    else
        openDocument(document);
}

void ExamShell::openDocument(const std::filesystem::path& document) {
    const auto command = kav::platform::officeCommand(document, client_.programSearchPath());
    if (!command)
        client_.dialogs().message(MessageKind::Warning,
                                  "本机没有安装可以打开Word文档的办公软件（LibreOffice Writer或WPS文字），请与监考老师联系！");
    else if (!client_.desktop().start(command->program, command->arguments))
        client_.dialogs().message(MessageKind::Warning,
                                  "无法启动办公软件" + command->program.filename().string() + "，请与监考老师联系！");
}

// Shows the folder the button names in the candidate's file manager; says so
// when the folder is missing.
void ExamShell::Button2Click() {
    const std::filesystem::path folder = kav::platform::resolve(candidateFolder());
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        client_.dialogs().message(MessageKind::Warning, "考生文件夹" + candidateFolder() + "不存在，请与监考老师联系！");
    else if (showFolder)
        showFolder(folder);
}

void ExamShell::N8Click() { client_.dialogs().about("一级B模拟系统Kavlor V1.0"); }

std::string ExamShell::candidateFolder() const {
    return std::string(kav::platform::kCandidatesRoot) + "\\" + kav::candidateFolderName(client_.zkzh);
}

void ExamShell::WIN1Click() {
    DataModule& data = client_.data();
    db::Cursor& win = data.ADOTable_win();
    const std::string answer = gotoPosition(win, winno) ? win.field(col::win_answer).asString() : std::string();
    const auto grade = kav::wintask::gradeWinTask(candidateFolder(), answer, gradingReports(), client_.dialogs());
    db::Cursor& ct = data.ADOTable_ct();
    ct.edit();
    ct.field(col::ct_win_condiction).setString(grade.storedText);
    ct.post();
    db::Cursor& student = data.ADOTable_student();
    student.edit();
    student.field(col::student_win_cj).setInteger(grade.score);
    student.post();
}

void ExamShell::Word2Click() {
    DataModule& data = client_.data();
    db::Cursor& word = data.ADOTable_word();
    kav::word::WordTask task;
    task.folder = candidateFolder();
    if (gotoPosition(word, wordno)) {
        task.documentName = word.field("filename_word").asString();
        task.answerText = word.field("answer").asString();
    }
    task.gradingEnabled = gradingReports();
    task.resolvePath = [](std::string_view path) { return kav::platform::resolve(path); };
    task.grader = client_.wordGrader();
    const auto grade = kav::word::word2Click(task, client_.dialogs(), data.ADOTable_student(), data.ADOTable_ct());
    if (grade && grade->readError && !gradingReports()) wordProblem_ = grade->readError;
}

ChoiceAnswers ExamShell::answersFromRecord() {
    db::Cursor& ct = client_.data().ADOTable_ct();
    ChoiceAnswers answers;
    answers.correct = kav::choice::splitList(ct.field("sel_arr2").asString());
    const std::string given = ct.field("sel_arr3").asString();
    if (given.empty())
        answers.given.fill("*");  // nothing answered yet
    else
        answers.given = kav::choice::splitList(given);
    return answers;
}

void ExamShell::N5Click() {
    const ChoiceAnswers answers = choiceAnswers ? choiceAnswers() : answersFromRecord();
    const auto grade = kav::choice::grade(answers.correct, answers.given);
    if (gradingReports())
        client_.dialogs().message(MessageKind::Plain,
                                  "选择题得分:" + std::to_string(grade.count) + "\r答错题号及答案：" + grade.wrongList);
    db::Cursor& student = client_.data().ADOTable_student();
    student.edit();
    student.field(col::student_select_cj).setInteger(grade.count);
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
    // kscj is a small integer: a Word total near its top plus the other parts
    // would not fit, the post would fail and the report would be lost.
    student.field("kscj").setInteger(std::clamp<std::int64_t>(total, 0, kav::word::kMaxScore));
    student.post();
}

}  // namespace kavlor
