#pragma once
// GBK (code page 936) at the edges of the program: typing files, typing cells
// and exported texts are GBK bytes, everything inside is UTF-8.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kav::text {

class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws TextError naming the first character that GBK cannot hold (and its
// code point), or the byte offset of invalid UTF-8.
std::string utf8ToGbk(std::string_view utf8);

// What gbkToUtf8 does with a byte that does not start a valid GBK character
// (a stray trail byte, a lead byte at the end of the text, an unassigned code).
enum class OnInvalid {
    Throw,    // TextError naming the byte offset and value
    Replace,  // each such byte becomes U+FFFD and decoding goes on with the next byte
};
std::string gbkToUtf8(std::string_view gbk, OnInvalid onInvalid = OnInvalid::Throw);

// True for a byte that opens a double-byte GBK character (0x81-0xFE).
inline bool isGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Characters of a GBK text: a lead byte with the byte after it counts as one,
// any other byte as one.
std::size_t gbkCharacterCount(std::string_view gbk);

}  // namespace kav::text
