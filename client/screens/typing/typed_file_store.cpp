#include "client/screens/typing/typed_file_store.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/grading/typing_cells.h"
#include "common/platform/messages.h"
#include "common/text/gbk.h"
#include "common/text/typing_file.h"

namespace kav::typing {
namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& file, int error) {
    throw text::TextError(what + file.string() + "：" +
                          platform::reasonText(std::error_code(error, std::generic_category())));
}

// Closes the descriptor and removes the temporary file unless released.
struct TempFile {
    std::filesystem::path path;
    int fd = -1;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
    }
};

}  // namespace

void writeFileDurably(const std::filesystem::path& file, const FileBytes& pieces) {
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::path tempPath = file;
    tempPath += ".tmp";
    TempFile temp{tempPath, ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (temp.fd < 0) {
        temp.path.clear();  // nothing was created
        fail("无法创建文件 ", file, errno);
    }
    for (const auto& piece : pieces)
        for (std::size_t done = 0; done < piece->size();) {
            const ssize_t n = ::write(temp.fd, piece->data() + done, piece->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail("无法写入文件 ", file, errno);
            done += static_cast<std::size_t>(n);
        }
    if (::fsync(temp.fd) != 0) fail("无法写入文件 ", file, errno);
    const int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0) fail("无法写入文件 ", file, errno);
    if (::rename(tempPath.c_str(), file.c_str()) != 0) fail("无法写入文件 ", file, errno);
    temp.path.clear();
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

TypedFileStore::TypedFileStore(std::filesystem::path file, text::KeyDrawer& keys, std::unique_ptr<ResultWriter> results)
    : file_(std::move(file)), keys_(keys), results_(std::move(results)), writer_([this] { writerLoop(); }) {}

TypedFileStore::~TypedFileStore() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void TypedFileStore::lineChanged(std::size_t index) {
    if (index >= isChanged_.size() || isChanged_[index]) return;  // unseen lines are scrambled anyway
    isChanged_[index] = true;
    changed_.push_back(index);
}

// Scrambles the changed and the unseen lines. An empty line, the most common
// by far, is scrambled once and reused.
void TypedFileStore::scrambleChanged(const std::vector<std::string>& lines) {
    for (std::size_t i = scrambled_.size(); i < lines.size(); ++i) changed_.push_back(i);
    scrambled_.resize(lines.size());
    isChanged_.resize(lines.size(), true);
    blocks_.resize((lines.size() + kBlockLines - 1) / kBlockLines);
    blockChanged_.resize(blocks_.size(), true);
    const std::string empty = emptyTypedLine();
    std::string scrambledEmpty;
    for (std::size_t i : changed_) {
        const bool isEmpty = lines[i] == empty;
        if (isEmpty && !scrambledEmpty.empty()) {
            scrambled_[i] = scrambledEmpty;
            continue;
        }
        try {
            scrambled_[i] = text::scrambleForFile(lines[i], text::TypingFileKind::Typed, keys_) + "\r\n";
        } catch (const text::TextError& e) {
            throw text::TextError("第" + std::to_string(i + 1) + "行：" + e.what());
        }
        if (isEmpty) scrambledEmpty = scrambled_[i];
    }
    for (std::size_t i : changed_) {
        isChanged_[i] = false;
        blockChanged_[i / kBlockLines] = true;
    }
    changed_.clear();
}

void TypedFileStore::prepare(const std::vector<std::string>& lines) { fileBytes(lines); }

// The file's bytes: the blocks, those with changed lines joined anew.
FileBytes TypedFileStore::fileBytes(const std::vector<std::string>& lines) {
    scrambleChanged(lines);
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!blockChanged_[b]) continue;
        auto block = std::make_shared<std::string>();
        const std::size_t end = std::min(scrambled_.size(), (b + 1) * kBlockLines);
        for (std::size_t i = b * kBlockLines; i < end; ++i) *block += scrambled_[i];
        blocks_[b] = std::move(block);
        blockChanged_[b] = false;
    }
    return blocks_;
}

void TypedFileStore::store(const std::vector<std::string>& lines, std::optional<std::string> dzResult) {
    FileBytes bytes;
    try {
        bytes = fileBytes(lines);
        // A missing folder is made here, and one that cannot be is told at once.
        std::filesystem::create_directories(file_.parent_path());
    } catch (const std::exception& e) {
        if (dzResult) queue({std::nullopt, std::move(dzResult), platform::errorText(e)});
        throw;
    }
    queue({std::move(bytes), std::move(dzResult), {}});
}

void TypedFileStore::queue(Pending pending) {
    {
        std::lock_guard lock(mutex_);
        queued_ = std::move(pending);  // a queued older store is superseded
    }
    wake_.notify_all();
}

void TypedFileStore::storeNow(const std::vector<std::string>& lines) {
    const FileBytes bytes = fileBytes(lines);
    std::unique_lock lock(mutex_);
    queued_.reset();  // superseded by these lines
    wake_.wait(lock, [this] { return !writing_; });
    writing_ = true;
    lock.unlock();
    struct Done {
        TypedFileStore& s;
        ~Done() {
            {
                std::lock_guard lock(s.mutex_);
                s.writing_ = false;
            }
            s.wake_.notify_all();
        }
    } done{*this};
    writeFileDurably(file_, bytes);
    std::lock_guard written(mutex_);
    outcome_.reset();  // an older store's failure is mended by this write
}

void TypedFileStore::cancelPending() {
    std::unique_lock lock(mutex_);
    queued_.reset();
    wake_.wait(lock, [this] { return !writing_; });
}

void TypedFileStore::waitIdle() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !queued_ && !writing_; });
}

std::optional<std::string> TypedFileStore::takeOutcome() {
    std::lock_guard lock(mutex_);
    return std::exchange(outcome_, std::nullopt);
}

void TypedFileStore::writerLoop() {
    // The lowest priority (on Linux PRIO_PROCESS 0 is the calling thread):
    // woken by a store on a busy machine, the writer no longer takes the
    // processor from the window that handed it the work. A write still ends
    // within a fraction of a second under heavy load, so a save that waits for
    // one is not held up noticeably.
    ::setpriority(PRIO_PROCESS, 0, 19);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return (queued_ && !writing_) || (stopping_ && !queued_); });
        if (!queued_) return;  // stopping, and everything stored is written
        const Pending pending = std::move(*queued_);
        queued_.reset();
        writing_ = true;
        lock.unlock();
        std::string error = pending.failure;
        if (pending.bytes) {
            try {
                writeFileDurably(file_, *pending.bytes);
            } catch (const std::exception& e) {
                error = platform::errorText(e);
            }
        }
        if (pending.dzResult && results_) {
            try {  // tried even when the file failed, as every store does
                results_->storeResult(*pending.dzResult);
            } catch (const std::exception& e) {
                if (error.empty()) error = platform::errorText(e);
            }
        }
        lock.lock();
        writing_ = false;
        outcome_ = error;
        wake_.notify_all();
    }
}

}  // namespace kav::typing
