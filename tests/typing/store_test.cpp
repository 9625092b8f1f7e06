// The typed-text file written beside the window: what the writer thread
// leaves equals what a synchronous save leaves, a later save is never
// overtaken by an earlier store, and a kill at any moment leaves a whole file.
#include "client/screens/typing/typed_file_store.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/grading/typing_cells.h"
#include "common/platform/messages.h"
#include "tests/typing/typing_fixture.h"

namespace kav::typing {
namespace {

using test::modelLine;

// Typed lines as the screen holds them: empty lines, typed ones, a line that
// insert mode pushed past 56 bytes, and half-width letters.
std::vector<std::string> typedLines(std::size_t count, int variant) {
    std::vector<std::string> lines(count, emptyTypedLine());
    for (std::size_t i = 0; i < count; i += 3) lines[i] = modelLine(static_cast<int>(i) + variant);
    if (count > 1) lines[1] = modelLine(variant) + "\xD6\xD0";  // 58 bytes
    if (count > 2) lines[2] = "a b c " + std::string(50, ' ');
    return lines;
}

// Tells the store that every line may have changed.
void allChanged(TypedFileStore& store, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) store.lineChanged(i);
}

class Store : public ::testing::Test, protected test::TypingSetup {
protected:
    std::filesystem::path file() const { return dir.path() / "kavtmp" / "11010001"; }
    std::vector<std::string> read(const std::filesystem::path& f) const {
        return text::readTypingFile(f, text::TypingFileKind::Typed);
    }
    text::KeyDrawer keys{clock};
};

TEST_F(Store, WhatTheWriterLeavesEqualsTheSynchronousSave) {
    std::vector<std::string> lines = typedLines(700, 1);
    TypedFileStore background(file(), keys);
    TypedFileStore synchronous(dir.path() / "sync" / "11010001", keys);
    // Three rounds: all lines new, then a few changed lines, then a line back to empty.
    const std::vector<std::vector<std::size_t>> changes = {{}, {0, 5, 699}, {3}};
    for (const auto& changed : changes) {
        for (std::size_t i : changed) {
            lines[i] = i == 3 ? emptyTypedLine() : modelLine(static_cast<int>(i) + 40);
            background.lineChanged(i);
            synchronous.lineChanged(i);
        }
        background.store(lines);
        synchronous.storeNow(lines);
        background.waitIdle();
        EXPECT_EQ(background.takeOutcome(), std::optional<std::string>(""));
        EXPECT_EQ(read(file()), lines);
        EXPECT_EQ(read(synchronous.file()), lines);
    }
    EXPECT_FALSE(std::filesystem::exists(file().string() + ".tmp"));
    EXPECT_EQ(background.takeOutcome(), std::nullopt);  // each outcome is told once
}

TEST_F(Store, AFinalSaveIsNeverOvertakenByAnEarlierStore) {
    TypedFileStore store(file(), keys);
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 4; ++i) {
            allChanged(store, 2000);
            store.store(typedLines(2000, round * 10 + i));  // one in progress, the next queued
        }
        const std::vector<std::string> final = typedLines(2000, round + 500);
        allChanged(store, final.size());
        store.storeNow(final);
        ASSERT_EQ(read(file()), final) << "round " << round;
        store.waitIdle();  // nothing older is written afterwards
        ASSERT_EQ(read(file()), final) << "round " << round;
    }
}

TEST_F(Store, WhatWasStoredIsWrittenBeforeTheStoreGoes) {
    const std::vector<std::string> lines = typedLines(5000, 7);
    {
        TypedFileStore store(file(), keys);
        store.store(lines);
    }
    EXPECT_EQ(read(file()), lines);
}

// Told at once when the folder cannot be made, else by the writer's outcome,
// once; either way the file stored before stays whole.
TEST_F(Store, AFileThatCannotBeWrittenIsToldOnceAndThePreviousOneStays) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path& file)> spoil;
        const char* named;  // in the error's text
    };
    const std::vector<Case> cases = {
        {"scratch folder is a file",
         [](const std::filesystem::path& file) {
             std::filesystem::remove_all(file.parent_path());
             kav::test::writeFile(file.parent_path(), "not a folder");
         },
         "kavtmp"},
        {"temporary file's place is a folder",
         [](const std::filesystem::path& file) { std::filesystem::create_directories(file.string() + ".tmp"); },
         "11010001"},
    };
    const std::vector<std::string> before = typedLines(10, 1), after = typedLines(10, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.path() / "kavtmp");
        std::filesystem::create_directories(dir.path() / "kavtmp");
        TypedFileStore store(file(), keys);
        store.storeNow(before);
        c.spoil(file());
        allChanged(store, after.size());
        std::string told;
        try {
            store.store(after);
        } catch (const std::exception& e) {
            told = platform::errorText(e);
        }
        store.waitIdle();
        if (told.empty()) {
            const std::optional<std::string> outcome = store.takeOutcome();
            ASSERT_TRUE(outcome.has_value());
            told = *outcome;
        }
        EXPECT_NE(told.find(c.named), std::string::npos) << told;
        EXPECT_EQ(store.takeOutcome(), std::nullopt);
        EXPECT_ANY_THROW(store.storeNow(after));
        if (std::filesystem::is_directory(file().parent_path())) {
            EXPECT_EQ(read(file()), before);
        }
    }
}

// dz_result handed with a store is posted after the file, also when the file
// cannot be written; the store's outcome is then the file's failure.
TEST_F(Store, AStoresResultIsPostedAfterTheFileEvenWhenTheFileFails) {
    struct Recorder : ResultWriter {
        std::vector<std::string>& posted;
        const std::filesystem::path& file;
        std::vector<bool> fileThere;  // whether the store's file was on the disk at each post
        Recorder(std::vector<std::string>& p, const std::filesystem::path& f) : posted(p), file(f) {}
        void storeResult(const std::string& r) override {
            posted.push_back(r);
            fileThere.push_back(std::filesystem::exists(file));
        }
    };
    std::vector<std::string> posted;
    const std::filesystem::path f = file();
    auto recorder = std::make_unique<Recorder>(posted, f);
    Recorder& seen = *recorder;
    TypedFileStore store(f, keys, std::move(recorder));
    store.store(typedLines(10, 1), "1000 a");
    store.waitIdle();
    EXPECT_EQ(store.takeOutcome(), std::optional<std::string>(""));
    EXPECT_EQ(read(f), typedLines(10, 1));

    std::filesystem::remove_all(dir.path() / "kavtmp");
    kav::test::writeFile(dir.path() / "kavtmp", "not a folder");
    allChanged(store, 10);
    EXPECT_ANY_THROW(store.store(typedLines(10, 2), "2000 b"));
    store.waitIdle();
    EXPECT_EQ(posted, (std::vector<std::string>{"1000 a", "2000 b"}));
    EXPECT_EQ(seen.fileThere, (std::vector<bool>{true, false}));
    const std::optional<std::string> outcome = store.takeOutcome();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_NE(outcome->find("kavtmp"), std::string::npos) << *outcome;
}

// A child process stores two different texts in turn as fast as it can and is
// killed at some moment; the file is always one of them, whole.
TEST_F(Store, AKillAtAnyMomentLeavesTheLastCompleteFile) {
    const std::vector<std::string> a = typedLines(20'000, 1), b = typedLines(20'000, 2);
    {
        TypedFileStore first(file(), keys);
        first.storeNow(a);
    }
    for (int delayMs : {1, 3, 7, 12, 20, 35}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            text::KeyDrawer childKeys(clock);
            TypedFileStore store(file(), childKeys);
            for (int i = 0;; ++i) {
                allChanged(store, a.size());
                store.store(i % 2 ? a : b);
                store.waitIdle();
            }
        }
        usleep(static_cast<useconds_t>(delayMs) * 1000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::vector<std::string> left = read(file());
        EXPECT_TRUE(left == a || left == b) << "killed after " << delayMs << " ms: " << left.size() << " lines";
    }
}

// The screen: a store under way when "存盘退出" or hiding comes is finished or
// superseded; the file then holds exactly the lines in memory.
TEST_F(Store, SavingAndHidingWriteTheLinesInMemoryAfterAnyStoreUnderWay) {
    writeModel(7000);
    TypingEngine engine(record, clock, dialogs, place());
    engine.shown();
    const std::vector<std::function<void()>> closings = {
        [&] { ASSERT_TRUE(engine.saveAndQuit()); },
        [&] { engine.hidden(); },
        [&] { ASSERT_TRUE(engine.saveForGrading()); },
    };
    for (std::size_t round = 0; round < 3 * closings.size(); ++round) {
        for (int k = 0; k < 40; ++k) engine.enterText("中");
        clock.advance(30'000);  // the store is handed to the writer
        engine.enterText("国");  // typed while it writes
        closings[round % closings.size()]();
        EXPECT_EQ(readTyped(), engine.typedLines()) << "round " << round;
        engine.shown();
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kav::typing
