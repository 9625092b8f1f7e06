#include "common/db/schema.h"

#include "common/account/password.h"
#include "common/core/ascii.h"
#include "common/core/sqlite_files.h"
#include "common/db/postgres_backend.h"
#include "common/db/sqlcipher_backend.h"
#include "common/db/tables.h"

namespace kav::db {
namespace {

using T = ColumnType;

std::vector<ColumnDef> examRecordColumns() {
    return {{"ID", T::AutoNumber},       {"zkzh", T::Text, 50},      {"ksxm", T::Text, 50},
            {"kstime", T::DateTime},     {"winno", T::Int32},        {"win_condiction", T::Memo},
            {"sel_arr1", T::Text, 255},  {"sel_arr2", T::Text, 255}, {"sel_arr3", T::Text, 255},
            {"filename_dz", T::Text, 50}, {"dz_result", T::Memo},    {"filename_word", T::Text, 50},
            {"word_result", T::Memo},    {"wordno", T::Int32},       {"resttime", T::Text, 50}};
}

std::vector<TableDef> studentTables() {
    return {
        {"student",
         {{"ID", T::AutoNumber},
          {"zkzh", T::Text, 12},
          {"ksxm", T::Text, 12},
          {"kstime", T::DateTime},
          {"kscj", T::Int16},
          {"havelogined", T::Int16},
          {"login_keyword", T::Text, 50},
          {"win_cj", T::Int16},
          {"select_cj", T::Int16},
          {"dz_cj", T::Int16},
          {"word_cj", T::Int16}}},
        {"win", {{"ID", T::AutoNumber}, {"question1", T::Memo}, {"question2", T::Memo}, {"answer", T::Memo}}},
        {"selecttest",
         {{"ID", T::Int32},
          {"select_question", T::Memo},
          {"sel_a", T::Text, 255},
          {"sel_b", T::Text, 255},
          {"sel_c", T::Text, 255},
          {"sel_d", T::Text, 255},
          {"correct_sel", T::Text, 2},
          {"image", T::Blob}}},
        {"word", {{"ID", T::AutoNumber}, {"question", T::Memo}, {"answer", T::Memo}, {"filename_word", T::Text, 50}}},
        {"ct", examRecordColumns()},
    };
}

}  // namespace

// One row a station: where its client is, rewritten with each poll.
// Every score changed by re-grading: when, whose, which part, from and to, by which account.
TableDef regradeTable() {
    return {"regrade",
            {{"ID", T::AutoNumber},
             {"changed_at", T::DateTime},
             {"zkzh", T::Text, 40},
             {"part", T::Text, 10},
             {"old_score", T::Int32},
             {"new_score", T::Int32},
             {"account", T::Text, 50}}};
}

TableDef heartbeatTable() {
    return {"heartbeat",
            {{"station", T::Text, 63},
             {"zkzh", T::Text, 50},
             {"ksxm", T::Text, 50},
             {"phase", T::Int32},
             {"remaining", T::Int32},
             {"report_at", T::DateTime},
             {"report_total", T::Int32},
             {"version", T::Text, 50},
             {"written_at", T::DateTime}}};
}

namespace {

std::vector<TableDef> teacherTables() {
    return {
        {"score",
         {{"ID", T::AutoNumber},
          {"zkzh", T::Text, 40},
          {"ksxm", T::Text, 50},
          {"kstime", T::DateTime},
          {"kscj", T::Int32},
          {"havelogined", T::Int32},
          {"login_keyword", T::Text, 50},
          {"win_cj", T::Int32},
          {"select_cj", T::Int32},
          {"dz_cj", T::Int32},
          {"word_cj", T::Int32}}},
        {"condition", examRecordColumns()},
        {"state",
         {{"korl", T::Int32},
          {"update", T::Boolean},
          {"clearinfo", T::Boolean},
          {"clearfold", T::Boolean},
          {"resttime", T::Text, 50}}},
        {"updatefile", {{"ID", T::AutoNumber}, {"filename", T::Text, 255}}},
        {"user", {{"username", T::Text, 50}, {"password", T::Text, 255}}},
        heartbeatTable(),
        regradeTable(),
    };
}

void addTeacherRows(Connection& connection) {
    auto user = connection.openTable("user");
    for (const auto& account : kDefaultAccounts) {
        user->append();
        user->field("username").setString(std::string(account.username));
        user->field("password").setString(account::hashPassword(account.password));
        user->post();
    }
    auto state = connection.openTable("state");
    state->append();
    state->field("korl").setInteger(1);
    state->field("update").setBoolean(false);
    state->field("clearinfo").setBoolean(false);
    state->field("clearfold").setBoolean(false);
    state->field("resttime").setString(std::string(kDefaultRestTime));
    state->post();
    auto updatefile = connection.openTable("updatefile");
    updatefile->append();
    updatefile->field("filename").setString("");
    updatefile->post();
}

}  // namespace

std::string_view fileNameOf(DatabaseKind kind) { return kind == DatabaseKind::Student ? "stu.mdb" : "teacher.mdb"; }

DatabaseKind kindFromFileName(const std::filesystem::path& file) {
    std::string name = lowerAscii(file.filename().string());
    if (name == fileNameOf(DatabaseKind::Student)) return DatabaseKind::Student;
    if (name == fileNameOf(DatabaseKind::Teacher)) return DatabaseKind::Teacher;
    throw DbError("'" + file.filename().string() + "' is no exam database name: it must be stu.mdb or teacher.mdb");
}

const std::vector<TableDef>& tablesOf(DatabaseKind kind) {
    static const std::vector<TableDef> student = studentTables(), teacher = teacherTables();
    return kind == DatabaseKind::Student ? student : teacher;
}

const TableDef& tableDef(DatabaseKind kind, std::string_view table) {
    for (const auto& t : tablesOf(kind))
        if (equalsIgnoringCase(t.name, table)) return t;
    throw DbError("Cannot find the input table or query '" + std::string(table) + "' of " +
                  std::string(fileNameOf(kind)));
}

void createDatabase(const std::filesystem::path& file, DatabaseKind kind) {
    std::string password(kDatabasePassword);
    createSqlCipherFile(file, password, tablesOf(kind), /*writeAheadLog=*/kind == DatabaseKind::Teacher);
    if (kind != DatabaseKind::Teacher) return;
    try {
        auto connection = connectFile(std::filesystem::absolute(file).string(), {});
        addTeacherRows(*connection);
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        removeSqliteSideFiles(file);
        throw;
    }
}

void createDatabase(const std::filesystem::path& file) { createDatabase(file, kindFromFileName(file)); }

void createServerDatabase(const std::string& conninfo, DatabaseKind kind) {
    createPostgresTables(conninfo, tablesOf(kind));
    if (kind == DatabaseKind::Teacher) addTeacherRows(*openPostgres(conninfo));
}

std::optional<std::vector<std::string>> upgradeServerDatabase(const std::string& conninfo, DatabaseKind kind) {
    return upgradePostgresTables(conninfo, tablesOf(kind));
}

}  // namespace kav::db
