#pragma once
// The office program that opens the candidate's Word document on a station.
// Looked for on PATH in this order: LibreOffice Writer (lowriter, then
// soffice --writer, then libreoffice --writer), then WPS Writer (wps).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kav::platform {

struct Command {
    std::filesystem::path program;   // the executable found
    std::vector<std::string> arguments;
};

// The command that opens `document` in the first office program found in the
// ":"-separated folders of searchPath (empty entries are skipped: the current
// folder is never searched); nullopt when none is installed.
std::optional<Command> officeCommand(const std::filesystem::path& document, std::string_view searchPath);

}  // namespace kav::platform
