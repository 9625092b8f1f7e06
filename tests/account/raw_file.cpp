#include "tests/account/raw_file.h"

#define SQLITE_HAS_CODEC 1
#include <openssl/evp.h>
#include <sqlcipher/sqlite3.h>

#include <memory>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace kav::test {

RawFile::RawFile(const std::filesystem::path& file, std::string_view password) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + file.string());
    sqlite3_key(db_, password.data(), static_cast<int>(password.size()));
}

RawFile::~RawFile() { sqlite3_close_v2(db_); }

void RawFile::exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
}

long long RawFile::integer(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
    if (sqlite3_step(st) != SQLITE_ROW) throw std::runtime_error(sql + ": no row");
    return sqlite3_column_int64(st, 0);
}

std::string decryptedPages(const std::filesystem::path& file, std::string_view password) {
    constexpr std::size_t kPage = 1024, kReserve = 48, kSalt = 16;
    const std::string bytes = readFile(file);
    if (bytes.size() < kPage || bytes.size() % kPage != 0) throw std::runtime_error("not whole pages: " + file.string());
    unsigned char key[32];
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                      reinterpret_cast<const unsigned char*>(bytes.data()), kSalt, 64000, EVP_sha1(), sizeof key, key);
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::string out;
    for (std::size_t page = 0; page < bytes.size(); page += kPage) {
        const std::size_t start = page == 0 ? kSalt : 0;
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.data() + page);
        std::string plain(kPage - kReserve - start, '\0');
        int len = 0;
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key, in + kPage - kReserve);
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
        EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()), &len, in + start,
                          static_cast<int>(plain.size()));
        if (page == 0) {
            // Bytes 16-17 of a database header: the page size; byte 20: the reserved bytes.
            if (static_cast<unsigned char>(plain[0]) != 0x04 || plain[1] != 0 || plain[4] != static_cast<char>(kReserve))
                throw std::runtime_error("the first page of " + file.string() + " does not decrypt to a header");
            out += std::string("SQLite format 3", 16);
        }
        out += plain;
    }
    return out;
}

}  // namespace kav::test
