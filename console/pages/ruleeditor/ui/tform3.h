#pragma once
// TForm3, the Word answer-rule editor: a long scrolling sheet of the rule
// boxes, group by group, with the score box and the buttons at the bottom. A
// thin view over RuleEditor: every box writes its text into the sheet, every
// button calls its handler, and refresh() shows the sheet again.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <map>

#include "console/pages/ruleeditor/rule_editor.h"
#include "console/pages/ruleeditor/texts.h"

class QGridLayout;

namespace kav::ruleeditor {

class TForm3 : public QDialog {
public:
    TForm3(QWidget* parent, RuleEditor& editor, const std::vector<std::string>& fontFamilies);

    void FormShow();
    void BitBtn1Click();  // "下一步"
    void BitBtn3Click();  // "下一题"
    void BitBtn2Click();  // "完成"
    void BitBtn4Click();  // "从样稿读取"
    void BitBtn5Click();  // "采用勾选的样稿值"
    void BitBtn6Click();  // "试评"
    void EditRuleClick();    // "修改此条"
    void RemoveRuleClick();  // "删除此条"
    // Shows the sheet, the readings, the answer's rules and their total.
    void refresh();

    // The boxes by their control names ("Edit1", "ComboBox_c1", "CheckBox1", "Edit62").
    QWidget* box(const std::string& name) const;
    QLabel* reading(int kind) const { return readingLabels_.at(kind); }
    QCheckBox* keep(int kind) const { return keepBoxes_.at(kind); }
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4, *BitBtn5, *BitBtn6, *EditRule, *RemoveRule;
    QLineEdit* Edit62;
    // The answer as edited, one line a rule; a rule the editor cannot read in red with the reason.
    QListWidget* ruleList;
    QLabel* totalLabel;  // "合计 28 分 / 满分 30 分"

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* makeSheet(const std::vector<std::string>& fontFamilies);
    QWidget* makePositionBox(PositionBox box);
    QWidget* makeValueBox(const answer::RuleKind& kind, const std::vector<std::string>& fonts);
    QWidget* makeButtons();
    QWidget* makeRuleList();
    std::string readingText(const answer::RuleKind& kind, const word::RuleReading& reading) const;

    RuleEditor& editor_;
    bool refreshing_ = false;
    std::map<std::string, QWidget*> boxes_;
    std::map<int, QLabel*> readingLabels_;
    std::map<int, QCheckBox*> keepBoxes_;
    QLabel* modelLabel_;
};

// The question page's "按此可修改答案": opens the editor modally over the
// current row of the `word` table that `word` binds, storing into its
// `answer`. The page disables its button when ruleEditorAvailable() is false.
void openRuleEditor(QWidget* parent, ui::Dialogs& dialogs, console::TableBinding& word);

}  // namespace kav::ruleeditor
