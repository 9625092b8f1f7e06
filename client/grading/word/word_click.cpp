#include "client/grading/word/word_click.h"

#include "common/word/isolated_grading.h"

namespace kav::word {

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
    std::string shownPath = task.folder + "\\" + task.documentName;
    std::filesystem::path file = task.resolvePath ? task.resolvePath(shownPath) : std::filesystem::path(shownPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        const std::string missing = "Word答题文件:" + shownPath + "不存在！不能评分！";
        if (task.gradingEnabled) {
            dialogs.message(ui::MessageKind::Plain, missing);
            return std::nullopt;
        }
        // The exam's own grading (hand-in, collection) waits for nobody: the
        // task earns nothing, and no earlier score stays in its place.
        WordGrade none = gradeAnswer(nullptr, task.answerText, missing);
        storeWordGrade(none, student, ct);
        return none;
    }
    WordGrade grade = task.grader.empty() ? gradeWordTask(file, task.answerText)
                                          : gradeWordTaskIsolated(task.grader, file, task.answerText);
    if (task.gradingEnabled) {
        if (grade.readError) dialogs.message(ui::MessageKind::Error, *grade.readError);
        dialogs.message(ui::MessageKind::Plain, "Word题得分:" + std::to_string(grade.total) + grade.resultText);
    }
    storeWordGrade(grade, student, ct);
    return grade;
}

}  // namespace kav::word
