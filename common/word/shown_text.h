#pragma once
// What Word's Range.Text and Find show of the model's characters: the bytes
// of one shown character, and the filter that leaves field codes out. The
// reader writes the search text with them and the model its result text.
#include <vector>

#include "common/word/document.h"

namespace kav::word {

// Writes c as UTF-8 at `at` (room for four bytes) and returns the end.
inline char* putUtf8(char* at, char32_t c) {
    if (c < 0x80) {
        *at++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *at++ = static_cast<char>(0xC0 | (c >> 6));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *at++ = static_cast<char>(0xE0 | (c >> 12));
        *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *at++ = static_cast<char>(0xF0 | (c >> 18));
        *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return at;
}

// Word's Range.Text of one shown character, written at `at` (room for four bytes).
inline char* putResult(char* at, const Character& c) {
    switch (c.kind) {
    case CharKind::Text: return putUtf8(at, c.code);
    case CharKind::ParagraphMark: *at++ = '\r'; break;
    case CharKind::SectionMark: *at++ = '\f'; break;
    case CharKind::CellEnd:
    case CharKind::RowEnd:
        *at++ = '\r';
        *at++ = '\a';
        break;
    }
    return at;
}

// Field codes, which Find and the other stories' Range.Text leave out: a
// field is \x13 code \x14 result \x15 (the result may be missing). Fields
// nest, and everything inside a field's code is code, a nested field's
// result included.
class FieldCodeFilter {
public:
    // Whether c shows, given the characters before it; the field characters never show.
    bool shows(const Character& c) {
        if (!c.isMark() && c.code == U'\x13') {
            inCode_.push_back(true);
            ++codesOpen_;
            return false;
        }
        if (!c.isMark() && c.code == U'\x14') {
            if (!inCode_.empty() && inCode_.back()) {
                inCode_.back() = false;
                --codesOpen_;
            }
            return false;
        }
        if (!c.isMark() && c.code == U'\x15') {
            if (!inCode_.empty()) {
                codesOpen_ -= inCode_.back() ? 1 : 0;
                inCode_.pop_back();
            }
            return false;
        }
        return codesOpen_ == 0;
    }
    // Whether every character shows until the next field character.
    bool inResult() const { return codesOpen_ == 0; }

private:
    std::vector<bool> inCode_;  // per open field: still in its code
    int codesOpen_ = 0;         // open fields still in their code
};

}  // namespace kav::word
