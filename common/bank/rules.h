#pragma once
// The checks of the question bank that the console applies when a row is
// posted and that an import applies to every row: what is refused (the row
// stays as typed) and what is only pointed out.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mendrix::bank {

// ---- candidates

// Characters that cannot stand in a folder name on the student machines.
inline constexpr std::string_view kPathCharacters = "\\/:*?\"<>| ";

// Why an admission number is refused on its own, "" when it is accepted: an
// empty number (nobody could log in with it), one holding a control character,
// NUL or a line break, one with a path character, or one whose candidate folder
// name is only dots or ends in one ("." and ".." name the folders above it,
// Windows drops a trailing dot). The number names the candidate's folder.
std::string admissionNumberFormRefusal(std::string_view zkzh);
// The refusal of a number that another row already holds: the client takes the
// first row with a number.
std::string admissionNumberTakenRefusal(std::string_view zkzh);
// Both checks against the numbers the other rows hold.
std::string admissionNumberRefusal(std::string_view zkzh, const std::vector<std::string>& others);

// What the teacher is warned about after storing a candidate: no password, or
// a candidate folder name that other numbers also give (the candidates would
// work in one folder), said once with their count and a few of them.
std::vector<std::string> candidateWarnings(std::string_view zkzh, std::string_view password,
                                           const std::vector<std::string>& others);

// How many warnings of one kind a roster's check lists before it sums up the rest.
inline constexpr std::size_t kWarningsListed = 5;

// The shared-folder warnings of a whole roster: one for each folder name that
// several numbers give, one of them at index firstNew or later, with their
// count and the first few, in the order the folders first occur; past
// kWarningsListed folders one line counts the rest. Linear in the numbers.
std::vector<std::string> sharedFolderWarnings(const std::vector<std::string>& numbers, std::size_t firstNew = 0);

// ---- choice questions

// The stored key for what was typed: one letter A-D in either case, blanks
// around it dropped; nullopt for anything else (the client joins the keys with
// single spaces and splits them again, so a key with a blank shifts every later key).
std::optional<std::string> choiceKey(std::string_view typed);
inline constexpr const char* kChoiceKeyRefusal = "标准答案只能是A、B、C、D中的一个字母！";
// A stem is a long text column, but the bank goes to every machine of the lab
// and the candidate reads the stem in one box: a few hundred characters is a
// long one. (The options are short text columns of 255 characters.)
inline constexpr long kMaxStemCharacters = 5000;
// Why a stem is refused ("" when accepted).
std::string stemRefusal(std::string_view stem);

// Pictures above this size are stored after a warning: the bank goes to every
// machine of the lab with each update.
inline constexpr std::size_t kPictureWarningBytes = 200 * 1024;
inline constexpr const char* kPictureNotImage = "所选文件不是图片，未插入！";
inline constexpr const char* kPictureTruncated = "所选图片文件不完整或已损坏（可能没有复制完），未插入！";
std::string pictureSizeWarning(std::size_t bytes);

// What the picture check read from a file's bytes (the size from its header).
struct PictureCheck {
    // Truncated: the header is sound but the file ends before its last pixel
    // (a copy cut short); a reader would fill the rest with garbage.
    enum class Kind { NotImage, TooLarge, Truncated, Image };
    Kind kind = Kind::NotImage;
    int width = 0, height = 0;  // known for TooLarge, Truncated and Image
};
// Why a picture is not inserted ("" when it is): not a picture, one whose
// pixels are more than the picture reader will allocate, or a truncated one.
std::string pictureRefusal(const PictureCheck& picture);
// A small file can hold a huge picture (a plain 5700×5700 PNG of 95 KB takes
// 130 MB to show): pictures above this size shown, at 4 bytes a pixel, are
// stored after a warning too.
inline constexpr std::uint64_t kPictureWarningDecodedBytes = 16u << 20;
std::string pictureDecodedWarning(const PictureCheck& picture);

// ---- Word questions

// Why a Word document name is refused ("" when accepted): it is a bare file
// name in the word folder, so a separator, drive colon or ".." is refused.
std::string wordFileNameRefusal(std::string_view name);
// The warning when the name is empty or the word folder of the teacher folder
// has no such file ("" when it has).
std::string wordFileMissingWarning(std::string_view name, const std::filesystem::path& teacherFolder);

// ---- the bank as a whole

inline constexpr int kChoiceQuestionsDrawn = 30;
// What keeps the clients from drawing an exam: fewer than 30 choice
// questions, no Windows or no Word question. Empty when the bank is complete.
std::vector<std::string> bankWarnings(int choiceQuestions, int winQuestions, int wordQuestions);

// The text of several warnings or refusals, one per line ("\r" between lines).
std::string joinLines(const std::vector<std::string>& lines);

}  // namespace mendrix::bank
