#pragma once
// The embedded backend: one SQLCipher file per database, encrypted with the
// database password, holding the tables and a catalogue of their columns
// (kav_columns) so that every reader knows the types, widths and order.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/db/database.h"

namespace kav::db {

// Opens an existing file; DbError with the engine's text when it is missing,
// cannot be decrypted with the password, or is no exam database.
std::unique_ptr<Connection> openSqlCipherFile(const std::filesystem::path& file, const std::string& password);

// Creates a new file with the given tables (empty); refuses an existing file.
// writeAheadLog puts the file into WAL mode (readers and the one writer do not
// wait for each other); otherwise every commit lands in the file itself, which
// keeps a file that is copied while open complete.
void createSqlCipherFile(const std::filesystem::path& file, const std::string& password,
                         const std::vector<TableDef>& tables, bool writeAheadLog);

}  // namespace kav::db
