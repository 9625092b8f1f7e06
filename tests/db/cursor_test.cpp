// Whole-table cursors: navigation, locate, edit/append/remove/post/cancel and
// snapshots, on real files.
#include <functional>

#include <gtest/gtest.h>

#include "common/db/values.h"
#include "tests/db/db_test_util.h"
#include "tests/db/test_backend.h"
#include "tests/support/temp_dir.h"

using namespace kav::db;
using kav::test::addStudent;

namespace {

class CursorTest : public ::testing::TestWithParam<kav::test::Backend> {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(GetParam());
        database = std::make_unique<kav::test::TestDatabase>(GetParam(), DatabaseKind::Student, dir.path());
        stu = database->open();
        student = stu->openTable("student");
    }
    // Four candidates; zkzh 2 occurs twice (rows 2 and 4).
    void fill() {
        addStudent(*student, "110100000001", "张三");
        addStudent(*student, "110100000002", "李四");
        addStudent(*student, "110100000003", "Wang");
        addStudent(*student, "110100000002", "重复");
        student->first();
    }
    std::vector<std::string> namesInFile() {
        auto c = database->open()->openTable("student");
        std::vector<std::string> names;
        for (c->first(); c->recordCount() > 0 && !c->eof(); c->next()) names.push_back(c->field("ksxm").asString());
        return names;
    }

    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> database;
    std::unique_ptr<Connection> stu;
    std::unique_ptr<Cursor> student;
};

TEST_P(CursorTest, EmptyTableIsAtBothEndsWithoutACurrentRow) {
    EXPECT_EQ(student->state(), Cursor::State::Browse);
    EXPECT_EQ(student->recordCount(), 0);
    EXPECT_TRUE(student->eof());
    EXPECT_TRUE(student->bof());
    EXPECT_EQ(student->recNo(), 0);
    student->next();
    student->last();
    student->moveBy(3);
    EXPECT_TRUE(student->eof() && student->bof());
    EXPECT_THROW(student->field("zkzh").asString(), DbError);
    EXPECT_THROW(student->edit(), DbError);
    EXPECT_THROW(student->remove(), DbError);
    EXPECT_FALSE(student->locate("zkzh", std::string("x")));
}

TEST_P(CursorTest, NavigationStopsAtTheEdgesWithEofAndBof) {
    fill();
    EXPECT_EQ(student->recordCount(), 4);
    EXPECT_EQ(student->recNo(), 1);
    EXPECT_FALSE(student->bof());
    EXPECT_FALSE(student->eof());
    student->prior();
    EXPECT_TRUE(student->bof());
    EXPECT_EQ(student->recNo(), 1);
    student->next();
    EXPECT_FALSE(student->bof());
    EXPECT_EQ(student->field("ksxm").asString(), "李四");
    student->last();
    EXPECT_FALSE(student->eof());
    EXPECT_EQ(student->recNo(), 4);
    student->next();
    EXPECT_TRUE(student->eof());
    EXPECT_EQ(student->recNo(), 4) << "past the end the cursor stays on the last row";
    EXPECT_EQ(student->field("ksxm").asString(), "重复");
    student->first();
    student->moveBy(2);
    EXPECT_EQ(student->recNo(), 3);
    student->moveBy(-1);
    EXPECT_EQ(student->recNo(), 2);
    student->moveBy(10);
    EXPECT_TRUE(student->eof());
    EXPECT_EQ(student->recNo(), 4);
    student->moveBy(-10);
    EXPECT_TRUE(student->bof());
    EXPECT_EQ(student->recNo(), 1);
    // The usual walk visits every row once, in table order.
    std::vector<int> seen;
    for (student->first(); !student->eof(); student->next()) seen.push_back(student->recNo());
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    // Reaching position n by first + moveBy(n - 1).
    student->first();
    student->moveBy(3 - 1);
    EXPECT_EQ(student->field("ksxm").asString(), "Wang");
}

TEST_P(CursorTest, LocateFindsTheFirstExactCaseSensitiveMatch) {
    fill();
    student->last();
    EXPECT_TRUE(student->locate("zkzh", std::string("110100000002")));
    EXPECT_EQ(student->recNo(), 2);
    EXPECT_EQ(student->field("ksxm").asString(), "李四");
    EXPECT_FALSE(student->locate("ksxm", std::string("wang")));
    EXPECT_EQ(student->recNo(), 2) << "a failed locate stays put";
    EXPECT_FALSE(student->locate("zkzh", std::string("11010000000")));
    EXPECT_FALSE(student->locate("zkzh", std::string("110100000002 ")));
    EXPECT_TRUE(student->locate("ksxm", std::string("Wang")));
    EXPECT_EQ(student->recNo(), 3);
    EXPECT_TRUE(student->locate("ID", std::int64_t{4}));
    EXPECT_EQ(student->field("ksxm").asString(), "重复");
    EXPECT_TRUE(student->locate("login_keyword", Value{}));  // NULL matches NULL
    EXPECT_EQ(student->recNo(), 1);
    EXPECT_THROW(student->locate("nosuch", std::string("x")), DbError);
    // A text longer than the column matches nothing rather than failing.
    EXPECT_FALSE(student->locate("zkzh", std::string(40, '1')));
}

TEST_P(CursorTest, EditPostWritesTheRowAndCancelDropsIt) {
    fill();
    student->moveBy(1);
    student->edit();
    EXPECT_EQ(student->state(), Cursor::State::Edit);
    student->field("ksxm").setString("改名");
    EXPECT_EQ(student->field("ksxm").asString(), "改名") << "the edit buffer reads back";
    student->cancel();
    EXPECT_EQ(student->state(), Cursor::State::Browse);
    EXPECT_EQ(student->field("ksxm").asString(), "李四");
    student->edit();
    student->field("ksxm").setString("改名");
    student->field(5).setInteger(2);
    student->post();
    EXPECT_EQ(student->recNo(), 2);
    EXPECT_EQ(student->field("havelogined").asInteger(), 2);
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"张三", "改名", "Wang", "重复"}));
}

TEST_P(CursorTest, SetWithoutEditIsAnErrorAndChangesNothing) {
    fill();
    EXPECT_THROW(student->field("ksxm").setString("x"), DbError);
    EXPECT_EQ(student->field("ksxm").asString(), "张三");
    student->post();  // nothing pending: nothing happens
    student->cancel();
    EXPECT_EQ(namesInFile()[0], "张三");
}

TEST_P(CursorTest, MovingLocatingAndAppendingPostAPendingEdit) {
    fill();
    student->edit();
    student->field("ksxm").setString("一");
    student->next();
    EXPECT_EQ(student->state(), Cursor::State::Browse);
    student->edit();
    student->field("ksxm").setString("二");
    ASSERT_TRUE(student->locate("zkzh", std::string("110100000003")));
    student->edit();
    student->field("ksxm").setString("三");
    student->append();
    student->cancel();
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"一", "二", "三", "重复"}));
}

TEST_P(CursorTest, CloseDropsAnUnpostedEditAndOpenRereads) {
    fill();
    student->edit();
    student->field("ksxm").setString("丢弃");
    student->close();
    EXPECT_FALSE(student->isOpen());
    EXPECT_THROW(student->recordCount(), DbError);
    EXPECT_THROW(student->first(), DbError);
    student->open();
    EXPECT_EQ(student->recordCount(), 4);
    EXPECT_EQ(student->field("ksxm").asString(), "张三");
}

TEST_P(CursorTest, AppendAssignsTheAutoNumberAtPostAndNeverReusesIt) {
    fill();
    student->append();
    EXPECT_EQ(student->state(), Cursor::State::Insert);
    EXPECT_EQ(student->recNo(), 5);
    EXPECT_TRUE(student->field("ID").isNull());
    EXPECT_THROW(student->field("ID").setInteger(99), DbError);
    student->field("zkzh").setString("110100000005");
    student->post();
    EXPECT_EQ(student->recNo(), 5);
    EXPECT_EQ(student->recordCount(), 5);
    EXPECT_EQ(student->field("ID").asInteger(), 5);
    EXPECT_TRUE(student->field("ksxm").isNull());
    EXPECT_EQ(student->field("ksxm").asString(), "");
    EXPECT_EQ(student->field("kscj").asInteger(), 0);
    student->remove();  // the last row
    student->append();
    student->post();
    EXPECT_EQ(student->field("ID").asInteger(), 6) << "an auto-number is not given out twice";
}

TEST_P(CursorTest, CancelledAppendReturnsToTheFormerRow) {
    fill();
    student->moveBy(2);
    student->append();
    student->field("zkzh").setString("x");
    student->cancel();
    EXPECT_EQ(student->recNo(), 3);
    EXPECT_EQ(student->recordCount(), 4);
    EXPECT_EQ(namesInFile().size(), 4u);
}

TEST_P(CursorTest, RemoveMovesToTheNextRowOrToTheNewLastRow) {
    fill();
    student->moveBy(1);
    student->remove();
    EXPECT_EQ(student->recordCount(), 3);
    EXPECT_EQ(student->recNo(), 2);
    EXPECT_EQ(student->field("ksxm").asString(), "Wang");
    EXPECT_FALSE(student->eof());
    student->last();
    student->remove();
    EXPECT_EQ(student->recNo(), 2);
    EXPECT_TRUE(student->eof());
    EXPECT_EQ(student->field("ksxm").asString(), "Wang");
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"张三", "Wang"}));
    // Deleting every row from the first until the table is empty.
    student->first();
    while (student->recordCount() > 0) student->remove();
    EXPECT_TRUE(student->eof() && student->bof());
    EXPECT_TRUE(namesInFile().empty());
}

TEST_P(CursorTest, RemoveWhileEditingDropsTheEditAndDeletes) {
    fill();
    student->edit();
    student->field("ksxm").setString("x");
    student->remove();
    EXPECT_EQ(student->state(), Cursor::State::Browse);
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"李四", "Wang", "重复"}));
}

TEST_P(CursorTest, ASnapshotShowsOtherCursorsPostsOnlyAfterRequery) {
    fill();
    auto other = database->open()->openTable("student");
    other->moveBy(2);
    addStudent(*student, "110100000009", "新");
    student->first();
    student->edit();
    student->field("ksxm").setString("变");
    student->post();
    EXPECT_EQ(other->recordCount(), 4);
    EXPECT_EQ(other->recNo(), 3);
    other->first();
    EXPECT_EQ(other->field("ksxm").asString(), "张三");
    other->requery();
    EXPECT_EQ(other->recordCount(), 5);
    EXPECT_EQ(other->recNo(), 1);
    EXPECT_EQ(other->field("ksxm").asString(), "变");
    other->last();
    EXPECT_EQ(other->field("ksxm").asString(), "新");
}

TEST_P(CursorTest, EditOfARowDeletedElsewhereFailsInsteadOfVanishing) {
    fill();
    auto other = database->open()->openTable("student");
    other->moveBy(1);
    other->remove();
    student->moveBy(1);
    student->edit();
    student->field("ksxm").setString("迟到");
    try {
        student->post();
        FAIL() << "posting to a deleted row must fail";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("deleted"), std::string::npos) << e.what();
    }
    EXPECT_EQ(student->state(), Cursor::State::Edit) << "the edit stays so it can be cancelled";
    student->cancel();
    EXPECT_THROW(student->remove(), DbError);
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"张三", "Wang", "重复"}));
}

TEST_P(CursorTest, TablesWithoutAutoNumberKeepTheOrderRowsWereAdded) {
    auto selecttest = stu->openTable("selecttest");
    for (int id : {5, 3, 9}) {
        selecttest->append();
        selecttest->field("ID").setInteger(id);
        selecttest->field(6).setString("a");
        selecttest->post();
    }
    selecttest->first();
    selecttest->moveBy(1);
    selecttest->edit();
    selecttest->field("ID").setInteger(30);
    selecttest->post();
    auto fresh = database->open()->openTable("selecttest");
    std::vector<std::int64_t> ids;
    for (; !fresh->eof(); fresh->next()) ids.push_back(fresh->field(0).asInteger());
    EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 30, 9}));
    fresh->first();
    fresh->remove();
    fresh->requery();
    EXPECT_EQ(fresh->recordCount(), 2);
    EXPECT_EQ(fresh->field("ID").asInteger(), 30);
}

TEST_P(CursorTest, FieldsByNameArePositionsInTableOrder) {
    fill();
    EXPECT_EQ(student->field("zkzh").index(), 1);
    EXPECT_EQ(student->field(2).name(), "ksxm");
    EXPECT_EQ(student->field("KSXM").index(), 2);
    EXPECT_THROW(student->field("nosuch"), DbError);
    EXPECT_THROW(student->field(11), DbError);
    EXPECT_THROW(student->field(-1), DbError);
}

INSTANTIATE_TEST_SUITE_P(Backends, CursorTest,
                         ::testing::Values(kav::test::Backend::Files, kav::test::Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

}  // namespace

TEST_P(CursorTest, IsModifiedOnlyOnceAFieldWasSetSinceEditOrAppend) {
    fill();
    struct Case {
        const char* what;
        std::function<void(Cursor&)> act;
        bool modified;
    };
    const std::vector<Case> cases = {
        {"browsing", [](Cursor&) {}, false},
        {"edit with nothing set", [](Cursor& c) { c.edit(); }, false},
        {"edit with a field set", [](Cursor& c) { c.edit(); c.field("ksxm").setString("x"); }, true},
        {"edit with the same value set again", [](Cursor& c) { c.edit(); c.field("ksxm").setString("张三"); }, true},
        {"edit with only a refused value",
         [](Cursor& c) {
             c.edit();
             EXPECT_THROW(c.field("zkzh").setString(std::string(13, '1')), DbError);
         },
         false},
        {"append with nothing set", [](Cursor& c) { c.append(); }, false},
        {"append with a field set", [](Cursor& c) { c.append(); c.field("zkzh").setString("9"); }, true},
        {"edit, then cancel", [](Cursor& c) { c.edit(); c.field("ksxm").setString("x"); c.cancel(); }, false},
        {"append, then post", [](Cursor& c) { c.append(); c.field("ksxm").setString("新"); c.post(); }, false},
        {"edit, then a move", [](Cursor& c) { c.edit(); c.field("ksxm").setString("y"); c.next(); }, false},
        {"closed", [](Cursor& c) { c.edit(); c.field("ksxm").setString("x"); c.close(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!student->isOpen()) student->open();
        student->cancel();
        student->first();
        c.act(*student);
        EXPECT_EQ(student->isModified(), c.modified);
    }
}

TEST_P(CursorTest, RowValueReadsAnySnapshotRowWithoutMoving) {
    fill();
    const int name = student->definition().indexOf("ksxm");
    student->moveBy(2);
    std::vector<std::string> names;
    for (int row = 1; row <= student->recordCount(); ++row) names.push_back(readString(student->rowValue(row, name)));
    EXPECT_EQ(names, (std::vector<std::string>{"张三", "李四", "Wang", "重复"}));
    EXPECT_EQ(student->recNo(), 3) << "reading rows does not move the cursor";
    EXPECT_FALSE(student->eof());

    student->edit();
    student->field("ksxm").setString("改");
    EXPECT_EQ(readString(student->rowValue(3, name)), "改") << "the edited row shows its unposted values";
    EXPECT_EQ(readString(student->rowValue(2, name)), "李四");
    student->cancel();
    EXPECT_EQ(readString(student->rowValue(3, name)), "Wang");

    student->append();
    student->field("ksxm").setString("新");
    EXPECT_EQ(readString(student->rowValue(5, name)), "新") << "the row being appended follows the last";
    EXPECT_EQ(readString(student->rowValue(4, name)), "重复");
    student->cancel();

    for (int row : {0, -1, 5}) EXPECT_THROW(student->rowValue(row, name), DbError) << "row " << row;
    EXPECT_THROW(student->rowValue(1, 99), DbError);
    student->close();
    EXPECT_THROW(student->rowValue(1, name), DbError);
}

namespace {

using kav::test::Backend;

// Cursors over the rows with one key value.
class KeyedCursorTest : public CursorTest {
protected:
    std::vector<std::string> names(Cursor& c) {
        std::vector<std::string> out;
        for (c.first(); c.recordCount() > 0 && !c.eof(); c.next()) out.push_back(c.field("ksxm").asString());
        return out;
    }
};

TEST_P(KeyedCursorTest, CoversTheRowsWithTheKeyInTableOrder) {
    fill();
    struct Case {
        const char* column;
        Value value;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"zkzh", std::string("110100000002"), {"李四", "重复"}},
        {"ZKZH", std::string("110100000003"), {"Wang"}},
        {"ksxm", std::string("wang"), {}},  // case-sensitive, as locate
        {"zkzh", std::string("11010000000"), {}},  // no prefix match
        {"zkzh", std::string(60, '1'), {}},  // longer than the column: matches nothing
        {"havelogined", std::int64_t{0}, {}},  // NULL is no 0
        {"havelogined", Value{}, {"张三", "李四", "Wang", "重复"}},
    };
    for (const Case& c : cases) {
        auto keyed = stu->openKeyed("student", c.column, c.value);
        EXPECT_EQ(names(*keyed), c.expected) << c.column;
        EXPECT_EQ(keyed->recordCount(), static_cast<int>(c.expected.size())) << c.column;
        if (c.expected.empty()) {
            EXPECT_TRUE(keyed->eof() && keyed->bof()) << c.column;
        }
    }
    EXPECT_THROW(stu->openKeyed("student", "nosuch", std::string("x")), DbError);
    EXPECT_THROW(stu->openKeyed("nosuch", "zkzh", std::string("x")), DbError);
    EXPECT_THROW(stu->openKeyed("student", "kscj", std::string("many")), DbError);
}

TEST_P(KeyedCursorTest, EditAppendAndRemoveReachTheTableAtOnce) {
    fill();
    auto keyed = stu->openKeyed("student", "zkzh", std::string("110100000002"));
    keyed->last();
    keyed->edit();
    keyed->field("ksxm").setString("改");
    keyed->post();
    keyed->append();
    keyed->field("zkzh").setString("110100000002");
    keyed->field("ksxm").setString("加");
    keyed->post();
    EXPECT_EQ(keyed->recNo(), 3);
    keyed->first();
    keyed->remove();
    EXPECT_EQ(names(*keyed), (std::vector<std::string>{"改", "加"}));
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"张三", "Wang", "改", "加"}));
    // A set needs edit mode, as on the whole table.
    EXPECT_THROW(keyed->field("ksxm").setString("x"), DbError);
}

TEST_P(KeyedCursorTest, SnapshotSeesOtherProgramsRowsOnlyAfterRequery) {
    fill();
    auto keyed = stu->openKeyed("student", "zkzh", std::string("110100000002"));
    auto other = database->open();
    auto whole = other->openTable("student");
    addStudent(*whole, "110100000002", "后来");
    addStudent(*whole, "110100000005", "别人");
    EXPECT_EQ(keyed->recordCount(), 2);
    keyed->requery();
    EXPECT_EQ(names(*keyed), (std::vector<std::string>{"李四", "重复", "后来"}));
    // A row deleted by the other program cannot be posted to.
    whole->first();
    whole->moveBy(1);
    whole->remove();
    keyed->first();
    keyed->edit();
    keyed->field("ksxm").setString("迟到");
    EXPECT_THROW(keyed->post(), DbError);
    EXPECT_EQ(keyed->state(), Cursor::State::Edit) << "a failed post keeps the row";
}

INSTANTIATE_TEST_SUITE_P(Backends, KeyedCursorTest, ::testing::Values(Backend::Files, Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

}  // namespace
