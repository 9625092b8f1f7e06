#include "common/grading/typing_cells.h"

#include <algorithm>

namespace kav::typing {

std::string emptyTypedLine() { return std::string(kLineBytes, ' '); }

std::string cellOfCharacter(std::string_view ch) {
    if (ch.size() >= 2) return std::string(ch.substr(ch.size() - 2));
    if (ch.size() != 1) return {};
    const unsigned char b = static_cast<unsigned char>(ch[0]);
    if (b < 0x20 || b == 0x7F) return {};
    if (b == ' ') return kFullWidthSpace;
    return std::string(ch) + ' ';
}

namespace {
// Bytes from 1-based position `from`, at most n of them (fewer at the end).
std::string_view bytesFrom(std::string_view line, int from, std::size_t n = std::string_view::npos) {
    const std::size_t start = static_cast<std::size_t>(from - 1);
    return start >= line.size() ? std::string_view() : line.substr(start, n);
}
}  // namespace

std::string insertCell(std::string_view line, int column, std::string_view cell) {
    std::string out(line.substr(0, std::min<std::size_t>(line.size(), column - 1)));
    out += cell;
    out += bytesFrom(line, column, 55);
    return out;
}

std::string overwriteCell(std::string_view line, int column, std::string_view cell) {
    std::string out(line.substr(0, std::min<std::size_t>(line.size(), column - 1)));
    out += cell;
    out += bytesFrom(line, column + 2);
    return out;
}

std::string deleteCell(std::string_view line, int column) {
    std::string out(line.substr(0, std::min<std::size_t>(line.size(), column - 1)));
    out += bytesFrom(line.substr(0, std::min<std::size_t>(line.size(), kLineBytes)), column + 2);
    out.resize(kLineBytes, ' ');
    return out;
}

LineMarks compareLine(std::string_view typed, std::string_view model) {
    LineMarks result;
    result.marks.reserve(kLineBytes);
    for (int k = 1; k <= kLastCellColumn; k += 2) {
        std::string_view cell = bytesFrom(typed, k, 2);
        bool untyped = cell.empty() || cell[0] == ' ';
        if (!untyped && cell == bytesFrom(model, k, 2)) {
            ++result.right;
        } else if (!untyped) {
            ++result.wrong;
            result.marks += kWrongMark;
            continue;
        }
        result.marks += kFullWidthSpace;
    }
    return result;
}

}  // namespace kav::typing
