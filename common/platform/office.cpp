#include "common/platform/office.h"

#include <unistd.h>

#include <array>

namespace fs = std::filesystem;

namespace kav::platform {

namespace {

struct Candidate {
    const char* name;
    const char* option;  // before the document, or nullptr
};

constexpr std::array<Candidate, 4> kOfficePrograms{{
    {"lowriter", nullptr},
    {"soffice", "--writer"},
    {"libreoffice", "--writer"},
    {"wps", nullptr},
}};

std::optional<fs::path> findOnPath(const char* name, std::string_view searchPath) {
    while (!searchPath.empty()) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view folder = searchPath.substr(0, colon);
        searchPath = colon == std::string_view::npos ? std::string_view() : searchPath.substr(colon + 1);
        if (folder.empty()) continue;
        const fs::path program = fs::path(folder) / name;
        std::error_code ec;
        if (fs::is_regular_file(program, ec) && ::access(program.c_str(), X_OK) == 0) return program;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Command> officeCommand(const fs::path& document, std::string_view searchPath) {
    for (const Candidate& c : kOfficePrograms) {
        if (auto program = findOnPath(c.name, searchPath)) {
            Command command{*program, {}};
            if (c.option) command.arguments.push_back(c.option);
            command.arguments.push_back(document.string());
            return command;
        }
    }
    return std::nullopt;
}

}  // namespace kav::platform
