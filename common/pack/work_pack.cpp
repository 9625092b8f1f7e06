#include "common/pack/work_pack.h"

#include <openssl/evp.h>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "common/core/utf8.h"
#include "common/db/values.h"
#include "common/platform/platform.h"

namespace kav::pack {

bool PackedFile::isFolder() const { return (attributes & platform::kAttrDirectory) != 0; }

namespace {

constexpr std::string_view kManifest = "manifest.xml";
constexpr std::string_view kFilesPrefix = "files/";
// The manifest holds the choice questions and short fields; its own bound.
constexpr std::size_t kMaxManifestBytes = 4u * 1024 * 1024;

// The texts of a pack, each an entry of its own under texts/.
struct TextEntry {
    std::string_view name;
    std::string WorkPack::*member;
};
constexpr TextEntry kTexts[] = {
    {"word-answer", &WorkPack::wordAnswerText},   {"wintask-answer", &WorkPack::wintaskAnswerText},
    {"typed", &WorkPack::typedText},              {"typing-source", &WorkPack::typingSourceText},
    {"wintask-result", &WorkPack::wintaskResult}, {"typing-result", &WorkPack::typingResult},
    {"word-result", &WorkPack::wordResult},
};
std::string textPath(std::string_view name) { return "texts/" + std::string(name) + ".txt"; }

[[noreturn]] void refuse(const std::string& text) { throw PackError(text); }

// A path relative to the candidate folder: '/' separated, no empty, "." or
// ".." part, no backslash, valid UTF-8.
bool plainRelativePath(std::string_view path) {
    if (path.empty() || path.size() > 1024 || utf8Length(path) < 0) return false;
    if (path.find('\\') != std::string_view::npos || path.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

std::string zipErrorText(zip_error_t* error) { return zip_error_strerror(error); }

struct ZipArchive {
    zip_t* handle = nullptr;
    ~ZipArchive() {
        if (handle) zip_discard(handle);
    }
};

std::string manifestText(const WorkPack& pack, const std::vector<std::pair<std::string, const std::string*>>& texts) {
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    auto root = doc.append_child("pack");
    root.append_attribute("format") = kPackFormat;
    auto candidate = root.append_child("candidate");
    candidate.append_attribute("admission") = pack.admission.c_str();
    candidate.append_attribute("name") = pack.name.c_str();
    candidate.append_attribute("station") = pack.station.c_str();
    candidate.append_attribute("client-version") = pack.clientVersion.c_str();
    auto times = root.append_child("times");
    times.append_attribute("exam-start") = db::storedDateTime(pack.examStart).c_str();
    times.append_attribute("packed-at") = db::storedDateTime(pack.packedAt).c_str();
    auto drawn = root.append_child("drawn");
    drawn.append_attribute("wintask") = std::to_string(pack.wintaskNumber).c_str();
    drawn.append_attribute("word") = std::to_string(pack.wordNumber).c_str();
    drawn.append_attribute("word-document") = pack.wordDocument.c_str();
    drawn.append_attribute("typing-file") = pack.typingFile.c_str();
    auto scores = root.append_child("scores");
    for (auto [name, value] : {std::pair{"choice", pack.scores.choice}, {"typing", pack.scores.typing},
                               {"wintask", pack.scores.wintask}, {"word", pack.scores.word},
                               {"total", pack.scores.total}})
        scores.append_attribute(name) = std::to_string(value).c_str();
    if (!pack.note.empty()) root.append_child("note").text() = pack.note.c_str();
    auto choices = root.append_child("choices");
    for (const auto& c : pack.choices) {
        auto choice = choices.append_child("choice");
        choice.append_attribute("position") = c.position;
        choice.append_attribute("key") = c.key.c_str();
        choice.append_attribute("answer") = c.answer.c_str();
        choice.append_child("stem").text() = c.stem.c_str();
        for (const auto& option : c.options) choice.append_child("option").text() = option.c_str();
    }
    auto entries = root.append_child("entries");
    for (const auto& [name, bytes] : texts) {
        auto text = entries.append_child("text");
        text.append_attribute("name") = name.c_str();
        text.append_attribute("size") = std::to_string(bytes->size()).c_str();
        text.append_attribute("sha256") = sha256Hex(*bytes).c_str();
    }
    for (const auto& f : pack.files) {
        auto entry = entries.append_child(f.isFolder() ? "folder" : "file");
        entry.append_attribute("path") = f.path.c_str();
        entry.append_attribute("attributes") = std::to_string(f.attributes).c_str();
        if (f.isFolder()) continue;
        entry.append_attribute("size") = std::to_string(f.bytes.size()).c_str();
        entry.append_attribute("sha256") = sha256Hex(f.bytes).c_str();
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

}  // namespace

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        refuse("无法计算文件摘要（SHA-256）");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string writePack(const WorkPack& pack) {
    std::vector<std::pair<std::string, const std::string*>> texts;
    std::size_t total = 0;
    for (const auto& t : kTexts) {
        const std::string& bytes = pack.*t.member;
        if (bytes.empty()) continue;
        texts.emplace_back(std::string(t.name), &bytes);
        total += bytes.size();
    }
    std::set<std::string> paths;
    for (const auto& f : pack.files) {
        if (!plainRelativePath(f.path)) refuse("考生文件的路径“" + f.path + "”不能打包");
        if (!paths.insert(f.path).second) refuse("考生文件“" + f.path + "”重复");
        total += f.bytes.size();
    }
    if (total > kMaxPackedBytes) refuse("考生文件夹超过 20 MB，未打包");
    if (pack.files.size() > kMaxPackedEntries) refuse("考生文件夹的文件太多，未打包");

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) refuse("无法创建工作包（" + zipErrorText(&error) + "）");
    zip_source_keep(buffer);  // read back after the archive is closed
    std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(buffer, zip_source_free);
    ZipArchive zip;
    zip.handle = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!zip.handle) {
        zip_source_free(buffer);  // the reference the archive would have taken
        refuse("无法创建工作包（" + zipErrorText(&error) + "）");
    }

    const std::string manifest = manifestText(pack, texts);
    auto add = [&](const std::string& name, const std::string& bytes, std::uint32_t mode) {
        zip_source_t* source = zip_source_buffer(zip.handle, bytes.data(), bytes.size(), 0);
        const zip_int64_t index = source ? zip_file_add(zip.handle, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            refuse("无法写入工作包的“" + name + "”（" + zip_strerror(zip.handle) + "）");
        }
        zip_file_set_external_attributes(zip.handle, index, 0, ZIP_OPSYS_UNIX, (S_IFREG | mode) << 16);
    };
    add(std::string(kManifest), manifest, 0644);
    for (const auto& [name, bytes] : texts) add(textPath(name), *bytes, 0644);
    for (const auto& f : pack.files) {
        const std::string name = std::string(kFilesPrefix) + f.path;
        if (!f.isFolder()) {
            add(name, f.bytes, (f.attributes & platform::kAttrReadOnly) ? 0444 : 0644);
            continue;
        }
        const zip_int64_t index = zip_dir_add(zip.handle, name.c_str(), ZIP_FL_ENC_UTF_8);
        if (index < 0) refuse("无法写入工作包的“" + name + "”（" + zip_strerror(zip.handle) + "）");
        zip_file_set_external_attributes(zip.handle, index, 0, ZIP_OPSYS_UNIX, (S_IFDIR | 0755u) << 16);
    }
    if (zip_close(zip.handle) != 0) refuse(std::string("无法写入工作包（") + zip_strerror(zip.handle) + "）");
    zip.handle = nullptr;

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(buffer, &st) != 0 || zip_source_open(buffer) != 0)
        refuse("无法读出写好的工作包（" + zipErrorText(zip_source_error(buffer)) + "）");
    std::string bytes(st.size, '\0');
    const zip_int64_t read = zip_source_read(buffer, bytes.data(), st.size);
    zip_source_close(buffer);
    if (read < 0 || static_cast<zip_uint64_t>(read) != st.size) refuse("无法读出写好的工作包");
    return bytes;
}

namespace {

// An entry's bytes, at most limit of them; PackError when it holds more.
std::string readEntry(zip_t* zip, zip_uint64_t index, std::size_t limit, const std::string& name) {
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(zip, index, 0), zip_fclose);
    if (!file) refuse("工作包的“" + name + "”无法读取（" + zip_strerror(zip) + "）");
    std::string bytes;
    char chunk[65536];
    while (true) {
        const zip_int64_t n = zip_fread(file.get(), chunk, sizeof chunk);
        if (n < 0) refuse("工作包的“" + name + "”已损坏（" + zip_file_strerror(file.get()) + "）");
        if (n == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > limit) refuse("工作包的“" + name + "”超出大小限制");
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

template <typename Int>
Int numberAttribute(const pugi::xml_node& node, const char* name) {
    const std::string_view text = node.attribute(name).as_string();
    Int value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        refuse("工作包清单中的数值“" + std::string(text) + "”（" + name + "）无效");
    return value;
}

DateTime timeAttribute(const pugi::xml_node& node, const char* name) {
    try {
        return db::parseStoredDateTime(node.attribute(name).as_string());
    } catch (const std::exception&) {
        refuse(std::string("工作包清单中的时间（") + name + "）无效");
    }
}

// The entries of the archive by name; PackError for a link, an encrypted
// entry, a name given twice or too many entries.
std::map<std::string, zip_uint64_t> entriesOf(zip_t* zip) {
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0 || static_cast<std::size_t>(count) > kMaxPackedEntries + std::size(kTexts) + 1)
        refuse("工作包的条目太多");
    std::map<std::string, zip_uint64_t> entries;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        const char* raw = zip_get_name(zip, i, ZIP_FL_ENC_RAW);
        if (!raw) refuse(std::string("工作包的条目名无法读取（") + zip_strerror(zip) + "）");
        const std::string name = raw;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(zip, i, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX &&
            ((attributes >> 16) & S_IFMT) == S_IFLNK)
            refuse("工作包的“" + name + "”是链接，不予读取");
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, i, 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
            st.encryption_method != ZIP_EM_NONE)
            refuse("工作包的“" + name + "”已加密，不予读取");
        if (!entries.emplace(name, i).second) refuse("工作包的“" + name + "”出现了两次");
    }
    return entries;
}

}  // namespace

WorkPack readPack(std::string_view zipBytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zipBytes.data(), zipBytes.size(), 0, &error);
    if (!source) refuse("无法读取工作包（" + zipErrorText(&error) + "）");
    ZipArchive zip;
    zip.handle = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip.handle) {
        zip_source_free(source);
        refuse("工作包不是有效的 zip 文件（" + zipErrorText(&error) + "）");
    }
    auto entries = entriesOf(zip.handle);
    auto take = [&](const std::string& name) {
        const auto it = entries.find(name);
        if (it == entries.end()) refuse("工作包缺少清单所列的“" + name + "”");
        const zip_uint64_t index = it->second;
        entries.erase(it);
        return index;
    };

    const std::string manifest = readEntry(zip.handle, take(std::string(kManifest)), kMaxManifestBytes,
                                           std::string(kManifest));
    pugi::xml_document doc;
    const auto parsed = doc.load_buffer(manifest.data(), manifest.size(),
                                        pugi::parse_default & ~(pugi::parse_eol | pugi::parse_wconv_attribute), pugi::encoding_utf8);
    if (!parsed) refuse(std::string("工作包的清单无法解析（") + parsed.description() + "）");
    const pugi::xml_node root = doc.child("pack");
    if (!root) refuse("工作包的清单无法解析（没有 pack 元素）");
    if (const int format = numberAttribute<int>(root, "format"); format != kPackFormat)
        refuse("工作包的格式版本 " + std::to_string(format) + " 本程序不认识");

    WorkPack pack;
    const auto candidate = root.child("candidate");
    pack.admission = candidate.attribute("admission").as_string();
    pack.name = candidate.attribute("name").as_string();
    pack.station = candidate.attribute("station").as_string();
    pack.clientVersion = candidate.attribute("client-version").as_string();
    pack.examStart = timeAttribute(root.child("times"), "exam-start");
    pack.packedAt = timeAttribute(root.child("times"), "packed-at");
    const auto drawn = root.child("drawn");
    pack.wintaskNumber = numberAttribute<std::int64_t>(drawn, "wintask");
    pack.wordNumber = numberAttribute<std::int64_t>(drawn, "word");
    pack.wordDocument = drawn.attribute("word-document").as_string();
    pack.typingFile = drawn.attribute("typing-file").as_string();
    const auto scores = root.child("scores");
    pack.scores = {numberAttribute<std::int64_t>(scores, "choice"), numberAttribute<std::int64_t>(scores, "typing"),
                   numberAttribute<std::int64_t>(scores, "wintask"), numberAttribute<std::int64_t>(scores, "word"),
                   numberAttribute<std::int64_t>(scores, "total")};
    pack.note = root.child("note").text().as_string();
    for (const auto& node : root.child("choices").children("choice")) {
        PackedChoice c;
        c.position = numberAttribute<int>(node, "position");
        c.key = node.attribute("key").as_string();
        c.answer = node.attribute("answer").as_string();
        c.stem = node.child("stem").text().as_string();
        std::size_t i = 0;
        for (const auto& option : node.children("option")) {
            if (i == c.options.size()) refuse("工作包清单中的选择题选项多于四个");
            c.options[i++] = option.text().as_string();
        }
        pack.choices.push_back(std::move(c));
    }

    std::size_t total = 0;
    auto checkedBytes = [&](const std::string& name, const pugi::xml_node& node) {
        const auto size = numberAttribute<std::size_t>(node, "size");
        if (size > kMaxPackedBytes - total) refuse("工作包超过 20 MB，不予读取");
        std::string bytes = readEntry(zip.handle, take(name), size, name);
        if (bytes.size() != size) refuse("工作包的“" + name + "”大小与清单不符");
        if (sha256Hex(bytes) != node.attribute("sha256").as_string()) refuse("工作包的“" + name + "”摘要与清单不符");
        total += size;
        return bytes;
    };
    std::set<std::string> seen;
    std::map<std::string, bool> isFolder;  // every path of the folder's files, whether it is a folder
    for (const auto& node : root.child("entries").children()) {
        const std::string kind = node.name();
        if (kind == "text") {
            const std::string name = node.attribute("name").as_string();
            const auto* t = std::find_if(std::begin(kTexts), std::end(kTexts),
                                         [&](const TextEntry& e) { return e.name == name; });
            if (t == std::end(kTexts)) refuse("工作包清单中有不认识的文本“" + name + "”");
            if (!seen.insert("text:" + name).second) refuse("工作包清单中的文本“" + name + "”出现了两次");
            pack.*(t->member) = checkedBytes(textPath(name), node);
            continue;
        }
        if (kind != "file" && kind != "folder") refuse("工作包清单中有不认识的条目“" + kind + "”");
        PackedFile f;
        f.path = node.attribute("path").as_string();
        if (!plainRelativePath(f.path)) refuse("工作包中的路径“" + f.path + "”不安全，不予读取");
        if (!seen.insert(f.path).second) refuse("工作包中的路径“" + f.path + "”出现了两次");
        f.attributes = numberAttribute<std::uint32_t>(node, "attributes");
        if (f.isFolder() != (kind == "folder")) refuse("工作包中“" + f.path + "”的属性与种类不符");
        if (pack.files.size() == kMaxPackedEntries) refuse("工作包的条目太多");
        const std::string name = std::string(kFilesPrefix) + f.path;
        if (!f.isFolder()) f.bytes = checkedBytes(name, node);
        else if (zip_stat_t st; zip_stat_init(&st), zip_stat_index(zip.handle, take(name + "/"), 0, &st) != 0 || st.size != 0)
            refuse("工作包中的文件夹“" + f.path + "”不是空条目");
        isFolder[f.path] = f.isFolder();
        pack.files.push_back(std::move(f));
    }
    // No file stands where another entry needs a folder.
    for (const auto& [path, folder] : isFolder)
        for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            if (const auto it = isFolder.find(path.substr(0, slash)); it != isFolder.end() && !it->second)
                refuse("工作包中的“" + path + "”位于文件“" + it->first + "”之下");
    if (!entries.empty()) refuse("工作包中的“" + entries.begin()->first + "”不在清单中，不予读取");
    return pack;
}

}  // namespace kav::pack
