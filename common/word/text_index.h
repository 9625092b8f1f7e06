#pragma once
// A text indexed once for many searches: the places of every three-byte
// sequence that starts a UTF-8 character, grouped by a hash of those bytes.
// A search then compares only at the places where its first three bytes
// occur, instead of scanning the whole text, so grading many find rules
// costs one pass over the document plus a little per rule.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kav::word {

class TextIndex {
public:
    explicit TextIndex(std::string text);
    const std::string& text() const { return text_; }
    // Whether needle occurs in the text, byte for byte, as std::string::find
    // would say; an empty needle is found.
    bool contains(std::string_view needle) const;

private:
    std::uint32_t bucketOf(const char* at) const;
    int bucketBits_ = 0;
    std::string text_;
    std::vector<std::uint32_t> bucketStart_;  // places of bucket b: [bucketStart_[b], bucketStart_[b + 1])
    std::vector<std::uint32_t> places_;       // byte offsets, ascending within a bucket
};

}  // namespace kav::word
