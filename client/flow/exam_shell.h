#pragma once
// The exam window TForm5: what to do for each question kind, the candidate
// folder, the clock, and the menu with the answering screens and the graders.
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kavlor {

class Client;

// The two answer arrays of the choice screen, questions 1..30 at indexes 0..29.
struct ChoiceAnswers {
    std::array<std::string, 30> correct;  // sel_correct
    std::array<std::string, 30> given;    // sel_given: a-d, "*" unanswered
};

class ExamShell {
public:
    explicit ExamShell(Client& client);  // reads winno and wordno of the current ct row

    void Button1Click();  // Word题
    void Button2Click();  // the candidate folder
    void Button3Click();  // Win操作
    void Button4Click();  // 选择题
    void Button5Click();  // 录入题
    void N5Click();       // grade the choice answers
    void N8Click();       // 版本
    void N9Click();       // grade all four and store the total
    void N10Click();      // the typing score
    void WIN1Click();     // grade the Windows task
    void Word2Click();    // grade the Word task

    // The graders and the choice screen that plug into the window. A grader
    // that is not set is left out of 全部评分.
    std::function<void()> winGrader;    // Windows task grading (WIN1Click)
    std::function<void()> wordGrader;   // Word grading (Word2Click)
    // The answers of the choice screen; until one is set, the answers stored
    // in the exam record (sel_arr2, sel_arr3) are graded.
    std::function<ChoiceAnswers()> choiceAnswers;

    // Reports of the graders go to the candidate only while N4 is enabled.
    bool gradingReports() const { return N4Enabled; }
    ChoiceAnswers answersFromRecord();

    std::string Button2Caption;  // "考生文件夹:c:\kavlor\" + folder name
    std::vector<std::string> Memo1;
    std::string BitBtn1;  // the clock
    bool N4Enabled = false;
    bool visible = false;
    int winno = 0, wordno = 0;

private:
    Client& client_;
};

}  // namespace kavlor
