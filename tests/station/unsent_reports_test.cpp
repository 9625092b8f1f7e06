// The station's reports not stored yet: kept whole, read back as written,
// damaged files left alone, and no admission number names a path outside.
#include <gtest/gtest.h>

#include <fstream>

#include "common/station/unsent_reports.h"
#include "tests/support/temp_dir.h"

namespace {

using kav::station::ExamReport;
using kav::station::UnsentReports;

ExamReport sampleReport(const std::string& zkzh) {
    ExamReport r;
    r.zkzh = zkzh;
    r.ksxm = "张三";
    r.kstime = kav::DateTime{2026, 12, 9, 8, 30, 15, 250};
    r.kscj = 87;
    r.winCj = 20;
    r.selectCj = 29;
    r.dzCj = 18;
    r.wordCj = 20;
    r.winno = 3;
    r.wordno = 2;
    r.winCondiction = "7 TEST**5 a.txt\tb\\c\r\nd";  // every character the text escapes
    r.selArr1 = "1 2 3";
    r.selArr2 = "a b c";
    r.selArr3 = " ";
    r.filenameDz = "txt1.txt";
    r.filenameWord = "word2.docx";
    r.dzResult = "打字\\n结果";  // a backslash and an n, not a line end
    r.wordResult = " ";
    r.resttime = "0:12:30";
    return r;
}

void expectSame(const ExamReport& a, const ExamReport& b) {
    EXPECT_EQ(kav::station::reportText(a), kav::station::reportText(b));
    EXPECT_EQ(a.winCondiction, b.winCondiction);
    EXPECT_EQ(a.dzResult, b.dzResult);
    EXPECT_EQ(a.kstime.toOleDays(), b.kstime.toOleDays());
}

TEST(UnsentReports, AReportIsReadBackAsKeptAndForgottenOnceStored) {
    kav::test::TempDir dir;
    const UnsentReports unsent(dir / "unsent");
    EXPECT_TRUE(unsent.load().empty()) << "no folder yet";
    const ExamReport first = sampleReport("110199990001");
    ExamReport second = sampleReport("../../etc/x");
    unsent.keep(first);
    unsent.keep(second);
    second.kscj = 12;
    unsent.keep(second);  // a later report of the candidate replaces the earlier
    EXPECT_EQ(unsent.fileOf(second.zkzh).parent_path(), dir / "unsent") << "the number names no other path";

    const auto kept = unsent.load();
    ASSERT_EQ(kept.size(), 2u);
    for (const auto& k : kept) {
        SCOPED_TRACE(k.report.zkzh);
        expectSame(k.report, k.report.zkzh == first.zkzh ? first : second);
    }
    unsent.forget(first.zkzh);
    unsent.forget("never kept");
    ASSERT_EQ(unsent.load().size(), 1u);
    EXPECT_EQ(unsent.load()[0].report.kscj, 12);
}

TEST(UnsentReports, ADamagedFileIsNamedAndLeftAlone) {
    const std::string whole = kav::station::reportText(sampleReport("110199990002"));
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = whole;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"empty", ""},
        {"another first line", replaced("kavlor unsent report 1", "kavlor unsent report 2")},
        {"a number that is none", replaced("kscj\t87", "kscj\t87x")},
        {"a value twice", whole + "kscj\t1\n"},
        {"an unknown escape", replaced("\\t", "\\q")},
        {"a date that is none", replaced("kstime\t2026", "kstime\tabcd")},
        {"of another candidate", replaced("zkzh\t110199990002", "zkzh\t110199990003")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kav::test::TempDir dir;
        const UnsentReports unsent(dir.path());
        const auto file = unsent.fileOf("110199990002");
        std::ofstream(file, std::ios::binary) << c.text;
        std::vector<std::string> damaged;
        EXPECT_TRUE(unsent.load(&damaged).empty());
        ASSERT_EQ(damaged.size(), 1u);
        EXPECT_NE(damaged[0].find(file.string()), std::string::npos) << damaged[0];
        EXPECT_TRUE(std::filesystem::exists(file)) << "a damaged report is never deleted";
    }
}

}  // namespace
