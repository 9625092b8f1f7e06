// The exam flow through its windows: login, drawing, instructions, the exam
// window with the toolbar and its clock, answering, hand-in; re-login; the
// station changes made by the teacher while the client runs; time-up.
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <functional>
#include <set>
#include <sstream>

#include "client/files/ui/file_manager_window.h"
#include "client/flow/drawing.h"
#include "client/flow/instructions.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/forms.h"
#include "client/screens/choice/ui/tform7.h"
#include "client/screens/typing/ui/tform9.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;
using kav::ui::Answer;
using kav::ui::MessageKind;

std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

// Logs a candidate in through the login window and confirms.
void login(KavlorApp& app, const std::string& zkzh, const std::string& password = {}) {
    app.Form1()->FormClick();
    TForm3* form3 = app.Form3();
    ASSERT_NE(form3, nullptr);
    ASSERT_TRUE(form3->isVisible());
    form3->Edit1->setText(QString::fromStdString(zkzh));
    form3->Edit3->setText(QString::fromStdString(password));
    form3->BitBtn1Click();
    ASSERT_TRUE(form3->BitBtn3->isVisible()) << "check refused";
    form3->BitBtn3Click();
}

// A first login up to the running exam window.
void startFirstExam(KavlorApp& app, const std::string& zkzh = kFirst) {
    ASSERT_TRUE(app.start());
    login(app, zkzh);
    ASSERT_NE(app.Form2(), nullptr);
    QTest::keyClick(app.Form2(), Qt::Key_S);
    ASSERT_NE(app.Form4(), nullptr);
}

std::string ctValue(Harness& h, const std::string& zkzh, const std::string& column) {
    auto stu = h.lab.stuDb();
    return rowValue(*stu, "ct", zkzh, column);
}

// A folder with an executable of the given name, for programSearchPath.
fs::path programFolder(Harness& h, const std::string& name) {
    const fs::path folder = h.lab.root() / "bin";
    kav::test::writeFile(folder / name, "#!/bin/sh\n");
    fs::permissions(folder / name, fs::perms::owner_all);
    return folder;
}

TEST(ExamFlowTest, FirstLoginDrawsAnswersAndHandsIn) {
    Harness h;
    h.programSearchPath = programFolder(h, "lowriter").string();
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(app.Form1()->isVisible());
    login(app, kFirst, "anything");  // a first login needs no password

    // Drawing and the exam record.
    EXPECT_FALSE(app.Form1()->isVisible());
    EXPECT_FALSE(app.Form3()->isVisible());
    ASSERT_NE(app.Form6(), nullptr);
    EXPECT_FALSE(app.Form6()->isVisible());
    EXPECT_EQ(app.Form6()->ProgressBar1->value(), 100);
    TForm2* form2 = app.Form2();
    ASSERT_TRUE(form2->isVisible());
    EXPECT_EQ(form2->Label_kh->text().toStdString(), "准考证号：110199990001");
    EXPECT_EQ(form2->Label_xm->text().toStdString(), "考生姓名：张三");
    EXPECT_EQ(form2->Label2->text().toStdString(), "1、考试剩余时间:1:30:00，按S键开始考试并计时。");
    {
        auto stu = h.lab.stuDb();
        EXPECT_EQ(rowValue(*stu, "student", kFirst, "havelogined"), "1");
        auto ct = stu->openTable("ct");
        ASSERT_EQ(ct->recordCount(), 1);
        EXPECT_EQ(ct->field("zkzh").asString(), kFirst);
        EXPECT_EQ(ct->field("ksxm").asString(), "张三");
        EXPECT_EQ(ct->field("kstime").asDateTime(), h.clock.local);
        const auto positions = tokens(ct->field("sel_arr1").asString());
        const auto answers = tokens(ct->field("sel_arr2").asString());
        ASSERT_EQ(positions.size(), 30u);
        ASSERT_EQ(answers.size(), 30u);
        EXPECT_EQ(std::set<std::string>(positions.begin(), positions.end()).size(), 30u);
        for (size_t i = 0; i < 30; ++i) {
            const int p = std::stoi(positions[i]);
            EXPECT_TRUE(p >= 1 && p <= 40);
            EXPECT_EQ(answers[i], std::string(1, "abcd"[p % 4]));  // the bank's correct_sel, lower case
        }
        EXPECT_NE(ct->field("sel_arr1").asString().find("  "), 0u);
        const auto winno = ct->field("winno").asInteger();
        EXPECT_TRUE(winno == 1 || winno == 2);
        const auto wordno = ct->field("wordno").asInteger();
        EXPECT_TRUE(wordno == 1 || wordno == 2);
        const std::string dz = ct->field("filename_dz").asString();
        EXPECT_TRUE(dz == "txt0.txt" || dz == "txt1.txt" || dz == "txt2.txt") << dz;
        EXPECT_FALSE(ct->field("filename_word").asString().empty());
        EXPECT_EQ(ct->field("resttime").asString(), "1:30:00");
        EXPECT_TRUE(ct->field("sel_arr3").asString().empty());
    }

    // Any letter but S does nothing; S starts the exam.
    QTest::keyClick(form2, Qt::Key_A);
    EXPECT_EQ(app.Form4(), nullptr);
    QTest::keyClick(form2, Qt::Key_S);
    ASSERT_NE(app.Form4(), nullptr);
    EXPECT_FALSE(form2->isVisible());
    TForm4* form4 = app.Form4();
    TForm5* form5 = app.Form5();
    EXPECT_TRUE(form4->isVisible());
    EXPECT_TRUE(form5->isVisible());
    EXPECT_EQ(form4->SpeedButton2->text().toStdString(), kFirst);
    EXPECT_EQ(form4->SpeedButton3->text().toStdString(), "张三");
    EXPECT_EQ(form4->SpeedButton7->text().toStdString(), "考试状态");
    EXPECT_FALSE(form5->N4->isEnabled());
    EXPECT_EQ(form5->Button2->text().toStdString(), "考生文件夹:c:\\kavlor\\11010001");
    EXPECT_EQ(form5->BitBtn1->text().toStdString(), "1:30:00");

    // The candidate folder: the Windows task prepared, the Word document copied in.
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
    EXPECT_TRUE(fs::is_directory(folder / "TEST"));
    EXPECT_TRUE(fs::is_regular_file(folder / "a.txt"));
    EXPECT_TRUE(fs::is_regular_file(folder / "TEST" / "b.txt"));
    EXPECT_TRUE(fs::is_regular_file(folder / ctValue(h, kFirst, "filename_word")));

    // The clock: 1:29:59 after one second, saved as 1:29:30 thirty seconds later.
    h.clock.advance(1000);
    EXPECT_EQ(form5->BitBtn1->text().toStdString(), "1:29:59");
    h.clock.advance(28000);
    EXPECT_EQ(ctValue(h, kFirst, "resttime"), "1:30:00");
    h.clock.advance(1000);
    EXPECT_EQ(form5->BitBtn1->text().toStdString(), "1:29:30");
    EXPECT_EQ(ctValue(h, kFirst, "resttime"), "1:29:30");

    // The question kinds.
    form5->Button3Click();
    const QStringList memo = form5->Memo1->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 2);
    EXPECT_EQ(memo[0].toStdString(), "请先单击按钮：“考生文件夹:c:\\kavlor\\11010001”即可进入考生文件夹，开始考试！");
    EXPECT_TRUE(memo[1].startsWith(QString::fromUtf8("在考生文件夹下建立文件夹NEW")));
    form5->Button4Click();
    EXPECT_EQ(form5->Memo1->toPlainText().toStdString(), "请在菜单栏的“考试项目”中选择“选择题”");
    form5->Button1Click();
    EXPECT_EQ(form5->Memo1->toPlainText().split('\n')[0].toStdString(),
              "请在考生文件夹中的中打开文件" + ctValue(h, kFirst, "filename_word") + "进行答题！");
    // The Word document opened in the office program.
    EXPECT_EQ(h.desktop.started,
              (std::vector<std::vector<std::string>>{{(fs::path(h.programSearchPath) / "lowriter").string(),
                                                      (folder / ctValue(h, kFirst, "filename_word")).string()}}));
    form5->Button2Click();
    ASSERT_NE(form5->FileManager(), nullptr);
    EXPECT_TRUE(form5->FileManager()->isVisible());
    EXPECT_EQ(form5->FileManager()->logic().files().root(), folder);

    // Answers: B to question 1, A to question 2; each is in the record at once.
    form5->N2Click();
    ASSERT_NE(form5->Form7(), nullptr);
    TForm7* form7 = form5->Form7();
    EXPECT_TRUE(form7->isVisible());
    form7->RadioButton2Click();
    form7->nextClick();
    form7->RadioButton1Click();
    EXPECT_EQ(tokens(ctValue(h, kFirst, "sel_arr3")).size(), 30u);
    EXPECT_EQ(ctValue(h, kFirst, "sel_arr3").substr(0, 4), "b a ");
    form7->BitBtn3Click();
    EXPECT_FALSE(form7->isVisible());

    // The typing screen is made once and shown again.
    form5->N3Click();
    TForm9* form9 = form5->Form9();
    ASSERT_NE(form9, nullptr);
    EXPECT_TRUE(form9->isVisible());
    form9->hide();
    form5->N3Click();
    EXPECT_EQ(form5->Form9(), form9);
    EXPECT_TRUE(form9->isVisible());
    form9->hide();

    // Hand-in: No leaves everything as it was.
    h.dialogs.answers.push_back(Answer::No);
    form4->SpeedButton6Click();
    EXPECT_EQ(h.exits, 0);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].text, "将退出系统！！！");
    EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(h.dialogs.shown[0].buttons, kav::ui::Buttons::OkNo);
    {
        auto t = h.lab.teacherDb();
        EXPECT_EQ(rowCount(*t, "score"), 0);
    }

    h.dialogs.answers.push_back(Answer::Ok);
    form4->SpeedButton6Click();
    EXPECT_EQ(h.exits, 1);
    EXPECT_TRUE(app.client().ended());
    EXPECT_EQ(h.dialogs.shown.size(), 2u);  // exam mode grades silently

    const auto correct = tokens(ctValue(h, kFirst, "sel_arr2"));
    const int expectedChoice = (correct[0] == "b") + (correct[1] == "a");
    auto t = h.lab.teacherDb();
    auto stu = h.lab.stuDb();
    EXPECT_EQ(rowValue(*stu, "student", kFirst, "select_cj"), std::to_string(expectedChoice));
    EXPECT_EQ(rowValue(*stu, "student", kFirst, "win_cj"), "8");  // TEST and a.txt present, NEW missing
    EXPECT_EQ(rowValue(*t, "score", kFirst, "ksxm"), "张三");
    EXPECT_EQ(rowValue(*t, "score", kFirst, "select_cj"), std::to_string(expectedChoice));
    EXPECT_EQ(rowValue(*t, "score", kFirst, "win_cj"), "8");
    EXPECT_EQ(rowValue(*t, "score", kFirst, "dz_cj"), "0");
    const int word = std::stoi(rowValue(*t, "score", kFirst, "word_cj"));
    EXPECT_EQ(rowValue(*t, "score", kFirst, "kscj"), std::to_string(8 + expectedChoice + word));
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "sel_arr1"), ctValue(h, kFirst, "sel_arr1"));
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "sel_arr3"), ctValue(h, kFirst, "sel_arr3"));
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "dz_result"), ctValue(h, kFirst, "dz_result"));
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "resttime"), "1:29:30");
    EXPECT_NE(rowValue(*t, "condition", kFirst, "win_condiction").find("缺文件夹：c:\\kavlor\\11010001\\NEW"),
              std::string::npos);
    EXPECT_EQ(rowValue(*t, "condition", kFirst, "kstime"), rowValue(*stu, "student", kFirst, "kstime"));
}

TEST(ExamFlowTest, ReLoginResumesWithTheSavedTimeAndAnswers) {
    Harness h;
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
    const kav::DateTime started = h.clock.local;
    {
        KavlorApp app(h.env());
        startFirstExam(app);
        app.Form5()->N2Click();
        app.Form5()->Form7()->RadioButton3Click();
        h.clock.advance(60'000);  // saved at 1:29:30 and 1:29:00
        EXPECT_EQ(ctValue(h, kFirst, "resttime"), "1:29:00");
        h.clock.advance(10'000);
        // The client dies here: nothing more is saved.
    }
    fs::remove(folder / "a.txt");

    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    // A returning candidate needs the password: a wrong one is refused first.
    app.Form1()->FormClick();
    TForm3* form3 = app.Form3();
    EXPECT_TRUE(form3->Edit3->text().isEmpty());  // the first candidate has logged in before
    form3->Edit1->setText(kFirst);
    form3->Edit3->setText("wrong");
    form3->BitBtn1Click();
    EXPECT_EQ(h.dialogs.lastText(), "输入密码1次不正确！！！");
    EXPECT_TRUE(form3->Edit3->text().isEmpty());
    EXPECT_FALSE(form3->BitBtn3->isVisible());
    login(app, kFirst, "pw1");

    ASSERT_NE(app.Form4(), nullptr);
    EXPECT_FALSE(app.Form2()->isVisible());  // no instructions on a re-login
    EXPECT_EQ(app.Form5()->BitBtn1->text().toStdString(), "1:29:00");
    h.clock.advance(1000);
    EXPECT_EQ(app.Form5()->BitBtn1->text().toStdString(), "1:28:59");
    EXPECT_FALSE(fs::exists(folder / "a.txt"));  // the folder is used as it is
    {
        auto stu = h.lab.stuDb();
        EXPECT_EQ(rowValue(*stu, "student", kFirst, "havelogined"), "2");
        EXPECT_EQ(rowCount(*stu, "ct"), 1);
        // The exam started at the first login, whatever the re-login's time.
        ASSERT_NE(h.clock.local, started);
        EXPECT_EQ(stu->openKeyed("student", "zkzh", std::string(kFirst))->field("kstime").asDateTime(), started);
    }
    app.Form5()->N2Click();
    EXPECT_EQ(app.Form5()->Form7()->speedButtons[0]->text().toStdString(), "1C");
}

TEST(ExamFlowTest, ReLoginWithoutAnExamRecordEndsTheClient) {
    Harness h;
    h.lab.setLogins(kSecond, 1);
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    login(app, kSecond, "pw2");
    EXPECT_EQ(h.exits, 1);
    EXPECT_EQ(h.dialogs.lastText(), "无法找到已抽的题目，系统出错，将退出！");
    EXPECT_EQ(h.dialogs.shown.back().kind, MessageKind::Plain);
}

TEST(ExamFlowTest, PasswordCounterIsSharedByAllCandidates) {
    Harness h;
    h.lab.setLogins(kFirst, 1);
    h.lab.setLogins(kSecond, 1);
    Client client(h.env());
    ASSERT_TRUE(client.start());
    LoginLogic& login = *client.login();
    auto check = [&](const std::string& zkzh, const std::string& password) {
        login.BitBtn4Click();
        login.Edit1 = zkzh;
        login.Edit3 = password;
        client.handle([&] { login.BitBtn1Click(); });
    };
    check(kFirst, "x");
    check(kSecond, "y");
    check(kFirst, "PW1");  // case matters
    EXPECT_EQ(h.dialogs.texts(), (std::vector<std::string>{"输入密码1次不正确！！！", "输入密码2次不正确！！！",
                                                           "输入密码3次不正确！！！"}));
    // A candidate who has never logged in still passes, with any password.
    check(kThird, "");
    EXPECT_EQ(login.stage(), LoginLogic::Stage::Accepted);
    EXPECT_EQ(login.Edit2, "王五");
    EXPECT_EQ(h.exits, 0);
    // A returning candidate now ends the client, even with the right password.
    check(kSecond, "pw2");
    EXPECT_EQ(h.dialogs.lastText(), "输入密码错误已3次，将退出系统！！！");
    EXPECT_EQ(h.exits, 1);
}

TEST(ExamFlowTest, UnknownAdmissionNumbersAreRefused) {
    Harness h;
    Client client(h.env());
    ASSERT_TRUE(client.start());
    LoginLogic& login = *client.login();
    login.Edit1 = std::string(kFirst) + " ";
    client.handle([&] { login.BitBtn1Click(); });
    EXPECT_EQ(h.dialogs.lastText(), "输入考号超出范围！！！");
    EXPECT_EQ(h.dialogs.shown.back().kind, MessageKind::Warning);
    EXPECT_TRUE(login.Edit1.empty());
    EXPECT_EQ(login.stage(), LoginLogic::Stage::Entering);
}

TEST(ExamFlowTest, TooFewChoiceQuestionsEndTheClientWithoutARecord) {
    Harness h({.choiceQuestions = 29});
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    login(app, kFirst);
    EXPECT_EQ(h.dialogs.texts(), (std::vector<std::string>{"题库中题量不够，抽题失败！！！", "抽题失败将退出系统！！！"}));
    EXPECT_EQ(h.exits, 1);
    auto stu = h.lab.stuDb();
    EXPECT_EQ(rowCount(*stu, "ct"), 0);
    EXPECT_EQ(rowValue(*stu, "student", kFirst, "havelogined"), "1");
}

TEST(ExamFlowTest, ExactlyThirtyChoiceQuestionsAreAllDrawn) {
    Harness h({.choiceQuestions = 30});
    Client client(h.env());
    ASSERT_TRUE(client.start());
    Drawing drawing(client.data().ADOTable_win(), client.data().ADOTable_word(), client.data().ADOTable_selecttest(),
                    h.dialogs, client.random());
    ChoiceDraw draw;
    ASSERT_TRUE(drawing.DrawChoiceQuestions(draw));
    std::set<int> all(draw.positions.begin(), draw.positions.end());
    EXPECT_EQ(all.size(), 30u);
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), 30);
    // Every typing file is drawn, and nothing else.
    std::set<std::string> typing;
    for (int i = 0; i < 200; ++i) typing.insert(drawing.DrawTypingFile(h.lab.station));
    EXPECT_EQ(typing, (std::set<std::string>{"txt0.txt", "txt1.txt", "txt2.txt"}));
}

TEST(ExamFlowTest, AnEmptyWindowsBankLeavesPositionZeroAndTheExamGoesOn) {
    Harness h({.winTasks = 0});
    KavlorApp app(h.env());
    startFirstExam(app);
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{"题库中无题，抽题失败！！！"});
    EXPECT_EQ(ctValue(h, kFirst, "winno"), "0");
    app.Form5()->Button3Click();
    const QStringList memo = app.Form5()->Memo1->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 2);
    EXPECT_TRUE(memo[1].isEmpty());
}

TEST(ExamFlowTest, AnEmptyWordBankEndsTheClientAtTheStartOfTheExam) {
    Harness h({.wordTasks = 0});
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    login(app, kFirst);
    EXPECT_EQ(ctValue(h, kFirst, "wordno"), "0");
    EXPECT_EQ(ctValue(h, kFirst, "filename_word"), "");
    QTest::keyClick(app.Form2(), Qt::Key_S);
    EXPECT_EQ(h.dialogs.texts(),
              (std::vector<std::string>{"题库中无题，抽题失败！！！",
                                        "复制Word题文件失败（no document drawn），Word题将无法进行答题！！\r系统将退出，请与管理员联系！！！"}));
    EXPECT_EQ(h.exits, 1);
}

TEST(ExamFlowTest, PracticeModeGradesOnDemandAndHandsInWithoutReporting) {
    Harness h;
    KavlorApp app(h.env());
    startFirstExam(app);
    h.lab.setKorl(2);
    h.clock.advance(2000);
    EXPECT_EQ(h.dialogs.lastText(), "将进入练习状态,可自进评分！！！");
    EXPECT_EQ(app.Form4()->SpeedButton7->text().toStdString(), "练习状态");
    EXPECT_TRUE(app.Form5()->N4->isEnabled());

    h.dialogs.shown.clear();
    app.Form5()->N9Click();
    const auto texts = h.dialogs.texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0].rfind("Win题得分:8\r", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1].rfind("选择题得分:", 0), 0u);
    EXPECT_NE(texts[1].find("\r答错题号及答案："), std::string::npos);
    EXPECT_EQ(texts[2], "打字题得分:0\r评分标准(参照一级B标准):\r打完全文,错字每3个字扣1分,扣完为止！");

    h.dialogs.answers.push_back(Answer::Ok);
    app.Form4()->SpeedButton6Click();
    EXPECT_EQ(h.exits, 1);
    auto t = h.lab.teacherDb();
    EXPECT_EQ(rowCount(*t, "score"), 0);
    EXPECT_EQ(rowCount(*t, "condition"), 0);
}

TEST(ExamFlowTest, TheToolbarHidesAndShowsTheExamWindow) {
    Harness h;
    KavlorApp app(h.env());
    startFirstExam(app);
    app.Form4()->SpeedButton5Click();
    EXPECT_FALSE(app.Form5()->isVisible());
    EXPECT_EQ(app.Form4()->SpeedButton5->text().toStdString(), "显示题目");
    h.clock.advance(1000);  // the clock runs while the window is hidden
    EXPECT_EQ(app.Form5()->BitBtn1->text().toStdString(), "1:29:59");
    app.Form4()->SpeedButton5Click();
    EXPECT_TRUE(app.Form5()->isVisible());
    EXPECT_EQ(app.Form4()->SpeedButton5->text().toStdString(), "隐藏题目");
    app.Form4()->close();  // the candidate cannot close the toolbar
    EXPECT_TRUE(app.Form4()->isVisible());
    EXPECT_EQ(h.exits, 0);
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

TEST(ExamFlowTest, AFolderThatCannotBeMadeKeepsTheInstructionsForAnotherTry) {
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    login(app, kFirst);
    fs::remove_all(h.lab.driveC / "kavlor");
    kav::test::writeFile(h.lab.driveC / "kavlor", "not a folder");
    QTest::keyClick(app.Form2(), Qt::Key_S);
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{"Cannot create c:\\kavlor"});
    EXPECT_EQ(h.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(app.Form4(), nullptr);
    EXPECT_TRUE(app.Form2()->isVisible());
    EXPECT_EQ(h.clock.runningTimers(), 0);  // no clock left running

    fs::remove(h.lab.driveC / "kavlor");
    QTest::keyClick(app.Form2(), Qt::Key_S);
    ASSERT_NE(app.Form4(), nullptr);
    EXPECT_TRUE(fs::is_directory(h.lab.driveC / "kavlor" / "11010001" / "TEST"));
}

// A restart after an interrupted start of the exam resumes with a complete
// candidate folder: a missing folder is made with the task's files, a missing
// Word document is copied, and task files the candidate deleted stay deleted.
TEST(ExamFlowTest, AResumedExamHasItsCandidateFolderAndWordDocument) {
    struct Case {
        const char* name;
        std::function<void(Harness&, KavlorApp&)> firstRun;  // after the first login's confirm
        bool taskFileBack;
    };
    auto documentOf = [](Harness& h) { return ctValue(h, kFirst, "filename_word"); };
    const Case cases[] = {
        {"crash at the instructions", [](Harness&, KavlorApp&) {}, true},
        {"the Word document could not be copied, then the teacher restores it",
         [&](Harness& h, KavlorApp& app) {
             const fs::path source = h.lab.station / "word" / documentOf(h);
             fs::rename(source, h.lab.root() / "aside");
             QTest::keyClick(app.Form2(), Qt::Key_S);
             EXPECT_EQ(h.exits, 1);
             fs::rename(h.lab.root() / "aside", source);
         },
         true},
        {"the candidate deleted a task file and the document",
         [&](Harness& h, KavlorApp& app) {
             QTest::keyClick(app.Form2(), Qt::Key_S);
             const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
             fs::remove(folder / "TEST" / "b.txt");
             fs::remove(folder / documentOf(h));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        {
            KavlorApp app(h.env());
            ASSERT_TRUE(app.start());
            login(app, kFirst);
            c.firstRun(h, app);
        }
        const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
        KavlorApp app(h.env());
        ASSERT_TRUE(app.start());
        h.dialogs.shown.clear();
        login(app, kFirst, "pw1");
        ASSERT_NE(app.Form4(), nullptr);
        EXPECT_TRUE(h.dialogs.texts().empty());
        const std::string document = documentOf(h);
        EXPECT_EQ(kav::test::readFile(folder / document), kav::test::readFile(h.lab.station / "word" / document));
        EXPECT_TRUE(fs::is_regular_file(folder / "a.txt"));
        EXPECT_EQ(fs::is_regular_file(folder / "TEST" / "b.txt"), c.taskFileBack);
    }
}

// A drive c: too full for the exam's files at the first login: the client
// ends naming the file, and no file of the exam is left behind, not even a
// part; once space is freed the resumed exam has every file whole. A file an
// earlier start left empty is copied again. Needs a 2 MB tmpfs as drive c:
// (root, as in CI); skipped where mounting is not permitted.
TEST(ExamFlowTest, AFullDriveAtTheFirstLoginLeavesNothingHalfMade) {
    struct Case {
        const char* name;
        std::function<fs::path(Harness&)> bigSource;  // the source made too big for the drive
        const char* named;                            // in the message
    };
    const Case cases[] = {
        {"the Word document", [](Harness& h) { return h.lab.station / "word" / ctValue(h, kFirst, "filename_word"); },
         "复制Word题文件"},
        {"a task file", [](Harness& h) { return h.lab.station / "file" / "b.txt"; }, "b.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        if (::mount("tmpfs", h.lab.driveC.c_str(), "tmpfs", 0, "size=2m") != 0)
            GTEST_SKIP() << "cannot mount a small drive c: here (" << std::strerror(errno) << ")";
        struct Unmount {
            fs::path at;
            ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
        } unmount{h.lab.driveC};
        fs::create_directories(h.lab.driveC / "kavtmp");
        const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
        {
            KavlorApp app(h.env());
            ASSERT_TRUE(app.start());
            login(app, kFirst);
            const fs::path source = c.bigSource(h);
            kav::test::writeFile(source, std::string(1536 * 1024, 'x'));
            kav::test::writeFile(h.lab.driveC / "filler", std::string(1024 * 1024, 'f'));
            QTest::keyClick(app.Form2(), Qt::Key_S);
            EXPECT_EQ(h.exits, 1);
            ASSERT_EQ(h.dialogs.shown.size(), 1u);
            EXPECT_NE(h.dialogs.texts()[0].find(c.named), std::string::npos) << h.dialogs.texts()[0];
            EXPECT_NE(h.dialogs.texts()[0].find("No space left on device"), std::string::npos) << h.dialogs.texts()[0];
            EXPECT_FALSE(fs::exists(folder));
        }
        fs::remove(h.lab.driveC / "filler");
        {
            KavlorApp app(h.env());
            ASSERT_TRUE(app.start());
            h.dialogs.shown.clear();
            login(app, kFirst, "pw1");
            ASSERT_NE(app.Form4(), nullptr);
            EXPECT_TRUE(h.dialogs.texts().empty());
        }
        // A start of an earlier version left two copies empty; the next one fills them.
        const std::string document = ctValue(h, kFirst, "filename_word");
        for (const fs::path& file : {folder / document, folder / "TEST" / "b.txt"}) kav::test::writeFile(file, "");
        KavlorApp app(h.env());
        ASSERT_TRUE(app.start());
        login(app, kFirst, "pw1");
        ASSERT_NE(app.Form4(), nullptr);
        for (const auto& [copy, source] : {std::pair{folder / document, h.lab.station / "word" / document},
                                           std::pair{folder / "a.txt", h.lab.station / "file" / "a.txt"},
                                           std::pair{folder / "TEST" / "b.txt", h.lab.station / "file" / "b.txt"}})
            EXPECT_EQ(kav::test::readFile(copy), kav::test::readFile(source)) << copy;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << entry.path();
    }
}

// Where the desktop cannot open folders the candidate is told so.
// The folder button shows the file manager over the candidate folder, or
// says the folder is gone; Word题 opens the document in the first office
// program found, or says why it cannot.
TEST(ExamFlowTest, TheFolderAndWordButtonsSayWhatStopsThem) {
    const std::string noOffice = "本机没有安装可以打开Word文档的办公软件（LibreOffice Writer或WPS文字），请与监考老师联系！";
    const struct {
        const char* what;
        const char* program;  // on the search path, or nullptr
        bool starts;
        bool removeFolder, removeDocument;
        std::vector<std::string> messages;  // after both buttons
    } cases[] = {
        {"all there", "soffice", true, false, false, {}},
        {"no office program", nullptr, true, false, false, {noOffice}},
        {"cannot start", "wps", false, false, false, {"无法启动办公软件wps，请与监考老师联系！"}},
        {"no document", "wps", true, false, true, {}},
        {"no candidate folder", "lowriter", true, true, false,
         {"考生文件夹c:\\kavlor\\11010001不存在，请与监考老师联系！"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        if (c.program) h.programSearchPath = programFolder(h, c.program).string();
        h.desktop.starts = c.starts;
        KavlorApp app(h.env());
        startFirstExam(app);
        h.dialogs.shown.clear();
        const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
        const std::string document = ctValue(h, kFirst, "filename_word");
        if (c.removeDocument) fs::remove(folder / document);
        if (c.removeFolder) fs::remove_all(folder);
        app.Form5()->Button1Click();
        app.Form5()->Button2Click();
        std::vector<std::string> messages = c.messages;
        if (c.removeDocument || c.removeFolder)
            messages.insert(messages.begin(), "考生文件夹中没有Word题文件" + document + "，请与监考老师联系！");
        EXPECT_EQ(h.dialogs.texts(), messages);
        const bool opened = c.program && !c.removeDocument && !c.removeFolder;
        EXPECT_EQ(h.desktop.started.size(), opened ? 1u : 0u);
        if (opened && std::string(c.program) != "lowriter")
            EXPECT_EQ(h.desktop.started[0].at(1), std::string(c.program) == "soffice" ? "--writer" : (folder / document).string());
        EXPECT_EQ(app.Form5()->FileManager() != nullptr, !c.removeFolder);
    }
}

TEST(ExamFlowTest, AnExistingCandidateFolderIsReusedAndItsWordDocumentReplaced) {
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    login(app, kFirst);
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
    const std::string document = ctValue(h, kFirst, "filename_word");
    kav::test::writeFile(folder / "mine.txt", "kept");
    kav::test::writeFile(folder / "a.txt", "the candidate's own");
    kav::test::writeFile(folder / document, "an old copy");
    QTest::keyClick(app.Form2(), Qt::Key_S);
    ASSERT_NE(app.Form4(), nullptr);
    EXPECT_EQ(kav::test::readFile(folder / "mine.txt"), "kept");
    EXPECT_EQ(kav::test::readFile(folder / "a.txt"), "the candidate's own");
    EXPECT_EQ(kav::test::readFile(folder / document), kav::test::readFile(h.lab.station / "word" / document));
    EXPECT_TRUE(fs::is_regular_file(folder / "TEST" / "b.txt"));
}

}  // namespace
}  // namespace kavlor::test

namespace kavlor::test {
namespace {

TEST(ExamFlowTest, EnterPressesTheVisibleDefaultButtonOfTheLogin) {
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    QTest::keyClick(app.Form1(), Qt::Key_Space);  // any key on the splash
    TForm3* form3 = app.Form3();
    ASSERT_TRUE(form3->isVisible());
    form3->Edit1->setText(kSecond);
    QTest::keyClick(form3->Edit1, Qt::Key_Return);  // 验考号
    EXPECT_EQ(form3->Edit2->text().toStdString(), "李四");
    EXPECT_TRUE(form3->Edit1->isReadOnly());
    form3->BitBtn4Click();  // 重新输入
    EXPECT_TRUE(form3->Edit1->text().isEmpty());
    EXPECT_FALSE(form3->Edit1->isReadOnly());
    EXPECT_TRUE(form3->BitBtn1->isVisible());
    form3->Edit1->setText(kSecond);
    QTest::keyClick(form3->Edit1, Qt::Key_Return);
    QTest::keyClick(form3->Edit1, Qt::Key_Return);  // 确定
    ASSERT_NE(app.Form2(), nullptr);
    EXPECT_TRUE(app.Form2()->isVisible());
    EXPECT_EQ(app.Form2()->Label_xm->text().toStdString(), "考生姓名：李四");
}

TEST(ExamFlowTest, TheExitButtonEndsTheClient) {
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    app.Form1()->FormClick();
    app.Form3()->BitBtn2Click();
    EXPECT_EQ(h.exits, 1);
    EXPECT_TRUE(app.client().exitFlag);
    EXPECT_FALSE(app.Form3()->isVisible());
    EXPECT_FALSE(app.Form1()->isVisible());
    kav::platform::SingleCopyLock again(h.lab.lockFile);
    EXPECT_TRUE(again.held());
}

}  // namespace
}  // namespace kavlor::test

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "client/flow/texts.h"
#include "gui/qt_services.h"

namespace kavlor::test {
namespace {

// Shows the hand-in question through the Qt dialogs; `act` runs on the open box.
kav::ui::Answer askHandIn(const std::function<void(QMessageBox&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
        if (box->isVisible()) box->done(0);
    });
    kav::gui::QtDialogs qt(QString::fromUtf8(texts::kTitle), true);
    kav::ui::Dialogs& dialogs = qt;
    return dialogs.message(MessageKind::Warning, "将退出系统！！！", kav::ui::Buttons::OkNo);
}

QPushButton* buttonNamed(QMessageBox& box, const char* text) {
    for (QAbstractButton* b : box.buttons())
        if (b->text() == QString::fromUtf8(text)) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

TEST(ExamFlowTest, TheHandInQuestionShowsNoBeforeOkWithOkAsDefault) {
    const Answer answer = askHandIn([](QMessageBox& box) {
        EXPECT_EQ(box.text().toStdString(), "将退出系统！！！");
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        ASSERT_EQ(box.buttons().size(), 2);
        QPushButton* no = buttonNamed(box, "否");
        QPushButton* ok = buttonNamed(box, "确定");
        ASSERT_NE(no, nullptr);
        ASSERT_NE(ok, nullptr);
        EXPECT_LT(no->mapTo(&box, QPoint(0, 0)).x(), ok->mapTo(&box, QPoint(0, 0)).x()) << "No comes first";
        EXPECT_EQ(box.defaultButton(), ok);
        EXPECT_EQ(box.escapeButton(), no);
        ok->click();
    });
    EXPECT_EQ(answer, Answer::Ok);
    // Esc answers No.
    EXPECT_EQ(askHandIn([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }), Answer::No);
}

}  // namespace
}  // namespace kavlor::test
