#include "common/db/tables.h"

#include "common/core/ascii.h"

namespace kav::db {

std::unique_ptr<Connection> connectFile(const std::string& dataSource, const std::filesystem::path& workingFolder) {
    return connect(ConnectionString::forDataSource(dataSource).toString(), workingFolder);
}

OpenTables::OpenTables(std::unique_ptr<Connection> connection, std::span<const std::string_view> order)
    : connection_(std::move(connection)) {
    for (std::string_view name : order) cursors_.emplace_back(std::string(name), connection_->openTable(name));
}

Cursor& OpenTables::table(std::string_view name) const {
    for (const auto& [opened, cursor] : cursors_)
        if (equalsIgnoringCase(opened, name)) return *cursor;
    throw DbError("The table '" + std::string(name) + "' is not open");
}

bool gotoPosition(Cursor& bank, int position) {
    if (position < 1 || position > bank.recordCount()) return false;
    bank.first();
    bank.moveBy(position - 1);
    return !bank.eof();
}

}  // namespace kav::db
