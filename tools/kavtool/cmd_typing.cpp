// kavtool typing decode|encode: reads and writes the scrambled typing files.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/core/datetime.h"
#include "common/text/typing_file.h"
#include "tools/kavtool/command.h"

namespace {
using namespace kav::text;

// Lines of a UTF-8 text file: LF or CR LF ends a line; an empty last line after
// the final line break is not a line (as the generator's input box counts); a
// byte-order mark at the start is dropped.
std::vector<std::string> readUtf8Lines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("无法打开文件 " + file);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (lines.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int decode(const kavtool::Args& args) {
    bool typed = false;
    std::string file;
    for (auto& a : args) {
        if (a == "--typed") typed = true;
        else if (file.empty()) file = a;
        else throw kavtool::UsageError("too many arguments");
    }
    if (file.empty()) throw kavtool::UsageError("FILE missing");
    for (auto& line : readTypingFile(file, typed ? TypingFileKind::Typed : TypingFileKind::Model))
        std::cout << gbkToUtf8(line, OnInvalid::Replace) << '\n';
    return 0;
}

int encode(const kavtool::Args& args) {
    if (args.size() != 2) throw kavtool::UsageError("IN and OUT expected");
    std::vector<std::string> gbkLines;
    for (auto& line : readUtf8Lines(args[0])) {
        try {
            gbkLines.push_back(utf8ToGbk(line));
        } catch (const TextError& e) {
            std::fprintf(stderr, "kavtool typing: 第%zu行：%s\n", gbkLines.size() + 1, e.what());
            return 1;
        }
    }
    auto faults = checkModelLines(gbkLines);
    for (auto& message : faults) std::fprintf(stderr, "kavtool typing: %s\n", message.c_str());
    if (!faults.empty()) return 1;
    KeyDrawer keys(kav::utcTimeOfDay);
    writeTypingFile(args[1], gbkLines, TypingFileKind::Model, keys);
    return 0;
}

int run(const kavtool::Args& args) {
    if (args.empty()) throw kavtool::UsageError("decode or encode expected");
    kavtool::Args rest(args.begin() + 1, args.end());
    if (args[0] == "decode") return decode(rest);
    if (args[0] == "encode") return encode(rest);
    throw kavtool::UsageError("unknown subcommand \"" + args[0] + "\"");
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"typing", "typing decode [--typed] FILE | typing encode IN OUT",
                                 "print a typing (or typed-text) file as UTF-8 / write a typing file", run});
