// Documents that cannot be read fail with the reader's own text, within
// bounded memory; a large document is read whole.
#include <gtest/gtest.h>

#include <random>

#include "common/word/docx_package.h"
#include "common/word/document.h"
#include "common/word/grading.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::test::TempDir;
using kav::word::test::documentXml;
using kav::word::test::writeZip;

namespace {

std::string readError(const std::filesystem::path& file) {
    try {
        Document::load(file);
    } catch (const DocxError& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(WordBrokenFiles, NotAZipAndMissingFile) {
    TempDir dir;
    kav::test::writeFile(dir / "text.docx", "这不是压缩包");
    EXPECT_NE(readError(dir / "text.docx").find("不是有效的 Word 文档"), std::string::npos);
    EXPECT_NE(readError(dir / "none.docx").find("不存在"), std::string::npos);
    kav::test::writeFile(dir / "empty.docx", "");
    EXPECT_FALSE(readError(dir / "empty.docx").empty());
}

TEST(WordBrokenFiles, TruncatedZips) {
    TempDir dir;
    std::string bytes = kav::test::readFile(kav::word::test::fixture("lo_text.docx"));
    for (std::size_t keep : {bytes.size() - 1, bytes.size() / 2, std::size_t{30}}) {
        kav::test::writeFile(dir / "cut.docx", bytes.substr(0, keep));
        EXPECT_FALSE(readError(dir / "cut.docx").empty()) << keep;
    }
}

TEST(WordBrokenFiles, InvalidXmlNamesThePart) {
    TempDir dir;
    writeZip(dir / "bad.docx", {{"word/document.xml", "<w:document><w:body><w:p></w:body>"}});
    std::string e = readError(dir / "bad.docx");
    EXPECT_NE(e.find("word/document.xml"), std::string::npos) << e;
    EXPECT_NE(e.find("XML"), std::string::npos) << e;
}

TEST(WordBrokenFiles, MissingMainPartAndMissingBody) {
    TempDir dir;
    writeZip(dir / "nopart.docx", {{"word/other.xml", "<x/>"}});
    EXPECT_NE(readError(dir / "nopart.docx").find("缺少部件 word/document.xml"), std::string::npos);
    writeZip(dir / "nobody.docx", {{"word/document.xml", "<w:document/>"}});
    EXPECT_NE(readError(dir / "nobody.docx").find("w:body"), std::string::npos);
}

TEST(WordBrokenFiles, EndlessNestingFailsCleanly) {
    TempDir dir;
    std::string open, close;
    for (int i = 0; i < 100000; ++i) {
        open += "<w:sdt><w:sdtContent>";
        close += "</w:sdtContent></w:sdt>";
    }
    writeZip(dir / "deep.docx", {{"word/document.xml", documentXml(open + "<w:p/>" + close)}});
    EXPECT_NE(readError(dir / "deep.docx").find("嵌套"), std::string::npos);
    // Ordinary nesting (a table in a table in a text box) is read.
    std::string nested = "<w:p><w:r><w:t>x</w:t></w:r></w:p>";
    for (int i = 0; i < 10; ++i) nested = "<w:tbl><w:tr><w:tc>" + nested + "<w:p/></w:tc></w:tr></w:tbl><w:p/>";
    writeZip(dir / "nested.docx", {{"word/document.xml", documentXml(nested)}});
    EXPECT_EQ(readError(dir / "nested.docx"), "");
}

TEST(WordBrokenFiles, ZipBombStopsAtThePartCap) {
    TempDir dir;
    // 80 MiB of one repeated paragraph compress to well under 1 MiB.
    std::string para = "<w:p><w:r><w:t>aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa</w:t></w:r></w:p>";
    std::string body;
    body.reserve(80u << 20);
    while (body.size() < (80u << 20)) body += para;
    writeZip(dir / "bomb.docx", {{"word/document.xml", documentXml(body)}});
    body.clear();
    body.shrink_to_fit();
    EXPECT_LT(std::filesystem::file_size(dir / "bomb.docx"), 2u << 20);
    std::string e = readError(dir / "bomb.docx");
    EXPECT_NE(e.find("超过 64 MB"), std::string::npos) << e;
    // The same mechanism with a small cap: reading stops at the cap.
    DocxPackage small(dir / "bomb.docx", 1 << 20);
    EXPECT_THROW(small.read("word/document.xml"), DocxError);
}

TEST(WordBrokenFiles, TwentyMegabyteDocumentIsReadWhole) {
    TempDir dir;
    std::string body;
    const int paragraphs = 60000;
    for (int i = 1; i <= paragraphs; ++i)
        body += "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>第" + std::to_string(i) +
                "段文字。</w:t></w:r></w:p>";
    std::string media(14u << 20, '\0');
    std::mt19937 rng(7);
    for (auto& c : media) c = static_cast<char>(rng());
    writeZip(dir / "big.docx", {{"word/document.xml", documentXml(body)}, {"word/media/image1.bin", media}}, true);
    EXPECT_GT(std::filesystem::file_size(dir / "big.docx"), 20u << 20);
    auto grade = gradeWordTask(dir / "big.docx", "33 1 last 1*12 1 60000 第60000段文字。*34 1 30000 0*1 1 first 第");
    ASSERT_FALSE(grade.readError) << *grade.readError;
    EXPECT_EQ(grade.total, 4);
}

TEST(WordBrokenFiles, PartsReadBackByteForByteWhateverTheirSize) {
    // Around the sizes where reading grows its buffer: empty, tiny, one chunk
    // and past it, and a part far larger than the first guess of a chunk.
    const std::size_t sizes[] = {0, 1, 65535, 65536, 65537, 300001};
    for (bool store : {false, true}) {
        TempDir dir;
        std::vector<std::pair<std::string, std::string>> entries;
        std::mt19937 rng(static_cast<unsigned>(store));
        for (std::size_t size : sizes) {
            std::string bytes(size, '\0');
            for (auto& c : bytes) c = static_cast<char>('a' + rng() % 26);
            entries.emplace_back("part" + std::to_string(size), std::move(bytes));
        }
        writeZip(dir / "parts.docx", entries, store);
        DocxPackage package(dir / "parts.docx");
        for (const auto& [name, bytes] : entries) EXPECT_EQ(package.read(name), bytes) << name << " store " << store;
    }
}

TEST(WordBrokenFiles, PartsParsedInPlaceKeepTheirText) {
    TempDir dir;
    std::string text(200000, 'x');
    text += "计算机";
    writeZip(dir / "xml.docx", {{"big.xml", "<a><b>" + text + "</b></a>"}, {"bad.xml", "<a><b></a>"}});
    DocxPackage package(dir / "xml.docx");
    auto doc = package.xml("big.xml");
    EXPECT_EQ(std::string(doc->child("a").child_value("b")), text);
    // A part that does not parse still fails with the part's name (and frees its buffer).
    try {
        package.xml("bad.xml");
        ADD_FAILURE() << "broken XML was read";
    } catch (const DocxError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.xml"), std::string::npos) << e.what();
    }
}
