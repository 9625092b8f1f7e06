#pragma once
// The widgets of the question bank pages, filled into the main window's page
// frames (found by their panel names). Thin views: the bound widgets talk to
// the pages' bindings, every button goes through the console's run().
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "console/pages/bank/bank.h"

class QLabel;
class QPlainTextEdit;
#include "common/bank/rules.h"

class QPushButton;
class QTabBar;
class QWidget;

namespace mendrix::bank {

class BankPages : public QObject {
public:
    using Run = std::function<void(const std::function<void()>&)>;
    // pages holds the frames Panel2, Panel7, Panel10, Panel13, Panel14 and
    // Panel20 with their inner panels; the console's databases are open.
    BankPages(QWidget* pages, Console& console, Run run);
    ~BankPages() override;

    QuestionBank& bank() { return *bank_; }
    void refresh();  // shows the logic's state

    QTabBar *TabControl1, *TabControl3;
    QWidget *Panel5, *Panel6, *Panel11, *Panel12;
    QPushButton *BitBtn39, *BitBtn40, *Button1, *BitBtn41, *BitBtn21, *BitBtn22, *rosterImport, *choiceImport;
    QPlainTextEdit* memo1;
    QLabel *updateFlagLabel, *bankLabel;

private:
    void fillRoster(QWidget* pages);
    void fillWin(QWidget* pages);
    void fillChoice(QWidget* pages);
    void fillWord(QWidget* pages);
    void fillUpdateList(QWidget* pages);
    void fillTyping(QWidget* pages);
    // Runs a handler of the logic through the console, the typing box's text first handed over.
    void handle(const std::function<void()>& handler);

    // The panels holding bound views: their views go before the bindings do,
    // whatever order Qt destroys the page frames in (showing a page reorders them).
    std::vector<QPointer<QWidget>> boundPanels_;
    std::unique_ptr<QuestionBank> bank_;
    Run run_;
    std::optional<kav::console::BindingSubscription> wordRows_, choiceRows_, winRows_;
};

}  // namespace mendrix::bank
