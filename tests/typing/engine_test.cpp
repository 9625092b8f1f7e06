#include "client/screens/typing/typing_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/grading/typing_cells.h"
#include "tests/typing/typing_fixture.h"

namespace kav::typing {
namespace {

using test::modelLine;
using test::utf8;

class Engine : public ::testing::Test, protected test::TypingSetup {
protected:
    std::unique_ptr<TypingEngine> open() {
        auto e = std::make_unique<TypingEngine>(record, clock, dialogs, place());
        e->shown();
        return e;
    }
    // Types the UTF-8 text of the page line's model cells (first n cells).
    static void typeModel(TypingEngine& e, int pageLine, int cells) {
        std::string gbk = e.pageModelLine(pageLine).substr(0, 2 * cells);
        e.enterText(text::gbkToUtf8(gbk));
    }
};

TEST_F(Engine, SeventeenLinesGiveThreePagesWithTheFirstLinesCopied) {
    writeModel(17);
    auto e = open();
    EXPECT_EQ(e->count(), 21);
    EXPECT_EQ(e->pageLabel(), "页1/3");
    for (int i = 18; i <= 21; ++i) EXPECT_EQ(e->modelLines()[i - 1], modelLine(i - 17)) << i;
    EXPECT_EQ(e->totalLabel(), "总字数：588字");  // 21 lines of 28
    EXPECT_EQ(e->totalCharacters(), 21 * 28);
    e->press(Key::PageDown);
    EXPECT_EQ(e->pageLabel(), "页2/3");
    e->press(Key::PageDown);
    EXPECT_EQ(e->pageModelLine(4), modelLine(1));
    e->press(Key::PageDown);  // on the last page: nothing
    EXPECT_EQ(e->pageLabel(), "页3/3");
    e->press(Key::PageUp);
    e->press(Key::PageUp);
    e->press(Key::PageUp);  // on page 1: nothing
    EXPECT_EQ(e->pageLabel(), "页1/3");
}

TEST_F(Engine, AShortTextFillsItsPageWithCopiesOfCopies) {
    writeModel(3);
    auto e = open();
    ASSERT_EQ(e->count(), 7);
    const int expected[] = {1, 2, 3, 1, 2, 3, 1};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(e->modelLines()[i], modelLine(expected[i])) << i;
}

TEST_F(Engine, TypingIntoTheLastCellOfLineSevenWrapsToLineOneOfTheSamePage) {
    writeModel(14);
    auto e = open();
    e->press(Key::Up);  // line 1 -> line 7
    EXPECT_EQ(e->line(), 7);
    for (int i = 0; i < 27; ++i) e->press(Key::Right);
    EXPECT_EQ(e->column(), 55);
    e->enterText("中");
    EXPECT_EQ(e->line(), 1);
    EXPECT_EQ(e->column(), 1);
    EXPECT_EQ(e->page(), 1);
    EXPECT_EQ(e->lineLabel(), "第1行");
    EXPECT_EQ(e->pageTypedLine(7).substr(54), text::utf8ToGbk("中"));
}

TEST_F(Engine, BackspaceOnTheFirstCellDeletesTheLastCellOfLineSeven) {
    writeModel(7);
    auto e = open();
    e->press(Key::Up);
    for (int i = 0; i < 27; ++i) e->press(Key::Right);
    e->press(Key::Insert);  // overwrite, so line 7 ends in 末
    e->enterText("末");
    ASSERT_EQ(e->line(), 1);
    e->press(Key::Backspace);
    EXPECT_EQ(e->line(), 7);
    EXPECT_EQ(e->column(), 55);
    EXPECT_EQ(e->pageTypedLine(7), emptyTypedLine());
}

TEST_F(Engine, ArrowsWrapOnThePageAndNeverChangeIt) {
    writeModel(14);
    auto e = open();
    e->press(Key::Left);
    EXPECT_EQ(e->line(), 7);
    EXPECT_EQ(e->column(), 55);
    e->press(Key::Down);
    EXPECT_EQ(e->line(), 1);
    EXPECT_EQ(e->column(), 55);
    e->press(Key::Right);
    EXPECT_EQ(e->line(), 2);
    EXPECT_EQ(e->column(), 1);
    EXPECT_EQ(e->page(), 1);
    e->press(Key::PageDown);  // the caret keeps its line and column
    EXPECT_EQ(e->line(), 2);
    EXPECT_EQ(e->column(), 1);
}

TEST_F(Engine, InsertPushesTheLastCharacterOutAndDeleteDoesNotBringItBack) {
    writeModel(7);
    auto e = open();
    typeModel(*e, 1, 28);  // a full right line; the caret wraps to line 2
    EXPECT_EQ(e->pageMarks(1).find(kWrongMark), std::string::npos);
    e->press(Key::Up);
    e->press(Key::Right);
    e->press(Key::Right);  // cell 3
    e->enterText("插");
    std::string typed = e->typedLines()[0];
    EXPECT_GT(typed.size(), 56u);
    EXPECT_EQ(typed.substr(0, 56), modelLine(1).substr(0, 4) + text::utf8ToGbk("插") + modelLine(1).substr(4, 50));
    e->press(Key::Left);
    e->press(Key::Delete);
    EXPECT_EQ(e->typedLines()[0], modelLine(1).substr(0, 54) + "  ");
    clock.advance(250);
    EXPECT_EQ(e->rightLabel(), "正确字数：27字");
}

TEST_F(Engine, OverwriteModeReplacesTheCell) {
    writeModel(7);
    auto e = open();
    e->enterText("一二");
    e->press(Key::Insert);
    EXPECT_FALSE(e->insertMode());
    e->press(Key::Left);
    const std::size_t length = e->typedLines()[0].size();  // insert mode let it grow past 56
    e->enterText("三");
    EXPECT_EQ(e->typedLines()[0].substr(0, 56), text::utf8ToGbk("一三") + std::string(52, ' '));
    EXPECT_EQ(e->typedLines()[0].size(), length);
}

TEST_F(Engine, HalfWidthLettersAndSpacesFillWholeCells) {
    writeModel({text::utf8ToGbk("甲　乙丙")});
    auto e = open();
    e->enterText("甲 a");
    EXPECT_EQ(e->typedLines()[0].substr(0, 6), text::utf8ToGbk("甲　") + "a ");
    EXPECT_EQ(e->column(), 7);
    clock.advance(250);
    EXPECT_EQ(e->rightLabel(), "正确字数：2字");  // 甲 and the space as "　"
    EXPECT_EQ(e->wrongLabel(), "错误字数：1字");
    EXPECT_EQ(e->accuracyLabel(), "正确率：66％");
    EXPECT_EQ(utf8(e->pageMarks(1)).substr(0, 8), "　　×");
}

TEST_F(Engine, UntypedCellsCountNowhereAndCellsBeyondAShortLineAreWrong) {
    writeModel({text::utf8ToGbk("短行")});
    auto e = open();
    clock.advance(250);
    EXPECT_EQ(e->accuracyLabel(), "正确率：100％");
    EXPECT_EQ(e->rightLabel(), "正确字数：0字");
    e->enterText("短行多");
    e->press(Key::Right);  // leaves cell 4 untyped
    e->enterText("余");
    clock.advance(250);
    EXPECT_EQ(e->rightLabel(), "正确字数：2字");
    EXPECT_EQ(e->wrongLabel(), "错误字数：2字");
}

TEST_F(Engine, ACommitOfSeveralCharactersFillsOneCellEach) {
    writeModel(7);
    auto e = open();
    e->enterText("中国人");
    EXPECT_EQ(e->column(), 7);
    EXPECT_EQ(e->typedLines()[0].substr(0, 6), text::utf8ToGbk("中国人"));
    e->enterText("😀");  // outside GBK: a half-width "?" as the code page gives it
    EXPECT_EQ(e->typedLines()[0].substr(6, 2), "? ");
    e->enterText("\t\r\b");  // control characters fill no cell
    EXPECT_EQ(e->column(), 9);
}

TEST(TypingScore, Rules) {
    EXPECT_EQ(typingScore(400, 370), 10);
    EXPECT_EQ(typingScore(400, 400), 20);
    EXPECT_EQ(typingScore(400, 399), 20);
    EXPECT_EQ(typingScore(400, 398), 20);
    EXPECT_EQ(typingScore(400, 397), 19);
    EXPECT_EQ(typingScore(400, 341), 1);  // 59 missing
    EXPECT_EQ(typingScore(400, 340), 0);  // 60 missing
    EXPECT_EQ(typingScore(400, 0), 0);
    EXPECT_EQ(typingScore(0, 0), 20);
}

TEST(DzTime, FirstTokenOfTheResult) {
    EXPECT_EQ(dzTimeOf("123456 总字数：1字 正确字数：0字"), 123456);
    EXPECT_EQ(dzTimeOf("9876543210123"), 9876543210123);
    EXPECT_EQ(dzTimeOf(""), 0);
    EXPECT_EQ(dzTimeOf(" "), 0);
    EXPECT_EQ(dzTimeOf("12a 总字数"), 0);
}

TEST_F(Engine, SpeedCountsEveryTypedCellPerMinuteOfTypingTime) {
    writeModel(7);
    auto e = open();
    typeModel(*e, 1, 10);
    e->enterText("错");
    clock.advance(30'000);  // 11 cells in 30 s
    EXPECT_EQ(e->speedLabel(), "速度:22字/分钟");
    e->hidden();
    clock.advance(60'000);  // hidden time does not count
    EXPECT_EQ(e->speedLabel(), "速度:22字/分钟");
    e->shown();
    clock.advance(30'000);
    EXPECT_EQ(e->speedLabel(), "速度:11字/分钟");
}

TEST_F(Engine, ASpeedOfAThousandOrMoreIsShownWhole) {
    writeModel(7);
    auto e = open();
    typeModel(*e, 1, 5);
    clock.advance(250);  // 5 cells in a quarter second
    EXPECT_EQ(e->speedLabel(), "速度:1200字/分钟");
}

TEST_F(Engine, StatisticsRefreshOnlyEveryQuarterSecond) {
    writeModel(7);
    auto e = open();
    clock.advance(100);
    e->enterText("错");
    EXPECT_EQ(e->wrongLabel(), "错误字数：0字");
    clock.advance(150);
    EXPECT_EQ(e->wrongLabel(), "错误字数：1字");
}

TEST_F(Engine, SaveStoresScoreResultAndTypedFileThenReopenAndSaveAgain) {
    writeModel(7);
    auto e = open();
    typeModel(*e, 1, 28);
    typeModel(*e, 2, 20);  // 48 right of 196: (196-48)/3 = 49 -> 0 points
    clock.advance(5000);
    ASSERT_TRUE(e->saveAndQuit());
    e->hidden();
    EXPECT_EQ(record.scores, std::vector<int>{0});
    EXPECT_EQ(record.row.dzResult,
              "5000 总字数：196字 正确字数：48字 错误字数：0字 正确率：100％ 速度:576字/分钟");
    EXPECT_EQ(e->dzTime(), 5000);
    auto typed = readTyped();
    ASSERT_EQ(typed.size(), 7u);
    EXPECT_EQ(typed[0], e->typedLines()[0]);
    EXPECT_EQ(typed[2], emptyTypedLine());

    clock.advance(100'000);  // hidden: not typing time
    e->shown();
    clock.advance(3000);
    ASSERT_TRUE(e->saveAndQuit());
    e->hidden();
    EXPECT_EQ(e->dzTime(), 8000);
    EXPECT_EQ(record.scores, (std::vector<int>{0, 0}));
    EXPECT_EQ(dzTimeOf(record.row.dzResult), 8000);
    EXPECT_EQ(readTyped(), typed);
}

TEST_F(Engine, ScoreFromTheStateAtSavingNotFromAStaleLabel) {
    writeModel({modelLine(1).substr(0, 6)});  // 3 characters a line, 21 in all
    auto e = open();
    clock.advance(250);
    for (int line = 1; line <= 7; ++line) {
        typeModel(*e, line, 3);
        e->press(Key::Down);
        for (int i = 0; i < 3; ++i) e->press(Key::Left);
    }
    EXPECT_EQ(e->line(), 1);
    ASSERT_TRUE(e->saveAndQuit());  // no statistics tick since the typing
    EXPECT_EQ(record.scores, std::vector<int>{20});
}

TEST_F(Engine, HidingWithoutSavingEndsThePeriodOnceAndStoresNoScore) {
    writeModel(7);
    auto e = open();
    e->enterText("一");
    clock.advance(2000);
    e->hidden();
    e->hidden();
    EXPECT_EQ(e->dzTime(), 2000);
    EXPECT_TRUE(record.scores.empty());
    EXPECT_EQ(dzTimeOf(record.row.dzResult), 2000);
    EXPECT_EQ(readTyped()[0].substr(0, 2), text::utf8ToGbk("一"));
}

TEST_F(Engine, TypingIsStoredEveryThirtySecondsAndSurvivesACrash) {
    writeModel(14);
    {
        auto e = open();
        e->press(Key::PageDown);
        e->press(Key::Down);
        e->press(Key::Down);
        typeModel(*e, 3, 5);
        clock.advance(29'999);
        EXPECT_TRUE(record.results.empty());
        clock.advance(1);
        e->waitForStores();
        ASSERT_EQ(record.results.size(), 1u);
        EXPECT_EQ(dzTimeOf(record.results[0]), 30'000);
        clock.advance(30'000);  // nothing typed since: nothing stored
        e->waitForStores();
        EXPECT_EQ(record.results.size(), 1u);
        EXPECT_TRUE(record.scores.empty());
        EXPECT_TRUE(e->running());
        // The client dies here: no hiding, no saving.
        record.results.clear();
    }
    EXPECT_TRUE(record.results.empty());
    record.row.havelogined = 2;
    auto e = std::make_unique<TypingEngine>(record, clock, dialogs, place());
    EXPECT_EQ(e->dzTime(), 30'000);
    e->shown();
    EXPECT_EQ(e->pageLabel(), "页2/2");  // a later login starts on the last page
    EXPECT_EQ(e->pageTypedLine(3).substr(0, 10), modelLine(10).substr(0, 10));
    clock.advance(250);
    EXPECT_EQ(e->rightLabel(), "正确字数：5字");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Engine, ALaterLoginWithNothingSavedStartsBlankWithoutAMessage) {
    writeModel(14);
    record.row.havelogined = 3;
    auto e = open();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(e->dzTime(), 0);
    EXPECT_EQ(e->pageLabel(), "页2/2");
    EXPECT_EQ(e->pageTypedLine(1), emptyTypedLine());
}

TEST_F(Engine, ALaterLoginWhoseSavedTypedFileIsGoneReportsItAndStartsBlank) {
    writeModel(7);
    record.row.havelogined = 2;
    record.row.dzResult = "4000 总字数：196字 正确字数：0字 错误字数：0字 正确率：100％ 速度:0字/分钟";
    auto e = open();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.lastText().find("11010001"), std::string::npos);
    EXPECT_EQ(e->dzTime(), 4000);
    EXPECT_EQ(e->count(), 7);
}

TEST_F(Engine, ALongResultIsStoredWholeAndItsTimeComesBack) {
    writeModel(7);
    record.row.havelogined = 2;
    record.row.dzResult = "9876543210 总字数：196字 正确字数：0字 错误字数：0字 正确率：100％ 速度:0字/分钟";
    kav::test::writeFile(dir.path() / "kavtmp" / "11010001", "");
    auto e = open();
    clock.advance(1000);
    ASSERT_TRUE(e->saveAndQuit());
    EXPECT_EQ(record.row.dzResult.substr(0, 11), "9876544210 ");
    ASSERT_GT(record.row.dzResult.size(), 50u);
    auto again = std::make_unique<TypingEngine>(record, clock, dialogs, place());
    EXPECT_EQ(again->dzTime(), 9'876'544'210LL);
}

TEST_F(Engine, TypedFileThatCannotBeWrittenIsReportedAfterTheScoreAndTheScreenStays) {
    writeModel(7);
    kav::test::writeFile(dir.path() / "kavtmp", "not a folder");
    auto e = open();
    e->enterText("一");
    clock.advance(1000);
    EXPECT_FALSE(e->saveAndQuit());
    EXPECT_EQ(record.scores.size(), 1u);
    EXPECT_EQ(record.results.size(), 1u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ui::MessageKind::Error);
    EXPECT_TRUE(e->running());  // still open: a new period runs
    clock.advance(1000);
    e->hidden();
    EXPECT_EQ(e->dzTime(), 2000);
}

TEST_F(Engine, AMissingScratchFolderIsCreated) {
    writeModel(7);
    auto e = open();
    ASSERT_TRUE(e->saveAndQuit());
    EXPECT_EQ(readTyped().size(), 7u);
}

TEST_F(Engine, AnAutomaticStoreThatFailsIsReportedOnce) {
    writeModel(7);
    kav::test::writeFile(dir.path() / "kavtmp", "not a folder");
    auto e = open();
    for (int i = 0; i < 3; ++i) {
        e->enterText("一");
        clock.advance(30'000);
    }
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(Engine, AMissingTypingTextOpensAnEmptyScreenThatStoresNothing) {
    auto e = open();  // no txt folder at all
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.lastText().find("txt0.txt"), std::string::npos);
    EXPECT_FALSE(e->hasText());
    EXPECT_EQ(e->pageLabel(), "页0/0");
    EXPECT_EQ(e->totalLabel(), "总字数：0字");
    e->enterText("中");
    e->press(Key::Backspace);
    e->press(Key::PageDown);
    EXPECT_EQ(e->pageTypedLine(1), emptyTypedLine());
    EXPECT_TRUE(e->saveAndQuit());
    EXPECT_TRUE(record.scores.empty());
    EXPECT_TRUE(record.results.empty());
}

TEST_F(Engine, AnEmptyTypingTextLikewise) {
    writeModel(std::vector<std::string>{});
    auto e = open();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(e->hasText());
    clock.advance(30'000);
    EXPECT_EQ(e->accuracyLabel(), "正确率：100％");
}

TEST_F(Engine, DatabaseFailureAtSavingKeepsTheScreenOpen) {
    writeModel(7);
    auto e = open();
    record.failWrites = true;
    EXPECT_FALSE(e->saveAndQuit());
    EXPECT_EQ(dialogs.lastText(), "数据库写入失败");
    EXPECT_TRUE(e->running());
}

TEST_F(Engine, CaretBlinksAndShowsTheMode) {
    writeModel(7);
    auto e = open();
    EXPECT_EQ(e->caretPhase(), 1);
    EXPECT_TRUE(e->caretBlack());
    clock.advance(200);  // painted by phase 1, then flipped
    EXPECT_EQ(e->caretPhase(), 2);
    EXPECT_TRUE(e->caretBlack());
    clock.advance(200);
    EXPECT_EQ(e->caretPhase(), 1);
    EXPECT_FALSE(e->caretBlack());
    clock.advance(200);
    EXPECT_TRUE(e->caretBlack());
    EXPECT_TRUE(e->insertMode());
    e->press(Key::Insert);
    EXPECT_FALSE(e->insertMode());
}

TEST_F(Engine, CandidateLabels) {
    writeModel(7);
    auto e = open();
    EXPECT_EQ(e->nameLabel(), "姓名:张三");
    EXPECT_EQ(e->numberLabel(), "考号:11010001");
    EXPECT_EQ(e->lineLabel(), "第1行");
}

// Holds the writer thread inside its dz_result write until released.
struct WriterGate {
    std::mutex m;
    std::condition_variable cv;
    bool inside = false, released = false;
    void hold() {
        std::unique_lock lock(m);
        inside = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
    }
    bool waitInside() {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return inside; });
    }
    void release() {
        {
            std::lock_guard lock(m);
            released = true;
        }
        cv.notify_all();
    }
};

// "存盘退出", hiding and the save at grading come while the periodic store is
// still posting its dz_result: they wait for it, and their own dz_result and
// typed lines are the last ones stored.
TEST_F(Engine, APeriodicStoreUnderWayIsNeverOvertakenByASave) {
    writeModel(7);
    const std::vector<std::pair<const char*, std::function<void(TypingEngine&)>>> closings = {
        {"save and quit", [](TypingEngine& e) { EXPECT_TRUE(e.saveAndQuit()); }},
        {"hiding", [](TypingEngine& e) { e.hidden(); }},
        {"save for grading", [](TypingEngine& e) { EXPECT_TRUE(e.saveForGrading()); }},
    };
    for (const auto& [what, close] : closings) {
        SCOPED_TRACE(what);
        record.results.clear();
        WriterGate gate;
        record.beforeBackgroundWrite = [&] { gate.hold(); };
        {
            auto e = open();
            e->enterText("一二");
            clock.advance(30'000);  // the store is handed to the writer, which stops in its dz_result
            ASSERT_TRUE(gate.waitInside());
            e->enterText("三");
            clock.advance(5000);
            std::thread releaser([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                gate.release();
            });
            close(*e);
            releaser.join();
            e->waitForStores();
            ASSERT_EQ(record.results.size(), 2u);
            EXPECT_EQ(dzTimeOf(record.results[0]), 30'000);  // the periodic store's
            EXPECT_EQ(dzTimeOf(record.row.dzResult), 35'000);
            EXPECT_EQ(utf8(readTyped()[0].substr(0, 6)), "一二三");
            record.beforeBackgroundWrite = nullptr;
        }
        std::filesystem::remove_all(dir.path() / "kavtmp");
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

// A periodic dz_result that the database refuses is reported once, in the
// database's words; the typed file is written all the same, the store is tried
// again at the next period even with nothing typed, and a failure after a
// store that succeeded is reported again.
TEST_F(Engine, APeriodicDatabaseFailureIsReportedOnceAndTriedAgain) {
    writeModel(7);
    auto e = open();
    record.failWrites = true;
    for (int i = 0; i < 3; ++i) {
        e->enterText("一");
        clock.advance(30'000);
        e->waitForStores();
        clock.advance(250);  // the statistics tick learns the outcome
    }
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(dialogs.lastText(), "数据库写入失败");
    EXPECT_EQ(utf8(readTyped()[0].substr(0, 6)), "一一一");
    EXPECT_TRUE(record.results.empty());

    record.failWrites = false;
    clock.advance(30'000);  // nothing typed, but the failed store is due again
    e->waitForStores();
    ASSERT_EQ(record.results.size(), 1u);
    EXPECT_EQ(dzTimeOf(record.results[0]), 120'000);  // the fourth period's store
    clock.advance(250);
    EXPECT_EQ(dialogs.shown.size(), 1u);

    record.failWrites = true;
    e->enterText("二");
    clock.advance(30'000);
    e->waitForStores();
    clock.advance(250);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    record.failWrites = false;
}

}  // namespace
}  // namespace kav::typing
