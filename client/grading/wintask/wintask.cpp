#include "client/grading/wintask/wintask.h"

#include <system_error>

#include "common/core/tokens.h"
#include "common/platform/platform.h"

namespace fs = std::filesystem;

namespace kav::wintask {

namespace {

constexpr char kCR = '\r';

std::string inFolder(std::string_view folder, std::string_view name) {
    return std::string(folder) + "\\" + std::string(name);
}

// A path as the candidate's file manager would find it on Windows.
fs::path onDisk(const std::string& windowsPath) {
    return platform::findIgnoringCase(platform::resolve(windowsPath));
}

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
