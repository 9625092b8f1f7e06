// The editing model of a table bound to a cursor, on real database files.
#include <functional>
#include <gtest/gtest.h>

#include "common/db/error_text.h"
#include "common/db/values.h"
#include "tests/console/binding/binding_fixture.h"

using kav::console::TableBinding;
using kav::db::Cursor;
using kav::test::BindingFixture;
using kav::ui::Answer;
using kav::ui::Buttons;
using kav::ui::MessageKind;

namespace {

using Names = std::vector<std::string>;

// Every move of the binding, with the row it reaches from row 2 of three
// stored rows (a move after a posted insert starts from row 4 of four).
struct Move {
    const char* name;
    std::function<bool(TableBinding&)> act;
};
const std::vector<Move> kMoves = {
    {"first", [](TableBinding& b) { return b.first(); }},
    {"prior", [](TableBinding& b) { return b.prior(); }},
    {"next", [](TableBinding& b) { return b.next(); }},
    {"last", [](TableBinding& b) { return b.last(); }},
    {"to row 3", [](TableBinding& b) { return b.moveToRow(3); }},
    {"refresh", [](TableBinding& b) { return b.refresh(); }},
    {"insert", [](TableBinding& b) { return b.insert(); }},
};

TEST(TableBinding, EveryMoveFirstSavesThePendingChange) {
    struct Pending {
        const char* what;
        std::function<void(BindingFixture&)> make;
        Names stored;  // the file after the move
    };
    const std::vector<Pending> pendings = {
        {"changed edit is posted",
         [](BindingFixture& f) { f.binding->setText(f.column("ksxm"), "改名"); },
         {"张三", "改名", "王五"}},
        {"changed insert is posted",
         [](BindingFixture& f) {
             f.binding->insert();
             f.binding->setText(f.column("ksxm"), "新人");
         },
         {"张三", "李四", "王五", "新人"}},
        {"unchanged insert is dropped", [](BindingFixture& f) { f.binding->insert(); }, {"张三", "李四", "王五"}},
        {"unchanged edit writes nothing", [](BindingFixture& f) { f.binding->beginEdit(); }, {"张三", "李四", "王五"}},
    };
    for (const Move& move : kMoves) {
        for (const Pending& pending : pendings) {
            SCOPED_TRACE(std::string(move.name) + ": " + pending.what);
            BindingFixture f;
            f.addStudents({"张三", "李四", "王五"});
            f.bind().next();
            pending.make(f);
            ASSERT_TRUE(f.binding->isEditing());
            EXPECT_TRUE(move.act(*f.binding));
            EXPECT_EQ(f.stored(), pending.stored);
            EXPECT_EQ(f.binding->isInserting(), std::string(move.name) == "insert");
            EXPECT_TRUE(f.dialogs.shown.empty()) << f.dialogs.lastText();
        }
    }
}

TEST(TableBinding, MovesReachTheirRowsAndDoNothingOnAnEmptyTable) {
    const std::vector<std::pair<const char*, int>> reached = {{"first", 1}, {"prior", 1},    {"next", 3},
                                                              {"last", 3},  {"to row 3", 3}, {"refresh", 1}};
    for (auto [name, row] : reached) {
        SCOPED_TRACE(name);
        auto move = std::find_if(kMoves.begin(), kMoves.end(), [name = name](const Move& m) { return m.name == std::string(name); });
        BindingFixture full;
        full.addStudents({"张三", "李四", "王五"});
        full.bind().moveToRow(2);
        ASSERT_EQ(full.binding->currentRow(), 2);
        move->act(*full.binding);
        EXPECT_EQ(full.binding->currentRow(), row);

        BindingFixture empty;
        empty.bind();
        EXPECT_TRUE(move->act(*empty.binding));
        EXPECT_EQ(empty.binding->rowCount(), 0);
        EXPECT_EQ(empty.binding->positionText(), "记录号：");
        EXPECT_TRUE(empty.dialogs.shown.empty()) << empty.dialogs.lastText();
    }
    BindingFixture empty;
    empty.bind().remove();
    EXPECT_TRUE(empty.dialogs.shown.empty()) << "delete on an empty table asks nothing";
    EXPECT_EQ(empty.binding->rowCount(), 0);
}

// The engine's own text for a value the column refuses.
std::string refusal(const Cursor& cursor, int column, const std::string& value) {
    try {
        kav::db::toColumnValue(cursor.definition().columns[column], value);
    } catch (const kav::db::DbError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(TableBinding, ARefusedPostShowsWhyInChineseWithTheEngineTextKeepsTheTypedRowAndDoesNotMove) {
    struct Refused {
        const char* column;
        std::string typed;
        std::string corrected;
        bool tooLong;  // refused by the binding with the import's words, else by the engine
    };
    const std::vector<Refused> refusals = {
        {"zkzh", "1101000000099", "110100000009", true},  // 13 characters in a column of 12
        {"ksxm", "一二三四五六七八九十甲乙丙", "一二三", true},
        {"kscj", "40000", "100", false},  // outside a small integer
        {"kscj", "九十", "90", false},
    };
    for (const Move& move : kMoves) {
        for (const Refused& r : refusals) {
            SCOPED_TRACE(std::string(move.name) + ": " + r.column + "=" + r.typed);
            BindingFixture f;
            f.addStudents({"张三", "李四", "王五"});
            TableBinding& b = f.bind();
            b.next();
            const int column = f.column(r.column);
            b.setText(f.column("login_keyword"), "pw");
            b.setText(column, r.typed);

            EXPECT_FALSE(move.act(b));
            ASSERT_EQ(f.dialogs.shown.size(), 1u);
            EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Error);
            EXPECT_EQ(f.dialogs.shown[0].text,
                      r.tooLong ? std::string(r.column) + "“" + r.typed + "”超过12个字"
                                : std::string("数据没有保存。\r所填的值不符合该项的要求（类型或长度）。请改正后再保存。\r详细信息：") +
                                      refusal(*f.cursor, column, r.typed));
            EXPECT_EQ(b.currentRow(), 2) << "the move did not happen";
            EXPECT_TRUE(b.isEditing());
            EXPECT_EQ(b.text(column), r.typed);
            EXPECT_EQ(b.text(f.column("login_keyword")), "pw");
            EXPECT_EQ(b.positionText(), "记录号：2/3");
            EXPECT_EQ(f.stored("login_keyword"), (Names{"", "", ""})) << "nothing of the row reached the file";

            b.setText(column, r.corrected);
            EXPECT_TRUE(move.act(b));
            EXPECT_EQ(f.stored(r.column)[1], r.corrected);
            EXPECT_EQ(f.stored("login_keyword")[1], "pw");
        }
    }
}

TEST(TableBinding, DeleteAsksFirstAndDeletesOnlyOnOk) {
    struct Case {
        const char* what;
        std::function<void(TableBinding&)> before;
        std::vector<Answer> answers;
        bool asked;
        Names stored;
        int rowAfter;
    };
    const std::vector<Case> cases = {
        {"answered No", [](TableBinding&) {}, {Answer::No}, true, {"张三", "李四", "王五"}, 2},
        {"answered OK", [](TableBinding&) {}, {Answer::Ok}, true, {"张三", "王五"}, 2},
        {"OK on the last row", [](TableBinding& b) { b.last(); }, {Answer::Ok}, true, {"张三", "李四"}, 2},
        {"an edit answered OK", [](TableBinding& b) { b.setText(2, "改"); }, {Answer::Ok}, true, {"张三", "王五"}, 2},
        {"an edit answered No keeps the edit", [](TableBinding& b) { b.setText(2, "改"); }, {Answer::No}, true,
         {"张三", "李四", "王五"}, 2},
        {"during an insert drops the new row", [](TableBinding& b) { b.insert(); b.setText(2, "新"); }, {}, false,
         {"张三", "李四", "王五"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BindingFixture f;
        f.addStudents({"张三", "李四", "王五"});
        TableBinding& b = f.bind();
        b.next();
        c.before(b);
        f.dialogs.answers.assign(c.answers.begin(), c.answers.end());
        const int row = b.currentRow();
        b.remove();
        if (c.asked) {
            ASSERT_EQ(f.dialogs.shown.size(), 1u);
            EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Warning);
            EXPECT_EQ(f.dialogs.shown[0].text, "确定要删除第" + std::to_string(row) + "条记录吗？");
            EXPECT_EQ(f.dialogs.shown[0].buttons, Buttons::OkNoSafe);
        } else {
            EXPECT_TRUE(f.dialogs.shown.empty());
        }
        EXPECT_FALSE(b.isInserting());
        EXPECT_EQ(f.stored(), c.stored);
        EXPECT_EQ(b.currentRow(), c.rowAfter);
    }
}

TEST(TableBinding, PositionTextFollowsTheCursor) {
    struct Step {
        const char* what;
        std::function<void(TableBinding&)> act;
        std::string label;
    };
    auto typeName = [](TableBinding& b) { b.setText(2, "甲"); };
    const std::vector<std::pair<Names, std::vector<Step>>> scripts = {
        {{"张三", "李四", "王五"},
         {{"opened", [](TableBinding&) {}, "记录号：1/3"},
          {"next", [](TableBinding& b) { b.next(); }, "记录号：2/3"},
          {"last", [](TableBinding& b) { b.last(); }, "记录号：3/3"},
          {"next past the end", [](TableBinding& b) { b.next(); }, "记录号：3/3"},
          {"insert", [](TableBinding& b) { b.insert(); }, "记录号：4/4"},
          {"typed and posted", [&](TableBinding& b) { typeName(b); b.post(); }, "记录号：4/4"},
          {"to row 2", [](TableBinding& b) { b.moveToRow(2); }, "记录号：2/4"},
          {"deleted", [](TableBinding& b) { b.remove(); }, "记录号：2/3"}}},
        {{},
         {{"opened empty", [](TableBinding&) {}, "记录号："},
          {"first", [](TableBinding& b) { b.first(); }, "记录号："},
          {"insert", [](TableBinding& b) { b.insert(); }, "记录号：1/1"},
          {"typed and moved", [&](TableBinding& b) { typeName(b); b.first(); }, "记录号：1/1"},
          {"last row deleted", [](TableBinding& b) { b.remove(); }, "记录号：0/0"},
          {"refreshed empty", [](TableBinding& b) { b.refresh(); }, "记录号："},
          {"typing starts a row", [&](TableBinding& b) { typeName(b); }, "记录号：1/1"}}},
    };
    for (const auto& [rows, steps] : scripts) {
        BindingFixture f;
        f.addStudents(rows);
        f.dialogs.answers = {Answer::Ok};  // the delete question
        TableBinding& b = f.bind();
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            step.act(b);
            EXPECT_EQ(b.positionText(), step.label);
        }
    }
}

TEST(TableBinding, TypingEditsTheCurrentRowOrStartsOneInAnEmptyTable) {
    BindingFixture f;
    f.addStudents({"张三"});
    TableBinding& b = f.bind();
    EXPECT_FALSE(b.isEditing());
    b.setText(f.column("ksxm"), "张");
    EXPECT_TRUE(b.isEditing());
    EXPECT_FALSE(b.isInserting());
    EXPECT_TRUE(b.isModified());
    EXPECT_EQ(b.cellText(1, f.column("ksxm")), "张") << "the grid shows the typed value";
    EXPECT_EQ(f.cursor->field("ksxm").asString(), "张三") << "typed values wait for the save";
    b.setText(f.column("ID"), "9");
    ASSERT_EQ(f.dialogs.shown.size(), 1u) << "an auto-number cannot be typed";
    EXPECT_EQ(f.dialogs.shown[0].kind, MessageKind::Error);

    BindingFixture empty;
    TableBinding& e = empty.bind();
    e.setText(empty.column("zkzh"), "1");
    EXPECT_TRUE(e.isInserting());
    EXPECT_EQ(e.rowCount(), 1);
    EXPECT_TRUE(e.savePending());
    EXPECT_EQ(empty.stored("zkzh"), (Names{"1"}));
}

TEST(TableBinding, NavigatorPostAndCancel) {
    struct Case {
        const char* what;
        std::function<void(TableBinding&)> act;
        Names stored;
    };
    const std::vector<Case> cases = {
        {"post of an insert with nothing typed stores the row", [](TableBinding& b) { b.insert(); b.post(); },
         {"张三", ""}},
        {"post of a typed edit", [](TableBinding& b) { b.setText(2, "李"); b.post(); }, {"李"}},
        {"post of an edit with nothing typed writes nothing", [](TableBinding& b) { b.beginEdit(); b.post(); },
         {"张三"}},
        {"cancel of a typed edit", [](TableBinding& b) { b.setText(2, "李"); b.cancel(); }, {"张三"}},
        {"cancel of a typed insert", [](TableBinding& b) { b.insert(); b.setText(2, "李"); b.cancel(); }, {"张三"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BindingFixture f;
        f.addStudents({"张三"});
        TableBinding& b = f.bind();
        c.act(b);
        EXPECT_FALSE(b.isEditing());
        EXPECT_FALSE(b.isModified());
        EXPECT_EQ(f.stored(), c.stored);
        EXPECT_EQ(b.text(2), c.stored.back()) << "the view shows what was stored";
    }
}

TEST(TableBinding, RowHooksRunAroundEveryPostOnly) {
    BindingFixture f;
    f.addStudents({"张三", "李四"});
    f.cursor->edit();
    f.cursor->field("kscj").setInteger(88);
    f.cursor->post();
    TableBinding& b = f.bind();
    std::vector<std::string> calls;
    b.setBeforePost([&](Cursor& c) {
        calls.push_back("before " + c.field("ksxm").asString());
        c.field("kscj").setInteger(0);
    });
    b.setAfterPost([&](Cursor& c) { calls.push_back("after " + std::to_string(c.state() == Cursor::State::Browse)); });

    b.setText(f.column("ksxm"), "改");
    b.next();  // posted
    b.beginEdit();
    b.next();  // nothing changed: no post
    b.insert();
    b.first();  // unchanged insert dropped
    EXPECT_EQ(calls, (Names{"before 改", "after 1"}));
    EXPECT_EQ(f.stored("kscj"), (Names{"0", ""})) << "only the posted row went through the rule";

    b.setBeforePost([](Cursor&) { throw kav::db::RowRefused("这一行不合规则"); });
    b.setText(f.column("ksxm"), "再改");
    EXPECT_FALSE(b.next());
    EXPECT_EQ(f.dialogs.lastText(), "这一行不合规则") << "a rule's refusal is shown as it is";
    EXPECT_TRUE(b.isEditing());
    EXPECT_EQ(f.stored()[0], "改");
}

TEST(TableBinding, EveryListenerIsToldWhatChanged) {
    BindingFixture f;
    f.addStudents({"张三", "李四"});
    TableBinding& b = f.bind();
    std::vector<TableBinding::Change> grid, record;
    b.addListener([&](TableBinding::Change c) { grid.push_back(c); });
    int recordId = b.addListener([&](TableBinding::Change c) { record.push_back(c); });
    using C = TableBinding::Change;
    f.dialogs.answers = {Answer::Ok};
    b.next();
    b.setText(2, "李");
    b.insert();  // posts the edit, adds a row
    b.first();   // drops the empty new row
    b.remove();  // OK: deleted
    EXPECT_EQ(grid, (std::vector<C>{C::Position, C::Values, C::Rows, C::Rows, C::Rows}));
    EXPECT_EQ(record, grid);
    EXPECT_EQ(f.stored(), (Names{"李"})) << "the edit was posted, then the first row deleted";
    b.removeListener(recordId);
    b.last();
    EXPECT_EQ(grid.size(), 6u);
    EXPECT_EQ(record.size(), 5u);
}

TEST(TableBinding, TextsLongerThanTheColumnAreRefusedNamingTheRowAndKeptAsTyped) {
    struct Case {
        const char* table;
        const char* column;
        const char* caption;  // set on the binding, or nullptr
        int width;
    };
    const std::vector<Case> cases = {{"student", "ksxm", "姓名", 12},
                                     {"student", "login_keyword", nullptr, 50},
                                     {"selecttest", "sel_a", "A选择枝", 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + "." + c.column);
        BindingFixture f(c.table);
        TableBinding& b = f.bind();
        if (c.caption) b.setCaption(c.column, c.caption);
        const int column = b.columnIndex(c.column);
        std::string fits;
        for (int i = 0; i < c.width; ++i) fits += "字";
        b.setText(column, fits + "多");
        EXPECT_FALSE(b.post());
        EXPECT_EQ(f.dialogs.lastText(),
                  std::string(c.caption ? c.caption : c.column) + "“" + fits + "多”超过" + std::to_string(c.width) + "个字");
        EXPECT_EQ(b.text(column), fits + "多") << "kept as typed, not cut";
        b.setText(column, fits);
        EXPECT_TRUE(b.post());
        EXPECT_EQ(f.stored(c.column), (Names{fits}));
    }
}

TEST(TableBinding, AClosedCursorShowsTheEngineErrorOnEveryOperation) {
    BindingFixture f;
    f.addStudents({"张三"});
    f.cursor->close();
    TableBinding& b = f.bind();
    EXPECT_EQ(b.positionText(), "记录号：");
    EXPECT_EQ(b.rowCount(), 0);
    EXPECT_EQ(b.text(2), "");
    EXPECT_FALSE(b.next());
    EXPECT_FALSE(b.remove());
    ASSERT_EQ(f.dialogs.shown.size(), 2u);
    for (auto& shown : f.dialogs.shown) {
        EXPECT_EQ(shown.kind, MessageKind::Error);
        EXPECT_NE(shown.text.find("closed"), std::string::npos) << shown.text;
    }
    EXPECT_TRUE(b.refresh()) << "refresh opens the cursor again";
    EXPECT_EQ(b.positionText(), "记录号：1/1");
}

}  // namespace
