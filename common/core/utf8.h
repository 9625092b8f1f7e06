#pragma once
// Stepping through UTF-8 text one character (Unicode code point) at a time.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kav {

// The character that starts at byte `at`, moving `at` past it. Returns nothing
// and leaves `at` alone when the bytes there are no valid UTF-8 character: a
// stray or missing continuation byte, a sequence cut short by the end of the
// text, an overlong form, a surrogate or a value above U+10FFFF.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at);
// The number of characters of a UTF-8 text; -1 when it is not valid UTF-8.
long utf8Length(std::string_view text);
// Where the character that ends just before byte `end` starts (0 at the start).
std::size_t previousCharacterStart(std::string_view text, std::size_t end);
// Appends one character (at most U+10FFFF) in UTF-8.
void appendUtf8(std::string& out, char32_t c);

}  // namespace kav
