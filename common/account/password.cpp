#include "common/account/password.h"

#include <crypt.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace kav::account {

namespace {

constexpr char kPrefix[] = "$2b$";
constexpr unsigned long kCost = 10;  // 2^10 rounds: about 60 ms a check here
constexpr std::size_t kHashLength = 60;

// crypt_rn with its own work area (crypt_data is large; keep it off the stack).
std::string cryptWith(std::string_view password, const char* setting) {
    auto data = std::make_unique<crypt_data>();
    const std::string phrase(password);
    const char* out = crypt_rn(phrase.c_str(), setting, data.get(), sizeof *data);
    if (!out || out[0] == '*') return {};
    return out;
}

}  // namespace

std::string hashPassword(std::string_view password) {
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn(kPrefix, kCost, nullptr, 0, setting, sizeof setting))
        throw std::runtime_error(std::string("cannot make a password salt: ") + std::strerror(errno));
    std::string hash = cryptWith(password, setting);
    if (hash.size() != kHashLength) throw std::runtime_error("cannot hash the password");
    return hash;
}

bool isPasswordHash(std::string_view stored) {
    if (stored.size() != kHashLength || stored.substr(0, 4) != kPrefix) return false;
    // "$2b$" + two cost digits + "$" + 53 characters of bcrypt's base-64.
    if (stored[6] != '$' || stored[4] < '0' || stored[4] > '3' || stored[5] < '0' || stored[5] > '9') return false;
    for (char c : stored.substr(7))
        if (!(c == '.' || c == '/' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

bool verifyPassword(std::string_view stored, std::string_view typed) {
    if (stored.empty()) return false;
    if (!isPasswordHash(stored)) return stored == typed;
    const std::string setting(stored);
    const std::string computed = cryptWith(typed, setting.c_str());
    if (computed.size() != stored.size()) return false;
    // Compare every byte, so the time taken tells nothing of where they differ.
    unsigned char diff = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) diff |= static_cast<unsigned char>(computed[i] ^ stored[i]);
    return diff == 0;
}

}  // namespace kav::account
