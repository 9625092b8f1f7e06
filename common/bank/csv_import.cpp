#include "common/bank/csv_import.h"

#include <csv.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "common/core/utf8.h"
#include "common/db/error_text.h"
#include "common/db/schema.h"
#include "common/db/values.h"
#include "common/text/gbk.h"
#include "common/bank/rules.h"
#include "common/bank/student_row.h"

namespace mendrix::bank {

namespace {

using kav::db::Connection;
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

const char* tableOf(ImportKind kind) { return kind == ImportKind::Roster ? "student" : "selecttest"; }

namespace {

// The names each column is known by in a header, the documented one first.
const std::vector<std::vector<std::string>>& namesOf(ImportKind kind) {
    static const std::vector<std::vector<std::string>> roster{
        {"准考证号", "考号", "准考证", "准考证号码", "考生号"},
        {"姓名", "考生姓名", "名字"},
        {"密码", "口令", "登录密码"},
    };
    static const std::vector<std::vector<std::string>> choice{
        {"题干", "题目", "试题", "问题"}, {"A", "选项A"}, {"B", "选项B"}, {"C", "选项C"}, {"D", "选项D"},
        {"答案", "标准答案", "正确答案"},
    };
    return kind == ImportKind::Roster ? roster : choice;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The column a header cell names, -1 when none.
int columnNamed(ImportKind kind, std::string_view cell) {
    const std::string name = upperAscii(trimmed(cell));
    const auto& names = namesOf(kind);
    for (std::size_t column = 0; column < names.size(); ++column)
        if (std::find(names[column].begin(), names[column].end(), name) != names[column].end())
            return static_cast<int>(column);
    return -1;
}

std::string headerText(ImportKind kind) {
    std::string text;
    for (const std::string& name : headerOf(kind)) text += (text.empty() ? "" : "、") + name;
    return text;
}

bool plainlyData(ImportKind kind, const CsvRecord& record) {
    const auto& cells = record.cells;
    if (kind == ImportKind::Roster)
        return !cells.empty() && std::any_of(cells[0].begin(), cells[0].end(), [](char c) { return c >= '0' && c <= '9'; });
    return cells.size() >= 6 && choiceKey(cells[5]).has_value();
}

// Where each CSV column goes: layout[i] is the column of the kind that file
// column i fills, -1 for an empty trailing header cell.
struct Layout {
    std::vector<int> columns;
    bool header = false;  // the first record was the header
    std::string refusal;
};

Layout layoutOf(ImportKind kind, const CsvRecord& first) {
    Layout layout;
    const std::size_t wanted = headerOf(kind).size();
    const auto named = std::count_if(first.cells.begin(), first.cells.end(),
                                     [&](const std::string& cell) { return columnNamed(kind, cell) >= 0; });
    const auto filled = std::count_if(first.cells.begin(), first.cells.end(),
                                      [](const std::string& cell) { return !trimmed(cell).empty(); });
    // One name among data is data: a question whose key is "A".
    const bool isHeader = named >= 2 || (named == 1 && (filled == 1 || !plainlyData(kind, first)));
    if (!isHeader) {
        if (!plainlyData(kind, first)) {
            layout.refusal = "第一行既不是表头（" + headerText(kind) + "）也不像数据，请在第一行写上表头";
            return layout;
        }
        for (std::size_t i = 0; i < wanted; ++i) layout.columns.push_back(static_cast<int>(i));
        return layout;
    }
    layout.header = true;
    std::vector<bool> seen(wanted, false);
    std::size_t cells = first.cells.size();
    while (cells > 0 && trimmed(first.cells[cells - 1]).empty()) --cells;  // a spreadsheet's empty trailing cells
    for (std::size_t i = 0; i < cells; ++i) {
        const std::string name(trimmed(first.cells[i]));
        const int column = columnNamed(kind, name);
        if (column < 0) {
            layout.refusal = "表头中的“" + name + "”不是可导入的列（可导入的列：" + headerText(kind) + "）";
            return layout;
        }
        if (seen[static_cast<std::size_t>(column)]) {
            layout.refusal = "表头中的“" + headerOf(kind)[static_cast<std::size_t>(column)] + "”列出现了两次";
            return layout;
        }
        seen[static_cast<std::size_t>(column)] = true;
        layout.columns.push_back(column);
    }
    for (std::size_t column = 0; column < wanted; ++column)
        if (!seen[column]) {
            layout.refusal = "表头中缺少“" + headerOf(kind)[column] + "”列";
            return layout;
        }
    return layout;
}

// The table columns each column of the kind fills, in the documented order.
const std::vector<std::string>& columnsOf(ImportKind kind) {
    static const std::vector<std::string> roster{"zkzh", "ksxm", "login_keyword"};
    static const std::vector<std::string> choice{"select_question", "sel_a", "sel_b", "sel_c", "sel_d", "correct_sel"};
    return kind == ImportKind::Roster ? roster : choice;
}

// The values of one record to store (in the documented order), or the reason
// it is refused. numbers holds the admission numbers stored or accepted so far.
std::string checkRecord(ImportKind kind, const CsvRecord& record, const Layout& layout, const kav::db::TableDef& def,
                        std::unordered_set<std::string>& numbers, std::vector<std::string>& values) {
    const auto& columns = columnsOf(kind);
    const std::size_t width = layout.columns.size();
    const auto extra = std::find_if(record.cells.begin() + static_cast<long>(std::min(width, record.cells.size())),
                                    record.cells.end(), [](const std::string& c) { return !trimmed(c).empty(); });
    if (record.cells.size() < width || extra != record.cells.end())
        return "应有" + std::to_string(width) + "列（" + headerText(kind) + "），此行有" +
               std::to_string(record.cells.size()) + "列";
    values.assign(columns.size(), std::string());
    for (std::size_t i = 0; i < width; ++i) values[static_cast<std::size_t>(layout.columns[i])] = record.cells[i];
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = def.columns[static_cast<std::size_t>(def.indexOf(columns[i]))];
        if (kind == ImportKind::Choice && columns[i] == "correct_sel") continue;  // checked below
        if (column.type == kav::db::ColumnType::Text && kav::utf8Length(values[i]) > column.width)
            return kav::db::textTooLongRefusal(headerOf(kind)[i], values[i], column.width);
    }
    if (kind == ImportKind::Roster) {
        if (std::string refusal = admissionNumberFormRefusal(values[0]); !refusal.empty()) return refusal;
        if (!numbers.insert(values[0]).second) return admissionNumberTakenRefusal(values[0]);
    } else {
        if (std::string refusal = stemRefusal(values[0]); !refusal.empty()) return refusal;
        const auto key = choiceKey(values[5]);
        if (!key) return kChoiceKeyRefusal;
        values[5] = *key;
    }
    return {};
}

// Thrown inside the transaction when the teacher cancels, so that it rolls back.
struct Cancelled {};

constexpr int kProgressEvery = 200;  // rows between two progress reports

}  // namespace

ImportResult importCsv(ImportKind kind, std::string_view bytes, Connection& connection, const ImportControl& control) {
    ImportResult result;
    CsvFile file = readCsv(bytes);
    if (!file.errors.empty()) {
        result.errors = std::move(file.errors);
        return result;
    }
    auto& records = file.records;
    Layout layout;
    if (!records.empty()) {
        layout = layoutOf(kind, records.front());
        if (!layout.refusal.empty()) {
            result.errors.push_back({records.front().line, layout.refusal});
            return result;
        }
        if (layout.header) records.erase(records.begin());
    }
    if (records.empty()) {
        result.errors.push_back({0, "文件中没有可导入的行"});
        return result;
    }
    const auto cancelRequested = [&] { return control.cancelRequested && control.cancelRequested(); };

    try {
        // The stored numbers are read inside the transaction, so that no other
        // program can store one of the file's numbers between check and write.
        connection.transaction([&] {
            auto table = connection.openTable(tableOf(kind));
            const kav::db::TableDef& def = table->definition();
            std::vector<std::string> stored;
            if (kind == ImportKind::Roster) {
                const int zkzh = def.indexOf("zkzh");
                for (int row = 1; row <= table->recordCount(); ++row)
                    stored.push_back(kav::db::readString(table->rowValue(row, zkzh)));
            }
            std::unordered_set<std::string> numbers(stored.begin(), stored.end());
            std::vector<std::vector<std::string>> rows;
            std::vector<int> lines;
            for (const CsvRecord& record : records) {
                std::vector<std::string> values;
                if (std::string reason = checkRecord(kind, record, layout, def, numbers, values); !reason.empty()) {
                    result.errors.push_back({record.line, reason});
                } else {
                    rows.push_back(std::move(values));
                    lines.push_back(record.line);
                }
            }
            if (!result.errors.empty()) return;  // nothing written
            if (kind == ImportKind::Roster) {
                std::size_t withoutPassword = 0;
                for (std::size_t i = 0; i < rows.size(); ++i)  // others empty: the password warning alone
                    for (std::string& warning : candidateWarnings(rows[i][0], rows[i][2], {}))
                        if (++withoutPassword <= kWarningsListed) result.warnings.push_back({lines[i], std::move(warning)});
                if (withoutPassword > kWarningsListed)
                    result.warnings.push_back(
                        {0, "另有" + std::to_string(withoutPassword - kWarningsListed) + "名考生没有登录密码。"});
                const std::size_t firstNew = stored.size();
                for (const auto& row : rows) stored.push_back(row[0]);
                for (std::string& warning : sharedFolderWarnings(stored, firstNew))
                    result.warnings.push_back({0, std::move(warning)});
            }
            const auto& columns = columnsOf(kind);
            const int total = static_cast<int>(rows.size());
            for (int i = 0; i < total; ++i) {
                if (i % kProgressEvery == 0) {
                    if (cancelRequested()) throw Cancelled{};
                    if (control.progress) control.progress(i, total);
                }
                table->append();
                for (std::size_t c = 0; c < columns.size(); ++c)
                    table->field(columns[c]).setString(rows[static_cast<std::size_t>(i)][c]);
                if (kind == ImportKind::Roster) applyStudentRowRule(*table);
                table->post();
            }
            if (cancelRequested()) throw Cancelled{};
            if (control.progress) control.progress(total, total);
            result.imported = total;
        });
    } catch (const Cancelled&) {
        return ImportResult{0, true, {}, {}};
    }
    return result;
}

std::string toolLine(const RowError& error) {
    return error.line > 0 ? "line " + std::to_string(error.line) + ": " + error.reason : error.reason;
}

std::string consoleLine(const RowError& error) {
    return error.line > 0 ? "第" + std::to_string(error.line) + "行：" + error.reason : error.reason;
}

}  // namespace mendrix::bank
