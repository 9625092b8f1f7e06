#pragma once
// A model of a saved .docx that answers the object paths the Word checks
// read, with Word's values, units and numbering. It is built once per grading:
// the package is inflated and parsed once, and the main story is indexed in
// one walk into characters, sentences, paragraphs, tables and shapes with
// their formatting resolved (document defaults, style chains, toggles, theme
// fonts). The checks then only look things up.
//
// Numbering, as Word counts it: every character of the main story is one
// Character, a paragraph mark included; a cell's last paragraph ends with the
// cell-end mark (text "\r\a") and each table row ends with a row-end mark,
// which is a character and a paragraph of its own. Anchors of floating shapes
// take no character. Text boxes, headers and footers are other stories.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kav::word {

class TextIndex;

constexpr int kColorAutomatic = -16777216;  // wdColorAutomatic
// The most characters one story may hold. An exam document holds a few
// thousand and a long one some 100,000; two million keep the model within
// some 130 MB and its reading within a second or two, while a compressed part
// can hold tens of millions.
constexpr std::size_t kMaxCharacters = 2'000'000;
constexpr int kUndefined = 9999999;         // wdUndefined: a mixed range

// Table cell widths and row heights. Writer rounds a table's columns to the
// twip (a grid of 1440, 1440, 1440, 1439 twips for four equal columns), so
// cell lengths within a twip of each other are the same length, and one within
// a twip of a whole point reads as that point.
constexpr double kTwip = 0.05;  // points
bool withinATwip(double a, double b);
double cellLength(double points);

struct Border {
    int lineStyle = 0;  // WdLineStyle
    int lineWidth = 0;  // WdLineWidth, eighths of a point
    int color = kColorAutomatic;
    bool shadow = false;
    bool present() const { return lineStyle != 0; }
    bool operator==(const Border&) const = default;
};

struct Shading {
    int texture = 0;  // WdTextureIndex
    int fill = kColorAutomatic;
    bool operator==(const Shading&) const = default;
    bool present() const { return texture != 0 || fill != kColorAutomatic; }
};

enum FontSlot { kAscii, kHAnsi, kEastAsia, kComplex, kFontSlots };

struct CharFormat {
    // Font names of the four slots, as numbers into Document::fontNames();
    // 0 is "Times New Roman", Word's font when nothing names one.
    std::array<std::uint16_t, kFontSlots> fonts{};
    bool hintEastAsia = false;
    int halfPoints = 20;
    int color = kColorAutomatic;
    bool bold = false, italic = false, emboss = false, engrave = false, shadow = false, strike = false,
         doubleStrike = false;
    int underline = 0;  // WdUnderline
    Border border;      // w:bdr, one box round the text
    Shading shading;
};

struct DropCap {
    int position = 0;  // WdDropPosition
    int lines = 0;
    double distance = 0;  // points
    bool operator==(const DropCap&) const = default;
};

enum BorderSide { kTop, kLeft, kBottom, kRight, kInsideH, kInsideV, kDiagDown, kDiagUp, kBorderSides };

struct ParaFormat {
    int lineSpacingRule = 0;  // WdLineSpacing
    double leftIndent = 0, rightIndent = 0, firstLineIndent = 0, spaceAfter = 0;  // points
    int alignment = 0;  // WdParagraphAlignment
    std::array<Border, 5> borders{};  // top, left, bottom, right, between
    Shading shading;
    bool pageBreakBefore = false;
    DropCap dropCap;
    bool operator==(const ParaFormat&) const = default;
};

enum class CharKind : std::uint8_t { Text, ParagraphMark, SectionMark, CellEnd, RowEnd };

// Eight bytes: a long document holds hundreds of thousands, and grading
// writes and reads them all. Document::paragraphAt gives a character's paragraph.
struct Character {
    char32_t code : 24;  // a code point, at most U+10FFFF
    CharKind kind : 8;
    std::uint32_t run;  // index into Document::runs()
    bool isMark() const { return kind != CharKind::Text; }
};

struct Paragraph {
    int first = 0, last = 0;  // character indexes, last being the mark
    ParaFormat format;
    bool rowEnd = false;
    bool endsWithPageBreak = false;  // its last character before the mark is a page break
};

struct TableCell {
    int first = 0, last = 0;  // characters of the cell, last = its cell-end mark
    std::array<Border, kBorderSides> borders{};  // resolved: cell, then table exceptions, table, style
    Shading shading;
    std::optional<double> width;  // points; nullopt when Word would not know it
    int verticalAlignment = 0;    // WdCellVerticalAlignment
    bool mergedAway = false;      // a vertically merged continuation: Word has no such cell
};

struct TableRow {
    std::vector<TableCell> cells;
    std::optional<double> height;  // points, w:trHeight
};

struct Table {
    std::vector<TableRow> rows;
    int alignment = 0;  // WdRowAlignment
    // Word refuses Rows(r) of a table with vertically merged cells (run-time
    // error 5991) and Columns(c) of a table whose rows lay their cells out
    // differently (error 5992, "mixed cell widths").
    bool verticallyMerged = false;
    bool mixedCellWidths = false;
    int columnCount() const;
};

struct Shape {
    bool hasTextFrame = false;
    std::string frameText;  // the text box story, each paragraph ending "\r"
    int orientation = 1;    // MsoTextOrientation
    double marginBottom = 3.6;
    bool isWordArt = false;
    std::string wordArtText, wordArtFont;
    int wordArtBold = 0, wordArtItalic = 0;  // MsoTriState: -1 true
    int wordArtPreset = 1;                   // MsoPresetTextEffectShape
};

struct PageBorderSide {
    int artStyle = 0;  // WdPageBorderArt, 0 for a line or no border
    int artWidth = 0;  // points
};

struct Section {
    double pageWidth = 612, pageHeight = 792;  // points
    bool landscape = false;
    int paperSize = 7;  // WdPaperSize from the page's dimensions
    double top = 72, bottom = 72, left = 90, right = 90, gutter = 0, header = 36, footer = 36;
    bool startsPage = true;  // false for a continuous section, which goes on on the same page
    int columns = 1;
    double firstColumnSpaceAfter = 36;
    std::array<PageBorderSide, 4> pageBorders{};  // top, left, bottom, right
    // Parts of the default, first-page and even-page header and footer; a
    // section without its own reference of a type shows the previous section's.
    std::array<std::string, 3> headerParts, footerParts;
    bool hasHeader() const { return !headerParts[0].empty(); }
    bool hasFooter() const { return !footerParts[0].empty(); }
};

class Document {
public:
    // Reads and indexes the document; throws DocxError with the reader's text.
    static std::unique_ptr<Document> load(const std::filesystem::path& file);
    ~Document();

    const std::vector<Character>& characters() const { return chars_; }
    const std::vector<CharFormat>& runs() const { return runs_; }
    const std::vector<Paragraph>& paragraphs() const { return paras_; }
    // The 0-based index of the paragraph holding character i (of the story's characters).
    std::size_t paragraphAt(int i) const;
    // Sentences as [first, end) character ranges.
    const std::vector<std::pair<int, int>>& sentences() const { return sentences_; }
    const std::vector<Table>& tables() const { return tables_; }
    const std::vector<Shape>& shapes() const { return shapes_; }  // in Word's z-order
    const std::vector<Section>& sections() const { return sections_; }

    // Word's text of characters [first, end): marks as "\r", "\f", "\r\a".
    std::string text(int first, int end) const;
    // The text of characters [first, end) with field codes left out.
    std::string resultText(int first, int end) const;
    // The main text as Find sees it: field codes left out.
    const std::string& searchText() const;  // written by the walk, indexed on first use
    // Whether Find finds text (exactly, case included) in the main text.
    bool found(std::string_view text) const;
    // Word's Range.Text of header or footer h (1 primary, 2 first page, 3 even
    // pages) of the first section; a missing one reads "\r".
    std::string headerText(int h) const;
    std::string footerText(int h) const;
    // The font Word reports for one character: the font of its script's slot.
    const std::string& fontName(int charIndex) const;
    bool writtenByLibreOffice() const { return libreOffice_; }
    const std::vector<std::string>& fontNames() const { return fontNames_; }

private:
    Document() = default;
    friend class DocumentBuilder;
    std::vector<Character> chars_;
    std::vector<CharFormat> runs_;
    std::vector<Paragraph> paras_;
    std::vector<std::pair<int, int>> sentences_;
    std::vector<Table> tables_;
    std::vector<Shape> shapes_;
    std::vector<Section> sections_;
    mutable std::string searchText_;  // of the main story, written by the walk; the index takes it over
    mutable std::unique_ptr<TextIndex> searchIndex_;  // the search text, indexed on first use
    std::vector<std::string> fontNames_;
    std::array<std::string, 3> firstHeaders_, firstFooters_;
    std::array<bool, 3> hasFirstHeader_{}, hasFirstFooter_{};
    bool libreOffice_ = false;
};

// The WdColor of an OOXML colour ("FF0000" red -> 255); auto -> automatic.
int colorFromHex(std::string_view hex);
// The font slot Word uses for a character.
FontSlot fontSlotOf(char32_t c, bool hintEastAsia);

}  // namespace kav::word
