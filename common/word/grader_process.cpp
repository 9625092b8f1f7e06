#include "common/word/grader_process.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>

#include "common/word/docx_package.h"

namespace kav::word {
namespace {

constexpr std::string_view kMagic = "KAVWORDGRADE/1\n";
constexpr std::string_view kRequestMagic = "KAVWORDREAD/1\n";
constexpr std::string_view kValuesMagic = "KAVWORDVALUES/1\n";

void put(std::string& out, std::string_view s) {
    out += std::to_string(s.size());
    out += ':';
    out += s;
}
void put(std::string& out, long long n) { put(out, std::to_string(n)); }

// Reads the fields back; any deviation makes the whole reading fail.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}

    std::optional<std::string_view> text() {
        auto colon = rest_.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon > 10) return std::nullopt;
        std::uint64_t length = 0;
        auto [end, ec] = std::from_chars(rest_.data(), rest_.data() + colon, length);
        if (ec != std::errc() || end != rest_.data() + colon || length > rest_.size() - colon - 1) return std::nullopt;
        std::string_view value = rest_.substr(colon + 1, length);
        rest_.remove_prefix(colon + 1 + length);
        return value;
    }
    std::optional<long long> number(long long lo, long long hi) {
        auto t = text();
        if (!t || t->empty()) return std::nullopt;
        long long n = 0;
        auto [end, ec] = std::from_chars(t->data(), t->data() + t->size(), n);
        if (ec != std::errc() || end != t->data() + t->size() || n < lo || n > hi) return std::nullopt;
        return n;
    }
    // A count of items that each take at least two bytes ("0:").
    std::optional<std::size_t> count() {
        auto n = number(0, static_cast<long long>(rest_.size() / 2));
        return n ? std::optional<std::size_t>(static_cast<std::size_t>(*n)) : std::nullopt;
    }
    bool done() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string encodeGrade(const WordGrade& grade) {
    std::string out(kMagic);
    put(out, grade.total);
    put(out, grade.readError ? 1 : 0);
    put(out, grade.readError.value_or(""));
    put(out, grade.resultText);
    put(out, static_cast<long long>(grade.partScores.size()));
    for (int s : grade.partScores) put(out, s);
    put(out, static_cast<long long>(grade.rules.size()));
    for (const RuleResult& r : grade.rules) {
        put(out, r.ruleText);
        put(out, r.part);
        put(out, r.index);
        put(out, r.kind);
        put(out, r.earned);
        put(out, r.passed ? 1 : 0);
        put(out, r.observed);
    }
    return out;
}

std::optional<WordGrade> decodeGrade(std::string_view bytes) {
    if (!bytes.starts_with(kMagic)) return std::nullopt;
    Reader in(bytes.substr(kMagic.size()));
    WordGrade g;
    auto total = in.number(0, kMaxScore);
    auto hasError = in.number(0, 1);
    auto error = in.text();
    auto result = in.text();
    if (!total || !hasError || !error || !result) return std::nullopt;
    g.total = *total;
    if (*hasError) g.readError = std::string(*error);
    g.resultText = std::string(*result);
    auto parts = in.count();
    if (!parts) return std::nullopt;
    for (std::size_t i = 0; i < *parts; ++i) {
        auto s = in.number(0, kMaxScore);
        if (!s) return std::nullopt;
        g.partScores.push_back(static_cast<int>(*s));
    }
    auto rules = in.count();
    if (!rules) return std::nullopt;
    for (std::size_t i = 0; i < *rules; ++i) {
        RuleResult r;
        auto text = in.text();
        auto part = in.number(1, static_cast<long long>(*parts));
        auto index = in.number(1, static_cast<long long>(*rules));
        auto kind = in.text();
        auto earned = in.number(0, kMaxScore);
        auto passed = in.number(0, 1);
        auto observed = in.text();
        if (!text || !part || !index || !kind || !earned || !passed || !observed) return std::nullopt;
        r.ruleText = std::string(*text);
        r.part = static_cast<int>(*part);
        r.index = static_cast<int>(*index);
        r.kind = std::string(*kind);
        r.earned = static_cast<int>(*earned);
        r.passed = *passed == 1;
        r.observed = std::string(*observed);
        g.rules.push_back(std::move(r));
    }
    if (!in.done()) return std::nullopt;
    return g;
}

namespace {
void putTexts(std::string& out, const std::vector<std::string>& texts) {
    put(out, static_cast<long long>(texts.size()));
    for (const std::string& t : texts) put(out, t);
}
std::optional<std::vector<std::string>> texts(Reader& in) {
    auto n = in.count();
    if (!n) return std::nullopt;
    std::vector<std::string> out;
    for (std::size_t i = 0; i < *n; ++i) {
        auto t = in.text();
        if (!t) return std::nullopt;
        out.emplace_back(*t);
    }
    return out;
}
}  // namespace

std::string encodeValueRequests(const std::vector<ValueRequest>& requests) {
    std::string out(kRequestMagic);
    put(out, static_cast<long long>(requests.size()));
    for (const ValueRequest& r : requests) {
        put(out, r.kind);
        putTexts(out, r.positions);
    }
    return out;
}

std::optional<std::vector<ValueRequest>> decodeValueRequests(std::string_view bytes) {
    if (!bytes.starts_with(kRequestMagic)) return std::nullopt;
    Reader in(bytes.substr(kRequestMagic.size()));
    auto n = in.count();
    if (!n) return std::nullopt;
    std::vector<ValueRequest> out;
    for (std::size_t i = 0; i < *n; ++i) {
        auto kind = in.number(0, 1'000'000);
        auto positions = kind ? texts(in) : std::nullopt;
        if (!positions) return std::nullopt;
        out.push_back({static_cast<int>(*kind), std::move(*positions)});
    }
    if (!in.done()) return std::nullopt;
    return out;
}

std::string encodeModelValues(const ModelValues& values) {
    std::string out(kValuesMagic);
    put(out, values.readError ? 1 : 0);
    put(out, values.readError.value_or(""));
    put(out, static_cast<long long>(values.readings.size()));
    for (const RuleReading& r : values.readings) {
        putTexts(out, r.values);
        put(out, r.reason);
    }
    return out;
}

std::optional<ModelValues> decodeModelValues(std::string_view bytes, std::size_t requests) {
    if (!bytes.starts_with(kValuesMagic)) return std::nullopt;
    Reader in(bytes.substr(kValuesMagic.size()));
    ModelValues v;
    auto hasError = in.number(0, 1);
    auto error = in.text();
    auto n = in.count();
    if (!hasError || !error || !n || *n != (*hasError ? 0 : requests)) return std::nullopt;
    if (*hasError) v.readError = std::string(*error);
    for (std::size_t i = 0; i < *n; ++i) {
        auto values = texts(in);
        auto reason = values ? in.text() : std::nullopt;
        if (!reason) return std::nullopt;
        v.readings.push_back({std::move(*values), std::string(*reason)});
    }
    if (!in.done()) return std::nullopt;
    return v;
}

ModelValues readModelValues(const std::filesystem::path& document, const std::vector<ValueRequest>& requests) {
    std::unique_ptr<Document> doc;
    try {
        doc = Document::load(document);
    } catch (const DocxError& e) {
        return {std::string(e.what()), {}};
    } catch (const std::bad_alloc&) {
        throw;  // the program's memory limit: see runGraderProgram
    } catch (const std::exception& e) {
        return {"无法读取文档 " + document.string() + "：" + e.what(), {}};
    }
    ModelValues out;
    for (const ValueRequest& r : requests) {
        const answer::RuleKind* kind = answer::findRuleKind(r.kind);
        if (!kind || !readsWithPositions(*kind, r.positions.size()))
            out.readings.push_back({{}, "无法读取第 " + std::to_string(r.kind) + " 类规则的值"});
        else
            out.readings.push_back(readRuleValue(*doc, *kind, r.positions));
    }
    return out;
}

int runGraderProgram(int argc, char** argv, const GradeFunction& grade) {
    const bool reading = argc == 3 && std::string_view(argv[1]) == "--read";
    if (argc != 2 && !reading) return kGraderUsage;
    // A failed allocation means the memory limit was reached: say so by the
    // exit status instead of grading on with rules that happened to fit.
    std::set_new_handler([] { ::_exit(kGraderOutOfMemory); });
    // The parser's own allocations fail without the handler: they end here.
    std::string out;
    try {
        std::string input(std::istreambuf_iterator<char>(std::cin), {});
        if (reading) {
            auto requests = decodeValueRequests(input);
            if (!requests) return kGraderUsage;
            out = encodeModelValues(readModelValues(argv[2], *requests));
        } else {
            out = encodeGrade(grade(argv[1], input));
        }
    } catch (const std::bad_alloc&) {
        return kGraderOutOfMemory;
    }
    return writeAll(STDOUT_FILENO, out) ? 0 : kGraderUsage;
}

}  // namespace kav::word
