#pragma once
// The passwords of the four accounts in `user` of teacher.mdb (the console's
// administrator and the three assistants whose passwords extend a candidate's
// time) are stored as salted, slow bcrypt hashes: every student machine opens
// teacher.mdb, so a stored password must not be readable back.
//
// A hash is 60 ASCII characters, "$2b$10$" + 22 characters of salt + 31 of
// hash; PostgreSQL 15's pgcrypto reads it under the prefix "$2a$" (it knows no "$2b$").
// Only the first 72 bytes of a password count (bcrypt's limit).
#include <string>
#include <string_view>

namespace kav::account {

// A new hash of `password` with a fresh random salt. Throws std::runtime_error
// with the system's text when no hash can be made (no random source).
std::string hashPassword(std::string_view password);

// True when `stored` has the form of a hash made by hashPassword.
bool isPasswordHash(std::string_view stored);

// Whether `typed` is the password that `stored` holds. `stored` is a hash; a
// stored text that is not one (a file written before passwords were hashed,
// until the console replaces it) is compared exactly, byte for byte. An empty
// stored text never matches, so an account without a password admits no one.
bool verifyPassword(std::string_view stored, std::string_view typed);

}  // namespace kav::account
