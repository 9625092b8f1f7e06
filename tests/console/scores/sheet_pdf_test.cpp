// The printed sheet as a PDF file, read back with poppler's pdftotext and pdfinfo.
#include <gtest/gtest.h>

#include <QPrinter>
#include <cstdio>
#include <functional>

#include "common/scores/export_writers.h"
#include "common/scores/render/sheet_painter.h"
#include "console/pages/scores/ui/print_form.h"
#include "tests/console/scores/score_fixture.h"

namespace mendrix::scores {
namespace {

using test::at;
using test::scoreRow;

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

class SheetPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (run("command -v pdftotext").empty()) GTEST_SKIP() << "poppler-utils are not installed";
    }
    std::string text(const std::filesystem::path& pdf, int page = 0) {
        const std::string pages = page ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
        return run("pdftotext -enc UTF-8" + pages + " '" + pdf.string() + "' -");
    }
    int pages(const std::filesystem::path& pdf) {
        const std::string info = run("pdfinfo '" + pdf.string() + "'");
        const size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
    }
    kav::test::TempDir dir;
};

TEST_F(SheetPdfTest, TitleOnceHeadersOnEveryPageAndEveryRowInFull) {
    std::vector<ScoreRow> rows;
    for (int i = 1; i <= 40; ++i) {
        char zkzh[16];
        std::snprintf(zkzh, sizeof zkzh, "1101999900%02d", i);
        rows.push_back(scoreRow(zkzh, i == 7 ? "欧阳慕容诸葛公孙宇" : "张三", at(2026, 12, 9, 14, 5, i), 20, 28, 18,
                                i == 3 ? std::nullopt : std::optional<std::int64_t>(30), 96));
    }
    rows[39].kstime = kav::DateTime::zero();
    const auto pdf = dir / "sheet.pdf";
    writeSheetPdf(rows, pdf);
    EXPECT_EQ(pages(pdf), 3) << "two pages of scores and one of charts";
    const std::string first = text(pdf, 1), second = text(pdf, 2), charts = text(pdf, 3);
    for (const char* title : {"成绩分布与选择题分析", "答对率", "区分度", "总分"})
        EXPECT_NE(charts.find(title), std::string::npos) << title;
    EXPECT_NE(charts.find("1 人无成绩"), std::string::npos) << "row 3 has no Word score";
    EXPECT_EQ(occurrences(first, "计算机等级考试成绩单"), 1u);
    EXPECT_EQ(occurrences(second, "计算机等级考试成绩单"), 0u);
    for (const char* header : {"准考证号", "姓名", "时间", "WIN题", "选择题", "打字题", "Word题", "总分"}) {
        EXPECT_EQ(occurrences(first, header), 1u) << header;
        EXPECT_EQ(occurrences(second, header), 1u) << header;
    }
    // 32 rows on the first page, the other 8 on the second.
    EXPECT_NE(first.find("110199990032"), std::string::npos);
    EXPECT_EQ(first.find("110199990033"), std::string::npos);
    EXPECT_NE(second.find("110199990033"), std::string::npos);
    EXPECT_NE(second.find("110199990040"), std::string::npos);
    // The exam time is printed whole (date and time on two lines), the long name too.
    EXPECT_NE(first.find("2026-12-09"), std::string::npos);
    EXPECT_NE(first.find("14:05:01"), std::string::npos);
    EXPECT_NE(second.find("14:05:39"), std::string::npos);
    EXPECT_EQ(second.find("1899"), std::string::npos) << "a zero exam time is empty";
    const std::string all = first + second;
    std::string squeezed;
    for (char c : all)
        if (c != '\n' && c != ' ') squeezed += c;
    EXPECT_NE(squeezed.find("欧阳慕容诸葛公孙宇"), std::string::npos) << all;
}

TEST_F(SheetPdfTest, AnEmptyTablePrintsOnePageWithTitleAndHeaders) {
    const auto pdf = dir / "empty.pdf";
    writeSheetPdf({}, pdf);
    EXPECT_EQ(pages(pdf), 2) << "the sheet and its (empty) charts";
    const std::string t = text(pdf);
    EXPECT_NE(t.find("计算机等级考试成绩单"), std::string::npos) << t;
    EXPECT_NE(t.find("Word题"), std::string::npos) << t;
}

TEST_F(SheetPdfTest, AnUnwritableTargetIsReportedAndLeavesNothing) {
    EXPECT_THROW(writeSheetPdf({}, dir / "missing" / "sheet.pdf"), ExportError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The text of the PDF is the names as stored: characters that the fonts draw
// with the glyph of a radical (长 一 黄 丨 乙 人) come out as themselves.
TEST_F(SheetPdfTest, NamesReadBackExactlyNotAsRadicals) {
    const char* names[] = {"长一黄", "丨乙人", "张长江", "黄一一"};
    std::vector<ScoreRow> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back(scoreRow("11019999000" + std::to_string(i + 1), names[i], at(2026, 12, 9, 14, 5, i), 20, 28,
                                18, 30, 96));
    // Every PDF the console writes: the export's, and a print to a file from the preview.
    const std::pair<const char*, std::function<void(const std::filesystem::path&)>> writers[] = {
        {"export", [&](const std::filesystem::path& pdf) { writeSheetPdf(rows, pdf); }},
        {"print preview to a file",
         [&](const std::filesystem::path& pdf) {
             QPrinter printer(QPrinter::HighResolution);
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(QString::fromStdString(pdf.string()));
             TForm_print form(nullptr);
             form.show(rows, nullptr);
             form.paint(&printer);
         }},
    };
    for (const auto& [what, write] : writers) {
        SCOPED_TRACE(what);
        const auto pdf = dir / (std::string(what) + ".pdf");
        write(pdf);
        const std::string all = text(pdf);
        for (const char* name : names) EXPECT_EQ(occurrences(all, name), 1u) << name;
        for (const char* radical : {"\u2ED3", "\u2F00", "\u2EE9", "\u2F01", "\u2F04", "\u2F08"})
            EXPECT_EQ(all.find(radical), std::string::npos) << radical;
        EXPECT_EQ(occurrences(all, "计算机等级考试成绩单"), 1u);
    }
}

}  // namespace
}  // namespace mendrix::scores
