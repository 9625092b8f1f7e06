#pragma once
// The .docx file as a zip package: reads the parts that grading needs, each
// at most once, with the inflated size of every part capped and what the whole
// document may take in memory bounded, so that a zip bomb or a part of dense
// tiny elements fails at once with a clear error instead of exhausting memory.
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <pugixml.hpp>

namespace kav::word {

// A document that cannot be read; what() is the text shown to the candidate.
class DocxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr std::size_t kMaxPartSize = 64u << 20;  // inflated bytes of one part
// The budget of one document: the inflated bytes of every part read plus what
// the XML parser allocates for them, counted as it is allocated (memory freed
// is not given back to the budget). Measured near the character cap
// (kMaxCharacters): a python-docx save of 1,800,000 characters takes 183 MB,
// a Writer save of 1,950,000 takes 192 MB. Saves denser in markup (WPS, Word
// with many sections) reach the part cap first, at some 1,250,000 and 500,000
// characters, and take more than the budget there: such documents of several
// hundred pages are refused as too large.
constexpr std::size_t kMaxDocumentBytes = 256u << 20;

class DocxPackage {
public:
    // Throws DocxError when the file is missing, unreadable or not a zip.
    // Past the budget, reading a part throws DocxError "文档过大，无法读取…".
    explicit DocxPackage(const std::filesystem::path& file, std::size_t maxPartSize = kMaxPartSize,
                         std::size_t budget = kMaxDocumentBytes);
    ~DocxPackage();
    DocxPackage(const DocxPackage&) = delete;
    DocxPackage& operator=(const DocxPackage&) = delete;

    bool has(const std::string& part) const;
    // The inflated bytes of a part; throws DocxError when it is missing, broken
    // or larger than the cap.
    std::string read(const std::string& part) const;
    // The inflated size the zip declares for a part (0 when missing), at most the cap.
    std::size_t partSize(const std::string& part) const;
    // The part parsed as XML; throws DocxError naming the part on broken XML.
    std::unique_ptr<pugi::xml_document> xml(const std::string& part) const;
    // The part parsed as XML when it exists, else nullptr.
    std::unique_ptr<pugi::xml_document> xmlIfPresent(const std::string& part) const;

    struct Relationship {
        std::string target;  // the part name, resolved against the source part's folder
        std::string type;    // the relationship type's last segment: "styles", "header", ...
    };
    // The relationships of a part by Id; external targets are left out.
    std::map<std::string, Relationship> relationships(const std::string& part) const;
    // The main document part named by the package relationships.
    std::string mainDocumentPart() const;

private:
    struct Zip;
    // Counts n bytes against the budget; throws DocxError past it.
    void charge(std::size_t n) const;
    [[noreturn]] void tooLarge() const;

    std::unique_ptr<Zip> zip_;
    std::filesystem::path file_;
    std::size_t maxPartSize_;
    std::size_t budget_;
    mutable std::size_t spent_ = 0;
};

}  // namespace kav::word
