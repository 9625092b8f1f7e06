#include "common/text/cryptstr.h"

#include <gtest/gtest.h>

#include "tests/support/fake_clock.h"

namespace kav::text {
namespace {

std::string bytes(std::initializer_list<unsigned> list) {
    std::string s;
    for (unsigned b : list) s.push_back(static_cast<char>(b));
    return s;
}

KeyDrawer fixedTime(TimeOfDay t) {
    return KeyDrawer([t] { return t; });
}

const std::string kChinese = bytes({0xD6, 0xD0, 0xCE, 0xC4, 0xB4, 0xF2, 0xD7, 0xD6});  // 中文打字

TEST(KeyDraw, KeysOfKnownTimes) {
    EXPECT_EQ(keyForTimeOfDay({0, 0, 0, 0}), 0);
    EXPECT_EQ(keyForTimeOfDay({0, 0, 0, 223}), 254);
    EXPECT_EQ(keyForTimeOfDay({8, 30, 15, 250}), 175);
    EXPECT_EQ(keyForTimeOfDay({12, 0, 0, 0}), 96);
    EXPECT_EQ(keyForTimeOfDay({23, 59, 59, 999}), 184);
    EXPECT_EQ(seedOfTimeOfDay({23, 59, 59, 999}), 86'399'999u);
}

TEST(KeyDraw, TheLargestSeedGives254NotTheForbidden255) {
    EXPECT_EQ(keyOfSeed(0xFFFFFFFFu), 254);
    EXPECT_EQ(keyOfSeed(0), 0);
}

TEST(KeyDraw, NoTimeOfTheDayDraws255) {
    int highest = 0;
    for (std::uint32_t ms = 0; ms < 86'400'000u; ++ms) highest = std::max<int>(highest, keyOfSeed(nextSeed(ms)));
    EXPECT_EQ(highest, 254);
}

TEST(KeyDraw, DrawReseedsFromTheClockEveryTime) {
    test::FakeClock clock;
    clock.utc = {8, 30, 15, 250};
    KeyDrawer keys(clock);
    EXPECT_EQ(keys.draw(), 175);
    clock.utc = {0, 0, 0, 223};
    EXPECT_EQ(keys.draw(), 254);
    clock.utc = {8, 30, 15, 250};
    EXPECT_EQ(keys.draw(), 175);
}

TEST(KeyDraw, AStandingClockStepsTheGeneratorOnInsteadOfRepeating) {
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    std::uint32_t seed = nextSeed(seedOfTimeOfDay({8, 30, 15, 250}));
    EXPECT_EQ(keys.draw(), keyOfSeed(seed));
    for (int i = 0; i < 5; ++i) {
        seed = nextSeed(seed);
        EXPECT_EQ(keys.draw(), keyOfSeed(seed));
    }
}

TEST(Cryptstr, FixedVectorsForEveryMode) {
    const std::string mode0 = bytes({0x8D, 0x88, 0x97, 0x9A, 0xEB, 0xAE, 0x8A, 0x84, 0x5A});
    const std::string mode2 = bytes({0x8C, 0x8A, 0x94, 0x9E, 0xEE, 0xA8, 0x8D, 0x8C, 0x5A});
    EXPECT_EQ(scrambleWithKey(kChinese, 0, 0x5A), mode0);
    EXPECT_EQ(scrambleWithKey(kChinese, 2, 0x5A), mode2);
    KeyDrawer none = fixedTime({});
    EXPECT_EQ(cryptstr(mode0, 1, none), kChinese);
    EXPECT_EQ(cryptstr(mode2, 3, none), kChinese);
    // Keys at both ends, drawn from the clock.
    KeyDrawer key0 = fixedTime({0, 0, 0, 0});
    EXPECT_EQ(cryptstr("AB", 0, key0), bytes({0x40, 0x40, 0x00}));
    KeyDrawer key254 = fixedTime({0, 0, 0, 223});
    EXPECT_EQ(cryptstr("AB", 0, key254), bytes({0xBE, 0xBE, 0xFE}));
    KeyDrawer key254b = fixedTime({0, 0, 0, 223});
    EXPECT_EQ(cryptstr("AB", 2, key254b), bytes({0xBF, 0xBC, 0xFE}));
}

TEST(Cryptstr, EmptyInputs) {
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    EXPECT_EQ(cryptstr("", 0, keys).size(), 1u);
    EXPECT_EQ(cryptstr("", 2, keys).size(), 1u);
    EXPECT_EQ(cryptstr("", 1, keys), "");
    EXPECT_EQ(cryptstr("", 3, keys), "");
    EXPECT_EQ(cryptstr(bytes({0x33}), 1, keys), "");  // the key byte alone
}

TEST(Cryptstr, ModesOtherThanZeroToThreeGiveAnEmptyText) {
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    for (int mode : {-1, 4, 5, 255}) EXPECT_EQ(cryptstr(kChinese, mode, keys), "") << mode;
    EXPECT_EQ(unscramble(kChinese, 0), "");
    EXPECT_EQ(unscramble(kChinese, 2), "");
}

TEST(Cryptstr, RoundTripForEveryKeyIncludingLongInputs) {
    std::string longText;
    for (int i = 0; i < 700; ++i) longText.push_back(static_cast<char>(i * 7 + 3));
    for (int key = 0; key <= 254; ++key) {
        for (int mode : {0, 2}) {
            std::string scrambled = scrambleWithKey(longText, mode, static_cast<std::uint8_t>(key));
            ASSERT_EQ(scrambled.size(), longText.size() + 1);
            ASSERT_EQ(static_cast<unsigned char>(scrambled.back()), key);
            ASSERT_EQ(unscramble(scrambled, mode + 1), longText) << "key " << key << " mode " << mode;
        }
    }
}

TEST(Cryptstr, PositionUsesOnlyItsLowEightBits) {
    std::string zeros(600, '\0');
    std::string s = scrambleWithKey(zeros, 0, 0);
    EXPECT_EQ(static_cast<unsigned char>(s[255]), 0u);  // position 256
    EXPECT_EQ(static_cast<unsigned char>(s[256]), 1u);  // position 257
    EXPECT_EQ(static_cast<unsigned char>(s[299]), 300u % 256);
}

TEST(Cryptstr, ModeZeroAndTwoDifferExactlyWherePositionIsNotAMultipleOf256) {
    std::string text(600, 'x');
    std::string m0 = scrambleWithKey(text, 0, 77), m2 = scrambleWithKey(text, 2, 77);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool multiple = (i + 1) % 256 == 0;
        EXPECT_EQ(m0[i] == m2[i], multiple) << "position " << i + 1;
    }
    EXPECT_EQ(m0.back(), m2.back());
}

}  // namespace
}  // namespace kav::text
