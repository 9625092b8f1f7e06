// Reading a .docx into the document model: the walk over the main story
// and the other stories, the sections, the shapes and the sentences.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

#include "common/core/utf8.h"
#include "common/word/document.h"
#include "common/word/docx_package.h"
#include "common/word/ooxml_values.h"
#include "common/word/shown_text.h"
#include "common/word/styles.h"
#include "common/word/text_index.h"

namespace kav::word {

using ooxml::intAttr;
using ooxml::nameIs;

namespace {

bool is(pugi::xml_node n, const char* name) { return std::strcmp(n.name(), name) == 0; }

// The elements the walk of a story acts on, named once per element instead
// of comparing its name with each candidate in turn.
enum class Tag : std::uint8_t {
    Other, P, Tbl, Sdt, CustomXml, Ins, MoveTo, AlternateContent,  // blocks and their wrappers
    R, Hyperlink, SmartTag, FldSimple, Dir, Bdo,                     // inline wrappers
    T, InstrText, Tab, PTab, Br, Cr, NoBreakHyphen, SoftHyphen, Sym, FldChar, FootnoteReference,
    EndnoteReference, Drawing, Pict, Object,                         // run content
    PPr, RPr, PStyle, SectPr, NumPr, TcPr,                           // properties the walk reads itself
};

Tag tagOf(const char* name) {
    if (name[0] != 'w' || name[1] != ':') return nameIs(name, "mc:AlternateContent") ? Tag::AlternateContent : Tag::Other;
    // Chosen by the local name's first letter, then compared in line.
    const char* n = name + 2;
    switch (n[0]) {
    case 'p':
        return nameIs(n, "p") ? Tag::P : nameIs(n, "pPr") ? Tag::PPr : nameIs(n, "pStyle") ? Tag::PStyle
             : nameIs(n, "ptab") ? Tag::PTab : nameIs(n, "pict") ? Tag::Pict : Tag::Other;
    case 'r': return nameIs(n, "r") ? Tag::R : nameIs(n, "rPr") ? Tag::RPr : Tag::Other;
    case 't':
        return nameIs(n, "t") ? Tag::T : nameIs(n, "tbl") ? Tag::Tbl : nameIs(n, "tab") ? Tag::Tab
             : nameIs(n, "tcPr") ? Tag::TcPr : Tag::Other;
    case 's':
        return nameIs(n, "sdt") ? Tag::Sdt : nameIs(n, "sectPr") ? Tag::SectPr : nameIs(n, "sym") ? Tag::Sym
             : nameIs(n, "smartTag") ? Tag::SmartTag : nameIs(n, "softHyphen") ? Tag::SoftHyphen : Tag::Other;
    case 'b': return nameIs(n, "br") ? Tag::Br : nameIs(n, "bdo") ? Tag::Bdo : Tag::Other;
    case 'c': return nameIs(n, "cr") ? Tag::Cr : nameIs(n, "customXml") ? Tag::CustomXml : Tag::Other;
    case 'd': return nameIs(n, "drawing") ? Tag::Drawing : nameIs(n, "dir") ? Tag::Dir : Tag::Other;
    case 'e': return nameIs(n, "endnoteReference") ? Tag::EndnoteReference : Tag::Other;
    case 'f':
        return nameIs(n, "fldChar") ? Tag::FldChar : nameIs(n, "fldSimple") ? Tag::FldSimple
             : nameIs(n, "footnoteReference") ? Tag::FootnoteReference : Tag::Other;
    case 'h': return nameIs(n, "hyperlink") ? Tag::Hyperlink : Tag::Other;
    case 'i': return nameIs(n, "ins") ? Tag::Ins : nameIs(n, "instrText") ? Tag::InstrText : Tag::Other;
    case 'm': return nameIs(n, "moveTo") ? Tag::MoveTo : Tag::Other;
    case 'n': return nameIs(n, "numPr") ? Tag::NumPr : nameIs(n, "noBreakHyphen") ? Tag::NoBreakHyphen : Tag::Other;
    case 'o': return nameIs(n, "object") ? Tag::Object : Tag::Other;
    default: return Tag::Other;
    }
}

// The first child with the given tag: the properties come first, so nearly
// always the first child.
pugi::xml_node firstChildTagged(pugi::xml_node parent, Tag tag) {
    for (auto c = parent.first_child(); c; c = c.next_sibling())
        if (tagOf(c.name()) == tag) return c;
    return {};
}

// The markup-compatibility branch Word reads: the first mc:Choice whose
// required namespaces it knows, else mc:Fallback, else nothing.
pugi::xml_node chosenBranch(pugi::xml_node alternate) {
    static constexpr std::string_view known[] = {"wps", "wpg", "wpc", "wp14", "w14", "w15", "w16se", "w16cid",
                                                 "a14", "v", "o", "w10", "m", "pic", "a", "wne", "mc", "w"};
    for (auto choice : alternate.children("mc:Choice")) {
        std::string_view req = choice.attribute("Requires").value();
        bool ok = !req.empty();
        while (!req.empty() && ok) {
            auto sp = req.find(' ');
            std::string_view prefix = req.substr(0, sp);
            if (!prefix.empty() && std::find(std::begin(known), std::end(known), prefix) == std::end(known)) ok = false;
            req = sp == std::string_view::npos ? std::string_view{} : req.substr(sp + 1);
        }
        if (ok) return choice;
    }
    return alternate.child("mc:Fallback");
}

std::map<std::string, std::string> parseCss(std::string_view style) {
    std::map<std::string, std::string> out;
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '"' || s.front() == '\'')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '"' || s.back() == '\'')) s.remove_suffix(1);
        return std::string(s);
    };
    while (!style.empty()) {
        auto semi = style.find(';');
        std::string_view decl = style.substr(0, semi);
        auto colon = decl.find(':');
        if (colon != std::string_view::npos) out[trim(decl.substr(0, colon))] = trim(decl.substr(colon + 1));
        style = semi == std::string_view::npos ? std::string_view{} : style.substr(semi + 1);
    }
    return out;
}

// A VML length ("0.05in", "3.6pt", "1.27mm", a bare number of EMUs) in points.
double vmlLength(std::string_view v, double fallback) {
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    if (v.empty()) return fallback;
    double d = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec != std::errc{}) return fallback;
    std::string_view unit(end, static_cast<std::size_t>(v.data() + v.size() - end));
    while (!unit.empty() && unit.back() == ' ') unit.remove_suffix(1);
    if (unit == "pt") return d;
    if (unit == "in") return d * 72;
    if (unit == "cm") return d * 72 / 2.54;
    if (unit == "mm") return d * 72 / 25.4;
    if (unit == "px") return d * 0.75;
    if (unit == "pc") return d * 12;
    if (unit.empty()) return d / 12700;
    return fallback;
}

// The v:textpath of a VML fallback (w:pict, its shape, the path), found once
// per fallback block and at a fixed depth: the time stays linear however many
// shapes the block holds.
pugi::xml_node vmlTextPath(pugi::xml_node fallback) {
    for (auto pict : fallback.children("w:pict"))
        for (auto shape : pict.children())
            if (auto path = shape.child("v:textpath")) return path;
    return {};
}

struct ShapeEntry {
    Shape shape;
    bool behind;
    long long z;
};

}  // namespace

// Counts the nesting of the walk, so that a document built to nest without
// end fails cleanly instead of exhausting the stack.
class Nesting {
public:
    explicit Nesting(int& depth) : depth_(depth) {
        if (++depth_ > kMaxNesting) {
            --depth_;
            throw DocxError("文档结构嵌套超过 " + std::to_string(kMaxNesting) + " 层，无法读取");
        }
    }
    ~Nesting() { --depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    static constexpr int kMaxNesting = 200;

private:
    int& depth_;
};

class DocumentBuilder {
public:
    DocumentBuilder(Document& doc, StyleSheet& sheet, const DocxPackage& package, bool mainStory)
        : doc_(doc), sheet_(sheet), package_(package), main_(mainStory) {}

    // sectPr, when given, receives the container's first w:sectPr child (the body's own).
    void walkBlocks(pugi::xml_node container, const std::string& tblStyle, int depth, bool inCell,
                    pugi::xml_node* sectPr = nullptr) {
        Nesting guard(nesting_);
        // The container's blocks go on the end of one list shared by the
        // nested walks (a cell's walk adds its own after them and takes them
        // off again), so that no cell allocates a list of its own.
        const std::size_t first = blocks_.size();
        flattenBlocks(container, blocks_, sectPr);
        const std::size_t end = blocks_.size();
        pugi::xml_node lastPara;
        if (inCell)
            for (std::size_t i = first; i < end; ++i)
                if (blocks_[i].tag == Tag::P) lastPara = blocks_[i].node;
        for (std::size_t i = first; i < end; ++i) {
            const Block b = blocks_[i];  // a copy: the nested walks may move the list
            if (b.tag == Tag::P) paragraph(b.node, tblStyle, inCell && b.node == lastPara);
            else table(b.node, depth);
        }
        blocks_.resize(first);
        if (inCell && !lastPara) {  // a cell without paragraphs still has its end mark
            int p = beginParagraph();
            push(U'\r', CharKind::CellEnd, addRun(sheet_.runFormat(tblStyle, "", {})));
            endParagraph(p, sheet_.paraFormat(tblStyle, "", nullptr, {}, 10));
        }
    }

    std::vector<ShapeEntry> shapes;
    std::vector<pugi::xml_node> sectionProps;  // w:sectPr of the main story in document order

    // Text of another story (text box, header, footer), as Word's Range.Text.
    std::string storyText(pugi::xml_node container) {
        Document story;
        DocumentBuilder b(story, sheet_, package_, false);
        b.nesting_ = nesting_;  // a text box inside a text box nests deeper
        b.walkBlocks(container, "", 1, false);
        return story.resultText(0, static_cast<int>(story.chars_.size()));
    }
    // The formatting of the first run of a story (for WordArt fonts).
    std::optional<std::pair<CharFormat, char32_t>> firstRun(pugi::xml_node container) {
        Document story;
        DocumentBuilder b(story, sheet_, package_, false);
        b.nesting_ = nesting_;  // a text box inside a text box nests deeper
        b.walkBlocks(container, "", 1, false);
        for (auto& c : story.chars_)
            if (!c.isMark()) return std::make_pair(story.runs_[c.run], static_cast<char32_t>(c.code));
        if (story.runs_.empty()) return std::nullopt;
        return std::make_pair(story.runs_.front(), U'A');
    }

private:
    struct Block {
        pugi::xml_node node;
        Tag tag;  // P or Tbl
    };

    void flattenBlocks(pugi::xml_node container, std::vector<Block>& out, pugi::xml_node* sectPr = nullptr) {
        Nesting guard(nesting_);
        for (auto c = container.first_child(); c; c = c.next_sibling()) {
            switch (Tag tag = tagOf(c.name())) {
            case Tag::P:
            case Tag::Tbl: out.push_back({c, tag}); break;
            case Tag::SectPr:
                if (sectPr && !*sectPr) *sectPr = c;
                break;
            case Tag::Sdt: flattenBlocks(c.child("w:sdtContent"), out); break;
            case Tag::CustomXml:
            case Tag::Ins:
            case Tag::MoveTo: flattenBlocks(c, out); break;
            case Tag::AlternateContent: flattenBlocks(chosenBranch(c), out); break;
            default: break;
            }
        }
    }

    std::uint32_t addRun(CharFormat f) {
        doc_.runs_.push_back(std::move(f));
        return static_cast<std::uint32_t>(doc_.runs_.size() - 1);
    }
    void push(char32_t code, CharKind kind, std::uint32_t run) {
        if (doc_.chars_.size() >= kMaxCharacters)
            throw DocxError("文档超过 " + std::to_string(kMaxCharacters) + " 个字符，无法评分");
        doc_.chars_.push_back({code, kind, run});
        if (main_) addToSearchText(doc_.chars_.back());
    }
    // The main story's search text is written as its characters are read.
    void addToSearchText(const Character& c) {
        char bytes[4];
        if (searchFields_.shows(c)) doc_.searchText_.append(bytes, putResult(bytes, c));
    }
    int beginParagraph() {
        doc_.paras_.emplace_back();
        doc_.paras_.back().first = static_cast<int>(doc_.chars_.size());
        return static_cast<int>(doc_.paras_.size() - 1);
    }
    void endParagraph(int index, ParaFormat format) {
        Paragraph& p = doc_.paras_[static_cast<std::size_t>(index)];
        p.last = static_cast<int>(doc_.chars_.size()) - 1;
        p.format = std::move(format);
        p.endsWithPageBreak = p.last > p.first && doc_.chars_[static_cast<std::size_t>(p.last - 1)].code == U'\f' &&
                              !doc_.chars_[static_cast<std::size_t>(p.last - 1)].isMark();
    }

    void paragraph(pugi::xml_node p, const std::string& tblStyle, bool endsCell) {
        auto pPr = firstChildTagged(p, Tag::PPr);
        // One pass over the paragraph's properties: the first of each that
        // the walk reads itself, and the formatting it states.
        pugi::xml_node pStyleElement, rPr, sectPr, numPr;
        RawParaProps own;
        bool statesFormat = false;
        for (auto e = pPr.first_child(); e; e = e.next_sibling()) {
            auto keepFirst = [e](pugi::xml_node& slot) {
                if (!slot) slot = e;
            };
            switch (tagOf(e.name())) {
            case Tag::PStyle: keepFirst(pStyleElement); break;
            case Tag::RPr: keepFirst(rPr); break;
            case Tag::SectPr: keepFirst(sectPr); break;
            case Tag::NumPr: keepFirst(numPr); break;
            default: statesFormat = readParagraphProperty(e, own) || statesFormat; break;
            }
        }
        const std::string& pStyle = sheet_.paragraphStyleOf(pStyleElement.attribute("w:val").value());
        int index = beginParagraph();
        runLayers_ = sheet_.runLayers(tblStyle, pStyle);
        inlineContent(p);
        if (!symbols_.empty()) giveSymbolsTheirFonts();
        std::uint32_t mark = addRun(sheet_.runFormat(runLayers_, rPr));
        if (endsCell) push(U'\r', CharKind::CellEnd, mark);
        else if (sectPr) push(U'\f', CharKind::SectionMark, mark);
        else push(U'\r', CharKind::ParagraphMark, mark);
        double size = doc_.runs_[mark].halfPoints / 2.0;
        endParagraph(index, sheet_.paraFormat(tblStyle, pStyle, statesFormat ? &own : nullptr, numPr, size));
        if (sectPr && main_) sectionProps.push_back(sectPr);
    }

    void inlineContent(pugi::xml_node container) {
        Nesting guard(nesting_);
        for (auto c = container.first_child(); c; c = c.next_sibling()) {
            switch (tagOf(c.name())) {
            case Tag::R: run(c); break;
            case Tag::Hyperlink:
            case Tag::SmartTag:
            case Tag::CustomXml:
            case Tag::Ins:
            case Tag::MoveTo:
            case Tag::FldSimple:
            case Tag::Dir:
            case Tag::Bdo: inlineContent(c); break;
            case Tag::Sdt: inlineContent(c.child("w:sdtContent")); break;
            case Tag::AlternateContent: inlineContent(chosenBranch(c)); break;
            default: break;
            }
        }
    }

    void run(pugi::xml_node r) {
        // Its format is resolved once its content is read: w:rPr comes first,
        // but counts wherever it stands, and the one pass finds it.
        std::uint32_t index = addRun({});
        pugi::xml_node rPr;
        runContent(r, index, &rPr);
        doc_.runs_[index] = sheet_.runFormat(runLayers_, rPr);
    }

    // A symbol is in its own font, whatever its run's: the run's format with
    // that font in every slot. Once a paragraph, after its runs are read.
    void giveSymbolsTheirFonts() {
        for (auto [at, font] : symbols_) {
            CharFormat f = doc_.runs_[doc_.chars_[at].run];
            f.fonts.fill(sheet_.fonts.id(font));
            doc_.chars_[at].run = addRun(std::move(f));
        }
        symbols_.clear();
    }

    // rPr, when given, receives the first w:rPr among the children.
    void runContent(pugi::xml_node r, std::uint32_t run, pugi::xml_node* rPr = nullptr) {
        Nesting guard(nesting_);
        for (auto c = r.first_child(); c; c = c.next_sibling()) {
            switch (tagOf(c.name())) {
            case Tag::RPr:
                if (rPr && !*rPr) *rPr = c;
                break;
            case Tag::T:
            case Tag::InstrText: text(c.text().get(), run); break;
            case Tag::Tab:
            case Tag::PTab: push(U'\t', CharKind::Text, run); break;
            case Tag::Br: {
                std::string_view type = c.attribute("w:type").value();
                push(type == "page" ? U'\f' : type == "column" ? U'\x0e' : U'\x0b', CharKind::Text, run);
                break;
            }
            case Tag::Cr: push(U'\x0b', CharKind::Text, run); break;
            case Tag::NoBreakHyphen: push(U'\x1e', CharKind::Text, run); break;
            case Tag::SoftHyphen: push(U'\x1f', CharKind::Text, run); break;
            case Tag::Sym: {
                // An inserted symbol is the character of its number (U+F04A
                // for Wingdings' smiley, in the private-use range where Word
                // keeps symbol fonts' characters) in the symbol's font.
                unsigned code = 0;
                std::string_view hex = c.attribute("w:char").value();
                std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
                // A number past the last code point stands as U+FFFD, like a broken byte of text.
                push(code > 0x10FFFF ? U'\uFFFD' : static_cast<char32_t>(code), CharKind::Text, run);
                std::string_view font = c.attribute("w:font").value();
                if (!font.empty()) symbols_.emplace_back(doc_.chars_.size() - 1, font);
                break;
            }
            case Tag::FldChar: {
                std::string_view type = c.attribute("w:fldCharType").value();
                push(type == "begin" ? U'\x13' : type == "separate" ? U'\x14' : U'\x15', CharKind::Text, run);
                break;
            }
            case Tag::FootnoteReference:
            case Tag::EndnoteReference: push(U'\x02', CharKind::Text, run); break;
            case Tag::Drawing:
                for (auto d : c.children()) {
                    if (is(d, "wp:inline")) push(U'\x01', CharKind::Text, run);
                    else if (is(d, "wp:anchor") && main_) anchor(d);
                }
                break;
            case Tag::Pict:
            case Tag::Object: vml(c, run); break;
            case Tag::AlternateContent: {
                auto outer = fallbackTextPath_;
                fallbackTextPath_ = vmlTextPath(c.child("mc:Fallback"));
                runContent(chosenBranch(c), run);
                fallbackTextPath_ = outer;
                break;
            }
            default: break;
            }
        }
    }

    void text(std::string_view s, std::uint32_t run) {
        // Every byte makes at most one character, so the cap needs checking
        // character by character only close to it.
        const bool nearCap = doc_.chars_.size() + s.size() > kMaxCharacters;
        const std::size_t firstChar = doc_.chars_.size();
        bool plain = true;  // every byte kept, no field character: the bytes are their own search text
        const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
        for (std::size_t at = 0; at < s.size();) {
            const unsigned char* u = bytes + at;
            char32_t code = u[0];
            if (code < 0x80) {
                ++at;
                plain = plain && (code < U'\x13' || code > U'\x15');
            } else if ((code & 0xF0) == 0xE0 && s.size() - at > 2 && ((u[1] & 0xC0) | ((u[2] & 0xC0) >> 2)) == 0xA0 &&
                       (code = ((code & 0x0F) << 12) | ((u[1] & 0x3Fu) << 6) | (u[2] & 0x3Fu)) >= 0x800 &&
                       (code < 0xD800 || code > 0xDFFF)) {
                at += 3;  // three bytes, the most common in Chinese text: neither overlong nor a surrogate
            } else {
                // A byte that starts no valid character stands as U+FFFD.
                std::optional<char32_t> c = nextCodePoint(s, at);
                if (!c) {
                    ++at;
                    plain = false;
                }
                code = c.value_or(U'\uFFFD');
            }
            if (nearCap) push(code, CharKind::Text, run);
            else doc_.chars_.push_back({code, CharKind::Text, run});
        }
        if (!main_ || nearCap) return;  // push has written the search text
        if (!plain)
            for (std::size_t i = firstChar; i < doc_.chars_.size(); ++i) addToSearchText(doc_.chars_[i]);
        else if (searchFields_.inResult())
            doc_.searchText_.append(s);
    }

    void anchor(pugi::xml_node a) {
        ShapeEntry e{{}, ooxml::onOffValue(a.attribute("behindDoc").value()), intAttr(a, "relativeHeight", 0)};
        auto data = a.child("a:graphic").child("a:graphicData");
        if (auto wsp = data.child("wps:wsp")) {
            auto bodyPr = wsp.child("wps:bodyPr");
            if (auto txbx = wsp.child("wps:txbx").child("w:txbxContent")) {
                e.shape.hasTextFrame = true;
                e.shape.frameText = storyText(txbx);
                e.shape.orientation = ooxml::textOrientationOf(bodyPr.attribute("vert").value());
                e.shape.marginBottom = static_cast<double>(intAttr(bodyPr, "bIns", 45720)) / 12700.0;
                if (auto warp = bodyPr.child("a:prstTxWarp")) {
                    e.shape.isWordArt = true;
                    e.shape.wordArtPreset = ooxml::presetTextShapeOf(warp.attribute("prst").value());
                    std::string t = e.shape.frameText;
                    while (!t.empty() && t.back() == '\r') t.pop_back();
                    e.shape.wordArtText = t;
                    if (auto first = firstRun(txbx)) {
                        const CharFormat& f = first->first;
                        e.shape.wordArtFont = sheet_.fonts.name(f.fonts[fontSlotOf(first->second, f.hintEastAsia)]);
                        e.shape.wordArtBold = f.bold ? -1 : 0;
                        e.shape.wordArtItalic = f.italic ? -1 : 0;
                    }
                    // LibreOffice writes the Fontwork's font only into the VML
                    // fallback of the same object.
                    auto path = fallbackTextPath_;
                    auto css = parseCss(path.attribute("style").value());
                    if (!css["font-family"].empty()) e.shape.wordArtFont = css["font-family"];
                    if (css["font-weight"] == "bold") e.shape.wordArtBold = -1;
                    if (css["font-style"] == "italic") e.shape.wordArtItalic = -1;
                }
            }
        }
        shapes.push_back(std::move(e));
    }

    void vml(pugi::xml_node pict, std::uint32_t run) {
        for (auto v : pict.children()) {
            std::string_view name = v.name();
            if (name.substr(0, 2) != "v:" || name == "v:shapetype") continue;
            auto style = parseCss(v.attribute("style").value());
            bool floating = style["position"] == "absolute";
            if (!floating || !main_) {
                if (!floating) push(U'\x01', CharKind::Text, run);
                continue;
            }
            long long z = 0;
            std::string_view zs = style["z-index"];
            std::from_chars(zs.data(), zs.data() + zs.size(), z);
            ShapeEntry e{{}, z < 0, z};
            if (auto tb = v.child("v:textbox")) {
                if (auto txbx = tb.child("w:txbxContent")) {
                    e.shape.hasTextFrame = true;
                    e.shape.frameText = storyText(txbx);
                }
                auto inset = std::string_view(tb.attribute("inset").value());
                std::vector<std::string_view> parts;
                while (!inset.empty()) {
                    auto comma = inset.find(',');
                    parts.push_back(inset.substr(0, comma));
                    inset = comma == std::string_view::npos ? std::string_view{} : inset.substr(comma + 1);
                }
                e.shape.marginBottom = vmlLength(parts.size() > 3 ? parts[3] : "", 3.6);
                auto tbStyle = parseCss(tb.attribute("style").value());
                std::string flow = tbStyle["layout-flow"];
                if (flow == "vertical") e.shape.orientation = tbStyle["mso-layout-flow-alt"] == "bottom-to-top" ? 2 : 3;
                else if (flow == "vertical-ideographic") e.shape.orientation = 4;
                else if (flow == "horizontal-ideographic") e.shape.orientation = 6;
            }
            if (auto path = v.child("v:textpath")) {
                e.shape.isWordArt = true;
                e.shape.wordArtText = path.attribute("string").value();
                auto ps = parseCss(path.attribute("style").value());
                e.shape.wordArtFont = ps["font-family"];
                e.shape.wordArtBold = ps["font-weight"] == "bold" ? -1 : 0;
                e.shape.wordArtItalic = ps["font-style"] == "italic" ? -1 : 0;
                // The preset is the shape type's number: o:spt, or the type
                // reference "#_x0000_t136" (LibreOffice leaves out the "#").
                int spt = static_cast<int>(intAttr(v, "o:spt", 0));
                std::string_view type = v.attribute("type").value();
                if (!type.empty() && type.front() == '#') type.remove_prefix(1);
                if (!spt && type.size() > 8 && type.substr(0, 8) == "_x0000_t")
                    std::from_chars(type.data() + 8, type.data() + type.size(), spt);
                e.shape.wordArtPreset = ooxml::presetFromVmlSpt(spt);
            }
            shapes.push_back(std::move(e));
        }
    }

    // A count of grid columns (w:gridBefore, w:gridSpan) within what a Word
    // table can have, so that no sum of them runs off the grid or overflows.
    static int gridColumns(long long n, int least) {
        constexpr long long kMaxTableColumns = 63;
        return static_cast<int>(std::clamp<long long>(n, least, kMaxTableColumns));
    }

    // The cell properties the model reads, from one pass over w:tcPr.
    enum CellProp { kGridSpan, kVMerge, kTcBorders, kCellShading, kVAlign, kTcW, kCellProps };
    static constexpr std::array<std::string_view, kCellProps> kCellPropNames{"w:gridSpan", "w:vMerge", "w:tcBorders",
                                                                            "w:shd",      "w:vAlign", "w:tcW"};
    struct RawCell {
        std::array<pugi::xml_node, kCellProps> props;
        bool mergedAway;
        long long gridStart;  // a sum of counts: wider than int
        int span, first, last;
    };

    void table(pugi::xml_node tbl, int depth) {
        auto tblPr = tbl.child("w:tblPr");
        std::string style = sheet_.tableStyleOf(tblPr);
        bool top = depth == 0 && main_;
        std::size_t tableIndex = doc_.tables_.size();
        if (top) doc_.tables_.emplace_back();

        std::vector<pugi::xml_node> rows;
        for (auto c : tbl.children()) {
            if (is(c, "w:tr")) rows.push_back(c);
            else if (is(c, "w:sdt"))
                for (auto r : c.child("w:sdtContent").children("w:tr")) rows.push_back(r);
        }
        std::vector<std::vector<RawCell>> cells(rows.size());
        std::vector<pugi::xml_node> exceptions(rows.size());
        std::vector<std::optional<double>> heights(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            // One pass over the row for its properties, exceptions and cells.
            pugi::xml_node trPr, tblPrEx;
            std::vector<pugi::xml_node> tcs;
            for (auto c = rows[r].first_child(); c; c = c.next_sibling()) {
                const std::string_view n = c.name();
                if (n == "w:tc") tcs.push_back(c);
                else if (n == "w:trPr" && !trPr) trPr = c;
                else if (n == "w:tblPrEx" && !tblPrEx) tblPrEx = c;
                else if (n == "w:sdt" || n == "w:customXml")
                    for (auto t : (n == "w:sdt" ? c.child("w:sdtContent") : c).children("w:tc")) tcs.push_back(t);
            }
            const auto [trHeight, gridBefore] = ooxml::firstChildren(trPr, std::array<std::string_view, 2>{
                                                                              "w:trHeight", "w:gridBefore"});
            if (trHeight) heights[r] = cellLength(static_cast<double>(intAttr(trHeight, "w:val")) / 20.0);
            exceptions[r] = tblPrEx.child("w:tblBorders");
            long long grid = gridColumns(intAttr(gridBefore, "w:val", 0), 0);
            for (auto tc : tcs) {
                auto props = ooxml::firstChildren(firstChildTagged(tc, Tag::TcPr), kCellPropNames);
                int span = gridColumns(intAttr(props[kGridSpan], "w:val", 1), 1);
                auto vm = props[kVMerge];
                bool mergedAway = vm && std::string_view(vm.attribute("w:val").value()) != "restart";
                int first = static_cast<int>(doc_.chars_.size());
                walkBlocks(tc, style, depth + 1, true);
                cells[r].push_back({props, mergedAway, grid, span, first, static_cast<int>(doc_.chars_.size()) - 1});
                grid += span;
            }
            int p = beginParagraph();
            push(U'\r', CharKind::RowEnd, addRun(sheet_.runFormat(style, "", {})));
            endParagraph(p, sheet_.paraFormat(style, "", nullptr, {}, 10));
            doc_.paras_[static_cast<std::size_t>(p)].rowEnd = true;
        }
        if (!top) return;

        // Table-level properties: the style chain, then the table's own.
        auto chain = sheet_.tablePropsChain(style);
        chain.push_back(tblPr);
        std::array<std::optional<Border>, 6> tableBorders;  // top left bottom right insideH insideV
        std::optional<Shading> tableShading;
        Table& t = doc_.tables_[tableIndex];
        for (auto props : chain) {
            if (auto jc = props.child("w:jc")) t.alignment = ooxml::rowAlignmentOf(jc.attribute("w:val").value());
            if (auto shd = props.child("w:shd")) tableShading = readShading(shd);
            readSides(props.child("w:tblBorders"), tableBorders);
        }
        std::vector<double> grid;
        for (auto g : tbl.child("w:tblGrid").children("w:gridCol"))
            grid.push_back(static_cast<double>(intAttr(g, "w:w")) / 20.0);

        t.rows.reserve(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            TableRow row;
            row.cells.reserve(cells[r].size());
            row.height = heights[r];
            std::array<std::optional<Border>, 6> rowEx;
            readSides(exceptions[r], rowEx);
            for (std::size_t c = 0; c < cells[r].size(); ++c) {
                const RawCell& raw = cells[r][c];
                TableCell cell;
                cell.first = raw.first;
                cell.last = raw.last;
                cell.mergedAway = raw.mergedAway;
                std::array<std::optional<Border>, 6> own;
                auto tcBorders = raw.props[kTcBorders];
                readSides(tcBorders, own);
                bool edge[4] = {r == 0, c == 0, r + 1 == rows.size(), c + 1 == cells[r].size()};
                int inside[4] = {4, 5, 4, 5};
                for (int s = 0; s < 4; ++s) {
                    auto pick = [&](const std::array<std::optional<Border>, 6>& set) {
                        return set[static_cast<std::size_t>(edge[s] ? s : inside[s])];
                    };
                    auto b = own[static_cast<std::size_t>(s)];
                    if (!b) b = pick(rowEx);
                    if (!b) b = pick(tableBorders);
                    cell.borders[static_cast<std::size_t>(s)] = b.value_or(Border{});
                }
                cell.borders[kInsideH] = tableBorders[4].value_or(Border{});
                cell.borders[kInsideV] = tableBorders[5].value_or(Border{});
                cell.borders[kDiagDown] = readBorder(tcBorders.child("w:tl2br"));
                cell.borders[kDiagUp] = readBorder(tcBorders.child("w:tr2bl"));
                if (auto shd = raw.props[kCellShading]) cell.shading = readShading(shd);
                else cell.shading = tableShading.value_or(Shading{});
                cell.verticalAlignment = ooxml::verticalAlignmentOf(raw.props[kVAlign].attribute("w:val").value());
                auto tcW = raw.props[kTcW];
                std::string_view type = tcW.attribute("w:type").value();
                if (tcW && (type == "dxa" || type.empty()) && intAttr(tcW, "w:w", 0) > 0) {
                    cell.width = cellLength(static_cast<double>(intAttr(tcW, "w:w")) / 20.0);
                } else if (raw.gridStart + raw.span <= static_cast<long long>(grid.size())) {
                    double w = 0;
                    for (long long g = raw.gridStart; g < raw.gridStart + raw.span; ++g) w += grid[static_cast<std::size_t>(g)];
                    cell.width = cellLength(w);
                }
                row.cells.push_back(std::move(cell));
            }
            t.rows.push_back(std::move(row));
        }
        for (auto& rowCells : cells)
            for (auto& raw : rowCells) t.verticallyMerged = t.verticallyMerged || raw.mergedAway;
        t.mixedCellWidths = mixedCellWidths(cells, t.rows);
    }

    // Rows lay their cells out alike when each row has as many cells as the
    // first, each starting at the same grid column with the same span and as
    // wide as the cell above it, to a twip (Writer's rounding).
    static bool mixedCellWidths(const std::vector<std::vector<RawCell>>& raw, const std::vector<TableRow>& rows) {
        for (std::size_t r = 1; r < rows.size(); ++r) {
            if (raw[r].size() != raw[0].size()) return true;
            for (std::size_t c = 0; c < raw[r].size(); ++c) {
                if (raw[r][c].gridStart != raw[0][c].gridStart || raw[r][c].span != raw[0][c].span) return true;
                const auto &w = rows[r].cells[c].width, &above = rows[0].cells[c].width;
                if (w.has_value() != above.has_value() || (w && !withinATwip(*w, *above))) return true;
            }
        }
        return false;
    }

    static void readSides(pugi::xml_node borders, std::array<std::optional<Border>, 6>& out) {
        if (!borders) return;
        // Each side by its name, else (left and right) by its logical name.
        enum { Top, Left, Start, Bottom, Right, End, InsideH, InsideV, kNames };
        const auto b = ooxml::firstChildren(borders, std::array<std::string_view, kNames>{
                                                         "w:top", "w:left", "w:start", "w:bottom", "w:right", "w:end",
                                                         "w:insideH", "w:insideV"});
        const pugi::xml_node sides[6] = {b[Top], b[Left] ? b[Left] : b[Start], b[Bottom], b[Right] ? b[Right] : b[End],
                                         b[InsideH], b[InsideV]};
        for (std::size_t i = 0; i < 6; ++i)
            if (sides[i]) out[i] = readBorder(sides[i]);
    }

    Document& doc_;
    StyleSheet& sheet_;
    const DocxPackage& package_;
    bool main_;
    StyleSheet::RunLayers runLayers_;  // of the paragraph being read
    std::vector<Block> blocks_;         // of the containers being walked, outermost first
    pugi::xml_node fallbackTextPath_;  // the WordArt path of the mc:Fallback beside the branch being read
    // The symbols (w:sym) of the paragraph being read: their characters and fonts.
    std::vector<std::pair<std::size_t, std::string_view>> symbols_;
    int nesting_ = 0;
    FieldCodeFilter searchFields_;  // of the main story's search text
};

namespace {

Section readSection(pugi::xml_node s, const std::map<std::string, DocxPackage::Relationship>& rels) {
    Section sec;
    sec.paperSize = 2;  // Letter, Word's size when the section names none
    if (auto sz = s.child("w:pgSz")) {
        sec.pageWidth = static_cast<double>(intAttr(sz, "w:w", 12240)) / 20.0;
        sec.pageHeight = static_cast<double>(intAttr(sz, "w:h", 15840)) / 20.0;
        sec.landscape = std::string_view(sz.attribute("w:orient").value()) == "landscape";
        sec.paperSize = ooxml::paperSizeOf(intAttr(sz, "w:w", 12240), intAttr(sz, "w:h", 15840),
                                           static_cast<int>(intAttr(sz, "w:code", 0)));
    }
    if (auto m = s.child("w:pgMar")) {
        auto len = [&](const char* a, double fallback) {
            return std::abs(static_cast<double>(intAttr(m, a, std::llround(fallback * 20)))) / 20.0;
        };
        sec.top = len("w:top", sec.top);
        sec.bottom = len("w:bottom", sec.bottom);
        sec.left = len("w:left", len("w:start", sec.left));
        sec.right = len("w:right", len("w:end", sec.right));
        sec.gutter = len("w:gutter", sec.gutter);
        sec.header = len("w:header", sec.header);
        sec.footer = len("w:footer", sec.footer);
    }
    if (auto cols = s.child("w:cols")) {
        sec.columns = static_cast<int>(std::max<long long>(1, intAttr(cols, "w:num", 1)));
        sec.firstColumnSpaceAfter = static_cast<double>(intAttr(cols, "w:space", 720)) / 20.0;
        auto first = cols.child("w:col");
        if (first && !ooxml::onOffValue(cols.attribute("w:equalWidth").value())) {
            if (ooxml::hasAttr(cols, "w:equalWidth") || !ooxml::hasAttr(cols, "w:num")) {
                int n = 0;
                for (auto c : cols.children("w:col")) (void)c, ++n;
                sec.columns = n;
            }
            sec.firstColumnSpaceAfter = static_cast<double>(intAttr(first, "w:space", 0)) / 20.0;
        }
    }
    if (auto pb = s.child("w:pgBorders")) {
        const char* sides[4][2] = {{"w:top", nullptr}, {"w:left", "w:start"}, {"w:bottom", nullptr},
                                   {"w:right", "w:end"}};
        for (std::size_t i = 0; i < 4; ++i) {
            auto b = pb.child(sides[i][0]);
            if (!b && sides[i][1]) b = pb.child(sides[i][1]);
            int art = ooxml::pageArtOf(b.attribute("w:val").value());
            sec.pageBorders[i].artStyle = art;
            sec.pageBorders[i].artWidth = art ? static_cast<int>(intAttr(b, "w:sz", 0)) : 0;
        }
    }
    auto refs = [&](const char* element, std::array<std::string, 3>& parts) {
        for (auto ref : s.children(element)) {
            std::string_view type = ref.attribute("w:type").value();
            std::size_t slot = type == "first" ? 1 : type == "even" ? 2 : 0;
            auto it = rels.find(ref.attribute("r:id").value());
            if (it != rels.end()) parts[slot] = it->second.target;
        }
    };
    refs("w:headerReference", sec.headerParts);
    refs("w:footerReference", sec.footerParts);
    sec.startsPage = ooxml::childVal(s, "w:type") != "continuous";
    return sec;
}

// A section shows, for each type of header and footer it has no reference of,
// the previous section's; the first section has only its own.
void inheritHeadersAndFooters(std::vector<Section>& sections) {
    for (std::size_t i = 1; i < sections.size(); ++i)
        for (std::size_t slot = 0; slot < 3; ++slot) {
            if (sections[i].headerParts[slot].empty())
                sections[i].headerParts[slot] = sections[i - 1].headerParts[slot];
            if (sections[i].footerParts[slot].empty())
                sections[i].footerParts[slot] = sections[i - 1].footerParts[slot];
        }
}

// Word's sentences: a sentence ends after . ! ? followed by closing quotes or
// brackets and the spaces after them, after a Chinese 。！？, and at every
// paragraph, cell or row end; a sentence that ends a paragraph takes the
// paragraph mark and the empty paragraphs after it.
std::vector<std::pair<int, int>> splitSentences(const std::vector<Character>& chars) {
    auto isClosing = [](char32_t c) {
        return c == U'"' || c == U'\'' || c == U')' || c == U']' || c == U'}' || c == U'\u201d' || c == U'\u2019' ||
               c == U'\uff09' || c == U'\u300d' || c == U'\u300f' || c == U'\u3011' || c == U'\u300b';
    };
    // Spaces and breaks after the end of a sentence belong to it.
    auto isSpace = [](char32_t c) {
        return c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00a0' || c == U'\f' || c == U'\x0b' || c == U'\x0e';
    };
    auto isLatinEnd = [](char32_t c) { return c == U'.' || c == U'!' || c == U'?'; };
    auto isChineseEnd = [](char32_t c) { return c == U'\u3002' || c == U'\uff01' || c == U'\uff1f' || c == U'\uff0e'; };

    std::vector<std::pair<int, int>> out;
    const int n = static_cast<int>(chars.size());
    int start = 0;
    int i = 0;
    while (i < n) {
        // Most characters neither end a sentence nor are marks: passed over in a tight loop.
        while (i < n && !chars[static_cast<std::size_t>(i)].isMark() &&
               !isLatinEnd(chars[static_cast<std::size_t>(i)].code) &&
               !isChineseEnd(chars[static_cast<std::size_t>(i)].code))
            ++i;
        if (i == n) break;
        const Character& c = chars[static_cast<std::size_t>(i)];
        if (c.isMark()) {
            int end = i + 1;
            if (c.kind == CharKind::ParagraphMark)
                while (end < n && chars[static_cast<std::size_t>(end)].kind == CharKind::ParagraphMark) ++end;
            out.emplace_back(start, end);
            start = i = end;
            continue;
        }
        // c ends a sentence, unless more of its kind or what may follow it goes on.
        bool chinese = isChineseEnd(c.code);
        int j = i + 1;
        while (j < n && !chars[static_cast<std::size_t>(j)].isMark() &&
               (isLatinEnd(chars[static_cast<std::size_t>(j)].code) ||
                isChineseEnd(chars[static_cast<std::size_t>(j)].code)))
            ++j;
        while (j < n && !chars[static_cast<std::size_t>(j)].isMark() && isClosing(chars[static_cast<std::size_t>(j)].code))
            ++j;
        int afterClosing = j;
        while (j < n && !chars[static_cast<std::size_t>(j)].isMark() && isSpace(chars[static_cast<std::size_t>(j)].code))
            ++j;
        bool ends = chinese || j > afterClosing || j == n || chars[static_cast<std::size_t>(j)].isMark();
        if (ends && j < n && chars[static_cast<std::size_t>(j)].isMark()) {
            i = j;  // the mark ends this sentence
            continue;
        }
        if (ends) {
            out.emplace_back(start, j);
            start = i = j;
            continue;
        }
        i = j;
    }
    if (start < n) out.emplace_back(start, n);
    return out;
}

}  // namespace

std::unique_ptr<Document> Document::load(const std::filesystem::path& file) {
    DocxPackage package(file);
    std::string mainPart = package.mainDocumentPart();
    auto main = package.xml(mainPart);
    auto body = main->child("w:document").child("w:body");
    if (!body) throw DocxError("文档 " + file.string() + " 中没有 Word 正文（" + mainPart + " 缺少 w:body）");
    auto rels = package.relationships(mainPart);
    auto partOfType = [&](std::string_view type) {
        for (auto& [id, rel] : rels)
            if (rel.type == type) return rel.target;
        return std::string();
    };
    auto styles = package.xmlIfPresent(partOfType("styles"));
    auto theme = package.xmlIfPresent(partOfType("theme"));
    auto numbering = package.xmlIfPresent(partOfType("numbering"));
    StyleSheet sheet(styles.get(), theme.get(), numbering.get());

    std::unique_ptr<Document> doc(new Document);
    if (auto app = package.xmlIfPresent("docProps/app.xml"))
        doc->libreOffice_ = std::string_view(app->child("Properties").child_value("Application")).find("LibreOffice") !=
                            std::string_view::npos;

    // A character takes some 6 bytes of XML or more, a run some 60, a
    // paragraph (a table cell's, a row end's) some 150; the search text
    // stays within half the part. Room reserved but not used is never touched.
    auto mainSize = std::min<std::size_t>(package.partSize(mainPart), 6u << 20);
    doc->chars_.reserve(mainSize / 6);
    doc->runs_.reserve(mainSize / 60);
    doc->paras_.reserve(mainSize / 150);
    doc->searchText_.reserve(mainSize / 2);
    DocumentBuilder builder(*doc, sheet, package, true);
    pugi::xml_node bodySectPr;  // found by the walk: looking it up would pass over the whole body again
    builder.walkBlocks(body, "", 0, false, &bodySectPr);

    builder.sectionProps.push_back(bodySectPr);
    for (auto s : builder.sectionProps) doc->sections_.push_back(readSection(s, rels));
    inheritHeadersAndFooters(doc->sections_);
    const Section& first = doc->sections_.front();
    for (std::size_t h = 0; h < 3; ++h) {
        if (!first.headerParts[h].empty() && package.has(first.headerParts[h])) {
            auto part = package.xml(first.headerParts[h]);
            doc->firstHeaders_[h] = builder.storyText(part->child("w:hdr"));
            doc->hasFirstHeader_[h] = true;
        }
        if (!first.footerParts[h].empty() && package.has(first.footerParts[h])) {
            auto part = package.xml(first.footerParts[h]);
            doc->firstFooters_[h] = builder.storyText(part->child("w:ftr"));
            doc->hasFirstFooter_[h] = true;
        }
    }

    std::stable_sort(builder.shapes.begin(), builder.shapes.end(), [](const ShapeEntry& a, const ShapeEntry& b) {
        if (a.behind != b.behind) return a.behind;
        return a.z < b.z;
    });
    for (auto& e : builder.shapes) doc->shapes_.push_back(std::move(e.shape));
    doc->sentences_ = splitSentences(doc->chars_);
    doc->fontNames_ = sheet.fonts.take();
    return doc;
}

}  // namespace kav::word
