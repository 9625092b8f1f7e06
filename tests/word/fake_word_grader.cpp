// A grading program that misbehaves on purpose, for the tests of grading in a
// process of its own. It speaks the real program's protocol (same arguments,
// same input, same out-of-memory exit) and takes what to do from the answer
// text: "crash", "hang", "spin", "allocate", "garbage", "truncate", "exit 7",
// "flood" (and a document named unread.docx ends it before it reads
// anything); any other answer text is graded as the real program grades it.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "common/word/grader_process.h"

namespace {

std::vector<char*> hoard;  // kept, so that the allocations are not optimised away

kav::word::WordGrade misbehave(const std::filesystem::path& document, const std::string& answerText) {
    if (answerText == "crash") std::raise(SIGSEGV);
    if (answerText == "hang")
        for (;;) ::pause();
    if (answerText == "spin")
        for (;;) asm volatile("");
    if (answerText == "allocate")
        for (;;) hoard.push_back(new char[1 << 20]);
    if (answerText == "garbage") {
        std::fputs("KAVWORDGRADE/1\nnot a grade", stdout);
        std::exit(0);
    }
    if (answerText == "truncate") {
        const std::string whole = kav::word::encodeGrade(kav::word::gradeWordTask(document, "1 5 1 计"));
        std::fwrite(whole.data(), 1, whole.size() - 3, stdout);
        std::exit(0);
    }
    if (answerText == "exit 7") std::exit(7);
    if (answerText == "flood") {
        const std::string block(1 << 16, 'x');
        for (;;) std::fwrite(block.data(), 1, block.size(), stdout);
    }
    return kav::word::gradeWordTask(document, answerText);
}

}  // namespace

int main(int argc, char** argv) {
    // A document named unread.docx: ends at once, leaving its input unread.
    if (argc == 2 && std::filesystem::path(argv[1]).filename() == "unread.docx") return 7;
    return kav::word::runGraderProgram(argc, argv, misbehave);
}
