#include "common/word/ooxml_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "common/answer/value_lists.h"

namespace kav::word::ooxml {

bool onOff(pugi::xml_node element) {
    if (!element) return false;
    auto val = element.attribute("w:val");
    if (!val) return true;
    std::string_view v = val.value();
    return !(v == "0" || v == "false" || v == "off");
}

bool onOffValue(std::string_view v) { return v == "1" || v == "true" || v == "on"; }

bool hasAttr(pugi::xml_node node, const char* name) { return static_cast<bool>(node.attribute(name)); }

namespace {
// A value that is a plain whole number of at most ten digits (nearly every
// one), read without the floating-point parse; nullopt for anything else.
std::optional<long long> plainWholeNumber(std::string_view v) {
    const char *p = v.data(), *end = p + v.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* first = p;
    long long n = 0;
    while (p != end && p - first < 10 && *p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    const bool whole = p != first && (p == end || (*p != '.' && *p != 'e' && *p != 'E' && !(*p >= '0' && *p <= '9')));
    if (!whole) return std::nullopt;
    return negative ? -n : n;
}
}  // namespace

long long intAttr(pugi::xml_node node, const char* name, long long fallback) {
    return intValue(node.attribute(name), fallback);
}

long long intValue(pugi::xml_attribute a, long long fallback) {
    if (!a) return fallback;
    std::string_view v = a.value();
    if (auto n = plainWholeNumber(v)) return std::abs(static_cast<double>(*n)) <= kMaxIntAttr ? *n : fallback;
    // Some writers put a decimal point in twips values ("708.65"); take the whole part.
    double d = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec != std::errc{} || end == v.data()) return fallback;
    // Every integral OOXML attribute fits 32 bits; beyond that (1e308, inf,
    // nan) the value is as unreadable as text.
    if (!(std::fabs(d) <= kMaxIntAttr)) return fallback;
    return std::llround(d);
}

std::string_view childVal(pugi::xml_node parent, const char* child) {
    return parent.child(child).attribute("w:val").value();
}

namespace {
template <std::size_t N>
int lookup(const std::array<std::pair<std::string_view, int>, N>& table, std::string_view key, int fallback) {
    for (auto& [k, v] : table)
        if (k == key) return v;
    return fallback;
}
}  // namespace

int lineStyleOf(std::string_view v) {
    static constexpr std::array<std::pair<std::string_view, int>, 28> t{{
        {"nil", 0}, {"none", 0}, {"single", 1}, {"thick", 1}, {"dotted", 2}, {"dashSmallGap", 3}, {"dashed", 4},
        {"dotDash", 5}, {"dotDotDash", 6}, {"double", 7}, {"triple", 8}, {"thinThickSmallGap", 9},
        {"thickThinSmallGap", 10}, {"thinThickThinSmallGap", 11}, {"thinThickMediumGap", 12},
        {"thickThinMediumGap", 13}, {"thinThickThinMediumGap", 14}, {"thinThickLargeGap", 15},
        {"thickThinLargeGap", 16}, {"thinThickThinLargeGap", 17}, {"wave", 18}, {"doubleWave", 19},
        {"dashDotStroked", 20}, {"threeDEmboss", 21}, {"threeDEngrave", 22}, {"outset", 23}, {"inset", 24},
        {"", 0},
    }};
    return lookup(t, v, 1);  // an art border or an unknown style draws a line
}

int textureOf(std::string_view v) {
    static constexpr std::array<std::pair<std::string_view, int>, 16> t{{
        {"clear", 0}, {"nil", 0}, {"", 0}, {"solid", 1000}, {"horzStripe", -1}, {"vertStripe", -2},
        {"reverseDiagStripe", -3}, {"diagStripe", -4}, {"horzCross", -5}, {"diagCross", -6},
        {"thinHorzStripe", -7}, {"thinVertStripe", -8}, {"thinReverseDiagStripe", -9}, {"thinDiagStripe", -10},
        {"thinHorzCross", -11}, {"thinDiagCross", -12},
    }};
    if (v.size() > 3 && v.substr(0, 3) == "pct") {
        int n = 0;
        auto [end, ec] = std::from_chars(v.data() + 3, v.data() + v.size(), n);
        if (ec != std::errc{} || end != v.data() + v.size() || n < 0 || n > 100) return 0;  // no such pattern
        if (n == 12) return 125;
        if (n == 37) return 375;
        if (n == 62) return 625;
        if (n == 87) return 875;
        return n * 10;
    }
    return lookup(t, v, 0);
}

int underlineOf(std::string_view v) {
    static constexpr std::array<std::pair<std::string_view, int>, 19> t{{
        {"none", 0}, {"single", 1}, {"words", 2}, {"double", 3}, {"dotted", 4}, {"thick", 6}, {"dash", 7},
        {"dotDash", 9}, {"dotDotDash", 10}, {"wave", 11}, {"dottedHeavy", 20}, {"dashedHeavy", 23},
        {"dashDotHeavy", 25}, {"dashDotDotHeavy", 26}, {"wavyHeavy", 27}, {"dashLong", 39},
        {"wavyDouble", 43}, {"dashLongHeavy", 55}, {"", 1},
    }};
    return lookup(t, v, 0);
}

int alignmentOf(std::string_view v) {
    static constexpr std::array<std::pair<std::string_view, int>, 11> t{{
        {"left", 0}, {"start", 0}, {"center", 1}, {"right", 2}, {"end", 2}, {"both", 3}, {"distribute", 4},
        {"mediumKashida", 5}, {"highKashida", 7}, {"lowKashida", 8}, {"thaiDistribute", 4},
    }};
    return lookup(t, v, 0);
}

int rowAlignmentOf(std::string_view v) {
    static constexpr std::array<std::pair<std::string_view, int>, 5> t{{
        {"left", 0}, {"start", 0}, {"center", 1}, {"right", 2}, {"end", 2},
    }};
    return lookup(t, v, 0);
}

int verticalAlignmentOf(std::string_view v) {
    if (v == "center") return 1;
    if (v == "bottom") return 3;
    return 0;
}

int pageArtOf(std::string_view art) {
    auto& list = answer::valueList(answer::ListId::PageArt);
    for (int i = 0; i < list.size(); ++i)
        if (answer::pageArtOoxmlName(i) == art) return i + 1;
    return 0;
}

int textOrientationOf(std::string_view v) {
    if (v == "vert") return 3;
    if (v == "vert270") return 2;
    if (v == "eaVert" || v == "mongolianVert") return 4;
    if (v == "wordArtVert" || v == "wordArtVertRtl") return 5;
    return 1;
}

int presetTextShapeOf(std::string_view prst) {
    static constexpr std::array<std::string_view, 40> names{
        "textPlain", "textStop", "textTriangle", "textTriangleInverted", "textChevron", "textChevronInverted",
        "textRingInside", "textRingOutside", "textArchUp", "textArchDown", "textCircle", "textButton",
        "textArchUpPour", "textArchDownPour", "textCirclePour", "textButtonPour", "textCurveUp", "textCurveDown",
        "textCanUp", "textCanDown", "textWave1", "textWave2", "textDoubleWave1", "textWave4", "textInflate",
        "textDeflate", "textInflateBottom", "textDeflateBottom", "textInflateTop", "textDeflateTop",
        "textDeflateInflate", "textDeflateInflateDeflate", "textFadeRight", "textFadeLeft", "textFadeUp",
        "textFadeDown", "textSlantUp", "textSlantDown", "textCascadeUp", "textCascadeDown"};
    auto it = std::find(names.begin(), names.end(), prst);
    return it == names.end() ? -2 : static_cast<int>(it - names.begin()) + 1;
}

int presetFromVmlSpt(int spt) {
    if (spt == 154) return 39;
    if (spt == 155) return 40;
    if (spt == 174) return 19;
    if (spt == 175) return 20;
    if ((spt >= 136 && spt <= 153) || (spt >= 156 && spt <= 173)) return spt - 135;
    return -2;
}

int paperSizeOf(long long w, long long h, int code) {
    struct Paper {
        long long shortSide, longSide;
        int size;
    };
    // Word's paper sizes in twips, shorter side first; the first match wins, the
    // printer's paper code decides between sizes of equal dimensions.
    static constexpr std::array<Paper, 36> papers{{
        {12240, 15840, 2},  {12240, 20160, 4},  {10440, 15120, 5},  {16838, 23811, 6},  {11906, 16838, 7},
        {8391, 11906, 9},   {14570, 20636, 10}, {10318, 14570, 11}, {14400, 20160, 0},  {12240, 18720, 18},
        {7920, 12240, 22},  {15840, 24480, 23}, {5940, 13680, 25},  {6237, 12474, 37},  {9185, 12984, 34},
        {12189, 15591, 21}, {24480, 31680, 12}, {31680, 48960, 13}, {48960, 63360, 14}, {15840, 21420, 17},
        {12240, 17280, 16}, {5580, 12780, 24},  {6480, 14940, 26},  {6840, 15840, 27},  {7200, 16560, 28},
        {14173, 20013, 29}, {9979, 14173, 30},  {7087, 9979, 31},   {18368, 25965, 32}, {12983, 18368, 33},
        {6463, 9184, 35},   {6463, 12983, 36},  {6236, 13039, 38},  {5580, 10800, 39},  {5220, 9360, 40},
        {11906, 16838, 7},
    }};
    if (std::fabs(static_cast<double>(w)) > kMaxIntAttr || std::fabs(static_cast<double>(h)) > kMaxIntAttr) return 41;
    long long s = std::min(w, h), l = std::max(w, h);
    auto near = [](long long a, long long b) { return std::llabs(a - b) <= 20; };
    if (near(s, 15840) && near(l, 24480)) {
        if (code == 4) return 19;   // ledger
        if (code == 17) return 1;   // 11 x 17 in
        return 23;                  // tabloid
    }
    for (auto& p : papers)
        if (near(s, p.shortSide) && near(l, p.longSide)) return p.size;
    return 41;  // wdPaperCustom
}

}  // namespace kav::word::ooxml
