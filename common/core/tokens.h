#pragma once
// Lists kept as one text whose tokens are separated by single characters
// (answer lists and drawn positions by spaces, the update list by "*").
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kav {

// Splits at every separator: n separators give n + 1 tokens, two adjacent
// separators give an empty token, and an empty text gives one empty token.
std::vector<std::string_view> splitTokens(std::string_view text, char separator = ' ');
// A stored list: an empty text holds no token, and a separator at the end
// closes the last token instead of opening an empty one ("a b " is a, b).
std::vector<std::string_view> splitStoredList(std::string_view text, char separator = ' ');
// The tokens with one separator between each two.
std::string joinTokens(std::span<const std::string> tokens, char separator = ' ');

// A text kept on one line between tabs: backslash, tab, line feed and carriage
// return written as \\, \t, \n and \r. unescapeLine throws std::runtime_error
// on a lone backslash at the end or an unknown escape.
std::string escapeLine(std::string_view text);
std::string unescapeLine(std::string_view text);

}  // namespace kav
