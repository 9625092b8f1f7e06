#pragma once
// The content of the demo lab: a question bank as a teacher would write it
// (choice questions, Windows-operation tasks, Word tasks, typing texts) and a
// roster of fifty candidates. The texts live in demo_bank.cpp.
#include <cstdint>
#include <string>
#include <vector>

namespace kav::demo {

// A picture drawn for a choice question (see demo_pictures.cpp).
enum class Picture { None, StarTopology, BusTopology, RingTopology, TreeTopology, PieChart };

struct ChoiceQuestion {
    std::string question;
    std::string a, b, c, d;
    char correct;  // 'a'..'d'
    Picture picture = Picture::None;
};

// A file that the Windows tasks copy from the program folder's file\ subfolder.
struct SourceFile {
    std::string name;
    std::string content;
    bool readOnly = false;
};

struct WinTask {
    std::string question1;  // the task as the candidate reads it
    std::string question2;  // folders to create and files to copy
    std::string answer;     // the grading items
};

struct WordTask {
    std::string question;  // the task as the candidate reads it
    std::string answer;    // the answer rules
    std::string fileName;  // the document in word\ (made by make_word_documents.py)
};

struct Candidate {
    std::string zkzh, name, password;
};

const std::vector<ChoiceQuestion>& choiceQuestions();
const std::vector<WinTask>& winTasks();
const std::vector<SourceFile>& sourceFiles();
const std::vector<WordTask>& wordTasks();
// Each typing text as continuous prose of double-byte characters; the lab
// writes it in lines of at most kTypingLineChars characters.
const std::vector<std::string>& typingTexts();
constexpr std::size_t kTypingLineChars = 28;
// 110199990001 ... 110199990050.
std::vector<Candidate> roster();

}  // namespace kav::demo
