#include "tools/demo/demo_lab.h"


#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "client/grading/wintask/wintask.h"
#include "common/answer/answer_text.h"
#include "common/db/database.h"
#include "common/platform/platform.h"
#include "common/text/typing_file.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"
#include "tools/demo/bitmap.h"
#include "tools/demo/demo_bank.h"

namespace fs = std::filesystem;
using namespace kav::demo;
using kav::test::readFile;
using kav::test::TempDir;

namespace {

class DemoLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        lab_ = new DemoLab(buildDemoLab(dir_->path() / "lab"));
    }
    static void TearDownTestSuite() {
        delete lab_;
        delete dir_;
    }
    static std::unique_ptr<kav::db::Connection> open(const fs::path& file, std::string password = {}) {
        auto cs = kav::db::ConnectionString::forDataSource(file.string());
        if (!password.empty()) cs.password = password;
        return kav::db::connect(cs.toString(), file.parent_path());
    }
    static std::vector<std::string> column(kav::db::Connection& c, const char* table, const char* name) {
        std::vector<std::string> values;
        auto cursor = c.openTable(table);
        for (cursor->first(); !cursor->eof(); cursor->next()) values.push_back(cursor->field(name).asString());
        return values;
    }

    static TempDir* dir_;
    static DemoLab* lab_;
};
TempDir* DemoLabTest::dir_ = nullptr;
DemoLab* DemoLabTest::lab_ = nullptr;

}  // namespace

TEST_F(DemoLabTest, LaysOutTheTeacherFolderStationsAndDriveC) {
    const fs::path root = dir_->path() / "lab";
    EXPECT_EQ(lab_->teacher, root / "teacher");
    EXPECT_EQ(lab_->driveC, root / "c");
    ASSERT_EQ(lab_->stations.size(), 2u);
    EXPECT_EQ(lab_->stations[0], root / "station1");
    EXPECT_TRUE(fs::is_directory(lab_->driveC / "kavlor"));
    EXPECT_TRUE(fs::is_directory(lab_->driveC / "kavtmp"));

    for (const fs::path& folder : {lab_->teacher, lab_->stations[0], lab_->stations[1]}) {
        SCOPED_TRACE(folder.string());
        EXPECT_TRUE(fs::is_regular_file(folder / "stu.mdb"));
        for (std::size_t n = 0; n < typingTexts().size(); ++n)
            EXPECT_TRUE(fs::is_regular_file(folder / "txt" / ("txt" + std::to_string(n) + ".txt"))) << n;
        for (const WordTask& t : wordTasks()) {
            ASSERT_TRUE(fs::is_regular_file(folder / "word" / t.fileName)) << t.fileName;
            EXPECT_EQ(readFile(folder / "word" / t.fileName).substr(0, 2), "PK");  // a .docx is a zip
        }
        for (const SourceFile& f : sourceFiles()) EXPECT_EQ(readFile(folder / "file" / f.name), f.content) << f.name;
        EXPECT_EQ(readBmp(readFile(folder / "file" / "PHOTO.BMP")).width(), 160);
    }
    EXPECT_TRUE(fs::is_regular_file(lab_->teacher / "teacher.mdb"));
    EXPECT_FALSE(fs::exists(lab_->stations[0] / "teacher.mdb"));
    // The student machine finds the teacher's folder by the first line of tpath.txt.
    EXPECT_EQ(readFile(lab_->stations[0] / "tpath.txt"), lab_->teacher.string() + "\r\n");
    EXPECT_EQ(kav::platform::fileAttributes(lab_->stations[0] / "file" / "README.TXT"), 33u);
}

TEST_F(DemoLabTest, DatabasesOpenOnlyWithThePassword) {
    EXPECT_THROW(open(lab_->teacher / "stu.mdb", "wrong"), kav::db::DbError);
    EXPECT_THROW(open(lab_->teacher / "teacher.mdb", "wrong"), kav::db::DbError);
    auto teacher = open(lab_->teacher / "teacher.mdb");
    EXPECT_EQ(column(*teacher, "state", "korl"), std::vector<std::string>{"1"});
    EXPECT_EQ(column(*teacher, "user", "username").size(), 4u);
    EXPECT_EQ(teacher->openTable("score")->recordCount(), 0);
}

TEST_F(DemoLabTest, RosterHasFiftyCandidatesInOrder) {
    for (const fs::path& folder : {lab_->teacher, lab_->stations[1]}) {
        auto stu = open(folder / "stu.mdb");
        auto zkzh = column(*stu, "student", "zkzh");
        auto names = column(*stu, "student", "ksxm");
        auto passwords = column(*stu, "student", "login_keyword");
        ASSERT_EQ(zkzh.size(), 50u);
        EXPECT_EQ(zkzh.front(), "110199990001");
        EXPECT_EQ(zkzh[9], "110199990010");
        EXPECT_EQ(zkzh.back(), "110199990050");
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 50u);
        for (std::size_t i = 0; i < zkzh.size(); ++i) {
            EXPECT_FALSE(names[i].empty());
            EXPECT_EQ(passwords[i], zkzh[i].substr(6));
        }
        EXPECT_EQ(column(*stu, "student", "havelogined"), std::vector<std::string>(50, "0"));
        EXPECT_EQ(stu->openTable("ct")->recordCount(), 0);
    }
}

TEST_F(DemoLabTest, ChoiceBankHasRealQuestionsAndBitmapPictures) {
    auto stu = open(lab_->stations[0] / "stu.mdb");
    auto select = stu->openTable("selecttest");
    ASSERT_GE(select->recordCount(), 40);
    ASSERT_EQ(select->recordCount(), int(choiceQuestions().size()));
    std::map<std::string, int> letters;
    int pictures = 0, number = 1;
    for (select->first(); !select->eof(); select->next(), ++number) {
        EXPECT_EQ(select->field("ID").asInteger(), number);
        EXPECT_FALSE(select->field("select_question").asString().empty());
        for (const char* option : {"sel_a", "sel_b", "sel_c", "sel_d"})
            EXPECT_FALSE(select->field(option).asString().empty()) << number << option;
        std::string correct = select->field(6).asString();
        ASSERT_TRUE(correct == "a" || correct == "b" || correct == "c" || correct == "d") << number;
        ++letters[correct];
        kav::db::Blob image = select->field("image").asBlob();
        if (image.empty()) continue;
        ++pictures;
        Canvas c = readBmp(std::string(image.begin(), image.end()));
        EXPECT_EQ(c.width(), 148);
        EXPECT_EQ(c.height(), 120);
        std::set<std::uint32_t> colours;  // a drawing, not a blank
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) colours.insert(c.pixel(x, y).r << 16 | c.pixel(x, y).g << 8 | c.pixel(x, y).b);
        EXPECT_GE(colours.size(), 3u) << number;
    }
    EXPECT_GE(pictures, 4);
    EXPECT_EQ(letters.size(), 4u);  // every letter is right somewhere
}

TEST_F(DemoLabTest, TypingFilesDecodeToTheTextsWithinTheLineRules) {
    for (std::size_t n = 0; n < typingTexts().size(); ++n) {
        auto lines = kav::text::readTypingFile(lab_->stations[0] / "txt" / ("txt" + std::to_string(n) + ".txt"),
                                               kav::text::TypingFileKind::Model);
        EXPECT_EQ(lines, typingModelLines(typingTexts()[n])) << n;
        EXPECT_GE(lines.size(), 5u);
        EXPECT_TRUE(kav::text::checkModelLines(lines).empty()) << n;
        std::string joined;
        for (auto& l : lines) joined += kav::text::gbkToUtf8(l);
        EXPECT_EQ(joined, typingTexts()[n]);
    }
}

TEST(TypingModelLines, WrapsAt28AndKeepsClosingPunctuationOffTheLineStart) {
    std::string text;
    for (int i = 0; i < 28; ++i) text += "字";
    text += "。下一行";
    auto lines = typingModelLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 54u);  // 27 characters: the 28th went down with the full stop
    EXPECT_EQ(kav::text::gbkToUtf8(lines[1]), "字。下一行");
    EXPECT_THROW(typingModelLines("半角a字"), std::runtime_error);
    EXPECT_THROW(typingModelLines("数字1"), std::runtime_error);
}

TEST_F(DemoLabTest, WordTasksScoreThirtyAndCoverEveryArea) {
    auto stu = open(lab_->teacher / "stu.mdb");
    auto files = column(*stu, "word", "filename_word");
    auto answers = column(*stu, "word", "answer");
    ASSERT_GE(files.size(), 3u);
    for (std::size_t t = 0; t < answers.size(); ++t) {
        SCOPED_TRACE(files[t]);
        EXPECT_TRUE(fs::is_regular_file(lab_->stations[0] / "word" / files[t]));
        std::set<std::string> areas;
        std::int64_t total = 0;
        auto parts = kav::answer::parseAnswerText(answers[t]);
        EXPECT_LE(parts.size(), kav::answer::kMaxParts);
        for (const auto& part : parts)
            for (const auto& rule : part.rules) {
                auto kind = kav::answer::parseWholeNumber(rule.field(1));
                auto score = kav::answer::parseWholeNumber(rule.field(2));
                ASSERT_TRUE(kind && *kind >= 1 && *kind <= 81) << rule.text;
                ASSERT_TRUE(score && *score > 0) << rule.text;
                EXPECT_LE(rule.fields.size(), kav::answer::kMaxFields);
                total += *score;
                if (*kind <= 11) areas.insert("characters");
                else if (*kind >= 23 && *kind <= 37) areas.insert("paragraphs");
                else if (*kind >= 55 && *kind <= 64) areas.insert("page");
                else if (*kind >= 65 && *kind <= 80) areas.insert("table");
            }
        EXPECT_EQ(total, 30);
        EXPECT_TRUE(areas.count("paragraphs") && areas.count("page") && areas.count("table"));
    }
    // Character rules appear in the bank.
    bool characters = false;
    for (const auto& a : answers) characters |= a.find("*10 2 1 ") != std::string::npos;
    EXPECT_TRUE(characters);
}

// The teacher's solution of each Windows task, done with the file system.
namespace {
using Solution = std::function<void(const fs::path&)>;

void setAttributes(const fs::path& p, std::uint32_t a) {
    std::string error;
    ASSERT_TRUE(kav::platform::setFileAttributes(p, a, &error)) << error;
}

const std::vector<Solution>& solutions() {
    using namespace kav::platform;
    static const std::vector<Solution> s = {
        [](const fs::path& f) {
            fs::create_directory(f / "WORK");
            fs::copy_file(f / "DATA" / "REPORT.TXT", f / "WORK" / "REPORT.TXT");
            fs::remove(f / "TEMP" / "OLD.BAK");
            setAttributes(f / "NOTE.TXT", kAttrReadOnly);
            fs::remove(f / "EMPTY");
        },
        [](const fs::path& f) {
            fs::rename(f / "BOOK" / "LIST.DOC", f / "BOOK" / "BOOKLIST.DOC");
            fs::rename(f / "MUSIC" / "SONG.MP3", f / "MEDIA" / "SONG.MP3");
            fs::create_directory(f / "MEDIA" / "VIDEO");
            setAttributes(f / "CONFIG.INI", kAttrHidden);
            setAttributes(f / "README.TXT", 0);
        },
        [](const fs::path& f) {
            fs::create_directory(f / "SCHOOL" / "CLASS1");
            fs::create_directory(f / "SCHOOL" / "CLASS2");
            fs::copy_file(f / "SCHOOL" / "STUDENT.XLS", f / "SCHOOL" / "CLASS1" / "NAMES.XLS");
            fs::remove(f / "SCHOOL" / "SCORE.BAK");
            fs::remove_all(f / "OLD");
            kav::test::writeFile(f / "PLAN.TXT", "");
        },
        [](const fs::path& f) {
            setAttributes(f / "DOCS" / "MEMO.TXT", kAttrReadOnly | kAttrHidden);
            setAttributes(f / "PRIVATE", kAttrHidden);
            fs::rename(f / "DOCS" / "DRAFT.TXT", f / "FINAL.TXT");
            fs::remove_all(f / "TRASH");
            fs::create_directory(f / "BACKUP");
            fs::copy_file(f / "DATA.DAT", f / "BACKUP" / "DATA.DAT");
        },
        [](const fs::path& f) {
            fs::create_directories(f / "GAME" / "SAVE");
            fs::rename(f / "DOWNLOAD" / "SETUP.EXE", f / "GAME" / "SETUP.EXE");
            fs::rename(f / "DOWNLOAD" / "PHOTO.BMP", f / "DOWNLOAD" / "HOLIDAY.BMP");
            fs::remove(f / "VIRUS.COM");
            setAttributes(f / "DOWNLOAD" / "NEWS.HTM", kAttrReadOnly);
        },
    };
    return s;
}
}  // namespace

TEST_F(DemoLabTest, WindowsTasksPrepareScoreNothingUntouchedAndTwentyWhenSolved) {
    auto stu = open(lab_->stations[0] / "stu.mdb");
    auto question2 = column(*stu, "win", "question2");
    auto answers = column(*stu, "win", "answer");
    ASSERT_EQ(answers.size(), solutions().size());
    std::set<std::string> codes;
    TempDir drive;
    setenv("KAVLOR_DRIVE_C", drive.path().c_str(), 1);
    for (std::size_t t = 0; t < answers.size(); ++t) {
        SCOPED_TRACE("Windows task " + std::to_string(t + 1));
        const std::string folder = "c:\\kavlor\\task" + std::to_string(t + 1);
        const fs::path onDisk = kav::platform::resolve(folder);
        fs::create_directories(onDisk);
        kav::wintask::prepareCandidateFolder(folder, question2[t], lab_->stations[0]);
        auto untouched = kav::wintask::gradeCandidateFolder(folder, answers[t]);
        EXPECT_EQ(untouched.score, 0) << untouched.storedText;
        solutions()[t](onDisk);
        auto solved = kav::wintask::gradeCandidateFolder(folder, answers[t]);
        EXPECT_EQ(solved.score, 20) << solved.storedText;
        EXPECT_EQ(solved.storedText, "好极了！全部答对！");
        for (const auto& item : kav::answer::parseAnswerText(answers[t]))
            for (const auto& check : item.rules) codes.insert(check.field(1));
    }
    unsetenv("KAVLOR_DRIVE_C");
    for (const char* code : {"5", "6", "7", "8"}) EXPECT_TRUE(codes.count(code)) << code;
    EXPECT_GE(codes.size(), 7u);  // and attribute words besides
}

TEST(DemoLabFolder, RefusesAFolderThatIsNotEmptyAndTouchesNothing) {
    TempDir dir;
    kav::test::writeFile(dir / "keep.txt", "mine");
    try {
        buildDemoLab(dir.path());
        FAIL() << "built into a folder that holds a file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("not an empty folder"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(dir / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(dir / "teacher"));
    EXPECT_THROW(buildDemoLab(dir / "new", 0), std::runtime_error);
}

TEST(DemoLabCommand, ExitsNonZeroWithAMessageOnBadInput) {
    TempDir dir;
    kav::test::writeFile(dir / "full" / "x", "x");
    std::string printed;
    auto run = [&](const std::string& args) {
        kav::test::ToolRun r = kav::test::runKavtool("demo-lab " + args);
        printed = r.out + r.err;
        return r.status;
    };
    EXPECT_EQ(run(""), 2);
    EXPECT_NE(printed.find("usage: kavtool demo-lab DIR"), std::string::npos);
    EXPECT_EQ(run((dir / "lab").string() + " zero"), 2);
    EXPECT_NE(printed.find("STATIONS must be a number"), std::string::npos);
    EXPECT_EQ(run((dir / "full").string()), 1);
    EXPECT_NE(printed.find("not an empty folder"), std::string::npos);
    EXPECT_EQ(run((dir / "lab").string() + " 1"), 0);
    EXPECT_TRUE(fs::is_regular_file(dir / "lab" / "station1" / "stu.mdb"));
    EXPECT_FALSE(fs::exists(dir / "lab" / "station2"));
}
