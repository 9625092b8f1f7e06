#include "common/db/values.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "common/core/utf8.h"

namespace kav::db {

namespace {

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::int64_t parseInteger(std::string_view text) {
    std::string_view s = trimSpaces(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size())
        throw DbError("'" + std::string(text) + "' is not a valid integer value");
    return n;
}

bool parseBoolean(std::string_view text) {
    std::string_view s = trimSpaces(text);
    for (auto t : {"true", "yes", "1", "-1", "on"})
        if (equalsIgnoringCase(s, t)) return true;
    for (auto f : {"false", "no", "0", "off"})
        if (equalsIgnoringCase(s, f)) return false;
    throw DbError("'" + std::string(text) + "' is not a valid Boolean value");
}

[[noreturn]] void mismatch(const ColumnDef& column, std::string_view what) {
    throw DbError("Data type mismatch: " + std::string(what) + " cannot be stored in the " +
                  std::string(columnTypeName(column.type)) + " field '" + column.name + "'");
}

std::string_view kindOf(const Value& v) {
    switch (v.index()) {
        case 0: return "NULL";
        case 1: return "an integer";
        case 2: return "a text";
        case 3: return "a date-time";
        case 4: return "a Boolean";
        default: return "binary data";
    }
}

std::int64_t toIntegerColumn(const ColumnDef& column, const Value& value, bool forSearch) {
    std::int64_t n = 0;
    if (auto* i = std::get_if<std::int64_t>(&value)) n = *i;
    else if (auto* b = std::get_if<bool>(&value)) n = *b ? 1 : 0;
    else if (auto* s = std::get_if<std::string>(&value)) {
        try {
            n = parseInteger(*s);
        } catch (const DbError&) {
            mismatch(column, "the text '" + *s + "'");
        }
    } else mismatch(column, kindOf(value));
    if (forSearch) return n;
    std::int64_t lo = column.type == ColumnType::Int16 ? std::numeric_limits<std::int16_t>::min()
                                                        : std::numeric_limits<std::int32_t>::min();
    std::int64_t hi = column.type == ColumnType::Int16 ? std::numeric_limits<std::int16_t>::max()
                                                        : std::numeric_limits<std::int32_t>::max();
    if (n < lo || n > hi)
        throw DbError("Overflow: the value " + std::to_string(n) + " does not fit the " +
                      std::string(columnTypeName(column.type)) + " field '" + column.name + "'");
    return n;
}

std::string toTextColumn(const ColumnDef& column, const Value& value, bool forSearch) {
    std::string text;
    if (auto* s = std::get_if<std::string>(&value)) text = *s;
    else if (auto* i = std::get_if<std::int64_t>(&value)) text = std::to_string(*i);
    else if (auto* b = std::get_if<bool>(&value)) text = *b ? "True" : "False";
    else if (auto* d = std::get_if<DateTime>(&value)) text = d->toIso();
    else mismatch(column, kindOf(value));
    long length = utf8Length(text);
    if (length < 0) throw DbError("The text for the field '" + column.name + "' is not valid UTF-8");
    if (!forSearch && column.type == ColumnType::Text && length > column.width)
        throw DbError("The field is too small to accept the amount of data you attempted to add: '" + column.name +
                      "' takes " + std::to_string(column.width) + " characters, the text has " +
                      std::to_string(length));
    return text;
}

}  // namespace

std::string_view columnTypeName(ColumnType type) {
    switch (type) {
        case ColumnType::AutoNumber: return "autonumber";
        case ColumnType::Int32: return "int32";
        case ColumnType::Int16: return "int16";
        case ColumnType::Text: return "text";
        case ColumnType::Memo: return "memo";
        case ColumnType::DateTime: return "datetime";
        case ColumnType::Boolean: return "boolean";
        case ColumnType::Blob: return "blob";
    }
    return "?";
}

ColumnType columnTypeFromName(std::string_view name) {
    for (auto t : {ColumnType::AutoNumber, ColumnType::Int32, ColumnType::Int16, ColumnType::Text, ColumnType::Memo,
                   ColumnType::DateTime, ColumnType::Boolean, ColumnType::Blob})
        if (columnTypeName(t) == name) return t;
    throw DbError("Unknown column type '" + std::string(name) + "' in the column catalogue");
}

std::string storedDateTime(const DateTime& d) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month, d.day, d.hour, d.minute,
                  d.second, d.millisecond);
    return buf;
}

DateTime parseStoredDateTime(std::string_view text) {
    std::string s(trimSpaces(text));
    int ms = 0;
    if (s.size() == 23 && s[19] == '.') {
        try {
            ms = static_cast<int>(parseInteger(s.substr(20)));
        } catch (const DbError&) {
            ms = -1;
        }
        s.resize(19);
    }
    if (s.size() == 19 && s[10] == 'T') s[10] = ' ';
    try {
        if (ms < 0) throw std::invalid_argument("milliseconds");
        DateTime d = DateTime::parseIso(s);
        d.millisecond = ms;
        return d;
    } catch (const std::invalid_argument&) {
        throw DbError("'" + std::string(text) + "' is not a valid date and time");
    }
}

Value toColumnValue(const ColumnDef& column, Value value, bool forSearch) {
    if (column.type == ColumnType::AutoNumber && !forSearch)
        throw DbError("Field '" + column.name + "' cannot be updated: it is an auto-number");
    if (std::holds_alternative<std::monostate>(value)) return value;
    switch (column.type) {
        case ColumnType::AutoNumber:
        case ColumnType::Int32:
        case ColumnType::Int16: return toIntegerColumn(column, value, forSearch);
        case ColumnType::Text:
        case ColumnType::Memo: return toTextColumn(column, value, forSearch);
        case ColumnType::DateTime:
            if (auto* d = std::get_if<DateTime>(&value)) {
                // Only a real calendar date and time of day can be stored and read back.
                bool valid = false;
                try {
                    valid = parseStoredDateTime(storedDateTime(*d)) == *d;
                } catch (const DbError&) {
                }
                if (!valid) mismatch(column, "the invalid date-time " + storedDateTime(*d));
                return *d;
            }
            if (auto* s = std::get_if<std::string>(&value)) {
                try {
                    return parseStoredDateTime(*s);
                } catch (const DbError&) {
                    mismatch(column, "the text '" + *s + "'");
                }
            }
            mismatch(column, kindOf(value));
        case ColumnType::Boolean:
            if (auto* b = std::get_if<bool>(&value)) return *b;
            if (auto* i = std::get_if<std::int64_t>(&value)) return *i != 0;
            if (auto* s = std::get_if<std::string>(&value)) {
                try {
                    return parseBoolean(*s);
                } catch (const DbError&) {
                    mismatch(column, "the text '" + *s + "'");
                }
            }
            mismatch(column, kindOf(value));
        case ColumnType::Blob:
            if (auto* b = std::get_if<Blob>(&value)) return *b;
            if (auto* s = std::get_if<std::string>(&value)) return Blob(s->begin(), s->end());
            mismatch(column, kindOf(value));
    }
    mismatch(column, kindOf(value));
}

std::int64_t readInteger(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return 0;
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (auto* s = std::get_if<std::string>(&v)) return parseInteger(*s);
    throw DbError(std::string(kindOf(v)) + " has no integer value");
}

std::string readString(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return {};
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
    if (auto* d = std::get_if<DateTime>(&v)) return d->toIso();
    const Blob& blob = std::get<Blob>(v);
    return std::string(blob.begin(), blob.end());
}

DateTime readDateTime(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return DateTime::zero();
    if (auto* d = std::get_if<DateTime>(&v)) return *d;
    if (auto* s = std::get_if<std::string>(&v)) return parseStoredDateTime(*s);
    throw DbError(std::string(kindOf(v)) + " has no date-time value");
}

bool readBoolean(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return false;
    if (auto* b = std::get_if<bool>(&v)) return *b;
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
    if (auto* s = std::get_if<std::string>(&v)) return parseBoolean(*s);
    throw DbError(std::string(kindOf(v)) + " has no Boolean value");
}

Blob readBlob(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return {};
    if (auto* b = std::get_if<Blob>(&v)) return *b;
    if (auto* s = std::get_if<std::string>(&v)) return Blob(s->begin(), s->end());
    throw DbError(std::string(kindOf(v)) + " has no binary value");
}

}  // namespace kav::db
