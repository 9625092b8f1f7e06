#include "common/core/tokens.h"

#include <stdexcept>

namespace kav {

std::vector<std::string_view> splitTokens(std::string_view text, char separator) {
    std::vector<std::string_view> tokens;
    for (;;) {
        const auto at = text.find(separator);
        tokens.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return tokens;
        text.remove_prefix(at + 1);
    }
}

std::vector<std::string_view> splitStoredList(std::string_view text, char separator) {
    auto tokens = splitTokens(text, separator);
    if (tokens.back().empty()) tokens.pop_back();
    return tokens;
}

std::string joinTokens(std::span<const std::string> tokens, char separator) {
    std::string text;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) text += separator;
        text += tokens[i];
    }
    return text;
}

std::string escapeLine(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string unescapeLine(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) throw std::runtime_error("a value ends in a lone backslash");
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: throw std::runtime_error(std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

}  // namespace kav
