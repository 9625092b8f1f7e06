// Word grading against the floor of inflating and parsing the same parts once.
//
// The documents are saved the way candidates' are: a python-docx save (Word's
// full styles, theme, numbering, header and footer) and the same document
// saved by LibreOffice Writer, both from tests/word/fixtures. Their body is
// repeated inside the package to about 30 and 300 pages (1,200 characters a
// page). The rules follow the mix of a real task (mostly paragraph and table
// rules, page set-up, a few character, sentence, header and find rules), and
// every one of them points inside the document. At the end one line per
// document gives grading's median time over the floor's, measured in this run,
// in wall-clock and in CPU time (the latter steadier on a loaded machine).
//
// BM_Paired grades and runs the floor in turn, and its lines ("paired ...")
// give the median of the ratios of the pairs. On a shared virtual machine
// whose speed drifts by half within a minute, the medians of BM_Grade and
// BM_Floor, taken seconds apart, can disagree by that much; a pair taken
// within milliseconds cannot.
//
// Grading holds more memory at once than the floor (both parsed parts and the
// model). Depending on what ran before, glibc may hand it back to the kernel
// after every grading, so that each grading faults its pages in afresh; on a
// virtual machine that can double the time at 30 pages. Running with
// MALLOC_TRIM_THRESHOLD_=1000000000 MALLOC_MMAP_THRESHOLD_=1000000000 in the
// environment keeps the memory and shows the work of grading itself.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/word/docx_package.h"
#include "common/word/document.h"
#include "common/word/grading.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCharactersPerPage = 1200;

struct Case {
    const char* base;  // fixture file
    const char* label;
    int pages;
    int rules;
};

constexpr Case kCases[] = {
    {"bench_python_docx.docx", "python-docx", 30, 100},
    {"bench_writer.docx", "writer", 30, 100},
    {"bench_python_docx.docx", "python-docx", 300, 1000},
    {"bench_writer.docx", "writer", 300, 1000},
};

std::string readEntry(zip_t* z, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_index(z, index, 0, &st);
    std::string bytes(st.size, '\0');
    zip_file_t* f = zip_fopen_index(z, index, 0);
    if (!f || zip_fread(f, bytes.data(), st.size) != static_cast<zip_int64_t>(st.size))
        throw std::runtime_error("cannot inflate an entry of the base document");
    zip_fclose(f);
    return bytes;
}

// The main part with its body blocks (the closing w:sectPr excepted) repeated
// `copies` times.
std::string repeatBody(const std::string& documentXml, int copies) {
    pugi::xml_document doc;
    if (!doc.load_buffer(documentXml.data(), documentXml.size(), pugi::parse_full))
        throw std::runtime_error("the base document's main part is not XML");
    auto body = doc.child("w:document").child("w:body");
    std::vector<pugi::xml_node> blocks;
    for (auto b : body.children())
        if (std::string_view(b.name()) != "w:sectPr" && !b.child("w:pPr").child("w:sectPr")) blocks.push_back(b);
    auto closing = body.child("w:sectPr");
    for (int c = 1; c < copies; ++c)
        for (auto b : blocks) closing ? body.insert_copy_before(b, closing) : body.append_copy(b);
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

// The base document with its body repeated to `pages` pages; every other part as saved.
fs::path enlargedDocument(const Case& c) {
    fs::path base = fs::path(KAV_WORD_FIXTURES) / c.base;
    fs::path out = fs::temp_directory_path() /
                   ("kav_bench_word_" + std::string(c.label) + "_" + std::to_string(c.pages) + ".docx");
    auto baseChars = static_cast<int>(kav::word::Document::load(base)->characters().size());
    int copies = std::max(1, (c.pages * kCharactersPerPage + baseChars - 1) / baseChars);

    int error = 0;
    zip_t* in = zip_open(base.c_str(), ZIP_RDONLY, &error);
    if (!in) throw std::runtime_error("cannot open " + base.string());
    std::vector<std::pair<std::string, std::string>> parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(in, 0); ++i) {
        std::string name = zip_get_name(in, static_cast<zip_uint64_t>(i), 0);
        std::string bytes = readEntry(in, static_cast<zip_uint64_t>(i));
        if (name == "word/document.xml") bytes = repeatBody(bytes, copies);
        parts.emplace_back(std::move(name), std::move(bytes));
    }
    zip_close(in);
    zip_t* z = zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (auto& [name, bytes] : parts)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, bytes.data(), bytes.size(), 0), ZIP_FL_OVERWRITE);
    if (zip_close(z) != 0) throw std::runtime_error("cannot write " + out.string());
    return out;
}

// Rules of a real task's mix, at positions spread over the whole document:
// of every 20 rules 8 read paragraphs, 5 tables, 3 the page set-up, and one
// each a character, a sentence, a header or footer and a find.
std::string taskRules(const kav::word::Document& doc, int count) {
    const int paragraphs = static_cast<int>(doc.paragraphs().size());
    const int sentences = static_cast<int>(doc.sentences().size());
    const int characters = static_cast<int>(doc.characters().size());
    const auto& tables = doc.tables();
    if (tables.empty()) throw std::runtime_error("the bench document has no table");
    const char* paragraphRules[] = {"35 2 %d 黑体", "36 2 %d 16", "33 2 %d 1",  "26 3 %d 24", "23 3 %d 1",
                                    "27 2 %d 6",   "24 2 %d 0",  "34 2 %d 1",  "28 2 %d -3 1", "31 2 %d 7",
                                    "37 2 %d 2",   "47 2 %d"};
    const char* characterRules[] = {"10 2 %d 14", "11 2 %d 2", "9 2 %d 黑体", "1 1 %d 计", "8 1 %d 1"};
    const char* sentenceRules[] = {"20 2 %d 宋体", "21 2 %d 12", "22 2 %d 2"};
    const char* pageRules[] = {"57 2 7", "58 2 72", "59 2 72", "60 2 90", "61 2 90", "55 2 1", "62 2 0", "63 2 36"};
    const char* headerRules[] = {"53 4 1 计算机基础知识", "54 2 1 第一章"};
    // Found near the start, found further on, and absent (the whole text is searched).
    const char* findRules[] = {"81 6 0 量子计算机", "81 6 0 第3代2", "81 6 1 电脑", "81 6 1 毒病"};
    const char* tableRules[] = {"65 2 %d 4", "66 2 %d 3", "80 3 %d 1", "67 3 %d %d %d 年代", "79 2 %d %d 1",
                                "71 2 %d %d -3 7", "77 2 %d %d 28", "75 2 %d %d 100", "69 2 %d %d %d 0"};

    std::string answer;
    char rule[160];
    for (int i = 0; i < count; ++i) {
        int spread = (i * 7919) % 1000;  // 0..999, spread over the document
        int p = 1 + spread * paragraphs / 1000, s = 1 + spread * sentences / 1000, ch = 1 + spread * characters / 1000;
        int t = 1 + i % static_cast<int>(tables.size());
        const auto& table = tables[static_cast<std::size_t>(t - 1)];
        int r = 1 + i % static_cast<int>(table.rows.size());
        int col = 1 + i % static_cast<int>(table.rows[static_cast<std::size_t>(r - 1)].cells.size());
        int slot = i % 20;
        if (slot < 8) std::snprintf(rule, sizeof rule, paragraphRules[i % 12], p);
        else if (slot < 13) {
            const char* f = tableRules[i % 9];
            int fields = 0;
            for (const char* x = f; *x; ++x) fields += *x == '%';
            if (fields == 1) std::snprintf(rule, sizeof rule, f, t);
            else if (fields == 2) std::snprintf(rule, sizeof rule, f, t, r);
            else std::snprintf(rule, sizeof rule, f, t, r, col);
        } else if (slot < 16) std::snprintf(rule, sizeof rule, "%s", pageRules[i % 8]);
        else if (slot == 16) std::snprintf(rule, sizeof rule, characterRules[i % 5], ch);
        else if (slot == 17) std::snprintf(rule, sizeof rule, sentenceRules[i % 3], s);
        else if (slot == 18) std::snprintf(rule, sizeof rule, "%s", headerRules[i % 2]);
        else std::snprintf(rule, sizeof rule, "%s", findRules[(i / 20) % 4]);
        answer += (i ? (i % 10 == 0 ? "**" : "*") : "") + std::string(rule);
    }
    return answer;
}

struct Prepared {
    fs::path file;
    std::string answer;
    std::size_t characters = 0;
};

const Prepared& prepared(int index) {
    static std::map<int, Prepared> cache;
    auto it = cache.find(index);
    if (it != cache.end()) return it->second;
    const Case& c = kCases[index];
    Prepared p;
    p.file = enlargedDocument(c);
    auto doc = kav::word::Document::load(p.file);
    p.answer = taskRules(*doc, c.rules);
    p.characters = doc->characters().size();
    // Every rule must reach its object: a rule that fails with an error
    // measures the error path, not grading.
    auto grade = kav::word::gradeAnswer(doc.get(), p.answer);
    for (const auto& r : grade.rules)
        if (r.observed.find("不存在") != std::string::npos || r.observed.find("不是") != std::string::npos)
            throw std::runtime_error("bench rule " + r.ruleText + " does not reach the document: " + r.observed);
    return cache.emplace(index, std::move(p)).first->second;
}

void BM_Grade(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const Prepared& p = prepared(static_cast<int>(state.range(0)));
    int passed = 0;
    for (auto _ : state) {
        auto grade = kav::word::gradeWordTask(p.file, p.answer);
        passed = 0;
        for (const auto& r : grade.rules) passed += r.passed;
        benchmark::DoNotOptimize(grade.total);
    }
    state.SetLabel(std::string(c.label) + " " + std::to_string(c.pages) + " pages " + std::to_string(c.rules) +
                   " rules");
    state.counters["passed"] = passed;
    state.counters["kB"] = static_cast<double>(fs::file_size(p.file)) / 1024.0;
    state.counters["chars"] = static_cast<double>(p.characters);
}

// The floor: open the package, inflate once every part grading reads and
// parse it with the same options, nothing more.
std::vector<std::string> floorParts(const fs::path& file) {
    kav::word::DocxPackage package(file);
    std::string mainPart = package.mainDocumentPart();
    std::vector<std::string> parts = {"_rels/.rels", mainPart, "word/_rels/document.xml.rels", "docProps/app.xml"};
    for (auto& [id, rel] : package.relationships(mainPart))
        if (rel.type == "styles" || rel.type == "theme" || rel.type == "numbering" || rel.type == "header" ||
            rel.type == "footer")
            parts.push_back(rel.target);
    return parts;
}

void parseOnce(const fs::path& file, const std::vector<std::string>& parts) {
    kav::word::DocxPackage package(file);
    for (const auto& part : parts) {
        std::string bytes = package.read(part);
        pugi::xml_document doc;
        auto parsed = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                                      pugi::encoding_auto);
        benchmark::DoNotOptimize(parsed.status);
    }
}

void BM_Floor(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const Prepared& p = prepared(static_cast<int>(state.range(0)));
    const auto parts = floorParts(p.file);
    for (auto _ : state) parseOnce(p.file, parts);
    state.SetLabel(std::string(c.label) + " " + std::to_string(c.pages) + " pages");
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Grading and the floor in turn, each pair within a few milliseconds: on a
// machine whose speed drifts (a shared virtual machine), the ratio of each
// pair stays true where the medians of two runs seconds apart do not.
void BM_Paired(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const Prepared& p = prepared(static_cast<int>(state.range(0)));
    const auto parts = floorParts(p.file);
    std::vector<double> ratios, grades, floors;
    for (auto _ : state) {
        double t0 = threadCpuMs();
        parseOnce(p.file, parts);
        double t1 = threadCpuMs();
        auto grade = kav::word::gradeWordTask(p.file, p.answer);
        benchmark::DoNotOptimize(grade.total);
        double t2 = threadCpuMs();
        floors.push_back(t1 - t0);
        grades.push_back(t2 - t1);
        ratios.push_back((t2 - t1) / (t1 - t0));
    }
    state.SetLabel(std::string(c.label) + " " + std::to_string(c.pages) + " pages " + std::to_string(c.rules) +
                   " rules");
    state.counters["ratio"] = median(ratios);
    state.counters["grade_ms"] = median(grades);
    state.counters["floor_ms"] = median(floors);
}

BENCHMARK(BM_Grade)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paired)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Passes every result to the console and keeps each benchmark's median (or
// its single run) to print grading over the floor at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!single && !(run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")) continue;
            medians_[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            if (auto ratio = run.counters.find("ratio"); ratio != run.counters.end())
                paired_[run.run_name.str()] = {run.counters.at("grade_ms"), run.counters.at("floor_ms"), ratio->second};
        }
    }
    void printRatios() const {
        for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i) {
            auto grade = medians_.find("BM_Grade/" + std::to_string(i));
            auto floor = medians_.find("BM_Floor/" + std::to_string(i));
            if (grade == medians_.end() || floor == medians_.end()) continue;
            auto [gradeReal, gradeCpu] = grade->second;
            auto [floorReal, floorCpu] = floor->second;
            std::printf("ratio %-11s %3d pages %4d rules: grading %8.2f ms / floor %8.2f ms = %.2f x"
                        " (CPU %8.2f / %8.2f ms = %.2f x)\n",
                        kCases[i].label, kCases[i].pages, kCases[i].rules, gradeReal, floorReal,
                        gradeReal / floorReal, gradeCpu, floorCpu, gradeCpu / floorCpu);
        }
        for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i) {
            auto paired = paired_.find("BM_Paired/" + std::to_string(i));
            if (paired == paired_.end()) continue;
            auto [grade, floor, ratio] = paired->second;
            std::printf("paired %-11s %3d pages %4d rules: grading %8.2f ms, floor %8.2f ms (CPU, medians);"
                        " median ratio of the pairs %.2f x\n",
                        kCases[i].label, kCases[i].pages, kCases[i].rules, grade, floor, ratio);
        }
    }

private:
    std::map<std::string, std::pair<double, double>> medians_;  // real and CPU time
    struct Paired {
        double grade, floor, ratio;  // CPU milliseconds and their ratio, medians over the pairs
    };
    std::map<std::string, Paired> paired_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
