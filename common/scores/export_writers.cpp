#include "common/scores/export_writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "common/text/gbk.h"

namespace mendrix::scores {

namespace {
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string systemError(const std::filesystem::path& path, int error) {
    return "无法写入文件 " + path.string() + "：" + std::strerror(error);
}

// A new empty temporary file beside `path`; its name.
std::filesystem::path makeTemporaryBeside(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string name = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw ExportError(systemError(path, errno));
    // mkstemp makes the file private; the export gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return name;
}

}  // namespace

void replaceFile(const std::filesystem::path& path, const std::function<void(const std::filesystem::path&)>& write) {
    const std::filesystem::path temporary = makeTemporaryBeside(path);
    try {
        write(temporary);
        if (::rename(temporary.c_str(), path.c_str()) != 0) throw ExportError(systemError(path, errno));
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

bool readsAsFormula(std::string_view text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) return false;
    // A plain number: an optional sign, digits with at most one decimal point.
    std::string_view digits = text.substr(text.front() == '-' || text.front() == '+' ? 1 : 0);
    const bool plainNumber = !digits.empty() && digits.front() != '.' && digits.back() != '.' &&
                             std::count(digits.begin(), digits.end(), '.') <= 1 &&
                             std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; });
    return !plainNumber;
}

std::string exportCell(std::string_view field, ExportFormat format) {
    const std::string_view mark = format == ExportFormat::Text ? "?" : "\xEF\xBF\xBD";
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (format == ExportFormat::Text && (c == '\r' || c == '\n' || c == '\t')) {
            if (c == '\r' && i + 1 < field.size() && field[i + 1] == '\n') ++i;  // CR LF is one break
            out += ' ';
        } else if (control && c != '\t' && c != '\r' && c != '\n') {
            out += mark;
        } else {
            out += c;
        }
    }
    if (format == ExportFormat::Csv && readsAsFormula(out)) out.insert(0, 1, '\'');
    return out;
}

std::string exportTextGbk(const std::vector<ScoreRow>& rows) {
    std::string out = kav::text::utf8ToGbk(kSheetTitle);
    out += kCrLf;
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto fields = fieldTexts(rows[r]);
        std::string line;
        for (int f = 0; f < kScoreFieldCount; ++f) {
            if (f > 0) line += ' ';
            try {
                line += kav::text::utf8ToGbk(exportCell(fields[f], ExportFormat::Text));
            } catch (const kav::text::TextError& e) {
                throw ExportError("第" + std::to_string(r + 1) + "行（准考证号 " + rows[r].zkzh + "）的“" +
                                  std::string(kGridTitles[f]) + "”无法保存为GBK文本：" + e.what() +
                                  "。没有导出任何文件。");
            }
        }
        out += line;
        out += kCrLf;
    }
    return out;
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string f = exportCell(fields[i], ExportFormat::Csv);
        if (f.find_first_of(",\"\r\n") == std::string::npos) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

std::string scoresCsv(const std::vector<ScoreRow>& rows) {
    std::string out(kUtf8Bom);
    out += csvLine({kGridTitles.begin(), kGridTitles.end()}) + std::string(kCrLf);
    for (const ScoreRow& row : rows) {
        const auto fields = fieldTexts(row);
        out += csvLine({fields.begin(), fields.end()}) + std::string(kCrLf);
    }
    return out;
}

void writeScoresXlsx(const std::vector<ScoreRow>& rows, const std::filesystem::path& path) {
    replaceFile(path, [&](const std::filesystem::path& temporary) {
        lxw_workbook* book = workbook_new(temporary.c_str());
        if (!book) throw ExportError(systemError(path, errno ? errno : EIO));
        lxw_worksheet* sheet = workbook_add_worksheet(book, std::string(kSheetTitle).c_str());
        lxw_format* header = workbook_add_format(book);
        format_set_bold(header);
        format_set_align(header, LXW_ALIGN_CENTER);
        lxw_format* dateTime = workbook_add_format(book);
        format_set_num_format(dateTime, "yyyy-mm-dd hh:mm:ss");
        lxw_format* dateOnly = workbook_add_format(book);
        format_set_num_format(dateOnly, "yyyy-mm-dd");
        const auto writeText = [&](lxw_row_t at, lxw_col_t column, const std::string& field) {
            worksheet_write_string(sheet, at, column, exportCell(field, ExportFormat::Xlsx).c_str(), nullptr);
        };
        for (int f = 0; f < kScoreFieldCount; ++f) {
            // The spreadsheet has no use for the grid's leading space.
            std::string title(kGridTitles[f]);
            if (title.front() == ' ') title.erase(0, 1);
            worksheet_write_string(sheet, 0, f, title.c_str(), header);
        }
        worksheet_set_column(sheet, Zkzh, Zkzh, 16, nullptr);
        worksheet_set_column(sheet, Ksxm, Ksxm, 12, nullptr);
        worksheet_set_column(sheet, Kstime, Kstime, 20, nullptr);
        for (size_t r = 0; r < rows.size(); ++r) {
            const ScoreRow& row = rows[r];
            const lxw_row_t at = static_cast<lxw_row_t>(r + 1);
            writeText(at, Zkzh, row.zkzh);
            writeText(at, Ksxm, row.ksxm);
            if (isShownTime(row.kstime)) {
                const kav::DateTime& t = *row.kstime;
                lxw_datetime when{t.year, t.month, t.day, t.hour, t.minute, static_cast<double>(t.second)};
                const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
                worksheet_write_datetime(sheet, at, Kstime, &when, midnight ? dateOnly : dateTime);
            }
            const std::optional<std::int64_t>* scores[] = {&row.win_cj, &row.select_cj, &row.dz_cj, &row.word_cj,
                                                           &row.kscj};
            for (int i = 0; i < 5; ++i)
                if (*scores[i]) worksheet_write_number(sheet, at, WinCj + i, static_cast<double>(**scores[i]), nullptr);
        }
        const lxw_error result = workbook_close(book);
        if (result != LXW_NO_ERROR) throw ExportError("无法写入文件 " + path.string() + "：" + lxw_strerror(result));
    });
}

void writeFileReplacing(const std::filesystem::path& path, const std::string& bytes) {
    replaceFile(path, [&](const std::filesystem::path& temporary) {
        int fd = ::open(temporary.c_str(), O_WRONLY | O_TRUNC);
        if (fd < 0) throw ExportError(systemError(path, errno));
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                int error = errno;
                ::close(fd);
                throw ExportError(systemError(path, error));
            }
            done += static_cast<size_t>(n);
        }
        const bool synced = ::fsync(fd) == 0;
        const int error = errno;
        if (::close(fd) != 0 || !synced) throw ExportError(systemError(path, synced ? errno : error));
    });
}

}  // namespace mendrix::scores
