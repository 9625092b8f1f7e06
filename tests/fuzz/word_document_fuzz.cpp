// The Word document reader and the checks over what it read. An input that
// begins like a zip ("PK") is the .docx itself; any other input is the main
// document part, packed alone, so that mutations reach the XML readers
// instead of breaking the deflate streams.
#include <string>

#include "common/answer/rule_kinds.h"
#include "common/word/grading.h"
#include "tests/fuzz/docx_writer.h"
#include "tests/fuzz/grade_checks.h"

namespace {

// One rule of every kind at the first objects, and one at the last, so that
// each check reads the document.
std::string everyKindOfRule() {
    using kav::answer::Position;
    using kav::answer::ValueType;
    std::string text;
    for (const char* where : {"1", "last"}) {
        for (const auto& kind : kav::answer::allRuleKinds()) {
            std::string rule = std::to_string(kind.number) + " 1";
            for (Position p : kind.positions) {
                if (p == Position::Side) rule += " -3";
                else if (p == Position::HeaderFooter || p == Position::Find) rule += " 1";
                else rule += std::string(" ") + where;
            }
            if (kind.value == ValueType::Content) rule += " 计算机";
            else if (kind.value == ValueType::FontName) rule += " 宋体";
            else if (kind.value != ValueType::None) rule += " 1";
            text += (text.empty() ? "" : "*") + rule;
        }
        text += "**";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string answerText = everyKindOfRule();
    static kav::fuzz::ScratchFile file("word.docx");
    const std::string_view bytes = kav::fuzz::bytesOf(data, size);
    if (bytes.starts_with("PK")) file.write(bytes);
    else kav::fuzz::writeDocx(file.path(), bytes);
    const kav::word::WordGrade grade = kav::word::gradeWordTask(file.path(), answerText);
    kav::fuzz::checkGrade(grade, answerText);
    return 0;
}
