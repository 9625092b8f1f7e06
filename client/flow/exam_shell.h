#pragma once
// The exam window TForm5: what to do for each question kind, the candidate
// folder, the clock, and the menu with the answering screens and the graders.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client/screens/choice/choice_screen.h"

namespace kavlor {

class Client;

// The two answer arrays of the choice screen, questions 1..30 at indexes 0..29.
struct ChoiceAnswers {
    kav::choice::AnswerList correct;  // sel_correct
    kav::choice::AnswerList given;    // sel_given: a-d, "*" unanswered
};

class ExamShell {
public:
    explicit ExamShell(Client& client);  // reads winno and wordno of the current ct row

    void Button1Click();  // Word题: the task, and its document opened in the office program
    void Button2Click();  // the candidate folder, shown in the file manager
    void Button3Click();  // Win操作
    void Button4Click();  // 选择题
    void Button5Click();  // 录入题
    void N5Click();       // grade the choice answers
    void N8Click();       // 版本
    void N9Click();       // grade all four and store the total
    void N10Click();      // the typing score
    void WIN1Click();     // grade the Windows task
    void Word2Click();    // grade the Word task
    // Why the Word task earned nothing at the last grading without reports
    // (the document missing or unreadable), once: the hand-in and collection
    // tell the candidate after the scores are reported, so no box holds the
    // report back.
    std::optional<std::string> takeWordProblem() { return std::exchange(wordProblem_, std::nullopt); }

    // The answers of the choice screen, set when the screen is created; until
    // then the answers stored in the exam record (sel_arr2, sel_arr3) are
    // graded (the screen stores each answer there as it is given).
    std::function<ChoiceAnswers()> choiceAnswers;
    // The typing screen's save, set once the screen exists: run before the
    // grading of a hand-in or collection, so that the typing score reported
    // is that of the typed text.
    std::function<void()> saveTyping;
    // Shows the candidate's file manager over the (existing) candidate folder;
    // set by the exam window.
    std::function<void(const std::filesystem::path&)> showFolder;

    // Opens a document in the office program found on the station (see
    // kav::platform::officeCommand); says so in Chinese when there is none
    // or it cannot be started.
    void openDocument(const std::filesystem::path& document);

    // Reports of the graders go to the candidate only while N4 is enabled.
    bool gradingReports() const { return N4Enabled; }
    ChoiceAnswers answersFromRecord();

    // The candidate's folder as the exam names it, "c:\kavlor\" + the folder
    // name of the admission number: the one place the graders and the folder
    // button find it.
    std::string candidateFolder() const;
    std::string folderCaption() const { return "考生文件夹:" + candidateFolder(); }  // the folder button
    std::vector<std::string> Memo1;
    std::string BitBtn1;  // the clock
    bool N4Enabled = false;
    bool visible = false;
    int winno = 0, wordno = 0;

private:
    Client& client_;
    std::optional<std::string> wordProblem_;
};

}  // namespace kavlor
