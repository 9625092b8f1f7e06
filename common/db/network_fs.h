#pragma once
// SQLite needs local disk: its locking is unreliable on NFS and SMB, and its
// write-ahead log does not work there at all.
#include <filesystem>
#include <optional>
#include <string>

namespace kav::db {

// "NFS", "SMB" or "CIFS" when the file (or, when it does not exist, its folder)
// lies on such a network file system; nullopt on local disk or when unknown.
std::optional<std::string> networkFileSystemOf(const std::filesystem::path& file);

// The name of a file system type as statfs reports it; nullopt for a local one.
std::optional<std::string> networkFileSystemName(long type);

}  // namespace kav::db
