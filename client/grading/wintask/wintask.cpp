#include "client/grading/wintask/wintask.h"

#include <charconv>
#include <optional>
#include <system_error>

#include "common/core/tokens.h"
#include "common/platform/platform.h"

namespace fs = std::filesystem;

namespace kav::wintask {

namespace {

constexpr int kPointsPerItem = 4;
constexpr int kMaxItems = 5;
constexpr char kCR = '\r';

// Cuts the text before the first separator off rest (the separator goes too);
// the whole rest when there is none.
std::string_view cutAt(std::string_view& rest, std::string_view separator) {
    auto at = rest.find(separator);
    std::string_view head = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + separator.size());
    return head;
}

std::string_view trimLineBreaks(std::string_view s) {
    while (!s.empty() && (s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

std::optional<int> parseCode(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string inFolder(std::string_view folder, std::string_view name) {
    return std::string(folder) + "\\" + std::string(name);
}

// A path as the candidate's file manager would find it on Windows.
fs::path onDisk(const std::string& windowsPath) {
    return platform::findIgnoringCase(platform::resolve(windowsPath));
}

// The result of one check: its failure line (without the item number) when it fails.
struct CheckOutcome {
    bool malformed = false;
    bool passed = true;
    std::string failureLine;  // without the item number
};

CheckOutcome runCheck(std::string_view candidateFolder, std::string_view check) {
    auto space = check.find(' ');
    std::optional<int> code = space == std::string_view::npos ? std::nullopt : parseCode(check.substr(0, space));
    if (!code) return {true, false, "评分标准有误：" + std::string(check) + kCR};

    std::string_view codeText = check.substr(0, space);
    std::string fullPath = inFolder(candidateFolder, check.substr(space + 1));
    fs::path path = onDisk(fullPath);
    std::error_code ec;
    auto missing = [&](const char* message) { return CheckOutcome{false, false, message + fullPath + kCR}; };
    switch (*code) {
        case 5: return fs::is_regular_file(path, ec) ? CheckOutcome{} : missing("缺文件：");
        case 6: return !fs::is_regular_file(path, ec) ? CheckOutcome{} : missing("多余文件：");
        case 7: return fs::is_directory(path, ec) ? CheckOutcome{} : missing("缺文件夹：");
        case 8: return !fs::is_directory(path, ec) ? CheckOutcome{} : missing("多余文件夹：");
        default: {
            auto word = platform::fileAttributes(path);
            if (word && static_cast<long long>(*word) == *code) return {};
            // No line break after this message: the next line follows directly.
            return {false, false, "文件：" + fullPath + "属性不能为" + std::string(codeText)};
        }
    }
}

}  // namespace

namespace {

bool emptyButNotItsSource(const fs::path& copy, const fs::path& source) {
    std::error_code ec, sourceEc;
    return fs::is_regular_file(copy, ec) && fs::file_size(copy, ec) == 0 && !ec &&
           fs::file_size(source, sourceEc) > 0 && !sourceEc;
}

}  // namespace

std::vector<fs::path> prepareCandidateFolder(std::string_view candidateFolder, std::string_view question2,
                                             const fs::path& programFolder, Pass pass) {
    const fs::path sources = programFolder / "file";
    std::vector<fs::path> made;
    // What this call made is taken away again when a step fails.
    auto fail = [&made](const std::string& what) {
        std::error_code ec;
        for (auto it = made.rbegin(); it != made.rend(); ++it) fs::remove(*it, ec);
        throw PrepareError(what);
    };
    for (std::string_view token : splitTokens(question2)) {
        if (token.empty()) continue;
        auto star = token.find('*');
        if (star == std::string_view::npos) {
            if (pass == Pass::RefillEmptyCopies) continue;
            fs::path folder = onDisk(inFolder(candidateFolder, token));
            std::error_code ec;
            if (fs::exists(folder, ec)) continue;
            fs::create_directory(folder, ec);
            if (ec) fail("Cannot create " + inFolder(candidateFolder, token));
            made.push_back(folder);
            continue;
        }
        std::string_view name = token.substr(0, star);
        std::string_view target = token.substr(star + 1);
        std::string targetFolder = target.empty() ? std::string(candidateFolder) : inFolder(candidateFolder, target);
        // Source and target are found ignoring case, as on Windows: a target present
        // under another spelling exists, and the copy is skipped.
        fs::path from = platform::findIgnoringCase(platform::joinRelative(sources, name));
        fs::path to = platform::findIgnoringCase(platform::joinRelative(onDisk(targetFolder), name));
        std::error_code ec;
        const bool there = fs::symlink_status(to, ec).type() != fs::file_type::not_found;
        const bool refilled = pass == Pass::RefillEmptyCopies && emptyButNotItsSource(to, from);
        if (pass == Pass::RefillEmptyCopies ? !refilled : there) continue;
        // A missing source (or a link, a FIFO) or target folder is a fault of the
        // task's data: skipped.
        if ( fs::symlink_status(from, ec).type() != fs::file_type::regular || !fs::is_directory(to.parent_path(), ec))
            continue;
        std::string reason;
        if (!(refilled ? platform::copyFileReplacing(from, to, &reason) : platform::copyFileNoOverwrite(from, to, &reason)))
            fail("Cannot copy " + std::string(name) + " to " + targetFolder + ": " + reason);
        if (!refilled) made.push_back(to);
    }
    return made;
}

Grade gradeCandidateFolder(std::string_view candidateFolder, std::string_view answer) {
    Grade g;
    g.errorText = std::string("错误：") + kCR;
    int n = 1;
    for (std::string_view rest = trimLineBreaks(answer); !rest.empty(); ++n) {
        std::string_view item = cutAt(rest, "**");
        std::string number = std::to_string(n) + "、";
        if (n > kMaxItems) {
            g.allPassed = false;
            g.errorText += number + "评分标准超过五项，此项不计分" + kCR;
            continue;
        }
        item = trimLineBreaks(item);
        bool itemPassed = !item.empty();
        if (item.empty()) g.errorText += number + "评分标准有误：" + kCR;
        for (std::string_view checks = item; !checks.empty();) {
            CheckOutcome outcome = runCheck(candidateFolder, trimLineBreaks(cutAt(checks, "*")));
            if (!outcome.passed) {
                itemPassed = false;
                g.errorText += number + outcome.failureLine;
            }
        }
        if (!itemPassed) g.allPassed = false;
        int points = itemPassed ? kPointsPerItem : 0;
        g.score += points;
        g.summary += number + std::to_string(points) + " ";
    }
    if (g.summary.size() < 2) g.summary = "无,太棒了！";
    g.storedText = g.allPassed ? "好极了！全部答对！" : g.errorText;
    return g;
}

std::string practiceMessage(const Grade& grade) {
    return "Win题得分:" + std::to_string(grade.score) + kCR + grade.summary + kCR + grade.errorText;
}

Grade gradeWinTask(std::string_view candidateFolder, std::string_view answer, bool gradingMenuEnabled,
                   ui::Dialogs& dialogs) {
    Grade g = gradeCandidateFolder(candidateFolder, answer);
    if (gradingMenuEnabled) dialogs.message(ui::MessageKind::Plain, practiceMessage(g));
    return g;
}

}  // namespace kav::wintask
