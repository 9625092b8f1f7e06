#pragma once
// Command registry of kavtool: every command file registers one entry.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavtool {

// Thrown for bad arguments; main prints the message with the command's usage
// and exits with 2. Any other exception exits with 1 after printing its text.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string>;
struct Command {
    std::string name;   // "init-db", or "typing" for "typing decode|encode"
    std::string usage;  // "init-db FILE"
    std::string summary;
    std::function<int(const Args&)> run;  // the arguments after the name; returns the exit code
};

bool registerCommand(Command c);

}  // namespace kavtool

#define KAVTOOL_CONCAT2(a, b) a##b
#define KAVTOOL_CONCAT(a, b) KAVTOOL_CONCAT2(a, b)
#define KAVTOOL_COMMAND(...) \
    static const bool KAVTOOL_CONCAT(kavtool_registered_, __LINE__) = ::kavtool::registerCommand(__VA_ARGS__)
