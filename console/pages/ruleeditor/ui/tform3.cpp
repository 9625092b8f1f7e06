#include "console/pages/ruleeditor/ui/tform3.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "common/answer/answer_text.h"
#include "console/pages/ruleeditor/texts.h"
#include "gui/qstring.h"

namespace kav::ruleeditor {

using answer::RuleKind;

namespace {

using kav::gui::q;
std::string s(const QString& text) { return text.toStdString(); }

constexpr const char* kYellow = "background-color: yellow;";

// The hint after a value box.
std::string_view valueHint(const RuleKind& kind) {
    switch (boxEncoding(kind)) {
    case BoxEncoding::Text: return "不能含空格和*";
    case BoxEncoding::Font: return kFontHint;
    case BoxEncoding::Number: return kind.value == answer::ValueType::Points ? "磅（只能输入整数）" : "只能输入整数";
    case BoxEncoding::Position: return "段落号";
    default: return "";
    }
}

QComboBox* listBox(const answer::ValueList& list) {
    auto* box = new QComboBox;
    for (const answer::ListEntry& e : list.entries()) box->addItem(q(e.text));
    box->setCurrentIndex(-1);
    return box;
}

}  // namespace

TForm3::TForm3(QWidget* parent, RuleEditor& editor, const std::vector<std::string>& fontFamilies)
    : QDialog(parent), editor_(editor) {
    setObjectName("Form3");
    setWindowTitle(q(kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(q(kNote));
    note->setStyleSheet("color: red;");
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(makeSheet(fontFamilies));
    layout->addWidget(scroll, 1);
    modelLabel_ = new QLabel;
    layout->addWidget(modelLabel_);
    layout->addWidget(makeRuleList());
    layout->addWidget(makeButtons());
}

QWidget* TForm3::makePositionBox(PositionBox which) {
    const PositionBoxInfo& info = positionBoxInfo(which);
    QWidget* box;
    if (which == PositionBox::ComboBox_c45) {
        auto* combo = listBox(answer::valueList(answer::ListId::Find));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, which](int index) {
            if (!refreshing_) editor_.sheet().setPosition(which, index < 0 ? "" : std::to_string(index));
        });
        box = combo;
    } else {
        auto* edit = new QLineEdit;
        edit->setMaximumWidth(70);
        connect(edit, &QLineEdit::textChanged, this, [this, which](const QString& text) {
            if (!refreshing_) editor_.sheet().setPosition(which, s(text));
        });
        box = edit;
    }
    box->setObjectName(q(info.name));
    box->setStyleSheet(kYellow);
    boxes_[std::string(info.name)] = box;
    return box;
}

QWidget* TForm3::makeValueBox(const RuleKind& kind, const std::vector<std::string>& fonts) {
    const int k = kind.number;
    QWidget* box;
    switch (boxEncoding(kind)) {
    case BoxEncoding::Entry: {
        auto* combo = listBox(answer::valueList(*kind.list));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, k](int index) {
            if (!refreshing_) editor_.sheet().setValue(k, index < 0 ? "" : std::to_string(index));
        });
        box = combo;
        break;
    }
    case BoxEncoding::Font: {
        auto* combo = new QComboBox;
        combo->setEditable(true);
        for (const std::string& f : fonts) combo->addItem(q(f));
        combo->setCurrentIndex(-1);
        connect(combo, &QComboBox::editTextChanged, this, [this, k](const QString& text) {
            if (!refreshing_) editor_.sheet().setValue(k, s(text));
        });
        box = combo;
        break;
    }
    case BoxEncoding::Tick: {
        auto* check = new QCheckBox(q(kind.label));
        connect(check, &QCheckBox::toggled, this, [this, k](bool on) {
            if (!refreshing_) editor_.sheet().setTicked(k, on);
        });
        box = check;
        break;
    }
    default: {
        auto* edit = new QLineEdit;
        connect(edit, &QLineEdit::textChanged, this, [this, k](const QString& text) {
            if (!refreshing_) editor_.sheet().setValue(k, s(text));
        });
        box = edit;
    }
    }
    const std::string_view name = boxesOf(kind).valueBox;
    box->setObjectName(q(name));
    box->setMinimumWidth(180);
    boxes_[std::string(name)] = box;
    return box;
}

// One grid row per kind: label, value box, hint, the model's reading and its
// tick. A group's caption and each newly needed set of yellow position boxes
// stand on a row of their own above the kinds that use them.
QWidget* TForm3::makeSheet(const std::vector<std::string>& fontFamilies) {
    const std::vector<std::string> fonts = fontChoices(fontFamilies);
    auto* sheet = new QWidget;
    auto* grid = new QGridLayout(sheet);
    int row = 0;
    std::string_view group;
    std::span<const PositionBox> shownBoxes;
    for (const RuleKind& kind : answer::allRuleKinds()) {
        const std::span<const PositionBox> positionBoxes = boxesOf(kind).positionBoxes;
        bool newGroup = kind.group != group;
        bool newBoxes =
            !std::equal(positionBoxes.begin(), positionBoxes.end(), shownBoxes.begin(), shownBoxes.end());
        if (newGroup || newBoxes) {
            auto* line = new QHBoxLayout;
            if (newGroup) {
                auto* caption = new QLabel(q(kind.group));
                caption->setStyleSheet("font-weight: bold;");
                line->addWidget(caption);
                line->addSpacing(20);
            }
            for (PositionBox b : positionBoxes) {
                const PositionBoxInfo& info = positionBoxInfo(b);
                if (boxes_.count(std::string(info.name))) continue;
                if (!info.caption.empty()) line->addWidget(new QLabel(q(info.caption)));
                line->addWidget(makePositionBox(b));
                if (!info.hint.empty()) line->addWidget(new QLabel(q(info.hint)));
                line->addSpacing(12);
            }
            line->addStretch(1);
            grid->addLayout(line, row++, 0, 1, 6);
            group = kind.group;
            shownBoxes = positionBoxes;
        }
        if (boxEncoding(kind) != BoxEncoding::Tick) grid->addWidget(new QLabel(q(kind.label)), row, 1);
        grid->addWidget(makeValueBox(kind, fonts), row, 2);
        grid->addWidget(new QLabel(q(valueHint(kind))), row, 3);
        auto* reading = new QLabel;
        reading->setObjectName(QString("Reading%1").arg(kind.number));
        reading->setStyleSheet("color: #1a5fb4;");
        readingLabels_[kind.number] = reading;
        grid->addWidget(reading, row, 4);
        auto* keepBox = new QCheckBox(q("采用"));
        keepBox->setObjectName(QString("Keep%1").arg(kind.number));
        keepBox->hide();
        connect(keepBox, &QCheckBox::toggled, this, [this, k = kind.number](bool on) {
            if (!refreshing_) editor_.setKept(k, on);
        });
        keepBoxes_[kind.number] = keepBox;
        grid->addWidget(keepBox, row, 5);
        ++row;
    }
    grid->setColumnMinimumWidth(0, 20);
    grid->setColumnStretch(4, 1);
    return sheet;
}

QWidget* TForm3::makeButtons() {
    auto* bar = new QWidget;
    auto* line = new QHBoxLayout(bar);
    line->addWidget(new QLabel(q("本操作分数：")));
    Edit62 = new QLineEdit;
    Edit62->setObjectName("Edit62");
    Edit62->setMaximumWidth(70);
    boxes_["Edit62"] = Edit62;
    connect(Edit62, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!refreshing_) editor_.sheet().setScore(s(text));
    });
    line->addWidget(Edit62);
    auto button = [&](QPushButton*& b, const char* name, const char* text, void (TForm3::*handler)()) {
        b = new QPushButton(q(text));
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        line->addWidget(b);
    };
    button(BitBtn1, "BitBtn1", "下一步", &TForm3::BitBtn1Click);
    button(BitBtn3, "BitBtn3", "下一题", &TForm3::BitBtn3Click);
    button(BitBtn2, "BitBtn2", "完成", &TForm3::BitBtn2Click);
    line->addSpacing(30);
    button(BitBtn4, "BitBtn4", "从样稿读取", &TForm3::BitBtn4Click);
    button(BitBtn5, "BitBtn5", "采用勾选的样稿值", &TForm3::BitBtn5Click);
    button(BitBtn6, "BitBtn6", "试评", &TForm3::BitBtn6Click);
    line->addStretch(1);
    return bar;
}

QWidget* TForm3::makeRuleList() {
    auto* panel = new QWidget;
    auto* line = new QHBoxLayout(panel);
    line->setContentsMargins(0, 0, 0, 0);
    ruleList = new QListWidget;
    ruleList->setObjectName("RuleList");
    ruleList->setMaximumHeight(150);
    connect(ruleList, &QListWidget::itemDoubleClicked, this, [this] { EditRuleClick(); });
    line->addWidget(ruleList, 1);
    auto* side = new QVBoxLayout;
    totalLabel = new QLabel;
    totalLabel->setObjectName("TotalLabel");
    totalLabel->setStyleSheet("font-weight: bold;");
    side->addWidget(totalLabel);
    auto button = [&](QPushButton*& b, const char* name, const char* text, void (TForm3::*handler)()) {
        b = new QPushButton(q(text));
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        side->addWidget(b);
    };
    button(EditRule, "EditRule", "修改此条", &TForm3::EditRuleClick);
    button(RemoveRule, "RemoveRule", "删除此条", &TForm3::RemoveRuleClick);
    side->addStretch(1);
    line->addLayout(side);
    return panel;
}

void TForm3::EditRuleClick() {
    if (ruleList->currentRow() < 0) return;
    editor_.editRule(static_cast<std::size_t>(ruleList->currentRow()));
    refresh();
}

void TForm3::RemoveRuleClick() {
    const int row = ruleList->currentRow();
    if (row < 0) return;
    editor_.removeRule(static_cast<std::size_t>(row));
    refresh();
    ruleList->setCurrentRow(std::min(row, ruleList->count() - 1));
}

QWidget* TForm3::box(const std::string& name) const {
    auto it = boxes_.find(name);
    return it == boxes_.end() ? nullptr : it->second;
}

void TForm3::FormShow() {
    editor_.FormShow();
    refresh();
}

void TForm3::BitBtn1Click() {
    editor_.BitBtn1Click();
    refresh();
}

void TForm3::BitBtn3Click() {
    editor_.BitBtn3Click();
    refresh();
}

void TForm3::BitBtn2Click() {
    bool stored = editor_.BitBtn2Click();
    refresh();
    if (stored) accept();
}

void TForm3::BitBtn4Click() {
    editor_.BitBtn4Click();
    refresh();
}

void TForm3::BitBtn5Click() {
    editor_.BitBtn5Click();
    refresh();
}

void TForm3::BitBtn6Click() {
    editor_.BitBtn6Click();
    refresh();
}

std::string TForm3::readingText(const RuleKind& kind, const word::RuleReading& reading) const {
    if (!reading.found()) return "样稿：" + reading.line().substr(6);
    std::string text = "样稿：";
    for (const std::string& v : reading.values) {
        text += v;
        if (kind.list)
            if (auto entry = answer::parseWholeNumber(v))
                text += "(" + std::string(answer::valueList(*kind.list).entries()[static_cast<std::size_t>(*entry)].text) + ")";
        text += " ";
    }
    return text;
}

void TForm3::refresh() {
    refreshing_ = true;
    const RuleSheet& sheet = editor_.sheet();
    for (int i = 0; i < kPositionBoxCount; ++i) {
        auto which = static_cast<PositionBox>(i);
        QWidget* w = box(std::string(positionBoxInfo(which).name));
        const std::string& text = sheet.position(which);
        if (auto* combo = qobject_cast<QComboBox*>(w))
            combo->setCurrentIndex(text.empty() ? -1 : static_cast<int>(answer::parseWholeNumber(text).value_or(-1)));
        else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && s(edit->text()) != text)
            edit->setText(q(text));
    }
    for (const RuleKind& kind : answer::allRuleKinds()) {
        QWidget* w = box(std::string(boxesOf(kind).valueBox));
        const std::string& text = sheet.value(kind.number);
        if (auto* check = qobject_cast<QCheckBox*>(w)) check->setChecked(!text.empty());
        else if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable()) {
            if (s(combo->currentText()) != text) combo->setEditText(q(text));
        } else if (combo)
            combo->setCurrentIndex(text.empty() ? -1 : static_cast<int>(answer::parseWholeNumber(text).value_or(-1)));
        else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && s(edit->text()) != text)
            edit->setText(q(text));
        auto found = editor_.readings().find(kind.number);
        bool hasReading = found != editor_.readings().end();
        readingLabels_[kind.number]->setText(hasReading ? q(readingText(kind, found->second)) : QString());
        QCheckBox* keepBox = keepBoxes_[kind.number];
        keepBox->setVisible(hasReading && found->second.found());
        keepBox->setChecked(editor_.kept(kind.number));
    }
    if (s(Edit62->text()) != sheet.score()) Edit62->setText(q(sheet.score()));
    modelLabel_->setText(editor_.modelDocument() ? q("样稿：" + editor_.modelDocument()->string()) : q("样稿：（未打开）"));
    const int current = ruleList->currentRow();
    ruleList->clear();
    int index = 0;
    for (const RuleEditor::Line& line : editor_.lines()) {
        const std::string text = "第" + std::to_string(line.part) + "题 " + std::to_string(++index) + ". " +
                                 line.shown.text + (line.shown.readable() ? "" : "　〔读不懂：" + line.shown.problem + "〕");
        auto* item = new QListWidgetItem(q(text), ruleList);
        item->setToolTip(q(line.rule));
        if (!line.shown.readable()) item->setForeground(Qt::red);
    }
    ruleList->setCurrentRow(std::min(current, ruleList->count() - 1));
    const long long total = editor_.total();
    totalLabel->setText(q("合计 " + std::to_string(total) + " 分 / 满分 " + std::to_string(answer::kWordFullMarks) + " 分" +
                          (editor_.changed() ? "（未保存）" : "")));
    totalLabel->setStyleSheet(total == answer::kWordFullMarks ? "font-weight: bold;" : "font-weight: bold; color: #c01c28;");
    refreshing_ = false;
}

void TForm3::closeEvent(QCloseEvent* event) {
    if (editor_.FormCloseQuery()) event->accept();
    else event->ignore();
}

void TForm3::reject() {
    if (editor_.FormCloseQuery()) QDialog::reject();
}

void openRuleEditor(QWidget* parent, ui::Dialogs& dialogs, console::TableBinding& word) {
    if (!ruleEditorAvailable(word)) return;
    BindingAnswerStore store(word);
    RuleEditor editor(dialogs, store);
    std::vector<std::string> families;
    for (const QString& f : QFontDatabase::families()) families.push_back(s(f));
    TForm3 form(parent, editor, families);
    form.FormShow();
    // Maximised; without a window manager the state alone would not size it.
    if (QScreen* screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
    form.setWindowState(Qt::WindowMaximized);
    form.exec();
}

}  // namespace kav::ruleeditor
