#pragma once
// The Windows-operation task: preparing the candidate folder from a task's
// `question2` and grading the folder against its `answer`.
//
// How the client calls it:
//
//   * Exam start, first login only, after the candidate folder exists
//     (toolbar creation):
//         kav::wintask::prepareCandidateFolder("c:\\kavlor\\11010001",
//                                              winRow.question2, programFolder);
//     It throws kav::wintask::PrepareError ("Cannot create c:\kavlor\11010001\TEST")
//     when a folder cannot be created, ("Cannot copy x.txt to c:\kavlor\11010001:
//     No space left on device") when a copy fails; the toolbar then stops its
//     start-up.
//
//   * WIN1Click (menu "Win题(&N)") and the first step of "全部评分(&A)":
//         auto g = kav::wintask::gradeWinTask("c:\\kavlor\\11010001", winRow.answer,
//                                             N4->isEnabled(), dialogs);
//         ct["win_condiction"] = g.storedText;   post
//         student["win_cj"]    = g.score;        post
//     The message box "Win题得分:..." is shown only when gradingMenuEnabled is
//     true (practice mode). Grading never throws for a bad answer text.
//
// The candidate folder is passed as the system writes it ("c:\kavlor\" + the
// candidate folder name); it is resolved through kav::platform::resolve and
// appears exactly so in the error lines ("2、缺文件：c:\kavlor\11010001\TEST\A.TXT").
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/grading/wintask_grading.h"
#include "common/ui/dialogs.h"

namespace kav::wintask {

// A folder of question2 could not be created; what() is
// "Cannot create " + candidate folder + "\" + token.
class PrepareError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Splits question2 at single spaces and, token by token: creates a folder
// ("A", then "A\B"), copies programFolder/file/name into the candidate folder
// ("x.txt*") or into one of its folders ("y.txt*A\B"). Never overwrites a file.
// Pass::RefillEmptyCopies (a resumed exam) makes nothing and only copies again
// a file that is empty where its source is not (a copy a full drive cut short):
// what the candidate deleted stays deleted. A missing source or target folder is skipped;
// a folder that cannot be made or a copy that fails throws PrepareError naming
// it, after taking away what this call made. Returns what it made, in order.
enum class Pass { Make, RefillEmptyCopies };
std::vector<std::filesystem::path> prepareCandidateFolder(std::string_view candidateFolder,
                                                          std::string_view question2,
                                                          const std::filesystem::path& programFolder,
                                                          Pass pass = Pass::Make);

// The text of the practice-mode box: "Win题得分:" + score + CR + summary + CR + errorText.
std::string practiceMessage(const Grade& grade);

// Grades, and shows practiceMessage() in a plain message box when the exam
// window's grading menu is enabled. The caller stores the result.
Grade gradeWinTask(std::string_view candidateFolder, std::string_view answer, bool gradingMenuEnabled,
                   ui::Dialogs& dialogs);

}  // namespace kav::wintask
