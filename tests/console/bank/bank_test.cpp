// The question bank pages on real database files: the row rules of every post
// (a move, the post button, the close), the pictures, the Word button, the
// update list with its flag, the typing texts and the import.
#include <algorithm>
#include <gtest/gtest.h>

#include "common/db/values.h"
#include "common/text/gbk.h"
#include "common/text/typing_file.h"
#include "console/pages/bank/bank.h"
#include "common/bank/rules.h"
#include "console/base/console.h"
#include "tests/console/console_lab.h"

namespace mendrix::bank {
namespace {

namespace fs = std::filesystem;
using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;
using Strings = std::vector<std::string>;

// A picture is whatever starts like a Windows bitmap.
// "BM…" a small picture, "BIG…" one too large to show, "WIDE…" one that shows in 130 MB.
PictureCheck fakeImage(const std::string& bytes) {
    if (bytes.rfind("BM", 0) == 0) return {PictureCheck::Kind::Image, 10, 10};
    if (bytes.rfind("BIG", 0) == 0) return {PictureCheck::Kind::TooLarge, 9000, 9000};
    if (bytes.rfind("WIDE", 0) == 0) return {PictureCheck::Kind::Image, 5700, 5700};
    return {};
}

class BankTest : public ::testing::Test, public test::ConsoleLab {
protected:
    std::unique_ptr<Console> console;
    std::unique_ptr<QuestionBank> bank;

    void SetUp() override {
        console = std::make_unique<Console>(ConsoleEnv{dialogs, clock, desktop, folder(), [] {}});
        console->start();
        console->login().Edit1 = "admin";
        console->login().Edit2 = "admin";
        console->handle([this] { console->login().BitBtn1Click(); });
        ASSERT_TRUE(console->mainWindow().visible) << dialogs.lastText();
        bank = std::make_unique<QuestionBank>(*console, fakeImage);
        dialogs.shown.clear();
    }
    void run(const std::function<void()>& handler) { console->handle(handler); }
    void type(TableBinding& binding, const char* column, const std::string& text) {
        binding.setText(binding.columnIndex(column), text);
    }
    void addCandidate(const std::string& zkzh, const std::string& password = "pw") {
        auto student = connect("stu.mdb")->openTable("student");
        student->append();
        student->field("zkzh").setString(zkzh);
        student->field("login_keyword").setString(password);
        student->field("kscj").setInteger(55);
        student->field("havelogined").setInteger(2);
        student->post();
    }
    void addChoiceQuestions(int n) {
        auto select = connect("stu.mdb")->openTable("selecttest");
        for (int i = 1; i <= n; ++i) {
            select->append();
            select->field("select_question").setString("第" + std::to_string(i) + "题");
            select->field("correct_sel").setString("A");
            select->post();
        }
    }
    // Reopens the bank so that its cursors see rows added by another connection.
    void reopen() {
        for (TableBinding* b : {&bank->roster.binding, &bank->choice.binding, &bank->win.binding,
                                &bank->word.binding, &bank->updateList.binding})
            b->refresh();
    }
    Strings messages(MessageKind kind) const {
        Strings texts;
        for (const auto& m : dialogs.shown)
            if (m.kind == kind) texts.push_back(m.text);
        return texts;
    }
};

// ------------------------------------------------------------------ roster

TEST_F(BankTest, EveryPostedCandidateStandsAsNotYetExaminedWhateverPostedIt) {
    addCandidate("110199990001");
    addCandidate("110199990002");
    reopen();
    TableBinding& roster = bank->roster.binding;
    // A name corrected and posted by a move, one by the post button, one by the close.
    const std::function<void()> posts[] = {[&] { roster.next(); }, [&] { roster.post(); },
                                           [&] { console->closeMainWindow(); }};
    int row = 1;
    for (const auto& post : posts) {
        roster.moveToRow(row == 3 ? 1 : row);
        type(roster, "ksxm", "改名" + std::to_string(row));
        run(post);
        ++row;
    }
    EXPECT_TRUE(console->ended());
    EXPECT_EQ(column("stu.mdb", "student", "ksxm"), (Strings{"改名3", "改名2"}));
    EXPECT_EQ(column("stu.mdb", "student", "kscj"), (Strings{"0", "0"}));
    EXPECT_EQ(column("stu.mdb", "student", "havelogined"), (Strings{"0", "0"}));
    EXPECT_EQ(column("stu.mdb", "student", "kstime"), (Strings{"1899-12-30 00:00:00", "1899-12-30 00:00:00"}));
}

TEST_F(BankTest, AnEmptyTakenOrPathLikeAdmissionNumberIsRefusedAndTheRowStaysInEdit) {
    addCandidate("110199990001");
    reopen();
    TableBinding& roster = bank->roster.binding;
    const std::pair<std::string, std::string> cases[] = {
        {"", "准考证号不能为空！"},
        {"110199990001", "准考证号“110199990001”已经有考生使用！"},
        {"1101\\9999", "准考证号“1101\\9999”不能含有空格或 \\ / : * ? \" < > | 等字符！"},
    };
    for (const auto& [zkzh, refusal] : cases) {
        SCOPED_TRACE(zkzh);
        dialogs.shown.clear();
        ASSERT_TRUE(roster.insert());
        type(roster, "ksxm", "李四");
        type(roster, "zkzh", zkzh);
        EXPECT_FALSE(roster.first());
        EXPECT_EQ(dialogs.texts(), Strings{refusal});
        EXPECT_TRUE(roster.isInserting());
        EXPECT_EQ(roster.text(roster.columnIndex("ksxm")), "李四") << "the typed values stay";
        roster.cancel();
    }
    // The close is refused the same way: the console stays open.
    roster.insert();
    type(roster, "zkzh", "110199990001");
    run([&] { console->closeMainWindow(); });
    EXPECT_FALSE(console->ended());
    EXPECT_EQ(column("stu.mdb", "student", "zkzh"), Strings{"110199990001"});
    // Editing the stored row keeps its own number.
    roster.cancel();
    roster.first();
    type(roster, "ksxm", "张三");
    EXPECT_TRUE(roster.post());
}

TEST_F(BankTest, ACandidateWithoutPasswordOrSharingAFolderIsStoredWithAWarning) {
    addCandidate("110188880001");
    reopen();
    TableBinding& roster = bank->roster.binding;
    roster.insert();
    type(roster, "zkzh", "110199990001");
    EXPECT_TRUE(roster.post());
    EXPECT_EQ(messages(MessageKind::Warning),
              Strings{"准考证号“110199990001”的考生没有登录密码。\r"
                      "准考证号“110199990001”与另外1名考生（“110188880001”）的考生文件夹同为11010001，"
                      "他们的考试文件会放在同一个文件夹中。"});
    EXPECT_EQ(column("stu.mdb", "student", "zkzh"), (Strings{"110188880001", "110199990001"}));
}

// ------------------------------------------------------------------ choice questions

TEST_F(BankTest, AChoiceKeyIsStoredTrimmedAndAnyOtherKeyIsRefused) {
    TableBinding& choice = bank->choice.binding;
    const std::pair<std::string, std::string> cases[] = {{" c", "c"}, {"B", "B"}, {"E", ""}, {"A ", "A"}, {"", ""}, {"AB", ""}};
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        dialogs.shown.clear();
        choice.insert();
        type(choice, "select_question", "题");
        type(choice, "correct_sel", typed);
        const bool posted = choice.post();
        EXPECT_EQ(posted, !stored.empty());
        if (posted) {
            EXPECT_EQ(choice.text(choice.columnIndex("correct_sel")), stored);
        } else {
            EXPECT_EQ(dialogs.texts(), Strings{"标准答案只能是A、B、C、D中的一个字母！"});
        }
        choice.cancel();
    }
    EXPECT_EQ(column("stu.mdb", "selecttest", "correct_sel"), (Strings{"c", "B", "A"}));

    // A stem past the limit is refused, one at the limit stored.
    for (const long length : {kMaxStemCharacters + 1, kMaxStemCharacters}) {
        dialogs.shown.clear();
        choice.insert();
        std::string stem;
        for (long i = 0; i < length; ++i) stem += "题";
        type(choice, "select_question", stem);
        type(choice, "correct_sel", "A");
        EXPECT_EQ(choice.post(), length == kMaxStemCharacters) << length;
        if (length > kMaxStemCharacters) EXPECT_EQ(dialogs.texts(), Strings{"题干有5001个字，超过5000个字，未保存！"});
        choice.cancel();
    }
}

TEST_F(BankTest, APictureIsStoredWithTheRowsNextPostOnlyWhenItIsAnImage) {
    addChoiceQuestions(2);
    reopen();
    ChoicePage& page = bank->choice;
    const fs::path small = dir / "small.bmp", large = dir / "large.bmp", text = dir / "notes.bmp";
    kav::test::writeFile(small, "BMsmall");
    kav::test::writeFile(large, "BM" + std::string(kPictureWarningBytes, 'x'));
    kav::test::writeFile(text, "just text");
    auto image = [&](int row) {
        auto select = connect("stu.mdb")->openTable("selecttest");
        select->first();
        select->moveBy(row - 1);
        auto blob = select->field("image").asBlob();
        return select->field("image").isNull() ? std::string("NULL") : std::string(blob.begin(), blob.end());
    };

    kav::test::writeFile(dir / "big.png", "BIG");
    kav::test::writeFile(dir / "wide.png", "WIDE");
    const struct {
        fs::path file;
        Strings texts;
    } refused[] = {
        {text, {"所选文件不是图片，未插入！"}},
        {dir / "big.png", {"所选图片有9000×9000像素，太大，未插入！"}},
    };
    for (const auto& c : refused) {
        dialogs.shown.clear();
        dialogs.files = {c.file};
        run([&] { page.BitBtn39Click(); });
        EXPECT_EQ(dialogs.texts(), c.texts);
        EXPECT_FALSE(page.binding.isEditing());
    }
    // A small file of a picture that takes much memory to show is stored after a warning.
    dialogs.shown.clear();
    dialogs.files = {dir / "wide.png"};
    run([&] { page.BitBtn39Click(); });
    EXPECT_EQ(dialogs.texts(), Strings{"图片有5700×5700像素，显示时约占124MB内存，超过16MB；请尽量使用较小的图片。"});
    page.binding.cancel();

    dialogs.shown.clear();
    dialogs.files = {small};
    run([&] { page.BitBtn39Click(); });
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(image(1), "NULL") << "not posted yet";
    page.binding.next();
    EXPECT_EQ(image(1), "BMsmall");

    dialogs.files = {large};
    run([&] { page.BitBtn39Click(); });
    EXPECT_EQ(messages(MessageKind::Warning),
              Strings{"图片有201KB，超过200KB；题库会复制到每一台学生机，请尽量使用较小的图片。"});
    run([&] { console->closeMainWindow(); });
    EXPECT_EQ(image(2).size(), kPictureWarningBytes + 2) << "the close stores the picture";
}

TEST_F(BankTest, APictureInsertedThenDeletedLeavesNullAndAnUnreadableFileKeepsTheOldOne) {
    addChoiceQuestions(1);
    reopen();
    ChoicePage& page = bank->choice;
    kav::test::writeFile(dir / "p.bmp", "BMp");
    dialogs.files = {dir / "p.bmp"};
    run([&] { page.BitBtn39Click(); });
    run([&] { page.BitBtn40Click(); });
    page.binding.post();
    auto select = connect("stu.mdb")->openTable("selecttest");
    EXPECT_TRUE(select->field("image").isNull());

    dialogs.files = {dir / "p.bmp"};
    run([&] { page.BitBtn39Click(); });
    page.binding.post();
    dialogs.files = {dir / "missing.bmp"};
    run([&] { page.BitBtn39Click(); });
    EXPECT_EQ(dialogs.shown.back().kind, MessageKind::Error);
    EXPECT_FALSE(page.binding.isEditing());
    EXPECT_EQ(kav::db::readString(page.binding.value(page.binding.columnIndex("select_question"))), "第1题");
}

TEST_F(BankTest, DeletingNamesTheRowAndAQuestionSaysTheLaterOnesAreRenumbered) {
    addChoiceQuestions(40);
    reopen();
    TableBinding& choice = bank->choice.binding;
    choice.moveToRow(5);
    dialogs.answers = {Answer::Ok};
    EXPECT_TRUE(choice.remove());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "确定要删除第5题“第5题”吗？\r" + std::string(kQuestionDeleteNote));
    EXPECT_EQ(dialogs.shown[0].buttons, Buttons::OkNoSafe);
    const Strings stems = column("stu.mdb", "selecttest", "select_question");
    ASSERT_EQ(stems.size(), 39u);
    EXPECT_EQ(stems[4], "第6题") << "question 6 is now the 5th";
    EXPECT_EQ(stems[38], "第40题");
    // Each page names what it deletes; No is the default and keeps the row.
    struct Case {
        TableBinding* binding;
        const char* column;
        const char* typed;
        std::string question;
    };
    const Case cases[] = {
        {&choice, "select_question", "下列软件中属于系统软件的是哪一个", "确定要删除第40题“下列软件中属于系统软件的……”吗？\r" + std::string(kQuestionDeleteNote)},
        {&bank->win.binding, "question1", "q", "确定要删除第1题吗？\r" + std::string(kQuestionDeleteNote)},
        {&bank->word.binding, "question", "q", "确定要删除第1题吗？\r" + std::string(kQuestionDeleteNote)},
        {&bank->roster.binding, "ksxm", "张三", "确定要删除考生“张三”（准考证号110100000001）吗？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        c.binding->insert();
        if (c.binding == &bank->roster.binding) type(*c.binding, "zkzh", "110100000001");
        if (c.binding == &choice) type(*c.binding, "correct_sel", "A");
        type(*c.binding, c.column, c.typed);
        c.binding->post();
        const int rows = c.binding->rowCount();
        dialogs.shown.clear();
        dialogs.answers = {Answer::No};
        c.binding->remove();
        EXPECT_EQ(dialogs.texts(), Strings{c.question});
        EXPECT_EQ(c.binding->rowCount(), rows);
    }
}

// ------------------------------------------------------------------ Word questions

TEST_F(BankTest, AWordFileNameWithAPathIsRefusedAndAMissingDocumentWarnedAbout) {
    kav::test::writeFile(dir / "word" / "w1.docx", "doc");
    TableBinding& word = bank->word.binding;
    word.insert();
    type(word, "filename_word", "..\\w1.docx");
    EXPECT_FALSE(word.post());
    EXPECT_EQ(dialogs.texts(), Strings{"Word文件名“..\\w1.docx”只能是word文件夹中的文件名，不能含有路径！"});
    dialogs.shown.clear();
    type(word, "filename_word", "w1.docx");
    EXPECT_TRUE(word.post());
    EXPECT_TRUE(dialogs.shown.empty());
    type(word, "filename_word", "w2.docx");
    EXPECT_TRUE(word.post());
    EXPECT_EQ(messages(MessageKind::Warning),
              Strings{"word文件夹中没有文件“w2.docx”，请把该Word文档放入word文件夹并列入更新文件。"});
}

TEST_F(BankTest, TheAnswerButtonWorksOnlyWithAnEditorAndAWordRow) {
    WordPage& page = bank->word;
    int opened = 0;
    std::string answerSeen;
    EXPECT_FALSE(page.button1Enabled()) << "no editor, no row";
    page.openRuleEditor = [&] {
        ++opened;
        // The editor works on the cursor's current row, which holds what was typed.
        kav::db::Cursor& word = console->data().ADOTable_word();
        answerSeen = word.field("question").asString();
        word.edit();
        word.field("answer").setString("规则");
        word.post();
    };
    EXPECT_FALSE(page.button1Enabled()) << "an empty word table";
    run([&] { page.Button1Click(); });
    EXPECT_EQ(opened, 0);

    page.binding.insert();
    type(page.binding, "question", "题目");
    type(page.binding, "filename_word", "w.docx");
    EXPECT_TRUE(page.button1Enabled());
    run([&] { page.Button1Click(); });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(answerSeen, "题目") << "the pending row is saved before the editor opens";
    EXPECT_EQ(page.binding.text(page.binding.columnIndex("answer")), "规则");

    // An untouched new row in an empty table is dropped by the save: no row, no editor.
    {
        auto word = connect("stu.mdb")->openTable("word");
        word->first();
        word->remove();
    }
    page.binding.refresh();
    page.binding.insert();
    run([&] { page.Button1Click(); });
    EXPECT_EQ(opened, 1);

    page.openRuleEditor = nullptr;
    EXPECT_FALSE(page.button1Enabled());
}

// ------------------------------------------------------------------ update list

TEST_F(BankTest, ABadUpdateListIsRefusedWithEveryReasonAndNothingIsStored) {
    UpdateListPage& page = bank->updateList;
    const Strings before = column("teacher.mdb", "updatefile", "filename");
    type(page.binding, "filename", "stu.mdb**..\\..\\etc\\x");
    run([&] { page.BitBtn41Click(); });
    EXPECT_EQ(dialogs.texts(), Strings{"更新文件列表有误，未保存：\r第2个文件名“”为空（两个*之间没有文件名）\r"
                                       "第3个文件名“..\\..\\etc\\x”不能含有“..”"});
    EXPECT_EQ(column("teacher.mdb", "updatefile", "filename"), before);

    // Share files every station would refuse: a link, a name matching two files, a folder.
    dialogs.shown.clear();
    std::filesystem::create_symlink("/etc/hostname", dir / "host.txt");
    kav::test::writeFile(dir / "txt" / "a.txt", "a");
    kav::test::writeFile(dir / "txt" / "A.txt", "A");
    type(page.binding, "filename", "host.txt*TXT\\a.TXT*txt");
    run([&] { page.BitBtn41Click(); });
    EXPECT_EQ(dialogs.texts(), Strings{"更新文件列表有误，未保存：\r“host.txt”在教师机上是符号链接，不能复制\r"
                                       "“TXT\\a.TXT”在教师机上对应多个只差大小写的文件\r“txt”在教师机上不是普通文件"});
    EXPECT_EQ(column("teacher.mdb", "updatefile", "filename"), before);
    // The close does not store it either.
    run([&] { console->closeMainWindow(); });
    EXPECT_FALSE(console->ended());
}

TEST_F(BankTest, AStoredUpdateListWarnsOfMissingFilesAndOfABankThatCannotGiveAnExam) {
    UpdateListPage& page = bank->updateList;
    kav::test::writeFile(dir / "txt" / "txt0.txt", "t");
    type(page.binding, "filename", "stu.mdb*txt\\txt0.txt*txt\\txt1.txt");
    run([&] { page.BitBtn41Click(); });
    EXPECT_EQ(column("teacher.mdb", "updatefile", "filename"), Strings{"stu.mdb*txt\\txt0.txt*txt\\txt1.txt"});
    EXPECT_EQ(console->mainWindow().doneText,
              "更新文件列表已存入教师数据库：学生机从" + dir.path().string() + "复制3个文件。");
    EXPECT_EQ(messages(MessageKind::Warning),
              Strings{"教师机上没有文件“txt\\txt1.txt”，学生机将无法复制它！\r"
                      "选择题只有0道，少于30道，学生机无法抽题！\r没有WIN题，学生机无法抽题！\r"
                      "没有WORD题，学生机无法开始考试！"});

    dialogs.shown.clear();
    type(page.binding, "filename", "");
    run([&] { page.BitBtn41Click(); });
    EXPECT_TRUE(dialogs.shown.empty());
    auto updatefile = connect("teacher.mdb")->openTable("updatefile");
    EXPECT_EQ(updatefile->recordCount(), 1);
    EXPECT_TRUE(updatefile->field("filename").isNull());
}

TEST_F(BankTest, TheUpdatePageShowsTheFlagThatItsCommandToggles) {
    UpdateListPage& page = bank->updateList;
    EXPECT_EQ(page.updateFlagText(), "更新题库(学生机)：关 —— 学生机启动时不复制文件。");
    dialogs.answers = {Answer::Yes};
    run([&] { console->mainWindow().N23Click(); });
    EXPECT_EQ(console->mainWindow().page, Page::UpdateList);
    EXPECT_EQ(page.updateFlagText(), "更新题库(学生机)：开 —— 学生机每次启动都会从教师机复制以上文件。");
    run([&] { console->mainWindow().N23Click(); });
    EXPECT_EQ(page.updateFlagText(), "更新题库(学生机)：关 —— 学生机启动时不复制文件。");
    EXPECT_EQ(state("update"), "False");
}

// ------------------------------------------------------------------ typing texts

std::string chinese(int characters) {
    std::string line;
    for (int i = 0; i < characters; ++i) line += "汉";
    return line;
}

TEST_F(BankTest, TheChecksShowTheirMessagesForTheTextsOwnLines) {
    TypingPage& page = bank->typing;
    struct Case {
        std::string text;
        Strings messages;
    };
    const Case cases[] = {
        {chinese(28) + "\n" + chinese(3) + "\n", {}},
        {chinese(29), {"请注意：第1行有超过28个汉字的文字行！！！"}},
        {chinese(27) + "a", {"请注意：第1行包含半角的字符！！！"}},
        {std::string(57, 'a'), {"请注意：第1行有超过28个汉字的文字行！！！", "请注意：第1行包含半角的字符！！！"}},
        {"汉\r\n汉\r\n" + chinese(29) + "\r\n汉\r\n汉a\r\n",
         {"请注意：第3行有超过28个汉字的文字行！！！", "请注意：第5行包含半角的字符！！！"}},
        {"汉\n汉😀汉\n", {"请注意：第2行的字符“😀”不能保存为打字文件！！！"}},
        // A long paragraph is one line: the box does not wrap it into short ones.
        {chinese(60), {"请注意：第1行有超过28个汉字的文字行！！！"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialogs.shown.clear();
        page.memo1 = c.text;
        run([&] { page.BitBtn21Click(); });
        EXPECT_EQ(dialogs.texts(), c.messages);
        EXPECT_EQ(page.checkFlag, !c.messages.empty());
    }
}

TEST_F(BankTest, GeneratingProposesTheNextFreeNameAndWritesTheLines) {
    TypingPage& page = bank->typing;
    const fs::path txt = dir / "txt";
    kav::test::writeFile(txt / "txt0.txt", "old0");
    kav::test::writeFile(txt / "txt1.txt", "old1");
    page.memo1 = "第一行\n\n第三行\n";
    dialogs.files = {txt / "txt2"};  // typed without extension
    run([&] { page.BitBtn22Click(); });
    EXPECT_EQ(dialogs.proposedFiles, std::vector<fs::path>{txt / "txt2.txt"});
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.lastText();
    Strings lines;
    for (const auto& gbk : kav::text::readTypingFile(txt / "txt2.txt", kav::text::TypingFileKind::Model))
        lines.push_back(kav::text::gbkToUtf8(gbk));
    EXPECT_EQ(lines, (Strings{"第一行", "", "第三行"}));
    EXPECT_EQ(console->mainWindow().doneText, "打字文件已保存到" + (txt / "txt2.txt").string());
}

TEST_F(BankTest, GeneratingAsksBeforeReplacingAndWarnsOfANameTheClientCannotDraw) {
    TypingPage& page = bank->typing;
    const fs::path txt = dir / "txt";
    kav::test::writeFile(txt / "txt0.txt", "old0");
    page.memo1 = "新的文字";
    struct Case {
        fs::path chosen;
        std::deque<Answer> answers;
        Strings questions;
        bool written;
    };
    const Case cases[] = {
        {txt / "txt0.txt", {Answer::No}, {"文件txt0.txt已经存在，要替换它吗？"}, false},
        {txt / "txt0.txt", {Answer::Yes}, {"文件txt0.txt已经存在，要替换它吗？"}, true},
        {txt / "txt5.txt",
         {Answer::Cancel},
         {"文件名txt5.txt不符合规则：txt文件夹中只能有txt0.txt、txt1.txt……，数字从0起逐一递增，否则学生机抽不到其中的一些文件。\r仍要保存吗？"},
         false},
        {dir / "txt1.txt", {Answer::Ok}, {"文件名txt1.txt不符合规则：txt文件夹中只能有txt0.txt、txt1.txt……，数字从0起逐一递增，否则学生机抽不到其中的一些文件。\r仍要保存吗？"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.string());
        kav::test::writeFile(txt / "txt0.txt", "old0");
        dialogs.shown.clear();
        dialogs.files = {c.chosen};
        dialogs.answers = c.answers;
        run([&] { page.BitBtn22Click(); });
        EXPECT_EQ(dialogs.texts(), c.questions);
        EXPECT_EQ(fs::exists(c.chosen) && kav::test::readFile(c.chosen) != "old0", c.written);
    }
}

TEST_F(BankTest, AnEmptyOrFaultyTextWritesNothingAndAsksForNoFile) {
    TypingPage& page = bank->typing;
    const std::pair<std::string, std::string> cases[] = {
        {"", "没有输入打字文字，不能生成打字文件！"},
        {"\n\n", "没有输入打字文字，不能生成打字文件！"},
        {"半角", ""},
    };
    for (const auto& [text, refusal] : cases) {
        dialogs.shown.clear();
        page.memo1 = text + (refusal.empty() ? "a" : "");
        dialogs.files = {dir / "txt" / "txt0.txt"};
        run([&] { page.BitBtn22Click(); });
        if (!refusal.empty()) {
            EXPECT_EQ(dialogs.texts(), Strings{refusal});
        }
        EXPECT_TRUE(dialogs.proposedFiles.empty());
        EXPECT_FALSE(fs::exists(dir / "txt" / "txt0.txt"));
        dialogs.files.clear();
    }
}

// ------------------------------------------------------------------ import

TEST_F(BankTest, ImportAppendsTheFilesRowsOrReportsEveryBadLine) {
    addCandidate("110199990001");
    reopen();
    RosterPage& roster = bank->roster;
    kav::test::writeFile(dir / "good.csv", "准考证号,姓名,密码\n110199990002,李四,pw\n110199990003,王五,pw\n");
    kav::test::writeFile(dir / "bad.csv", "110199990004,赵六,pw\n110199990001,张三,pw\n");
    dialogs.files = {dir / "bad.csv"};
    run([&] { roster.ImportClick(); });
    EXPECT_EQ(messages(MessageKind::Warning),
              Strings{"文件有错误，没有导入任何一行：\r第2行：准考证号“110199990001”已经有考生使用！"});
    // A box lists the first 20 bad rows and counts them all.
    std::string many;
    for (int i = 0; i < 25; ++i) many += "1101/" + std::to_string(i) + ",某,pw\n";
    kav::test::writeFile(dir / "many.csv", many);
    dialogs.shown.clear();
    dialogs.files = {dir / "many.csv"};
    run([&] { roster.ImportClick(); });
    const std::string box = dialogs.lastText();
    EXPECT_EQ(std::count(box.begin(), box.end(), '\r'), 21) << box;
    EXPECT_NE(box.find("\r……共有25行有错误，以上是前20行。"), std::string::npos) << box;
    EXPECT_EQ(roster.binding.rowCount(), 1);

    dialogs.shown.clear();
    dialogs.files = {dir / "good.csv"};
    dialogs.cancelAfter = 1;  // 取消 pressed while the rows go in
    run([&] { roster.ImportClick(); });
    EXPECT_EQ(dialogs.texts(), Strings{"导入已取消，没有导入任何一行。"});
    EXPECT_EQ(column("stu.mdb", "student", "zkzh"), Strings{"110199990001"});

    dialogs.shown.clear();
    dialogs.cancelAfter.reset();
    dialogs.files = {dir / "good.csv"};
    run([&] { roster.ImportClick(); });
    EXPECT_EQ(dialogs.progressLabels.back(), "正在导入good.csv……");
    EXPECT_EQ(dialogs.progressReports.back(), std::make_pair(2, 2));
    EXPECT_EQ(dialogs.texts(), Strings{"已导入2行。"});
    EXPECT_EQ(roster.binding.rowCount(), 3);
    EXPECT_EQ(roster.binding.currentRow(), 2);
    EXPECT_EQ(column("stu.mdb", "student", "zkzh"), (Strings{"110199990001", "110199990002", "110199990003"}));
    EXPECT_EQ(column("stu.mdb", "student", "kscj"), (Strings{"55", "0", "0"}));
}

TEST_F(BankTest, ImportFirstSavesThePendingRowAndStopsWhenItIsRefused) {
    ChoicePage& choice = bank->choice;
    kav::test::writeFile(dir / "q.csv", "题干,A,B,C,D,答案\n题,1,2,3,4,a\n");
    choice.binding.insert();
    type(choice.binding, "correct_sel", "X");
    dialogs.files = {dir / "q.csv"};
    run([&] { choice.ImportClick(); });
    EXPECT_EQ(dialogs.texts(), Strings{"标准答案只能是A、B、C、D中的一个字母！"});
    EXPECT_EQ(dialogs.files.size(), 1u) << "no file was asked for";
    type(choice.binding, "correct_sel", "d");
    run([&] { choice.ImportClick(); });
    EXPECT_EQ(column("stu.mdb", "selecttest", "correct_sel"), (Strings{"d", "a"}));
}

}  // namespace
}  // namespace mendrix::bank
