#include "common/word/docx_package.h"
#include "common/word/namespaces.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace kav::word {

struct DocxPackage::Zip {
    zip_t* handle = nullptr;
    ~Zip() {
        if (handle) zip_discard(handle);
    }
};

namespace {
std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// "word/../media/x" style targets: collapse the dots of a part name.
std::string normalizePartName(const std::string& name) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= name.size()) {
        auto slash = name.find('/', start);
        std::string seg = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::string out;
    for (auto& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}
}  // namespace

namespace {

// What the XML parser allocates while it parses a part is counted against the
// budget of the document being read on this thread (none outside a parse).
struct ParseBudget {
    std::size_t left = 0;
    bool exhausted = false;
};
thread_local ParseBudget* tParseBudget = nullptr;

void* countedAllocate(std::size_t n) {
    if (ParseBudget* budget = tParseBudget) {
        if (n > budget->left) {
            budget->exhausted = true;
            return nullptr;  // the parser stops with "out of memory"
        }
        budget->left -= n;
    }
    return std::malloc(n);
}

// malloc and free, as the parser's own defaults: installing them at any time
// leaves memory allocated before valid.
void countParserAllocations() {
    static const bool installed = [] {
        pugi::set_memory_management_functions(countedAllocate, std::free);
        return true;
    }();
    (void)installed;
}

class CountingParse {
public:
    explicit CountingParse(ParseBudget& budget) { tParseBudget = &budget; }
    ~CountingParse() { tParseBudget = nullptr; }
    CountingParse(const CountingParse&) = delete;
    CountingParse& operator=(const CountingParse&) = delete;
};

}  // namespace

DocxPackage::DocxPackage(const std::filesystem::path& file, std::size_t maxPartSize, std::size_t budget)
    : zip_(std::make_unique<Zip>()), file_(file), maxPartSize_(maxPartSize), budget_(budget) {
    countParserAllocations();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw DocxError("文档不存在或不是文件：" + file.string());
    int code = 0;
    zip_->handle = zip_open(file.c_str(), ZIP_RDONLY, &code);
    if (!zip_->handle) {
        if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS)
            throw DocxError("文档不是有效的 Word 文档（.docx 压缩包已损坏或不是压缩包）：" + file.string());
        throw DocxError("无法打开文档 " + file.string() + "：" + zipErrorText(code));
    }
}

DocxPackage::~DocxPackage() = default;

void DocxPackage::tooLarge() const {
    throw DocxError("文档过大，无法读取（解压和解析需要超过 " + std::to_string(budget_ >> 20) + " MB）：" + file_.string());
}

void DocxPackage::charge(std::size_t n) const {
    if (n > budget_ - spent_) tooLarge();
    spent_ += n;
}

bool DocxPackage::has(const std::string& part) const { return zip_name_locate(zip_->handle, part.c_str(), 0) >= 0; }

namespace {
// Inflates a part into memory got from room(n), which gives a place for n
// bytes keeping those written so far. The zip's declared size is the first
// guess, so a part is normally read in one piece with no copy; a part that
// inflates larger than declared grows the room, and one past the cap fails.
template <class Room>
std::size_t inflatePart(zip_t* zip, const std::string& part, const std::filesystem::path& file,
                        std::size_t maxPartSize, Room&& room) {
    zip_int64_t index = zip_name_locate(zip, part.c_str(), 0);
    if (index < 0) throw DocxError("文档缺少部件 " + part + "：" + file.string());
    zip_stat_t st;
    zip_stat_init(&st);
    std::size_t declared = 0;
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
        declared = static_cast<std::size_t>(std::min<zip_uint64_t>(st.size, maxPartSize));
    zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!f) throw DocxError("无法读取文档部件 " + part + "：" + zip_strerror(zip));
    // One byte more than declared shows, without another call, whether more follows.
    std::size_t capacity = declared + 1, filled = 0;
    char* at = room(capacity, filled);
    for (;;) {
        if (filled == capacity) {
            capacity = std::min(std::max<std::size_t>(2 * capacity, 64 * 1024), maxPartSize + 1);
            at = room(capacity, filled);
        }
        zip_int64_t n = zip_fread(f, at + filled, capacity - filled);
        if (n < 0) {
            std::string why = zip_file_strerror(f);
            zip_fclose(f);
            throw DocxError("文档部件 " + part + " 已损坏：" + why);
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
        if (filled > maxPartSize) {
            zip_fclose(f);
            throw DocxError("文档部件 " + part + " 解压后超过 " + std::to_string(maxPartSize >> 20) +
                            " MB，拒绝读取：" + file.string());
        }
    }
    zip_fclose(f);
    return filled;
}

// Memory from pugixml's allocator, so that the parsed document can take the
// inflated bytes over and parse them where they lie.
class XmlBuffer {
public:
    XmlBuffer() = default;
    XmlBuffer(const XmlBuffer&) = delete;
    XmlBuffer& operator=(const XmlBuffer&) = delete;
    ~XmlBuffer() {
        if (data_) pugi::get_memory_deallocation_function()(data_);
    }
    // Room for n bytes, keeping the first `keep`.
    char* room(std::size_t n, std::size_t keep) {
        auto* grown = static_cast<char*>(pugi::get_memory_allocation_function()(n));
        if (!grown) throw std::bad_alloc();
        if (data_) {
            std::memcpy(grown, data_, keep);
            pugi::get_memory_deallocation_function()(data_);
        }
        return data_ = grown;
    }
    const char* data() const { return data_; }
    char* release() { return std::exchange(data_, nullptr); }

private:
    char* data_ = nullptr;
};
}  // namespace

std::string DocxPackage::read(const std::string& part) const {
    std::string bytes;
    bytes.resize(inflatePart(zip_->handle, part, file_, maxPartSize_, [&](std::size_t n, std::size_t) {
        charge(n - std::min(n, bytes.size()));
        bytes.resize(n);
        return bytes.data();
    }));
    return bytes;
}

std::size_t DocxPackage::partSize(const std::string& part) const {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(zip_->handle, part.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return 0;
    return std::min<std::size_t>(st.size, maxPartSize_);
}

std::unique_ptr<pugi::xml_document> DocxPackage::xml(const std::string& part) const {
    XmlBuffer buffer;
    std::size_t size = inflatePart(zip_->handle, part, file_, maxPartSize_, [&](std::size_t n, std::size_t keep) {
        charge(n);
        return buffer.room(n, keep);
    });
    const bool unusualPrefixes = declaresUnusualPrefixes(std::string_view(buffer.data(), size));
    auto doc = std::make_unique<pugi::xml_document>();
    ParseBudget budget{budget_ - spent_};
    pugi::xml_parse_result result;
    {
        CountingParse counting(budget);
        // The document owns the buffer from here on, whether or not it parses.
        result = doc->load_buffer_inplace_own(buffer.release(), size,
                                              pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
        if (result && unusualPrefixes) useUsualPrefixes(*doc);  // renamed names are allocated too
    }
    spent_ = budget_ - budget.left;
    if (budget.exhausted) tooLarge();
    // Out of memory below the budget: the process itself is out of memory.
    if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
    if (!result)
        throw DocxError("文档部件 " + part + " 不是有效的 XML（第 " + std::to_string(result.offset) +
                        " 字节：" + result.description() + "）：" + file_.string());
    return doc;
}

std::unique_ptr<pugi::xml_document> DocxPackage::xmlIfPresent(const std::string& part) const {
    if (part.empty() || !has(part)) return nullptr;
    return xml(part);
}

std::map<std::string, DocxPackage::Relationship> DocxPackage::relationships(const std::string& part) const {
    auto slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    std::string relsName = folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
    std::map<std::string, Relationship> rels;
    auto doc = xmlIfPresent(relsName);
    if (!doc) return rels;
    for (auto rel : doc->child("Relationships").children("Relationship")) {
        if (std::string(rel.attribute("TargetMode").value()) == "External") continue;
        std::string target = rel.attribute("Target").value();
        std::string name = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
        std::string type = rel.attribute("Type").value();
        rels[rel.attribute("Id").value()] = {normalizePartName(name), type.substr(type.rfind('/') + 1)};
    }
    return rels;
}

std::string DocxPackage::mainDocumentPart() const {
    if (auto doc = xmlIfPresent("_rels/.rels")) {
        for (auto rel : doc->child("Relationships").children("Relationship")) {
            std::string type = rel.attribute("Type").value();
            if (type.size() >= 15 && type.compare(type.size() - 15, 15, "/officeDocument") == 0) {
                std::string target = rel.attribute("Target").value();
                return normalizePartName(!target.empty() && target[0] == '/' ? target.substr(1) : target);
            }
        }
    }
    return "word/document.xml";
}

}  // namespace kav::word
