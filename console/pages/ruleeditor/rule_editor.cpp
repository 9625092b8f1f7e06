#include "console/pages/ruleeditor/rule_editor.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "common/answer/answer_text.h"
#include "console/pages/ruleeditor/texts.h"

namespace kav::ruleeditor {

using ui::MessageKind;

RuleEditor::RuleEditor(ui::Dialogs& dialogs, AnswerStore& store, std::filesystem::path grader,
                       word::GraderLimits limits)
    : dialogs_(dialogs), store_(store), grader_(std::move(grader)), limits_(limits) {}
RuleEditor::~RuleEditor() = default;

void RuleEditor::FormShow() {
    parts_.clear();
    for (const answer::AnswerPart& part : answer::parseAnswerText(store_.storedAnswer())) {
        parts_.emplace_back();
        for (const answer::AnswerRule& rule : part.rules) parts_.back().push_back(rule.text);
    }
    partEnded_ = false;
    editing_.reset();
    stored_ = text();
    sheet_.clear();
    readings_.clear();
    kept_.clear();
}

std::string RuleEditor::text() const {
    std::size_t count = parts_.size();
    while (count > 0 && parts_[count - 1].empty()) --count;  // a part whose only rule is on the sheet
    std::string out;
    for (std::size_t p = 0; p < count; ++p) {
        if (p > 0) out += "**";
        for (std::size_t r = 0; r < parts_[p].size(); ++r) out += (r > 0 ? "*" : "") + parts_[p][r];
    }
    return out;
}

std::vector<RuleEditor::Line> RuleEditor::lines() const {
    std::vector<Line> out;
    for (std::size_t p = 0; p < parts_.size(); ++p)
        for (const std::string& rule : parts_[p]) out.push_back({static_cast<int>(p + 1), rule, answer::describeRule(rule)});
    return out;
}

namespace {
long long totalOf(const std::string& text) {
    long long total = 0;
    for (const answer::AnswerPart& part : answer::parseAnswerText(text))
        for (const answer::AnswerRule& rule : part.rules) total += answer::describeRule(rule.text).score;
    return total;
}

std::vector<std::string> rulesOf(const std::string& text) {
    std::vector<std::string> rules;
    for (const answer::AnswerPart& part : answer::parseAnswerText(text))
        for (const answer::AnswerRule& rule : part.rules) rules.push_back(rule.text);
    std::sort(rules.begin(), rules.end());
    return rules;
}

// At most this many rules are named in each list of the change summary.
constexpr std::size_t kNamedRules = 8;

std::string ruleList(const char* what, const std::vector<std::string>& rules) {
    if (rules.empty()) return {};
    std::string out = std::string(what) + " " + std::to_string(rules.size()) + " 条：\n";
    for (std::size_t i = 0; i < rules.size() && i < kNamedRules; ++i) out += "    " + answer::describeRule(rules[i]).text + "\n";
    if (rules.size() > kNamedRules) out += "    ……\n";
    return out;
}
}  // namespace

long long RuleEditor::total() const { return totalOf(text()); }

std::string RuleEditor::changeSummary() const {
    const std::vector<std::string> before = rulesOf(stored_), after = rulesOf(text());
    std::vector<std::string> added, removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(removed));
    std::string out = ruleList("新增", added) + ruleList("删除", removed);
    if (added.empty() && removed.empty()) out += "规则没有增删，只改了顺序或分题。\n";
    return out + "总分：" + std::to_string(totalOf(stored_)) + " 分 → " + std::to_string(total()) + " 分（满分 " +
           std::to_string(answer::kWordFullMarks) + " 分）";
}

std::pair<std::size_t, std::size_t> RuleEditor::place(std::size_t line) const {
    for (std::size_t p = 0; p < parts_.size(); ++p) {
        if (line < parts_[p].size()) return {p, line};
        line -= parts_[p].size();
    }
    return {parts_.size(), 0};
}

bool RuleEditor::removeRule(std::size_t line) {
    auto [p, r] = place(line);
    if (p >= parts_.size()) return false;
    parts_[p].erase(parts_[p].begin() + static_cast<std::ptrdiff_t>(r));
    if (parts_[p].empty() && !(editing_ && editing_->first == p)) parts_.erase(parts_.begin() + static_cast<std::ptrdiff_t>(p));
    return true;
}

bool RuleEditor::editRule(std::size_t line) {
    auto [p, r] = place(line);
    if (p >= parts_.size()) return false;
    if (!sheet_.filledKinds().empty() || editing_) {
        refuse(std::string(kSheetBusy));
        return false;
    }
    const answer::RuleLine shown = answer::describeRule(parts_[p][r]);
    if (!shown.readable()) {
        refuse(std::string(kCannotEdit) + shown.problem);
        return false;
    }
    const std::vector<std::string> fields = answer::splitFields(parts_[p][r]);
    const answer::RuleKind& kind = *answer::findRuleKind(*answer::parseWholeNumber(fields[0]));
    sheet_.clear();
    sheet_.setScore(fields[1]);
    const std::span<const PositionBox> boxes = boxesOf(kind).positionBoxes;
    for (std::size_t i = 0; i < boxes.size(); ++i) sheet_.setPosition(boxes[i], fields[2 + i]);
    switch (boxEncoding(kind)) {
    case BoxEncoding::Tick: sheet_.setTicked(kind.number, true); break;
    case BoxEncoding::Position: sheet_.setValue(kind.number, fields[2]); break;
    default: sheet_.setValue(kind.number, fields[kind.valueField() - 1]);
    }
    parts_[p].erase(parts_[p].begin() + static_cast<std::ptrdiff_t>(r));
    editing_ = {p, r};
    return true;
}

void RuleEditor::refuse(const std::string& text) { dialogs_.message(MessageKind::Warning, text); }

void RuleEditor::addRule(const std::string& rule, bool endsPart) {
    if (editing_) {
        auto [p, r] = *editing_;
        parts_[p].insert(parts_[p].begin() + static_cast<std::ptrdiff_t>(r), rule);
        editing_.reset();
        return;
    }
    if (parts_.empty() || partEnded_) parts_.emplace_back();
    parts_.back().push_back(rule);
    partEnded_ = endsPart;
}

void RuleEditor::dropEditing() {
    if (!editing_) return;
    if (parts_[editing_->first].empty()) parts_.erase(parts_.begin() + static_cast<std::ptrdiff_t>(editing_->first));
    editing_.reset();
}

bool RuleEditor::appendRule(bool endsPart) {
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
    addRule(rule.rule, endsPart);
    sheet_.clear();
    readings_.clear();
    kept_.clear();
    return true;
}

bool RuleEditor::BitBtn3Click() {
    if (!sheet_.filledKinds().empty()) return appendRule(true);
    if (!parts_.empty() && !parts_.back().empty()) partEnded_ = true;
    sheet_.clear();
    return true;
}

bool RuleEditor::BitBtn2Click() {
    if (!store_.hasCurrentQuestion()) {
        refuse(std::string(kNoCurrentQuestion));
        return false;
    }
    if (!sheet_.filledKinds().empty() && !appendRule(false)) return false;
    dropEditing();
    if (!changed()) return true;
    if (text().empty()) {
        refuse(std::string(kNothingToStore));
        return false;
    }
    const std::string question = changeSummary() + "\n\n" + std::string(kConfirmStore);
    if (dialogs_.message(MessageKind::Question, question, ui::Buttons::OkCancel) != ui::Answer::Ok) return false;
    if (!store_.store(text())) return false;
    stored_ = text();
    return true;
}

bool RuleEditor::FormCloseQuery() {
    if (!changed() && !editing_) return true;
    return dialogs_.message(MessageKind::Warning, std::string(kCloseUnstored), ui::Buttons::OkNo) == ui::Answer::Ok;
}

std::optional<std::filesystem::path> RuleEditor::modelToRead() {
    if (modelPath_) return modelPath_;
    return dialogs_.openFile(std::string(kModelCaption), std::string(kModelFilter));
}

void RuleEditor::modelUnreadable(const std::string& reason) {
    modelPath_.reset();
    dialogs_.message(MessageKind::Error, "样稿读不出来：" + reason);
}

bool RuleEditor::BitBtn4Click() {
    const auto path = modelToRead();
    if (!path) return false;
    readings_.clear();
    kept_.clear();
    // Kinds whose typed positions the sheet refuses are not sent to be read.
    std::map<int, std::string> refused;
    std::vector<word::ValueRequest> requests;
    for (const answer::RuleKind& kind : answer::allRuleKinds()) {
        std::vector<std::string> positions = sheet_.positionsOf(kind);
        bool allTyped = std::all_of(positions.begin(), positions.end(), [](auto& p) { return !p.empty(); });
        if (!allTyped) continue;
        if (auto problem = sheet_.positionsProblem(kind)) refused[kind.number] = *problem;
        else requests.push_back({kind.number, std::move(positions)});
    }
    const word::ModelValues values = word::readModelValuesIsolated(grader_, *path, requests, limits_);
    if (values.readError) {
        modelUnreadable(*values.readError);
        return false;
    }
    modelPath_ = path;
    for (auto& [kind, problem] : refused) readings_[kind] = {{}, problem};
    for (std::size_t i = 0; i < requests.size(); ++i) readings_[requests[i].kind] = values.readings[i];
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
    for (const std::string& rule : rules) addRule(rule, false);
    sheet_.clear();
    readings_.clear();
    kept_.clear();
    return true;
}

std::optional<word::WordGrade> RuleEditor::BitBtn6Click() {
    const std::string answerText = text();
    if (answerText.empty()) {
        refuse(std::string(kNothingToTry));
        return std::nullopt;
    }
    const auto path = modelToRead();
    if (!path) return std::nullopt;
    word::WordGrade grade = word::gradeWordTaskIsolated(grader_, *path, answerText, limits_);
    if (grade.readError) {
        std::string_view reason = *grade.readError;
        if (reason.starts_with(word::kUngradable)) reason.remove_prefix(word::kUngradable.size());
        modelUnreadable(std::string(reason));
        return std::nullopt;
    }
    modelPath_ = path;
    dialogs_.message(MessageKind::Information, trialReport(grade));
    return grade;
}

namespace {
// The value a rule's check read, list values by their names.
std::string observed(const word::RuleResult& r) {
    auto number = answer::parseWholeNumber(r.kind);
    const answer::RuleKind* kind = number ? answer::findRuleKind(*number) : nullptr;
    return kind ? answer::observedName(*kind, r.observed) : r.observed;
}
}  // namespace

std::string RuleEditor::trialReport(const word::WordGrade& grade) {
    std::string report;
    long long full = 0;
    for (const word::RuleResult& r : grade.rules) {
        auto fields = answer::splitFields(r.ruleText);
        long long score = fields.size() > 1 ? answer::parseWholeNumber(fields[1]).value_or(0) : 0;
        full += score;
        report += "第" + std::to_string(r.part) + "题第" + std::to_string(r.index) + "条 " + r.ruleText + "：" +
                  (r.passed ? "得分 " : "不得分 ") + std::to_string(r.earned) + "/" + std::to_string(score) +
                  "，读到 " + observed(r) + "\n";
    }
    return report + "样稿得分 " + std::to_string(grade.total) + "，满分 " + std::to_string(full);
}

}  // namespace kav::ruleeditor
