#pragma once
// How the programs meet the machine's file system: drive c:, paths written
// with "\", copying without overwrite, the attribute word of a file, and the
// single-copy lock of the client.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kav::platform {

// The folder that stands for drive c:. The environment variable KAVLOR_DRIVE_C
// names it when set (tests and the demo lab set it); otherwise /var/lib/kavlor/c.
std::filesystem::path driveCRoot();

// The folder that holds the candidates' folders, as the exam names it.
inline constexpr std::string_view kCandidatesRoot = "c:\\kavlor";

// "c:\kavlor\11010001" → <drive c root>/kavlor/11010001. Drive letters other
// than c and paths without a drive are taken relative to base (a "\"- or
// "/"-separated relative path such as "txt\txt0.txt").
std::filesystem::path resolve(std::string_view path, const std::filesystem::path& base = {});
// A relative path written with either separator, joined to base.
std::filesystem::path joinRelative(const std::filesystem::path& base, std::string_view relative);

// Windows finds names whatever their case: when path does not exist as written,
// each missing part is looked up in its folder ignoring ASCII case (an exact
// match wins). Returns the path found, or path unchanged when nothing matches.
std::filesystem::path findIgnoringCase(const std::filesystem::path& path);

// Copies a regular file; fails (returns false, with the system's reason in
// *error) when the target exists, the source cannot be read or is not a regular
// file (a symbolic link, a FIFO, a folder). A target left incomplete by a failed
// write is removed. Creates no folders. The copy is made under a temporary name
// beside the target and renamed into place, so that a copy that fails part-way
// (a full drive) leaves nothing behind.
bool copyFileNoOverwrite(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string* error = nullptr);
// The same, replacing a target that exists: it stays as it was when the copy fails.
bool copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::string* error = nullptr);

// The attribute word of a file or folder as the exam's Windows task checks it:
// 16 for a folder, 32 for a regular file, plus 1 when the owner may not write,
// plus 2 when hidden (a name beginning with "." or listed in the folder's .hidden
// file). A user.DOSATTRIB extended attribute, as Samba writes it, wins when present:
// its text part "0x21" gives the word (16 is added for a folder, a file with no
// bits reads 128 as on Windows); a value that cannot be parsed is ignored.
// nullopt when the path does not exist.
std::optional<std::uint32_t> fileAttributes(const std::filesystem::path& path);
constexpr std::uint32_t kAttrReadOnly = 1, kAttrHidden = 2, kAttrSystem = 4, kAttrDirectory = 16,
                        kAttrArchive = 32;
constexpr std::uint32_t kAttrNormal = 128;
// Sets the read-only and hidden bits (the others follow from the file's kind):
// read-only takes away the write permissions (clearing it gives the owner write
// back), hidden lists the name in the folder's .hidden file. A user.DOSATTRIB
// attribute present on the path is rewritten to match. A name beginning with "."
// cannot be made visible; that is reported as a failure.
bool setFileAttributes(const std::filesystem::path& path, std::uint32_t attributes, std::string* error = nullptr);

// The client's single-copy marker: a lock file held with flock for the life of
// the holder, released by the kernel however the holder ends. Opened with
// O_CLOEXEC so that programs the client starts do not inherit it.
class SingleCopyLock {
public:
    // Tries to take the lock on file; held() tells whether it was taken.
    explicit SingleCopyLock(const std::filesystem::path& file);
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock&) = delete;
    SingleCopyLock& operator=(const SingleCopyLock&) = delete;
    bool held() const { return fd_ >= 0; }
    // Why the lock file could not be opened (empty when it was opened, whether
    // or not another holder had the lock).
    const std::string& error() const { return error_; }
    void release();

private:
    int fd_ = -1;
    std::string error_;
};

// Where the client keeps its lock file, named after the marker: in the user's
// runtime folder (XDG_RUNTIME_DIR, when it is a folder the user owns), or else
// in a folder of the user's own in the temporary folder (kavlor-<uid>, made
// with mode 700), so that another user's copy never locks this one out.
std::filesystem::path singleCopyLockFile(std::string_view marker = "PROGRAM_RUNNING12");

}  // namespace kav::platform
