// The multiple-choice screen's logic on a real stu.mdb / teacher.mdb.
#include <gtest/gtest.h>

// The tests name only the fields of ExamSetup that they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "client/screens/choice/choice_screen.h"
#include "tests/choice/exam_fixture.h"

namespace kav::choice {
namespace {

using test::ExamFixture;
using test::ExamSetup;

constexpr Modifiers kNone{};
constexpr Modifiers kShift{true, false, false, false};
constexpr Modifiers kCtrl{false, true, false, false};
constexpr Modifiers kAlt{false, false, true, false};

std::string thirty(const std::string& token) {
    AnswerList list;
    list.fill(token);
    return joinList(list);
}

// Shows the question of position p as the screen should.
void expectShows(const ChoiceScreen& s, int number) {
    const int p = ExamFixture::standardPosition(number);
    EXPECT_EQ(s.current(), number);
    EXPECT_EQ(s.numberLabel(), std::to_string(number) + "、");
    EXPECT_EQ(s.questionText(), ExamFixture::stemAt(p));
    EXPECT_EQ(s.optionCaption(Option::A), ExamFixture::optionAt(p, 'A'));
    EXPECT_EQ(s.optionCaption(Option::D), ExamFixture::optionAt(p, 'D'));
    EXPECT_TRUE(s.questionAvailable());
}

TEST(ChoiceLists, SplitAndJoinFollowTheStoredFormat) {
    AnswerList l = splitList("a  c");
    EXPECT_EQ(l[0], "a");
    EXPECT_EQ(l[1], "");  // two adjacent spaces give an empty token
    EXPECT_EQ(l[2], "c");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(splitList("")[0], "");
    EXPECT_EQ(splitList("b ")[0], "b");

    std::string many;
    for (int i = 1; i <= 35; ++i) many += std::to_string(i) + " ";
    AnswerList cut = splitList(many);
    EXPECT_EQ(cut[29], "30");  // nothing beyond the thirtieth entry

    AnswerList empty;
    EXPECT_EQ(joinList(empty), std::string(29, ' '));
    EXPECT_EQ(joinList(splitList(thirty("*"))), thirty("*"));
}

TEST(ChoiceGrade, CountsExactMatchesAndListsTheOthers) {
    AnswerList correct = splitList(thirty("a"));
    correct[2] = "b";
    correct[16] = "a";
    correct[28] = "c";
    AnswerList given = correct;
    given[2] = "*";
    given[16] = "d";
    given[28] = "C";  // exact comparison: upper case is wrong
    Grade g = grade(correct, given);
    EXPECT_EQ(g.count, 27);
    EXPECT_EQ(g.wrongList, "3b 17a 29c ");
}

class ChoiceScreenTest : public ::testing::Test {
protected:
    void make(const ExamSetup& setup = {}) {
        fx = std::make_unique<ExamFixture>(setup);
        screen = std::make_unique<ChoiceScreen>(fx->tables());
    }
    void makeShown(const ExamSetup& setup = {}) {
        make(setup);
        screen->show();
    }
    std::unique_ptr<ExamFixture> fx;
    std::unique_ptr<ChoiceScreen> screen;
};

TEST_F(ChoiceScreenTest, FirstLoginStartsUnansweredOnQuestionOne) {
    makeShown();
    expectShows(*screen, 1);
    for (int n = 1; n <= kQuestions; ++n) {
        EXPECT_EQ(screen->button(n).caption, std::to_string(n) + " ");
        EXPECT_FALSE(screen->button(n).red);
        EXPECT_EQ(screen->sel_given()[n - 1], "*");
        EXPECT_EQ(screen->sel_correct()[n - 1], ExamFixture::letterAt(ExamFixture::standardPosition(n)));
    }
    EXPECT_EQ(screen->checkedOption(), Option::None);
    EXPECT_TRUE(screen->focusHolderVisible());
    EXPECT_EQ(screen->focus(), Focus::FocusHolder);
    EXPECT_EQ(screen->button(1).pointSize, 15);
    EXPECT_EQ(screen->button(2).pointSize, 9);
    EXPECT_EQ(screen->scorePanel(), "得分：");
}

TEST_F(ChoiceScreenTest, MovesWrapAndMarkTheButtons) {
    makeShown();
    screen->previous();
    expectShows(*screen, 30);
    EXPECT_EQ(screen->previousShown(), 1);
    screen->next();
    expectShows(*screen, 1);
    screen->next();
    expectShows(*screen, 2);
    screen->moveTo(17);
    expectShows(*screen, 17);
    screen->moveTo(30);
    screen->next();
    expectShows(*screen, 1);
    // shown now 15 points, shown before 7, and the visited ones stay small
    EXPECT_EQ(screen->button(1).pointSize, 15);
    EXPECT_EQ(screen->button(30).pointSize, 7);
    EXPECT_EQ(screen->button(2).pointSize, 7);
    EXPECT_EQ(screen->button(3).pointSize, 9);
    // the button of the question already shown keeps its 15 points
    screen->moveTo(1);
    EXPECT_EQ(screen->button(1).pointSize, 15);
    EXPECT_EQ(screen->previousShown(), 1);
    screen->moveTo(31);  // no such button
    EXPECT_EQ(screen->current(), 1);
}

TEST_F(ChoiceScreenTest, AnUnansweredQuestionSelectsNothingAfterAnAnsweredOne) {
    makeShown();
    screen->select(Option::B);
    screen->next();
    EXPECT_EQ(screen->checkedOption(), Option::None);
    EXPECT_TRUE(screen->focusHolderVisible());
    EXPECT_EQ(screen->button(2).caption.back(), ' ');
    screen->previous();
    EXPECT_EQ(screen->checkedOption(), Option::B);
    EXPECT_EQ(screen->focus(), Focus::OptionB);
    EXPECT_FALSE(screen->focusHolderVisible());
}

TEST_F(ChoiceScreenTest, HotKeysWorkOnlyWhileShownAndWithoutModifiers) {
    make();
    EXPECT_FALSE(screen->hotKeysActive());
    EXPECT_FALSE(screen->hotKey(Key::Right, kNone));
    screen->show();
    EXPECT_TRUE(screen->hotKeysActive());
    EXPECT_TRUE(screen->hotKey(Key::Left, kNone));
    EXPECT_EQ(screen->current(), 30);
    EXPECT_TRUE(screen->hotKey(Key::Right, kNone));
    EXPECT_TRUE(screen->hotKey(Key::Right, kNone));
    EXPECT_EQ(screen->current(), 2);
    EXPECT_FALSE(screen->hotKey(Key::Right, kShift));
    EXPECT_FALSE(screen->hotKey(Key::Left, kCtrl));
    EXPECT_FALSE(screen->hotKey(Key::Up, kNone));
    EXPECT_EQ(screen->current(), 2);
    screen->hide();
    EXPECT_FALSE(screen->hotKeysActive());
    EXPECT_FALSE(screen->hotKey(Key::Right, kNone));
    EXPECT_EQ(screen->current(), 2);
}

TEST_F(ChoiceScreenTest, ScreenKeysPageCloseAndAltF4) {
    makeShown();
    screen->keyDown(Key::PageDown, kNone);
    EXPECT_EQ(screen->current(), 2);
    screen->keyDown(Key::PageUp, kNone);
    screen->keyDown(Key::PageUp, kNone);
    EXPECT_EQ(screen->current(), 30);
    screen->keyDown(Key::F4, kAlt);
    EXPECT_TRUE(screen->visible());
    EXPECT_EQ(screen->current(), 30);
    EXPECT_EQ(screen->checkedOption(), Option::None);
    // Q with any modifiers closes and stores
    screen->keyDown(Key::Q, kCtrl);
    EXPECT_FALSE(screen->visible());
    EXPECT_FALSE(screen->hotKeysActive());
    EXPECT_EQ(fx->storedAnswers(), thirty("*"));
    // a hidden screen takes no keys
    screen->keyDown(Key::PageDown, kNone);
    EXPECT_EQ(screen->current(), 30);
}

TEST_F(ChoiceScreenTest, ArrowsMoveTheSelectionThroughTheOptionGroup) {
    makeShown();
    // from the focus holder, ↓ selects A and records it at once
    screen->keyDown(Key::Down, kNone);
    EXPECT_EQ(screen->checkedOption(), Option::A);
    EXPECT_EQ(screen->focus(), Focus::OptionA);
    EXPECT_FALSE(screen->focusHolderVisible());
    EXPECT_EQ(screen->button(1).caption, "1A");
    EXPECT_EQ(fx->storedAnswers().substr(0, 4), "a * ");
    screen->keyDown(Key::Down, kNone);
    screen->keyDown(Key::Down, kNone);
    screen->keyDown(Key::Down, kNone);
    EXPECT_EQ(screen->checkedOption(), Option::D);
    screen->keyDown(Key::Down, kNone);  // wraps to A; the holder is hidden now
    EXPECT_EQ(screen->checkedOption(), Option::A);
    screen->keyDown(Key::Up, kNone);
    EXPECT_EQ(screen->checkedOption(), Option::D);
    EXPECT_EQ(screen->sel_given()[0], "d");
    EXPECT_EQ(fx->storedAnswers().substr(0, 4), "d * ");

    // ↑ from the focus holder of an unanswered question selects D
    screen->next();
    screen->keyDown(Key::Up, kNone);
    EXPECT_EQ(screen->button(2).caption, "2D");
    // ← and → with a modifier are no hot keys and act inside the group
    screen->keyDown(Key::Left, kShift);
    EXPECT_EQ(screen->button(2).caption, "2C");
    screen->keyDown(Key::Right, kShift);
    EXPECT_EQ(screen->button(2).caption, "2D");
    EXPECT_EQ(screen->current(), 2);
    // other keys on the options change nothing
    screen->keyDown(Key::Other, kNone);
    EXPECT_EQ(screen->button(2).caption, "2D");
}

TEST_F(ChoiceScreenTest, KeysInTheQuestionTextMoveTheFocusToOptionA) {
    makeShown();
    screen->select(Option::C);
    screen->questionTextFocused();
    screen->keyDown(Key::Other, kNone);
    EXPECT_EQ(screen->focus(), Focus::OptionA);
    EXPECT_EQ(screen->checkedOption(), Option::A);
    EXPECT_EQ(screen->button(1).caption, "1A");

    // a click on the question text only moves the focus to the option panel
    screen->next();
    screen->questionTextFocused();
    screen->questionTextClicked();
    EXPECT_EQ(screen->focus(), Focus::FocusHolder);
    EXPECT_EQ(screen->checkedOption(), Option::None);

    // PgDn in the question text moves on and answers nothing on the next question
    screen->questionTextFocused();
    screen->keyDown(Key::PageDown, kNone);
    EXPECT_EQ(screen->current(), 3);
    EXPECT_EQ(screen->checkedOption(), Option::None);
    EXPECT_EQ(screen->sel_given()[2], "*");
}

TEST_F(ChoiceScreenTest, EachAnswerIsStoredInTheExamRecordAtOnce) {
    makeShown();
    screen->moveTo(3);
    screen->select(Option::C);
    EXPECT_EQ(screen->button(3).caption, "3C");
    EXPECT_TRUE(screen->button(3).red);
    EXPECT_EQ(screen->sel_given()[2], "c");
    AnswerList expected = splitList(thirty("*"));
    expected[2] = "c";
    EXPECT_EQ(fx->storedAnswers(), joinList(expected));

    screen->select(Option::A);  // another option replaces the answer
    expected[2] = "a";
    EXPECT_EQ(fx->storedAnswers(), joinList(expected));
    EXPECT_EQ(screen->button(3).caption, "3A");

    // the other candidate's record is untouched
    auto fresh = fx->stu->openTable("ct");
    EXPECT_EQ(fresh->field("sel_arr3").asString(), "");
}

TEST_F(ChoiceScreenTest, CloseStoresTheAnswersAndTheScreenCanBeShownAgain) {
    makeShown();
    screen->select(Option::B);
    screen->moveTo(30);
    screen->select(Option::D);
    screen->close();
    EXPECT_FALSE(screen->visible());
    AnswerList expected = splitList(thirty("*"));
    expected[0] = "b";
    expected[29] = "d";
    EXPECT_EQ(fx->storedAnswers(), joinList(expected));
    screen->show();
    EXPECT_EQ(screen->current(), 30);
    EXPECT_EQ(screen->checkedOption(), Option::D);
    EXPECT_EQ(screen->button(1).caption, "1B");
}

TEST_F(ChoiceScreenTest, ALaterLoginRestoresTheStoredAnswers) {
    AnswerList stored = splitList(thirty("*"));
    stored[0] = "c";
    stored[4] = "a";
    stored[29] = "b";
    stored[6] = "x";  // not a letter: kept, but shown as unanswered
    makeShown({.havelogined = 2, .sel_arr3 = joinList(stored)});
    EXPECT_EQ(screen->current(), 1);
    EXPECT_EQ(screen->checkedOption(), Option::C);
    EXPECT_EQ(screen->button(1).caption, "1C");
    EXPECT_TRUE(screen->button(1).red);
    EXPECT_EQ(screen->button(5).caption, "5A");
    EXPECT_EQ(screen->button(30).caption, "30B");
    EXPECT_EQ(screen->button(7).caption, "7 ");
    EXPECT_FALSE(screen->button(2).red);
    EXPECT_EQ(screen->sel_given(), stored);
    EXPECT_EQ(fx->storedAnswers(), joinList(stored));  // restoring writes nothing
    screen->close();
    EXPECT_EQ(fx->storedAnswers(), joinList(stored));
}

TEST_F(ChoiceScreenTest, FirstLoginIgnoresStoredAnswers) {
    makeShown({.havelogined = 1, .sel_arr3 = thirty("a")});
    EXPECT_EQ(screen->button(1).caption, "1 ");
    EXPECT_EQ(screen->sel_given()[0], "*");
}

TEST_F(ChoiceScreenTest, ALaterLoginWithoutAnswersStartsEmpty) {
    makeShown({.havelogined = 3, .sel_arr3 = ""});
    EXPECT_EQ(screen->sel_given()[0], "");
    EXPECT_EQ(screen->checkedOption(), Option::None);
    screen->close();
    EXPECT_EQ(fx->storedAnswers(), std::string(29, ' '));
}

TEST_F(ChoiceScreenTest, ExtraStoredAnswersAreDropped) {
    makeShown({.havelogined = 2, .sel_arr3 = thirty("a") + " b c"});
    EXPECT_EQ(screen->sel_given()[29], "a");
    screen->close();
    EXPECT_EQ(fx->storedAnswers(), thirty("a"));
}

TEST_F(ChoiceScreenTest, SelfCheckInPracticeMode) {
    // 27 right, questions 3, 17 and 29 wrong with correct letters b, a, c
    AnswerList correct = splitList(thirty("d"));
    correct[2] = "b";
    correct[16] = "a";
    correct[28] = "c";
    AnswerList given = correct;
    given[2] = "a";
    given[16] = "*";
    given[28] = "";
    makeShown({.havelogined = 2, .sel_arr2 = joinList(correct), .sel_arr3 = joinList(given), .korl = 2});
    EXPECT_TRUE(screen->selfCheckEnabled());
    screen->selfCheck();
    EXPECT_EQ(screen->scorePanel(), "得分:27错误及答案：3b 17a 29c ");
    EXPECT_EQ(fx->storedAnswers(), joinList(given));  // nothing stored
    EXPECT_EQ(grade(screen->sel_correct(), screen->sel_given()).count, 27);
}

TEST_F(ChoiceScreenTest, SelfCheckWithoutAnswersListsEveryQuestion) {
    makeShown({.korl = 2});
    screen->selfCheck();
    std::string list;
    for (int n = 1; n <= kQuestions; ++n) list += std::to_string(n) + ExamFixture::letterAt(ExamFixture::standardPosition(n)) + " ";
    EXPECT_EQ(screen->scorePanel(), "得分:0错误及答案：" + list);
}

TEST_F(ChoiceScreenTest, TheStationModeIsReadWhenTheScreenIsShown) {
    makeShown({.korl = 1});
    EXPECT_FALSE(screen->selfCheckEnabled());
    screen->selfCheck();  // disabled: nothing happens
    EXPECT_EQ(screen->scorePanel(), "得分：");

    fx->setKorl(2);
    EXPECT_FALSE(screen->selfCheckEnabled());  // not while shown
    screen->close();
    screen->show();
    EXPECT_TRUE(screen->selfCheckEnabled());

    fx->setKorl(3);
    screen->hide();
    screen->show();
    EXPECT_FALSE(screen->selfCheckEnabled());
}

TEST_F(ChoiceScreenTest, PictureOfTheQuestionShown) {
    const db::Blob bytes = {'B', 'M', 0, 1, 2, 3};
    makeShown({.pictures = {{ExamFixture::standardPosition(2), bytes}}});
    EXPECT_FALSE(screen->hasPicture());
    screen->next();
    EXPECT_TRUE(screen->hasPicture());
    EXPECT_EQ(screen->picture(), bytes);
    EXPECT_EQ(fx->selecttest->recNo(), ExamFixture::standardPosition(2));
    screen->next();
    EXPECT_FALSE(screen->hasPicture());
}

TEST_F(ChoiceScreenTest, ShortPositionListShowsAClearMessage) {
    std::string arr1;
    for (int n = 1; n <= 29; ++n) arr1 += (n > 1 ? " " : "") + std::to_string(n);
    makeShown({.sel_arr1 = arr1});
    screen->moveTo(29);
    EXPECT_TRUE(screen->questionAvailable());
    screen->next();
    EXPECT_EQ(screen->current(), 30);
    EXPECT_FALSE(screen->questionAvailable());
    EXPECT_EQ(screen->questionText(), "本题无法显示：考试记录中缺少第30题的题号，请与管理员联系！");
    EXPECT_EQ(screen->optionCaption(Option::A), "");
    EXPECT_FALSE(screen->hasPicture());
    // it takes no answer, by click or key
    screen->select(Option::B);
    screen->keyDown(Key::Down, kNone);
    screen->questionTextFocused();
    screen->keyDown(Key::Other, kNone);
    EXPECT_EQ(screen->sel_given()[29], "*");
    EXPECT_EQ(screen->button(30).caption, "30 ");
    // and the screen goes on working
    screen->next();
    EXPECT_TRUE(screen->questionAvailable());
    EXPECT_EQ(screen->questionText(), ExamFixture::stemAt(1));
    screen->close();
    EXPECT_EQ(fx->storedAnswers(), thirty("*"));
}

TEST_F(ChoiceScreenTest, PositionsOutsideTheBankOrNotNumbersShowAClearMessage) {
    AnswerList arr1 = splitList(thirty("5"));
    arr1[0] = "41";
    arr1[1] = "0";
    arr1[2] = "x7";
    arr1[3] = "40";
    makeShown({.sel_arr1 = joinList(arr1)});
    EXPECT_EQ(screen->questionText(), "本题无法显示：考试记录中第1题的题号41超出题库范围（题库共40题），请与管理员联系！");
    screen->next();
    EXPECT_EQ(screen->questionText(), "本题无法显示：考试记录中第2题的题号0超出题库范围（题库共40题），请与管理员联系！");
    screen->next();
    EXPECT_EQ(screen->questionText(), "本题无法显示：考试记录中第3题的题号“x7”不是数字，请与管理员联系！");
    screen->next();
    EXPECT_TRUE(screen->questionAvailable());
    EXPECT_EQ(screen->questionText(), ExamFixture::stemAt(40));
}

TEST_F(ChoiceScreenTest, AFailedStoreKeepsTheAnswerAndReportsTheEngineText) {
    makeShown();
    fx->ct->close();
    EXPECT_THROW(screen->select(Option::B), db::DbError);
    EXPECT_EQ(screen->sel_given()[0], "b");
    EXPECT_EQ(screen->button(1).caption, "1B");
    EXPECT_THROW(screen->close(), db::DbError);
    EXPECT_TRUE(screen->visible());  // not hidden: nothing was saved
}

}  // namespace
}  // namespace kav::choice
