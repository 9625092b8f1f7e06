#include "common/bank/rules.h"

#include <algorithm>
#include <unordered_map>

#include "common/core/candidate.h"
#include "common/core/utf8.h"
#include "common/platform/platform.h"

namespace mendrix::bank {

namespace {
std::string_view trimmed(std::string_view s) {
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}
bool contains(const std::vector<std::string>& list, std::string_view s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}
}  // namespace

std::string admissionNumberFormRefusal(std::string_view zkzh) {
    if (zkzh.empty()) return "准考证号不能为空！";
    if (std::any_of(zkzh.begin(), zkzh.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "准考证号不能含有换行、制表符等控制字符！";
    if (zkzh.find_first_of(kPathCharacters) != std::string_view::npos)
        return "准考证号“" + std::string(zkzh) + "”不能含有空格或 \\ / : * ? \" < > | 等字符！";
    const std::string folder = kav::candidateFolderName(zkzh);
    if (folder.back() == '.')
        return "准考证号“" + std::string(zkzh) + "”对应的考生文件夹名“" + folder + "”以点结尾，不能用作文件夹名！";
    return {};
}

std::string admissionNumberTakenRefusal(std::string_view zkzh) {
    return "准考证号“" + std::string(zkzh) + "”已经有考生使用！";
}

std::string admissionNumberRefusal(std::string_view zkzh, const std::vector<std::string>& others) {
    if (std::string refusal = admissionNumberFormRefusal(zkzh); !refusal.empty()) return refusal;
    if (contains(others, zkzh)) return admissionNumberTakenRefusal(zkzh);
    return {};
}

namespace {
constexpr std::size_t kFolderExamples = 3;

// "“a”、“b”、“c”等" of the first few numbers.
std::string examples(const std::vector<std::string>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < std::min(numbers.size(), kFolderExamples); ++i)
        text += (i ? "、“" : "“") + numbers[i] + "”";
    return numbers.size() > kFolderExamples ? text + "等" : text;
}
}  // namespace

std::vector<std::string> candidateWarnings(std::string_view zkzh, std::string_view password,
                                           const std::vector<std::string>& others) {
    std::vector<std::string> warnings;
    if (password.empty()) warnings.push_back("准考证号“" + std::string(zkzh) + "”的考生没有登录密码。");
    const std::string folder = kav::candidateFolderName(zkzh);
    std::vector<std::string> sharing;
    for (const std::string& other : others)
        if (other != zkzh && kav::candidateFolderName(other) == folder) sharing.push_back(other);
    if (!sharing.empty())
        warnings.push_back("准考证号“" + std::string(zkzh) + "”与另外" + std::to_string(sharing.size()) + "名考生（" +
                           examples(sharing) + "）的考生文件夹同为" + folder + "，他们的考试文件会放在同一个文件夹中。");
    return warnings;
}

std::vector<std::string> sharedFolderWarnings(const std::vector<std::string>& numbers, std::size_t firstNew) {
    struct Folder {
        std::vector<std::string> holders;
        bool hasNew = false;
    };
    std::unordered_map<std::string, Folder> byFolder;
    std::vector<std::string> order;  // the folder names in the order they first occur
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        std::string name = kav::candidateFolderName(numbers[i]);
        Folder& folder = byFolder[name];
        if (folder.holders.empty()) order.push_back(std::move(name));
        folder.holders.push_back(numbers[i]);
        folder.hasNew = folder.hasNew || i >= firstNew;
    }
    std::vector<std::string> warnings;
    for (const std::string& name : order)
        if (const auto& [holders, hasNew] = byFolder[name]; hasNew && holders.size() > 1)
            warnings.push_back(std::to_string(holders.size()) + "名考生（" + examples(holders) + "）的考生文件夹同为" +
                               name + "，他们的考试文件会放在同一个文件夹中。");
    if (warnings.size() > kWarningsListed) {
        const std::size_t more = warnings.size() - kWarningsListed;
        warnings.resize(kWarningsListed);
        warnings.push_back("另有" + std::to_string(more) + "个考生文件夹也各有多名考生共用。");
    }
    return warnings;
}

std::optional<std::string> choiceKey(std::string_view typed) {
    const std::string_view key = trimmed(typed);
    if (key.size() != 1) return std::nullopt;
    const char c = key[0];
    if ((c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd')) return std::string(key);
    return std::nullopt;
}

std::string stemRefusal(std::string_view stem) {
    const long length = kav::utf8Length(stem);
    if (length <= kMaxStemCharacters) return {};
    return "题干有" + (length < 0 ? std::to_string(stem.size()) + "字节" : std::to_string(length) + "个字") + "，超过" +
           std::to_string(kMaxStemCharacters) + "个字，未保存！";
}

std::string pictureSizeWarning(std::size_t bytes) {
    if (bytes <= kPictureWarningBytes) return {};
    return "图片有" + std::to_string((bytes + 1023) / 1024) + "KB，超过" + std::to_string(kPictureWarningBytes / 1024) +
           "KB；题库会复制到每一台学生机，请尽量使用较小的图片。";
}

std::string pictureRefusal(const PictureCheck& picture) {
    switch (picture.kind) {
    case PictureCheck::Kind::NotImage: return kPictureNotImage;
    case PictureCheck::Kind::TooLarge:
        return "所选图片有" + std::to_string(picture.width) + "×" + std::to_string(picture.height) + "像素，太大，未插入！";
    case PictureCheck::Kind::Truncated: return kPictureTruncated;
    case PictureCheck::Kind::Image: return {};
    }
    return {};
}

std::string pictureDecodedWarning(const PictureCheck& picture) {
    const std::uint64_t decoded = std::uint64_t(picture.width) * std::uint64_t(picture.height) * 4;
    if (picture.kind != PictureCheck::Kind::Image || decoded <= kPictureWarningDecodedBytes) return {};
    return "图片有" + std::to_string(picture.width) + "×" + std::to_string(picture.height) + "像素，显示时约占" +
           std::to_string((decoded + (1u << 20) - 1) >> 20) + "MB内存，超过" +
           std::to_string(kPictureWarningDecodedBytes >> 20) + "MB；请尽量使用较小的图片。";
}

std::string wordFileNameRefusal(std::string_view name) {
    if (name.find_first_of("\\/:") != std::string_view::npos || trimmed(name) == ".." || trimmed(name) == ".")
        return "Word文件名“" + std::string(name) + "”只能是word文件夹中的文件名，不能含有路径！";
    return {};
}

std::string wordFileMissingWarning(std::string_view name, const std::filesystem::path& teacherFolder) {
    if (name.empty()) return "没有填写相应Word文件名，学生机将无法复制Word文档。";
    if (!wordFileNameRefusal(name).empty()) return {};
    std::error_code ec;
    const auto file = kav::platform::findIgnoringCase(teacherFolder / "word" / std::string(name));
    if (std::filesystem::is_regular_file(file, ec)) return {};
    return "word文件夹中没有文件“" + std::string(name) + "”，请把该Word文档放入word文件夹并列入更新文件。";
}

std::vector<std::string> bankWarnings(int choiceQuestions, int winQuestions, int wordQuestions) {
    std::vector<std::string> warnings;
    if (choiceQuestions < kChoiceQuestionsDrawn)
        warnings.push_back("选择题只有" + std::to_string(choiceQuestions) + "道，少于30道，学生机无法抽题！");
    if (winQuestions == 0) warnings.push_back("没有WIN题，学生机无法抽题！");
    if (wordQuestions == 0) warnings.push_back("没有WORD题，学生机无法开始考试！");
    return warnings;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r") + line;
    return text;
}

}  // namespace mendrix::bank
