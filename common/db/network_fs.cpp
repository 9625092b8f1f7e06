#include "common/db/network_fs.h"

#include <sys/vfs.h>

namespace kav::db {

std::optional<std::string> networkFileSystemName(long type) {
    switch (static_cast<unsigned long>(type) & 0xFFFFFFFFul) {
        case 0x6969ul: return "NFS";
        case 0x517Bul: return "SMB";
        case 0xFE534D42ul: return "SMB";  // SMB2/3
        case 0xFF534D42ul: return "CIFS";
        default: return std::nullopt;
    }
}

std::optional<std::string> networkFileSystemOf(const std::filesystem::path& file) {
    std::error_code ec;
    const auto probe = std::filesystem::exists(file, ec) ? file : file.parent_path();
    struct statfs info{};
    if (statfs(probe.empty() ? "." : probe.c_str(), &info) != 0) return std::nullopt;
    return networkFileSystemName(static_cast<long>(info.f_type));
}

}  // namespace kav::db
