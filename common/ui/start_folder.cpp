#include "common/ui/start_folder.h"

#include <algorithm>

namespace kav::ui {

namespace fs = std::filesystem;

bool StartFolder::insideBank(const fs::path& folder) const {
    if (bank_.empty()) return false;
    std::error_code ec;
    // Compared as real paths: a link or "txt/.." must not slip past the rule.
    const fs::path bank = fs::weakly_canonical(bank_, ec);
    if (ec) return false;
    const fs::path path = fs::weakly_canonical(folder, ec);
    if (ec) return true;  // a folder that cannot be resolved is not offered
    const auto [end, _] = std::mismatch(bank.begin(), bank.end(), path.begin(), path.end());
    return end == bank.end();
}

void StartFolder::saved(const fs::path& file) {
    if (!insideBank(file.parent_path())) lastSaved_ = file.parent_path();
}

fs::path StartFolder::folder() const {
    for (const auto& candidate : {lastSaved_.value_or(fs::path()), documents_, home_}) {
        std::error_code ec;
        if (!candidate.empty() && fs::is_directory(candidate, ec) && !insideBank(candidate)) return candidate;
    }
    return documents_;
}

}  // namespace kav::ui
