#pragma once
// The style sheet of a document and the resolution of character and
// paragraph formatting: document defaults, the table style, the numbering
// level, the paragraph style chain, the character style chain, then direct
// formatting. Toggle properties (bold, italic, emboss, engrave, shadow,
// strike) flip at every style level that sets them and are absolute in
// direct formatting.
#include <cstdint>
#include <map>
#include <string_view>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "common/word/document.h"

namespace kav::word {

enum class LineRule : std::uint8_t { Auto, AtLeast, Exact };  // w:spacing/@w:lineRule

// Paragraph properties as stated, before lengths in characters or lines are
// turned into points with the paragraph's font size. Plain values only, so
// that the copy every paragraph makes of its style's layers is cheap.
struct RawParaProps {
    std::optional<long long> left, right, firstLine, hanging, leftChars, rightChars, firstLineChars, hangingChars;
    std::optional<long long> line, after, afterLines;
    std::optional<LineRule> lineRule;
    std::optional<int> alignment;  // WdParagraphAlignment of w:jc
    std::optional<bool> afterAutospacing, pageBreakBefore;
    std::array<std::optional<Border>, 5> borders;
    std::optional<Shading> shading;
    std::optional<DropCap> dropCap;
    // w:numId as written: a view into the parsed part, which outlives the sheet.
    std::optional<std::string_view> numId;
    std::optional<int> ilvl;
    ParaFormat resolve(double fontSizePoints) const;
    // These properties with own's laid over them, as reading own's elements
    // over them would leave them: each side's indent (in points and in
    // characters) and the first line with the hanging indent (both ways) go
    // together, the others one by one.
    RawParaProps overlaidWith(const RawParaProps& own) const;
};

// Reads one child of a w:pPr into p; whether it is a property the paragraph's
// format shows (not its numbering, style or mark properties).
bool readParagraphProperty(pugi::xml_node property, RawParaProps& p);

Border readBorder(pugi::xml_node b);
enum class RunProp : std::uint8_t;  // a run property the model reads
Shading readShading(pugi::xml_node shd);

// Font names interned once per document, so that formats copy cheaply.
class FontNames {
public:
    FontNames() { id("Times New Roman"); }
    std::uint16_t id(std::string_view name);
    const std::string& name(std::uint16_t id) const { return names_[id]; }
    std::vector<std::string> take() { return std::move(names_); }

private:
    // Looked up by string_view, without making a string of each name read.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> names_;
    std::unordered_map<std::string, std::uint16_t, NameHash, std::equal_to<>> ids_;
};

class StyleSheet {
    struct Base;

public:
    FontNames fonts;

    // The layers below the own properties of one paragraph's runs (document
    // defaults, table style, paragraph style), resolved once for all of them.
    // It refers to the style names it was made from, which must outlive it.
    class RunLayers {
        friend class StyleSheet;
        const std::string* tblStyle_ = nullptr;
        const std::string* pStyle_ = nullptr;
        const Base* base_ = nullptr;
    };
    RunLayers runLayers(const std::string& tblStyle, const std::string& pStyle);
    CharFormat runFormat(const RunLayers& layers, pugi::xml_node rPr);

    StyleSheet(const pugi::xml_document* styles, const pugi::xml_document* theme,
               const pugi::xml_document* numbering);

    // The resolved formatting of a run with direct properties rPr (may be
    // empty) in a paragraph of style pStyle ("" = the default paragraph style)
    // inside a table of style tblStyle ("" = none).
    CharFormat runFormat(const std::string& tblStyle, const std::string& pStyle, pugi::xml_node rPr) {
        return runFormat(runLayers(tblStyle, pStyle), rPr);
    }
    // The paragraph's formatting through the same layers, its lengths in
    // characters turned into points with its font size: own holds what its
    // w:pPr states (nullptr: nothing), numPr is the first w:numPr of its pPr
    // (may be empty).
    ParaFormat paraFormat(const std::string& tblStyle, const std::string& pStyle, const RawParaProps* own,
                          pugi::xml_node numPr, double fontSizePoints);
    // The paragraph style a w:pStyle names, or the default one.
    const std::string& paragraphStyleOf(std::string_view id) const;
    // A table's style (w:tblStyle or the default table style) and its chain's
    // table-level properties, root first.
    std::string tableStyleOf(pugi::xml_node tblPr) const;
    std::vector<pugi::xml_node> tablePropsChain(const std::string& tblStyle) const;

private:
    struct Style {
        std::string type, basedOn;
        pugi::xml_node pPr, rPr, tblPr;
    };
    struct Toggles {
        std::array<std::optional<bool>, 6> v;
    };
    struct Base {
        CharFormat format;
        std::array<bool, 6> toggles{};
    };
    std::vector<const Style*> chain(const std::string& id) const;
    void readRPr(pugi::xml_node rPr, CharFormat& f, Toggles& t);
    void applyRunProperty(RunProp kind, pugi::xml_node property, CharFormat& f, Toggles& t,
                          bool& fontsRead);
    void readFonts(pugi::xml_node rFonts, CharFormat& f);
    void readPPr(pugi::xml_node pPr, RawParaProps& p) const;
    std::string_view themeFont(std::string_view themeName) const;
    const Base& base(const std::string& tblStyle, const std::string& pStyle, std::string_view rStyle);
    Base resolveBase(const std::string& tblStyle, const std::string& pStyle, std::string_view rStyle);
    const RawParaProps& paraBase(const std::string& tblStyle, const std::string& style, pugi::xml_node numPr);

    // Looked up by string_view, without making a string of each id read.
    struct IdHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, Style, IdHash, std::equal_to<>> styles_;
    pugi::xml_node rPrDefault_, pPrDefault_;
    std::string defaultParagraphStyle_, defaultTableStyle_;
    std::map<std::string, std::string, std::less<>> themeFonts_;  // "minorHAnsi" -> typeface
    std::map<std::string, pugi::xml_node> numberingLevels_;  // "numId/ilvl" -> w:lvl
    std::unordered_map<std::string, Base> baseCache_;
    std::unordered_map<std::string, RawParaProps> styleProps_, paraBase_;
    // The formatting of paragraphs with no properties of their own, by their
    // layers below (in paraBase_) and font size: most cells, row ends and
    // paragraphs that only name a style.
    std::map<std::pair<const RawParaProps*, double>, ParaFormat> layersOnly_;
    // The last few resolutions of each kind, by the names they were made
    // from: the runs of a paragraph and neighbouring paragraphs nearly always
    // share their styles, and a document goes back and forth between a few
    // (body text, table cells, row ends). The values live in the maps above,
    // whose elements keep their place when the maps grow.
    using Names = std::array<std::optional<std::string_view>, 4>;  // nullopt: not stated
    template <class Value>
    class Recent {
    public:
        const Value* find(const Names& names) const;  // nullptr when not at hand
        void add(const Names& names, const Value* value);

    private:
        struct Entry {
            std::array<std::optional<std::string>, 4> names;
            const Value* value = nullptr;
        };
        std::array<Entry, 8> entries_{};
        std::size_t next_ = 0;          // the entry replaced next
        mutable std::size_t last_ = 0;  // the entry found last, looked at first
    };
    Recent<Base> recentBases_;
    Recent<RawParaProps> recentParaBases_;
    std::vector<std::pair<RunProp, pugi::xml_node>> directProps_;  // runFormat's, kept to save allocations
};

}  // namespace kav::word
