// Column types and widths as the engine enforces them, and the readings of a
// stored value as another type; values read back from a reopened file.
#include <gtest/gtest.h>

#include "common/core/utf8.h"
#include "common/db/values.h"
#include "tests/db/db_test_util.h"
#include "tests/db/test_backend.h"
#include "tests/support/temp_dir.h"

using namespace kav::db;
using kav::utf8Length;

namespace {

std::string repeat(const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

class ValuesTest : public ::testing::TestWithParam<kav::test::Backend> {
protected:
    void SetUp() override {
        KAV_SKIP_WITHOUT_SERVER(GetParam());
        database = std::make_unique<kav::test::TestDatabase>(GetParam(), DatabaseKind::Student, dir.path());
        stu = database->open();
    }
    std::unique_ptr<Cursor> reopened(const std::string& table) { return database->open()->openTable(table); }
    kav::test::TempDir dir;
    std::unique_ptr<kav::test::TestDatabase> database;
    std::unique_ptr<Connection> stu;
};

TEST_P(ValuesTest, TextWidthCountsCharactersNotBytes) {
    auto student = stu->openTable("student");
    student->append();
    student->field("ksxm").setString(repeat("汉", 12));  // 36 bytes, 12 characters
    student->field("zkzh").setString("123456789012");
    try {
        student->field("zkzh").setString("1234567890123");
        FAIL() << "13 characters in a text(12)";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("too small"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("zkzh"), std::string::npos) << e.what();
    }
    EXPECT_THROW(student->field("ksxm").setString(repeat("汉", 13)), DbError);
    EXPECT_THROW(student->field("ksxm").setString(repeat("😀", 13)), DbError);
    EXPECT_EQ(student->field("zkzh").asString(), "123456789012") << "a refused value leaves the field as it was";
    student->post();
    auto back = reopened("student");
    EXPECT_EQ(back->field("ksxm").asString(), repeat("汉", 12));
    EXPECT_EQ(back->field("zkzh").asString(), "123456789012");
}

TEST_P(ValuesTest, MemoAndWidenedColumnsTakeLongTexts) {
    auto ct = stu->openTable("ct");
    std::string longText = repeat("第一行\t内容\n", 20000);
    ct->append();
    ct->field("word_result").setString(longText);
    ct->field(5).setString(repeat("文件", 300));  // win_condiction
    ct->field("dz_result").setString(repeat("12 ", 400));
    EXPECT_THROW(ct->field("filename_dz").setString(std::string(51, 'f')), DbError);
    EXPECT_THROW(ct->field(8).setString(std::string(256, '1')), DbError);  // sel_arr3, text(255)
    ct->field(8).setString(std::string(255, '1'));
    ct->post();
    auto back = reopened("ct");
    EXPECT_EQ(back->field("word_result").asString(), longText);
    EXPECT_EQ(back->field("win_condiction").asString(), repeat("文件", 300));
    EXPECT_EQ(back->field("dz_result").asString().size(), 1200u);
}

TEST_P(ValuesTest, IntegerRangesAreEnforced) {
    auto student = stu->openTable("student");
    student->append();
    student->field("kscj").setInteger(32767);
    student->field("win_cj").setInteger(-32768);
    EXPECT_THROW(student->field("kscj").setInteger(32768), DbError);
    EXPECT_THROW(student->field("kscj").setInteger(-32769), DbError);
    EXPECT_THROW(student->field("kscj").setString("40000"), DbError);
    EXPECT_THROW(student->field("kscj").setString("12a"), DbError);
    student->field("dz_cj").setString(" 17 ");
    student->post();
    auto back = reopened("student");
    EXPECT_EQ(back->field("kscj").asInteger(), 32767);
    EXPECT_EQ(back->field("win_cj").asInteger(), -32768);
    EXPECT_EQ(back->field("dz_cj").asInteger(), 17);

    auto ct = stu->openTable("ct");
    ct->append();
    ct->field("winno").setInteger(2147483647);
    EXPECT_THROW(ct->field("wordno").setInteger(2147483648LL), DbError);
    ct->post();
    EXPECT_EQ(reopened("ct")->field("winno").asInteger(), 2147483647);
}

TEST_P(ValuesTest, DateTimesBooleansBlobsAndNullsRoundTrip) {
    auto student = stu->openTable("student");
    student->append();
    kav::DateTime when{2026, 6, 30, 14, 5, 9, 250};
    student->field("kstime").setDateTime(when);
    student->post();
    student->append();
    student->field("kstime").setDateTime(kav::DateTime::zero());
    student->post();
    student->append();
    student->field("kstime").setString("2026-01-02 03:04:05");
    EXPECT_THROW(student->field("kstime").setString("yesterday"), DbError);
    EXPECT_THROW(student->field("kstime").setInteger(5), DbError);
    EXPECT_THROW(student->field("kstime").setDateTime({2026, 2, 30, 0, 0, 0, 0}), DbError);
    EXPECT_THROW(student->field("kstime").setDateTime({2026, 1, 1, 24, 0, 0, 0}), DbError);
    EXPECT_THROW(student->field("kstime").setDateTime({2026, 1, 1, 0, 0, 0, 1000}), DbError);
    student->post();
    auto back = reopened("student");
    EXPECT_EQ(back->field("kstime").asDateTime(), when);
    EXPECT_EQ(back->field("kstime").asString(), "2026-06-30 14:05:09");
    back->next();
    EXPECT_TRUE(back->field("kstime").asDateTime().isZero());
    EXPECT_FALSE(back->field("kstime").isNull());
    back->next();
    EXPECT_EQ(back->field("kstime").asDateTime(), (kav::DateTime{2026, 1, 2, 3, 4, 5, 0}));

    auto selecttest = stu->openTable("selecttest");
    Blob picture = {0x89, 'P', 'N', 'G', 0x00, 0xff, 0x00};
    selecttest->append();
    selecttest->field("image").setBlob(picture);
    selecttest->post();
    selecttest->append();
    selecttest->field("image").setBlob({});
    selecttest->post();
    selecttest->append();
    selecttest->post();
    auto images = reopened("selecttest");
    EXPECT_EQ(images->field("image").asBlob(), picture);
    EXPECT_EQ(std::get<Blob>(images->field(7).value()), picture);
    images->next();
    EXPECT_FALSE(images->field("image").isNull()) << "an empty picture is not NULL";
    EXPECT_TRUE(images->field("image").asBlob().empty());
    images->next();
    EXPECT_TRUE(images->field("image").isNull());
    EXPECT_TRUE(images->field("image").asBlob().empty());
}

TEST_P(ValuesTest, BooleansAcceptTheUsualSpellings) {
    kav::test::TestDatabase teacherDb(GetParam(), DatabaseKind::Teacher, dir.path());
    auto teacher = teacherDb.open();
    auto state = teacher->openTable("state");
    state->edit();
    state->field("update").setString("True");
    state->field("clearinfo").setInteger(-1);
    state->field("clearfold").setString("no");
    EXPECT_THROW(state->field("clearfold").setString("perhaps"), DbError);
    EXPECT_THROW(state->field("update").setDateTime(kav::DateTime::zero()), DbError);
    state->post();
    state->requery();
    EXPECT_TRUE(state->field("update").asBoolean());
    EXPECT_TRUE(state->field("clearinfo").asBoolean());
    EXPECT_FALSE(state->field("clearfold").asBoolean());
    EXPECT_EQ(state->field("update").asString(), "True");
    EXPECT_EQ(state->field("update").asInteger(), 1);
    EXPECT_EQ(std::get<bool>(state->field("update").value()), true);
}

INSTANTIATE_TEST_SUITE_P(Backends, ValuesTest,
                         ::testing::Values(kav::test::Backend::Files, kav::test::Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

TEST(ValueReadings, TextsReadAsNumbersOnlyWhenTheyAreNumbers) {
    EXPECT_EQ(readInteger(std::string(" -7")), -7);
    EXPECT_EQ(readInteger(Value{}), 0);
    EXPECT_THROW(readInteger(std::string("4x")), DbError);
    EXPECT_THROW(readInteger(std::string("")), DbError);
    EXPECT_THROW(readInteger(std::string("99999999999999999999")), DbError);
    EXPECT_THROW(readDateTime(std::string("2026-13-01")), DbError);
}

TEST(ValueReadings, TextsMustBeValidUtf8) {
    EXPECT_EQ(utf8Length("abc"), 3);
    EXPECT_EQ(utf8Length("汉字"), 2);
    EXPECT_EQ(utf8Length("😀"), 1);
    EXPECT_EQ(utf8Length(""), 0);
    EXPECT_EQ(utf8Length("\xc4\xe3"), -1);          // GBK bytes of 你
    EXPECT_EQ(utf8Length("\xe6\xb1"), -1);          // cut in the middle
    EXPECT_EQ(utf8Length("\xc0\xaf"), -1);          // overlong
    EXPECT_EQ(utf8Length("\xed\xa0\x80"), -1);      // surrogate
    ColumnDef memo{"m", ColumnType::Memo};
    EXPECT_THROW(toColumnValue(memo, std::string("\xc4\xe3")), DbError);
    EXPECT_EQ(std::get<std::string>(toColumnValue(memo, std::int64_t{5})), "5");
}

}  // namespace
