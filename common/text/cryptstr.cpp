#include "common/text/cryptstr.h"

#include "common/ui/clock.h"

namespace kav::text {

std::uint32_t nextSeed(std::uint32_t seed) { return seed * 134775813u + 1u; }

std::uint8_t keyOfSeed(std::uint32_t seed) {
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(seed) * 255u) >> 32);
}

std::uint32_t seedOfTimeOfDay(TimeOfDay t) {
    return static_cast<std::uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond);
}

std::uint8_t keyForTimeOfDay(TimeOfDay t) { return keyOfSeed(nextSeed(seedOfTimeOfDay(t))); }

KeyDrawer::KeyDrawer(TimeSource timeOfDay) : timeOfDay_(std::move(timeOfDay)) {}

KeyDrawer::KeyDrawer(const ui::Clock& clock) : timeOfDay_([&clock] { return clock.utcTimeOfDay(); }) {}

std::uint8_t KeyDrawer::draw() {
    std::uint32_t timeSeed = seedOfTimeOfDay(timeOfDay_());
    if (!drawn_ || timeSeed != lastTimeSeed_) seed_ = timeSeed;
    drawn_ = true;
    lastTimeSeed_ = timeSeed;
    seed_ = nextSeed(seed_);
    return keyOfSeed(seed_);
}

std::string scrambleWithKey(std::string_view text, int mode, std::uint8_t key) {
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]) ^ key;
        if (mode == 0) b ^= static_cast<unsigned char>(i + 1);
        out.push_back(static_cast<char>(b));
    }
    out.push_back(static_cast<char>(key));
    return out;
}

std::string unscramble(std::string_view text, int mode) {
    std::string out;
    if (text.empty() || (mode != 1 && mode != 3)) return out;
    const unsigned char key = static_cast<unsigned char>(text.back());
    out.reserve(text.size() - 1);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]) ^ key;
        if (mode == 1) b ^= static_cast<unsigned char>(i + 1);
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string cryptstr(std::string_view text, int mode, KeyDrawer& keys) {
    switch (mode) {
    case 0:
    case 2: return scrambleWithKey(text, mode, keys.draw());
    case 1:
    case 3: return unscramble(text, mode);
    default: return {};
    }
}

}  // namespace kav::text
