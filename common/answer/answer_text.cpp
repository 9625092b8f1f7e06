#include "common/answer/answer_text.h"

#include <charconv>

#include "common/core/tokens.h"

namespace kav::answer {

const std::string& AnswerRule::field(std::size_t i) const {
    static const std::string empty;
    return i >= 1 && i <= fields.size() ? fields[i - 1] : empty;
}

std::vector<std::string> splitFields(std::string_view rule) {
    const auto tokens = splitTokens(rule);
    return {tokens.begin(), tokens.end()};
}

std::vector<AnswerPart> parseAnswerText(std::string_view text) {
    std::vector<AnswerPart> parts;
    while (!text.empty()) {
        auto sep = text.find("**");
        std::string_view partText = text.substr(0, sep);
        text = sep == std::string_view::npos ? std::string_view{} : text.substr(sep + 2);

        AnswerPart part;
        while (!partText.empty()) {
            auto star = partText.find('*');
            std::string_view ruleText = partText.substr(0, star);
            partText = star == std::string_view::npos ? std::string_view{} : partText.substr(star + 1);
            AnswerRule rule;
            rule.text = std::string(ruleText);
            if (!ruleText.empty()) rule.fields = splitFields(ruleText);
            part.rules.push_back(std::move(rule));
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

std::optional<std::int64_t> parseWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return value;
}

}  // namespace kav::answer
