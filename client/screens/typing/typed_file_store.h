#pragma once
// The typed-text file of the typing screen (c:\kavtmp\<candidate folder>),
// kept so that storing it while the candidate types costs the window almost
// nothing:
//   - every line's scrambled form is kept, and only the lines changed since
//     the last store are scrambled again;
//   - the scrambled lines are joined in blocks of lines; a store rebuilds only
//     the blocks holding changed lines and hands the writer thread the list of
//     blocks, each immutable (a block is replaced, never changed, once
//     handed over);
//   - the writer writes them to a temporary file in the same folder, flushes
//     it to the disk and renames it over the file (then flushes the folder),
//     so a kill or a power cut at any moment leaves the last complete file,
//     never a partial or empty one;
//   - a store may carry dz_result: the writer posts it through its own
//     ResultWriter once the file is written (also when the file failed), so
//     the database row never names a store whose file is not on the disk yet.
// Writes happen one at a time in the order stored; a write queued and not yet
// begun is superseded by a newer one. storeNow() is the synchronous save: it
// waits for the write in progress, drops the queued one and writes before it
// returns; cancelPending() does the same without writing, for a save that
// posts dz_result itself. The destructor finishes what was stored.
//
// The store belongs to the window's thread: only the writer thread's file and
// database work runs beside it.
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client/screens/typing/typing_record.h"
#include "common/text/cryptstr.h"

namespace kav::typing {

// A file's bytes in pieces, in order; no piece changes once listed.
using FileBytes = std::vector<std::shared_ptr<const std::string>>;

// Writes the pieces to `file` through "<file>.tmp": write, flush to disk,
// rename, flush the folder. The temporary file is removed when anything fails.
// Throws text::TextError with the system's reason.
void writeFileDurably(const std::filesystem::path& file, const FileBytes& bytes);

class TypedFileStore {
public:
    // results posts the dz_result of store(); without one a store writes only the file.
    TypedFileStore(std::filesystem::path file, text::KeyDrawer& keys, std::unique_ptr<ResultWriter> results = nullptr);
    ~TypedFileStore();
    TypedFileStore(const TypedFileStore&) = delete;
    TypedFileStore& operator=(const TypedFileStore&) = delete;

    const std::filesystem::path& file() const { return file_; }

    // Line i (0-based) of the typed lines differs from what was last stored.
    // Lines the store has not seen yet are scrambled at the next store anyway.
    void lineChanged(std::size_t index);

    // Scrambles and joins the lines the store has not seen yet, writing nothing, so that
    // the first store costs no more than a later one (the screen's loading).
    // Throws text::TextError when a line cannot be scrambled.
    void prepare(const std::vector<std::string>& lines);

    // Hands the typed lines (and dz_result, posted after them) to the writer
    // thread and returns at once. Throws text::TextError when a line cannot be
    // scrambled, or std::filesystem::filesystem_error when the file's folder
    // cannot be made: the file is not written then, but dz_result is still
    // handed over, its outcome carrying the same failure.
    void store(const std::vector<std::string>& lines, std::optional<std::string> dzResult = std::nullopt);
    // Writes the typed lines before it returns, after any earlier write.
    // Throws text::TextError or std::filesystem::filesystem_error.
    void storeNow(const std::vector<std::string>& lines);
    // Drops the queued write and waits for the one in progress: nothing stored
    // so far is written after this returns.
    void cancelPending();
    // Waits until no write is queued or in progress.
    void waitIdle();

    // The outcome of the writes of store() finished since the last call: empty
    // when none finished, "" when the last of them succeeded, else the error's
    // text for the candidate (the file's when both the file and dz_result failed).
    std::optional<std::string> takeOutcome();

private:
    static constexpr std::size_t kBlockLines = 512;
    void scrambleChanged(const std::vector<std::string>& lines);
    FileBytes fileBytes(const std::vector<std::string>& lines);
    void writerLoop();
    struct Pending {
        std::optional<FileBytes> bytes;        // none when they could not be made
        std::optional<std::string> dzResult;
        std::string failure;                   // why there are no bytes
    };
    void queue(Pending pending);

    std::filesystem::path file_;
    text::KeyDrawer& keys_;
    std::vector<std::string> scrambled_;  // each line scrambled, with its CR LF
    std::vector<std::size_t> changed_;    // lines to scramble again
    std::vector<bool> isChanged_;
    FileBytes blocks_;                    // kBlockLines scrambled lines each
    std::vector<bool> blockChanged_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<ResultWriter> results_;  // used by the writer thread only
    std::optional<Pending> queued_;       // a store waiting for the writer
    bool writing_ = false;                // a write (either thread's) is in progress
    bool stopping_ = false;
    std::optional<std::string> outcome_;  // see takeOutcome()
    std::thread writer_;
};

}  // namespace kav::typing
