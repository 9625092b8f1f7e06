#pragma once
// Where the editor stores the answer text: the column `answer` of the current
// row of table `word`, through the question page's binding.
#include <string>

#include "console/base/binding/table_binding.h"

namespace kav::ruleeditor {

class AnswerStore {
public:
    virtual ~AnswerStore() = default;
    // There is a Word question to store the answer into.
    virtual bool hasCurrentQuestion() const = 0;
    virtual std::string storedAnswer() const = 0;
    // Replaces the stored answer; false when the store refused (and said why).
    virtual bool store(const std::string& answer) = 0;
};

class BindingAnswerStore : public AnswerStore {
public:
    explicit BindingAnswerStore(console::TableBinding& word) : word_(word) {}
    bool hasCurrentQuestion() const override { return word_.currentRow() > 0; }
    std::string storedAnswer() const override { return word_.text(answerColumn()); }
    // Sets `answer` and posts the row at once, as every console edit does.
    bool store(const std::string& answer) override;

private:
    int answerColumn() const { return word_.columnIndex("answer"); }
    console::TableBinding& word_;
};

// Whether the question page's "按此可修改答案" may open the editor.
inline bool ruleEditorAvailable(const console::TableBinding& word) { return word.currentRow() > 0; }

}  // namespace kav::ruleeditor
