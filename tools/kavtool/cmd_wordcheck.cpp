// kavtool word-check DOCUMENT ANSWERFILE: grades a .docx against an answer
// text exactly as the exam client does and prints what every rule read.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/word/checks.h"
#include "common/word/grading.h"
#include "tools/kavtool/command.h"

namespace {

int wordCheck(const kavtool::Args& args) {
    if (args.size() != 2) throw kavtool::UsageError("expected DOCUMENT and ANSWERFILE");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(args[0], ec)) {
        std::fprintf(stderr, "kavtool word-check: document not found: %s\n", args[0].c_str());
        return 1;
    }
    std::ifstream in(args[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kavtool word-check: cannot read answer file: %s\n", args[1].c_str());
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string answer = buffer.str();
    // A file saved by an editor may end with a line break that is not part of the rules.
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (answer.size() >= 3 && answer.compare(0, 3, "\xEF\xBB\xBF") == 0) answer.erase(0, 3);

    kav::word::WordGrade grade = kav::word::gradeWordTask(args[0], answer);
    if (grade.readError) std::fprintf(stderr, "kavtool word-check: %s\n", grade.readError->c_str());
    for (auto& r : grade.rules)
        std::printf("%s\t%d\t%d\t%s\t%d\t%s\n", r.ruleText.c_str(), r.part, r.index, r.kind.c_str(), r.earned,
                    r.observed.c_str());
    for (std::size_t i = 0; i < grade.partScores.size(); ++i) std::printf("part\t%zu\t%d\n", i + 1, grade.partScores[i]);
    std::printf("total\t%lld\n", grade.total);
    return grade.readError ? 1 : 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"word-check", "word-check DOCUMENT ANSWERFILE",
                                 "grade a .docx against a Word answer text, one line per rule", wordCheck});
