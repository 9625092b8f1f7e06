#pragma once
// The promises of a Word grade, whatever the document and the answer text:
// every rule earns between 0 and its score, parts and the total stay within
// the score columns' range, and the result text lists the part scores.
#include <algorithm>

#include "common/answer/answer_text.h"
#include "common/word/grading.h"
#include "tests/fuzz/fuzz_support.h"

namespace kav::fuzz {

inline void checkGrade(const word::WordGrade& grade, std::string_view answerText) {
    const auto parts = answer::parseAnswerText(answerText);
    KAV_FUZZ_CHECK(grade.partScores.size() == parts.size());
    std::size_t ruleCount = 0;
    for (const auto& part : parts) ruleCount += part.rules.size();
    KAV_FUZZ_CHECK(grade.rules.size() == ruleCount);
    std::vector<long long> earnedPerPart(parts.size(), 0);
    for (const auto& rule : grade.rules) {
        KAV_FUZZ_CHECK(rule.earned >= 0 && rule.earned <= word::kMaxScore);
        KAV_FUZZ_CHECK(rule.passed || rule.earned == 0);
        KAV_FUZZ_CHECK(rule.part >= 1 && static_cast<std::size_t>(rule.part) <= parts.size());
        earnedPerPart[rule.part - 1] += rule.earned;
    }
    long long sum = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int part = grade.partScores[i];
        KAV_FUZZ_CHECK(part >= 0 && part <= word::kMaxScore);
        KAV_FUZZ_CHECK(part == std::min<long long>(earnedPerPart[i], word::kMaxScore));
        sum += part;
    }
    KAV_FUZZ_CHECK(grade.total == std::min<long long>(sum, word::kMaxScore));
    KAV_FUZZ_CHECK(grade.resultText == word::wordResultText(grade.partScores));
}

}  // namespace kav::fuzz
