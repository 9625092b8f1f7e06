// A pack arrives on the teacher's side from a station, which may be hostile:
// the reader either refuses it or gives a pack that writes and reads back the
// same, with only plain relative paths and no more than the bound.
#include "common/pack/work_pack.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kav::pack::WorkPack pack;
    try {
        pack = kav::pack::readPack(kav::fuzz::bytesOf(data, size));
    } catch (const kav::pack::PackError&) {
        return 0;
    }
    std::size_t total = pack.wordAnswerText.size() + pack.wintaskAnswerText.size() + pack.typedText.size() +
                        pack.typingSourceText.size() + pack.wintaskResult.size() + pack.typingResult.size() +
                        pack.wordResult.size();
    for (const auto& f : pack.files) {
        const std::string padded = "/" + f.path + "/";
        KAV_FUZZ_CHECK(f.path.front() != '/' && padded.find("/../") == std::string::npos &&
                       padded.find("//") == std::string::npos);
        total += f.bytes.size();
    }
    KAV_FUZZ_CHECK(total <= kav::pack::kMaxPackedBytes);
    // What was read is a pack this program can write again, and reads back the same.
    const kav::pack::WorkPack again = kav::pack::readPack(kav::pack::writePack(pack));
    KAV_FUZZ_CHECK(again == pack);
    return 0;
}
