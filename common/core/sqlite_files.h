#pragma once
// The files SQLite keeps beside a database file: its rollback journal and its
// write-ahead log with the log's index. A journal left beside a file that was
// replaced would be applied to the new file, so they go with it.
#include <array>
#include <filesystem>
#include <string_view>

namespace kav {

inline constexpr std::array<std::string_view, 3> kSqliteSideFileSuffixes = {"-journal", "-wal", "-shm"};

// The side files of `database` ("stu.mdb" gives stu.mdb-journal, stu.mdb-wal, stu.mdb-shm).
std::array<std::filesystem::path, 3> sqliteSideFiles(const std::filesystem::path& database);
// Removes the side files of `database` that exist; one that cannot be removed is left.
void removeSqliteSideFiles(const std::filesystem::path& database);

}  // namespace kav
