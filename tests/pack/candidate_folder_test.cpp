#include "common/pack/candidate_folder.h"

#include <gtest/gtest.h>

#include "common/platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace pf = kav::platform;
using kav::test::TempDir;
using kav::test::writeFile;

// A candidate folder as the Windows task leaves it: nested folders, a
// read-only file, a hidden folder (listed in .hidden) and a dot file.
void makeFolder(const fs::path& root) {
    writeFile(root / "A" / "B" / "note.txt", "笔记");
    writeFile(root / "A" / "ro.txt", "read only");
    writeFile(root / ".dot", "");
    writeFile(root / "word5.docx", std::string("PK\3\4\0x", 6));
    fs::create_directories(root / "A" / "HID");
    ASSERT_TRUE(pf::setFileAttributes(root / "A" / "ro.txt", pf::kAttrReadOnly));
    ASSERT_TRUE(pf::setFileAttributes(root / "A" / "HID", pf::kAttrHidden));
}

TEST(CandidateFolderTest, PacksWhatGradingReadsAndUnpacksItTheSame) {
    TempDir dir;
    makeFolder(dir / "in");
    fs::create_symlink("/etc/passwd", dir / "in" / "A" / "link");
    const auto reading = kav::pack::readCandidateFolder(dir / "in");

    std::vector<std::string> paths;
    for (const auto& f : reading.files) paths.push_back(f.path);
    EXPECT_EQ(paths, (std::vector<std::string>{".dot", "A", "A/.hidden", "A/B", "A/B/note.txt", "A/HID", "A/ro.txt",
                                               "word5.docx"}));
    for (const auto& f : reading.files)
        EXPECT_EQ(f.attributes, pf::fileAttributes(dir / "in" / f.path)) << f.path;
    EXPECT_NE(reading.note.find("A/link"), std::string::npos) << "the link is named, not followed: " << reading.note;

    kav::pack::unpackFolder(reading.files, dir / "out");
    const auto again = kav::pack::readCandidateFolder(dir / "out");
    EXPECT_EQ(again.files, reading.files);
    EXPECT_EQ(again.note, "");
}

TEST(CandidateFolderTest, AFolderOverTheBoundIsNotPacked) {
    TempDir dir;
    writeFile(dir / "in" / "a.bin", std::string(600, 'a'));
    writeFile(dir / "in" / "b.bin", std::string(600, 'b'));
    for (const auto& [limit, packed] : {std::pair{std::size_t{1200}, true}, {std::size_t{1199}, false}}) {
        const auto reading = kav::pack::readCandidateFolder(dir / "in", limit);
        EXPECT_EQ(reading.files.size(), packed ? 2u : 0u) << limit;
        EXPECT_EQ(reading.note.find("未打包") != std::string::npos, !packed) << reading.note;
    }
}

}  // namespace
