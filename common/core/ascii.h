#pragma once
// ASCII letter case: names, fields and words that compare without regard to
// case (column and table names, connection fields, yes/no words, file names).
// Bytes outside A-Z and a-z, UTF-8 ones included, compare as they are.
#include <string>
#include <string_view>

namespace kav {

char lowerAscii(char c);
std::string lowerAscii(std::string text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kav
