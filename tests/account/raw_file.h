#pragma once
// Looking into an encrypted database file below the engine interface, as an
// attacker who knows the database password could: raw SQL on the file, and
// every page of it decrypted, free space included.
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;

namespace kav::test {

// The file opened with the password through the SQLCipher library itself.
class RawFile {
public:
    RawFile(const std::filesystem::path& file, std::string_view password);
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    void exec(const std::string& sql);
    long long integer(const std::string& sql);  // the first column of the first row

private:
    sqlite3* db_ = nullptr;
};

// Every page of the file decrypted as the engine encrypts it (AES-256-CBC, the
// key from PBKDF2-HMAC-SHA1 over the 16-byte salt that starts the file, 64000
// rounds; 1024-byte pages ending in 48 reserved bytes that begin with the IV).
// Throws std::runtime_error when the first page does not decrypt to a database
// header, so that a scan never passes on garbage.
std::string decryptedPages(const std::filesystem::path& file, std::string_view password);

}  // namespace kav::test
