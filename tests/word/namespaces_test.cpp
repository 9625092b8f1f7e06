// The renaming walk may be left out only where it would change nothing.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/word/namespaces.h"

namespace {

constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

std::string w(const std::string& declarations, const std::string& body) {
    return "<?xml version=\"1.0\"?><w:document " + declarations + "><w:body>" + body + "</w:body></w:document>";
}

std::string serialized(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

struct PrefixCase {
    const char* what;
    std::string xml;
    bool unusual;  // declaresUnusualPrefixes
    bool renames;  // the walk changes the document
};

TEST(UsualPrefixes, WalkIsLeftOutOnlyWhereItChangesNothing) {
    const std::string usual = std::string("xmlns:w=\"") + kW + "\"";
    const PrefixCase cases[] = {
        {"usual prefixes", w(usual, "<w:p><w:r><w:t>x</w:t></w:r></w:p>"), false, false},
        {"spaces around =", w(std::string("xmlns:w = '") + kW + "'", "<w:p/>"), false, false},
        {"text that mentions xmlns", w(usual, "<w:p><w:r><w:t>xmlns and xmlns:q are words</w:t></w:r></w:p>"), false,
         false},
        {"an unknown namespace under its own prefix", w(usual + " xmlns:q=\"urn:q\"", "<w:p q:x=\"1\"/>"), false, false},
        {"word bound to another prefix",
         "<?xml version=\"1.0\"?><ns0:document xmlns:ns0=\"" + std::string(kW) + "\"><ns0:body/></ns0:document>", true,
         true},
        {"word as the default namespace",
         "<?xml version=\"1.0\"?><document xmlns=\"" + std::string(kW) + "\"><body/></document>", true, true},
        {"a usual prefix bound elsewhere", w(usual, "<w:p><v:x xmlns:v=\"urn:other\"/></w:p>"), true, true},
        {"a declaration deep inside", w(usual, "<w:p><x:r xmlns:x=\"" + std::string(kW) + "\"/></w:p>"), true, true},
        {"a reference in the namespace", w("xmlns:w=\"http&#58;//schemas.openxmlformats.org/wordprocessingml/2006/main\"",
                                           "<w:p/>"),
         true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kav::word::declaresUnusualPrefixes(c.xml), c.unusual) << c.what;
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(c.xml.c_str())) << c.what;
        std::string before = serialized(doc);
        kav::word::useUsualPrefixes(doc);
        EXPECT_EQ(serialized(doc) != before, c.renames) << c.what;
    }
}

}  // namespace
