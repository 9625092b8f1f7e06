#include "common/platform/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

#include "common/core/ascii.h"

namespace fs = std::filesystem;

namespace kav::platform {

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr const char* kHiddenListName = ".hidden";

std::string systemText(int err) { return std::error_code(err, std::generic_category()).message(); }

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

bool isDriveC(std::string_view p) {
    return p.size() >= 2 && (p[0] == 'c' || p[0] == 'C') && p[1] == ':';
}
bool hasDriveLetter(std::string_view p) {
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z'));
}

// The text part of Samba's DOSATTRIB value: "0x" and hex digits, ended by a NUL
// or by the end of the value (binary data may follow the NUL).
std::optional<std::uint32_t> parseDosAttrib(std::string_view value) {
    value = value.substr(0, value.find('\0'));
    if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return std::nullopt;
    std::uint32_t word = 0;
    auto digits = value.substr(2);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), word, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return word;
}

std::optional<std::uint32_t> readDosAttrib(const fs::path& path) {
    char buf[256];
    ssize_t n = ::getxattr(path.c_str(), kDosAttribName, buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    return parseDosAttrib(std::string_view(buf, std::size_t(n)));
}

bool writeDosAttrib(const fs::path& path, std::uint32_t word, std::string* error) {
    char text[16];
    int len = std::snprintf(text, sizeof text, "0x%x", unsigned(word));
    // With its terminating NUL, as Samba writes the text form.
    if (::setxattr(path.c_str(), kDosAttribName, text, std::size_t(len) + 1, 0) != 0) {
        setError(error, systemText(errno));
        return false;
    }
    return true;
}

std::vector<std::string> readHiddenList(const fs::path& folder) {
    std::vector<std::string> names;
    std::ifstream in(folder / kHiddenListName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) names.push_back(line);
    }
    return names;
}

bool writeHiddenList(const fs::path& folder, const std::vector<std::string>& names, std::string* error) {
    fs::path file = folder / kHiddenListName;
    if (names.empty()) {
        std::error_code ec;
        fs::remove(file, ec);
        if (ec) setError(error, ec.message());
        return !ec;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (auto& n : names) out << n << '\n';
    out.close();
    if (!out) {
        setError(error, "cannot write " + file.string() + ": " + systemText(errno));
        return false;
    }
    return true;
}

// "dir/" and "dir" name the same folder.
fs::path withoutTrailingSeparator(const fs::path& path) {
    fs::path p = fs::path(path).lexically_normal();
    return p.has_filename() ? p : p.parent_path();
}

std::string leafName(const fs::path& path) { return withoutTrailingSeparator(path).filename().string(); }

// The folder whose .hidden file lists path.
fs::path parentFolder(const fs::path& path) { return withoutTrailingSeparator(path).parent_path(); }

bool hiddenByName(const fs::path& path) {
    std::string name = leafName(path);
    if (name.size() > 1 && name[0] == '.' && name != "..") return true;
    auto list = readHiddenList(parentFolder(path));
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

fs::path driveCRoot() {
    const char* env = std::getenv("KAVLOR_DRIVE_C");
    if (env && *env) return fs::path(env);
    return fs::path("/var/lib/kavlor/c");
}

fs::path joinRelative(const fs::path& base, std::string_view relative) {
    std::string rel(relative);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    while (!rel.empty() && rel.front() == '/') rel.erase(rel.begin());
    if (rel.empty()) return base;
    return base.empty() ? fs::path(rel) : base / rel;
}

fs::path resolve(std::string_view path, const fs::path& base) {
    if (isDriveC(path)) return joinRelative(driveCRoot(), path.substr(2));
    if (hasDriveLetter(path)) return joinRelative(base, path.substr(2));
    if (!path.empty() && path.front() == '/') return joinRelative("/", path);
    return joinRelative(base, path);
}

fs::path findIgnoringCase(const fs::path& path) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() != fs::file_type::not_found || path.empty()) return path;
    fs::path found;
    for (const auto& part : path) {
        fs::path exact = found / part;
        if (found.empty() || part == "." || part == ".." ||
            fs::symlink_status(exact, ec).type() != fs::file_type::not_found) {
            found = exact;
            continue;
        }
        std::optional<fs::path> match;
        for (fs::directory_iterator it(found, ec), end; !ec && it != end; it.increment(ec)) {
            if (equalsIgnoringCase(it->path().filename().string(), part.string())) {
                match = it->path();
                break;
            }
        }
        if (!match) return path;
        found = *match;
    }
    return found;
}

namespace {

// Copies the bytes and the permissions of a regular file into the new file
// `to`; a target left incomplete by a failed write is removed.
bool copyBytes(const fs::path& from, const fs::path& to, std::string* error) {
    // The source is opened without following a final link and without waiting
    // on a FIFO, then checked on the open descriptor: what is read is what was checked.
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        setError(error, errno == ELOOP ? "the file is a symbolic link" : systemText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        setError(error, "not a regular file");
        ::close(in);
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        setError(error, systemText(errno));
        ::close(in);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    int failure = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) failure = errno;
            break;
        }
        for (ssize_t done = 0; done < got && !failure;) {
            const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno != EINTR) failure = errno;
            if (put > 0) done += put;
        }
        if (failure) break;
    }
    ::close(in);
    if (::close(out) != 0 && !failure) failure = errno;
    if (failure) {
        ::unlink(to.c_str());
        setError(error, systemText(failure));
        return false;
    }
    return true;
}

// Copies into a hidden temporary name in the target's folder, then renames it
// into place; nothing is left behind when a step fails.
bool copyViaTemporary(const fs::path& from, const fs::path& to, bool replace, std::string* error) {
    std::error_code ec;
    if (!replace && fs::symlink_status(to, ec).type() != fs::file_type::not_found) {
        setError(error, systemText(EEXIST));
        return false;
    }
    const fs::path temporary = to.parent_path() / ("." + to.filename().string() + ".part");
    fs::remove(temporary, ec);  // one left by an interrupted copy
    if (!copyBytes(from, temporary, error)) return false;
    fs::rename(temporary, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        setError(error, ec.message());
        return false;
    }
    return true;
}

}  // namespace

bool copyFileNoOverwrite(const fs::path& from, const fs::path& to, std::string* error) {
    return copyViaTemporary(from, to, false, error);
}

bool copyFileReplacing(const fs::path& from, const fs::path& to, std::string* error) {
    return copyViaTemporary(from, to, true, error);
}

std::optional<std::uint32_t> fileAttributes(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    bool folder = S_ISDIR(st.st_mode);
    if (auto word = readDosAttrib(path)) {
        std::uint32_t w = *word;
        if (folder) w |= kAttrDirectory;
        if (w == 0) w = kAttrNormal;
        return w;
    }
    std::uint32_t w = folder ? kAttrDirectory : kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) w |= kAttrReadOnly;
    if (hiddenByName(path)) w |= kAttrHidden;
    return w;
}

bool setFileAttributes(const fs::path& path, std::uint32_t attributes, std::string* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        setError(error, systemText(errno));
        return false;
    }
    const bool readOnly = attributes & kAttrReadOnly;
    const bool hidden = attributes & kAttrHidden;

    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (::chmod(path.c_str(), mode) != 0) {
        setError(error, systemText(errno));
        return false;
    }

    std::string name = leafName(path);
    if (!hidden && name.size() > 1 && name[0] == '.') {
        setError(error, "a name beginning with \".\" is always hidden: " + name);
        return false;
    }
    fs::path folder = parentFolder(path);
    if (folder.empty()) folder = ".";
    auto list = readHiddenList(folder);
    auto at = std::find(list.begin(), list.end(), name);
    bool listed = at != list.end();
    if (hidden && !listed && !name.empty() && name[0] != '.') {
        list.push_back(name);
        if (!writeHiddenList(folder, list, error)) return false;
    } else if (!hidden && listed) {
        list.erase(at);
        if (!writeHiddenList(folder, list, error)) return false;
    }

    if (auto word = readDosAttrib(path)) {
        std::uint32_t w = (*word & ~(kAttrReadOnly | kAttrHidden)) | (attributes & (kAttrReadOnly | kAttrHidden));
        if (!writeDosAttrib(path, w, error)) return false;
    }
    return true;
}

SingleCopyLock::SingleCopyLock(const fs::path& file) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error_ = file.string() + ": " + systemText(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) error_ = file.string() + ": " + systemText(errno);
        ::close(fd);
        return;
    }
    fd_ = fd;
}

SingleCopyLock::~SingleCopyLock() { release(); }

void SingleCopyLock::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

fs::path singleCopyLockFile(std::string_view marker) {
    const std::string name = std::string(marker) + ".lock";
    const auto ownFolder = [](const fs::path& folder) {
        struct stat st {};
        return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    };
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && ownFolder(runtime)) return fs::path(runtime) / name;
    // A folder of the user's own: another user's lock in /tmp must not stop this one.
    const fs::path folder = fs::temp_directory_path() / ("kavlor-" + std::to_string(::geteuid()));
    if (!ownFolder(folder)) ::mkdir(folder.c_str(), 0700);  // when it still is not ours, opening the lock says so
    return folder / name;
}

}  // namespace kav::platform
