#include "common/text/gbk.h"

#include <gtest/gtest.h>

namespace kav::text {
namespace {

TEST(Gbk, RoundTripOfChineseFullWidthAndAscii) {
    const std::string text = "考生：张三　ＡＢ１２，abc 12 €×▌";
    std::string g = utf8ToGbk(text);
    EXPECT_EQ(g.substr(0, 4), "\xBF\xBC\xC9\xFA");  // 考生
    EXPECT_EQ(utf8ToGbk("　"), "\xA1\xA1");
    EXPECT_EQ(utf8ToGbk("×"), "\xA1\xC1");
    EXPECT_EQ(utf8ToGbk("€"), "\x80");
    EXPECT_EQ(gbkToUtf8(g), text);
    EXPECT_EQ(utf8ToGbk(""), "");
    EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(Gbk, CharacterGbkCannotHoldIsNamed) {
    try {
        utf8ToGbk("好😀");
        FAIL() << "no error";
    } catch (const TextError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("U+1F600"), std::string::npos) << m;
        EXPECT_NE(m.find("😀"), std::string::npos) << m;
    }
    EXPECT_THROW(utf8ToGbk("한"), TextError);  // Hangul is outside GBK
}

TEST(Gbk, BrokenUtf8IsReportedWithItsOffset) {
    try {
        utf8ToGbk("ab\xFF");
        FAIL() << "no error";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("第3字节"), std::string::npos) << e.what();
    }
    EXPECT_THROW(utf8ToGbk("\xE4\xB8"), TextError);  // cut inside a character
}

TEST(Gbk, InvalidGbkThrowsOrIsReplaced) {
    const std::string strayLead = "\xD6\xD0\xD6";  // 中 and a lone lead byte at the end
    EXPECT_THROW(gbkToUtf8(strayLead), TextError);
    EXPECT_EQ(gbkToUtf8(strayLead, OnInvalid::Replace), "中\xEF\xBF\xBD");
    const std::string badTrail = "A\xD6\x20" "B";  // a lead byte followed by a space
    try {
        gbkToUtf8(badTrail);
        FAIL() << "no error";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("第2字节"), std::string::npos) << e.what();
    }
    EXPECT_EQ(gbkToUtf8(badTrail, OnInvalid::Replace), "A\xEF\xBF\xBD B");
    EXPECT_EQ(gbkToUtf8("\xFF", OnInvalid::Replace), "\xEF\xBF\xBD");
}

TEST(Gbk, CharacterCount) {
    EXPECT_EQ(gbkCharacterCount(utf8ToGbk("中文ab　")), 5u);
    EXPECT_EQ(gbkCharacterCount("\xD6"), 1u);
    EXPECT_EQ(gbkCharacterCount(""), 0u);
}

}  // namespace
}  // namespace kav::text
