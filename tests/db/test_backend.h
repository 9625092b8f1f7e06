#pragma once
// The engine suite runs on both backends: a fresh database of one kind, as an
// encrypted file in a temporary folder or as a schema of its own on the test
// server that KAV_TEST_PG names (a libpq keyword/value string, such as
// "host=127.0.0.1 port=55432 user=kav_owner dbname=postgres"). Without that
// setting the server cases are skipped.
#include <libpq-fe.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "common/db/database.h"
#include "common/db/postgres_backend.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "tests/db/db_test_util.h"

namespace kav::test {

enum class Backend { Files, Server };

inline std::string backendName(Backend b) { return b == Backend::Files ? "Files" : "Server"; }

// The test server's keyword/value string, "" when none is configured.
inline std::string testServer() {
    const char* v = std::getenv("KAV_TEST_PG");
    return v ? v : "";
}

// Runs SQL on the test server as its owner; throws with the server's text.
inline void runOnServer(const std::string& conninfo, const std::string& sql) {
    PGconn* c = PQconnectdb(conninfo.c_str());
    std::string error;
    if (PQstatus(c) != CONNECTION_OK) error = PQerrorMessage(c);
    else {
        PGresult* r = PQexec(c, ("SET client_min_messages = warning; " + sql).c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
            error = PQresultErrorMessage(r);
        PQclear(r);
    }
    PQfinish(c);
    if (!error.empty()) throw std::runtime_error(error);
}

class TestDatabase {
public:
    TestDatabase(Backend backend, db::DatabaseKind kind, const std::filesystem::path& folder)
        : backend_(backend), file_(folder / std::string(db::fileNameOf(kind))) {
        if (backend_ == Backend::Files) {
            db::createDatabase(file_, kind);
            return;
        }
        static std::atomic<int> counter{0};
        schema_ = "kav_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
        runOnServer(testServer(), "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_);
        db::createServerDatabase(conninfo(), kind);
    }
    ~TestDatabase() {
        if (backend_ != Backend::Server) return;
        // The lab's station roles (when a case made any), then its tables.
        for (const std::string& sql : {"SELECT kav_admin.drop_lab_roles('" + schema_ + "')",
                                      "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE"})
            try {
                runOnServer(testServer(), sql);
            } catch (...) {
            }
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // The connection string that reaches this database.
    std::string connectionString() const {
        if (backend_ == Backend::Files) return db::ConnectionString::forDataSource(file_.string()).toString();
        db::ConnectionString cs;
        cs.provider = std::string(db::kServerProvider);
        cs.dataSource = conninfo();
        return cs.toString();
    }
    // A connection of its own, as another program would have.
    std::unique_ptr<db::Connection> open() const { return db::connect(connectionString(), file_.parent_path()); }
    const std::string& schema() const { return schema_; }
    // The owner's keyword/value string that reaches this database on the server.
    std::string conninfo() const { return testServer() + " options='-c search_path=" + schema_ + "'"; }

    // Makes the role of station NAME of this lab (and the lab's group) and
    // returns the connection string that the station's data link would hold.
    std::string stationConnectionString(const std::string& name, const std::string& password) const {
        db::prepareStationGroup(conninfo());
        const std::string role = db::provisionStation(conninfo(), name, password);
        return db::serverConnectionString(db::stationUri(conninfo(), role, password));
    }

private:
    Backend backend_;
    std::filesystem::path file_;
    std::string schema_;
};

}  // namespace kav::test

// Skips a server case when no test server is configured.
#define KAV_SKIP_WITHOUT_SERVER(backend)                                                   \
    if ((backend) == kav::test::Backend::Server && kav::test::testServer().empty())      \
    GTEST_SKIP() << "KAV_TEST_PG names no test server"
