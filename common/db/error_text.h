#pragma once
// What a person is told when the database engine refuses or fails: what failed,
// why and what to do in Chinese, and the engine's own text as the detail.
#include <string>
#include <string_view>

#include "common/db/database.h"

namespace kav::db {

// A rule of the program refused a row: its text is already the person's
// message and is shown as it is.
class RowRefused : public DbError {
public:
    using DbError::DbError;
};

// "whatFailed" (one sentence, e.g. "导入失败，题库没有任何改动。"), the likely
// cause with what to do, then "详细信息：" and the engine's text; lines
// separated by CR. A RowRefused gives its own text alone.
std::string databaseErrorText(std::string_view whatFailed, const DbError& error);

// The refusal of a text longer than its column holds (width in characters):
// "姓名“…”超过12个字". An import and a typed row say the same.
std::string textTooLongRefusal(std::string_view caption, std::string_view value, int width);

}  // namespace kav::db
