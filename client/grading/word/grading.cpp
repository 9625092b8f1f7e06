#include "client/grading/word/grading.h"

#include "client/grading/word/checks.h"
#include "client/grading/word/docx_package.h"
#include "client/grading/word/document.h"
#include "common/answer/answer_text.h"

namespace kav::word {

std::string wordResultText(const std::vector<int>& partScores) {
    std::string text = "\r";
    for (std::size_t i = 0; i < partScores.size(); ++i)
        text += std::to_string(i + 1) + "、" + std::to_string(partScores[i]) + "\r";
    return text;
}

namespace {

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
    if (*kind < 1 || *kind > 81) {
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
            r.passed = true;
            r.earned = static_cast<int>(*score);
        }
    } catch (const std::exception& e) {
        r.observed = e.what();
    }
    return r;
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
            r.part = static_cast<int>(p + 1);
            r.index = static_cast<int>(i + 1);
            score += r.earned;
            grade.rules.push_back(std::move(r));
        }
        grade.partScores.push_back(score);
        grade.total += score;
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
    } catch (const std::exception& e) {  // out of memory and the like: still a grade of 0
        return gradeAnswer(nullptr, answerText, "无法读取文档 " + document.string() + "：" + e.what());
    }
    return gradeAnswer(doc.get(), answerText);
}

std::string candidateFolderFromCaption(std::string_view caption) {
    static constexpr std::string_view prefix = "考生文件夹:";
    auto at = caption.find(prefix);
    return std::string(at == std::string_view::npos ? caption : caption.substr(at + prefix.size()));
}

namespace {
int columnOf(const db::Cursor& cursor, std::string_view name) {
    const auto& columns = cursor.definition().columns;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == name) return static_cast<int>(i);
    throw db::DbError("表 " + cursor.definition().name + " 没有字段 " + std::string(name));
}
}  // namespace

void storeWordGrade(const WordGrade& grade, db::Cursor& student, db::Cursor& ct) {
    student.edit();
    student.set(columnOf(student, "word_cj"), db::Value{static_cast<std::int64_t>(grade.total)});
    student.post();
    ct.edit();
    ct.set(columnOf(ct, "word_result"), db::Value{grade.resultText});
    ct.post();
}

std::optional<WordGrade> word2Click(const WordTask& task, ui::Dialogs& dialogs, db::Cursor& student, db::Cursor& ct) {
    std::string shownPath = candidateFolderFromCaption(task.folderCaption) + "\\" + task.documentName;
    std::filesystem::path file = task.resolvePath ? task.resolvePath(shownPath) : std::filesystem::path(shownPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        dialogs.message(ui::MessageKind::Plain, "Word答题文件:" + shownPath + "不存在！不能评分！");
        return std::nullopt;
    }
    WordGrade grade = gradeWordTask(file, task.answerText);
    if (grade.readError) dialogs.message(ui::MessageKind::Error, *grade.readError);
    if (task.gradingEnabled)
        dialogs.message(ui::MessageKind::Plain, "Word题得分:" + std::to_string(grade.total) + grade.resultText);
    storeWordGrade(grade, student, ct);
    return grade;
}

}  // namespace kav::word
