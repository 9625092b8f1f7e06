#pragma once
// The two scrambled text files of the typing task:
//   - the typing text file (model text, txt\txt<n>.txt): lines scrambled in mode 0;
//   - the typed-text file (c:\kavtmp\<candidate folder>): lines scrambled in mode 2.
// Both: one scrambled line per text line, every line ended by CR LF.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/text/cryptstr.h"
#include "common/text/gbk.h"

namespace kav::text {

enum class TypingFileKind {
    Model,  // scrambled in mode 0, read back in mode 1
    Typed,  // scrambled in mode 2, read back in mode 3
};

// Bytes that a scrambled line may not contain: it could not be stored as one
// line of a text file and read back unchanged.
bool isForbiddenLineByte(unsigned char b);  // NUL, LF, CR, 0x1A

// Scrambles one clear line so that it passes the acceptance test: no forbidden
// byte, and unscrambling gives the clear line back. A rejected key is replaced
// by the drawer's next key; after 1000 rejected draws the first acceptable key
// in the order 0-254 is taken, so the loop always ends. Throws TextError when
// no key at all can store the line (possible only for a long line holding more
// than 63 distinct byte values).
std::string scrambleForFile(std::string_view clearLine, TypingFileKind kind, KeyDrawer& keys);

// The file's bytes for these clear lines (each scrambled, then CR LF).
std::string encodeTypingFile(const std::vector<std::string>& clearLines, TypingFileKind kind, KeyDrawer& keys);
// The clear lines of a file's bytes: lines end at LF, a CR just before the LF
// is dropped, a byte 0x1A ends the file, a last line without LF still counts.
// Throws TextError naming the line for an empty line (it has no key byte and
// cannot come from the writer).
std::vector<std::string> decodeTypingFile(std::string_view bytes, TypingFileKind kind);

// Reads / writes a file; TextError with the system's reason when it cannot.
// Writing goes to a temporary file in the same folder that then replaces the
// target, so a crash while writing leaves the previous file whole.
std::vector<std::string> readTypingFile(const std::filesystem::path& file, TypingFileKind kind);
void writeTypingFile(const std::filesystem::path& file, const std::vector<std::string>& clearLines,
                     TypingFileKind kind, KeyDrawer& keys);

// The rules of a model line: at most 56 bytes (28 double-byte characters) and
// double-byte characters only. checkModelLines goes through GBK lines as the
// generator does and returns its messages, at most two, the length message
// (for the first line too long) before the half-width message (for the first
// line holding a half-width character); empty when the text passes.
constexpr std::size_t kModelLineBytes = 56;
std::vector<std::string> checkModelLines(const std::vector<std::string>& gbkLines);

}  // namespace kav::text
