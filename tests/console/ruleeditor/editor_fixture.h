#pragma once
// A console lab with one Word question whose answer is "old", its binding and
// the editor over it.
#include <memory>

#include "console/pages/ruleeditor/answer_store.h"
#include "console/pages/ruleeditor/rule_editor.h"
#include "console/base/binding/table_binding.h"
#include "tests/console/console_lab.h"

namespace kav::ruleeditor::test {

inline constexpr const char* kOldAnswer = "35 2 1 黑体";

struct EditorLab {
    mendrix::test::ConsoleLab lab;
    std::unique_ptr<db::Connection> stu;
    std::unique_ptr<db::Cursor> word;
    std::unique_ptr<console::TableBinding> binding;
    std::unique_ptr<BindingAnswerStore> store;
    std::unique_ptr<RuleEditor> editor;

    explicit EditorLab(bool withQuestion = true) {
        stu = lab.connect("stu.mdb");
        word = stu->openTable("word");
        if (withQuestion) {
            word->append();
            word->field("question").setString("将标题设置为黑体");
            word->field("answer").setString(kOldAnswer);
            word->field("filename_word").setString("word1.docx");
            word->post();
        }
        binding = std::make_unique<console::TableBinding>(*word, lab.dialogs);
        binding->first();
        store = std::make_unique<BindingAnswerStore>(*binding);
        editor = std::make_unique<RuleEditor>(lab.dialogs, *store);
        editor->FormShow();
    }
    RuleSheet& sheet() { return editor->sheet(); }
    // What another program reads in the stored row.
    std::string storedAnswer() const { return lab.column("stu.mdb", "word", "answer").at(0); }
};

}  // namespace kav::ruleeditor::test
