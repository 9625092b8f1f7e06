// The find index must answer exactly as a scan of the whole text does.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/word/text_index.h"

namespace {

using kav::word::TextIndex;

struct FindCase {
    const char* text;
    const char* needle;
    bool found;
};

TEST(TextIndex, FindsExactlyWhatAScanFinds) {
    const FindCase cases[] = {
        {"计算机是一种电子设备。\r", "计算机", true},          // at the start
        {"计算机是一种电子设备。\r", "设备。\r", true},        // at the very end
        {"计算机是一种电子设备。\r", "设备。\r\r", false},     // one byte past the end
        {"计算机是一种电子设备。\r", "电脑", false},
        {"计算机是一种电子设备。\r", "计算机是一种电子设备。\r", true},  // the whole text
        {"计算机是一种电子设备。\r", "计算机是一种电子设备。\r!", false},
        {"abc", "abc", true},
        {"ab", "abc", false},              // text shorter than the key
        {"ab", "b", true},                 // needles shorter than the key are scanned
        {"Word grading", "d g", true},
        {"Word grading", "D g", false},    // case counts
        {"\xe8\xae\xa1\xe7\xae\x97", "\xae\xa1\xe7", true},  // starting inside a character
        {"aaaaaaaaab", "aaab", true},     // many places share a key
        {"aaaaaaaaaa", "aaab", false},
        {"年代\r\a第1代1\r\a", "\r\a第", true},  // cell marks are text too
        {"", "abc", false},
    };
    for (const auto& c : cases) {
        TextIndex index{std::string(c.text)};
        EXPECT_EQ(index.contains(c.needle), c.found) << "needle \"" << c.needle << "\" in \"" << c.text << "\"";
        EXPECT_EQ(c.found, std::string(c.text).find(c.needle) != std::string::npos) << "the case itself is wrong";
    }
}

TEST(TextIndex, FindsEveryPieceWhereverItStarts) {
    // The index keeps every fourth offset: a piece must be found whatever
    // offset it starts at, up to the text's last byte, and a piece changed in
    // its last byte must not be.
    const std::string text = "第1代计算机使用电子管。\r\a第2代2";  // 39 bytes, not a multiple of four
    TextIndex index{std::string(text)};
    for (std::size_t length : {TextIndex::kIndexedLength, TextIndex::kIndexedLength + 1, std::size_t{11}})
        for (std::size_t at = 0; at + length <= text.size(); ++at) {
            std::string piece = text.substr(at, length);
            EXPECT_TRUE(index.contains(piece)) << "piece at " << at << " of " << length << " bytes";
            piece.back() = '#';
            EXPECT_FALSE(index.contains(piece)) << "changed piece at " << at << " of " << length << " bytes";
        }
}

TEST(TextIndex, AgreesWithAScanOnRandomTexts) {
    // Few distinct characters, so that keys repeat and needles often almost match.
    const std::string alphabet[] = {"a", "b", "计", "算", "\r", "。"};
    std::mt19937 random(14);
    auto pick = [&](int length) {
        std::string s;
        for (int i = 0; i < length; ++i) s += alphabet[random() % std::size(alphabet)];
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        std::string text = pick(static_cast<int>(random() % 300));
        TextIndex index(text);
        for (int n = 0; n < 20; ++n) {
            std::string needle;
            if (n % 2 == 0 && text.size() > 4) {  // a piece of the text, maybe cut inside a character
                std::size_t at = random() % (text.size() - 4), length = 1 + random() % 8;
                needle = text.substr(at, length);
            } else {
                needle = pick(1 + static_cast<int>(random() % 4));
            }
            EXPECT_EQ(index.contains(needle), text.find(needle) != std::string::npos)
                << "needle \"" << needle << "\" in \"" << text << "\"";
        }
    }
}

TEST(TextIndex, AgreesWithAScanAtEveryTableSize) {
    // The bucket table grows with the text: short texts, long ones and those
    // at the largest table all find what a scan finds, found or not.
    const std::string alphabet[] = {"计", "算", "机", "a", "\r\a"};
    std::mt19937 random(41);
    for (std::size_t length : {1000u, 20000u, 300000u, 1200000u}) {
        std::string text;
        while (text.size() < length) text += alphabet[random() % std::size(alphabet)];
        TextIndex index(text);
        for (int n = 0; n < 200; ++n) {
            std::string needle;
            if (n % 2 == 0) {
                needle = text.substr(random() % (text.size() - 12), 3 + random() % 9);
            } else {
                for (int k = 0; k < 7; ++k) needle += alphabet[random() % std::size(alphabet)];
            }
            ASSERT_EQ(index.contains(needle), text.find(needle) != std::string::npos)
                << "needle of " << needle.size() << " bytes in a text of " << text.size();
        }
    }
}

}  // namespace
