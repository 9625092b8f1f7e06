#include "common/pack/candidate_folder.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/platform/platform.h"

namespace kav::pack {

namespace fs = std::filesystem;

namespace {

std::string slashPath(const fs::path& relative) {
    std::string out;
    for (const auto& part : relative) out += (out.empty() ? "" : "/") + part.string();
    return out;
}

void addToNote(std::string& note, const std::string& text) { note += (note.empty() ? "" : "；") + text; }

}  // namespace

FolderReading readCandidateFolder(const fs::path& folder, std::size_t limit) {
    FolderReading reading;
    std::vector<std::string> leftOut;
    std::size_t total = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec), end;
    if (ec) {
        reading.note = "无法读取考生文件夹（" + ec.message() + "）";
        return reading;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            addToNote(reading.note, "考生文件夹未能读完（" + ec.message() + "）");
            break;
        }
        const fs::path path = it->path();
        const std::string relative = slashPath(path.lexically_relative(folder));
        const fs::file_status status = it->symlink_status(ec);
        const auto attributes = platform::fileAttributes(path);
        if (ec || !attributes || (!fs::is_directory(status) && !fs::is_regular_file(status))) {
            leftOut.push_back(relative);
            continue;
        }
        if (fs::is_directory(status)) {
            reading.files.push_back({relative, *attributes, ""});
            continue;
        }
        const auto size = fs::file_size(path, ec);
        if (!ec && size > limit - total) {
            return {{}, "考生文件夹超过 " + std::to_string(limit / (1024 * 1024)) + " MB，未打包"};
        }
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (ec || !in || bytes.str().size() > limit - total) {
            leftOut.push_back(relative);
            continue;
        }
        total += bytes.str().size();
        reading.files.push_back({relative, *attributes, bytes.str()});
    }
    std::sort(reading.files.begin(), reading.files.end(),
              [](const PackedFile& a, const PackedFile& b) { return a.path < b.path; });
    if (!leftOut.empty()) {
        std::string names;
        for (const auto& name : leftOut) names += (names.empty() ? "" : "、") + name;
        addToNote(reading.note, "未打包的链接或无法读取的文件：" + names);
    }
    return reading;
}

void unpackFolder(const std::vector<PackedFile>& files, const fs::path& folder) {
    auto fail = [](const fs::path& path, const std::string& reason) {
        throw PackError("无法写出考生文件“" + path.string() + "”（" + reason + "）");
    };
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) fail(folder, ec.message());
    for (const auto& f : files) {
        const fs::path path = folder / fs::path(f.path);
        if (f.isFolder()) {
            fs::create_directories(path, ec);
            if (ec) fail(path, ec.message());
            continue;
        }
        fs::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(f.bytes.data(), static_cast<std::streamsize>(f.bytes.size()));
        out.close();
        if (ec || !out) fail(path, ec ? ec.message() : "写入失败");
    }
    // Attributes last, deepest first: a read-only folder takes no new files.
    std::vector<const PackedFile*> order;
    for (const auto& f : files) order.push_back(&f);
    std::sort(order.begin(), order.end(), [](const PackedFile* a, const PackedFile* b) { return a->path > b->path; });
    for (const PackedFile* f : order) {
        const std::uint32_t wanted = f->attributes & (platform::kAttrReadOnly | platform::kAttrHidden);
        const fs::path path = folder / fs::path(f->path);
        const auto now = platform::fileAttributes(path);
        if (now && (*now & (platform::kAttrReadOnly | platform::kAttrHidden)) == wanted) continue;
        if (std::string reason; !platform::setFileAttributes(path, wanted, &reason)) fail(path, reason);
    }
}

}  // namespace kav::pack
