#include <gtest/gtest.h>

#include "common/answer/answer_text.h"
#include "common/answer/value_lists.h"

using namespace kav::answer;

namespace {
std::vector<std::vector<std::string>> rulesOf(const AnswerPart& part) {
    std::vector<std::vector<std::string>> out;
    for (auto& r : part.rules) out.push_back(r.fields);
    return out;
}
}  // namespace

TEST(AnswerText, EmptyTextHasNoParts) { EXPECT_TRUE(parseAnswerText("").empty()); }

TEST(AnswerText, PartsRulesAndFieldsInOrder) {
    auto parts = parseAnswerText("1 2 3 计*9 1 5 黑体**65 3 1 4");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(rulesOf(parts[0]), (std::vector<std::vector<std::string>>{{"1", "2", "3", "计"}, {"9", "1", "5", "黑体"}}));
    EXPECT_EQ(rulesOf(parts[1]), (std::vector<std::vector<std::string>>{{"65", "3", "1", "4"}}));
    EXPECT_EQ(parts[0].rules[1].text, "9 1 5 黑体");
}

TEST(AnswerText, PartWithoutStarIsOneRuleAndTextWithoutDoubleStarIsOnePart) {
    auto parts = parseAnswerText("55 2 2");
    ASSERT_EQ(parts.size(), 1u);
    ASSERT_EQ(parts[0].rules.size(), 1u);
    EXPECT_EQ(parts[0].rules[0].field(3), "2");
    EXPECT_EQ(parts[0].rules[0].field(4), "");  // beyond the last field
}

TEST(AnswerText, ThreeStarsEndAPartAndBeginTheNextWithAnEmptyRule) {
    auto parts = parseAnswerText("1 1 1 a***2 1 1 6");
    ASSERT_EQ(parts.size(), 2u);
    ASSERT_EQ(parts[0].rules.size(), 1u);
    ASSERT_EQ(parts[1].rules.size(), 2u);
    EXPECT_TRUE(parts[1].rules[0].fields.empty());
    EXPECT_EQ(parts[1].rules[1].field(1), "2");
}

TEST(AnswerText, FourStarsMakeAnEmptyPart) {
    auto parts = parseAnswerText("1 1 1 a****2 1 1 6");
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_TRUE(parts[1].rules.empty());
}

TEST(AnswerText, TwoSpacesMakeAnEmptyFieldAndATrailingSpaceAnEmptyLastField) {
    EXPECT_EQ(splitFields("1 2  3"), (std::vector<std::string>{"1", "2", "", "3"}));
    EXPECT_EQ(splitFields("1 2 "), (std::vector<std::string>{"1", "2", ""}));
    // Content with a space falls apart into further fields.
    EXPECT_EQ(splitFields("12 1 1 Hello World"), (std::vector<std::string>{"12", "1", "1", "Hello", "World"}));
}

TEST(AnswerText, MoreThanTenFieldsAndPartsAreKept) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += (i ? "**" : "") + std::string("1 1 1 x");
    EXPECT_EQ(parseAnswerText(text).size(), 12u);
    EXPECT_EQ(splitFields("1 2 3 4 5 6 7 8 9 10 11 12").size(), 12u);
}

TEST(AnswerText, WholeNumbers) {
    EXPECT_EQ(parseWholeNumber("12"), 12);
    EXPECT_EQ(parseWholeNumber("-1"), -1);
    EXPECT_EQ(parseWholeNumber("+7"), 7);
    for (const char* bad : {"", "10.5", "first", " 1", "1 ", "0x10", "++1", "99999999999"})
        EXPECT_FALSE(parseWholeNumber(bad)) << bad;
}

TEST(ValueLists, SizesOfEveryList) {
    std::map<ListId, int> sizes{{ListId::Colour, 60},      {ListId::Texture, 53},       {ListId::LineStyle, 25},
                                {ListId::LineWidth, 9},    {ListId::YesNo, 2},          {ListId::Decoration, 24},
                                {ListId::LineSpacing, 6},  {ListId::Alignment, 8},      {ListId::PageArt, 164},
                                {ListId::DropPosition, 3}, {ListId::Orientation, 7},    {ListId::WordArtShape, 41},
                                {ListId::Paper, 42},       {ListId::Diagonal, 2},       {ListId::Highlight, 19},
                                {ListId::VerticalAlignment, 3}, {ListId::TableAlignment, 3}, {ListId::Find, 2}};
    ASSERT_EQ(allValueLists().size(), sizes.size());
    for (auto& list : allValueLists()) {
        EXPECT_EQ(list.size(), sizes[list.id()]) << list.name();
        EXPECT_EQ(&valueList(list.id()), &list);
    }
}

TEST(ValueLists, TellingRows) {
    auto colour = [](std::string_view name) {
        auto& l = valueList(ListId::Colour);
        return *l.wordValue(l.indexOf(name));
    };
    EXPECT_EQ(colour("Automatic"), -16777216);
    EXPECT_EQ(static_cast<unsigned>(colour("Automatic")), 0xFF000000u);
    EXPECT_EQ(colour("Black"), 0);
    EXPECT_EQ(colour("Blue"), 16711680);
    EXPECT_EQ(colour("Red"), 255);
    EXPECT_EQ(colour("Yellow"), 65535);
    EXPECT_EQ(colour("White"), 16777215);
    EXPECT_EQ(colour("Gold"), 52479);
    EXPECT_EQ(colour("Gray05"), 15987699);
    EXPECT_EQ(colour("Gray95"), 789516);
    EXPECT_EQ(valueList(ListId::Colour).indexOf("Red"), 6);

    auto& texture = valueList(ListId::Texture);
    EXPECT_EQ(texture.wordValue(0), 0);
    EXPECT_EQ(texture.wordValue(39), 975);
    EXPECT_EQ(texture.wordValue(40), 1000);
    EXPECT_EQ(texture.wordValue(41), -1);
    EXPECT_EQ(texture.wordValue(52), -12);
    EXPECT_EQ(texture.entries()[52].text, "DiagonalCross");

    EXPECT_EQ(valueList(ListId::LineWidth).wordValue(8), 48);
    EXPECT_EQ(valueList(ListId::LineStyle).wordValue(24), 24);
    EXPECT_EQ(valueList(ListId::Decoration).wordValue(7), 1);
    EXPECT_EQ(valueList(ListId::Decoration).wordValue(16), 27);
    EXPECT_EQ(valueList(ListId::Decoration).wordValue(23), 43);
    EXPECT_EQ(valueList(ListId::Alignment).wordValue(6), 7);
    EXPECT_EQ(valueList(ListId::PageArt).wordValue(0), 1);
    EXPECT_EQ(valueList(ListId::PageArt).wordValue(163), 164);
    EXPECT_EQ(valueList(ListId::PageArt).entries()[163].text, "CouponCutoutDots");
    EXPECT_EQ(valueList(ListId::Orientation).wordValue(0), -2);
    EXPECT_EQ(valueList(ListId::Orientation).wordValue(6), 6);
    EXPECT_EQ(valueList(ListId::WordArtShape).wordValue(0), -2);
    EXPECT_EQ(valueList(ListId::WordArtShape).wordValue(40), 40);
    EXPECT_EQ(valueList(ListId::Paper).indexOf("A4"), 7);
    EXPECT_EQ(valueList(ListId::Paper).wordValue(41), 41);
    EXPECT_EQ(valueList(ListId::Diagonal).wordValue(1), -8);
    EXPECT_EQ(valueList(ListId::Highlight).wordValue(17), -1);
    EXPECT_EQ(valueList(ListId::Highlight).wordValue(18), 0);
    EXPECT_EQ(valueList(ListId::VerticalAlignment).wordValue(2), 3);
    EXPECT_EQ(valueList(ListId::YesNo).indexOf("没有"), 1);
    EXPECT_EQ(valueList(ListId::Find).indexOf("不可"), 1);
}

TEST(ValueLists, EntriesOutsideAListHaveNoValue) {
    EXPECT_FALSE(valueList(ListId::Colour).wordValue(-1));
    EXPECT_FALSE(valueList(ListId::Colour).wordValue(60));
    EXPECT_EQ(valueList(ListId::Colour).indexOf("NoSuchColour"), -1);
}

TEST(ValueLists, PageArtNamesInOoxml) {
    EXPECT_EQ(pageArtOoxmlName(0), "apples");
    EXPECT_EQ(pageArtOoxmlName(16), "stars3d");
    EXPECT_EQ(pageArtOoxmlName(110), "xIllusions");
    EXPECT_FALSE(pageArtOoxmlName(164));
}
