// Stepping through UTF-8 text: valid characters of every length, and the
// malformed sequences that must be refused rather than read as something else.
#include <gtest/gtest.h>

#include "common/core/utf8.h"

namespace kav {
namespace {

TEST(Utf8, NextCodePointReadsOneCharacterOrRefuses) {
    struct Case {
        std::string_view text;
        std::optional<char32_t> code;
        std::size_t length;  // bytes taken; 0 when refused
    };
    const Case cases[] = {
        {"a", U'a', 1},
        {"\xc2\xa9", U'\u00A9', 2},
        {"汉", U'\u6C49', 3},
        {"😀", U'\U0001F600', 4},
        {"\xf4\x8f\xbf\xbf", U'\U0010FFFF', 4},
        {"", std::nullopt, 0},
        {"\x80", std::nullopt, 0},                  // a continuation byte starts nothing
        {"\xc4\xe3", std::nullopt, 0},              // GBK bytes of 你
        {"\xe6\xb1", std::nullopt, 0},              // cut short
        {"\xc0\xaf", std::nullopt, 0},              // overlong "/"
        {"\xe0\x80\xaf", std::nullopt, 0},          // overlong, three bytes
        {"\xed\xa0\x80", std::nullopt, 0},          // surrogate
        {"\xf4\x90\x80\x80", std::nullopt, 0},      // above U+10FFFF
        {"\xff", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        std::size_t at = 0;
        EXPECT_EQ(nextCodePoint(c.text, at), c.code);
        EXPECT_EQ(at, c.length);
    }
}

TEST(Utf8, StepsThroughMixedTextFromAnyStart) {
    const std::string_view text = "a汉😀b";
    std::size_t at = 1;
    EXPECT_EQ(nextCodePoint(text, at), U'汉');
    EXPECT_EQ(at, 4u);
    EXPECT_EQ(nextCodePoint(text, at), U'\U0001F600');
    EXPECT_EQ(nextCodePoint(text, at), U'b');
    EXPECT_EQ(at, text.size());
    EXPECT_EQ(nextCodePoint(text, at), std::nullopt);
    at = 2;  // inside 汉
    EXPECT_EQ(nextCodePoint(text, at), std::nullopt);
    EXPECT_EQ(at, 2u);
    EXPECT_EQ(utf8Length(text), 4);
    EXPECT_EQ(utf8Length("ab\xe6\xb1"), -1);
}

TEST(Utf8, PreviousCharacterStartStepsBackOverWholeCharacters) {
    const std::string text = "a汉😀";
    EXPECT_EQ(previousCharacterStart(text, text.size()), 4u);
    EXPECT_EQ(previousCharacterStart(text, 4), 1u);
    EXPECT_EQ(previousCharacterStart(text, 1), 0u);
    EXPECT_EQ(previousCharacterStart(text, 0), 0u);
    EXPECT_EQ(previousCharacterStart("\x80\x80", 2), 0u);  // stray continuation bytes stop at the start
}

TEST(Utf8, AppendWritesWhatNextCodePointReads) {
    for (char32_t c : {U'\0', U'a', U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFD', U'\uFFFF',
                       U'\U00010000', U'\U0010FFFF'}) {
        std::string out = "x";
        appendUtf8(out, c);
        std::size_t at = 1;
        EXPECT_EQ(nextCodePoint(out, at), c) << static_cast<unsigned>(c);
        EXPECT_EQ(at, out.size());
    }
}

}  // namespace
}  // namespace kav
