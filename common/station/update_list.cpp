#include "common/station/update_list.h"

#include "common/core/ascii.h"
#include "common/core/sqlite_files.h"
#include "common/platform/platform.h"
#include "common/station/station.h"

namespace kav::station {

namespace fs = std::filesystem;

namespace {
bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

UpdateNameFault checkUpdateName(std::string_view name) {
    if (name.find_first_not_of(" \t") == std::string_view::npos) return UpdateNameFault::Empty;
    if (isSeparator(name.front())) return UpdateNameFault::Absolute;
    if (name.find(':') != std::string_view::npos) return UpdateNameFault::DriveLetter;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        if (name.substr(start, end - start) == "..") return UpdateNameFault::ParentFolder;
        start = end + 1;
    }
    const std::string_view last = name.substr(name.find_last_of("\\/") + 1);
    if (last.empty() || last == ".") return UpdateNameFault::NotAFile;
    return UpdateNameFault::None;
}

std::string reasonText(UpdateNameFault fault) {
    switch (fault) {
    case UpdateNameFault::None: return {};
    case UpdateNameFault::Empty: return "为空（两个*之间没有文件名）";
    case UpdateNameFault::Absolute: return "不能是绝对路径";
    case UpdateNameFault::DriveLetter: return "不能带盘符或冒号";
    case UpdateNameFault::ParentFolder: return "不能含有“..”";
    case UpdateNameFault::NotAFile: return "指向文件夹而不是文件";
    }
    return {};
}

std::string BadUpdateName::text() const {
    return "第" + std::to_string(position) + "个文件名“" + name + "”" + reasonText(fault);
}

std::vector<BadUpdateName> checkUpdateList(std::string_view list) {
    std::vector<BadUpdateName> bad;
    int position = 0;
    for (const std::string& name : splitUpdateList(list)) {
        ++position;
        if (UpdateNameFault fault = checkUpdateName(name); fault != UpdateNameFault::None)
            bad.push_back({position, name, fault});
    }
    return bad;
}

namespace {

// The parts of a sound name, "." and empty parts left out: "txt\\.\\a" is txt, a.
std::vector<std::string> nameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        const std::string_view part = name.substr(start, end - start);
        if (!part.empty() && part != ".") parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

UpdateFile findUpdateFile(const std::string& name, const fs::path& share) {
    UpdateFile file{name, {}, UpdateFileFault::None};
    const std::vector<std::string> parts = nameParts(name);
    fs::path folder = share;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::vector<fs::path> matches;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (equalsIgnoringCase(it->path().filename().string(), parts[i])) matches.push_back(it->path());
        if (matches.size() != 1) {
            file.fault = matches.empty() ? UpdateFileFault::Missing : UpdateFileFault::Ambiguous;
            return file;
        }
        file.relative /= matches[0].filename();
        const fs::file_type type = fs::symlink_status(matches[0], ec).type();
        const bool last = i + 1 == parts.size();
        if (type == fs::file_type::symlink) file.fault = UpdateFileFault::Link;
        else if (type != (last ? fs::file_type::regular : fs::file_type::directory))
            file.fault = last ? UpdateFileFault::NotAFile : UpdateFileFault::Missing;
        if (file.fault != UpdateFileFault::None) return file;
        folder = matches[0];
    }
    return file;
}

struct PendingCopy {
    fs::path temporary;
    fs::path target;
};

void removeTemporaries(const std::vector<PendingCopy>& copies) {
    std::error_code ec;
    for (const PendingCopy& copy : copies) fs::remove(copy.temporary, ec);
}

}  // namespace

std::string UpdateFile::text() const {
    const std::string quoted = "“" + name + "”";
    switch (fault) {
    case UpdateFileFault::None: return {};
    case UpdateFileFault::Missing: return "教师机上没有文件" + quoted;
    case UpdateFileFault::Ambiguous: return quoted + "在教师机上对应多个只差大小写的文件";
    case UpdateFileFault::Link: return quoted + "在教师机上是符号链接，不能复制";
    case UpdateFileFault::NotAFile: return quoted + "在教师机上不是普通文件";
    }
    return {};
}

std::vector<UpdateFile> findUpdateFiles(std::string_view list, const fs::path& share) {
    std::vector<UpdateFile> files;
    for (const std::string& name : splitUpdateList(list))
        if (checkUpdateName(name) == UpdateNameFault::None) files.push_back(findUpdateFile(name, share));
    return files;
}

std::string applyUpdateList(std::string_view list, const fs::path& share, const fs::path& station) {
    if (const auto bad = checkUpdateList(list); !bad.empty()) return bad.front().text();
    const std::vector<UpdateFile> files = findUpdateFiles(list, share);
    for (const UpdateFile& file : files)
        if (file.fault != UpdateFileFault::None) return file.text();

    std::vector<PendingCopy> copies;
    for (const UpdateFile& file : files) {
        const fs::path target = platform::findIgnoringCase(station / file.relative);
        std::error_code ec;
        const fs::file_type type = fs::symlink_status(target, ec).type();
        if (type == fs::file_type::directory) {
            removeTemporaries(copies);
            return "学生机上的“" + file.name + "”是文件夹";
        }
        // A temporary name of its own for each entry, so a name listed twice is copied twice.
        const fs::path temporary =
            target.parent_path() / ("~" + target.filename().string() + ".update" + std::to_string(copies.size()));
        fs::remove(temporary, ec);
        std::string error;
        if (!platform::copyFileNoOverwrite(share / file.relative, temporary, &error)) {
            removeTemporaries(copies);
            return "复制“" + file.name + "”失败：" + error;
        }
        copies.push_back({temporary, target});
    }
    for (std::size_t i = 0; i < copies.size(); ++i) {
        // A journal left beside a replaced database would be applied to the new copy.
        removeSqliteSideFiles(copies[i].target);
        std::error_code ec;
        fs::rename(copies[i].temporary, copies[i].target, ec);
        if (ec) {
            removeTemporaries({copies.begin() + static_cast<std::ptrdiff_t>(i), copies.end()});
            return "替换“" + copies[i].target.filename().string() + "”失败：" + ec.message();
        }
    }
    return {};
}

}  // namespace kav::station
