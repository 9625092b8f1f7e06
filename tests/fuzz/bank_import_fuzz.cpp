// What a teacher imports from a spreadsheet: the CSV reader, and the roster and
// choice-question imports on a scratch bank. A file is imported whole or not at
// all: with any bad row (or a refusal of the engine) the table stays as it was.
#include <filesystem>

#include "common/bank/csv_import.h"
#include "common/db/database.h"
#include "common/db/schema.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using mendrix::bank::ImportKind;

// A stu.mdb of this process, removed at the end: in memory (/dev/shm) where
// there is one, as every input writes and removes rows.
std::filesystem::path scratchRoot() {
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
}

struct ScratchBank {
    std::filesystem::path folder = scratchRoot() / ("kav-fuzz-" + std::to_string(::getpid()) + "-bank");
    std::unique_ptr<kav::db::Connection> connection;
    ScratchBank() {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        kav::db::createDatabase(folder / "stu.mdb");
        connection =
            kav::db::connect(kav::db::ConnectionString::forDataSource("stu.mdb").toString(), folder);
    }
    ~ScratchBank() {
        connection.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

void importInto(ImportKind kind, std::string_view bytes, kav::db::Cursor& table) {
    const int before = table.recordCount();
    mendrix::bank::ImportResult result;
    try {
        result = mendrix::bank::importCsv(kind, bytes, table);
    } catch (const kav::db::DbError&) {
        KAV_FUZZ_CHECK(table.recordCount() == before);
        return;
    }
    if (!result.errors.empty()) KAV_FUZZ_CHECK(result.imported == 0 && table.recordCount() == before);
    else KAV_FUZZ_CHECK(table.recordCount() == before + result.imported);
    // Emptied again, so that every input meets the same bank.
    while (table.recordCount() > 0) {
        table.first();
        table.remove();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = kav::fuzz::bytesOf(data, size);
    const mendrix::bank::CsvFile csv = mendrix::bank::readCsv(bytes);
    int line = 0;
    for (const auto& record : csv.records) {
        // In file order (a bare CR ends a record but not a line: two records may share one).
        KAV_FUZZ_CHECK(record.line >= line && record.line >= 1);
        line = record.line;
        bool blank = true;
        for (const auto& cell : record.cells) blank = blank && cell.empty();
        KAV_FUZZ_CHECK(!blank);
    }
    static ScratchBank bank;
    static auto student = bank.connection->openTable("student");
    static auto selecttest = bank.connection->openTable("selecttest");
    importInto(ImportKind::Roster, bytes, *student);
    importInto(ImportKind::Choice, bytes, *selecttest);
    return 0;
}
