#include "common/grading/choice_grading.h"

#include <algorithm>

#include "common/core/tokens.h"

namespace kav::choice {

AnswerList splitList(std::string_view text) {
    AnswerList list;
    const auto tokens = splitStoredList(text);
    std::copy_n(tokens.begin(), std::min<std::size_t>(tokens.size(), kQuestions), list.begin());
    return list;
}

std::string joinList(const AnswerList& list) { return joinTokens(list); }

Grade grade(const AnswerList& correct, const AnswerList& given) {
    Grade g;
    for (int i = 0; i < kQuestions; ++i) {
        if (given[i] == correct[i])
            ++g.count;
        else
            g.wrongList += std::to_string(i + 1) + correct[i] + " ";
    }
    return g;
}

}  // namespace kav::choice
