#pragma once
// Where a file dialog opens when its caller proposes no file: the folder of
// the last file the person saved, else the documents folder, else the home
// folder; never a folder inside the bank (the teacher folder, whose txt/,
// word/ and file/ the update list copies to the stations), so that an export
// cannot become a file of the bank by a click on 保存.
#include <filesystem>
#include <optional>

namespace kav::ui {

class StartFolder {
public:
    StartFolder(std::filesystem::path documents, std::filesystem::path home, std::filesystem::path bank = {})
        : documents_(std::move(documents)), home_(std::move(home)), bank_(std::move(bank)) {}
    // The first folder of: last saved, documents, home that exists and lies
    // outside the bank; the documents folder when none does.
    std::filesystem::path folder() const;
    // A file was saved: its folder, outside the bank, is where the next dialog starts.
    void saved(const std::filesystem::path& file);
    // Whether `folder` is the bank folder or lies inside it.
    bool insideBank(const std::filesystem::path& folder) const;

private:
    std::filesystem::path documents_, home_, bank_;
    std::optional<std::filesystem::path> lastSaved_;
};

}  // namespace kav::ui
