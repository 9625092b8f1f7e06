#pragma once
// Values read from rows that other machines and people write (the station
// record, the exam record): a value its column's type cannot hold is refused
// with BadValue, naming the table and the column, instead of being read as 0,
// as "no" or as a number cut to size. NULL still reads 0 or false.
#include <cstdint>
#include <string_view>

#include "common/db/database.h"

namespace kav::db {

class BadValue : public DbError {
public:
    using DbError::DbError;
};

// An integer within its column's range (int16 or int32).
std::int64_t checkedInteger(Cursor& cursor, std::string_view column);
// A yes/no value: a Boolean, 0, 1 or -1, or a text the engine reads as one.
bool checkedBoolean(Cursor& cursor, std::string_view column);
// A real calendar date and time of day.
DateTime checkedDateTime(Cursor& cursor, std::string_view column);

}  // namespace kav::db
