#pragma once
// The exam window's Word grading: grades the candidate's saved .docx and
// records the Word score.
//
// How the exam window calls it (TForm5.Word2Click, and "全部评分(&A)"):
//
//   kav::word::WordTask task;
//   task.folder = candidateFolder();                 // "c:\kavlor\11010001"
//   task.documentName = word.field("filename_word").asString();  // the drawn word row
//   task.answerText = word.field("answer").asString();
//   task.gradingEnabled = N4->isEnabled();           // practice mode: the score is shown
//   task.resolvePath = [](std::string_view p) { return kav::platform::resolve(p); };
//   // student and ct are the cursors of the local stu.mdb, on the candidate's rows
//   kav::word::word2Click(task, dialogs, *ADOTable_student, *ADOTable_ct);
//
// The document is read from the saved file only; the candidate's editor is
// never touched, so whatever is not saved is not graded.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/db/database.h"
#include "common/ui/dialogs.h"
#include "common/word/grading.h"

namespace kav::word {

struct WordTask {
    std::string folder;         // the candidate folder as the exam names it, "c:\kavlor\11010001"
    std::string documentName;   // filename_word of the drawn task
    std::string answerText;     // answer of the drawn task
    bool gradingEnabled = false;  // the exam window's grading menu is enabled (practice mode)
    // Turns the folder path as shown ("c:\kavlor\...") into a path on this machine.
    std::function<std::filesystem::path(std::string_view)> resolvePath;
    // The grading program that grades the document in a process of its own
    // (common/word/isolated_grading.h); empty: graded in this process.
    std::filesystem::path grader;
};

// The whole of TForm5.Word2Click. In practice grading (gradingEnabled, the
// candidate asked for it): a missing file shows "Word答题文件:" + path +
// "不存在！不能评分！" and records nothing; otherwise grades, shows the reader's
// error when the file cannot be read (a document the grading program could
// not grade counts as unreadable, with "Word文档无法评分：" and the reason) and
// "Word题得分:" + total + result text. The exam's own grading (hand-in,
// collection) shows no box, since nobody need be at the station: a missing
// file earns 0, and the caller tells the candidate the readError once the
// scores are reported. Either way the grade is stored into word_cj of the current
// student row and word_result of the current ct row (edit, set, post).
// Returns the grade, or nullopt when nothing was recorded. A DbError of the
// cursors reaches the caller, as every database error does.
std::optional<WordGrade> word2Click(const WordTask& task, ui::Dialogs& dialogs, db::Cursor& student, db::Cursor& ct);

// Stores the grade into the current rows: student.word_cj, ct.word_result.
void storeWordGrade(const WordGrade& grade, db::Cursor& student, db::Cursor& ct);

}  // namespace kav::word
