#include "common/pack/pack_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "common/db/postgres_backend.h"

namespace kav::pack {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPackSuffix = ".zip";

bool plainNameCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The admission number a pack's file name stands for; nullopt for any other file.
std::optional<std::string> admissionOfFileName(const std::string& name) {
    if (name.size() <= kPackSuffix.size() || !name.ends_with(kPackSuffix)) return std::nullopt;
    const std::string_view stem = std::string_view(name).substr(0, name.size() - kPackSuffix.size());
    std::string admission;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        if (stem[i] != '%') {
            if (!plainNameCharacter(stem[i])) return std::nullopt;
            admission += stem[i];
            continue;
        }
        const int high = i + 2 < stem.size() ? hexValue(stem[i + 1]) : -1;
        const int low = i + 2 < stem.size() ? hexValue(stem[i + 2]) : -1;
        if (high < 0 || low < 0) return std::nullopt;
        admission += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return admission;
}

[[noreturn]] void failWithSystemText(const std::string& what) {
    throw db::DbError(what + ": " + std::strerror(errno));
}

// Writes bytes to file through a temporary file in the same folder, flushed to
// the disk and renamed over it; nothing is left behind when it fails.
void writeFileReplacing(const fs::path& file, const std::string& bytes) {
    std::random_device random;
    const fs::path temporary =
        file.parent_path() / ("." + file.filename().string() + "." + std::to_string(random()) + ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
    if (fd < 0) failWithSystemText("Cannot create " + temporary.string());
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool whole = written == bytes.size() && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!whole || ::rename(temporary.c_str(), file.c_str()) != 0) {
        const int reason = whole ? errno : savedErrno;
        ::unlink(temporary.c_str());
        errno = reason;
        failWithSystemText("Cannot write " + file.string());
    }
    if (const int dir = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

fs::path packFolderOf(db::Connection& teacher) { return packFolderBeside(teacher.dataSource()); }

}  // namespace

fs::path packFolderBeside(const fs::path& teacherFile) { return teacherFile.parent_path() / kPackFolderName; }

std::string packFileName(std::string_view admission) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (char c : admission) {
        if (plainNameCharacter(c)) {
            name += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        name += '%';
        name += kHex[byte >> 4];
        name += kHex[byte & 15];
    }
    return name + std::string(kPackSuffix);
}

void storePack(db::Connection& teacher, const std::string& admission, const std::string& zipBytes) {
    if (teacher.onServer()) {
        teacher.callServerFunction(db::kStorePackFunction,
                                   {admission, db::Blob(zipBytes.begin(), zipBytes.end())});
        return;
    }
    const fs::path folder = packFolderOf(teacher);
    std::error_code ec;
    fs::create_directory(folder, ec);
    if (ec && !fs::is_directory(folder)) throw db::DbError("Cannot create " + folder.string() + ": " + ec.message());
    writeFileReplacing(folder / packFileName(admission), zipBytes);
}

std::optional<std::string> loadPack(db::Connection& teacher, const std::string& admission) {
    if (teacher.onServer()) return db::loadServerPack(teacher.dataSource(), admission);
    const fs::path file = packFolderOf(teacher) / packFileName(admission);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!fs::exists(file, ec) && !ec) return std::nullopt;
        throw db::DbError("Cannot read " + file.string() + ": " + std::strerror(errno));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw db::DbError("Cannot read " + file.string());
    return bytes.str();
}

std::vector<std::string> packAdmissions(db::Connection& teacher) {
    if (teacher.onServer()) return db::serverPackAdmissions(teacher.dataSource());
    std::vector<std::string> admissions;
    std::error_code ec;
    fs::directory_iterator it(packFolderOf(teacher), ec);
    if (ec == std::errc::no_such_file_or_directory) return admissions;
    if (ec) throw db::DbError("Cannot list " + packFolderOf(teacher).string() + ": " + ec.message());
    for (const auto& entry : it)
        if (entry.is_regular_file(ec))
            if (auto admission = admissionOfFileName(entry.path().filename().string()))
                admissions.push_back(std::move(*admission));
    std::sort(admissions.begin(), admissions.end());
    return admissions;
}

void removePack(db::Connection& teacher, const std::string& admission) {
    if (teacher.onServer()) {
        db::removeServerPack(teacher.dataSource(), admission);
        return;
    }
    const fs::path file = packFolderOf(teacher) / packFileName(admission);
    std::error_code ec;
    if (!fs::remove(file, ec) && ec && ec != std::errc::no_such_file_or_directory)
        throw db::DbError("Cannot delete " + file.string() + ": " + ec.message());
}

}  // namespace kav::pack
