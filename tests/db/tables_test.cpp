// Opening a program's tables in its order, going to a bank position, and the
// column positions the programs use by number.
#include <gtest/gtest.h>

#include "common/db/columns.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "tests/db/db_test_util.h"
#include "tests/support/temp_dir.h"

namespace kav::db {
namespace {

// A connection that records the order in which tables are opened.
class RecordingConnection final : public Connection {
public:
    RecordingConnection(std::unique_ptr<Connection> inner, std::vector<std::string>& opened)
        : inner_(std::move(inner)), opened_(opened) {}
    std::unique_ptr<Cursor> openTable(std::string_view name) override {
        auto cursor = inner_->openTable(name);
        opened_.emplace_back(name);
        return cursor;
    }
    std::unique_ptr<Cursor> openKeyed(std::string_view table, std::string_view column, const Value& value) override {
        return inner_->openKeyed(table, column, value);
    }
    std::vector<std::string> tableNames() override { return inner_->tableNames(); }
    bool onServer() const override { return inner_->onServer(); }
    int delayPasswordLevel(std::string_view typed) override { return inner_->delayPasswordLevel(typed); }
    std::string dataSource() const override { return inner_->dataSource(); }
    void setSecureDelete(bool on) override { inner_->setSecureDelete(on); }
    void checkpoint() override { inner_->checkpoint(); }
    void transaction(const std::function<void()>& work) override { inner_->transaction(work); }

private:
    std::unique_ptr<Connection> inner_;
    std::vector<std::string>& opened_;
};

class TablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        createDatabase(dir / "stu.mdb");
        createDatabase(dir / "teacher.mdb");
    }
    std::unique_ptr<Connection> recording(const std::string& file) {
        return std::make_unique<RecordingConnection>(connectFile(file, dir.path()), opened);
    }
    test::TempDir dir;
    std::vector<std::string> opened;
};

TEST_F(TablesTest, OpensEveryTableInTheProgramsOrder) {
    struct Case {
        std::string file;
        std::span<const std::string_view> order;
    };
    const Case cases[] = {{"stu.mdb", kClientStudentTables},
                          {"stu.mdb", kConsoleStudentTables},
                          {"teacher.mdb", kTeacherTables}};
    for (const auto& c : cases) {
        opened.clear();
        OpenTables tables(recording(c.file), c.order);
        EXPECT_EQ(opened, std::vector<std::string>(c.order.begin(), c.order.end()));
        for (std::string_view name : c.order) {
            Cursor& cursor = tables.table(name);
            EXPECT_TRUE(cursor.isOpen());
            EXPECT_EQ(cursor.definition().name, name);
        }
    }
}

TEST_F(TablesTest, TableNamesIgnoreCaseAndUnopenedTablesAreRefused) {
    const std::string_view some[] = {"win", "word"};
    OpenTables tables(connectFile("stu.mdb", dir.path()), some);
    EXPECT_EQ(&tables.table("WIN"), &tables.table("win"));
    EXPECT_THROW(tables.table("student"), DbError);
    EXPECT_THROW(tables.table("score"), DbError);
}

TEST_F(TablesTest, ATableTheFileLacksFailsTheWholeOpening) {
    const std::string_view wrong[] = {"student", "score"};
    EXPECT_THROW(OpenTables(recording("stu.mdb"), wrong), DbError);
    EXPECT_EQ(opened, std::vector<std::string>{"student"});
    EXPECT_THROW(connectFile("missing.mdb", dir.path()), DbError);
}

TEST_F(TablesTest, GotoPositionFindsOnlyRowsThatExist) {
    auto stu = connectFile("stu.mdb", dir.path());
    auto win = stu->openTable("win");
    for (const char* q : {"first", "second", "third"}) {
        win->append();
        win->field("question1").setString(q);
        win->post();
    }
    struct Case {
        int position;
        const char* question;  // nullptr: no such row
    };
    const Case cases[] = {{1, "first"}, {3, "third"}, {2, "second"}, {0, nullptr}, {4, nullptr}, {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(gotoPosition(*win, c.position), c.question != nullptr);
        if (c.question) {
            EXPECT_EQ(win->field("question1").asString(), c.question);
        }
    }
    auto empty = stu->openTable("word");
    EXPECT_FALSE(gotoPosition(*empty, 1));
}

TEST(ColumnPositions, MatchTheSchema) {
    struct Case {
        DatabaseKind kind;
        std::string_view table, column;
        int position;
    };
    const Case cases[] = {
        {DatabaseKind::Student, "student", "havelogined", col::student_havelogined},
        {DatabaseKind::Student, "student", "win_cj", col::student_win_cj},
        {DatabaseKind::Student, "student", "select_cj", col::student_select_cj},
        {DatabaseKind::Student, "win", "question1", col::win_question1},
        {DatabaseKind::Student, "win", "question2", col::win_question2},
        {DatabaseKind::Student, "win", "answer", col::win_answer},
        {DatabaseKind::Student, "selecttest", "correct_sel", col::selecttest_correct_sel},
        {DatabaseKind::Student, "word", "question", col::word_question},
        {DatabaseKind::Student, "ct", "win_condiction", col::ct_win_condiction},
        {DatabaseKind::Teacher, "condition", "win_condiction", col::ct_win_condiction},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.table) + "." + std::string(c.column));
        EXPECT_EQ(tableDef(c.kind, c.table).indexOf(c.column), c.position);
    }
}

}  // namespace
}  // namespace kav::db
