#pragma once
// The value lists of the Word answer rules. A rule carries the 0-based entry
// number; each entry has the text shown in the rule editor's combo box and the
// value of Word's object model that it stands for, which the grading compares.
#include <optional>
#include <span>
#include <string_view>

namespace kav::answer {

struct ListEntry {
    std::string_view text;
    int wordValue;
};

enum class ListId {
    Colour,             // WdColor
    Texture,            // WdTextureIndex
    LineStyle,          // WdLineStyle
    LineWidth,          // WdLineWidth (eighths of a point)
    YesNo,              // "有" 0 = shadow present, "没有" 1 = no shadow
    Decoration,         // 0-6 Boolean attributes (value 0), 7-23 WdUnderline
    LineSpacing,        // WdLineSpacing
    Alignment,          // WdParagraphAlignment
    PageArt,            // WdPageBorderArt
    DropPosition,       // WdDropPosition
    Orientation,        // MsoTextOrientation
    WordArtShape,       // MsoPresetTextEffectShape
    Paper,              // WdPaperSize
    Diagonal,           // WdBorderType of the cell's diagonal border
    Highlight,          // WdColorIndex
    VerticalAlignment,  // WdCellVerticalAlignment
    TableAlignment,     // WdRowAlignment
    Find,               // 0 the text must be found, 1 it must not be found
};

class ValueList {
public:
    constexpr ValueList(ListId id, std::string_view name, std::span<const ListEntry> entries)
        : id_(id), name_(name), entries_(entries) {}
    ListId id() const { return id_; }
    std::string_view name() const { return name_; }
    std::span<const ListEntry> entries() const { return entries_; }
    int size() const { return static_cast<int>(entries_.size()); }
    // The Word value of entry number `entry`; nullopt outside the list (so -1,
    // the editor's "matched nothing", never matches).
    std::optional<int> wordValue(long long entry) const;
    // The entry whose text equals `text` exactly, or -1 as the editor stores it.
    int indexOf(std::string_view text) const;

private:
    ListId id_;
    std::string_view name_;
    std::span<const ListEntry> entries_;
};

const ValueList& valueList(ListId id);
std::span<const ValueList> allValueLists();

// Entries 0-6 of the decoration list are the Boolean font attributes read by
// name: "Bold", "Italic", "Emboss", "Engrave", "Shadow", "DoubleStrikeThrough",
// "StrikeThrough". Entries 7-23 are underline kinds.
constexpr int kBooleanDecorations = 7;

// The OOXML name of page-border art entry `entry` ("apples", "stars3d", ...).
std::optional<std::string_view> pageArtOoxmlName(long long entry);

}  // namespace kav::answer
