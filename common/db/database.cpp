#include "common/db/database.h"

#include <array>

#include "common/db/postgres_backend.h"
#include "common/db/sqlcipher_backend.h"
#include "common/db/values.h"

namespace kav::db {
namespace {

constexpr std::string_view kProvider = "Provider";
constexpr std::string_view kDataSource = "Data Source";
constexpr std::string_view kPassword = "Jet OLEDB:Database Password";
constexpr std::string_view kPersist = "Persist Security Info";

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

[[noreturn]] void malformed(std::string_view why) {
    throw DbError("Invalid connection string: " + std::string(why));
}

// Reads one value starting at text[i] up to the ";" that ends it; i is left on that ";" or at the end.
std::string readValue(std::string_view text, size_t& i, std::string_view field) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        char quote = text[i++];
        std::string value;
        for (;; ++i) {
            if (i >= text.size()) malformed("the value of '" + std::string(field) + "' has no closing quote");
            if (text[i] == quote) {
                if (i + 1 < text.size() && text[i + 1] == quote) {
                    value += quote;
                    ++i;
                    continue;
                }
                ++i;
                break;
            }
            value += text[i];
        }
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size() && text[i] != ';')
            malformed("unexpected text after the quoted value of '" + std::string(field) + "'");
        return value;
    }
    size_t end = text.find(';', i);
    if (end == std::string_view::npos) end = text.size();
    std::string value(trim(text.substr(i, end - i)));
    i = end;
    return value;
}

std::string quoteValue(std::string_view value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

ConnectionString ConnectionString::parse(std::string_view text) {
    ConnectionString cs;
    constexpr std::array<std::string_view, 4> names = {kProvider, kDataSource, kPassword, kPersist};
    std::array<bool, 4> seen{};
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ';' || text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        size_t eq = text.find('=', i), semi = text.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq))
            malformed("the item '" + std::string(trim(text.substr(i, semi - i))) + "' is not of the form name=value");
        std::string_view name = trim(text.substr(i, eq - i));
        size_t which = 0;
        while (which < names.size() && !equalsIgnoringCase(name, names[which])) ++which;
        if (which == names.size()) malformed("unknown field '" + std::string(name) + "'");
        if (seen[which]) malformed("the field '" + std::string(names[which]) + "' occurs twice");
        seen[which] = true;
        i = eq + 1;
        std::string value = readValue(text, i, names[which]);
        switch (which) {
            case 0: cs.provider = value; break;
            case 1: cs.dataSource = value; break;
            case 2: cs.password = value; break;
            default:
                if (equalsIgnoringCase(value, "True")) cs.persistSecurityInfo = true;
                else if (equalsIgnoringCase(value, "False")) cs.persistSecurityInfo = false;
                else malformed("'" + std::string(kPersist) + "' must be True or False, not '" + value + "'");
        }
    }
    for (size_t k = 0; k < names.size(); ++k)
        if (!seen[k]) malformed("the field '" + std::string(names[k]) + "' is missing");
    if (cs.provider.empty()) malformed("the field 'Provider' is empty");
    if (cs.dataSource.empty()) malformed("the field 'Data Source' is empty");
    return cs;
}

ConnectionString ConnectionString::forDataSource(std::string dataSource) {
    ConnectionString cs;
    cs.provider = std::string(kFileProvider);
    cs.dataSource = std::move(dataSource);
    cs.password = std::string(kDatabasePassword);
    cs.persistSecurityInfo = false;
    return cs;
}

std::string ConnectionString::toString() const {
    // A value between double quotes when it would not read back bare.
    auto asWritten = [](const std::string& value) {
        bool needsQuotes = value.find_first_of(";\"'") != std::string::npos || trim(value) != value;
        return needsQuotes ? quoteValue(value) : value;
    };
    return std::string(kProvider) + "=" + asWritten(provider) + ";" + std::string(kDataSource) + "=" +
           asWritten(dataSource) + ";" + std::string(kPassword) + "=" + quoteValue(password) + ";" +
           std::string(kPersist) + "=" + (persistSecurityInfo ? "True" : "False");
}

int TableDef::indexOf(std::string_view column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (equalsIgnoringCase(columns[i].name, column)) return static_cast<int>(i);
    return -1;
}

Field Cursor::field(std::string_view column) {
    int index = definition().indexOf(column);
    if (index < 0)
        throw DbError("Field '" + std::string(column) + "' not found in table '" + definition().name + "'");
    return Field(*this, index);
}

Field Cursor::field(int index) {
    if (index < 0 || static_cast<size_t>(index) >= definition().columns.size())
        throw DbError("Field index " + std::to_string(index) + " out of range for table '" + definition().name + "'");
    return Field(*this, index);
}

namespace {
// Runs one reading of a field's value, naming the field in an error.
template <class F>
auto readField(const Field& f, F read) {
    try {
        return read(f.value());
    } catch (const DbError& e) {
        throw DbError("Field '" + f.name() + "': " + e.what());
    }
}
}  // namespace

const std::string& Field::name() const { return cursor_.definition().columns.at(index_).name; }
Value Field::value() const { return cursor_.get(index_); }
bool Field::isNull() const { return std::holds_alternative<std::monostate>(value()); }
std::int64_t Field::asInteger() const { return readField(*this, readInteger); }
std::string Field::asString() const { return readField(*this, readString); }
DateTime Field::asDateTime() const { return readField(*this, readDateTime); }
bool Field::asBoolean() const { return readField(*this, readBoolean); }
Blob Field::asBlob() const { return readField(*this, readBlob); }
void Field::setValue(Value v) { cursor_.set(index_, std::move(v)); }

void Connection::callServerFunction(std::string_view name, const std::vector<Value>&) {
    throw DbError("A database file has no server function " + std::string(name));
}

DateTime Connection::now() { return DateTime::nowLocal(); }

std::unique_ptr<Connection> connect(std::string_view connectionString, const std::filesystem::path& workingFolder,
                                    ServerRole role) {
    ConnectionString cs = ConnectionString::parse(connectionString);
    if (equalsIgnoringCase(cs.provider, kServerProvider))
        return openPostgres(role == ServerRole::Owner ? asOwner(cs.dataSource) : cs.dataSource);
    if (!equalsIgnoringCase(cs.provider, kFileProvider))
        throw DbError("Provider cannot be found. It may not be properly installed. (Provider=" + cs.provider + ")");
    std::string source = cs.dataSource;
    for (char& c : source)
        if (c == '\\') c = '/';
    std::filesystem::path file(source);
    if (file.is_relative())
        file = (workingFolder.empty() ? std::filesystem::current_path() : std::filesystem::absolute(workingFolder)) / file;
    return openSqlCipherFile(file.lexically_normal(), cs.password);
}

}  // namespace kav::db
