// Where the file dialogs start: the teacher's own folders, never the bank's.
#include <gtest/gtest.h>

#include <functional>

#include "common/ui/start_folder.h"
#include "tests/support/temp_dir.h"

namespace kav::ui {
namespace {

namespace fs = std::filesystem;

TEST(StartFolder, StartsInTheLastSaveFolderOrTheDocumentsButNeverInsideTheBank) {
    test::TempDir dir;
    const fs::path bank = dir / "teacher", documents = dir / "home/文档", home = dir / "home",
                   exports = dir / "home/成绩";
    for (const fs::path& folder : {bank / "txt", documents, exports}) fs::create_directories(folder);
    fs::create_directory_symlink(bank / "txt", dir / "home/txt-link");
    struct Case {
        const char* what;
        fs::path documents;
        std::function<void(StartFolder&)> saves;
        fs::path expected;
    };
    const auto save = [](fs::path file) { return [file](StartFolder& s) { s.saved(file); }; };
    const std::vector<Case> cases = {
        {"nothing saved yet", documents, [](StartFolder&) {}, documents},
        {"after an export", documents, save(exports / "成绩.xlsx"), exports},
        {"a save into the bank's txt", documents, save(bank / "txt" / "txt0.txt"), documents},
        {"a save into the teacher folder", documents, save(bank / "成绩.doc"), documents},
        {"a save through a link into txt", documents, save(dir / "home/txt-link/a.csv"), documents},
        {"a save with .. back into the bank", documents, save(exports / "../../teacher/txt/a.csv"), documents},
        {"a later save inside the bank keeps the export folder", documents,
         [&](StartFolder& s) { s.saved(exports / "a.csv"); s.saved(bank / "txt" / "txt1.txt"); }, exports},
        {"no documents folder", dir / "home/Documents", [](StartFolder&) {}, home},
        {"documents inside the bank", bank / "txt", [](StartFolder&) {}, home},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartFolder start(c.documents, home, bank);
        c.saves(start);
        EXPECT_EQ(start.folder(), c.expected);
        EXPECT_FALSE(start.insideBank(start.folder()));
    }
    StartFolder noBank(documents, home);
    noBank.saved(bank / "txt" / "a.txt");
    EXPECT_EQ(noBank.folder(), bank / "txt") << "a program without a bank keeps any folder";
}

}  // namespace
}  // namespace kav::ui
