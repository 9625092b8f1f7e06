#include "common/bank/csv_import.h"

#include <csv.h>

#include <algorithm>
#include <memory>

#include "common/core/utf8.h"
#include "common/db/schema.h"
#include "common/db/values.h"
#include "common/text/gbk.h"
#include "common/bank/rules.h"
#include "common/bank/student_row.h"

namespace mendrix::bank {

namespace {

using kav::db::Cursor;

bool isValidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size())
        if (!kav::nextCodePoint(text, at)) return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

// Collects libcsv's fields and records, noting the line each record starts on.
struct Collector {
    CsvFile& file;
    int line = 1;  // the line being fed
    CsvRecord record;

    static void field(void* data, std::size_t size, void* self) {
        auto& c = *static_cast<Collector*>(self);
        std::string cell = data ? std::string(static_cast<const char*>(data), size) : std::string();
        if (c.record.cells.empty())
            c.record.line = c.line - static_cast<int>(std::count(cell.begin(), cell.end(), '\n'));
        c.record.cells.push_back(std::move(cell));
    }
    static void recordEnd(int, void* self) {
        auto& c = *static_cast<Collector*>(self);
        const bool blank = std::all_of(c.record.cells.begin(), c.record.cells.end(),
                                       [](const std::string& cell) { return trimmed(cell).empty(); });
        if (!blank) c.file.records.push_back(std::move(c.record));
        c.record = {};
    }
};

}  // namespace

CsvFile readCsv(std::string_view bytes) {
    CsvFile file;
    std::string text;
    if (isValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        text = bytes;
    } else {
        try {
            text = kav::text::gbkToUtf8(bytes);
        } catch (const kav::text::TextError& e) {
            file.errors.push_back({0, std::string("文件既不是UTF-8也不是GBK编码：") + e.what()});
            return file;
        }
    }
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    std::unique_ptr<csv_parser, void (*)(csv_parser*)> guard(&parser, csv_free);
    Collector collector{file, 1, {}};
    // Fed one line at a time, so that the collector knows the line it is on.
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        if (csv_parse(&parser, text.data() + at, end - at, Collector::field, Collector::recordEnd, &collector) !=
            end - at) {
            file.errors.push_back({collector.line, std::string("引号不成对：") + csv_strerror(csv_error(&parser))});
            return file;
        }
        at = end;
        ++collector.line;
    }
    if (csv_fini(&parser, Collector::field, Collector::recordEnd, &collector) != 0)
        file.errors.push_back({collector.line - 1, std::string("引号不成对：") + csv_strerror(csv_error(&parser))});
    return file;
}

const std::vector<std::string>& headerOf(ImportKind kind) {
    static const std::vector<std::string> roster{"准考证号", "姓名", "密码"};
    static const std::vector<std::string> choice{"题干", "A", "B", "C", "D", "答案"};
    return kind == ImportKind::Roster ? roster : choice;
}

namespace {

bool isHeader(ImportKind kind, const CsvRecord& record) {
    const auto& header = headerOf(kind);
    if (record.cells.size() < header.size()) return false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string cell(trimmed(record.cells[i]));
        if (cell.size() == 1) cell[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cell[0])));
        if (cell != header[i]) return false;
    }
    return true;
}

// The table columns each CSV column fills, in file order.
const std::vector<std::string>& columnsOf(ImportKind kind) {
    static const std::vector<std::string> roster{"zkzh", "ksxm", "login_keyword"};
    static const std::vector<std::string> choice{"select_question", "sel_a", "sel_b", "sel_c", "sel_d", "correct_sel"};
    return kind == ImportKind::Roster ? roster : choice;
}

std::string headerText(ImportKind kind) {
    std::string text;
    for (const std::string& name : headerOf(kind)) text += (text.empty() ? "" : "、") + name;
    return text;
}

// The values of one record to store, or the reason it is refused. numbers
// holds the admission numbers stored or accepted so far.
std::string checkRecord(ImportKind kind, const CsvRecord& record, const kav::db::TableDef& def,
                        std::vector<std::string>& numbers, std::vector<std::string>& values) {
    const auto& columns = columnsOf(kind);
    const std::size_t wanted = columns.size();
    const auto extra = std::find_if(record.cells.begin() + std::min(wanted, record.cells.size()), record.cells.end(),
                                    [](const std::string& c) { return !trimmed(c).empty(); });
    if (record.cells.size() < wanted || extra != record.cells.end())
        return "应有" + std::to_string(wanted) + "列（" + headerText(kind) + "），此行有" +
               std::to_string(record.cells.size()) + "列";
    values.assign(record.cells.begin(), record.cells.begin() + static_cast<long>(wanted));
    for (std::size_t i = 0; i < wanted; ++i) {
        const auto& column = def.columns[static_cast<std::size_t>(def.indexOf(columns[i]))];
        if (kind == ImportKind::Choice && columns[i] == "correct_sel") continue;  // checked below
        if (column.type == kav::db::ColumnType::Text && kav::utf8Length(values[i]) > column.width)
            return headerOf(kind)[i] + "“" + values[i] + "”超过" + std::to_string(column.width) + "个字";
    }
    if (kind == ImportKind::Roster) {
        if (std::string refusal = admissionNumberRefusal(values[0], numbers); !refusal.empty()) return refusal;
        numbers.push_back(values[0]);
    } else {
        if (std::string refusal = stemRefusal(values[0]); !refusal.empty()) return refusal;
        const auto key = choiceKey(values[5]);
        if (!key) return kChoiceKeyRefusal;
        values[5] = *key;
    }
    return {};
}

}  // namespace

ImportResult importCsv(ImportKind kind, std::string_view bytes, Cursor& table) {
    ImportResult result;
    CsvFile file = readCsv(bytes);
    if (!file.errors.empty()) {
        result.errors = std::move(file.errors);
        return result;
    }
    auto records = file.records;
    if (!records.empty() && isHeader(kind, records.front())) records.erase(records.begin());
    if (records.empty()) {
        result.errors.push_back({0, "文件中没有可导入的行"});
        return result;
    }

    const kav::db::TableDef& def = table.definition();
    std::vector<std::string> numbers;
    if (kind == ImportKind::Roster)
        for (int row = 1; row <= table.recordCount(); ++row)
            numbers.push_back(kav::db::readString(table.rowValue(row, def.indexOf("zkzh"))));
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lines;
    for (const CsvRecord& record : records) {
        std::vector<std::string> values;
        if (std::string reason = checkRecord(kind, record, def, numbers, values); !reason.empty()) {
            result.errors.push_back({record.line, reason});
        } else {
            rows.push_back(std::move(values));
            lines.push_back(record.line);
        }
    }
    if (!result.errors.empty()) return result;
    if (kind == ImportKind::Roster)
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (std::string& warning : candidateWarnings(rows[i][0], rows[i][2], numbers))
                result.warnings.push_back({lines[i], std::move(warning)});

    const auto& columns = columnsOf(kind);
    const int before = table.recordCount();
    try {
        for (const auto& values : rows) {
            table.append();
            for (std::size_t i = 0; i < columns.size(); ++i) table.field(columns[i]).setString(values[i]);
            if (kind == ImportKind::Roster) applyStudentRowRule(table);
            table.post();
        }
    } catch (...) {
        table.cancel();
        while (table.recordCount() > before) {
            table.last();
            table.remove();
        }
        throw;
    }
    table.first();
    table.moveBy(before);
    result.imported = static_cast<int>(rows.size());
    return result;
}

std::string toolLine(const RowError& error) {
    return error.line > 0 ? "line " + std::to_string(error.line) + ": " + error.reason : error.reason;
}

std::string consoleLine(const RowError& error) {
    return error.line > 0 ? "第" + std::to_string(error.line) + "行：" + error.reason : error.reason;
}

}  // namespace mendrix::bank
