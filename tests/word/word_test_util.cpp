#include "tests/word/word_test_util.h"

#include <map>

#include "tests/support/temp_dir.h"

namespace kav::word::test {

std::filesystem::path fixture(const std::string& name) {
    return kav::test::sourceDir() / "tests" / "word" / "fixtures" / name;
}

const Document& fixtureDoc(const std::string& name) {
    static std::map<std::string, std::unique_ptr<Document>> docs;
    auto& d = docs[name];
    if (!d) d = Document::load(fixture(name));
    return *d;
}

RuleResult gradeOne(const Document& doc, const std::string& rule) {
    WordGrade g = gradeAnswer(&doc, rule);
    return g.rules.at(0);
}

}  // namespace kav::word::test
