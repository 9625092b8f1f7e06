#include "common/text/typing_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kav::text {
namespace {

KeyDrawer fixedTime(TimeOfDay t) {
    return KeyDrawer([t] { return t; });
}

std::string gbk(const std::string& utf8) { return utf8ToGbk(utf8); }

bool storable(const std::string& scrambled) {
    for (unsigned char b : scrambled)
        if (isForbiddenLineByte(b)) return false;
    return true;
}

// --- writing ------------------------------------------------------------

TEST(TypingFileWrite, EveryLineScrambledAndEndedByCrLf) {
    test::TempDir dir;
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    std::vector<std::string> lines{gbk("计算机等级考试"), "", gbk("一级Ｂ模拟系统")};
    writeTypingFile(dir / "txt0.txt", lines, TypingFileKind::Model, keys);
    std::string bytes = test::readFile(dir / "txt0.txt");
    std::size_t pos = 0;
    for (auto& line : lines) {
        std::size_t end = bytes.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        std::string scrambled = bytes.substr(pos, end - pos);
        EXPECT_EQ(scrambled.size(), line.size() + 1);
        EXPECT_TRUE(storable(scrambled));
        EXPECT_EQ(unscramble(scrambled, 1), line);
        pos = end + 2;
    }
    EXPECT_EQ(pos, bytes.size());
    EXPECT_EQ(readTypingFile(dir / "txt0.txt", TypingFileKind::Model), lines);
    EXPECT_FALSE(std::filesystem::exists(dir / "txt0.txt.tmp"));
}

TEST(TypingFileWrite, ALineTheDrawnKeyWouldBreakGetsAnotherKey) {
    // 08:30:15.250 draws key 175; with it the first byte of this line becomes CR.
    ASSERT_EQ(keyForTimeOfDay({8, 30, 15, 250}), 175);
    std::string line(1, static_cast<char>(175 ^ 1 ^ 0x0D));
    line += gbk("汉字");
    ASSERT_FALSE(storable(scrambleWithKey(line, 0, 175)));

    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    std::string scrambled = scrambleForFile(line, TypingFileKind::Model, keys);
    EXPECT_NE(static_cast<unsigned char>(scrambled.back()), 175);
    EXPECT_TRUE(storable(scrambled));
    EXPECT_EQ(unscramble(scrambled, 1), line);
}

TEST(TypingFileWrite, AKeyThatIsItselfAForbiddenByteIsRejected) {
    ASSERT_EQ(keyForTimeOfDay({0, 0, 0, 0}), 0);  // a NUL key byte
    KeyDrawer keys = fixedTime({0, 0, 0, 0});
    std::string scrambled = scrambleForFile(gbk("中"), TypingFileKind::Typed, keys);
    EXPECT_NE(scrambled.back(), '\0');
    EXPECT_EQ(unscramble(scrambled, 3), gbk("中"));
}

TEST(TypingFileWrite, AClockSwingingBetweenTwoBadKeysStillEnds) {
    const TimeOfDay a{8, 30, 15, 250}, b{0, 0, 0, 223};
    const std::uint8_t ka = keyForTimeOfDay(a), kb = keyForTimeOfDay(b);  // 175, 254
    bool flip = false;
    KeyDrawer keys([&] { return (flip = !flip) ? a : b; });
    // In mode 2 a byte equal to the key becomes NUL: both drawn keys fail forever.
    std::string line{static_cast<char>(ka), static_cast<char>(kb), ' ', ' '};
    std::string scrambled = scrambleForFile(line, TypingFileKind::Typed, keys);
    EXPECT_TRUE(storable(scrambled));
    EXPECT_EQ(unscramble(scrambled, 3), line);
    unsigned char key = static_cast<unsigned char>(scrambled.back());
    EXPECT_NE(key, ka);
    EXPECT_NE(key, kb);
}

TEST(TypingFileWrite, ALineNoKeyCanStoreIsRefusedWithItsLineNumber) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    try {
        encodeTypingFile({"  ", everyByte}, TypingFileKind::Typed, keys);
        FAIL() << "no error";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("第2行"), std::string::npos) << e.what();
    }
}

TEST(TypingFileWrite, UnwritableTargetIsAnErrorAndLeavesNothing) {
    test::TempDir dir;
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    EXPECT_THROW(writeTypingFile(dir / "missing" / "f", {"  "}, TypingFileKind::Typed, keys), TextError);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(TypingFileWrite, ReplacingKeepsNoTemporaryFile) {
    test::TempDir dir;
    KeyDrawer keys = fixedTime({8, 30, 15, 250});
    writeTypingFile(dir / "11010001", {std::string(56, ' ')}, TypingFileKind::Typed, keys);
    writeTypingFile(dir / "11010001", {gbk("中") + std::string(54, ' ')}, TypingFileKind::Typed, keys);
    EXPECT_EQ(readTypingFile(dir / "11010001", TypingFileKind::Typed),
              std::vector<std::string>{gbk("中") + std::string(54, ' ')});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// --- reading ------------------------------------------------------------

TEST(TypingFileRead, LineEndsAndTheEndOfFileMark) {
    std::string a = scrambleWithKey(gbk("第一行"), 0, 40), b = scrambleWithKey(gbk("第二行"), 0, 41);
    EXPECT_EQ(decodeTypingFile(a + "\r\n" + b + "\r\n", TypingFileKind::Model),
              (std::vector<std::string>{gbk("第一行"), gbk("第二行")}));
    // LF alone also ends a line; a last line without its line end still counts.
    EXPECT_EQ(decodeTypingFile(a + "\n" + b, TypingFileKind::Model),
              (std::vector<std::string>{gbk("第一行"), gbk("第二行")}));
    // 0x1A ends the file, whatever follows.
    EXPECT_EQ(decodeTypingFile(a + "\r\n\x1A" + b + "\r\n", TypingFileKind::Model),
              std::vector<std::string>{gbk("第一行")});
    EXPECT_EQ(decodeTypingFile(a + "\x1A\r\n", TypingFileKind::Model), std::vector<std::string>{gbk("第一行")});
}

TEST(TypingFileRead, OnlyTheCrDirectlyBeforeLfIsDropped) {
    // A CR elsewhere is data (the writer never produces one, but a reader keeps it).
    std::string line = std::string("\r") + static_cast<char>(0x40);
    EXPECT_EQ(decodeTypingFile(line + "\r\n", TypingFileKind::Typed), std::vector<std::string>{std::string(1, '\x4D')});
    EXPECT_EQ(decodeTypingFile(line, TypingFileKind::Typed), std::vector<std::string>{std::string(1, '\x4D')});
}

TEST(TypingFileRead, EmptyAndTruncatedFiles) {
    EXPECT_TRUE(decodeTypingFile("", TypingFileKind::Model).empty());
    EXPECT_TRUE(decodeTypingFile("\x1A", TypingFileKind::Model).empty());
    std::string a = scrambleWithKey(gbk("中文"), 0, 9);
    // Cut inside the line end, and inside the text (the key byte is then another byte).
    EXPECT_EQ(decodeTypingFile(a + "\r", TypingFileKind::Model).size(), 1u);
    EXPECT_EQ(decodeTypingFile(a.substr(0, 3), TypingFileKind::Model).front().size(), 2u);
    // An empty line has no key byte: reported, not passed to the scrambler.
    try {
        decodeTypingFile(a + "\r\n\r\n" + a + "\r\n", TypingFileKind::Model);
        FAIL() << "no error";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("第2行"), std::string::npos) << e.what();
    }
}

TEST(TypingFileRead, MissingFileNamesThePath) {
    test::TempDir dir;
    EXPECT_THROW(readTypingFile(dir.path(), TypingFileKind::Model), TextError);  // a folder, not a file
    try {
        readTypingFile(dir / "txt9.txt", TypingFileKind::Model);
        FAIL() << "no error";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("txt9.txt"), std::string::npos) << e.what();
    }
}

// --- model line rules ----------------------------------------------------

std::string chinese(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += gbk("字");
    return s;
}

TEST(ModelLines, LengthAndFullWidthRules) {
    EXPECT_TRUE(checkModelLines({chinese(28), "", gbk("，。！　ＡＢ１２")}).empty());
    EXPECT_EQ(checkModelLines({chinese(1), chinese(29)}),
              std::vector<std::string>{"请注意：第2行有超过28个汉字的文字行！！！"});
    EXPECT_EQ(checkModelLines({chinese(27) + "a"}), std::vector<std::string>{"请注意：第1行包含半角的字符！！！"});
    EXPECT_EQ(checkModelLines({std::string(30, 'a')}), std::vector<std::string>{"请注意：第1行包含半角的字符！！！"});
    EXPECT_EQ(checkModelLines({std::string(57, 'a')}),
              (std::vector<std::string>{"请注意：第1行有超过28个汉字的文字行！！！", "请注意：第1行包含半角的字符！！！"}));
}

TEST(ModelLines, OnlyTheFirstFaultOfEachKindIsReportedLengthFirst) {
    std::vector<std::string> lines{chinese(3), chinese(3), chinese(30), chinese(3), chinese(2) + " ", chinese(40), "x"};
    EXPECT_EQ(checkModelLines(lines),
              (std::vector<std::string>{"请注意：第3行有超过28个汉字的文字行！！！", "请注意：第5行包含半角的字符！！！"}));
}

}  // namespace
}  // namespace kav::text
