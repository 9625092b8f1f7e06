#pragma once
// OOXML attribute values and their Word object-model equivalents.
#include <array>
#include <cstddef>
#include <string_view>

#include <pugixml.hpp>

namespace kav::word::ooxml {

// ST_OnOff: an element present without w:val is true.
bool onOff(pugi::xml_node element);
// An ST_OnOff attribute value: "1", "true" or "on".
bool onOffValue(std::string_view value);
// A twips or other integral attribute; fallback when absent, not a number or
// beyond what 32 bits hold (plus or minus kMaxIntAttr).
constexpr double kMaxIntAttr = 4294967295.0;
long long intAttr(pugi::xml_node node, const char* name, long long fallback = 0);
long long intValue(pugi::xml_attribute attribute, long long fallback = 0);  // the same, of an attribute at hand
bool hasAttr(pugi::xml_node node, const char* name);
// Whether an element's name (NUL-terminated) is `expected`: compared in
// line, stopping at the first difference, never reading past the name.
inline bool nameIs(const char* name, std::string_view expected) {
    for (char c : expected)
        if (*name++ != c) return false;
    return *name == '\0';
}
// The w:val of a child element, "" when absent.
std::string_view childVal(pugi::xml_node parent, const char* child);

namespace detail {
// The first item of each of `names` among first and the items after it.
template <class Item, std::size_t N, class Next>
std::array<Item, N> firstNamed(Item first, Next next, const std::array<std::string_view, N>& names) {
    std::array<Item, N> found{};
    for (Item item = first; item; item = next(item)) {
        const char* n = item.name();
        for (std::size_t i = 0; i < N; ++i)
            if (nameIs(n, names[i])) {
                if (!found[i]) found[i] = item;
                break;
            }
    }
    return found;
}
}  // namespace detail

// The first child element of each of `names`, found in one pass over the
// children (a lookup by name scans them once a name).
template <std::size_t N>
std::array<pugi::xml_node, N> firstChildren(pugi::xml_node parent, const std::array<std::string_view, N>& names) {
    return detail::firstNamed(parent.first_child(), [](pugi::xml_node c) { return c.next_sibling(); }, names);
}

// The first attribute of each of `names`, found in one pass the same way.
template <std::size_t N>
std::array<pugi::xml_attribute, N> firstAttributes(pugi::xml_node e, const std::array<std::string_view, N>& names) {
    return detail::firstNamed(e.first_attribute(), [](pugi::xml_attribute a) { return a.next_attribute(); }, names);
}

int lineStyleOf(std::string_view borderVal);  // ST_Border -> WdLineStyle
int textureOf(std::string_view shdVal);       // ST_Shd -> WdTextureIndex
int underlineOf(std::string_view uVal);       // ST_Underline -> WdUnderline
int alignmentOf(std::string_view jc);         // ST_Jc -> WdParagraphAlignment
int rowAlignmentOf(std::string_view jc);      // ST_JcTable -> WdRowAlignment
int verticalAlignmentOf(std::string_view v);  // ST_VerticalJc -> WdCellVerticalAlignment
int pageArtOf(std::string_view art);          // art name -> WdPageBorderArt, 0 for none or a line
int textOrientationOf(std::string_view vert); // a:bodyPr/@vert -> MsoTextOrientation
int presetTextShapeOf(std::string_view prst); // ST_TextShapeType -> MsoPresetTextEffectShape
int presetFromVmlSpt(int spt);                // VML o:spt of WordArt -> MsoPresetTextEffectShape
// WdPaperSize from the page size in twips (either orientation) and w:code.
int paperSizeOf(long long widthTwips, long long heightTwips, int code);

}  // namespace kav::word::ooxml
