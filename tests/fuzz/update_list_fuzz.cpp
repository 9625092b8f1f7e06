// The update list of the teacher tables: every client copies each sound name
// from the teacher share into its own program folder, so a sound name must
// name a file inside that folder, below it.
#include "common/platform/platform.h"
#include "common/station/station.h"
#include "common/station/update_list.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view list = kav::fuzz::bytesOf(data, size);
    const std::filesystem::path folder = "/opt/kavlor/program";
    const auto names = kav::station::splitUpdateList(list);
    const auto bad = kav::station::checkUpdateList(list);
    std::size_t next = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto fault = kav::station::checkUpdateName(names[i]);
        if (fault != kav::station::UpdateNameFault::None) {
            // Every bad name is listed once, in order, with its position.
            KAV_FUZZ_CHECK(next < bad.size() && bad[next].position == static_cast<int>(i + 1) &&
                           bad[next].fault == fault && bad[next].name == names[i]);
            KAV_FUZZ_CHECK(!kav::station::reasonText(fault).empty());
            ++next;
            continue;
        }
        const auto target = kav::platform::joinRelative(folder, names[i]).lexically_normal();
        const auto inside = target.lexically_relative(folder);
        KAV_FUZZ_CHECK(!inside.empty() && *inside.begin() != ".." && inside != ".");
        KAV_FUZZ_CHECK(!target.filename().empty() && target.filename() != ".");  // a file, not a folder
    }
    KAV_FUZZ_CHECK(next == bad.size());
    return 0;
}
