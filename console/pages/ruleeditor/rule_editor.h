#pragma once
// TForm3's logic: the teacher fills the sheet, appends one rule per press of
// "下一步" ("下一题" also ends the part) and stores the composed text with
// "完成". Every refusal keeps the sheet as it stands. From a solved model
// document the editor reads the value of every box at the typed positions
// ("从样稿读取"); the readings the teacher ticks become rules. "试评" grades
// the model document against the composed (or else the stored) answer.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/ui/dialogs.h"
#include "common/word/document.h"
#include "common/word/grading.h"
#include "common/word/rule_reading.h"
#include "console/pages/ruleeditor/answer_store.h"
#include "console/pages/ruleeditor/rule_sheet.h"

namespace kav::ruleeditor {

class RuleEditor {
public:
    RuleEditor(ui::Dialogs& dialogs, AnswerStore& store);
    ~RuleEditor();

    RuleSheet& sheet() { return sheet_; }
    const RuleSheet& sheet() const { return sheet_; }
    // The rules appended since the window was shown and not yet stored.
    const std::string& composed() const { return composed_; }

    // Window shown: nothing composed, the sheet and the readings cleared.
    void FormShow();
    // "下一步": appends the one filled rule with "*" and clears the sheet.
    bool BitBtn1Click() { return appendRule("*"); }
    // "下一题": as "下一步" with "**"; on an empty sheet it turns the last
    // rule's "*" into the part separator.
    bool BitBtn3Click();
    // "完成": as "下一题", then stores the text without its trailing "*" into
    // the current question. True when stored: the window then closes.
    bool BitBtn2Click();
    // The close box: true when the window may close (nothing unstored, or the
    // teacher confirms losing it).
    bool FormCloseQuery();

    // "从样稿读取": asks for the solved model document and reads the value of
    // every kind whose positions are filled. False when no document was read.
    bool BitBtn4Click();
    // The readings of the last "从样稿读取", by kind.
    const std::map<int, word::RuleReading>& readings() const { return readings_; }
    void setKept(int kind, bool kept);
    bool kept(int kind) const;
    // "采用勾选的样稿值": appends one rule per ticked reading that has a value,
    // with the score box's score and the reading's first value, in kind order.
    bool BitBtn5Click();
    // "试评": grades the model document (asked for when none is open) against
    // the composed text, or the stored answer when nothing is composed, and
    // shows every rule's outcome. nullopt when there was nothing to grade.
    std::optional<word::WordGrade> BitBtn6Click();
    const std::optional<std::filesystem::path>& modelDocument() const { return modelPath_; }

    // The trial's report: one line per rule, then the total against full marks.
    static std::string trialReport(const word::WordGrade& grade);

private:
    bool appendRule(const char* end);
    bool openModel();
    void refuse(const std::string& text);
    static std::string finishedText(std::string text);

    ui::Dialogs& dialogs_;
    AnswerStore& store_;
    RuleSheet sheet_;
    std::string composed_;
    std::optional<std::filesystem::path> modelPath_;
    std::unique_ptr<word::Document> model_;
    std::map<int, word::RuleReading> readings_;
    std::map<int, bool> kept_;
};

}  // namespace kav::ruleeditor
