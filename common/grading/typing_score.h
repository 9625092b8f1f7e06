#pragma once
// The typing part's score, as the typing screen stores it at "存盘退出" and
// as re-grading computes it again from the model and the typed lines.
#include <optional>
#include <string>
#include <vector>

namespace kav::typing {

constexpr int kLinesPerPage = 7;

// The typing score: 20 minus one point for every three model characters not
// typed correctly, never below 0 (and never above 20).
int typingScore(int totalCharacters, int rightCharacters);

// Fills the last page of the model lines with copies of the first lines, in
// order (a copy may itself be copied when the text is shorter than the
// missing lines): the screen shows whole pages and counts them all.
void fillLastPage(std::vector<std::string>& modelLines);

// The score of the typed lines (GBK, as the typed-text file holds them)
// against the model lines (GBK, as read from the typing text file), counted
// as the screen counts them: the last page filled, every model character in
// the total, a missing typed line untyped. nullopt when not one cell was
// typed: the screen then stores no score (the candidate's stays 0).
std::optional<int> scoreTypedLines(std::vector<std::string> modelLines, const std::vector<std::string>& typedLines);

}  // namespace kav::typing
