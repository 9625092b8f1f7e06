#include "common/word/text_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kav::word {

namespace {
constexpr std::size_t kKeyBytes = 3;
bool startsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }
}  // namespace

std::uint32_t TextIndex::bucketOf(const char* at) const {
    auto b = [at](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(at[i])); };
    std::uint32_t key = (b(0) << 16) | (b(1) << 8) | b(2);
    return (key * 2654435761u) >> (32 - bucketBits_);
}

TextIndex::TextIndex(std::string text) : text_(std::move(text)) {
    // Offsets are 32-bit; a longer text is searched by scanning (the model's
    // character cap keeps real documents far below).
    if (text_.size() < kKeyBytes || text_.size() > UINT32_MAX) return;
    // About one bucket for every eight bytes, between 2^8 and 2^16 buckets:
    // the table stays small beside a short text and its buckets short in a long one.
    bucketBits_ = std::clamp(static_cast<int>(std::bit_width(text_.size() / 8)), 8, 16);
    bucketStart_.assign((std::size_t{1} << bucketBits_) + 1, 0);
    const std::size_t last = text_.size() - kKeyBytes;
    for (std::size_t i = 0; i <= last; ++i)
        if (startsCharacter(text_[i])) ++bucketStart_[bucketOf(&text_[i]) + 1];
    for (std::size_t b = 1; b < bucketStart_.size(); ++b) bucketStart_[b] += bucketStart_[b - 1];
    places_.resize(bucketStart_.back());
    std::vector<std::uint32_t> next(bucketStart_.begin(), bucketStart_.end() - 1);
    for (std::size_t i = 0; i <= last; ++i)
        if (startsCharacter(text_[i])) places_[next[bucketOf(&text_[i])]++] = static_cast<std::uint32_t>(i);
}

bool TextIndex::contains(std::string_view needle) const {
    if (needle.size() < kKeyBytes || !startsCharacter(needle[0]) || places_.empty())
        return text_.find(needle) != std::string::npos;
    const std::uint32_t b = bucketOf(needle.data());
    for (std::uint32_t k = bucketStart_[b]; k < bucketStart_[b + 1]; ++k) {
        const std::size_t at = places_[k];
        if (at + needle.size() <= text_.size() && std::memcmp(text_.data() + at, needle.data(), needle.size()) == 0)
            return true;
    }
    return false;
}

}  // namespace kav::word
