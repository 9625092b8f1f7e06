#include "console/pages/ruleeditor/rule_sheet.h"

#include <algorithm>

#include "common/answer/answer_text.h"
#include "console/pages/ruleeditor/texts.h"

namespace kav::ruleeditor {

std::vector<int> RuleSheet::filledKinds() const {
    std::vector<int> kinds;
    for (int k = 1; k <= answer::kRuleKindCount; ++k)
        if (!value(k).empty()) kinds.push_back(k);
    return kinds;
}

void RuleSheet::clear() {
    positions_.fill({});
    values_.fill({});
    score_.clear();
}

std::vector<std::string> RuleSheet::positionsOf(const answer::RuleKind& kind) const {
    if (boxEncoding(kind) == BoxEncoding::Position) return {value(kind.number)};
    std::vector<std::string> out;
    for (PositionBox box : boxesOf(kind).positionBoxes) out.push_back(position(box));
    return out;
}

std::optional<std::string> RuleSheet::scoreProblem() const {
    if (score_.empty()) return std::string(kNoScore);
    auto score = answer::parseWholeNumber(score_);
    if (!score || *score < 0 || *score > kMaxScore) return std::string(kBadScore);
    return std::nullopt;
}

std::optional<std::string> RuleSheet::positionsProblem(const answer::RuleKind& kind) const {
    std::vector<std::string> texts = positionsOf(kind);
    std::string group(kind.group);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].empty()) return group + std::string(kNoPosition);
        if (auto problem = answer::positionProblem(kind, kind.positions[i], texts[i]))
            return group + *problem;
    }
    return std::nullopt;
}

RuleSheet::Composed RuleSheet::compose(int kindNumber, const std::optional<std::string>& value) const {
    const answer::RuleKind& kind = *answer::findRuleKind(kindNumber);
    if (auto problem = scoreProblem()) return {{}, *problem};
    if (auto problem = positionsProblem(kind)) return {{}, *problem};
    std::string rule = std::to_string(kind.number) + " " + score_;
    for (const std::string& p : positionsOf(kind)) rule += " " + p;
    if (kind.value != answer::ValueType::None) {
        std::string v = value.value_or(this->value(kindNumber));
        if (auto problem = answer::valueProblem(kind, v))
            return {{}, std::string(kind.group) + std::string(kind.label) + " " + *problem};
        rule += " " + v;
    }
    return {rule, {}};
}

std::vector<std::string> fontChoices(const std::vector<std::string>& installedFamilies) {
    std::vector<std::string> fonts = {"宋体", "黑体", "楷体", "仿宋", "隶书", "幼圆", "Arial"};
    for (const std::string& family : installedFamilies)
        if (!answer::fieldTextProblem(family) && std::find(fonts.begin(), fonts.end(), family) == fonts.end())
            fonts.push_back(family);
    return fonts;
}

}  // namespace kav::ruleeditor
