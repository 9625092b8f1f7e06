// The document model's numbering and reads, checked on the fixtures directly.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "common/core/utf8.h"
#include "common/word/styles.h"
#include "tests/support/temp_dir.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::word::test::fixtureDoc;

namespace {
std::string paragraphText(const Document& d, int n) {
    const Paragraph& p = d.paragraphs().at(static_cast<std::size_t>(n - 1));
    return d.text(p.first, p.last + 1);
}
std::string charText(const Document& d, int n) { return d.text(n - 1, n); }
}  // namespace

TEST(WordModel, CharactersAndParagraphsAroundTables) {
    const Document& d = fixtureDoc("tables.docx");
    // AB¶ | C¤ D¤ row | E¶ F¤ ¤ row | G. H¶ | 宽¤ row | 合¤ 右¤ row | ¤ 下¤ row | End¶
    ASSERT_EQ(d.paragraphs().size(), 18u);
    EXPECT_EQ(paragraphText(d, 1), "AB\r");
    EXPECT_EQ(paragraphText(d, 2), "C\r\a");
    EXPECT_EQ(paragraphText(d, 4), "\r\a");  // the row-end mark is a paragraph
    EXPECT_TRUE(d.paragraphs()[3].rowEnd);
    EXPECT_EQ(paragraphText(d, 5), "E\r");  // not the cell's last paragraph: a plain mark
    EXPECT_EQ(paragraphText(d, 6), "F\r\a");
    EXPECT_EQ(paragraphText(d, 7), "\r\a");  // an empty cell
    EXPECT_EQ(paragraphText(d, 9), "G. H\r");
    EXPECT_EQ(paragraphText(d, 18), "End\r");
    EXPECT_EQ(charText(d, 3), "\r");
    EXPECT_EQ(charText(d, 4), "C");
    EXPECT_EQ(charText(d, 5), "\r\a");
    EXPECT_EQ(charText(d, 8), "\r\a");
    EXPECT_EQ(charText(d, 15), "G");
    EXPECT_EQ(d.characters().size(), 35u);
    ASSERT_EQ(d.tables().size(), 2u);
    EXPECT_TRUE(d.tables()[1].rows[2].cells[0].mergedAway);
}

TEST(WordModel, SentencesInWordsNumbering) {
    const Document& d = fixtureDoc("lo_text.docx");
    auto sentence = [&](int n) {
        auto [a, b] = d.sentences().at(static_cast<std::size_t>(n - 1));
        return d.text(a, b);
    };
    EXPECT_EQ(sentence(1), "计算机等级考试。\r");
    EXPECT_EQ(sentence(2), "Hello World. ");
    EXPECT_EQ(sentence(3), "Second sentence! ");
    EXPECT_EQ(sentence(4), "第三句？\f\r");
    EXPECT_EQ(sentence(5), "分页段落\r");
    // "G. H": a period followed by a space ends a sentence; in a number it does not.
    const Document& t = fixtureDoc("tables.docx");
    std::vector<std::string> texts;
    for (auto [a, b] : t.sentences()) texts.push_back(t.text(a, b));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "G. "), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "H\r"), texts.end());
}

TEST(WordModel, EmptyParagraphsJoinTheSentenceBefore) {
    const Document& d = fixtureDoc("lo_text.docx");
    // Every character belongs to exactly one sentence, in order.
    int expected = 0;
    for (auto [a, b] : d.sentences()) {
        EXPECT_EQ(a, expected);
        EXPECT_LT(a, b);
        expected = b;
    }
    EXPECT_EQ(expected, static_cast<int>(d.characters().size()));
}

TEST(WordModel, StyleInheritanceAndToggles) {
    const Document& d = fixtureDoc("styles.docx");
    auto fmt = [&](int para) -> const CharFormat& {
        return d.runs()[d.characters()[static_cast<std::size_t>(d.paragraphs()[para - 1].first)].run];
    };
    EXPECT_FALSE(fmt(1).bold);
    EXPECT_EQ(fmt(1).halfPoints, 21);     // document defaults
    EXPECT_EQ(fmt(1).color, 0xFF0000);    // Normal's blue, as WdColor
    EXPECT_TRUE(fmt(2).bold);             // from the paragraph style
    EXPECT_EQ(fmt(2).halfPoints, 28);
    EXPECT_TRUE(fmt(3).bold && fmt(3).italic);  // through basedOn
    EXPECT_FALSE(fmt(4).bold);            // the derived style turns it off
    EXPECT_FALSE(fmt(5).bold);            // bold style XOR bold character style
    EXPECT_TRUE(fmt(6).bold);             // direct formatting is absolute
    EXPECT_DOUBLE_EQ(d.paragraphs()[1].format.leftIndent, 28.35);
    EXPECT_EQ(d.paragraphs()[2].format.alignment, 1);
    EXPECT_EQ(d.paragraphs()[0].format.alignment, 3);  // document default "both"
}

TEST(WordModel, ThemeAndEastAsianFonts) {
    const Document& d = fixtureDoc("styles.docx");
    int p1 = d.paragraphs()[0].first;
    EXPECT_EQ(d.fontName(p1), "Calibri");      // minorHAnsi of the theme
    EXPECT_EQ(d.fontName(p1 + 5), "宋体");      // minorEastAsia: the theme's Hans font
    int p7 = d.paragraphs()[6].first;
    EXPECT_EQ(d.fontName(p7), "Arial");
    EXPECT_EQ(d.fontName(p7 + 1), "仿宋");
    EXPECT_EQ(d.runs()[d.characters()[static_cast<std::size_t>(d.paragraphs()[6].last)].run].halfPoints, 44);
    const Document& lo = fixtureDoc("lo_text.docx");
    EXPECT_EQ(lo.fontName(0), "黑体");
    EXPECT_TRUE(lo.writtenByLibreOffice());
    EXPECT_FALSE(d.writtenByLibreOffice());
}

TEST(WordModel, ShapesInWordsOrderAndAlternateContentReadOnce) {
    const Document& d = fixtureDoc("shapes.docx");
    ASSERT_EQ(d.shapes().size(), 5u);
    EXPECT_EQ(d.shapes()[0].frameText, "背后\r");  // behind the text: first
    EXPECT_EQ(d.shapes()[1].frameText, "竖排\r两段\r");
    EXPECT_EQ(d.shapes()[2].frameText, "甲框\r");
    EXPECT_TRUE(d.shapes()[3].isWordArt);
    EXPECT_EQ(d.shapes()[3].wordArtText, "ArtDML");
    EXPECT_EQ(d.shapes()[4].wordArtText, "艺术字VML");
    // Anchors take no character; an inline picture takes one.
    EXPECT_EQ(d.text(0, static_cast<int>(d.characters().size())), "一\r二\r三\r\x01四\r");
}

TEST(WordModel, SectionsHeadersAndFields) {
    const Document& d = fixtureDoc("page.docx");
    ASSERT_EQ(d.sections().size(), 2u);
    EXPECT_EQ(d.sections()[0].pageBorders[0].artStyle, 1);
    EXPECT_EQ(d.headerText(1), "主页眉\r");
    EXPECT_EQ(d.headerText(2), "首页\r眉\r");
    EXPECT_EQ(d.headerText(3), "\r");
    EXPECT_EQ(d.footerText(1), "1\r");
    EXPECT_EQ(d.paragraphs()[4].last, d.paragraphs()[4].first + 4);
    EXPECT_EQ(d.text(d.paragraphs()[4].last, d.paragraphs()[4].last + 1), "\f");  // section break
    const Document& f = fixtureDoc("fields.docx");
    EXPECT_EQ(f.text(0, 14), "前\x13 DATE \x14" "2026\x15");
    EXPECT_EQ(f.searchText().substr(0, std::string("前2026后").size()), "前2026后");
}

TEST(WordModel, TextBytesAndSymbolsBecomeCodePoints) {
    // Valid characters of every length, and byte sequences that are not
    // characters (overlong, a surrogate, a lone continuation, cut short),
    // each broken byte standing as U+FFFD.
    const std::string text = "a\xe8\xae\xa1\xc3\xa9\xf0\x9f\x98\x80\xe0\x80\x80\xe0\xa0\x80\xed\xa0\x80"
                             "\xed\x9f\xbf\xef\xbf\xbd\x80z\xe4\xb8";
    std::vector<char32_t> expected;
    for (std::size_t at = 0; at < text.size();) {
        auto c = kav::nextCodePoint(text, at);
        if (!c) ++at;
        expected.push_back(c.value_or(U'\uFFFD'));
    }
    ASSERT_EQ(expected.size(), 17u);  // a 计 é 😀, 3 + 1 + 3 broken, U+D7FF U+FFFD, 1 broken, z, 2 broken
    kav::test::TempDir dir;
    test::writeZip(dir / "bytes.docx",
                   {{"word/document.xml",
                     test::documentXml("<w:p><w:r><w:t>" + text + "</w:t><w:sym w:font=\"Wingdings\" w:char=\"F04A\"/>"
                                       "<w:sym w:char=\"110000\"/></w:r></w:p>")}});
    auto doc = Document::load(dir / "bytes.docx");
    expected.push_back(U'\uF04A');
    expected.push_back(U'\uFFFD');  // past the last code point
    std::vector<char32_t> read;
    for (const Character& c : doc->characters())
        if (!c.isMark()) read.push_back(c.code);
    EXPECT_EQ(read, expected);
}

// Find searches the main text with field codes left out; the walk writes that
// text as it reads, and it must be what Range.Text of the whole story shows.
TEST(WordModel, SearchTextLeavesFieldCodesOut) {
    struct Case {
        const char* name;
        std::string body;
        std::string searchText;
    };
    const std::string begin = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>";
    const std::string separate = "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
    const std::string end = "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    auto t = [](const std::string& text) { return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>"; };
    auto code = [](const std::string& text) { return "<w:r><w:instrText>" + text + "</w:instrText></w:r>"; };
    const Case cases[] = {
        {"a field's code hidden, its result shown", "<w:p>" + t("前") + begin + code(" DATE ") + separate + t("2026") +
                                                        end + t("后") + "</w:p>",
         "前2026后\r"},
        {"a code spanning paragraphs",
         "<w:p>" + t("甲") + begin + code("A") + "</w:p><w:p>" + code("B") + separate + t("乙") + end + "</w:p>",
         "甲乙\r"},
        {"nested fields", "<w:p>" + begin + code("IF ") + begin + code("PAGE") + separate + t("1") + end + code(" x") +
                              separate + t("是") + end + "</w:p>",
         "是\r"},
        {"a field without a result", "<w:p>" + t("a") + begin + code("XE \"b\"") + end + t("c") + "</w:p>", "ac\r"},
        {"field characters written as text", "<w:p>" + t("x&#19;code&#20;result&#21;y") + "</w:p>", "xresulty\r"},
        {"broken bytes inside a field's result",
         "<w:p>" + begin + code("Q") + separate + t("r\xff" "s") + end + t("\xe4\xb8") + "</w:p>",
         "r\xef\xbf\xbds\xef\xbf\xbd\xef\xbf\xbd\r"},
        {"marks, tabs and breaks",
         "<w:p><w:r><w:t>a</w:t><w:tab/><w:br w:type=\"page\"/><w:sym w:char=\"F04A\"/></w:r></w:p>"
         "<w:tbl><w:tr><w:tc><w:p>" + t("c") + "</w:p></w:tc></w:tr></w:tbl>"
         "<w:p><w:pPr><w:sectPr/></w:pPr>" + t("d") + "</w:p><w:p/>",
         "a\t\f\xef\x81\x8a\r" "c\r\a\r\a" "d\f\r"},
    };
    kav::test::TempDir dir;
    for (const auto& c : cases) {
        test::writeZip(dir / "search.docx", {{"word/document.xml", test::documentXml(c.body)}});
        auto doc = Document::load(dir / "search.docx");
        EXPECT_EQ(doc->searchText(), c.searchText) << c.name;
        EXPECT_EQ(doc->searchText(), doc->resultText(0, static_cast<int>(doc->characters().size()))) << c.name;
    }
    for (const char* name : {"fields.docx", "tables.docx", "shapes.docx", "page.docx", "lo_text.docx",
                             "python_docx.docx", "bench_writer.docx"}) {
        const Document& d = fixtureDoc(name);
        EXPECT_EQ(d.searchText(), d.resultText(0, static_cast<int>(d.characters().size()))) << name;
    }
}

// A paragraph's own properties laid over its style's give what reading its
// w:pPr over the style's would: a side's points and characters, and the first
// line with the hanging indent, replace each other as a group.
TEST(WordModel, OwnParagraphPropertiesOverlayTheStylesAsReadingWould) {
    struct Case {
        const char* style;
        const char* own;
    };
    const Case cases[] = {
        {R"(<w:ind w:leftChars="200" w:firstLineChars="200"/>)", R"(<w:ind w:left="420"/>)"},
        {R"(<w:ind w:left="420" w:hanging="360"/>)", R"(<w:ind w:firstLineChars="100"/>)"},
        {R"(<w:ind w:start="300" w:endChars="50"/>)", R"(<w:ind w:right="600" w:firstLine="0"/>)"},
        {R"(<w:ind w:hangingChars="100"/>)", R"(<w:ind w:hanging="240" w:firstLine="480"/>)"},
        {R"(<w:ind w:left="100"/>)", R"(<w:ind w:leftChars="300"/><w:ind w:right="200"/>)"},
        {R"(<w:spacing w:line="360" w:lineRule="exact" w:after="120"/>)", R"(<w:spacing w:line="480"/>)"},
        {R"(<w:spacing w:afterLines="100"/>)", R"(<w:spacing w:afterAutospacing="1"/><w:jc w:val="center"/>)"},
        {R"(<w:pBdr><w:top w:val="single" w:sz="4"/><w:left w:val="double"/></w:pBdr>)",
         R"(<w:pBdr><w:left w:val="dotted" w:sz="8"/></w:pBdr><w:shd w:val="pct10" w:fill="FF0000"/>)"},
        {R"(<w:framePr w:dropCap="drop" w:lines="3"/><w:pageBreakBefore/>)", R"(<w:pageBreakBefore w:val="0"/>)"},
        {R"(<w:jc w:val="both"/>)", R"(<w:numPr><w:numId w:val="2"/></w:numPr>)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.style) + " then " + c.own);
        pugi::xml_document style, own;
        ASSERT_TRUE(style.load_string((std::string("<w:pPr>") + c.style + "</w:pPr>").c_str()));
        ASSERT_TRUE(own.load_string((std::string("<w:pPr>") + c.own + "</w:pPr>").c_str()));
        RawParaProps layers, readOver, stated;
        for (auto e : style.first_child().children()) readParagraphProperty(e, layers);
        readOver = layers;
        for (auto e : own.first_child().children()) {
            readParagraphProperty(e, readOver);
            readParagraphProperty(e, stated);
        }
        for (double size : {10.5, 16.0})
            EXPECT_EQ(layers.overlaidWith(stated).resolve(size), readOver.resolve(size));
    }
}
