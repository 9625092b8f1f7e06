#include "common/word/text_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kav::word {

std::uint32_t TextIndex::bucketOf(const char* at) const {
    auto b = [at](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(at[i])); };
    std::uint32_t key = (b(0) << 16) | (b(1) << 8) | b(2);
    return (key * 2654435761u) >> (32 - bucketBits_);
}

TextIndex::TextIndex(std::string text) : text_(std::move(text)) {
    // Sample numbers are 32-bit; a longer text is searched by scanning (the
    // model's character cap keeps real documents far below).
    if (text_.size() < kKeyBytes || text_.size() / kSampleStep >= UINT32_MAX) return;
    // About one bucket for every two samples, between 2^8 and 2^16 buckets:
    // the table stays small beside a short text and its chains short in a long one.
    bucketBits_ = std::clamp(static_cast<int>(std::bit_width(text_.size() / 8)), 8, 16);
    head_.assign(std::size_t{1} << bucketBits_, 0);
    const std::size_t samples = (text_.size() - kKeyBytes) / kSampleStep + 1;
    next_.resize(samples);
    for (std::size_t k = 0; k < samples; ++k) {
        std::uint32_t& head = head_[bucketOf(&text_[k * kSampleStep])];
        next_[k] = head;
        head = static_cast<std::uint32_t>(k + 1);
    }
}

bool TextIndex::contains(std::string_view needle) const {
    if (needle.size() < kIndexedLength || head_.empty())
        return needle.empty() || memmem(text_.data(), text_.size(), needle.data(), needle.size()) != nullptr;
    // A match starting at s has the sample s + j, j < kSampleStep, holding the needle's bytes from j on.
    for (std::size_t j = 0; j < kSampleStep; ++j) {
        for (std::uint32_t k = head_[bucketOf(needle.data() + j)]; k != 0; k = next_[k - 1]) {
            const std::size_t sample = (k - 1) * kSampleStep;
            if (sample < j) continue;
            const std::size_t at = sample - j;
            if (at + needle.size() <= text_.size() && std::memcmp(text_.data() + at, needle.data(), needle.size()) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace kav::word
