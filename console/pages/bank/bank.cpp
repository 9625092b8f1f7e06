#include "console/pages/bank/bank.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "common/core/utf8.h"
#include "common/db/error_text.h"
#include "common/db/tables.h"
#include "common/db/values.h"
#include "common/station/update_list.h"
#include "common/text/typing_file.h"
#include "common/bank/rules.h"
#include "common/bank/student_row.h"
#include "console/base/console.h"

namespace mendrix::bank {

namespace fs = std::filesystem;
using kav::db::Cursor;
using kav::db::DbError;
using kav::db::RowRefused;
using kav::db::databaseErrorText;
using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;

namespace {

// The column's values in every stored row except the one being edited.
std::vector<std::string> otherRowsValues(const Cursor& cursor, const char* column) {
    const int index = cursor.definition().indexOf(column);
    const int self = cursor.state() == Cursor::State::Edit ? cursor.recNo() : 0;
    std::vector<std::string> values;
    for (int row = 1; row <= cursor.recordCount(); ++row)
        if (row != self) values.push_back(kav::db::readString(cursor.rowValue(row, index)));
    return values;
}

// A question row as the delete question names it: its number, and its stem's
// beginning when the table has one ("第3题“下列软件中……”").
void nameQuestions(TableBinding& binding, const char* stemColumn = nullptr) {
    binding.setDeleteNote(kQuestionDeleteNote);
    binding.setRowName([stemColumn](const Cursor& row) {
        std::string name = "第" + std::to_string(row.recNo()) + "题";
        if (!stemColumn) return name;
        const std::string stem = kav::db::readString(row.get(row.definition().indexOf(stemColumn)));
        std::size_t end = 0;
        for (int shown = 0; shown < 12 && kav::nextCodePoint(stem, end); ++shown) {
        }
        return name + "“" + stem.substr(0, end) + (end < stem.size() ? "……" : "") + "”";
    });
}

void warn(kav::ui::Dialogs& dialogs, const std::vector<std::string>& warnings) {
    if (!warnings.empty()) dialogs.message(MessageKind::Warning, joinLines(warnings));
}

std::optional<std::string> readWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

void importInto(ImportKind kind, TableBinding& binding, Cursor& table, const fs::path& teacherFolder,
                kav::ui::Dialogs& dialogs) {
    if (!binding.savePending()) return;  // the refusal has been shown
    const auto file = dialogs.openFile(kImportCaption, kCsvFilter);
    if (!file) return;
    const auto bytes = readWholeFile(*file);
    if (!bytes) {
        dialogs.message(MessageKind::Error, "无法读取文件" + file->string());
        return;
    }
    ImportResult result;
    try {
        // A connection of its own: the work's thread shares nothing with the windows' cursors.
        dialogs.runWithProgress("正在导入" + file->filename().string() + "……",
                                [&](const kav::ui::Dialogs::Progress& progress) {
                                    auto connection = kav::db::connectFile("stu.mdb", teacherFolder);
                                    result = importCsv(kind, *bytes, *connection,
                                                       ImportControl{progress.report, progress.cancelled});
                                });
    } catch (const DbError& e) {
        dialogs.message(MessageKind::Error, databaseErrorText("导入失败，题库没有任何改动。", e));
        return;
    }
    if (result.cancelled) {
        dialogs.message(MessageKind::Information, "导入已取消，没有导入任何一行。");
        return;
    }
    if (!result.errors.empty()) {
        std::vector<std::string> lines{"文件有错误，没有导入任何一行："};
        for (std::size_t i = 0; i < std::min(result.errors.size(), kErrorsShown); ++i)
            lines.push_back(consoleLine(result.errors[i]));
        if (result.errors.size() > kErrorsShown)
            lines.push_back("……共有" + std::to_string(result.errors.size()) + "行有错误，以上是前" +
                            std::to_string(kErrorsShown) + "行。");
        dialogs.message(MessageKind::Warning, joinLines(lines));
        return;
    }
    const int before = table.recordCount();
    table.requery();  // the cursor reads the stored rows again
    binding.refresh();
    binding.moveToRow(before + 1);
    std::vector<std::string> lines{"已导入" + std::to_string(result.imported) + "行。"};
    for (const RowError& warning : result.warnings) lines.push_back(consoleLine(warning));
    dialogs.message(result.warnings.empty() ? MessageKind::Information : MessageKind::Warning, joinLines(lines));
}

// ---------------------------------------------------------------- roster

RosterPage::RosterPage(Cursor& student, kav::ui::Dialogs& dialogs, fs::path teacherFolder)
    : binding(student, dialogs), student_(student), dialogs_(dialogs), teacherFolder_(std::move(teacherFolder)) {
    binding.setRowName(kav::console::candidateRowName);
    for (auto [column, caption] : {std::pair{"zkzh", "准考证号"}, {"ksxm", "姓名"}, {"login_keyword", "密码"}})
        binding.setCaption(column, caption);
    binding.setBeforePost([](Cursor& row) {
        const std::string refusal =
            admissionNumberRefusal(row.field("zkzh").asString(), otherRowsValues(row, "zkzh"));
        if (!refusal.empty()) throw RowRefused(refusal);
        applyStudentRowRule(row);
    });
    binding.setAfterPost([this](Cursor& row) {
        // After the post the row is stored: every other row is one of the others.
        const int self = row.recNo(), column = row.definition().indexOf("zkzh");
        std::vector<std::string> others;
        for (int r = 1; r <= row.recordCount(); ++r)
            if (r != self) others.push_back(kav::db::readString(row.rowValue(r, column)));
        warn(dialogs_, candidateWarnings(row.field("zkzh").asString(), row.field("login_keyword").asString(), others));
    });
}

// ---------------------------------------------------------------- questions

WinPage::WinPage(Cursor& win, kav::ui::Dialogs& dialogs) : binding(win, dialogs) { nameQuestions(binding); }

ChoicePage::ChoicePage(Cursor& selecttest, kav::ui::Dialogs& dialogs, ImageCheck isImage, fs::path teacherFolder)
    : binding(selecttest, dialogs),
      selecttest_(selecttest),
      dialogs_(dialogs),
      isImage_(std::move(isImage)),
      teacherFolder_(std::move(teacherFolder)) {
    nameQuestions(binding, "select_question");
    for (auto [column, caption] : {std::pair{"sel_a", "A选择枝"}, {"sel_b", "B选择枝"}, {"sel_c", "C选择枝"},
                                   {"sel_d", "D选择枝"}, {"correct_sel", "标准答案"}})
        binding.setCaption(column, caption);
    binding.setBeforePost([](Cursor& row) {
        if (std::string refusal = stemRefusal(row.field("select_question").asString()); !refusal.empty())
            throw RowRefused(refusal);
        const std::string typed = row.field("correct_sel").asString();
        const auto key = choiceKey(typed);
        if (!key) throw RowRefused(kChoiceKeyRefusal);
        if (*key != typed) row.field("correct_sel").setString(*key);
    });
}

void ChoicePage::BitBtn39Click() {
    const auto file = dialogs_.openFile("", kPictureFilter);
    if (!file) return;
    const auto bytes = readWholeFile(*file);
    if (!bytes) {
        dialogs_.message(MessageKind::Error, "无法读取文件" + file->string());
        return;
    }
    const PictureCheck picture = isImage_(*bytes);
    if (const std::string refusal = pictureRefusal(picture); !refusal.empty()) {
        dialogs_.message(MessageKind::Warning, refusal);
        return;
    }
    for (const std::string& warning : {pictureSizeWarning(bytes->size()), pictureDecodedWarning(picture)})
        if (!warning.empty()) dialogs_.message(MessageKind::Warning, warning);
    binding.setValue(binding.columnIndex("image"), kav::db::Blob(bytes->begin(), bytes->end()));
}

void ChoicePage::BitBtn40Click() { binding.setValue(binding.columnIndex("image"), kav::db::Value{}); }

WordPage::WordPage(Cursor& word, kav::ui::Dialogs& dialogs, fs::path teacherFolder)
    : binding(word, dialogs), word_(word) {
    nameQuestions(binding);
    binding.setCaption("filename_word", "Word文件名");
    binding.setBeforePost([](Cursor& row) {
        const std::string refusal = wordFileNameRefusal(row.field("filename_word").asString());
        if (!refusal.empty()) throw RowRefused(refusal);
    });
    binding.setAfterPost([&dialogs, teacherFolder](Cursor& row) {
        const std::string warning = wordFileMissingWarning(row.field("filename_word").asString(), teacherFolder);
        if (!warning.empty()) dialogs.message(MessageKind::Warning, warning);
    });
}

bool WordPage::button1Enabled() const { return openRuleEditor && binding.rowCount() > 0; }

void WordPage::Button1Click() {
    if (!button1Enabled() || !binding.savePending()) return;
    if (word_.recordCount() == 0) return;  // an untouched new row was dropped: no row to edit
    openRuleEditor();
    binding.cancel();  // nothing is pending: this only redraws the views with what the editor stored
}

// ---------------------------------------------------------------- update list

UpdateListPage::UpdateListPage(Cursor& updatefile, kav::ui::Dialogs& dialogs, TDataModule2& data,
                               MainWindowLogic& mainWindow)
    : binding(updatefile, dialogs), data_(data), mainWindow_(mainWindow) {
    binding.setBeforePost([this](Cursor& row) {
        const std::string list = row.field("filename").asString();
        std::vector<std::string> lines;
        for (const auto& bad : kav::station::checkUpdateList(list)) lines.push_back(bad.text());
        // A missing file may still be put in the share (a warning after the save);
        // a link, a name matching two files or a folder makes every station refuse the list.
        for (const auto& file : kav::station::findUpdateFiles(list, data_.workingFolder()))
            if (file.fault != kav::station::UpdateFileFault::None && file.fault != kav::station::UpdateFileFault::Missing)
                lines.push_back(file.text());
        if (!lines.empty()) {
            lines.insert(lines.begin(), "更新文件列表有误，未保存：");
            throw RowRefused(joinLines(lines));
        }
        if (list.empty()) row.field("filename").setNull();
    });
    binding.setAfterPost([this, &dialogs](Cursor& row) {
        const std::string list = row.field("filename").asString();
        std::vector<std::string> warnings;
        for (const auto& file : kav::station::findUpdateFiles(list, data_.workingFolder()))
            if (file.fault == kav::station::UpdateFileFault::Missing)
                warnings.push_back(file.text() + "，学生机将无法复制它！");
        const auto names = kav::station::splitUpdateList(list);
        const bool listsBank = std::find(names.begin(), names.end(), "stu.mdb") != names.end();
        if (listsBank && !bankText().empty()) warnings.push_back(bankText());
        mainWindow_.tellDone(list.empty() ? "更新文件列表已清空，已存入教师数据库。"
                                          : "更新文件列表已存入教师数据库：学生机从" + data_.workingFolder().string() +
                                                "复制" + std::to_string(names.size()) + "个文件。");
        warn(dialogs, warnings);
    });
}

void UpdateListPage::BitBtn41Click() {
    // The list is the first row; a table without one starts it here.
    if (binding.currentRow() > 1) binding.first();
    if (binding.beginEdit()) binding.post();
}

std::string UpdateListPage::updateFlagText() const {
    return mainWindow_.checked(StartupFlag::Update)
               ? "更新题库(学生机)：开 —— 学生机每次启动都会从教师机复制以上文件。"
               : "更新题库(学生机)：关 —— 学生机启动时不复制文件。";
}

std::string UpdateListPage::bankText() const {
    return joinLines(bankWarnings(data_.ADOTable_select().recordCount(), data_.ADOTable_win().recordCount(),
                                  data_.ADOTable_word().recordCount()));
}

// ---------------------------------------------------------------- typing texts

TypingPage::TypingPage(kav::ui::Dialogs& dialogs, kav::ui::Clock& clock, MainWindowLogic& mainWindow)
    : dialogs_(dialogs), clock_(clock), mainWindow_(mainWindow) {}

std::vector<std::string> TypingPage::lines() const {
    std::vector<std::string> result;
    std::size_t at = 0;
    while (at < memo1.size()) {
        std::size_t end = memo1.find('\n', at);
        if (end == std::string::npos) end = memo1.size();
        std::string line = memo1.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(std::move(line));
        at = end + 1;
    }
    return result;
}

std::vector<std::string> TypingPage::check() {
    checkFlag = false;
    std::vector<std::string> gbkLines;
    int number = 0;
    for (const std::string& line : lines()) {
        ++number;
        try {
            gbkLines.push_back(kav::text::utf8ToGbk(line));
        } catch (const kav::text::TextError&) {
            // Name the first character that GBK cannot hold.
            std::size_t at = 0, start = 0;
            while (at < line.size()) {
                start = at;
                kav::nextCodePoint(line, at);
                try {
                    kav::text::utf8ToGbk(line.substr(start, at - start));
                } catch (const kav::text::TextError&) {
                    break;
                }
            }
            dialogs_.message(MessageKind::Plain, "请注意：第" + std::to_string(number) + "行的字符“" +
                                                     line.substr(start, at - start) + "”不能保存为打字文件！！！");
            checkFlag = true;
            return {};
        }
    }
    for (const std::string& message : kav::text::checkModelLines(gbkLines)) {
        dialogs_.message(MessageKind::Plain, message);
        checkFlag = true;
    }
    return gbkLines;
}

fs::path TypingPage::nextFreeName(const fs::path& folder) {
    for (int n = 0;; ++n) {
        fs::path candidate = folder / ("txt" + std::to_string(n) + ".txt");
        std::error_code ec;
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

bool TypingPage::keepsNamingRule(const fs::path& folder, const fs::path& file) {
    std::error_code ec;
    if (!fs::equivalent(file.parent_path(), folder, ec)) return false;
    std::set<std::string> names{file.filename().string()};
    for (const auto& entry : fs::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
    for (std::size_t n = 0; n < names.size(); ++n)
        if (!names.count("txt" + std::to_string(n) + ".txt")) return false;
    return true;
}

void TypingPage::BitBtn22Click() {
    const std::vector<std::string> gbkLines = check();
    if (checkFlag) return;
    if (std::all_of(gbkLines.begin(), gbkLines.end(), [](const std::string& line) { return line.empty(); })) {
        dialogs_.message(MessageKind::Warning, "没有输入打字文字，不能生成打字文件！");
        return;
    }
    const fs::path folder = mainWindow_.typingSaveFolder;
    auto file = dialogs_.saveFileAt("生成打字文件", "打字文件(*.txt) (*.txt)", nextFreeName(folder), "txt");
    if (!file) return;
    if (!file->has_extension()) file->replace_extension(".txt");
    std::error_code ec;
    if (fs::exists(*file, ec) &&
        dialogs_.message(MessageKind::Question, "文件" + file->filename().string() + "已经存在，要替换它吗？",
                         Buttons::YesNo) != Answer::Yes)
        return;
    if (!keepsNamingRule(folder, *file) &&
        dialogs_.message(MessageKind::Warning,
                         "文件名" + file->filename().string() +
                             "不符合规则：txt文件夹中只能有txt0.txt、txt1.txt……，数字从0起逐一递增，"
                             "否则学生机抽不到其中的一些文件。\r仍要保存吗？",
                         Buttons::OkCancel) != Answer::Ok)
        return;
    kav::text::KeyDrawer keys(clock_);
    try {
        kav::text::writeTypingFile(*file, gbkLines, kav::text::TypingFileKind::Model, keys);
        mainWindow_.tellDone("打字文件已保存到" + file->string());
    } catch (const kav::text::TextError& e) {
        dialogs_.message(MessageKind::Error, e.what());
    }
}

// ---------------------------------------------------------------- the bank

QuestionBank::QuestionBank(Console& console, ImageCheck isImage)
    : roster(console.data().ADOTable1(), console.dialogs(), console.data().workingFolder()),
      win(console.data().ADOTable_win(), console.dialogs()),
      choice(console.data().ADOTable_select(), console.dialogs(), std::move(isImage), console.data().workingFolder()),
      word(console.data().ADOTable_word(), console.dialogs(), console.data().workingFolder()),
      updateList(console.data().ADOTable_Tupdatefile(), console.dialogs(), console.data(), console.mainWindow()),
      typing(console.dialogs(), console.clock(), console.mainWindow()),
      mainWindow_(console.mainWindow()) {
    mainWindow_.savePendingPages = [this] { return savePending(); };
}

QuestionBank::~QuestionBank() { mainWindow_.savePendingPages = nullptr; }

bool QuestionBank::savePending() {
    bool saved = true;
    for (TableBinding* binding : {&roster.binding, &win.binding, &choice.binding, &word.binding, &updateList.binding})
        saved = binding->savePending() && saved;
    return saved;
}

}  // namespace mendrix::bank
