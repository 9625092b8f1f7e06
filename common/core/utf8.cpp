#include "common/core/utf8.h"

#include <cstdint>

namespace kav {

std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    // The smallest character each length may carry; anything below is overlong.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (at >= text.size()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[at]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || text.size() - at <= static_cast<std::size_t>(extra)) return std::nullopt;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(text[at + k]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    at += 1 + extra;
    return cp;
}

long utf8Length(std::string_view text) {
    long count = 0;
    for (std::size_t at = 0; at < text.size(); ++count)
        if (!nextCodePoint(text, at)) return -1;
    return count;
}

std::size_t previousCharacterStart(std::string_view text, std::size_t end) {
    if (end == 0) return 0;
    std::size_t i = end - 1;
    while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    return i;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace kav
