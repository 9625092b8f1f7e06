#include "common/core/tokens.h"

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

}  // namespace kav
