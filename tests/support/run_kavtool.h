#pragma once
// Runs the built kavtool as an administrator would, capturing what it prints.
#include <filesystem>
#include <string>

namespace kav::test {

struct ToolRun {
    int status = -1;  // exit code; -1 when kavtool did not exit normally
    std::string out, err;
};

std::filesystem::path kavtoolPath();
// args are passed to the shell as written; workingFolder empty means the test's own.
ToolRun runKavtool(const std::string& args, const std::filesystem::path& workingFolder = {});

}  // namespace kav::test
