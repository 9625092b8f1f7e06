#include "tests/support/run_kavtool.h"

#include <cstdlib>
#include <sys/wait.h>

#include "tests/support/temp_dir.h"

namespace kav::test {

std::filesystem::path kavtoolPath() {
    const char* build = std::getenv("KAV_BINARY_DIR");
    return std::filesystem::path(build ? build : ".") / "tools" / "kavtool" / "kavtool";
}

ToolRun runKavtool(const std::string& args, const std::filesystem::path& workingFolder) {
    TempDir capture;
    std::string command = "'" + kavtoolPath().string() + "' " + args + " > '" + (capture / "out").string() +
                          "' 2> '" + (capture / "err").string() + "'";
    if (!workingFolder.empty()) command = "cd '" + workingFolder.string() + "' && " + command;
    const int status = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(capture / "out");
    run.err = readFile(capture / "err");
    return run;
}

}  // namespace kav::test
