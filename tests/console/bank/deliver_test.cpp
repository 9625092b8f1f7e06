// The teacher's round trip on a lab: a new candidate and a new choice question
// with a picture are entered on the console, stu.mdb is put on the update list
// and the update command switched on; a student machine started afterwards
// copies the bank, the new candidate logs in and draws the new question.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/flow/login.h"
#include "common/core/tokens.h"
#include "console/pages/bank/bank.h"
#include "console/base/console.h"
#include "tests/console/console_lab.h"
#include "tests/flow/flow_lab.h"
#include "tools/demo/demo_pictures.h"

namespace mendrix::bank {
namespace {

namespace fs = std::filesystem;
using kav::ui::Answer;

TEST(BankDeliverTest, ANewCandidateDrawsTheNewQuestionAfterTheUpdate) {
    // A bank of 29 questions: with the new one every question is drawn.
    kavlor::test::Harness h(kavlor::test::LabOptions{.choiceQuestions = 29});
    fs::copy_file(h.lab.station / "stu.mdb", h.lab.teacher / "stu.mdb");  // the console's master copy
    const std::string picture = kav::demo::pictureBmp(kav::demo::Picture::StarTopology);
    kav::test::writeFile(h.lab.root() / "star.bmp", picture);

    // The console.
    kav::test::FakeDialogs dialogs;
    kav::test::FakeClock clock;
    test::FakeDesktop desktop;
    Console console(ConsoleEnv{dialogs, clock, desktop, h.lab.teacher, [] {}});
    console.start();
    console.login().Edit1 = "admin";
    console.login().Edit2 = "admin";
    console.handle([&] { console.login().BitBtn1Click(); });
    ASSERT_TRUE(console.mainWindow().visible) << dialogs.lastText();
    QuestionBank bank(console, [](const std::string& bytes) {
        return bytes.rfind("BM", 0) == 0 ? PictureCheck{PictureCheck::Kind::Image, 10, 10} : PictureCheck{};
    });
    auto type = [](TableBinding& binding, const char* column, const std::string& text) {
        binding.setText(binding.columnIndex(column), text);
    };

    console.handle([&] { console.mainWindow().N3Click(); });
    TableBinding& roster = bank.roster.binding;
    roster.insert();
    type(roster, "zkzh", "110199990009");
    type(roster, "ksxm", "赵六");
    type(roster, "login_keyword", "pw9");
    ASSERT_TRUE(roster.post());

    console.handle([&] { console.mainWindow().N5Click(); });
    TableBinding& choice = bank.choice.binding;
    choice.insert();
    type(choice, "select_question", "第30题：下图是哪一种网络拓扑结构？");
    type(choice, "sel_a", "总线型");
    type(choice, "sel_b", "星型");
    type(choice, "sel_c", "环型");
    type(choice, "sel_d", "树型");
    type(choice, "correct_sel", "B");
    dialogs.files = {h.lab.root() / "star.bmp"};
    console.handle([&] { bank.choice.BitBtn39Click(); });
    ASSERT_TRUE(choice.post());

    dialogs.answers = {Answer::Yes};  // switching the update flag on asks first
    console.handle([&] { console.mainWindow().N23Click(); });
    EXPECT_EQ(console.mainWindow().page, Page::UpdateList);
    type(bank.updateList.binding, "filename", "stu.mdb");
    console.handle([&] { bank.updateList.BitBtn41Click(); });
    console.closeMainWindow();
    ASSERT_TRUE(console.ended());
    EXPECT_TRUE(dialogs.shown.size() == 1 && dialogs.shown[0].kind == kav::ui::MessageKind::Warning)
        << "only the update flag's question: " << dialogs.lastText();

    // A student machine starts, copies the bank, and the new candidate logs in.
    kavlor::Client client(h.env());
    ASSERT_TRUE(client.start()) << h.dialogs.lastText();
    kavlor::LoginLogic& login = *client.login();
    login.Edit1 = "110199990009";
    client.handle([&] { login.BitBtn1Click(); });
    EXPECT_EQ(login.Edit2, "赵六");
    client.handle([&] { login.BitBtn3Click(); });
    EXPECT_TRUE(h.dialogs.shown.empty()) << h.dialogs.lastText();

    auto stu = h.lab.stuDb();
    const std::string selArr1 = kavlor::test::rowValue(*stu, "ct", "110199990009", "sel_arr1");
    const std::string selArr2 = kavlor::test::rowValue(*stu, "ct", "110199990009", "sel_arr2");
    const auto positions = kav::splitTokens(selArr1), keys = kav::splitTokens(selArr2);
    ASSERT_EQ(positions.size(), 30u);
    const auto at = std::find(positions.begin(), positions.end(), "30");
    ASSERT_NE(at, positions.end()) << "the new question is drawn";
    EXPECT_EQ(keys.at(static_cast<size_t>(at - positions.begin())), "b");
    auto selecttest = stu->openTable("selecttest");
    selecttest->last();
    const auto image = selecttest->field("image").asBlob();
    EXPECT_EQ(std::string(image.begin(), image.end()), picture) << "the picture travels with the bank";
}

}  // namespace
}  // namespace mendrix::bank
