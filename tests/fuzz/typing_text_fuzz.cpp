// The typing-file generator's input: the text a teacher pastes (UTF-8 lines).
// Lines GBK can hold that pass the model checks are written as a model typing
// file that reads back to the same lines.
#include "common/text/gbk.h"
#include "common/text/typing_file.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = kav::fuzz::bytesOf(data, size);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        try {
            lines.push_back(kav::text::utf8ToGbk(line));
        } catch (const kav::text::TextError&) {
            return 0;  // the generator names the character and stops
        }
        at = end + 1;
    }
    if (!kav::text::checkModelLines(lines).empty()) return 0;
    std::uint32_t tick = 0;
    kav::text::KeyDrawer keys([&tick] { return kav::TimeOfDay::fromMilliseconds(tick++); });
    std::string file;
    try {
        file = kav::text::encodeTypingFile(lines, kav::text::TypingFileKind::Model, keys);
    } catch (const kav::text::TextError&) {
        return 0;  // a line no key can store
    }
    KAV_FUZZ_CHECK(kav::text::decodeTypingFile(file, kav::text::TypingFileKind::Model) == lines);
    return 0;
}
