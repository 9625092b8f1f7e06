#pragma once
// The question bank pages of the console without their windows: the roster,
// the Windows, choice and Word questions, the update list and the typing
// texts. Each table page is one TableBinding over the data module's cursor,
// with the table's checks as its row rule, so that they hold for every post:
// a move, the navigator, the page's own buttons and the close of the console.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/bank/rules.h"

#include "common/ui/clock.h"
#include "common/ui/dialogs.h"
#include "common/bank/csv_import.h"
#include "console/base/binding/table_binding.h"

namespace mendrix {
class Console;
class MainWindowLogic;
class TDataModule2;
}  // namespace mendrix

namespace mendrix::bank {

using kav::console::TableBinding;

// Whether bytes hold a picture the client's picture window can show, and its size.
using ImageCheck = std::function<PictureCheck(const std::string& bytes)>;

// What the picture check accepts and the client shows.
inline constexpr const char* kPictureFilter = "图片 (*.png *.jpg *.jpeg *.bmp);;位图 (*.bmp);;PNG 图片 (*.png);;JPEG 图片 (*.jpg *.jpeg)";
inline constexpr const char* kCsvFilter = "CSV文件 (*.csv);;所有文件 (*)";
inline constexpr const char* kImportCaption = "导入";
// The bad rows an import's box lists; it counts the rest (a box must fit the screen).
inline constexpr std::size_t kErrorsShown = 20;
// Exam records name questions by position, so deleting one renumbers the later ones.
inline constexpr const char* kQuestionDeleteNote = "删除后，其后各题的题号都将减一；已有的考试记录仍按原来的题号记录。";

// Appends the rows of a CSV file the teacher chooses to a page's table, after
// saving the page's pending change: on a thread of its own with a connection
// to the teacher folder's stu.mdb, all rows or none, with a progress box and
// 取消; then reads the table again and reports the bad rows or the count.
void importInto(ImportKind kind, TableBinding& binding, kav::db::Cursor& table,
                const std::filesystem::path& teacherFolder, kav::ui::Dialogs& dialogs);

// Grid and record view of one table (the tab strip inverts which one shows).
enum class View { Grid, Record };

class RosterPage {
public:
    RosterPage(kav::db::Cursor& student, kav::ui::Dialogs& dialogs, std::filesystem::path teacherFolder);
    void TabControl1Change() { view = view == View::Grid ? View::Record : View::Grid; }
    void ImportClick() { importInto(ImportKind::Roster, binding, student_, teacherFolder_, dialogs_); }

    TableBinding binding;
    View view = View::Grid;

private:
    kav::db::Cursor& student_;
    kav::ui::Dialogs& dialogs_;
    std::filesystem::path teacherFolder_;
};

class WinPage {
public:
    WinPage(kav::db::Cursor& win, kav::ui::Dialogs& dialogs);
    TableBinding binding;
};

class ChoicePage {
public:
    ChoicePage(kav::db::Cursor& selecttest, kav::ui::Dialogs& dialogs, ImageCheck isImage,
               std::filesystem::path teacherFolder);
    void TabControl3Change() { view = view == View::Grid ? View::Record : View::Grid; }
    void BitBtn39Click();  // picture "插入"
    void BitBtn40Click();  // picture "删除"
    void ImportClick() { importInto(ImportKind::Choice, binding, selecttest_, teacherFolder_, dialogs_); }

    TableBinding binding;
    View view = View::Grid;

private:
    kav::db::Cursor& selecttest_;
    kav::ui::Dialogs& dialogs_;
    ImageCheck isImage_;
    std::filesystem::path teacherFolder_;
};

class WordPage {
public:
    WordPage(kav::db::Cursor& word, kav::ui::Dialogs& dialogs, std::filesystem::path teacherFolder);
    // "按此可修改答案": saves the pending change, then opens the answer-rule
    // editor on the current row; the page shows what the editor stored.
    void Button1Click();
    bool button1Enabled() const;
    // Set by whoever owns the answer-rule editor.
    std::function<void()> openRuleEditor;

    TableBinding binding;

private:
    kav::db::Cursor& word_;
};

class UpdateListPage {
public:
    UpdateListPage(kav::db::Cursor& updatefile, kav::ui::Dialogs& dialogs, TDataModule2& data,
                   MainWindowLogic& mainWindow);
    void BitBtn41Click();  // "确定": stores the box's text (NULL when empty)
    // The update flag beside the list: opening this page through the update
    // command toggles it, so the page always says where it stands.
    std::string updateFlagText() const;
    // What keeps the clients from drawing an exam with the console's bank; "" when nothing.
    std::string bankText() const;

    TableBinding binding;

private:
    TDataModule2& data_;
    MainWindowLogic& mainWindow_;
};

class TypingPage {
public:
    TypingPage(kav::ui::Dialogs& dialogs, kav::ui::Clock& clock, MainWindowLogic& mainWindow);
    void BitBtn21Click() { check(); }  // "全角与字数校验"
    void BitBtn22Click();              // "生成打字文件"

    std::string memo1;       // the input box's text (UTF-8), kept for the whole run
    bool checkFlag = false;  // true when the last check found a fault

    // The box's lines: a CR before a line break is dropped, an empty last line
    // after the final break does not count.
    std::vector<std::string> lines() const;
    // The name the save dialog proposes: the first txt<n>.txt missing in folder.
    static std::filesystem::path nextFreeName(const std::filesystem::path& folder);
    // Whether, with the file saved, the folder holds exactly txt0.txt … txt<k-1>.txt,
    // the names the client draws from.
    static bool keepsNamingRule(const std::filesystem::path& folder, const std::filesystem::path& file);

private:
    // Runs the checks, shows their messages, sets checkFlag; the GBK lines.
    std::vector<std::string> check();

    kav::ui::Dialogs& dialogs_;
    kav::ui::Clock& clock_;
    MainWindowLogic& mainWindow_;
};

// Every page of the bank over the console's open databases. While it lives,
// the console's close saves the pages' pending changes first.
class QuestionBank {
public:
    QuestionBank(Console& console, ImageCheck isImage);
    ~QuestionBank();
    QuestionBank(const QuestionBank&) = delete;
    QuestionBank& operator=(const QuestionBank&) = delete;

    // Saves every page's pending change (each refusal shown); false when one was refused.
    bool savePending();

    RosterPage roster;
    WinPage win;
    ChoicePage choice;
    WordPage word;
    UpdateListPage updateList;
    TypingPage typing;

private:
    MainWindowLogic& mainWindow_;
};

}  // namespace mendrix::bank
