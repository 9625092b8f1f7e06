#include "common/station/update_list.h"

#include "common/platform/platform.h"
#include "common/station/station.h"

namespace kav::station {

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

std::vector<std::string> missingUpdateFiles(std::string_view list, const std::filesystem::path& folder) {
    std::vector<std::string> missing;
    for (const std::string& name : splitUpdateList(list)) {
        if (checkUpdateName(name) != UpdateNameFault::None) continue;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(platform::findIgnoringCase(platform::joinRelative(folder, name)), ec))
            missing.push_back(name);
    }
    return missing;
}

}  // namespace kav::station
