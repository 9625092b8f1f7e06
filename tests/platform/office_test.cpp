// The office program the station opens the Word document with: the order the
// programs are looked for in, and what is not taken for one.
#include "common/platform/office.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using kav::test::TempDir;

TEST(OfficeCommand, TheFirstProgramOfTheOrderWinsWhereverItIsOnThePath) {
    TempDir tmp;
    const auto program = [&](const std::string& relative, bool executable = true) {
        kav::test::writeFile(tmp / relative, "#!/bin/sh\n");
        fs::permissions(tmp / relative, executable ? fs::perms::owner_all : fs::perms::owner_read);
    };
    program("a/wps");
    program("a/soffice");
    program("b/lowriter");
    program("c/libreoffice");
    program("c/soffice", false);  // not executable
    fs::create_directories(tmp / "d" / "lowriter");  // a folder, not a program
    const std::string a = (tmp / "a").string(), b = (tmp / "b").string(), c = (tmp / "c").string(),
                      d = (tmp / "d").string();
    const fs::path doc = "/x/word2.docx";
    const struct {
        std::string path;
        std::vector<std::string> command;  // empty: none
    } cases[] = {
        {a + ":" + b, {b + "/lowriter", doc}},
        {a, {a + "/soffice", "--writer", doc}},
        {d + ":" + c, {c + "/libreoffice", "--writer", doc}},  // its soffice cannot run
        {"::" + a + "/../a", {a + "/../a/soffice", "--writer", doc}},
        {d, {}},
        {"", {}},
    };
    for (const auto& t : cases) {
        const auto command = kav::platform::officeCommand(doc, t.path);
        std::vector<std::string> got;
        if (command) {
            got.push_back(command->program.string());
            got.insert(got.end(), command->arguments.begin(), command->arguments.end());
        }
        EXPECT_EQ(got, t.command) << t.path;
    }
}

}  // namespace
