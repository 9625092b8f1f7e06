#include "common/text/gbk.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>

#include "common/core/utf8.h"

namespace kav::text {
namespace {

// One conversion descriptor per call: iconv keeps shift state in it.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw TextError(std::string("无法打开编码转换 ") + from + " → " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; returns the number of input bytes consumed.
    // Stops at the first invalid or unconvertible sequence (errno EILSEQ or EINVAL).
    std::size_t convert(std::string_view in, std::string& out, int& error) {
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        error = 0;
        while (inLeft > 0) {
            char buf[256];
            char* outPtr = buf;
            std::size_t outLeft = sizeof buf;
            std::size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buf, static_cast<std::size_t>(outPtr - buf));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                error = errno;
                break;
            }
        }
        return in.size() - inLeft;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    Converter conv("GBK", "UTF-8");
    std::string out;
    int error = 0;
    std::size_t done = conv.convert(utf8, out, error);
    if (error == 0) return out;

    // Tell a valid character that GBK lacks from broken UTF-8.
    std::size_t end = done;
    if (auto c = nextCodePoint(utf8, end)) {
        char cp[16];
        std::snprintf(cp, sizeof cp, "U+%04X", static_cast<unsigned>(*c));
        throw TextError("字符“" + std::string(utf8.substr(done, end - done)) + "”(" + cp + ")无法用GBK编码表示");
    }
    throw TextError("文本在第" + std::to_string(done + 1) + "字节处不是有效的UTF-8编码");
}

std::string gbkToUtf8(std::string_view gbk, OnInvalid onInvalid) {
    Converter conv("UTF-8", "GBK");
    std::string out;
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        int error = 0;
        pos += conv.convert(gbk.substr(pos), out, error);
        if (error == 0) break;
        if (onInvalid == OnInvalid::Throw) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(gbk[pos])));
            throw TextError("GBK文本在第" + std::to_string(pos + 1) + "字节处有无效的字节" + hex);
        }
        out += "\xEF\xBF\xBD";  // U+FFFD
        ++pos;
    }
    return out;
}

std::size_t gbkCharacterCount(std::string_view gbk) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < gbk.size(); ++count)
        i += isGbkLeadByte(static_cast<unsigned char>(gbk[i])) && i + 1 < gbk.size() ? 2 : 1;
    return count;
}

}  // namespace kav::text
