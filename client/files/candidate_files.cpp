#include "client/files/candidate_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <random>
#include <system_error>

#include "common/core/ascii.h"
#include "common/platform/messages.h"
#include "common/platform/platform.h"

namespace fs = std::filesystem;

namespace kavlor::files {

namespace plat = kav::platform;

namespace {

std::string leaf(const fs::path& p) { return p.filename().string(); }
std::string named(const fs::path& p) { return "“" + leaf(p) + "”"; }

// True when inner is folder itself or lies inside it (both normalized).
bool within(const fs::path& folder, const fs::path& inner) {
    const fs::path rel = inner.lexically_relative(folder);
    return !rel.empty() && *rel.begin() != "..";
}

fs::path normalized(const fs::path& p) {
    fs::path n = fs::absolute(p).lexically_normal();
    if (!n.has_filename() && n.has_parent_path() && n != n.root_path()) n = n.parent_path();
    return n;
}

// A name the candidate never sees (the view shows no name beginning with ".").
fs::path scratchName(const fs::path& folder, const char* purpose) {
    static std::mt19937_64 random{std::random_device{}()};
    return folder / (std::string(".kavlor-") + purpose + "-" + std::to_string(random()));
}

void makeWritable(const fs::path& p) {
    std::error_code ec;
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
}

// Deletes a tree, giving the owner write permission on its folders first (a
// read-only folder's entries cannot be removed otherwise).
void removeTree(const fs::path& p, std::error_code& ec) {
    if (fs::is_directory(fs::symlink_status(p))) {
        makeWritable(p);
        for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) makeWritable(it->path());
        if (ec) return;
    }
    fs::remove_all(p, ec);
}

// Copies a file or a folder with everything in it, keeping the permissions
// (the read-only attribute) and the folders' .hidden lists.
void copyTree(const fs::path& from, const fs::path& to, std::error_code& ec) {
    const fs::file_status status = fs::symlink_status(from, ec);
    if (ec) return;
    if (fs::is_directory(status)) {
        if (!fs::create_directory(to, ec) && !ec) ec = std::make_error_code(std::errc::file_exists);
        if (ec) return;
        for (auto it = fs::directory_iterator(from, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            copyTree(it->path(), to / it->path().filename(), ec);
            if (ec) return;
        }
        if (!ec) fs::permissions(to, status.permissions(), ec);
    } else if (fs::is_regular_file(status)) {
        fs::copy_file(from, to, fs::copy_options::none, ec);
    }  // anything else (a link, a device) is not the candidate's and is left out
}

std::string failed(const std::string& what, const fs::path& item, std::error_code ec) {
    return "无法" + what + named(item) + "：" + plat::reasonText(ec);
}

}  // namespace

Refusal checkName(const std::string& name) {
    if (name.find_first_not_of(' ') == std::string::npos) return "名称不能为空。";
    for (unsigned char c : name)
        if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(char(c)) != std::string_view::npos)
            return "名称不能包含下列任何字符：\\ / : * ? \" < > |";
    if (name.front() == '.') return "名称不能以句点开头。";
    if (name.back() == '.' || name.back() == ' ') return "名称不能以句点或空格结尾。";
    if (name.size() > 255) return "名称太长。";
    const std::string stem = kav::lowerAscii(name.substr(0, name.find('.')));
    static const std::array<std::string_view, 4> devices{"con", "prn", "aux", "nul"};
    const bool numbered = stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' &&
                          stem[3] <= '9';
    for (std::string_view d : devices)
        if (stem == d) return "“" + name + "”是系统保留的名称，请换一个名称。";
    if (numbered) return "“" + name + "”是系统保留的名称，请换一个名称。";
    return std::nullopt;
}

CandidateFiles::CandidateFiles(fs::path root) : root_(normalized(root)) {}

bool CandidateFiles::contains(const fs::path& path) const { return within(root_, normalized(path)); }

std::string CandidateFiles::shown(const fs::path& path) const { return named(normalized(path)); }

std::string CandidateFiles::freeName(const fs::path& folder, const std::string& base, const std::string& suffix) const {
    std::string name = base + suffix;
    for (int n = 2; checkNewName(folder, name); ++n) name = base + " (" + std::to_string(n) + ")" + suffix;
    return name;
}

Refusal CandidateFiles::checkItem(const fs::path& item, const char* action) const {
    const fs::path p = normalized(item);
    if (!contains(p)) return std::string("不能") + action + "考生文件夹以外的文件。";
    if (p == root_) return std::string("不能") + action + "考生文件夹本身。";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(p, ec))) return shown(p) + "已不存在。";
    return std::nullopt;
}

Refusal CandidateFiles::checkTargetFolder(const fs::path& folder) const {
    const fs::path p = normalized(folder);
    if (!contains(p)) return "不能在考生文件夹以外操作。";
    std::error_code ec;
    if (!fs::is_directory(p, ec)) return shown(p) + "不是文件夹或已不存在。";
    if (attributes(p) & plat::kAttrReadOnly) return "文件夹" + shown(p) + "是只读的，不能在其中新建、粘贴、重命名或删除。";
    return std::nullopt;
}

Refusal CandidateFiles::checkNewName(const fs::path& folder, const std::string& name, const fs::path& renamed) const {
    if (auto bad = checkName(name)) return bad;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        if (kav::equalsIgnoringCase(leaf(it->path()), name) && it->path() != renamed)
            return "此位置已经有名为“" + name + "”的文件或文件夹。";
    if (ec) return "无法读取文件夹" + shown(folder) + "：" + plat::reasonText(ec);
    return std::nullopt;
}

Refusal CandidateFiles::createFolder(const fs::path& folder, const std::string& name) {
    if (auto r = checkTargetFolder(folder)) return r;
    if (auto r = checkNewName(folder, name)) return r;
    std::error_code ec;
    fs::create_directory(normalized(folder) / name, ec);
    if (ec) return failed("新建文件夹", name, ec);
    return std::nullopt;
}

Refusal CandidateFiles::createFile(const fs::path& folder, const std::string& name) {
    if (auto r = checkTargetFolder(folder)) return r;
    if (auto r = checkNewName(folder, name)) return r;
    const fs::path file = normalized(folder) / name;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failed("新建文件", name, std::error_code(errno, std::generic_category()));
    ::close(fd);
    return std::nullopt;
}

namespace {

// Moves an item inside one file system, its read-only and hidden attributes
// with it (the hidden list is kept per folder).
Refusal moveItem(const fs::path& from, const fs::path& to, const char* what) {
    const std::uint32_t attrs = plat::fileAttributes(from).value_or(0);
    const std::uint32_t kept = attrs & (plat::kAttrReadOnly | plat::kAttrHidden);
    std::string error;
    if ((attrs & plat::kAttrHidden) && !plat::setFileAttributes(from, kept & ~plat::kAttrHidden, &error))
        return std::string("无法") + what + named(from) + "：" + error;
    // A folder that changes its parent must be writable itself (its ".." entry changes).
    if ((attrs & plat::kAttrDirectory) && (attrs & plat::kAttrReadOnly)) makeWritable(from);
    std::error_code ec;
    fs::rename(from, to, ec);
    const fs::path& now = ec ? from : to;
    plat::setFileAttributes(now, kept, &error);
    if (ec) return failed(what, from, ec);
    return std::nullopt;
}

}  // namespace

Refusal CandidateFiles::rename(const fs::path& item, const std::string& newName) {
    if (auto r = checkItem(item, "重命名")) return r;
    const fs::path p = normalized(item);
    if (leaf(p) == newName) return std::nullopt;
    if (auto r = checkTargetFolder(p.parent_path())) return r;
    if (auto r = checkNewName(p.parent_path(), newName, p)) return r;
    return moveItem(p, p.parent_path() / newName, "重命名");
}

Refusal CandidateFiles::remove(const fs::path& item) {
    if (auto r = checkItem(item, "删除")) return r;
    const fs::path p = normalized(item);
    if (auto r = checkTargetFolder(p.parent_path())) return r;
    const std::uint32_t attrs = attributes(p);
    if (attrs & plat::kAttrHidden) plat::setFileAttributes(p, attrs & plat::kAttrReadOnly);
    const fs::path gone = scratchName(p.parent_path(), "deleted");
    std::error_code ec;
    fs::rename(p, gone, ec);
    if (ec) {
        plat::setFileAttributes(p, attrs & (plat::kAttrReadOnly | plat::kAttrHidden));
        return failed("删除", p, ec);
    }
    removeTree(gone, ec);
    if (ec) return failed("删除", p, ec);
    return std::nullopt;
}

void CandidateFiles::copy(std::vector<fs::path> items) {
    clipboard_ = std::move(items);
    cutting_ = false;
}

void CandidateFiles::cut(std::vector<fs::path> items) {
    clipboard_ = std::move(items);
    cutting_ = true;
}

Refusal CandidateFiles::paste(const fs::path& folder) {
    if (auto r = checkTargetFolder(folder)) return r;
    for (const fs::path& item : clipboard_)
        if (auto r = pasteOne(item, normalized(folder))) return r;
    if (cutting_) clipboard_.clear();
    return std::nullopt;
}

Refusal CandidateFiles::pasteOne(const fs::path& item, const fs::path& folder) {
    const char* what = cutting_ ? "移动" : "复制";
    if (auto r = checkItem(item, what)) return r;
    const fs::path p = normalized(item);
    const bool sameFolder = p.parent_path() == folder;
    if (cutting_ && sameFolder) return std::nullopt;
    if (fs::is_directory(fs::symlink_status(p)) && within(p, folder))
        return std::string("不能将文件夹") + shown(p) + what + "到它自己或它的子文件夹中。";

    std::string name = leaf(p);
    if (sameFolder) {  // a copy beside the original, as Explorer names it
        const bool isFolder = fs::is_directory(p);
        name = freeName(folder, (isFolder ? name : p.stem().string()) + " - 副本", isFolder ? "" : p.extension().string());
    } else if (auto r = checkNewName(folder, name)) {
        return r;
    }
    if (cutting_) return moveItem(p, folder / name, what);

    const fs::path scratch = scratchName(folder, "copy");
    std::error_code ec;
    copyTree(p, scratch, ec);
    if (!ec) fs::rename(scratch, folder / name, ec);
    if (ec) {
        std::error_code ignored;
        removeTree(scratch, ignored);
        return failed(what, p, ec);
    }
    const std::uint32_t kept = attributes(p) & (plat::kAttrReadOnly | plat::kAttrHidden);
    std::string error;
    if (!plat::setFileAttributes(folder / name, kept, &error)) return "无法设置" + named(name) + "的属性：" + error;
    return std::nullopt;
}

std::uint32_t CandidateFiles::attributes(const fs::path& item) const {
    return plat::fileAttributes(item).value_or(0);
}

Refusal CandidateFiles::setReadOnly(const fs::path& item, bool on) {
    if (auto r = checkItem(item, "更改")) return r;
    const std::uint32_t attrs = attributes(item) & (plat::kAttrReadOnly | plat::kAttrHidden);
    std::string error;
    if (!plat::setFileAttributes(item, on ? attrs | plat::kAttrReadOnly : attrs & ~plat::kAttrReadOnly, &error))
        return "无法设置" + shown(item) + "的只读属性：" + error;
    return std::nullopt;
}

Refusal CandidateFiles::setHidden(const fs::path& item, bool on) {
    if (auto r = checkItem(item, "更改")) return r;
    if (auto r = checkTargetFolder(normalized(item).parent_path())) return r;  // the folder's hidden list changes
    const std::uint32_t attrs = attributes(item) & (plat::kAttrReadOnly | plat::kAttrHidden);
    std::string error;
    if (!plat::setFileAttributes(item, on ? attrs | plat::kAttrHidden : attrs & ~plat::kAttrHidden, &error))
        return "无法设置" + shown(item) + "的隐藏属性：" + error;
    return std::nullopt;
}

void FileManager::report(const Refusal& refusal) {
    if (refusal) dialogs_.message(kav::ui::MessageKind::Warning, *refusal, kav::ui::Buttons::Ok, "考生文件夹");
}

void FileManager::newFolder(const fs::path& folder) {
    if (auto name = dialogs_.prompt("新建文件夹", "新文件夹的名称：", files_.freeName(folder, "新建文件夹")))
        report(files_.createFolder(folder, *name));
}

void FileManager::newFile(const fs::path& folder) {
    if (auto name = dialogs_.prompt("新建文件", "新文件的名称（含扩展名）：", files_.freeName(folder, "新建文本文档", ".txt")))
        report(files_.createFile(folder, *name));
}

void FileManager::rename(const fs::path& item) {
    if (auto name = dialogs_.prompt("重命名", "新的名称：", leaf(item))) report(files_.rename(item, *name));
}

void FileManager::remove(const std::vector<fs::path>& items) {
    if (items.empty()) return;
    const std::string question = items.size() == 1 ? "确实要删除" + named(items[0]) + "吗？"
                                                   : "确实要删除这 " + std::to_string(items.size()) + " 项吗？";
    if (dialogs_.message(kav::ui::MessageKind::Question, question, kav::ui::Buttons::YesNo, "删除") !=
        kav::ui::Answer::Yes)
        return;
    for (const fs::path& item : items)
        if (auto r = files_.remove(item)) return report(r);
}

void FileManager::paste(const fs::path& folder) { report(files_.paste(folder)); }

void FileManager::setReadOnly(const std::vector<fs::path>& items, bool on) {
    for (const fs::path& item : items)
        if (auto r = files_.setReadOnly(item, on)) return report(r);
}

void FileManager::setHidden(const std::vector<fs::path>& items, bool on) {
    for (const fs::path& item : items)
        if (auto r = files_.setHidden(item, on)) return report(r);
}

}  // namespace kavlor::files
