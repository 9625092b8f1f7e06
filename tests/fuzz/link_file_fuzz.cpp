// The teacher.udl data-link file and the connection string it holds. A string
// that parses writes back to one that parses the same; a server's connection
// string taken over by the owner role keeps no user or password of the file.
#include "common/db/database.h"
#include "common/db/postgres_backend.h"
#include "common/db/tables.h"
#include "tests/fuzz/fuzz_support.h"

using kav::db::ConnectionString;
using kav::db::DbError;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kav::fuzz::ScratchFile file("teacher.udl");
    std::string text;
    ConnectionString cs;
    try {
        text = kav::db::readLinkFile(file.write(kav::fuzz::bytesOf(data, size)));
        cs = ConnectionString::parse(text);
    } catch (const DbError&) {
        return 0;
    }
    const ConnectionString again = ConnectionString::parse(cs.toString());
    KAV_FUZZ_CHECK(again.provider == cs.provider && again.dataSource == cs.dataSource &&
                   again.password == cs.password && again.persistSecurityInfo == cs.persistSecurityInfo);
    try {
        kav::db::loginOf(cs.dataSource);
        const kav::db::ServerLogin owner = kav::db::loginOf(kav::db::asOwner(cs.dataSource));
        KAV_FUZZ_CHECK(owner.password.empty());
        const char* user = std::getenv("PGUSER");
        KAV_FUZZ_CHECK(owner.user == (user && *user ? user : kav::db::kOwnerRole));
    } catch (const DbError&) {
        // not a libpq connection string
    }
    return 0;
}
