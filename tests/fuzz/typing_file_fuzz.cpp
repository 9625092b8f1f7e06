// The typing files: the model text and the typed text, both read back from
// bytes a station controls. What is read can be written again and reads the same.
#include "common/text/typing_file.h"
#include "tests/fuzz/fuzz_support.h"

using kav::text::TypingFileKind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = kav::fuzz::bytesOf(data, size);
    std::uint32_t tick = 0;
    kav::text::KeyDrawer keys([&tick] { return kav::TimeOfDay::fromMilliseconds(tick++); });
    for (TypingFileKind kind : {TypingFileKind::Model, TypingFileKind::Typed}) {
        std::vector<std::string> lines;
        try {
            lines = kav::text::decodeTypingFile(bytes, kind);
        } catch (const kav::text::TextError&) {
            continue;
        }
        kav::text::checkModelLines(lines);
        std::string again;
        try {
            again = kav::text::encodeTypingFile(lines, kind, keys);
        } catch (const kav::text::TextError&) {
            continue;  // a line no key can store (more than 63 distinct bytes)
        }
        KAV_FUZZ_CHECK(kav::text::decodeTypingFile(again, kind) == lines);
    }
    return 0;
}
