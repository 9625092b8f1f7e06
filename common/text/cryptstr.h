#pragma once
// The line scrambler of the typing files: a per-line XOR with a key byte that
// is stored as the line's last byte.
//
//   mode 0  scramble:   out[i] = in[i] ^ i ^ key (i 1-based, low 8 bits), key appended
//   mode 1  unscramble mode 0 (the key is the input's last byte)
//   mode 2  scramble:   out[i] = in[i] ^ key, key appended
//   mode 3  unscramble mode 2
//   other   empty result
//
// Texts are byte strings (GBK bytes in std::string).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/core/datetime.h"

namespace kav::ui {
class Clock;
}

namespace kav::text {

// The key of one generator step: seed = seed * 134775813 + 1 (mod 2^32), then
// key = (seed * 255) div 2^32, which lies in 0-254 and is never 255.
std::uint32_t nextSeed(std::uint32_t seed);
std::uint8_t keyOfSeed(std::uint32_t seed);
// The seed of a UTC time of day: ((h*60 + m)*60 + s)*1000 + ms.
std::uint32_t seedOfTimeOfDay(TimeOfDay t);
// The key that a draw at time of day t gives: one step from the time's seed.
std::uint8_t keyForTimeOfDay(TimeOfDay t);

// Draws the key bytes of modes 0 and 2. Every draw reseeds the generator from
// the UTC time of day and steps it once. When the time of day has not moved
// since the previous draw, reseeding would give the same key again, so the
// generator steps on from its previous state instead: repeated draws within one
// millisecond give the generator's following keys, never the same one forever.
class KeyDrawer {
public:
    using TimeSource = std::function<TimeOfDay()>;
    explicit KeyDrawer(TimeSource timeOfDay);
    explicit KeyDrawer(const ui::Clock& clock);
    std::uint8_t draw();

private:
    TimeSource timeOfDay_;
    bool drawn_ = false;
    std::uint32_t lastTimeSeed_ = 0;
    std::uint32_t seed_ = 0;
};

// Modes 0-3 as above with a key drawn from keys for modes 0 and 2. Modes 1 and 3
// need at least one byte (the key); an empty input gives an empty result.
std::string cryptstr(std::string_view text, int mode, KeyDrawer& keys);
// Mode 0 or 2 with the given key (also used by the writer and by tests).
std::string scrambleWithKey(std::string_view text, int mode, std::uint8_t key);
// Mode 1 or 3, which draw no key; any other mode gives an empty result.
std::string unscramble(std::string_view text, int mode);

}  // namespace kav::text
