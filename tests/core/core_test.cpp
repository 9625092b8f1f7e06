// The small shared helpers: candidate folder names, token lists, letter case,
// times of day and the files SQLite keeps beside a database.
#include <gtest/gtest.h>

#include <fstream>

#include "common/core/ascii.h"
#include "common/core/candidate.h"
#include "common/core/datetime.h"
#include "common/core/sqlite_files.h"
#include "common/core/tokens.h"
#include "tests/support/temp_dir.h"

namespace kav {
namespace {

using Tokens = std::vector<std::string_view>;

TEST(CandidateFolderName, DropsTheFifthToEighthCharacters) {
    EXPECT_EQ(candidateFolderName("110199990001"), "11010001");
    EXPECT_EQ(candidateFolderName("12345678"), "1234");
    EXPECT_EQ(candidateFolderName("1234"), "1234");
    EXPECT_EQ(candidateFolderName("123456"), "1234");
    EXPECT_EQ(candidateFolderName("12345"), "1234");
    EXPECT_EQ(candidateFolderName(""), "");
    EXPECT_EQ(candidateFolderName("1101999900012"), "110100012");
}

TEST(TokenLists, SplitAndJoin) {
    struct Case {
        std::string_view text;
        char separator;
        Tokens tokens, storedList;
    };
    const Case cases[] = {
        {"", ' ', {""}, {}},
        {"a", ' ', {"a"}, {"a"}},
        {"17 154 3", ' ', {"17", "154", "3"}, {"17", "154", "3"}},
        {"a  c", ' ', {"a", "", "c"}, {"a", "", "c"}},
        {"b ", ' ', {"b", ""}, {"b"}},
        {"b  ", ' ', {"b", "", ""}, {"b", ""}},
        {" ", ' ', {"", ""}, {""}},
        {"stu.mdb*word\\w1.docx*", '*', {"stu.mdb", "word\\w1.docx", ""}, {"stu.mdb", "word\\w1.docx"}},
        {"a b*c", '*', {"a b", "c"}, {"a b", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(splitTokens(c.text, c.separator), c.tokens);
        EXPECT_EQ(splitStoredList(c.text, c.separator), c.storedList);
        // Joining what was split gives the text back.
        const std::vector<std::string> owned(c.tokens.begin(), c.tokens.end());
        EXPECT_EQ(joinTokens(owned, c.separator), c.text);
    }
    EXPECT_EQ(joinTokens(std::vector<std::string>{}), "");
}

TEST(AsciiCase, ComparesOnlyAsciiLettersWithoutCase) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"Data Source", "data SOURCE", true},
        {"True", "true", true},
        {"stu.MDB", "stu.mdb", true},
        {"", "", true},
        {"abc", "abcd", false},
        {"[", "{", false},    // 0x5B and 0x7B differ by the case bit but are no letters
        {"@", "`", false},
        {"É", "é", false},    // UTF-8 letters keep their case
        {"汉字", "汉字", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + std::string(c.b));
        EXPECT_EQ(equalsIgnoringCase(c.a, c.b), c.equal);
    }
    EXPECT_EQ(lowerAscii(std::string("AbC-É")), "abc-É");
}

TEST(TimeOfDayTest, FromMillisecondsWrapsAtMidnight) {
    struct Case {
        long long ms;
        int hour, minute, second, millisecond;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0},
        {86'399'999, 23, 59, 59, 999},
        {86'400'000, 0, 0, 0, 0},
        {8 * 3'600'000LL + 30 * 60'000 + 15'250, 8, 30, 15, 250},
        {20'000LL * 86'400'000 + 61'001, 0, 1, 1, 1},  // days since the epoch drop out
        {-1, 23, 59, 59, 999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        TimeOfDay t = TimeOfDay::fromMilliseconds(c.ms);
        EXPECT_EQ(t.hour, c.hour);
        EXPECT_EQ(t.minute, c.minute);
        EXPECT_EQ(t.second, c.second);
        EXPECT_EQ(t.millisecond, c.millisecond);
    }
}

TEST(SqliteSideFiles, RemovesTheJournalAndLogButNotTheDatabase) {
    test::TempDir dir;
    const auto database = dir / "stu.mdb";
    const auto other = dir / "stu.mdb-other";
    for (const auto& f : {database, other}) std::ofstream(f) << "x";
    const auto side = sqliteSideFiles(database);
    EXPECT_EQ(side[0], dir / "stu.mdb-journal");
    EXPECT_EQ(side[1], dir / "stu.mdb-wal");
    EXPECT_EQ(side[2], dir / "stu.mdb-shm");
    for (const auto& f : side) std::ofstream(f) << "x";
    removeSqliteSideFiles(database);
    for (const auto& f : side) EXPECT_FALSE(std::filesystem::exists(f)) << f;
    EXPECT_TRUE(std::filesystem::exists(database));
    EXPECT_TRUE(std::filesystem::exists(other));
    removeSqliteSideFiles(database);  // nothing left to remove is no error
}

}  // namespace
}  // namespace kav
