#pragma once
// A text indexed once for many searches. Every fourth byte offset is a
// sample; the samples are chained by a hash of the three bytes found there.
// A needle of kIndexedLength bytes or more has a sample within its first four
// bytes wherever it occurs, so a search looks at the chains of its first four
// three-byte pieces and compares only there, instead of scanning the whole
// text. Building is one pass with no sorting, so grading many find rules costs
// about one pass over the document plus a little per rule. Shorter needles
// are scanned.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kav::word {

class TextIndex {
public:
    static constexpr std::size_t kSampleStep = 4, kKeyBytes = 3;
    static constexpr std::size_t kIndexedLength = kSampleStep - 1 + kKeyBytes;

    explicit TextIndex(std::string text);
    const std::string& text() const { return text_; }
    // Whether needle occurs in the text, byte for byte, as std::string::find
    // would say; an empty needle is found.
    bool contains(std::string_view needle) const;

private:
    std::uint32_t bucketOf(const char* at) const;
    int bucketBits_ = 0;
    std::string text_;
    // Chains of samples, as sample number + 1 (0 ends a chain): the latest
    // sample of bucket b is head_[b], the one before sample k is next_[k].
    std::vector<std::uint32_t> head_, next_;
};

}  // namespace kav::word
