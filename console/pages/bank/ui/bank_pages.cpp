#include "console/pages/bank/ui/bank_pages.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "console/base/binding/ui/bound_editors.h"
#include "console/base/binding/ui/bound_grid.h"
#include "console/base/binding/ui/navigators.h"
#include "console/base/console.h"
#include "gui/picture_check.h"
#include "gui/qstring.h"

namespace mendrix::bank {

using namespace kav::console;

namespace {

using kav::gui::q;
QString q(const char* s) { return QString::fromUtf8(s); }

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QWidget* frame(QWidget* pages, const char* name) { return pages->findChild<QWidget*>(name); }

// The grid/record tab strip above a page's two views.
QTabBar* tabStrip(QWidget* page, const char* name) {
    auto* tabs = named(new QTabBar(page), name);
    tabs->addTab(q("表格形式浏览"));
    tabs->addTab(q("逐个记录浏览"));
    static_cast<QVBoxLayout*>(page->layout())->insertWidget(0, tabs);
    return tabs;
}

QLabel* label(const char* text, QWidget* parent) { return new QLabel(q(text), parent); }

// A record view's foot: the six navigation buttons and the row-position label.
void navigationFoot(QVBoxLayout* layout, TableBinding& binding, QWidget* parent, const char* labelName) {
    auto* foot = new QHBoxLayout;
    foot->addWidget(new NavigationStrip(binding, parent));
    foot->addStretch();
    foot->addWidget(named(new PositionLabel(binding, parent), labelName));
    layout->addLayout(foot);
}

}  // namespace

BankPages::BankPages(QWidget* pages, Console& console, Run run)
    : QObject(pages), bank_(std::make_unique<QuestionBank>(console, kav::gui::checkPicture)), run_(std::move(run)) {
    fillRoster(pages);
    fillWin(pages);
    fillChoice(pages);
    fillWord(pages);
    fillUpdateList(pages);
    fillTyping(pages);
    for (const char* panel : {"Panel5", "Panel6", "Panel9", "Panel11", "Panel12", "Panel16", "Panel21"})
        boundPanels_.emplace_back(frame(pages, panel));
    // The word button and the bank's state follow the tables' rows.
    auto redraw = [this](TableBinding::Change) { refresh(); };
    wordRows_.emplace(bank_->word.binding, redraw);
    choiceRows_.emplace(bank_->choice.binding, redraw);
    winRows_.emplace(bank_->win.binding, redraw);
    refresh();
}

BankPages::~BankPages() {
    for (const QPointer<QWidget>& panel : boundPanels_)
        if (panel) qDeleteAll(panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    wordRows_.reset();
    choiceRows_.reset();
    winRows_.reset();
}

void BankPages::handle(const std::function<void()>& handler) {
    bank_->typing.memo1 = memo1->toPlainText().toStdString();
    run_(handler);
}

void BankPages::fillRoster(QWidget* pages) {
    QWidget* page = frame(pages, "Panel2");
    Panel5 = frame(page, "Panel5");
    Panel6 = frame(page, "Panel6");
    TabControl1 = tabStrip(page, "TabControl1");
    RosterPage& roster = bank_->roster;
    connect(TabControl1, &QTabBar::currentChanged, this, [this] { handle([this] { bank_->roster.TabControl1Change(); }); });

    auto* grid = new QVBoxLayout(Panel5);
    grid->addWidget(named(new BoundGrid(roster.binding, {{"zkzh", q("准考证号")}, {"ksxm", q("姓名")},
                                                          {"login_keyword", q("登录密码")}},
                                        Panel5),
                          "DBGrid1"));
    auto* foot = new QHBoxLayout;
    foot->addWidget(named(new GridNavigator(roster.binding, Panel5), "DBNavigator1"));
    rosterImport = new QPushButton(q("导入…"), Panel5);
    connect(rosterImport, &QPushButton::clicked, this, [this] { handle([this] { bank_->roster.ImportClick(); }); });
    foot->addWidget(rosterImport);
    foot->addStretch();
    foot->addWidget(named(new PositionLabel(roster.binding, Panel5), "Label28"));
    grid->addLayout(foot);

    auto* record = new QVBoxLayout(Panel6);
    auto* form = new QFormLayout;
    const std::tuple<const char*, const char*, const char*> boxes[] = {
        {"准考证号：", "zkzh", "DBEdit1"}, {"考生姓名：", "ksxm", "DBEdit2"}, {"登录口令：", "login_keyword", "DBEdit6"}};
    for (auto [caption, column, name] : boxes) {
        auto* box = named(new BoundLineEdit(roster.binding, column, Panel6), name);
        box->setMaximumWidth(300);
        form->addRow(q(caption), box);
    }
    record->addLayout(form);
    record->addStretch();
    navigationFoot(record, roster.binding, Panel6, "Label27");
}

void BankPages::fillWin(QWidget* pages) {
    QWidget* panel = frame(frame(pages, "Panel7"), "Panel9");
    TableBinding& binding = bank_->win.binding;
    auto* layout = new QVBoxLayout(panel);
    const std::tuple<const char*, const char*, const char*> memos[] = {
        {"WIN题相应考题（格式请看帮助）", "question1", "DBMemo6"},
        {"考题中应该初始化的文件和目录", "question2", "DBMemo1"},
        {"WIN题评分标准答案", "answer", "DBMemo2"}};
    for (auto [caption, column, name] : memos) {
        layout->addWidget(label(caption, panel));
        layout->addWidget(named(new BoundMemo(binding, column, panel), name));
    }
    navigationFoot(layout, binding, panel, "Label17");
}

void BankPages::fillChoice(QWidget* pages) {
    QWidget* page = frame(pages, "Panel10");
    Panel11 = frame(page, "Panel11");
    Panel12 = frame(page, "Panel12");
    TabControl3 = tabStrip(page, "TabControl3");
    ChoicePage& choice = bank_->choice;
    connect(TabControl3, &QTabBar::currentChanged, this, [this] { handle([this] { bank_->choice.TabControl3Change(); }); });

    auto* grid = new QVBoxLayout(Panel11);
    grid->addWidget(named(new BoundGrid(choice.binding,
                                        // The key beside the stem: in view at any width.
                                        {{"select_question", q("选择题干")}, {"correct_sel", q("正确答案")},
                                         {"sel_a", q("A选择枝")}, {"sel_b", q("B选择枝")}, {"sel_c", q("C选择枝")},
                                         {"sel_d", q("D选择枝")}},
                                        Panel11),
                          "DBGrid3"));
    auto* foot = new QHBoxLayout;
    foot->addWidget(named(new GridNavigator(choice.binding, Panel11), "DBNavigator3"));
    choiceImport = new QPushButton(q("导入…"), Panel11);
    connect(choiceImport, &QPushButton::clicked, this, [this] { handle([this] { bank_->choice.ImportClick(); }); });
    foot->addWidget(choiceImport);
    foot->addStretch();
    foot->addWidget(named(new PositionLabel(choice.binding, Panel11), "Label19"));
    grid->addLayout(foot);

    auto* record = new QVBoxLayout(Panel12);
    auto* top = new QHBoxLayout;
    auto* form = new QFormLayout;
    auto* stem = named(new BoundMemo(choice.binding, "select_question", Panel12), "DBMemo3");
    stem->setMaximumHeight(120);
    form->addRow(q("选择题干："), stem);
    const std::tuple<const char*, const char*, const char*> boxes[] = {
        {"A选择枝：", "sel_a", "DBEdit11"}, {"B选择枝", "sel_b", "DBEdit12"}, {"C选择枝", "sel_c", "DBEdit13"},
        {"D选择枝", "sel_d", "DBEdit14"},   {"标准答案：", "correct_sel", "DBEdit15"}};
    for (auto [caption, column, name] : boxes) {
        auto* box = named(new BoundLineEdit(choice.binding, column, Panel12), name);
        if (std::string_view(column) == "correct_sel") box->setMaximumWidth(60);  // one letter
        form->addRow(q(caption), box);
    }
    top->addLayout(form, 1);
    auto* pictureFrame = new QGroupBox(q("本题图形"), Panel12);
    auto* pictureLayout = new QVBoxLayout(pictureFrame);
    auto* picture = named(new BoundPicture(choice.binding, "image", pictureFrame), "DBImage1");
    picture->setFixedSize(148, 120);
    pictureLayout->addWidget(picture);
    auto* pictureButtons = new QHBoxLayout;
    BitBtn39 = named(new QPushButton(q("插入"), pictureFrame), "BitBtn39");
    BitBtn40 = named(new QPushButton(q("删除"), pictureFrame), "BitBtn40");
    connect(BitBtn39, &QPushButton::clicked, this, [this] { handle([this] { bank_->choice.BitBtn39Click(); }); });
    connect(BitBtn40, &QPushButton::clicked, this, [this] { handle([this] { bank_->choice.BitBtn40Click(); }); });
    pictureButtons->addWidget(BitBtn39);
    pictureButtons->addWidget(BitBtn40);
    pictureLayout->addLayout(pictureButtons);
    top->addWidget(pictureFrame, 0, Qt::AlignTop);
    record->addLayout(top);
    record->addStretch();
    navigationFoot(record, choice.binding, Panel12, "Label23");
}

void BankPages::fillWord(QWidget* pages) {
    QWidget* panel = frame(frame(pages, "Panel14"), "Panel16");
    TableBinding& binding = bank_->word.binding;
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(label("WORD题目：", panel));
    layout->addWidget(named(new BoundMemo(binding, "question", panel), "wordQuestionMemo"));
    auto* answerHead = new QHBoxLayout;
    answerHead->addWidget(label("WORD答案：", panel));
    Button1 = named(new QPushButton(q("按此可修改答案"), panel), "Button1");
    connect(Button1, &QPushButton::clicked, this, [this] { handle([this] { bank_->word.Button1Click(); }); });
    answerHead->addWidget(Button1);
    answerHead->addStretch();
    layout->addLayout(answerHead);
    layout->addWidget(named(new BoundMemo(binding, "answer", panel), "DBMemo5"));
    auto* fileLine = new QHBoxLayout;
    fileLine->addWidget(label("相应Word文件名", panel));
    auto* file = named(new BoundLineEdit(binding, "filename_word", panel), "DBEdit18");
    file->setMaximumWidth(360);
    fileLine->addWidget(file);
    fileLine->addStretch();
    layout->addLayout(fileLine);
    navigationFoot(layout, binding, panel, "Label35");
}

void BankPages::fillUpdateList(QWidget* pages) {
    QWidget* panel = frame(frame(pages, "Panel20"), "Panel21");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(40, 30, 40, 30);
    layout->addWidget(label("最近更新的文件名：", panel));
    auto* line = new QHBoxLayout;
    line->addWidget(named(new BoundLineEdit(bank_->updateList.binding, "filename", panel), "DBEdit29"), 1);
    BitBtn41 = named(new QPushButton(q("确定"), panel), "BitBtn41");
    connect(BitBtn41, &QPushButton::clicked, this, [this] { handle([this] { bank_->updateList.BitBtn41Click(); }); });
    line->addWidget(BitBtn41);
    layout->addLayout(line);
    layout->addWidget(label("注意：每一个文件都要写出上相对于当前程序的相对路径，", panel));
    layout->addWidget(label("两个文件之间用*隔开！", panel));
    updateFlagLabel = named(new QLabel(panel), "updateFlagLabel");
    bankLabel = named(new QLabel(panel), "bankLabel");
    bankLabel->setStyleSheet("color: #b00000");
    layout->addSpacing(12);
    layout->addWidget(updateFlagLabel);
    layout->addWidget(bankLabel);
    layout->addStretch();
}

void BankPages::fillTyping(QWidget* pages) {
    QWidget* page = frame(pages, "Panel13");
    auto* layout = static_cast<QVBoxLayout*>(page->layout());  // the frame's own, empty
    auto* head = new QHBoxLayout;
    auto* notes = new QVBoxLayout;
    for (const char* note : {"注意事项：", "1、只能输入全角的符号，数字及字母。", "2、输入的汉字字数不限，但是每行只能28个汉字。",
                             "3、文件起名必须象txt0.txt，可以将0改成其它数", "字，但该数字必须是按自然数顺序逐一递增。"})
        notes->addWidget(label(note, page));
    head->addLayout(notes);
    head->addStretch();
    auto* buttons = new QVBoxLayout;
    BitBtn21 = named(new QPushButton(q("全角与字数校验"), page), "BitBtn21");
    BitBtn22 = named(new QPushButton(q("生成打字文件"), page), "BitBtn22");
    BitBtn22->setToolTip(q("文件名规则，请看帮助信息！"));
    connect(BitBtn21, &QPushButton::clicked, this, [this] { handle([this] { bank_->typing.BitBtn21Click(); }); });
    connect(BitBtn22, &QPushButton::clicked, this, [this] { handle([this] { bank_->typing.BitBtn22Click(); }); });
    buttons->addWidget(BitBtn21);
    buttons->addWidget(BitBtn22);
    head->addLayout(buttons);
    layout->addLayout(head);
    // The checks and the file follow the text's own lines: the box never wraps.
    memo1 = named(new QPlainTextEdit(page), "memo1");
    memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo1, 1);
}

void BankPages::refresh() {
    Panel5->setVisible(bank_->roster.view == View::Grid);
    Panel6->setVisible(bank_->roster.view == View::Record);
    Panel11->setVisible(bank_->choice.view == View::Grid);
    Panel12->setVisible(bank_->choice.view == View::Record);
    Button1->setEnabled(bank_->word.button1Enabled());
    updateFlagLabel->setText(q(bank_->updateList.updateFlagText()));
    bankLabel->setText(q(bank_->updateList.bankText()));
    const QString text = q(bank_->typing.memo1);
    if (memo1->toPlainText() != text) memo1->setPlainText(text);
}

}  // namespace mendrix::bank
