// Grading a 30-page document with 100 rules, against the floor of inflating
// and parsing its parts once.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <filesystem>
#include <string>

#include "common/word/docx_package.h"
#include "common/word/grading.h"

namespace {

const std::filesystem::path& benchDocument() {
    static const std::filesystem::path file = [] {
        auto path = std::filesystem::temp_directory_path() / "kav_bench_word.docx";
        const std::string ns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
        std::string styles = "<?xml version=\"1.0\"?><w:styles " + ns +
                             "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Times New Roman\" "
                             "w:eastAsia=\"宋体\"/><w:sz w:val=\"24\"/></w:rPr></w:rPrDefault></w:docDefaults>"
                             "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"/>"
                             "<w:style w:type=\"paragraph\" w:styleId=\"H\"><w:basedOn w:val=\"Normal\"/><w:rPr><w:b/>"
                             "<w:sz w:val=\"32\"/></w:rPr></w:style></w:styles>";
        // About 30 pages: 600 paragraphs of Chinese and Latin text, a table every 100 paragraphs.
        std::string body;
        for (int i = 0; i < 600; ++i) {
            body += "<w:p><w:pPr>" + std::string(i % 25 == 0 ? "<w:pStyle w:val=\"H\"/>" : "") +
                    "<w:ind w:firstLine=\"480\"/><w:spacing w:after=\"120\" w:line=\"360\" w:lineRule=\"auto\"/>"
                    "<w:jc w:val=\"both\"/></w:pPr>"
                    "<w:r><w:t>计算机等级考试一级B模拟题，第" + std::to_string(i) + "段。</w:t></w:r>"
                    "<w:r><w:rPr><w:i/><w:color w:val=\"FF0000\"/></w:rPr><w:t xml:space=\"preserve\">Word grading reads the saved file. </w:t></w:r>"
                    "<w:r><w:rPr><w:rFonts w:eastAsia=\"黑体\"/><w:u w:val=\"single\"/></w:rPr><w:t>格式检查每一条规则。</w:t></w:r></w:p>";
            if (i % 100 == 50) {
                body += "<w:tbl><w:tblPr><w:jc w:val=\"center\"/></w:tblPr><w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>";
                for (int r = 0; r < 5; ++r)
                    body += "<w:tr><w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>甲</w:t></w:r></w:p></w:tc>"
                            "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>乙</w:t></w:r></w:p></w:tc></w:tr>";
                body += "</w:tbl>";
            }
        }
        body += "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:bottom=\"1440\" w:left=\"1800\" "
                "w:right=\"1800\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/></w:sectPr>";
        std::string document = "<?xml version=\"1.0\"?><w:document " + ns + "><w:body>" + body + "</w:body></w:document>";
        std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>";
        int error = 0;
        zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        static std::string parts[3];
        parts[0] = document;
        parts[1] = styles;
        parts[2] = rels;
        const char* names[3] = {"word/document.xml", "word/styles.xml", "word/_rels/document.xml.rels"};
        for (int i = 0; i < 3; ++i)
            zip_file_add(z, names[i], zip_source_buffer(z, parts[i].data(), parts[i].size(), 0), ZIP_FL_OVERWRITE);
        zip_close(z);
        return path;
    }();
    return file;
}

std::string hundredRules() {
    const char* kinds[] = {"1 1 %d 计", "8 1 %d 1", "9 1 %d 黑体", "10 1 %d 12", "11 1 %d 6",
                           "12 1 %d x", "20 1 %d 宋体", "21 1 %d 12", "23 1 %d 1", "26 1 %d 24",
                           "27 1 %d 6", "33 1 %d 3", "34 1 %d 0", "35 1 %d 宋体", "36 1 %d 12",
                           "47 1 %d", "65 1 1 5", "67 1 1 2 1 甲", "81 1 0 第599段", "58 1 72"};
    std::string answer;
    for (int i = 0; i < 100; ++i) {
        char rule[64];
        std::snprintf(rule, sizeof rule, kinds[i % 20], 1 + i * 97);
        answer += (i ? (i % 10 == 0 ? "**" : "*") : "") + std::string(rule);
    }
    return answer;
}

void BM_GradeWordTask(benchmark::State& state) {
    const auto& file = benchDocument();
    std::string answer = hundredRules();
    for (auto _ : state) {
        auto grade = kav::word::gradeWordTask(file, answer);
        benchmark::DoNotOptimize(grade.total);
    }
}
BENCHMARK(BM_GradeWordTask)->Unit(benchmark::kMillisecond);

// The floor: open the package, inflate and parse each part once.
void BM_ParseFloor(benchmark::State& state) {
    const auto& file = benchDocument();
    for (auto _ : state) {
        kav::word::DocxPackage package(file);
        auto doc = package.xml("word/document.xml");
        auto styles = package.xml("word/styles.xml");
        auto rels = package.relationships("word/document.xml");
        benchmark::DoNotOptimize(doc.get());
        benchmark::DoNotOptimize(styles.get());
    }
}
BENCHMARK(BM_ParseFloor)->Unit(benchmark::kMillisecond);

}  // namespace
