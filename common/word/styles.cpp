#include "common/word/styles.h"

#include <cstring>

#include "common/word/ooxml_values.h"

namespace kav::word {

using ooxml::intAttr;
using ooxml::onOff;
using ooxml::onOffValue;

namespace {
void setToggle(CharFormat& f, int i, bool v) {
    switch (i) {
    case 0: f.bold = v; break;
    case 1: f.italic = v; break;
    case 2: f.emboss = v; break;
    case 3: f.engrave = v; break;
    case 4: f.shadow = v; break;
    default: f.strike = v; break;
    }
}

pugi::xml_node firstOf(pugi::xml_node parent, const char* a, const char* b) {
    auto n = parent.child(a);
    return n ? n : parent.child(b);
}
}  // namespace

Border readBorder(pugi::xml_node b) {
    Border border;
    if (!b) return border;
    border.lineStyle = ooxml::lineStyleOf(b.attribute("w:val").value());
    border.lineWidth = static_cast<int>(intAttr(b, "w:sz", 0));
    border.color = colorFromHex(b.attribute("w:color").value());
    border.shadow = b.attribute("w:shadow") && onOffValue(b.attribute("w:shadow").value());
    if (!border.present()) border = Border{};
    return border;
}

Shading readShading(pugi::xml_node shd) {
    Shading s;
    if (!shd) return s;
    s.texture = ooxml::textureOf(shd.attribute("w:val").value());
    s.fill = colorFromHex(shd.attribute("w:fill").value());
    return s;
}

StyleSheet::StyleSheet(const pugi::xml_document* styles, const pugi::xml_document* theme,
                       const pugi::xml_document* numbering) {
    if (styles) {
        auto root = styles->child("w:styles");
        auto defaults = root.child("w:docDefaults");
        rPrDefault_ = defaults.child("w:rPrDefault").child("w:rPr");
        pPrDefault_ = defaults.child("w:pPrDefault").child("w:pPr");
        for (auto s : root.children("w:style")) {
            Style style;
            style.type = s.attribute("w:type").value();
            style.basedOn = ooxml::childVal(s, "w:basedOn");
            style.pPr = s.child("w:pPr");
            style.rPr = s.child("w:rPr");
            style.tblPr = s.child("w:tblPr");
            std::string id = s.attribute("w:styleId").value();
            if (onOffValue(s.attribute("w:default").value())) {
                if (style.type == "paragraph" && defaultParagraphStyle_.empty()) defaultParagraphStyle_ = id;
                if (style.type == "table" && defaultTableStyle_.empty()) defaultTableStyle_ = id;
            }
            styles_.emplace(std::move(id), style);
        }
    }
    if (theme) {
        auto scheme = theme->first_element_by_path("a:theme/a:themeElements/a:fontScheme");
        for (const char* which : {"major", "minor"}) {
            auto font = scheme.child(std::strcmp(which, "major") == 0 ? "a:majorFont" : "a:minorFont");
            std::string w = which;
            std::string latin = font.child("a:latin").attribute("typeface").value();
            std::string ea = font.child("a:ea").attribute("typeface").value();
            std::string cs = font.child("a:cs").attribute("typeface").value();
            if (ea.empty())
                for (auto f : font.children("a:font"))
                    if (std::string_view(f.attribute("script").value()) == "Hans") ea = f.attribute("typeface").value();
            themeFonts_[w + "Ascii"] = latin;
            themeFonts_[w + "HAnsi"] = latin;
            themeFonts_[w + "EastAsia"] = ea;
            themeFonts_[w + "Bidi"] = cs;
        }
    }
    if (numbering) {
        auto root = numbering->child("w:numbering");
        std::map<std::string, pugi::xml_node> abstracts;
        for (auto a : root.children("w:abstractNum")) abstracts[a.attribute("w:abstractNumId").value()] = a;
        for (auto num : root.children("w:num")) {
            std::string numId = num.attribute("w:numId").value();
            auto it = abstracts.find(std::string(ooxml::childVal(num, "w:abstractNumId")));
            if (it != abstracts.end())
                for (auto lvl : it->second.children("w:lvl"))
                    numberingLevels_[numId + "/" + lvl.attribute("w:ilvl").value()] = lvl;
            for (auto over : num.children("w:lvlOverride"))
                if (auto lvl = over.child("w:lvl"))
                    numberingLevels_[numId + "/" + over.attribute("w:ilvl").value()] = lvl;
        }
    }
}

std::vector<const StyleSheet::Style*> StyleSheet::chain(const std::string& id) const {
    std::vector<const Style*> out;
    std::string cur = id;
    while (!cur.empty() && out.size() < 32) {  // a loop of basedOn ends here
        auto it = styles_.find(cur);
        if (it == styles_.end()) break;
        out.insert(out.begin(), &it->second);
        cur = it->second.basedOn;
    }
    return out;
}

std::string_view StyleSheet::themeFont(std::string_view name) const {
    auto it = themeFonts_.find(name);
    return it == themeFonts_.end() ? std::string_view() : std::string_view(it->second);
}

std::uint16_t FontNames::id(std::string_view name) {
    auto it = ids_.find(name);
    if (it != ids_.end()) return it->second;
    if (names_.size() >= 0xFFFF) return 0;  // more fonts than any document names
    names_.emplace_back(name);
    auto n = static_cast<std::uint16_t>(names_.size() - 1);
    ids_.emplace(std::string(name), n);
    return n;
}

void StyleSheet::readFonts(pugi::xml_node rFonts, CharFormat& f) {
    // One pass over the attributes: the first of each name counts.
    static constexpr std::string_view kPlain[kFontSlots] = {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"};
    static constexpr std::string_view kTheme[kFontSlots] = {"w:asciiTheme", "w:hAnsiTheme", "w:eastAsiaTheme",
                                                            "w:cstheme"};
    std::array<const char*, kFontSlots> plain{}, theme{};
    for (auto a : rFonts.attributes()) {
        std::string_view n = a.name();
        if (n == "w:hint") {
            f.hintEastAsia = std::string_view(a.value()) == "eastAsia";
            continue;
        }
        for (int slot = 0; slot < kFontSlots; ++slot) {
            if (n == kPlain[slot] && !plain[slot]) plain[slot] = a.value();
            else if (n == kTheme[slot] && !theme[slot]) theme[slot] = a.value();
        }
    }
    // A theme font the theme names wins over the plain name.
    for (int slot = 0; slot < kFontSlots; ++slot) {
        std::string_view name = theme[slot] ? themeFont(theme[slot]) : std::string_view();
        if (!name.empty()) f.fonts[slot] = fonts.id(name);
        else if (plain[slot]) f.fonts[slot] = fonts.id(plain[slot]);
    }
}

// The run properties the model reads.
enum class RunProp : std::uint8_t {
    Other, Style, Fonts, Size, Color, DoubleStrike, Underline, Border, Shading,
    Bold, Italic, Emboss, Imprint, Shadow, Strike,  // the toggles, in the order of StyleSheet::Toggles
};

namespace {
// Named by the local name's length first, so that each comparison is of a known size.
RunProp runPropOf(const char* name) {
    if (name[0] != 'w' || name[1] != ':') return RunProp::Other;
    const std::string_view n(name + 2);
    switch (n.size()) {
    case 1: return n[0] == 'b' ? RunProp::Bold : n[0] == 'i' ? RunProp::Italic : n[0] == 'u' ? RunProp::Underline
                                                                                         : RunProp::Other;
    case 2: return n == "sz" ? RunProp::Size : RunProp::Other;
    case 3: return n == "bdr" ? RunProp::Border : n == "shd" ? RunProp::Shading : RunProp::Other;
    case 5: return n == "color" ? RunProp::Color : RunProp::Other;
    case 6:
        return n == "rStyle" ? RunProp::Style : n == "rFonts" ? RunProp::Fonts : n == "emboss" ? RunProp::Emboss
             : n == "shadow" ? RunProp::Shadow : n == "strike" ? RunProp::Strike : RunProp::Other;
    case 7: return n == "dstrike" ? RunProp::DoubleStrike : n == "imprint" ? RunProp::Imprint : RunProp::Other;
    default: return RunProp::Other;
    }
}
}  // namespace

void StyleSheet::applyRunProperty(RunProp kind, pugi::xml_node e, CharFormat& f, Toggles& t, bool& fontsRead) {
    switch (kind) {
    case RunProp::Fonts:
        if (!fontsRead) readFonts(e, f);  // the first w:rFonts counts
        fontsRead = true;
        break;
    case RunProp::Size: f.halfPoints = static_cast<int>(intAttr(e, "w:val", f.halfPoints)); break;
    case RunProp::Color: f.color = colorFromHex(e.attribute("w:val").value()); break;
    case RunProp::DoubleStrike: f.doubleStrike = onOff(e); break;
    case RunProp::Underline: f.underline = ooxml::underlineOf(e.attribute("w:val").value()); break;
    case RunProp::Border: f.border = readBorder(e); break;
    case RunProp::Shading: f.shading = readShading(e); break;
    case RunProp::Bold:
    case RunProp::Italic:
    case RunProp::Emboss:
    case RunProp::Imprint:
    case RunProp::Shadow:
    case RunProp::Strike:
        t.v[static_cast<std::size_t>(kind) - static_cast<std::size_t>(RunProp::Bold)] = onOff(e);
        break;
    case RunProp::Style:
    case RunProp::Other: break;
    }
}

void StyleSheet::readRPr(pugi::xml_node rPr, CharFormat& f, Toggles& t) {
    bool fontsRead = false;
    for (auto e = rPr.first_child(); e; e = e.next_sibling()) applyRunProperty(runPropOf(e.name()), e, f, t, fontsRead);
}

template <class Value>
const Value* StyleSheet::Recent<Value>::find(const Names& names) const {
    auto same = [&names](const Entry& e) {
        if (!e.value) return false;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (e.names[i].has_value() != names[i].has_value() || (names[i] && *e.names[i] != *names[i])) return false;
        return true;
    };
    if (same(entries_[last_])) return entries_[last_].value;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (i != last_ && same(entries_[i])) {
            last_ = i;
            return entries_[i].value;
        }
    return nullptr;
}

template <class Value>
void StyleSheet::Recent<Value>::add(const Names& names, const Value* value) {
    Entry& e = entries_[next_];
    for (std::size_t i = 0; i < names.size(); ++i) e.names[i] = names[i] ? std::optional<std::string>(*names[i]) : std::nullopt;
    e.value = value;
    last_ = next_;
    next_ = (next_ + 1) % entries_.size();
}

const StyleSheet::Base& StyleSheet::base(const std::string& tblStyle, const std::string& pStyle,
                                         std::string_view rStyle) {
    const Names names{tblStyle, pStyle, rStyle, std::nullopt};
    if (const Base* recent = recentBases_.find(names)) return *recent;
    std::string key = tblStyle + '\x1f' + pStyle + '\x1f' + std::string(rStyle);
    auto it = baseCache_.find(key);
    if (it == baseCache_.end()) it = baseCache_.emplace(std::move(key), resolveBase(tblStyle, pStyle, rStyle)).first;
    recentBases_.add(names, &it->second);
    return it->second;
}

StyleSheet::Base StyleSheet::resolveBase(const std::string& tblStyle, const std::string& pStyle,
                                         std::string_view rStyle) {
    Base b;
    auto level = [&](const std::vector<const Style*>& styles, pugi::xml_node extra) {
        Toggles t;
        if (extra) readRPr(extra, b.format, t);
        for (auto* s : styles) readRPr(s->rPr, b.format, t);
        for (int i = 0; i < 6; ++i)
            if (t.v[i].value_or(false)) b.toggles[i] = !b.toggles[i];
    };
    level({}, rPrDefault_);
    if (!tblStyle.empty()) level(chain(tblStyle), {});
    level(chain(pStyle.empty() ? defaultParagraphStyle_ : pStyle), {});
    if (!rStyle.empty()) level(chain(std::string(rStyle)), {});
    return b;
}

StyleSheet::RunLayers StyleSheet::runLayers(const std::string& tblStyle, const std::string& pStyle) {
    RunLayers layers;
    layers.tblStyle_ = &tblStyle;
    layers.pStyle_ = &pStyle;
    layers.base_ = &base(tblStyle, pStyle, {});
    return layers;
}

CharFormat StyleSheet::runFormat(const RunLayers& layers, pugi::xml_node rPr) {
    // One pass over the direct properties: the character style is needed
    // first (the base depends on it), the others are applied after it, in
    // their order.
    std::string_view rStyle;
    bool styleSeen = false;
    directProps_.clear();
    for (auto e = rPr.first_child(); e; e = e.next_sibling()) {
        RunProp kind = runPropOf(e.name());
        if (kind == RunProp::Style && !styleSeen) {
            rStyle = e.attribute("w:val").value();
            styleSeen = true;
        } else if (kind != RunProp::Other && kind != RunProp::Style) {
            directProps_.emplace_back(kind, e);
        }
    }
    const Base& b = rStyle.empty() ? *layers.base_ : base(*layers.tblStyle_, *layers.pStyle_, rStyle);
    CharFormat f = b.format;
    Toggles direct;
    bool fontsRead = false;
    for (auto [kind, e] : directProps_) applyRunProperty(kind, e, f, direct, fontsRead);
    for (int i = 0; i < 6; ++i) setToggle(f, i, direct.v[i].value_or(b.toggles[i]));
    return f;
}

const std::string& StyleSheet::paragraphStyleOf(std::string_view id) const {
    auto it = id.empty() ? styles_.end() : styles_.find(id);
    return it == styles_.end() ? defaultParagraphStyle_ : it->first;
}

std::string StyleSheet::tableStyleOf(pugi::xml_node tblPr) const {
    std::string id(ooxml::childVal(tblPr, "w:tblStyle"));
    return id.empty() || !styles_.count(id) ? defaultTableStyle_ : id;
}

std::vector<pugi::xml_node> StyleSheet::tablePropsChain(const std::string& tblStyle) const {
    std::vector<pugi::xml_node> out;
    for (auto* s : chain(tblStyle))
        if (s->tblPr) out.push_back(s->tblPr);
    return out;
}

namespace {
// The paragraph properties the model reads.
enum class ParaProp : std::uint8_t { Other, Ind, Spacing, Jc, Borders, Shading, PageBreakBefore, Frame, Numbering };

// Named by the local name's length first, like the run properties.
ParaProp paraPropOf(const char* name) {
    if (name[0] != 'w' || name[1] != ':') return ParaProp::Other;
    const std::string_view n(name + 2);
    switch (n.size()) {
    case 2: return n == "jc" ? ParaProp::Jc : ParaProp::Other;
    case 3: return n == "ind" ? ParaProp::Ind : n == "shd" ? ParaProp::Shading : ParaProp::Other;
    case 4: return n == "pBdr" ? ParaProp::Borders : ParaProp::Other;
    case 5: return n == "numPr" ? ParaProp::Numbering : ParaProp::Other;
    case 7: return n == "spacing" ? ParaProp::Spacing : n == "framePr" ? ParaProp::Frame : ParaProp::Other;
    case 15: return n == "pageBreakBefore" ? ParaProp::PageBreakBefore : ParaProp::Other;
    default: return ParaProp::Other;
    }
}

void readIndentation(pugi::xml_node ind, RawParaProps& p) {
    enum { Left, Start, LeftChars, StartChars, Right, End, RightChars, EndChars, FirstLine, FirstLineChars,
           Hanging, HangingChars, kNames };
    static constexpr std::array<std::string_view, kNames> names{
        "w:left",  "w:start", "w:leftChars",  "w:startChars",     "w:right",   "w:end",
        "w:rightChars", "w:endChars", "w:firstLine", "w:firstLineChars", "w:hanging", "w:hangingChars"};
    const auto a = ooxml::firstAttributes(ind, names);
    auto take = [&](std::optional<long long>& dst, int first, int other = -1) {
        if (a[first]) dst = ooxml::intValue(a[first]);
        else if (other >= 0 && a[other]) dst = ooxml::intValue(a[other]);
    };
    // A side stated in points, in characters or both replaces both of a lower layer.
    auto side = [&](std::optional<long long>& twips, std::optional<long long>& chars, int t1, int t2, int c1, int c2) {
        if (a[t1] || a[t2] || a[c1] || a[c2]) {
            twips.reset();
            chars.reset();
            take(twips, t1, t2);
            take(chars, c1, c2);
        }
    };
    side(p.left, p.leftChars, Left, Start, LeftChars, StartChars);
    side(p.right, p.rightChars, Right, End, RightChars, EndChars);
    // firstLine and hanging exclude each other; either replaces both of a lower layer.
    if (a[Hanging] || a[HangingChars] || a[FirstLine] || a[FirstLineChars]) {
        p.firstLine.reset();
        p.firstLineChars.reset();
        p.hanging.reset();
        p.hangingChars.reset();
        if (a[Hanging] || a[HangingChars]) {
            take(p.hanging, Hanging);
            take(p.hangingChars, HangingChars);
        } else {
            take(p.firstLine, FirstLine);
            take(p.firstLineChars, FirstLineChars);
        }
    }
}

void readSpacing(pugi::xml_node spacing, RawParaProps& p) {
    enum { Line, Rule, After, AfterLines, AfterAuto, kNames };
    static constexpr std::array<std::string_view, kNames> names{"w:line", "w:lineRule", "w:after", "w:afterLines",
                                                                "w:afterAutospacing"};
    const auto a = ooxml::firstAttributes(spacing, names);
    if (a[Line]) p.line = ooxml::intValue(a[Line]);
    if (a[Rule]) {
        std::string_view rule = a[Rule].value();
        p.lineRule = rule == "atLeast" ? LineRule::AtLeast : rule == "exact" ? LineRule::Exact : LineRule::Auto;
    }
    if (a[After]) p.after = ooxml::intValue(a[After]);
    if (a[AfterLines]) p.afterLines = ooxml::intValue(a[AfterLines]);
    if (a[AfterAuto]) p.afterAutospacing = onOffValue(a[AfterAuto].value());
}

}  // namespace

bool readParagraphProperty(pugi::xml_node e, RawParaProps& p) {
    const ParaProp kind = paraPropOf(e.name());
    switch (kind) {
    case ParaProp::Ind: readIndentation(e, p); break;
    case ParaProp::Spacing: readSpacing(e, p); break;
    case ParaProp::Jc: p.alignment = ooxml::alignmentOf(e.attribute("w:val").value()); break;
    case ParaProp::Borders: {
        const char* sides[5][2] = {{"w:top", nullptr}, {"w:left", "w:start"}, {"w:bottom", nullptr},
                                   {"w:right", "w:end"}, {"w:between", nullptr}};
        for (int i = 0; i < 5; ++i) {
            auto b = sides[i][1] ? firstOf(e, sides[i][0], sides[i][1]) : e.child(sides[i][0]);
            if (b) p.borders[static_cast<std::size_t>(i)] = readBorder(b);
        }
        break;
    }
    case ParaProp::Shading: p.shading = readShading(e); break;
    case ParaProp::PageBreakBefore: p.pageBreakBefore = onOff(e); break;
    case ParaProp::Frame: {
        DropCap d;
        std::string_view dropCap = e.attribute("w:dropCap").value();
        d.position = dropCap == "drop" ? 1 : dropCap == "margin" ? 2 : 0;
        d.lines = static_cast<int>(intAttr(e, "w:lines", d.position ? 1 : 0));
        d.distance = static_cast<double>(intAttr(e, "w:hSpace", 0)) / 20.0;
        p.dropCap = d;
        break;
    }
    case ParaProp::Numbering:
        if (auto id = e.child("w:numId")) p.numId = std::string_view(id.attribute("w:val").value());
        if (auto lvl = e.child("w:ilvl")) p.ilvl = static_cast<int>(intAttr(lvl, "w:val"));
        break;
    case ParaProp::Other: break;
    }
    return kind != ParaProp::Other && kind != ParaProp::Numbering;
}

void StyleSheet::readPPr(pugi::xml_node pPr, RawParaProps& p) const {
    for (auto e = pPr.first_child(); e; e = e.next_sibling()) readParagraphProperty(e, p);
}

ParaFormat StyleSheet::paraFormat(const std::string& tblStyle, const std::string& pStyle, const RawParaProps* own,
                                  pugi::xml_node numPr, double fontSize) {
    const RawParaProps& layers = paraBase(tblStyle, pStyle.empty() ? defaultParagraphStyle_ : pStyle, numPr);
    if (own) return layers.overlaidWith(*own).resolve(fontSize);
    auto [it, added] = layersOnly_.try_emplace({&layers, fontSize});
    if (added) it->second = layers.resolve(fontSize);
    return it->second;
}

// The layers below the paragraph's own properties: document defaults, the
// table style, the numbering level and the paragraph style chain.
const RawParaProps& StyleSheet::paraBase(const std::string& tblStyle, const std::string& style, pugi::xml_node numPr) {
    // The direct numPr's numId and ilvl, as written; they choose the numbering level before the style's.
    auto directId = numPr.child("w:numId"), directLevel = numPr.child("w:ilvl");
    auto stated = [](pugi::xml_node e) {
        return e ? std::optional<std::string_view>(e.attribute("w:val").value()) : std::nullopt;
    };
    const Names names{tblStyle, style, stated(directId), stated(directLevel)};
    if (const RawParaProps* recent = recentParaBases_.find(names)) return *recent;

    auto styleIt = styleProps_.find(style);
    if (styleIt == styleProps_.end()) {
        RawParaProps own;
        for (auto* s : chain(style)) readPPr(s->pPr, own);
        styleIt = styleProps_.emplace(style, std::move(own)).first;
    }
    std::string_view numId = directId ? *names[2] : styleIt->second.numId.value_or(std::string_view());
    int ilvl = directLevel ? static_cast<int>(intAttr(directLevel, "w:val")) : styleIt->second.ilvl.value_or(0);
    std::string level = std::string(numId) + '/' + std::to_string(ilvl);
    std::string key = tblStyle + '\x1f' + style + '\x1f' + level;
    auto baseIt = paraBase_.find(key);
    if (baseIt == paraBase_.end()) {
        RawParaProps p;
        readPPr(pPrDefault_, p);
        if (!tblStyle.empty())
            for (auto* s : chain(tblStyle)) readPPr(s->pPr, p);
        auto levelIt = numberingLevels_.find(level);
        if (!numId.empty() && levelIt != numberingLevels_.end()) readPPr(levelIt->second.child("w:pPr"), p);
        for (auto* s : chain(style)) readPPr(s->pPr, p);
        baseIt = paraBase_.emplace(std::move(key), std::move(p)).first;
    }
    recentParaBases_.add(names, &baseIt->second);
    return baseIt->second;
}

RawParaProps RawParaProps::overlaidWith(const RawParaProps& own) const {
    RawParaProps r = *this;
    auto together = [](auto& dst, const auto& src, bool stated) {
        if (stated) dst = src;
    };
    const bool left = own.left || own.leftChars, right = own.right || own.rightChars;
    const bool firstOrHanging = own.firstLine || own.firstLineChars || own.hanging || own.hangingChars;
    together(r.left, own.left, left);
    together(r.leftChars, own.leftChars, left);
    together(r.right, own.right, right);
    together(r.rightChars, own.rightChars, right);
    together(r.firstLine, own.firstLine, firstOrHanging);
    together(r.firstLineChars, own.firstLineChars, firstOrHanging);
    together(r.hanging, own.hanging, firstOrHanging);
    together(r.hangingChars, own.hangingChars, firstOrHanging);
    auto over = [](auto& dst, const auto& src) {
        if (src) dst = src;
    };
    over(r.line, own.line);
    over(r.after, own.after);
    over(r.afterLines, own.afterLines);
    over(r.lineRule, own.lineRule);
    over(r.alignment, own.alignment);
    over(r.afterAutospacing, own.afterAutospacing);
    over(r.pageBreakBefore, own.pageBreakBefore);
    for (std::size_t i = 0; i < r.borders.size(); ++i) over(r.borders[i], own.borders[i]);
    over(r.shading, own.shading);
    over(r.dropCap, own.dropCap);
    over(r.numId, own.numId);
    over(r.ilvl, own.ilvl);
    return r;
}

ParaFormat RawParaProps::resolve(double fontSize) const {
    ParaFormat f;
    // A length in characters takes precedence over its points, as in Word
    // (WPS and Word write both, and the points may be stale); characters are
    // turned into points with the font size. A count of 0 characters is how
    // Word cancels a style's characters: the points then hold.
    auto length = [&](const std::optional<long long>& chars, const std::optional<long long>& twips) {
        if (chars && *chars != 0) return static_cast<double>(*chars) / 100.0 * fontSize;
        if (twips) return static_cast<double>(*twips) / 20.0;
        return 0.0;
    };
    f.leftIndent = length(leftChars, left);
    f.rightIndent = length(rightChars, right);
    if (hanging || hangingChars) f.firstLineIndent = -length(hangingChars, hanging);
    else f.firstLineIndent = length(firstLineChars, firstLine);

    long long l = line.value_or(240);
    switch (lineRule.value_or(LineRule::Auto)) {
    case LineRule::AtLeast: f.lineSpacingRule = 3; break;
    case LineRule::Exact: f.lineSpacingRule = 4; break;
    case LineRule::Auto: f.lineSpacingRule = l == 240 ? 0 : l == 360 ? 1 : l == 480 ? 2 : 5; break;
    }

    if (afterAutospacing.value_or(false)) f.spaceAfter = 14;
    else if (after) f.spaceAfter = static_cast<double>(*after) / 20.0;
    else if (afterLines) f.spaceAfter = static_cast<double>(*afterLines) / 100.0 * 12.0;

    f.alignment = alignment.value_or(0);
    for (std::size_t i = 0; i < borders.size(); ++i) f.borders[i] = borders[i].value_or(Border{});
    f.shading = shading.value_or(Shading{});
    f.pageBreakBefore = pageBreakBefore.value_or(false);
    f.dropCap = dropCap.value_or(DropCap{});
    return f;
}

}  // namespace kav::word
