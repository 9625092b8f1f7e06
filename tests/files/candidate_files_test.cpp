// The candidate's file manager without its window: names Windows refuses, the
// operations refused in the candidate folder, and a Windows task done through
// the operations and scored by the Windows-task grading.
#include "client/files/candidate_files.h"

#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "client/grading/wintask/wintask.h"
#include "common/platform/platform.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace kavlor::files {
namespace {

namespace fs = std::filesystem;
namespace plat = kav::platform;
using kav::test::writeFile;

class CandidateFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KAVLOR_DRIVE_C", (tmp / "c").c_str(), 1);
        fs::create_directories(root / "A" / "B");
        writeFile(root / "x.txt", "x");
        writeFile(root / "A" / "X.TXT", "other");
        fs::create_directories(root / "R");
        ASSERT_TRUE(plat::setFileAttributes(root / "R", plat::kAttrReadOnly));
        writeFile(root / "R" / "in.txt", "in");
        writeFile(tmp / "c" / "kavlor" / "outside.txt", "not the candidate's");
    }
    void TearDown() override {
        // Read-only folders cannot be emptied otherwise.
        for (auto& e : fs::recursive_directory_iterator(tmp.path()))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        unsetenv("KAVLOR_DRIVE_C");
    }
    std::uint32_t attrs(const std::string& relative) { return plat::fileAttributes(root / relative).value_or(0); }

    kav::test::TempDir tmp;
    fs::path root = tmp / "c" / "kavlor" / "11010001";
    CandidateFiles files{root};
};

TEST(CandidateFileNames, WindowsRulesAndTheStationsOwn) {
    const struct {
        const char* name;
        const char* refusal;  // nullptr: allowed
    } cases[] = {
        {"报告.docx", nullptr},
        {"a b.txt", nullptr},
        {"CONFIG.SYS", nullptr},
        {"", "名称不能为空。"},
        {"   ", "名称不能为空。"},
        {"a/b", "名称不能包含下列任何字符：\\ / : * ? \" < > |"},
        {"a\\b", "名称不能包含下列任何字符：\\ / : * ? \" < > |"},
        {"what?", "名称不能包含下列任何字符：\\ / : * ? \" < > |"},
        {"tab\there", "名称不能包含下列任何字符：\\ / : * ? \" < > |"},
        {"..", "名称不能以句点开头。"},
        {".hidden", "名称不能以句点开头。"},
        {"name.", "名称不能以句点或空格结尾。"},
        {"name ", "名称不能以句点或空格结尾。"},
        {"con", "“con”是系统保留的名称，请换一个名称。"},
        {"Lpt1.txt", "“Lpt1.txt”是系统保留的名称，请换一个名称。"},
    };
    for (const auto& c : cases) {
        const Refusal r = checkName(c.name);
        if (c.refusal)
            EXPECT_EQ(r.value_or("(allowed)"), c.refusal) << c.name;
        else
            EXPECT_FALSE(r) << c.name << ": " << *r;
    }
    EXPECT_TRUE(checkName(std::string(256, 'a')));
}

TEST_F(CandidateFilesTest, RefusesWhatWouldLeaveTheFolderClashOrBreakIt) {
    const struct {
        const char* what;
        std::function<Refusal()> run;
        const char* refusal;
    } cases[] = {
        {"a name taken, in another case", [&] { return files.createFolder(root, "a"); },
         "此位置已经有名为“a”的文件或文件夹。"},
        {"a file where a folder is", [&] { return files.createFile(root / "A", "x.txt"); },
         "此位置已经有名为“x.txt”的文件或文件夹。"},
        {"a read-only folder", [&] { return files.createFile(root / "R", "n.txt"); },
         "文件夹“R”是只读的，不能在其中新建、粘贴、重命名或删除。"},
        {"deleting in a read-only folder", [&] { return files.remove(root / "R" / "in.txt"); },
         "文件夹“R”是只读的，不能在其中新建、粘贴、重命名或删除。"},
        {"the folder itself", [&] { return files.rename(root, "mine"); }, "不能重命名考生文件夹本身。"},
        {"deleting the folder itself", [&] { return files.remove(root / "A" / ".."); }, "不能删除考生文件夹本身。"},
        {"above the folder", [&] { return files.remove(root / ".." / "outside.txt"); },
         "不能删除考生文件夹以外的文件。"},
        {"creating above the folder", [&] { return files.createFolder(root / "..", "y"); },
         "不能在考生文件夹以外操作。"},
        {"a name refused", [&] { return files.rename(root / "x.txt", "x?.txt"); },
         "名称不能包含下列任何字符：\\ / : * ? \" < > |"},
        {"an item gone", [&] { return files.setReadOnly(root / "gone.txt", true); }, "“gone.txt”已不存在。"},
        {"moving a folder into its own subfolder",
         [&] {
             files.cut({root / "A"});
             return files.paste(root / "A" / "B");
         },
         "不能将文件夹“A”移动到它自己或它的子文件夹中。"},
        {"copying a folder into itself",
         [&] {
             files.copy({root / "A"});
             return files.paste(root / "A");
         },
         "不能将文件夹“A”复制到它自己或它的子文件夹中。"},
        {"pasting onto a name taken",
         [&] {
             files.copy({root / "x.txt"});
             return files.paste(root / "A");
         },
         "此位置已经有名为“x.txt”的文件或文件夹。"},
        {"pasting from outside",
         [&] {
             files.copy({root / ".." / "outside.txt"});
             return files.paste(root / "A" / "B");
         },
         "不能复制考生文件夹以外的文件。"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.run().value_or("(done)"), c.refusal) << c.what;
    // Nothing of that changed the folder.
    EXPECT_EQ(kav::test::readFile(root / "A" / "X.TXT"), "other");
    EXPECT_TRUE(fs::exists(root / "x.txt"));
    EXPECT_TRUE(fs::exists(root / "R" / "in.txt"));
    EXPECT_TRUE(fs::exists(tmp / "c" / "kavlor" / "outside.txt"));
    EXPECT_FALSE(fs::exists(root / "A" / "B" / "outside.txt"));
}

TEST_F(CandidateFilesTest, AWindowsTaskDoneThroughTheOperationsScoresFull) {
    writeFile(root / "move.txt", "m");
    writeFile(root / "old.txt", "o");
    writeFile(root / "del.txt", "d");
    fs::create_directories(root / "DEL" / "IN");
    ASSERT_TRUE(plat::setFileAttributes(root / "DEL" / "IN", plat::kAttrReadOnly));
    ASSERT_TRUE(plat::setFileAttributes(root / "move.txt", plat::kAttrHidden));

    EXPECT_FALSE(files.createFolder(root, "NEW"));
    EXPECT_FALSE(files.createFile(root / "NEW", "a.txt"));
    files.copy({root / "x.txt"});
    EXPECT_FALSE(files.paste(root / "A" / "B"));
    EXPECT_FALSE(files.paste(root));  // beside the original: a copy named as Explorer names it
    files.cut({root / "move.txt"});
    EXPECT_FALSE(files.paste(root / "NEW"));
    EXPECT_FALSE(files.canPaste());  // a cut is pasted once
    EXPECT_FALSE(files.rename(root / "old.txt", "新.txt"));
    EXPECT_FALSE(files.remove(root / "del.txt"));
    EXPECT_FALSE(files.remove(root / "DEL"));  // with a read-only folder inside
    EXPECT_FALSE(files.setReadOnly(root / "A" / "B" / "x.txt", true));
    EXPECT_FALSE(files.setHidden(root / "NEW" / "a.txt", true));
    files.cut({root / "R"});  // a read-only folder keeps its attribute when moved
    EXPECT_FALSE(files.paste(root / "A"));
    files.copy({root / "A" / "B" / "x.txt"});  // a copy keeps read-only
    EXPECT_FALSE(files.paste(root / "NEW"));

    const std::string answer =
        "7 NEW*5 NEW\\a.txt**5 A\\B\\x.txt*5 x - 副本.txt*5 x.txt**5 NEW\\move.txt*6 move.txt*34 NEW\\move.txt**"
        "5 新.txt*6 old.txt*6 del.txt*8 DEL**33 A\\B\\x.txt*34 NEW\\a.txt*17 A\\R*33 NEW\\x.txt*8 R";
    const auto grade = kav::wintask::gradeCandidateFolder("c:\\kavlor\\11010001", answer);
    EXPECT_EQ(grade.score, 20) << grade.errorText;
    EXPECT_EQ(kav::test::readFile(root / "A" / "R" / "in.txt"), "in");
    // Nothing the candidate cannot see was left behind: only the hidden lists.
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.path().filename().string().front() == '.') EXPECT_EQ(e.path().filename(), ".hidden") << e.path();
}

TEST_F(CandidateFilesTest, TheHandlersAskForNamesAndSayWhatIsRefused) {
    kav::test::FakeDialogs dialogs;
    FileManager manager(dialogs, root);
    dialogs.replies = {std::nullopt, "新建文件夹", "a"};
    manager.newFolder(root);  // cancelled
    manager.newFolder(root);
    manager.newFolder(root);
    EXPECT_EQ(dialogs.promptInitials, (std::vector<std::string>{"新建文件夹", "新建文件夹", "新建文件夹 (2)"}));
    EXPECT_TRUE(fs::is_directory(root / "新建文件夹"));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"此位置已经有名为“a”的文件或文件夹。"});
    dialogs.replies = {std::nullopt};
    manager.newFolder(root);  // the next free name is proposed
    manager.newFile(root);
    EXPECT_EQ(dialogs.promptInitials.at(3), "新建文件夹 (2)");  // the free name proposed
    EXPECT_EQ(dialogs.promptInitials.at(4), "新建文本文档.txt");

    dialogs.shown.clear();
    dialogs.answers = {kav::ui::Answer::No, kav::ui::Answer::Yes};
    manager.remove({root / "x.txt"});
    EXPECT_TRUE(fs::exists(root / "x.txt"));
    manager.remove({root / "x.txt", root / "A"});
    EXPECT_FALSE(fs::exists(root / "x.txt"));
    EXPECT_FALSE(fs::exists(root / "A"));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"确实要删除“x.txt”吗？", "确实要删除这 2 项吗？"}));
}

}  // namespace
}  // namespace kavlor::files
