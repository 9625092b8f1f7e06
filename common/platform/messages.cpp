#include "common/platform/messages.h"

#include <cerrno>
#include <utility>

#include "common/platform/platform.h"

namespace kav::platform {

namespace fs = std::filesystem;

std::string drivePath(const fs::path& path) {
    const fs::path root = driveCRoot().lexically_normal();
    const fs::path normal = path.lexically_normal();
    const fs::path relative = normal.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..") return path.string();
    std::string text = "c:";
    for (const fs::path& part : relative)
        if (part != ".") text += "\\" + part.string();
    return text == "c:" ? "c:\\" : text;
}

std::string reasonText(std::error_code code) {
    if (code.category() != std::generic_category() && code.category() != std::system_category())
        return "系统错误" + std::to_string(code.value());
    switch (code.value()) {
    case ENOTDIR: return "路径中有一项不是文件夹";
    case EISDIR: return "这是一个文件夹";
    case ENOENT: return "文件或文件夹不存在";
    case EACCES:
    case EPERM: return "没有访问权限";
    case EEXIST: return "文件已存在";
    case ENOSPC: return "磁盘空间不足";
    case EROFS: return "磁盘是只读的";
    case ENAMETOOLONG: return "文件名太长";
    case EIO: return "磁盘读写错误";
    default: return "系统错误" + std::to_string(code.value());
    }
}

namespace {

// The operation of a C++ library file-system error, from the words of its text.
std::string operationOf(const std::string& what) {
    static const std::pair<const char*, const char*> kOperations[] = {
        {"create director", "创建文件夹"}, {"copy", "复制"},        {"remove", "删除"},
        {"rename", "重命名"},               {"open", "打开文件"},    {"status", "访问"},
        {"directory iterator", "列出文件夹"}, {"resize", "改变文件大小"},
    };
    for (const auto& [words, operation] : kOperations)
        if (what.find(words) != std::string::npos) return operation;
    return "访问";
}

// Every occurrence of the drive's real folder in the text, as a drive path.
std::string withDrivePaths(std::string text) {
    const std::string root = driveCRoot().lexically_normal().string();
    if (root.empty()) return text;
    for (std::size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
        std::size_t end = at + root.size();
        if (end < text.size() && text[end] != '/') {  // another folder that only begins alike
            at = end;
            continue;
        }
        while (end < text.size() && text[end] != ' ' && text[end] != ']' && static_cast<unsigned char>(text[end]) < 0x80 &&
               text[end] != ':')
            ++end;
        const std::string shown = drivePath(text.substr(at, end - at));
        text.replace(at, end - at, shown);
        at += shown.size();
    }
    return text;
}

}  // namespace

std::string errorText(const std::exception& error) {
    if (const auto* fsError = dynamic_cast<const fs::filesystem_error*>(&error)) {
        std::string text = "无法" + operationOf(fsError->what());
        if (!fsError->path1().empty()) text += " " + drivePath(fsError->path1());
        return text + "：" + reasonText(fsError->code());
    }
    return withDrivePaths(error.what());
}

}  // namespace kav::platform
