// The score page's 重新评分 and 核对 with scripted boxes: which candidates, the
// table shown, nothing stored before 确定 nor by 核对, a cancelled run stores nothing.
#include <gtest/gtest.h>

#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/platform/platform.h"
#include "console/pages/scores/regrade_action.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace mendrix::scores {
namespace {

namespace fs = std::filesystem;
using kav::regrade::PartScores;
using kav::ui::Answer;

class RegradeActionTest : public ::testing::Test {
protected:
    RegradeActionTest() {
        kav::db::createDatabase(lab / "teacher.mdb");
        auto teacher = connect();
        for (const char* zkzh : {"11010001", "11010002", "11010003"}) {
            auto score = teacher->openTable("score");
            score->append();
            score->field("zkzh").setString(zkzh);
            // 11010002's Windows score was written straight into the table.
            for (const char* column : {"select_cj", "dz_cj", "word_cj"}) score->field(column).setInteger(0);
            score->field("win_cj").setInteger(std::string(zkzh) == "11010002" ? 20 : 4);
            score->field("kscj").setInteger(std::string(zkzh) == "11010002" ? 20 : 4);
            score->post();
            if (std::string(zkzh) == "11010003") continue;  // no pack
            kav::pack::WorkPack work;
            work.admission = zkzh;
            work.wintaskNumber = 1;
            work.files = {{"TEST", kav::platform::kAttrDirectory, ""}};
            kav::pack::storePack(*teacher, zkzh, kav::pack::writePack(work));
        }
        rows = readScoreRows(*teacher->openTable("score"));
        action.review = [this](const RegradeReview& r) {
            reviews.push_back(r);
            return confirm;
        };
    }
    std::unique_ptr<kav::db::Connection> connect() const { return kav::db::connectFile("teacher.mdb", lab.path()); }
    std::vector<PartScores> stored() const {
        std::vector<PartScores> s;
        for (const auto& row : readScoreRows(*connect()->openTable("score"))) s.push_back(kav::regrade::storedScores(row));
        return s;
    }

    kav::test::TempDir lab, scratch;
    kav::test::FakeDialogs dialogs;
    std::vector<ScoreRow> rows;
    std::vector<RegradeReview> reviews;
    bool confirm = false;
    RegradeAction action{RegradeEnv{dialogs,
                                    [this] { return connect(); },
                                    [] { return kav::regrade::CurrentAnswers{{}, {"7 TEST"}, {}}; },
                                    [](const fs::path&, const std::string&) { return kav::word::WordGrade{}; },
                                    [] { return std::string("admin"); },
                                    [] { return kav::DateTime::parseIso("2026-12-10 17:00:00"); },
                                    scratch.path(),
                                    2}};
};

TEST_F(RegradeActionTest, TheTeacherChoosesTheSelectedCandidatesOrAll) {
    struct Case {
        std::vector<std::string> selected;
        Answer answer;
        std::optional<std::size_t> expected;  // rows chosen; none when cancelled
    };
    const Case cases[] = {{{}, Answer::Ok, 3},
                          {{}, Answer::Cancel, std::nullopt},
                          {{"11010002"}, Answer::Yes, 1},
                          {{"11010002", "11010003"}, Answer::No, 3},
                          {{"11010002"}, Answer::Cancel, std::nullopt}};
    for (const Case& c : cases) {
        dialogs.answers = {c.answer};
        const auto chosen = action.chooseRows(rows, c.selected, "核对");
        EXPECT_EQ(chosen ? std::optional(chosen->size()) : std::nullopt, c.expected) << dialogs.lastText();
    }
}

TEST_F(RegradeActionTest, CheckListsTheForgedScoreAndRegradeStoresOnlyAfterConfirmation) {
    action.check(rows);
    ASSERT_EQ(reviews.size(), 1u);
    EXPECT_FALSE(reviews[0].asksToStore);
    ASSERT_EQ(reviews[0].rows.size(), 2u);
    EXPECT_EQ(reviews[0].rows[0].admission, "11010002");
    EXPECT_EQ(reviews[0].rows[0].parts[0].text, "20→4");
    EXPECT_EQ(reviews[0].rows[1].note, "无作答包");
    EXPECT_EQ(reviews[0].summary, "共 3 名考生：1 名的成绩与答卷不符，1 名没有可评的作答包");
    EXPECT_EQ(dialogs.progressReports.back(), std::make_pair(3, 3));

    const std::vector<PartScores> before = stored();
    EXPECT_EQ(action.regrade(rows), 0) << "取消";
    EXPECT_TRUE(reviews.back().asksToStore);
    EXPECT_EQ(stored(), before);

    dialogs.cancelAfter = 1;
    confirm = true;
    const auto reviewed = reviews.size();
    EXPECT_EQ(action.regrade(rows), 0);
    EXPECT_EQ(reviews.size(), reviewed) << "a cancelled run shows no table";
    EXPECT_EQ(stored(), before);

    dialogs.cancelAfter.reset();
    EXPECT_EQ(action.regrade(rows), 1);
    EXPECT_EQ(stored()[1], (PartScores{0, 0, 4, 0, 4}));
    EXPECT_EQ(kav::regrade::readChangeRecords(*connect()).size(), 2u);  // WIN and 总分
}

}  // namespace
}  // namespace mendrix::scores
