#pragma once
// Positions (0-based, in table order) of the columns that the programs read
// and write by number rather than by name.
namespace kav::db::col {

inline constexpr int student_havelogined = 5;
inline constexpr int student_win_cj = 7;
inline constexpr int student_select_cj = 8;

inline constexpr int win_question1 = 1;
inline constexpr int win_question2 = 2;
inline constexpr int win_answer = 3;

inline constexpr int selecttest_correct_sel = 6;

inline constexpr int word_question = 1;

// ct (condition has the same columns).
inline constexpr int ct_win_condiction = 5;

}  // namespace kav::db::col
