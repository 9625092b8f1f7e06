// The Word answer text: taken apart into parts, rules and fields, and graded
// against a small fixed document (paragraphs, a table, a section).
#include <string>

#include "common/answer/answer_text.h"
#include "common/word/document.h"
#include "common/word/grading.h"
#include "tests/fuzz/docx_writer.h"
#include "tests/fuzz/grade_checks.h"

namespace {

const kav::word::Document& smallDocument() {
    static const std::unique_ptr<kav::word::Document> doc = [] {
        kav::fuzz::ScratchFile file("answer.docx");
        kav::fuzz::writeDocx(
            file.path(),
            "<?xml version=\"1.0\"?><w:document "
            "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
            "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr><w:r><w:rPr><w:b/><w:sz w:val=\"32\"/></w:rPr>"
            "<w:t>计算机的发展</w:t></w:r></w:p>"
            "<w:p><w:pPr><w:ind w:firstLine=\"480\"/></w:pPr><w:r><w:t>电脑是一种机器。它很快。</w:t></w:r></w:p>"
            "<w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
            "<w:tr><w:tc><w:p><w:r><w:t>年代</w:t></w:r></w:p></w:tc><w:tc><w:p/></w:tc></w:tr>"
            "<w:tr><w:tc><w:tcPr><w:gridSpan w:val=\"2\"/></w:tcPr><w:p/></w:tc></w:tr></w:tbl>"
            "<w:p/><w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>");
        return kav::word::Document::load(file.path());
    }();
    return *doc;
}

// Taking the text apart loses nothing: the rules joined by "*" and the parts
// by "**" give it back, and each rule's fields joined by spaces give the rule.
void checkParts(std::string_view text) {
    const auto parts = kav::answer::parseAnswerText(text);
    std::string joined;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) joined += "**";
        for (std::size_t r = 0; r < parts[p].rules.size(); ++r) {
            const auto& rule = parts[p].rules[r];
            if (r > 0) joined += "*";
            joined += rule.text;
            std::string fields;
            for (std::size_t f = 0; f < rule.fields.size(); ++f) fields += (f ? " " : "") + rule.fields[f];
            KAV_FUZZ_CHECK(fields == rule.text);
        }
    }
    // Only the stars that end the text leave no trailing empty part or rule.
    KAV_FUZZ_CHECK(text.starts_with(joined));
    KAV_FUZZ_CHECK(text.substr(joined.size()).find_first_not_of('*') == std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = kav::fuzz::bytesOf(data, size);
    checkParts(text);
    for (const auto& field : kav::answer::splitFields(text))
        if (auto n = kav::answer::parseWholeNumber(field)) KAV_FUZZ_CHECK(*n >= INT32_MIN && *n <= INT32_MAX);
    const std::string answerText(text);
    kav::fuzz::checkGrade(kav::word::gradeAnswer(&smallDocument(), answerText), answerText);
    return 0;
}
