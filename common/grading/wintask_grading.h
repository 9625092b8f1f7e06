#pragma once
// The Windows-operation task's grade: the candidate folder checked against the
// task's `answer`, as the exam window grades it and as re-grading on the
// teacher's side grades an unpacked copy of the folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace kav::wintask {

// Items are separated by "**", the checks of an item by "*"; a check is a code,
// one space and a path relative to the candidate folder. Codes: 5 file exists,
// 6 no file, 7 folder exists, 8 no folder, any other integer n: the attribute
// word of the path (kav::platform::fileAttributes) equals n; a missing path
// fails every attribute check. Names are found ignoring case, as on Windows.
// Line breaks around a check (an answer typed over several lines) are ignored.
// An item is worth 4 points when all its checks pass.
//
// A malformed check (no space, a code that is not a decimal integer, an empty
// check or an empty item) fails its item with the line
// n、"评分标准有误：" + the check + CR, and grading goes on. Only the first five
// items are graded; each further item adds the line
// n、"评分标准超过五项，此项不计分" + CR and scores nothing.
struct Grade {
    int score = 0;           // 0..20, stored in win_cj
    std::string storedText;  // stored in win_condiction: "好极了！全部答对！" or errorText
    std::string summary;     // "1、4 2、0 " or "无,太棒了！"
    std::string errorText;   // "错误：" CR, then the lines of the failed checks
    bool allPassed = true;
};

// candidateFolder is the folder as the system writes it ("c:\kavlor\11010001"),
// resolved through kav::platform::resolve.
Grade gradeCandidateFolder(std::string_view candidateFolder, std::string_view answer);
// The same for a folder that lies elsewhere on disk (an unpacked copy): the
// checks read diskFolder, the lines name shownFolder.
Grade gradeFolder(std::string_view shownFolder, const std::filesystem::path& diskFolder, std::string_view answer);

}  // namespace kav::wintask
