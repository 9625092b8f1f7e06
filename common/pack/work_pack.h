#pragma once
// A candidate's work as it stood when the exam was graded at hand-in or at the
// teacher's forced collection: the candidate folder, the typed text, the choice
// answers with the drawn questions, the answer texts the station graded with
// and the scores it reported. It travels to the teacher's side as a zip that
// ordinary tools open: the folder's files under files/, the texts under
// texts/, and manifest.xml (UTF-8) naming every entry with its size and
// SHA-256 digest.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/datetime.h"

namespace kav::pack {

// The format this program writes and reads.
inline constexpr int kPackFormat = 1;
// No pack holds more than this of the candidate's files and texts together; a
// bigger candidate folder is not packed (the pack says so in its note).
inline constexpr std::size_t kMaxPackedBytes = 20u * 1024 * 1024;
// No more entries than this in a pack.
inline constexpr std::size_t kMaxPackedEntries = 10000;

// One file or folder of the candidate folder.
struct PackedFile {
    std::string path;          // relative to the candidate folder, '/' separated
    std::uint32_t attributes;  // the attribute word as the Windows task's grading reads it
    std::string bytes;         // empty for a folder

    bool isFolder() const;
    bool operator==(const PackedFile&) const = default;
};

// One drawn choice question and the candidate's answer.
struct PackedChoice {
    int position = 0;  // the question's row in the bank's selecttest, as drawn
    std::string stem;
    std::array<std::string, 4> options;
    std::string key, answer;  // the correct letter and the one given ("*" when none)

    bool operator==(const PackedChoice&) const = default;
};

// The part scores the station reported.
struct PartScores {
    std::int64_t choice = 0, typing = 0, wintask = 0, word = 0, total = 0;
    bool operator==(const PartScores&) const = default;
};

struct WorkPack {
    std::string admission, name, station, clientVersion;
    DateTime examStart, packedAt;
    // What was drawn: the Windows task's and the Word task's rows in the bank,
    // the Word document's name and the typing file.
    std::int64_t wintaskNumber = 0, wordNumber = 0;
    std::string wordDocument, typingFile;
    // The answer texts the station graded with.
    std::string wordAnswerText, wintaskAnswerText;
    std::string typedText, typingSourceText;
    std::vector<PackedChoice> choices;
    PartScores scores;
    // The result texts of the exam record (win_condiction, dz_result, word_result).
    std::string wintaskResult, typingResult, wordResult;
    std::vector<PackedFile> files;
    // Why the pack holds less than the work, e.g. "考生文件夹超过 20 MB，未打包".
    std::string note;

    bool operator==(const WorkPack&) const = default;
};

// A pack that cannot be written or read; the text is for a person (Chinese),
// with the library's own text as detail.
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The zip's bytes. PackError when a path is not a plain relative one, two
// entries share a path, or the files and texts exceed kMaxPackedBytes.
std::string writePack(const WorkPack& pack);

// Reads a pack, refusing anything the manifest does not account for: an
// entry the manifest does not list or one it lists that is missing, a
// path that is absolute or climbs with "..", a link, a size or digest that
// differs, more than kMaxPackedBytes in all, an unknown format. PackError.
WorkPack readPack(std::string_view zipBytes);

// The SHA-256 digest of bytes, in lower-case hex.
std::string sha256Hex(std::string_view bytes);

}  // namespace kav::pack
