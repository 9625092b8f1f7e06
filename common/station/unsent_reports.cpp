#include "common/station/unsent_reports.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "common/core/tokens.h"
#include "common/db/values.h"
#include "common/pack/pack_store.h"

namespace kav::station {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFirstLine = "kavlor unsent report 1";

struct TextField {
    const char* name;
    std::string ExamReport::*member;
};
struct NumberField {
    const char* name;
    std::int64_t ExamReport::*member;
};
constexpr TextField kTexts[] = {
    {"zkzh", &ExamReport::zkzh},         {"ksxm", &ExamReport::ksxm},
    {"win_condiction", &ExamReport::winCondiction}, {"sel_arr1", &ExamReport::selArr1},
    {"sel_arr2", &ExamReport::selArr2}, {"sel_arr3", &ExamReport::selArr3},
    {"filename_dz", &ExamReport::filenameDz}, {"filename_word", &ExamReport::filenameWord},
    {"dz_result", &ExamReport::dzResult}, {"word_result", &ExamReport::wordResult},
    {"resttime", &ExamReport::resttime},
};
constexpr NumberField kNumbers[] = {
    {"kscj", &ExamReport::kscj},     {"win_cj", &ExamReport::winCj}, {"select_cj", &ExamReport::selectCj},
    {"dz_cj", &ExamReport::dzCj},    {"word_cj", &ExamReport::wordCj}, {"winno", &ExamReport::winno},
    {"wordno", &ExamReport::wordno},
};
constexpr const char* kKstime = "kstime";

[[noreturn]] void throwSystem(const std::string& what, const fs::path& path) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

// Writes text to path through a temporary file flushed to the disk, then
// flushes the folder, so that the rename itself survives a power cut.
void writeDurably(const fs::path& path, const std::string& text) {
    const fs::path temporary = path.string() + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throwSystem("cannot create", temporary);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            errno = saved;
            throwSystem("cannot write", temporary);
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        throwSystem("cannot write", temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        throwSystem("cannot rename into", path);
    }
    if (const int folder = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace

std::string reportText(const ExamReport& report) {
    std::string text = std::string(kFirstLine) + "\n";
    for (const TextField& f : kTexts) text += std::string(f.name) + "\t" + kav::escapeLine(report.*f.member) + "\n";
    for (const NumberField& f : kNumbers) text += std::string(f.name) + "\t" + std::to_string(report.*f.member) + "\n";
    text += std::string(kKstime) + "\t" + db::storedDateTime(report.kstime) + "\n";
    return text;
}

ExamReport reportFromText(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kFirstLine) throw std::runtime_error("not an unsent report");
    std::map<std::string, std::string> values;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) throw std::runtime_error("a line without a value: " + line);
        if (!values.emplace(line.substr(0, tab), line.substr(tab + 1)).second)
            throw std::runtime_error("a value given twice: " + line.substr(0, tab));
    }
    if (values.size() != std::size(kTexts) + std::size(kNumbers) + 1)
        throw std::runtime_error("an incomplete report (" + std::to_string(values.size()) + " values)");
    const auto valueOf = [&](const char* name) -> const std::string& {
        const auto found = values.find(name);
        if (found == values.end()) throw std::runtime_error(std::string("no value ") + name);
        return found->second;
    };
    ExamReport report;
    for (const TextField& f : kTexts) report.*f.member = kav::unescapeLine(valueOf(f.name));
    for (const NumberField& f : kNumbers) {
        const std::string& digits = valueOf(f.name);
        size_t used = 0;
        try {
            report.*f.member = std::stoll(digits, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != digits.size()) throw std::runtime_error(std::string("not a number: ") + f.name);
    }
    try {
        report.kstime = db::parseStoredDateTime(valueOf(kKstime));
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("not a date-time: kstime (") + e.what() + ")");
    }
    return report;
}

namespace {
constexpr const char* kReportExtension = ".report";
constexpr const char* kPackExtension = ".pack";

std::string hexOf(const std::string& zkzh) {
    std::string name;
    char hex[3];
    for (unsigned char c : zkzh) {
        std::snprintf(hex, sizeof hex, "%02x", c);
        name += hex;
    }
    return name;
}

// The admission number a kept file is named by; nullopt for another name.
std::optional<std::string> admissionOfFile(const fs::path& file) {
    const std::string hex = file.stem().string();
    if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
    std::string zkzh;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) return std::nullopt;
        zkzh += static_cast<char>(value);
    }
    return hexOf(zkzh) == hex ? std::optional(zkzh) : std::nullopt;  // only the names fileOf gives
}

std::vector<fs::path> filesWithExtension(const fs::path& folder, const char* extension) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return files;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string fileContents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throwSystem("cannot open", file);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throwSystem("cannot read", file);
    return text.str();
}
}  // namespace

fs::path UnsentReports::fileOf(const std::string& zkzh) const { return folder_ / (hexOf(zkzh) + kReportExtension); }
fs::path UnsentReports::packFileOf(const std::string& zkzh) const { return folder_ / (hexOf(zkzh) + kPackExtension); }

void UnsentReports::keep(const ExamReport& report) const {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) throw std::runtime_error("cannot make " + folder_.string() + ": " + ec.message());
    writeDurably(fileOf(report.zkzh), reportText(report));
}

void UnsentReports::forget(const std::string& zkzh) const {
    std::error_code ec;
    fs::remove(fileOf(zkzh), ec);
}

void UnsentReports::keepPack(const std::string& zkzh, const std::string& pack) const {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) throw std::runtime_error("cannot make " + folder_.string() + ": " + ec.message());
    writeDurably(packFileOf(zkzh), pack);
}

void UnsentReports::forgetPack(const std::string& zkzh) const {
    std::error_code ec;
    fs::remove(packFileOf(zkzh), ec);
}

std::vector<UnsentReports::Kept> UnsentReports::load(std::vector<std::string>* damaged) const {
    std::vector<Kept> kept;
    for (const fs::path& file : filesWithExtension(folder_, kReportExtension)) {
        try {
            ExamReport report = reportFromText(fileContents(file));
            if (fileOf(report.zkzh) != file) throw std::runtime_error("the report is of another candidate");
            kept.push_back({file, std::move(report)});
        } catch (const std::exception& e) {
            if (damaged) damaged->push_back(file.string() + ": " + e.what());
        }
    }
    return kept;
}

int sendUnsentReports(db::Connection& teacher, const UnsentReports& unsent) {
    std::vector<std::string> damaged;
    int stored = 0;
    for (const auto& [file, report] : unsent.load(&damaged)) {
        try {
            writeExamReport(teacher, report);
            unsent.forget(report.zkzh);
            ++stored;
            std::fprintf(stderr, "Kavlor: the report of %s kept from an earlier run is stored now\n",
                         report.zkzh.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Kavlor: the report of %s kept from an earlier run is still not stored, kept for "
                                 "the next start (%s): %s\n",
                         report.zkzh.c_str(), file.string().c_str(), e.what());
        }
    }
    for (const std::string& text : damaged)
        std::fprintf(stderr, "Kavlor: a kept report cannot be read and is left as it is: %s\n", text.c_str());
    // A pack goes once its scores are stored (a lab server takes none before).
    for (const fs::path& file : filesWithExtension(unsent.folder(), kPackExtension)) {
        const auto zkzh = admissionOfFile(file);
        if (!zkzh || fs::exists(unsent.fileOf(*zkzh))) continue;
        try {
            pack::storePack(teacher, *zkzh, fileContents(file));
            unsent.forgetPack(*zkzh);
            std::fprintf(stderr, "Kavlor: the work pack of %s kept from an earlier run is stored now\n", zkzh->c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Kavlor: the work pack of %s kept from an earlier run is still not stored, kept for "
                                 "the next start (%s): %s\n",
                         zkzh->c_str(), file.string().c_str(), e.what());
        }
    }
    return stored;
}

}  // namespace kav::station
