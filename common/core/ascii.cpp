#include "common/core/ascii.h"

#include <algorithm>

namespace kav {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string text) {
    for (char& c : text) c = lowerAscii(c);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace kav
