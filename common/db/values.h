#pragma once
// The engine's value rules, shared by every backend: what a column accepts when
// a value is written to it, and how a stored value reads as another type.
#include <string_view>

#include "common/core/ascii.h"
#include "common/db/database.h"

namespace kav::db {

// Converts a value written to a column into the column's own type, enforcing
// ranges and widths (DbError with the engine's text when it cannot). With
// forSearch, widths are not enforced (a longer text simply matches nothing).
Value toColumnValue(const ColumnDef& column, Value value, bool forSearch = false);

// Readings of a stored value as another type (NULL gives 0, "", zero date-time,
// false or an empty blob); DbError when the value has no such reading.
std::int64_t readInteger(const Value& v);
std::string readString(const Value& v);
DateTime readDateTime(const Value& v);
bool readBoolean(const Value& v);
Blob readBlob(const Value& v);

// Date-times are kept as text "YYYY-MM-DD hh:mm:ss.zzz" (sorts in time order).
std::string storedDateTime(const DateTime& d);
DateTime parseStoredDateTime(std::string_view text);  // also "YYYY-MM-DD[ hh:mm:ss]"

}  // namespace kav::db
