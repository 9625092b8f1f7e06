#include "common/db/checked_values.h"

#include <limits>

#include "common/core/utf8.h"
#include "common/db/values.h"

namespace kav::db {
namespace {

// A long value is shown by its first characters. Control characters (a NUL
// would cut the message where it is shown) and bytes that are not UTF-8 are
// shown as their bytes, \x00.
std::string shown(const Value& value) {
    const std::string text = readString(value);
    std::string out;
    std::size_t at = 0;
    for (int n = 0; n < 40 && at < text.size(); ++n) {
        const std::size_t start = at;
        const auto c = nextCodePoint(text, at);
        if (c && *c >= 0x20 && *c != 0x7F) {
            out.append(text, start, at - start);
            continue;
        }
        at = start + 1;
        static constexpr char kHex[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(text[start]);
        out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
    return at < text.size() ? out + "…" : out;
}

[[noreturn]] void refuse(Cursor& cursor, std::string_view column, const Value& value) {
    throw BadValue("数据库 " + cursor.definition().name + " 表的 " + std::string(column) + " 列的值“" + shown(value) +
                   "”无效");
}

ColumnType typeOf(Cursor& cursor, std::string_view column) {
    const TableDef& def = cursor.definition();
    const int index = def.indexOf(column);
    if (index < 0) throw DbError("表 " + def.name + " 没有字段 " + std::string(column));
    return def.columns[static_cast<std::size_t>(index)].type;
}

}  // namespace

std::int64_t checkedInteger(Cursor& cursor, std::string_view column) {
    const bool small = typeOf(cursor, column) == ColumnType::Int16;
    const std::int64_t lo = small ? std::numeric_limits<std::int16_t>::min() : std::numeric_limits<std::int32_t>::min();
    const std::int64_t hi = small ? std::numeric_limits<std::int16_t>::max() : std::numeric_limits<std::int32_t>::max();
    const Value value = cursor.field(column).value();
    if (std::holds_alternative<bool>(value)) refuse(cursor, column, value);
    std::int64_t n = 0;
    try {
        n = readInteger(value);
    } catch (const DbError&) {
        refuse(cursor, column, value);
    }
    if (n < lo || n > hi) refuse(cursor, column, value);
    return n;
}

bool checkedBoolean(Cursor& cursor, std::string_view column) {
    const Value value = cursor.field(column).value();
    if (auto* i = std::get_if<std::int64_t>(&value)) {
        if (*i != 0 && *i != 1 && *i != -1) refuse(cursor, column, value);
        return *i != 0;
    }
    if (std::holds_alternative<DateTime>(value) || std::holds_alternative<Blob>(value)) refuse(cursor, column, value);
    try {
        return readBoolean(value);
    } catch (const DbError&) {
        refuse(cursor, column, value);
    }
}

DateTime checkedDateTime(Cursor& cursor, std::string_view column) {
    const Value value = cursor.field(column).value();
    if (std::holds_alternative<std::monostate>(value)) return DateTime::zero();
    try {
        const DateTime d = readDateTime(value);
        if (parseStoredDateTime(storedDateTime(d)) == d) return d;
    } catch (const DbError&) {
    }
    refuse(cursor, column, value);
}

}  // namespace kav::db
