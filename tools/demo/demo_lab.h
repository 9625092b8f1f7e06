#pragma once
// Builds a complete demo lab in one folder:
//
//   DIR/teacher       the console's program folder: stu.mdb (the master bank and
//                     roster), teacher.mdb, and the folders txt (typing texts),
//                     word (the Word tasks' documents), file (the Windows tasks'
//                     source files)
//   DIR/station1 ...  the program folder of each student machine: tpath.txt (its
//                     first line names DIR/teacher), its own stu.mdb, txt, word, file
//   DIR/c             drive c: of the lab (KAVLOR_DRIVE_C), with kavlor and kavtmp
#include <filesystem>
#include <string>
#include <vector>

#include "common/core/embedded_file.h"

namespace kav::demo {

struct DemoLab {
    std::filesystem::path teacher;
    std::vector<std::filesystem::path> stations;
    std::filesystem::path driveC;
};

// DIR may exist but must be empty. Throws std::runtime_error (or the database
// layer's error) with a message naming what failed.
DemoLab buildDemoLab(const std::filesystem::path& dir, int stations = 2);

// The typing text as model lines (GBK bytes), at most kTypingLineChars
// double-byte characters a line. Throws std::runtime_error when the text holds
// a character that is not double-byte in GBK.
std::vector<std::string> typingModelLines(const std::string& utf8Text);

// The Word documents of the bank, built into the program: file name and bytes.
using kav::EmbeddedFile;
const std::vector<EmbeddedFile>& wordDocuments();

}  // namespace kav::demo
