#include "tests/word/word_test_util.h"

#include <gtest/gtest.h>
#include <zip.h>

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

void writeZip(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& entries,
              bool store) {
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (auto& [name, bytes] : entries) {
        zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        zip_int64_t idx = zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE);
        ASSERT_GE(idx, 0);
        if (store) zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

std::string documentXml(const std::string& body) {
    return "<?xml version=\"1.0\"?><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
           "<w:body>" + body + "</w:body></w:document>";
}

}  // namespace kav::word::test
