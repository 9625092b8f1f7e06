// The engine on a table of 10,000 rows: opening it, finding a row, posting one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/db/db_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kRows = 10000;

// One stu.mdb with 10,000 candidates, made once for all benchmarks. The rows go
// in through the sqlcipher shell in one transaction (10,000 single posts would
// take minutes of fsync).
struct Lab {
    Lab() {
        kav::db::createDatabase(dir / "stu.mdb");
        std::string sql = "PRAGMA key='" + std::string(kav::db::kDatabasePassword) +
                          "'; WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(kRows - 1) +
                          ") INSERT INTO student (zkzh, ksxm, kstime, login_keyword) SELECT 110100000000 + i, "
                          "'考生' || i, '2026-12-09 08:00:00.000', 'pw' FROM n;";
        std::string command = "sqlcipher '" + (dir / "stu.mdb").string() + "' \"" + sql + "\" > /dev/null";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot fill " + (dir / "stu.mdb").string());
        connection = kav::test::openDatabase(dir / "stu.mdb");
        if (connection->openTable("student")->recordCount() != kRows) throw std::runtime_error("wrong row count");
    }
    kav::test::TempDir dir;
    std::unique_ptr<kav::db::Connection> connection;
};

Lab& lab() {
    static Lab instance;
    return instance;
}

void BM_OpenTable(benchmark::State& state) {
    lab();
    for (auto _ : state) {
        auto student = lab().connection->openTable("student");
        benchmark::DoNotOptimize(student->recordCount());
    }
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond);

void BM_LocateLastRow(benchmark::State& state) {
    auto student = lab().connection->openTable("student");
    const std::string wanted = std::to_string(110100000000LL + kRows - 1);
    for (auto _ : state) benchmark::DoNotOptimize(student->locate("zkzh", wanted));
}
BENCHMARK(BM_LocateLastRow)->Unit(benchmark::kMicrosecond);

void BM_PostEdit(benchmark::State& state) {
    auto student = lab().connection->openTable("student");
    student->moveBy(kRows / 2);
    int n = 0;
    for (auto _ : state) {
        student->edit();
        student->field("havelogined").setInteger(++n % 100);
        student->post();
    }
}
BENCHMARK(BM_PostEdit)->Unit(benchmark::kMillisecond);

void BM_PostAppend(benchmark::State& state) {
    auto teacherDir = std::make_unique<kav::test::TempDir>();
    auto teacher = kav::test::newDatabase(teacherDir->path() / "teacher.mdb");
    auto score = teacher->openTable("score");
    for (auto _ : state) {
        score->append();
        score->field("zkzh").setString("110199990001");
        score->field("kscj").setInteger(90);
        score->post();
    }
}
BENCHMARK(BM_PostAppend)->Unit(benchmark::kMillisecond);

void BM_RequeryStationRecord(benchmark::State& state) {
    auto teacherDir = std::make_unique<kav::test::TempDir>();
    auto teacher = kav::test::newDatabase(teacherDir->path() / "teacher.mdb");
    auto st = teacher->openTable("state");
    for (auto _ : state) {
        st->requery();
        benchmark::DoNotOptimize(st->field("korl").asInteger());
    }
}
BENCHMARK(BM_RequeryStationRecord)->Unit(benchmark::kMicrosecond);

void BM_Connect(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(kav::test::openDatabase(lab().dir / "stu.mdb"));
}
BENCHMARK(BM_Connect)->Unit(benchmark::kMillisecond);

}  // namespace
