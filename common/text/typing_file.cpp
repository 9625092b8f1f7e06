#include "common/text/typing_file.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include "common/platform/messages.h"

namespace kav::text {
namespace {

int scrambleMode(TypingFileKind kind) { return kind == TypingFileKind::Model ? 0 : 2; }
int unscrambleMode(TypingFileKind kind) { return kind == TypingFileKind::Model ? 1 : 3; }

// The round trip of a scrambled line through one line of a text file.
bool passesAcceptance(std::string_view clearLine, const std::string& scrambled, TypingFileKind kind) {
    for (unsigned char b : scrambled)
        if (isForbiddenLineByte(b)) return false;
    return unscramble(scrambled, unscrambleMode(kind)) == clearLine;
}

std::string systemReason() { return platform::reasonText(std::error_code(errno, std::generic_category())); }

}  // namespace

bool isForbiddenLineByte(unsigned char b) { return b == 0x00 || b == 0x0A || b == 0x0D || b == 0x1A; }

std::string scrambleForFile(std::string_view clearLine, TypingFileKind kind, KeyDrawer& keys) {
    const int mode = scrambleMode(kind);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string scrambled = scrambleWithKey(clearLine, mode, keys.draw());
        if (passesAcceptance(clearLine, scrambled, kind)) return scrambled;
    }
    for (int key = 0; key <= 254; ++key) {
        std::string scrambled = scrambleWithKey(clearLine, mode, static_cast<std::uint8_t>(key));
        if (passesAcceptance(clearLine, scrambled, kind)) return scrambled;
    }
    throw TextError("该行文字无法加密保存：任何密钥都会产生文本文件不能保存的字节");
}

std::string encodeTypingFile(const std::vector<std::string>& clearLines, TypingFileKind kind, KeyDrawer& keys) {
    std::string out;
    for (std::size_t i = 0; i < clearLines.size(); ++i) {
        try {
            out += scrambleForFile(clearLines[i], kind, keys);
        } catch (const TextError& e) {
            throw TextError("第" + std::to_string(i + 1) + "行：" + e.what());
        }
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> decodeTypingFile(std::string_view bytes, TypingFileKind kind) {
    if (auto eof = bytes.find('\x1A'); eof != std::string_view::npos) bytes = bytes.substr(0, eof);
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes = lf == std::string_view::npos ? std::string_view() : bytes.substr(lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty())
            throw TextError("第" + std::to_string(lines.size() + 1) + "行是空行，没有密钥字节，文件已损坏");
        lines.push_back(unscramble(line, unscrambleMode(kind)));
    }
    return lines;
}

std::vector<std::string> readTypingFile(const std::filesystem::path& file, TypingFileKind kind) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) throw TextError("无法打开文件 " + file.string() + "：这是一个文件夹");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw TextError("无法打开文件 " + file.string() + "：" + systemReason());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw TextError("无法读取文件 " + file.string() + "：" + systemReason());
    try {
        return decodeTypingFile(bytes.str(), kind);
    } catch (const TextError& e) {
        throw TextError("文件 " + file.string() + " " + e.what());
    }
}

void writeTypingFile(const std::filesystem::path& file, const std::vector<std::string>& clearLines,
                     TypingFileKind kind, KeyDrawer& keys) {
    const std::string bytes = encodeTypingFile(clearLines, kind, keys);
    std::filesystem::path temp = file;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw TextError("无法创建文件 " + file.string() + "：" + systemReason());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::string reason = systemReason();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw TextError("无法写入文件 " + file.string() + "：" + reason);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw TextError("无法写入文件 " + file.string() + "：" + ec.message());
    }
}

std::vector<std::string> checkModelLines(const std::vector<std::string>& gbkLines) {
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < gbkLines.size(); ++i)
        if (gbkLines[i].size() > kModelLineBytes) {
            messages.push_back("请注意：第" + std::to_string(i + 1) + "行有超过28个汉字的文字行！！！");
            break;
        }
    for (std::size_t i = 0; i < gbkLines.size(); ++i)
        if (gbkLines[i].size() != 2 * gbkCharacterCount(gbkLines[i])) {
            messages.push_back("请注意：第" + std::to_string(i + 1) + "行包含半角的字符！！！");
            break;
        }
    return messages;
}

}  // namespace kav::text
