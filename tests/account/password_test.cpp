#include "common/account/password.h"

#include <gtest/gtest.h>

namespace kav::account {
namespace {

TEST(Password, HashHoldsNoPasswordAndVerifiesOnlyTheSameText) {
    const std::string hash = hashPassword("admin");
    EXPECT_TRUE(isPasswordHash(hash)) << hash;
    EXPECT_EQ(hash.size(), 60u);
    EXPECT_EQ(hash.find("admin"), std::string::npos);
    EXPECT_TRUE(verifyPassword(hash, "admin"));
    for (const char* other : {"Admin", "admin ", " admin", "", "admi"}) EXPECT_FALSE(verifyPassword(hash, other)) << other;
}

TEST(Password, SaltedSoTheSamePasswordHashesDifferently) {
    const std::string a = hashPassword("1111"), b = hashPassword("1111");
    EXPECT_NE(a, b);
    EXPECT_TRUE(verifyPassword(a, "1111"));
    EXPECT_TRUE(verifyPassword(b, "1111"));
}

TEST(Password, ChineseAndSpacesAreKeptAsTyped) {
    const std::string hash = hashPassword("口令 1");
    EXPECT_TRUE(verifyPassword(hash, "口令 1"));
    EXPECT_FALSE(verifyPassword(hash, "口令1"));
}

TEST(Password, PlainStoredTextComparesExactlyAndEmptyAdmitsNoOne) {
    EXPECT_TRUE(verifyPassword("1111", "1111"));
    EXPECT_FALSE(verifyPassword("1111", "1111 "));
    EXPECT_FALSE(verifyPassword("", ""));
    // A hash of the empty password is still a password that must be typed.
    EXPECT_TRUE(verifyPassword(hashPassword(""), ""));
}

TEST(Password, OnlyTheHashFormIsTakenForAHash) {
    const std::string hash = hashPassword("x");
    EXPECT_FALSE(isPasswordHash(hash.substr(0, 59)));
    EXPECT_FALSE(isPasswordHash("$2b$10$" + std::string(53, '!')));
    EXPECT_FALSE(isPasswordHash(std::string(60, 'a')));
    // A damaged hash admits no one, not even its own text.
    std::string damaged = hash;
    damaged[6] = 'x';
    EXPECT_FALSE(verifyPassword(damaged, "x"));
}

}  // namespace
}  // namespace kav::account
