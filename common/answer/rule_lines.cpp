#include "common/answer/rule_lines.h"

#include <map>

#include "common/answer/answer_text.h"

namespace kav::answer {
namespace {

// The Chinese names of the entries a teacher meets most: the colours and the "automatic" of every list.
std::string_view chineseName(std::string_view english) {
    static const std::map<std::string_view, std::string_view> names = {
        {"Automatic", "自动"}, {"Auto", "自动"},        {"None", "无"},         {"Black", "黑色"},
        {"Blue", "蓝色"},      {"Turquoise", "青绿"},   {"BrightGreen", "鲜绿"}, {"Pink", "粉红"},
        {"Red", "红色"},       {"Yellow", "黄色"},      {"White", "白色"},      {"DarkBlue", "深蓝"},
        {"Teal", "青色"},      {"Green", "绿色"},       {"Violet", "紫罗兰"},   {"DarkRed", "深红"},
        {"DarkYellow", "深黄"}, {"Brown", "褐色"},      {"OliveGreen", "橄榄绿"}, {"DarkGreen", "深绿"},
        {"DarkTeal", "深青"},  {"Indigo", "靛蓝"},      {"Orange", "橙色"},     {"BlueGray", "蓝灰"},
        {"LightOrange", "浅橙"}, {"Lime", "酸橙"},      {"SeaGreen", "海绿"},   {"Aqua", "水绿"},
        {"LightBlue", "浅蓝"}, {"Gold", "金色"},        {"SkyBlue", "天蓝"},    {"Plum", "梅红"},
        {"Rose", "玫瑰红"},    {"Tan", "茶色"},         {"LightYellow", "浅黄"}, {"LightGreen", "浅绿"},
        {"LightTurquoise", "浅青绿"}, {"PaleBlue", "淡蓝"}, {"Lavender", "淡紫"}, {"Gray25", "灰色-25%"},
        {"Gray50", "灰色-50%"}, {"Gray80", "灰色-80%"},
    };
    auto it = names.find(english);
    return it == names.end() ? std::string_view{} : it->second;
}

std::string named(const ListEntry& entry) {
    std::string text(entry.text);
    if (auto chinese = chineseName(entry.text); !chinese.empty()) text += "（" + std::string(chinese) + "）";
    return text;
}

std::string positionText(Position p, const std::string& field) {
    const std::string n = field == "first" ? "第一" : field == "last" ? "最后一" : "第" + field;
    switch (p) {
    case Position::Character: return n + "个字符";
    case Position::Sentence: return n + "句";
    case Position::Paragraph: return n + "段";
    case Position::Side: return "边框" + field;
    case Position::Shape: return n + "个图形";
    case Position::HeaderFooter: return field == "1" ? "一般页眉页脚" : field == "2" ? "首页页眉页脚" : "偶数页页眉页脚";
    case Position::Table: return n + "个表格";
    case Position::Row: return n + "行";
    case Position::Column: return n + "列";
    case Position::Find: return field == "0" ? "须找到" : "须找不到";
    }
    return field;
}

std::string valueText(const RuleKind& kind, const std::string& field) {
    switch (kind.value) {
    case ValueType::ListEntry: return entryName(*kind.list, field);
    case ValueType::Points: return field + "磅";
    case ValueType::Content:
    case ValueType::FontName: return "“" + field + "”";
    default: return field;
    }
}

// Why the fields cannot stand as a rule, or "".
std::string problemOf(const AnswerRule& rule, const RuleKind* kind) {
    if (rule.fields.empty()) return "空的一条（连着的*）";
    if (!kind) return "没有第" + rule.field(1) + "种规则";
    if (rule.fields.size() != kind->fieldCount())
        return "这种规则应有" + std::to_string(kind->fieldCount()) + "项，这里有" + std::to_string(rule.fields.size()) +
               "项";
    auto score = parseWholeNumber(rule.field(2));
    if (!score || *score < 0) return "分数“" + rule.field(2) + "”不是整数";
    for (std::size_t i = 0; i < kind->positions.size(); ++i)
        if (auto p = positionProblem(*kind, kind->positions[i], rule.field(3 + i))) return *p;
    if (kind->value != ValueType::None)
        if (auto p = valueProblem(*kind, rule.field(kind->valueField()))) return *p;
    return {};
}

}  // namespace

std::string entryName(ListId list, std::string_view entry) {
    auto n = parseWholeNumber(entry);
    const ValueList& values = valueList(list);
    if (!n || *n < 0 || *n >= values.size()) return std::string(entry);
    return named(values.entries()[static_cast<std::size_t>(*n)]);
}

std::string observedName(const RuleKind& kind, std::string_view observed) {
    auto word = parseWholeNumber(observed);
    if (kind.value != ValueType::ListEntry || !word) return std::string(observed);
    for (const ListEntry& e : valueList(*kind.list).entries())
        if (e.wordValue == *word) return named(e);
    return std::string(observed);
}

RuleLine describeRule(std::string_view ruleText) {
    AnswerRule rule;
    rule.text = std::string(ruleText);
    if (!ruleText.empty()) rule.fields = splitFields(ruleText);
    const auto number = parseWholeNumber(rule.field(1));
    const RuleKind* kind = number ? findRuleKind(*number) : nullptr;
    RuleLine line;
    line.score = parseWholeNumber(rule.field(2)).value_or(0);
    line.problem = problemOf(rule, kind);
    if (!line.readable()) {
        line.text = rule.text;
        return line;
    }
    line.text = std::string(kind->group) + std::string(kind->label == kind->group ? "" : kind->label);
    for (std::size_t i = 0; i < kind->positions.size(); ++i)
        line.text += " " + positionText(kind->positions[i], rule.field(3 + i));
    if (kind->value != ValueType::None) line.text += " " + valueText(*kind, rule.field(kind->valueField()));
    line.text += " " + rule.field(2) + "分";
    return line;
}

}  // namespace kav::answer
