#include "common/grading/wintask_grading.h"

#include <charconv>
#include <optional>
#include <system_error>

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

// The result of one check: its failure line (without the item number) when it fails.
struct CheckOutcome {
    bool malformed = false;
    bool passed = true;
    std::string failureLine;  // without the item number
};

CheckOutcome runCheck(std::string_view shownFolder, const fs::path& diskFolder, std::string_view check) {
    auto space = check.find(' ');
    std::optional<int> code = space == std::string_view::npos ? std::nullopt : parseCode(check.substr(0, space));
    if (!code) return {true, false, "评分标准有误：" + std::string(check) + kCR};

    std::string_view codeText = check.substr(0, space);
    const std::string_view relative = check.substr(space + 1);
    const std::string fullPath = std::string(shownFolder) + "\\" + std::string(relative);
    // Found ignoring case, as the candidate's file manager would find it on Windows.
    const fs::path path = platform::findIgnoringCase(platform::joinRelative(diskFolder, relative));
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

Grade gradeFolder(std::string_view shownFolder, const fs::path& diskFolder, std::string_view answer) {
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
            CheckOutcome outcome = runCheck(shownFolder, diskFolder, trimLineBreaks(cutAt(checks, "*")));
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

Grade gradeCandidateFolder(std::string_view candidateFolder, std::string_view answer) {
    return gradeFolder(candidateFolder, platform::resolve(candidateFolder), answer);
}

}  // namespace kav::wintask
