// The station mode the running client follows: which changes of korl it acts
// on, from which remembered mode, with which warning and mode label.
#include "client/flow/station_mode.h"

#include <gtest/gtest.h>
#include <map>
#include <utility>

namespace kavlor {
namespace {

using M = kav::station::StationMode;
using kav::station::stationModeOf;

TEST(StationModeTest, OnlyTheListedChangesAreActedOn) {
    struct Expected {
        ModeChange change;
        const char* warning;
        std::optional<ModeLabel> label;
    };
    const char* end = "结束！系统将退出，请与管理员联系！！！";
    const std::map<std::pair<M, int>, Expected> acted{
        {{M::Exam, 2}, {ModeChange::EnterPractice, "将进入练习状态,可自进评分！！！", ModeLabel::Practice}},
        {{M::Exam, 3}, {ModeChange::Collect, "将进入强制评分！！！", ModeLabel::Collecting}},
        {{M::Exam, 4}, {ModeChange::End, end, std::nullopt}},
        {{M::Practice, 4}, {ModeChange::End, end, std::nullopt}},
        {{M::ForcedCollection, 2}, {ModeChange::LeaveCollection, "结束强制评分，将转到练习状态！", ModeLabel::Practice}},
        {{M::ForcedCollection, 4}, {ModeChange::End, end, std::nullopt}},
    };
    for (M remembered : {M::Other, M::Exam, M::Practice, M::ForcedCollection, M::Ended}) {
        for (int korl = -1; korl <= 6; ++korl) {
            const auto t = transitionFor(remembered, korl);
            const auto expected = acted.find({remembered, korl});
            const std::string where = std::to_string(static_cast<int>(remembered)) + " -> " + std::to_string(korl);
            if (expected == acted.end()) {
                EXPECT_FALSE(t.has_value()) << where;
                continue;
            }
            ASSERT_TRUE(t.has_value()) << where;
            EXPECT_EQ(t->from, remembered) << where;
            EXPECT_EQ(t->to, stationModeOf(korl)) << where;
            EXPECT_EQ(t->change, expected->second.change) << where;
            EXPECT_STREQ(t->warning, expected->second.warning) << where;
            EXPECT_EQ(t->label, expected->second.label) << where;
        }
    }
}

TEST(StationModeTest, LabelCaptionsAndTheLabelAtCreation) {
    EXPECT_STREQ(caption(ModeLabel::Exam), "考试状态");
    EXPECT_STREQ(caption(ModeLabel::Practice), "练习状态");
    EXPECT_STREQ(caption(ModeLabel::Collecting), "评分状态");
    // A toolbar made in forced collection (or any mode but practice) starts in exam mode.
    for (int korl = 0; korl <= 5; ++korl)
        EXPECT_EQ(initialLabel(stationModeOf(korl)), korl == 2 ? ModeLabel::Practice : ModeLabel::Exam) << korl;
}

}  // namespace
}  // namespace kavlor
