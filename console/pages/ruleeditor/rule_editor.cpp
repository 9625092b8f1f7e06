#include "console/pages/ruleeditor/rule_editor.h"

#include <algorithm>

#include "common/answer/answer_text.h"
#include "console/pages/ruleeditor/texts.h"

namespace kav::ruleeditor {

using ui::MessageKind;

RuleEditor::RuleEditor(ui::Dialogs& dialogs, AnswerStore& store) : dialogs_(dialogs), store_(store) {}
RuleEditor::~RuleEditor() = default;

void RuleEditor::FormShow() {
    composed_.clear();
    sheet_.clear();
    readings_.clear();
    kept_.clear();
}

void RuleEditor::refuse(const std::string& text) { dialogs_.message(MessageKind::Warning, text); }

bool RuleEditor::appendRule(const char* end) {
    std::vector<int> filled = sheet_.filledKinds();
    if (filled.empty()) {
        sheet_.clear();
        return false;
    }
    if (filled.size() > 1) {
        std::string names;
        for (int k : filled) {
            const answer::RuleKind& kind = *answer::findRuleKind(k);
            names += (names.empty() ? "" : "、") + std::string(kind.group) + std::string(kind.label);
        }
        refuse(std::string(kTooManyValues) + names);
        return false;
    }
    RuleSheet::Composed rule = sheet_.compose(filled.front());
    if (rule.rule.empty()) {
        refuse(rule.problem);
        return false;
    }
    composed_ += rule.rule + end;
    sheet_.clear();
    readings_.clear();
    kept_.clear();
    return true;
}

bool RuleEditor::BitBtn3Click() {
    if (!sheet_.filledKinds().empty()) return appendRule("**");
    // The "*" that ended the last rule becomes the part separator; a part
    // already ended gets no third "*", which would begin an empty rule.
    bool partOpen = !composed_.empty() && composed_.back() == '*' && !composed_.ends_with("**");
    if (partOpen) composed_ += "*";
    sheet_.clear();
    return true;
}

std::string RuleEditor::finishedText(std::string text) {
    for (int i = 0; i < 3 && !text.empty() && text.back() == '*'; ++i) text.pop_back();
    return text;
}

bool RuleEditor::BitBtn2Click() {
    if (!store_.hasCurrentQuestion()) {
        refuse(std::string(kNoCurrentQuestion));
        return false;
    }
    if (!BitBtn3Click()) return false;
    std::string text = finishedText(composed_);
    if (text.empty()) {
        refuse(std::string(kNothingToStore));
        return false;
    }
    if (!store_.store(text)) return false;
    composed_.clear();
    return true;
}

bool RuleEditor::FormCloseQuery() {
    if (composed_.empty()) return true;
    return dialogs_.message(MessageKind::Warning, std::string(kCloseUnstored), ui::Buttons::OkNo) == ui::Answer::Ok;
}

bool RuleEditor::openModel() {
    auto path = dialogs_.openFile(std::string(kModelCaption), std::string(kModelFilter));
    if (!path) return false;
    try {
        model_ = word::Document::load(*path);
    } catch (const std::exception& e) {
        dialogs_.message(MessageKind::Error, "样稿读不出来：" + std::string(e.what()));
        return false;
    }
    modelPath_ = *path;
    return true;
}

bool RuleEditor::BitBtn4Click() {
    if (!model_ && !openModel()) return false;
    readings_.clear();
    kept_.clear();
    for (const answer::RuleKind& kind : answer::allRuleKinds()) {
        std::vector<std::string> positions = sheet_.positionsOf(kind);
        bool allTyped = std::all_of(positions.begin(), positions.end(), [](auto& p) { return !p.empty(); });
        if (!allTyped) continue;
        if (auto problem = sheet_.positionsProblem(kind)) readings_[kind.number] = {{}, *problem};
        else readings_[kind.number] = word::readRuleValue(*model_, kind, positions);
    }
    return true;
}

void RuleEditor::setKept(int kind, bool kept) { kept_[kind] = kept; }

bool RuleEditor::kept(int kind) const {
    auto it = kept_.find(kind);
    return it != kept_.end() && it->second;
}

bool RuleEditor::BitBtn5Click() {
    std::vector<std::string> rules;
    for (auto& [kind, reading] : readings_) {
        if (!kept(kind) || !reading.found()) continue;
        RuleSheet::Composed rule = sheet_.compose(kind, reading.values.front());
        if (rule.rule.empty()) {
            refuse(rule.problem);
            return false;
        }
        rules.push_back(rule.rule);
    }
    if (rules.empty()) {
        refuse(std::string(kNothingKept));
        return false;
    }
    for (const std::string& rule : rules) composed_ += rule + "*";
    sheet_.clear();
    readings_.clear();
    kept_.clear();
    return true;
}

std::optional<word::WordGrade> RuleEditor::BitBtn6Click() {
    std::string text = composed_.empty() ? store_.storedAnswer() : finishedText(composed_);
    if (text.empty()) {
        refuse(std::string(kNothingToTry));
        return std::nullopt;
    }
    if (!model_ && !openModel()) return std::nullopt;
    word::WordGrade grade = word::gradeAnswer(model_.get(), text);
    dialogs_.message(MessageKind::Information, trialReport(grade));
    return grade;
}

std::string RuleEditor::trialReport(const word::WordGrade& grade) {
    std::string report;
    long long full = 0;
    for (const word::RuleResult& r : grade.rules) {
        auto fields = answer::splitFields(r.ruleText);
        long long score = fields.size() > 1 ? answer::parseWholeNumber(fields[1]).value_or(0) : 0;
        full += score;
        report += "第" + std::to_string(r.part) + "题第" + std::to_string(r.index) + "条 " + r.ruleText + "：" +
                  (r.passed ? "得分 " : "不得分 ") + std::to_string(r.earned) + "/" + std::to_string(score) +
                  "，读到 " + r.observed + "\n";
    }
    return report + "样稿得分 " + std::to_string(grade.total) + "，满分 " + std::to_string(full);
}

}  // namespace kav::ruleeditor
