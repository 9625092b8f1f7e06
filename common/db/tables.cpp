#include "common/db/tables.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/core/ascii.h"
#include "common/db/postgres_backend.h"
#include "common/db/schema.h"

namespace kav::db {

std::unique_ptr<Connection> connectFile(const std::string& dataSource, const std::filesystem::path& workingFolder) {
    return connect(ConnectionString::forDataSource(dataSource).toString(), workingFolder);
}

namespace {

// The bytes of a UTF-16LE text (after its byte-order mark) as UTF-8.
std::string utf16leToUtf8(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            std::uint32_t low = static_cast<std::uint8_t>(bytes[i + 2]) | static_cast<std::uint8_t>(bytes[i + 3]) << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string readLinkFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw DbError("Cannot open the data link file '" + file.string() + "'");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.starts_with("\xFF\xFE")) bytes = utf16leToUtf8(std::string_view(bytes).substr(2));
    else if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        std::string_view text = std::string_view(line).substr(start);
        if (text.front() == ';' || equalsIgnoringCase(text, "[oledb]")) continue;
        return std::string(text);
    }
    throw DbError("The data link file '" + file.string() + "' holds no connection string");
}

std::unique_ptr<Connection> connectPath(const std::filesystem::path& databaseOrLink, ServerRole role) {
    if (equalsIgnoringCase(databaseOrLink.extension().string(), ".udl"))
        return connect(readLinkFile(databaseOrLink), databaseOrLink.parent_path(), role);
    return connectFile(std::filesystem::absolute(databaseOrLink).string(), {});
}

std::filesystem::path teacherDatabasePath(const std::filesystem::path& teacherFolder) {
    std::error_code ec;
    const auto link = teacherFolder / kTeacherLinkFile;
    if (std::filesystem::is_regular_file(link, ec)) return link;
    return teacherFolder / std::string(fileNameOf(DatabaseKind::Teacher));
}

std::unique_ptr<Connection> connectTeacherAsOwner(const std::filesystem::path& databaseOrLink) {
    std::error_code ec;
    const auto link = databaseOrLink.parent_path() / kTeacherLinkFile;
    if (equalsIgnoringCase(databaseOrLink.filename().string(), fileNameOf(DatabaseKind::Teacher)) &&
        std::filesystem::is_regular_file(link, ec))
        throw DbError("The lab's teacher tables are where " + link.string() + " names, not in " +
                      databaseOrLink.string() + ": give the data link instead");
    return connectPath(databaseOrLink, ServerRole::Owner);
}

std::string serverDataSource(const std::filesystem::path& link) {
    if (!equalsIgnoringCase(link.extension().string(), ".udl"))
        throw DbError("'" + link.string() + "' is no data link (teacher.udl) of a lab server");
    const auto cs = ConnectionString::parse(readLinkFile(link));
    if (!equalsIgnoringCase(cs.provider, kServerProvider))
        throw DbError("The data link '" + link.string() + "' names no PostgreSQL database (Provider=" + cs.provider +
                      ")");
    return cs.dataSource;
}

std::string serverConnectionString(const std::string& dataSource) {
    ConnectionString cs;
    cs.provider = std::string(kServerProvider);
    cs.dataSource = dataSource;
    return cs.toString();
}

std::string linkFileText(const std::string& connectionString) {
    return "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" + connectionString + "\r\n";
}

std::filesystem::path stationLinkFile() {
    const char* set = std::getenv("KAVLOR_STATION_LINK");
    return set && *set ? std::filesystem::path(set) : std::filesystem::path("/etc/kavlor/station.udl");
}

std::filesystem::path stationTeacherPath(const std::function<std::filesystem::path(std::string_view)>& shareFile) {
    std::error_code ec;
    for (const auto& path : {stationLinkFile(), shareFile(kTeacherLinkFile)})
        if (std::filesystem::is_regular_file(path, ec)) return path;
    return shareFile(fileNameOf(DatabaseKind::Teacher));
}

OpenTables::OpenTables(std::unique_ptr<Connection> connection, std::span<const std::string_view> order)
    : connection_(std::move(connection)) {
    for (std::string_view name : order) cursors_.emplace_back(std::string(name), connection_->openTable(name));
}

Cursor& OpenTables::table(std::string_view name) const {
    for (const auto& [opened, cursor] : cursors_)
        if (equalsIgnoringCase(opened, name)) return *cursor;
    throw DbError("The table '" + std::string(name) + "' is not open");
}

bool gotoPosition(Cursor& bank, int position) {
    if (position < 1 || position > bank.recordCount()) return false;
    bank.first();
    bank.moveBy(position - 1);
    return !bank.eof();
}

}  // namespace kav::db
