#include "common/grading/typing_score.h"

#include <algorithm>

#include "common/grading/typing_cells.h"

namespace kav::typing {

int typingScore(int totalCharacters, int rightCharacters) {
    const int deduction = std::max(0, totalCharacters - rightCharacters) / 3;
    return deduction <= 20 ? 20 - deduction : 0;
}

void fillLastPage(std::vector<std::string>& modelLines) {
    for (std::size_t i = 0; modelLines.size() % kLinesPerPage != 0; ++i) {
        std::string copy = modelLines[i];
        modelLines.push_back(std::move(copy));
    }
}

std::optional<int> scoreTypedLines(std::vector<std::string> modelLines, const std::vector<std::string>& typedLines) {
    fillLastPage(modelLines);
    std::size_t bytes = 0;
    int right = 0, typed = 0;
    for (std::size_t i = 0; i < modelLines.size(); ++i) {
        bytes += modelLines[i].size();
        if (i >= typedLines.size()) continue;
        const LineMarks marks = compareLine(typedLines[i], modelLines[i]);
        right += marks.right;
        typed += marks.right + marks.wrong;
    }
    if (typed == 0) return std::nullopt;
    return typingScore(static_cast<int>(bytes / 2), right);
}

}  // namespace kav::typing
