#pragma once
// The choice part's grade: the thirty drawn questions' keys against the
// candidate's answers, as the exam window, the screen's self-check and
// re-grading on the teacher's side all count it.
#include <array>
#include <string>
#include <string_view>

namespace kav::choice {

constexpr int kQuestions = 30;

// Lower-case answer letters "a"–"d", "*" for unanswered (or "" after a later
// login whose record held no answer), indexed by question number − 1.
using AnswerList = std::array<std::string, kQuestions>;

// Splits a stored list at single spaces: two adjacent spaces give an empty
// token, an empty text gives no token. Tokens beyond the thirtieth are dropped;
// missing ones stay empty.
AnswerList splitList(std::string_view text);
// The thirty entries joined with single spaces (the format of sel_arr3).
std::string joinList(const AnswerList& list);

// One point per exact match, and for every other question, in ascending
// order, its number, its correct letter and one space ("3b 17a ").
struct Grade {
    int count = 0;
    std::string wrongList;
};
Grade grade(const AnswerList& correct, const AnswerList& given);

}  // namespace kav::choice
