#include "common/core/sqlite_files.h"

namespace kav {

std::array<std::filesystem::path, 3> sqliteSideFiles(const std::filesystem::path& database) {
    std::array<std::filesystem::path, 3> files;
    for (std::size_t i = 0; i < files.size(); ++i) files[i] = database.string() + std::string(kSqliteSideFileSuffixes[i]);
    return files;
}

void removeSqliteSideFiles(const std::filesystem::path& database) {
    std::error_code ec;
    for (const auto& file : sqliteSideFiles(database)) std::filesystem::remove(file, ec);
}

}  // namespace kav
