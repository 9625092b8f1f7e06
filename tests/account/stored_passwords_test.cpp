// No account password can be read back from teacher.mdb, whoever holds the
// database password: new files, demo labs and older files brought up to date.
#include <gtest/gtest.h>

#include <array>

#include "common/account/password.h"
#include "common/account/upgrade/upgrade.h"
#include "common/db/schema.h"
#include "common/db/sqlcipher_backend.h"
#include "tests/account/raw_file.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace kav::account {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const std::string kKey(db::kDatabasePassword);

std::unique_ptr<db::Connection> open(const fs::path& file) {
    return db::connect(db::ConnectionString::forDataSource(file.string()).toString(), file.parent_path());
}

std::vector<std::string> passwords(db::Connection& teacher) {
    std::vector<std::string> out;
    auto user = teacher.openTable("user");
    for (user->first(); !user->eof(); user->next()) out.push_back(user->field("password").asString());
    return out;
}

void expectNoneReadable(const fs::path& file, const std::vector<std::string>& secrets) {
    const std::string pages = test::decryptedPages(file, kKey);
    // The user names are stored in clear: seeing them proves the pages were read.
    ASSERT_NE(pages.find("assist1"), std::string::npos) << file;
    for (const std::string& secret : secrets) EXPECT_EQ(pages.find(secret), std::string::npos) << secret;
}

// A teacher.mdb as written before passwords were hashed: password text(50), and
// the four accounts stored in clear.
void makeOlderTeacherFile(const fs::path& file, const std::array<std::string, 4>& plain) {
    std::vector<db::TableDef> tables = db::tablesOf(db::DatabaseKind::Teacher);
    for (db::TableDef& t : tables)
        if (t.name == "user") t.columns[1].width = 50;
    db::createSqlCipherFile(file, kKey, tables, /*writeAheadLog=*/true);
    test::RawFile raw(file, kKey);
    const char* names[] = {"admin", "assist1", "assist2", "assist3"};
    for (int i = 0; i < 4; ++i)
        raw.exec(std::string("INSERT INTO user (username, password) VALUES ('") + names[i] + "', '" + plain[i] + "')");
}

TEST(StoredPasswords, NewFilesHoldOnlyHashesOfTheDefaultPasswords) {
    struct Case {
        const char* command;
        const char* teacherFile;
    };
    for (const Case& c : {Case{"init-db teacher.mdb", "teacher.mdb"}, Case{"demo-lab lab", "lab/teacher/teacher.mdb"}}) {
        SCOPED_TRACE(c.command);
        TempDir dir;
        test::ToolRun run = test::runKavtool(c.command, dir.path());
        ASSERT_EQ(run.status, 0) << run.err;
        const fs::path file = dir / c.teacherFile;
        {
            auto teacher = open(file);
            const auto stored = passwords(*teacher);
            ASSERT_EQ(stored.size(), 4u);
            for (std::size_t i = 0; i < 4; ++i) {
                EXPECT_TRUE(isPasswordHash(stored[i])) << stored[i];
                EXPECT_TRUE(verifyPassword(stored[i], db::kDefaultAccounts[i].password)) << i;
            }
        }
        // "admin" is also a user name; the assistants' passwords are nowhere.
        expectNoneReadable(file, {"1111", "2222", "3333"});
    }
}

TEST(StoredPasswords, UpgradeHashesPlainPasswordsAndLeavesNoTrace) {
    TempDir dir;
    const fs::path file = dir / "teacher.mdb";
    const std::array<std::string, 4> plain = {"Chief-Secret-0", "First-Secret-1", "Second-Secret-2", ""};
    makeOlderTeacherFile(file, plain);
    // Before the upgrade the scan does find them.
    const std::string before = test::decryptedPages(file, kKey);
    for (int i = 0; i < 3; ++i) EXPECT_NE(before.find(plain[i]), std::string::npos) << plain[i];

    auto client = open(file);  // a student machine has the file open meanwhile
    auto console = open(file);
    EXPECT_EQ(hashPlainPasswords(*console), 3);

    const auto stored = passwords(*console);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(verifyPassword(stored[i], plain[i])) << i;
    EXPECT_EQ(stored[3], "") << "an empty password stays empty and admits no one";
    EXPECT_EQ(passwords(*client), stored);
    // Everything is in the file itself: the log was emptied.
    EXPECT_EQ(fs::file_size(dir / "teacher.mdb-wal"), 0u);
    expectNoneReadable(file, {plain[0], plain[1], plain[2]});

    // Hashes are not hashed again.
    EXPECT_EQ(hashPlainPasswords(*console), 0);
    EXPECT_EQ(passwords(*console), stored);
}

TEST(StoredPasswords, OlderFilesGetTheWiderPasswordColumnOnceAndKeepTheirRows) {
    TempDir dir;
    const fs::path file = dir / "teacher.mdb";
    const std::array<std::string, 4> plain = {"a", std::string(50, 'b'), "口令", ""};
    makeOlderTeacherFile(file, plain);
    const std::string catalogueWidth =
        "SELECT width FROM kav_columns WHERE table_name = 'user' AND name = ";
    {
        auto teacher = open(file);
        auto user = teacher->openTable("user");
        EXPECT_EQ(user->definition().columns[1].width, 255);
        EXPECT_EQ(user->definition().columns[0].width, 50);  // only what became wider
        EXPECT_EQ(passwords(*teacher), std::vector<std::string>(plain.begin(), plain.end()));
        // A hash now fits where a text of more than 50 characters was refused.
        user->edit();
        user->field("password").setString(hashPassword("a"));
        user->post();
    }
    test::RawFile raw(file, kKey);
    EXPECT_EQ(raw.integer(catalogueWidth + "'password'"), 255);
    EXPECT_EQ(raw.integer(catalogueWidth + "'username'"), 50);
    EXPECT_EQ(raw.integer("SELECT count(*) FROM user"), 4);
}

}  // namespace
}  // namespace kav::account
