#include "common/word/rule_reading.h"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "common/core/utf8.h"
#include "common/word/checks.h"

namespace kav::word {

using answer::ValueType;

std::string RuleReading::line() const {
    if (values.empty()) return "none: " + reason;
    std::string out;
    for (auto& v : values) out += (out.empty() ? "" : " ") + v;
    return out;
}

namespace {

struct Trial {
    std::optional<CheckOutcome> outcome;
    std::string error;  // the check's reason when it could not be carried out
};

// Runs the kind's check on the rule "kind 1 positions... value".
Trial tryValue(const Document& doc, const answer::RuleKind& kind, const std::vector<std::string>& positions,
               const std::optional<std::string>& value) {
    answer::AnswerRule rule;
    rule.fields = {std::to_string(kind.number), "1"};
    rule.fields.insert(rule.fields.end(), positions.begin(), positions.end());
    if (value) rule.fields.push_back(*value);
    try {
        return {runCheck(doc, kind.number, rule), {}};
    } catch (const CheckError& e) {
        return {std::nullopt, e.what()};
    }
}

bool passes(const Document& doc, const answer::RuleKind& kind, const std::vector<std::string>& positions,
            const std::string& value) {
    Trial t = tryValue(doc, kind, positions, value);
    return t.outcome && t.outcome->passed;
}

RuleReading none(std::string reason) { return {{}, std::move(reason)}; }

bool hasControlCharacter(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20) return true;
    return false;
}

// The whole number nearest to the check's observed value ("10.5" -> 11).
std::optional<std::string> nearestWhole(const std::string& observed) {
    char* end = nullptr;
    double v = std::strtod(observed.c_str(), &end);
    if (observed.empty() || *end != '\0' || !std::isfinite(v) || v == kUndefined) return std::nullopt;
    return std::to_string(std::llround(v));
}

// The texts the check may compare with: what it read, with its closing marks
// dropped, or with its last character dropped (a text box's last mark).
std::vector<std::string> textCandidates(const std::string& observed) {
    auto raw = fromVisibleText(observed);
    if (!raw) return {};
    std::vector<std::string> out = {*raw, withoutClosingMarks(*raw)};
    if (!raw->empty()) out.push_back(raw->substr(0, previousCharacterStart(*raw, raw->size())));
    return out;
}

// For a kind whose last field is a position, given the positions before it:
// every position of that collection where the property holds.
RuleReading everyPositionThatHolds(const Document& doc, const answer::RuleKind& kind,
                                   std::vector<std::string> positions) {
    const bool paragraphs = kind.positions.back() == answer::Position::Paragraph;
    const std::size_t count = paragraphs ? doc.paragraphs().size() : doc.shapes().size();
    const char* noun = paragraphs ? "段落" : "图形";
    RuleReading r;
    positions.emplace_back();
    for (std::size_t n = 1; n <= count; ++n) {
        positions.back() = std::to_string(n);
        Trial t = tryValue(doc, kind, positions, std::nullopt);
        if (t.outcome && t.outcome->passed) r.values.push_back(positions.back());
    }
    if (r.values.empty())
        r.reason = count == 0 ? std::string("文档中没有") + noun
                              : std::string("文档中没有一个") + noun + "有这项设置（共 " + std::to_string(count) + " 个）";
    return r;
}

}  // namespace

bool readsWithPositions(const answer::RuleKind& kind, std::size_t count) {
    return count == kind.positions.size() ||
           (kind.value == ValueType::None && !kind.positions.empty() && count + 1 == kind.positions.size());
}

RuleReading readRuleValue(const Document& doc, const answer::RuleKind& kind, const std::vector<std::string>& positions) {
    if (!readsWithPositions(kind, positions.size()))
        throw std::invalid_argument("第 " + std::to_string(kind.number) + " 种规则要 " +
                                    std::to_string(kind.positions.size()) + " 个位置");
    switch (kind.value) {
    case ValueType::None: {
        if (positions.size() < kind.positions.size()) return everyPositionThatHolds(doc, kind, positions);
        Trial t = tryValue(doc, kind, positions, std::nullopt);
        if (!t.outcome) return none(t.error);
        if (t.outcome->passed) return {{positions.back()}, {}};
        return none("文档中没有这项设置（读到 " + t.outcome->observed + "）");
    }
    case ValueType::ListEntry: {
        RuleReading r;
        std::string observed;
        const answer::ValueList& list = answer::valueList(*kind.list);
        for (int entry = 0; entry < list.size(); ++entry) {
            Trial t = tryValue(doc, kind, positions, std::to_string(entry));
            if (!t.outcome) return none(t.error);
            if (t.outcome->passed) r.values.push_back(std::to_string(entry));
            observed = t.outcome->observed;
        }
        if (r.values.empty()) r.reason = "文档中的值 " + observed + " 与列表中的任何一项都不相符";
        return r;
    }
    case ValueType::Points:
    case ValueType::Count: {
        Trial t = tryValue(doc, kind, positions, "0");
        if (!t.outcome) return none(t.error);
        if (t.outcome->passed) return {{"0"}, {}};
        auto candidate = nearestWhole(t.outcome->observed);
        if (candidate && passes(doc, kind, positions, *candidate)) return {{*candidate}, {}};
        return none("文档中的值 " + t.outcome->observed + " 不能写成整数");
    }
    case ValueType::Content:
    case ValueType::FontName: {
        if (kind.positions.front() == answer::Position::Find)
            return none("要查找的文字由出题人决定，不能从文档读出");
        Trial t = tryValue(doc, kind, positions, "");
        if (!t.outcome) return none(t.error);
        for (const std::string& candidate : textCandidates(t.outcome->observed)) {
            if (!passes(doc, kind, positions, candidate)) continue;
            if (candidate.empty()) return none("文档中的值为空或不一致");
            if (hasControlCharacter(candidate)) return none("文档中的值 " + t.outcome->observed + " 含有控制字符");
            if (answer::fieldTextProblem(candidate))
                return none("文档中的值 " + t.outcome->observed + " 含有空格或*，写不进规则");
            return {{candidate}, {}};
        }
        return none("文档中的值 " + t.outcome->observed + " 无法写成规则");
    }
    }
    return none("");
}

}  // namespace kav::word
