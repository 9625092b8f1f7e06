// kavtool dump FILE TABLE: a whole table as tab-separated UTF-8 lines.
//
// The first line holds the column names; then one row a line, the columns in
// table order. NULL is empty; a date-time is "YYYY-MM-DD hh:mm:ss"; a yes/no
// column is "yes" or "no"; binary data is "<blob N bytes>"; inside texts a
// backslash, tab, line feed and carriage return are written \\, \t, \n and \r,
// so that one row stays one line.
#include <cstdio>
#include <filesystem>

#include "common/core/tokens.h"
#include "common/db/database.h"
#include "common/db/tables.h"
#include "tools/kavtool/command.h"

namespace {

using kav::db::Value;

std::string rendered(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return {};
    if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto* s = std::get_if<std::string>(&v)) return kav::escapeLine(*s);
    if (auto* d = std::get_if<kav::DateTime>(&v)) return d->toIso();
    if (auto* b = std::get_if<bool>(&v)) return *b ? "yes" : "no";
    return "<blob " + std::to_string(std::get<kav::db::Blob>(v).size()) + " bytes>";
}

int dump(const kavtool::Args& args) {
    if (args.size() != 2) throw kavtool::UsageError("expects FILE and TABLE");
    auto connection = kav::db::connectTeacherAsOwner(args[0]);
    auto cursor = connection->openTable(args[1]);
    const auto& columns = cursor->definition().columns;
    std::string out;
    for (size_t i = 0; i < columns.size(); ++i) out += (i ? "\t" : "") + columns[i].name;
    out += '\n';
    for (cursor->first(); cursor->recordCount() > 0 && !cursor->eof(); cursor->next()) {
        for (size_t i = 0; i < columns.size(); ++i) out += (i ? "\t" : "") + rendered(cursor->get(static_cast<int>(i)));
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"dump", "dump FILE TABLE",
                                 "print a table: column names, then one tab-separated row a line", dump});
