#include "common/help/help.h"

#include <fstream>
#include <string>
#include <vector>

#include "common/core/embedded_file.h"

namespace mendrix {

const std::vector<kav::EmbeddedFile>& builtInHelp();  // generated from readme.htm beside this file

std::string_view helpFileText() { return builtInHelp().front().bytes(); }

bool writeHelpFileIfMissing(const std::filesystem::path& folder, std::string_view content) {
    const std::filesystem::path file = folder / kHelpFile;
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) return true;
    const std::filesystem::path part = folder / (std::string(kHelpFile) + ".part");
    {
        std::ofstream out(part, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(part, ec);
            return false;
        }
    }
    std::filesystem::rename(part, file, ec);
    if (!ec) return true;
    std::filesystem::remove(part, ec);
    return false;
}

}  // namespace mendrix
