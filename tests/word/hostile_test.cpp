// Documents and answer texts built to hurt the reader: each is read or graded
// to a clear result, without a crash, undefined behaviour or a long stall.
#include <gtest/gtest.h>

#include <chrono>

#include "common/word/document.h"
#include "common/word/docx_package.h"
#include "common/word/grading.h"
#include "common/word/ooxml_values.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::test::TempDir;
using kav::word::test::documentXml;
using kav::word::test::fixtureDoc;
using kav::word::test::writeZip;

namespace {

struct RuleCase {
    const char* rule;
    int earned;
};

// Writes the body as a document, reads it and grades each rule alone.
void gradeEach(const std::string& body, const std::vector<RuleCase>& cases, const std::string& what) {
    TempDir dir;
    writeZip(dir / "hostile.docx", {{"word/document.xml", documentXml(body)}});
    std::unique_ptr<Document> doc;
    ASSERT_NO_THROW(doc = Document::load(dir / "hostile.docx")) << what;
    for (auto& c : cases) {
        RuleResult r = kav::word::test::gradeOne(*doc, c.rule);
        EXPECT_EQ(r.earned, c.earned) << what << ": " << c.rule << " read " << r.observed;
    }
}

double secondsToLoad(const std::filesystem::path& file, std::string& error) {
    auto start = std::chrono::steady_clock::now();
    try {
        Document::load(file);
    } catch (const DocxError& e) {
        error = e.what();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string row(const std::string& trPr, const std::string& cells) { return "<w:tr>" + trPr + cells + "</w:tr>"; }
std::string cell(const std::string& tcPr) {
    return "<w:tc><w:tcPr>" + tcPr + "</w:tcPr><w:p><w:r><w:t>x</w:t></w:r></w:p></w:tc>";
}
std::string table(const std::string& rows) {
    return "<w:tbl><w:tblGrid><w:gridCol w:w=\"1000\"/><w:gridCol w:w=\"1000\"/></w:tblGrid>" + rows +
           "</w:tbl><w:p/>";
}

}  // namespace

TEST(WordHostileInput, GridColumnsOutOfRangeStayOnTheGrid) {
    const std::string span = "<w:gridSpan w:val=\"100000001\"/>";
    struct {
        const char* what;
        std::string body;
        int width;  // whether the first cell reads the grid's 50 pt
    } tables[] = {
        {"negative gridBefore", table(row("<w:trPr><w:gridBefore w:val=\"-100000000\"/></w:trPr>", cell(span))), 0},
        {"huge gridBefore", table(row("<w:trPr><w:gridBefore w:val=\"2147483647\"/></w:trPr>", cell(""))), 0},
        {"gridBefore beyond 32 bits", table(row("<w:trPr><w:gridBefore w:val=\"1e300\"/></w:trPr>", cell(""))), 1},
        {"negative gridSpan", table(row("", cell("<w:gridSpan w:val=\"-5\"/>"))), 1},
        {"spans summing past int", table(row("", cell("<w:gridSpan w:val=\"2147483647\"/>") +
                                                     cell("<w:gridSpan w:val=\"2147483647\"/>") +
                                                     cell("<w:gridSpan w:val=\"2147483647\"/>"))), 0},
    };
    for (auto& t : tables)
        gradeEach(t.body, {{"65 1 1 1", 1}, {"67 1 1 1 1 x", 1}, {"76 1 1 1 50", t.width}}, t.what);
}

TEST(WordHostileInput, NumbersBeyondRangeInAttributesReadAsAbsent) {
    pugi::xml_document doc;
    auto e = doc.append_child("e");
    struct {
        const char* value;
        long long read;
    } values[] = {{"1e308", -1}, {"-1e308", -1}, {"inf", -1}, {"-inf", -1}, {"nan", -1}, {"4294967296", -1},
                  {"99999999999999999999", -1}, {"4294967295", 4294967295LL}, {"-4294967295", -4294967295LL},
                  {"708.65", 709}, {"-12.5", -13}, {"abc", -1}, {"9999999999", -1}, {"-9999999999", -1},
                  {"12e2", 1200}, {"12E2", 1200}, {"12x", 12}, {"-0", 0}, {"-", -1}, {"", -1}, {"0042", 42},
                  {"1234567890", 1234567890}, {"12345678901", -1}};
    for (auto& v : values) {
        e.remove_attribute("w:v");
        e.append_attribute("w:v") = v.value;
        EXPECT_EQ(ooxml::intAttr(e, "w:v", -1), v.read) << v.value;
    }
    for (const char* pct : {"pct99999999999", "pct-5", "pct2147483647", "pct12x"})
        EXPECT_EQ(ooxml::textureOf(pct), 0) << pct;
    EXPECT_EQ(ooxml::textureOf("pct25"), 250);
    EXPECT_EQ(ooxml::paperSizeOf(-9223372036854775807LL, 9223372036854775807LL, 0), 41);

    // The same values in a document: each falls back to Word's default.
    std::string body =
        "<w:p><w:r><w:rPr><w:sz w:val=\"1e308\"/></w:rPr><w:t>a</w:t></w:r></w:p>" +
        table(row("<w:trPr><w:trHeight w:val=\"inf\"/></w:trPr>",
                  cell("<w:tcW w:w=\"nan\" w:type=\"dxa\"/><w:shd w:val=\"pct99999999999\" w:fill=\"auto\"/>") +
                      cell("<w:tcW w:w=\"1e308\" w:type=\"dxa\"/>"))) +
        "<w:sectPr><w:pgSz w:w=\"1e300\" w:h=\"-9223372036854775808\"/>"
        "<w:pgMar w:top=\"inf\" w:bottom=\"-inf\" w:left=\"nan\" w:right=\"1e308\" w:gutter=\"99999999999\"/>"
        "<w:cols w:num=\"1e308\" w:space=\"nan\"/></w:sectPr>";
    gradeEach(body,
              {{"10 1 1 10", 1},      // 10 pt when nothing valid is set
               {"69 1 1 1 1 0", 1},   // no such pattern: none
               {"77 1 1 1 0", 1},     // no row height
               {"75 1 1 1 50", 1},    // the grid's widths
               {"57 1 2", 1},         // Letter
               {"58 1 72", 1},  {"59 1 72", 1},  {"60 1 90", 1},  {"61 1 90", 1},  {"62 1 0", 1},
               {"55 1 1", 1},   {"56 1 36", 1}},
              "attributes out of range");
}

TEST(WordHostileInput, ScoresOutsideTheColumnsRangeEarnNothingAndTotalsStop) {
    const Document& doc = fixtureDoc("lo_text.docx");
    const std::string pass = " 1 计";  // a rule of kind 1 that passes, after its score
    struct {
        std::string answer;
        std::vector<int> parts;
        long long total;
    } cases[] = {
        {"1 5" + pass, {5}, 5},
        {"1 -5" + pass + "*1 3" + pass, {3}, 3},  // a negative score no longer subtracts
        {"1 32767" + pass, {32767}, 32767},
        {"1 32768" + pass, {0}, 0},
        {"1 2147483647" + pass + "*1 2147483647" + pass + "*1 2147483647" + pass, {0}, 0},
        {"1 20000" + pass + "*1 20000" + pass, {32767}, 32767},  // a part stops at the column's range
        {"1 20000" + pass + "**1 20000" + pass + "**1 1" + pass, {20000, 20000, 1}, 32767},  // and so does the task
    };
    for (auto& c : cases) {
        WordGrade g = gradeAnswer(&doc, c.answer);
        EXPECT_EQ(g.partScores, c.parts) << c.answer;
        EXPECT_EQ(g.total, c.total) << c.answer;
    }
    WordGrade g = gradeAnswer(&doc, "1 -5" + pass);
    EXPECT_NE(g.rules.at(0).observed.find("不在 0…32767 之内"), std::string::npos) << g.rules.at(0).observed;
}

TEST(WordHostileInput, ManyWordArtAnchorsInOneBlockReadInLinearTime) {
    // 20,000 WordArt anchors in one mc:Choice, whose fallback holds as many VML
    // shapes with the WordArt's path only in the last one.
    const int anchors = 20000;
    std::string choice, fallback;
    for (int i = 0; i < anchors; ++i) {
        choice += "<w:drawing><wp:anchor relativeHeight=\"" + std::to_string(i) +
                  "\"><a:graphic><a:graphicData><wps:wsp><wps:txbx><w:txbxContent><w:p><w:r><w:t>W</w:t></w:r></w:p>"
                  "</w:txbxContent></wps:txbx><wps:bodyPr><a:prstTxWarp prst=\"textPlain\"/></wps:bodyPr></wps:wsp>"
                  "</a:graphicData></a:graphic></wp:anchor></w:drawing>";
        fallback += "<w:pict><v:shape/></w:pict>";
    }
    fallback += "<w:pict><v:shape><v:textpath style=\"font-family:黑体\" string=\"W\"/></v:shape></w:pict>";
    std::string body = "<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">" + choice +
                       "</mc:Choice><mc:Fallback>" + fallback + "</mc:Fallback></mc:AlternateContent></w:r></w:p>";
    std::string xml = documentXml(body);
    // The namespaces the shapes use, declared on the document element.
    xml.replace(xml.find('>', xml.find("<w:document")), 0,
                " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
                " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
                " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
                " xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\""
                " xmlns:v=\"urn:schemas-microsoft-com:vml\"");
    TempDir dir;
    writeZip(dir / "wordart.docx", {{"word/document.xml", xml}});
    auto start = std::chrono::steady_clock::now();
    auto doc = Document::load(dir / "wordart.docx");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    ASSERT_EQ(doc->shapes().size(), static_cast<std::size_t>(anchors));
    EXPECT_EQ(doc->shapes().back().wordArtFont, "黑体");
}

TEST(WordHostileInput, TooManyCharactersFailClearlyAndSoon) {
    TempDir dir;
    auto body = [](std::size_t letters) {
        return "<w:p><w:r><w:t>" + std::string(letters, 'a') + "</w:t></w:r></w:p>";
    };
    // The limit counts the paragraph mark too.
    writeZip(dir / "limit.docx", {{"word/document.xml", documentXml(body(kMaxCharacters - 1))}});
    std::string error;
    secondsToLoad(dir / "limit.docx", error);
    EXPECT_EQ(error, "");
    writeZip(dir / "over.docx", {{"word/document.xml", documentXml(body(kMaxCharacters))}});
    secondsToLoad(dir / "over.docx", error);
    EXPECT_NE(error.find("超过 2000000 个字符"), std::string::npos) << error;
    // 63 million characters compress into some 62 KB and fit the part cap.
    writeZip(dir / "huge.docx", {{"word/document.xml", documentXml(body(63'000'000))}});
    EXPECT_LT(std::filesystem::file_size(dir / "huge.docx"), 200'000u);
    error.clear();
    EXPECT_LT(secondsToLoad(dir / "huge.docx", error), 10.0);
    EXPECT_NE(error.find("超过 2000000 个字符"), std::string::npos) << error;
    // Such a document earns nothing, with the reason.
    auto grade = gradeWordTask(dir / "over.docx", "1 5 1 a");
    EXPECT_EQ(grade.total, 0);
    ASSERT_TRUE(grade.readError);
    EXPECT_NE(grade.rules.at(0).observed.find("字符"), std::string::npos);
}

// Small on disk, huge in memory: a part of dense tiny elements (some 64 bytes
// of parsed node for each 4 bytes of text) is refused by the document's budget
// long before it is parsed whole, with a reason, in every program that reads it.
TEST(WordHostileInput, APartOfDenseTinyElementsIsRefusedAsTooLargeAtOnce) {
    TempDir dir;
    std::string body;
    body.reserve(8'000'000 * 4);
    for (int i = 0; i < 8'000'000; ++i) body += "<a/>";
    writeZip(dir / "dense.docx", {{"word/document.xml", documentXml(body)}});
    std::string error;
    EXPECT_LT(secondsToLoad(dir / "dense.docx", error), 3.0);
    EXPECT_EQ(error.rfind("文档过大，无法读取", 0), 0u) << error;
    const WordGrade grade = gradeWordTask(dir / "dense.docx", "1 5 1 a");
    EXPECT_EQ(grade.total, 0);
    EXPECT_EQ(grade.readError, error);
}

// Prefixes alternating over thousands of bindings in scope: each renamed name
// is found in a map, not by scanning the bindings (which took minutes here).
TEST(WordHostileInput, AlternatingNamespacePrefixesAreRenamedInLinearTime) {
    const std::string wml = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    const int prefixes = 20000, paragraphs = 50000;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=\"" + wml + "\"";
    for (int i = 0; i < prefixes; ++i) xml += " xmlns:p" + std::to_string(i) + "=\"" + wml + "\"";
    xml += "><w:body>";
    for (int j = 0; j < paragraphs; ++j) {
        const std::string p = "p" + std::to_string(j * 7919 % prefixes) + ":";
        xml += "<" + p + "p><" + p + "r><" + p + "t>x</" + p + "t></" + p + "r></" + p + "p>";
    }
    xml += "</w:body></w:document>";
    TempDir dir;
    writeZip(dir / "prefixes.docx", {{"word/document.xml", xml}});
    const auto start = std::chrono::steady_clock::now();
    const auto doc = Document::load(dir / "prefixes.docx");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_EQ(doc->paragraphs().size(), static_cast<std::size_t>(paragraphs));
}

TEST(WordHostileInput, NamespacesAreMatchedByUriNotByPrefix) {
    const std::string wml = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    struct {
        const char* what;
        std::string xml;
        bool readable;
    } docs[] = {
        {"another prefix", "<x:document xmlns:x=\"" + wml + "\"><x:body><x:p><x:r><x:t>甲乙</x:t></x:r></x:p></x:body></x:document>",
         true},
        {"the default namespace",
         "<document xmlns=\"" + wml + "\"><body><p><r><t>甲乙</t></r></p></body></document>",
         true},
        {"w: rebound inside", "<x:document xmlns:x=\"" + wml + "\"><x:body><x:p xmlns:w=\"" + wml +
                                  "\"><w:r><w:t>甲乙</w:t></w:r></x:p></x:body></x:document>",
         true},
        {"w: bound to another namespace",
         "<w:document xmlns:w=\"urn:other\"><w:body><w:p><w:r><w:t>甲乙</w:t></w:r></w:p></w:body></w:document>", false},
    };
    for (auto& d : docs) {
        TempDir dir;
        writeZip(dir / "ns.docx", {{"word/document.xml", d.xml}});
        auto grade = gradeWordTask(dir / "ns.docx", "1 1 2 乙*12 1 1 甲乙");
        EXPECT_EQ(!grade.readError, d.readable) << d.what << ": " << grade.readError.value_or("");
        EXPECT_EQ(grade.total, d.readable ? 2 : 0) << d.what;
    }
    // Attributes of the namespace are renamed with their elements.
    TempDir dir;
    writeZip(dir / "jc.docx",
             {{"word/document.xml", "<x:document xmlns:x=\"" + wml +
                                        "\"><x:body><x:p><x:pPr><x:jc x:val=\"center\"/></x:pPr><x:r><x:t>甲</x:t>"
                                        "</x:r></x:p></x:body></x:document>"}});
    EXPECT_EQ(gradeWordTask(dir / "jc.docx", "33 1 1 1").total, 1);
}

TEST(WordHostileInput, MarkupCompatibilityPrefixesAreMatchedByUri) {
    // The text box is required under the prefix "s" for the shapes' namespace.
    std::string xml =
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
        " xmlns:m2=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
        " xmlns:d=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
        " xmlns:g=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:s=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\"><w:body><w:p><w:r>"
        "<m2:AlternateContent><m2:Choice Requires=\"s\"><w:drawing><d:anchor><g:graphic><g:graphicData><s:wsp>"
        "<s:txbx><w:txbxContent><w:p><w:r><w:t>框</w:t></w:r></w:p></w:txbxContent></s:txbx><s:bodyPr bIns=\"50800\"/>"
        "</s:wsp></g:graphicData></g:graphic></d:anchor></w:drawing></m2:Choice><m2:Fallback/></m2:AlternateContent>"
        "</w:r></w:p></w:body></w:document>";
    TempDir dir;
    writeZip(dir / "mc.docx", {{"word/document.xml", xml}});
    auto grade = gradeWordTask(dir / "mc.docx", "44 1 1 框*46 1 1 4");
    ASSERT_FALSE(grade.readError) << *grade.readError;
    EXPECT_EQ(grade.total, 2);
}
