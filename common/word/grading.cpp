#include "common/word/grading.h"

#include <algorithm>
#include <new>
#include <utility>

#include "common/word/checks.h"
#include "common/word/docx_package.h"
#include "common/word/document.h"
#include "common/answer/answer_text.h"
#include "common/answer/rule_kinds.h"
#include "common/core/utf8.h"

namespace kav::word {

std::string wordResultText(const std::vector<int>& partScores) {
    std::string text = "\r";
    for (std::size_t i = 0; i < partScores.size(); ++i)
        text += std::to_string(i + 1) + "、" + std::to_string(partScores[i]) + "\r";
    return text;
}

namespace {

// Sums of scores stop at the largest score the columns hold.
int addScore(int sum, int score) { return std::min(sum + score, kMaxScore); }

// Grades one rule; every failure stays inside the rule.
RuleResult gradeRule(const Document* doc, const answer::AnswerRule& rule, const std::optional<std::string>& readError) {
    RuleResult r;
    r.ruleText = rule.text;
    r.kind = rule.field(1);
    if (rule.fields.empty()) {
        r.observed = "空规则";
        return r;
    }
    for (std::size_t i = answer::kMaxFields; i < rule.fields.size(); ++i)
        if (!rule.fields[i].empty()) {
            r.observed = "规则有 " + std::to_string(rule.fields.size()) + " 个字段，超过 10 个（内容中有空格？）";
            return r;
        }
    auto kind = answer::parseWholeNumber(rule.field(1));
    if (!kind) {
        r.observed = "规则种类 " + visibleText(rule.field(1)) + " 不是整数";
        return r;
    }
    if (!answer::findRuleKind(*kind)) {
        r.observed = "没有第 " + std::to_string(*kind) + " 种规则";
        return r;
    }
    if (!doc) {
        r.observed = readError.value_or("文档无法读取");
        return r;
    }
    try {
        CheckOutcome outcome = runCheck(*doc, static_cast<int>(*kind), rule);
        r.observed = outcome.observed;
        if (outcome.passed) {
            auto score = answer::parseWholeNumber(rule.field(2));
            if (!score) {
                r.observed = "分值 " + visibleText(rule.field(2)) + " 不是整数（读到 " + outcome.observed + "）";
                return r;
            }
            if (*score < 0 || *score > kMaxScore) {
                r.observed = "分值 " + std::to_string(*score) + " 不在 0…" + std::to_string(kMaxScore) + " 之内（读到 " +
                             outcome.observed + "）";
                return r;
            }
            r.passed = true;
            r.earned = static_cast<int>(*score);
        }
    } catch (const std::exception& e) {
        r.observed = e.what();
    }
    return r;
}

// An observed text shown to the teacher: a sentence of the whole document can
// be megabytes long, and would make the grading program's output differ from
// the grade read in process. The points never depend on it.
std::string shortenedObserved(std::string text) {
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kMaxObservedCharacters; ++characters)
        if (!nextCodePoint(text, at)) ++at;  // a stray byte counts as one character
    if (at >= text.size()) return text;
    text.resize(at);
    return text + "…";
}

}  // namespace

WordGrade gradeAnswer(const Document* doc, const std::string& answerText, const std::optional<std::string>& readError) {
    WordGrade grade;
    grade.readError = readError;
    auto parts = answer::parseAnswerText(answerText);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        int score = 0;
        for (std::size_t i = 0; i < parts[p].rules.size(); ++i) {
            RuleResult r = gradeRule(doc, parts[p].rules[i], readError);
            r.observed = shortenedObserved(std::move(r.observed));
            r.part = static_cast<int>(p + 1);
            r.index = static_cast<int>(i + 1);
            score = addScore(score, r.earned);
            grade.rules.push_back(std::move(r));
        }
        grade.partScores.push_back(score);
        grade.total = addScore(static_cast<int>(grade.total), score);
    }
    grade.resultText = wordResultText(grade.partScores);
    return grade;
}

WordGrade gradeWordTask(const std::filesystem::path& document, const std::string& answerText) {
    std::unique_ptr<Document> doc;
    try {
        doc = Document::load(document);
    } catch (const DocxError& e) {
        return gradeAnswer(nullptr, answerText, std::string(e.what()));
    } catch (const std::bad_alloc&) {
        throw;  // the grading program reports its memory limit; see runGraderProgram
    } catch (const std::exception& e) {  // still a grade of 0
        return gradeAnswer(nullptr, answerText, "无法读取文档 " + document.string() + "：" + e.what());
    }
    return gradeAnswer(doc.get(), answerText);
}

}  // namespace kav::word
