#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>

#include "common/db/error_text.h"
#include "tools/kavtool/command.h"

namespace kavtool {
namespace {
std::map<std::string, Command>& registry() {
    static std::map<std::string, Command> r;
    return r;
}

void printUsage(FILE* to) {
    std::fprintf(to, "usage: kavtool COMMAND ARGS...\n\n");
    for (auto& [name, c] : registry()) std::fprintf(to, "  kavtool %-58s %s\n", c.usage.c_str(), c.summary.c_str());
}
}  // namespace

bool registerCommand(Command c) {
    std::string name = c.name;
    registry().emplace(std::move(name), std::move(c));
    return true;
}

}  // namespace kavtool

int main(int argc, char** argv) {
    using namespace kavtool;
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "help") {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::string(argv[1]) == "--version") {
        std::printf("kavtool %s\n", KAVTOOL_VERSION);
        return 0;
    }
    auto it = registry().find(argv[1]);
    if (it == registry().end()) {
        std::fprintf(stderr, "kavtool: unknown command \"%s\"\n", argv[1]);
        printUsage(stderr);
        return 2;
    }
    Args args(argv + 2, argv + argc);
    try {
        return it->second.run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "kavtool %s: %s\nusage: kavtool %s\n", argv[1], e.what(), it->second.usage.c_str());
        return 2;
    } catch (const kav::db::DbError& e) {
        // The engine's refusal in Chinese, its own text as the detail.
        std::string text = kav::db::databaseErrorText("命令没有完成。", e);
        std::replace(text.begin(), text.end(), '\r', '\n');
        std::fprintf(stderr, "kavtool %s: %s\n", argv[1], text.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavtool %s: %s\n", argv[1], e.what());
        return 1;
    }
}
