#pragma once
// TForm3's logic: the editor opens on the stored answer, rule by rule, in its
// parts. The teacher fills the sheet and appends one rule per press of
// "下一步" ("下一题" also ends the part), takes a rule back onto the sheet to
// change it, or removes it; "完成" shows what changes and asks before it
// stores. A stored rule the editor cannot read stays as stored, with the
// reason shown. Every refusal keeps the sheet as it stands. From a solved model
// document the editor reads the value of every box at the typed positions
// ("从样稿读取"); the readings the teacher ticks become rules. "试评" grades
// the model document against the answer as edited. Both read the document in
// the Word grading program under its limits, so a document that would crash,
// stall or exhaust a reader costs a message and nothing else.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ui/dialogs.h"
#include "common/answer/rule_lines.h"
#include "common/word/grading.h"
#include "common/word/isolated_grading.h"
#include "common/word/rule_reading.h"
#include "console/pages/ruleeditor/answer_store.h"
#include "console/pages/ruleeditor/rule_sheet.h"

namespace kav::ruleeditor {

class RuleEditor {
public:
    RuleEditor(ui::Dialogs& dialogs, AnswerStore& store, std::filesystem::path grader = word::installedWordGrader(),
               word::GraderLimits limits = {});
    ~RuleEditor();

    RuleSheet& sheet() { return sheet_; }
    const RuleSheet& sheet() const { return sheet_; }
    // The answer text as "完成" would store it.
    std::string text() const;
    // The answer's rules in order, each with its part (1-based) and how it reads.
    struct Line {
        int part;
        std::string rule;
        answer::RuleLine shown;
    };
    std::vector<Line> lines() const;
    // The sum of the rules' scores.
    long long total() const;
    // The text differs from the stored answer.
    bool changed() const { return text() != stored_; }

    // Window shown: the stored answer loaded, the sheet and the readings cleared.
    void FormShow();
    // "删除此条": removes rule `line` (an index into lines()).
    bool removeRule(std::size_t line);
    // "修改此条": takes rule `line` onto the sheet; the next "下一步" puts the
    // changed rule back in its place. Refused for a rule the editor cannot read.
    bool editRule(std::size_t line);
    // The change "完成" would store: "新增…删除…总分由…变为…".
    std::string changeSummary() const;
    // "下一步": appends the one filled rule with "*" and clears the sheet.
    bool BitBtn1Click() { return appendRule(false); }
    // "下一题": as "下一步" with "**"; on an empty sheet it turns the last
    // rule's "*" into the part separator.
    bool BitBtn3Click();
    // "完成": appends a rule left on the sheet, shows what changes and asks,
    // then stores the text into the current question. True when the window
    // may close: stored, or nothing changed.
    bool BitBtn2Click();
    // The close box: true when the window may close (nothing unstored, or the
    // teacher confirms losing it).
    bool FormCloseQuery();

    // "从样稿读取": asks for the solved model document (once) and reads the
    // value of every kind whose positions are filled. False when no document
    // was read; a document that cannot be read is forgotten with a message.
    bool BitBtn4Click();
    // The readings of the last "从样稿读取", by kind.
    const std::map<int, word::RuleReading>& readings() const { return readings_; }
    void setKept(int kind, bool kept);
    bool kept(int kind) const;
    // "采用勾选的样稿值": appends one rule per ticked reading that has a value,
    // with the score box's score and the reading's first value, in kind order.
    bool BitBtn5Click();
    // "试评": grades the model document (asked for when none is open) against
    // the answer as edited and shows every rule's outcome. nullopt when there was nothing to grade.
    std::optional<word::WordGrade> BitBtn6Click();
    const std::optional<std::filesystem::path>& modelDocument() const { return modelPath_; }

    // The trial's report: one line per rule, then the total against full marks.
    static std::string trialReport(const word::WordGrade& grade);

private:
    bool appendRule(bool endsPart);
    void addRule(const std::string& rule, bool endsPart);
    // A rule taken onto the sheet and not put back is gone; so is its part when it was the only rule.
    void dropEditing();
    // The model document to read: the one read before, or the one the teacher picks.
    std::optional<std::filesystem::path> modelToRead();
    void modelUnreadable(const std::string& reason);
    void refuse(const std::string& text);
    std::pair<std::size_t, std::size_t> place(std::size_t line) const;

    ui::Dialogs& dialogs_;
    AnswerStore& store_;
    RuleSheet sheet_;
    // The answer as edited: the rule texts of each part, as stored until changed.
    std::vector<std::vector<std::string>> parts_;
    bool partEnded_ = false;  // the next rule begins a new part
    std::string stored_;      // the answer as it was when the window was shown
    // Where the rule taken onto the sheet by editRule() goes back.
    std::optional<std::pair<std::size_t, std::size_t>> editing_;
    std::filesystem::path grader_;
    word::GraderLimits limits_;
    std::optional<std::filesystem::path> modelPath_;  // read without fault
    std::map<int, word::RuleReading> readings_;
    std::map<int, bool> kept_;
};

}  // namespace kav::ruleeditor
