#include "common/platform/platform.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kav::platform;
using kav::test::readFile;
using kav::test::TempDir;
using kav::test::writeFile;

namespace {

class DriveC : public ::testing::Test {
protected:
    void SetUp() override { setenv("KAVLOR_DRIVE_C", (tmp / "c").c_str(), 1); }
    void TearDown() override { unsetenv("KAVLOR_DRIVE_C"); }
    TempDir tmp;
};

// Whether the file system of the temporary folder keeps user extended attributes.
bool xattrsSupported(const fs::path& file) {
    if (::setxattr(file.c_str(), "user.kavtest", "1", 1, 0) != 0) return false;
    ::removexattr(file.c_str(), "user.kavtest");
    return true;
}

void setDosAttrib(const fs::path& file, const std::string& value) {
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0), 0);
}

}  // namespace

TEST_F(DriveC, RootComesFromTheEnvironmentOrTheLabDefault) {
    EXPECT_EQ(driveCRoot(), tmp / "c");
    unsetenv("KAVLOR_DRIVE_C");
    EXPECT_EQ(driveCRoot(), fs::path("/var/lib/kavlor/c"));
    setenv("KAVLOR_DRIVE_C", "", 1);
    EXPECT_EQ(driveCRoot(), fs::path("/var/lib/kavlor/c"));
}

TEST_F(DriveC, ResolvesDrivePathsAndRelativePathsWithEitherSeparator) {
    EXPECT_EQ(resolve("c:\\kavlor\\11010001"), tmp / "c" / "kavlor/11010001");
    EXPECT_EQ(resolve("C:\\kavtmp\\11010001"), tmp / "c" / "kavtmp/11010001");
    EXPECT_EQ(resolve("c:/kavlor/x"), tmp / "c" / "kavlor/x");
    EXPECT_EQ(resolve("c:\\"), tmp / "c");
    EXPECT_EQ(resolve("txt\\txt0.txt", "/prog"), fs::path("/prog/txt/txt0.txt"));
    EXPECT_EQ(resolve("word/a.docx", "/prog"), fs::path("/prog/word/a.docx"));
    EXPECT_EQ(resolve("d:\\file\\a.txt", "/prog"), fs::path("/prog/file/a.txt"));
    EXPECT_EQ(resolve("/srv/teacher", "/prog"), fs::path("/srv/teacher"));
    // The teacher's folder from tpath.txt with a name appended the Windows way.
    EXPECT_EQ(resolve("/srv/lab/teacher\\teacher.mdb", "/prog"), fs::path("/srv/lab/teacher/teacher.mdb"));
    EXPECT_EQ(resolve("/srv/lab/teacher\\txt\\txt0.txt"), fs::path("/srv/lab/teacher/txt/txt0.txt"));
    EXPECT_EQ(joinRelative("/srv/teacher", "\\teacher.mdb"), fs::path("/srv/teacher/teacher.mdb"));
    EXPECT_EQ(joinRelative("/prog", "txt\\sub\\t.txt"), fs::path("/prog/txt/sub/t.txt"));
}

TEST_F(DriveC, FindsNamesIgnoringCaseAsWindowsDoes) {
    writeFile(tmp / "K" / "Sub" / "File.TXT", "x");
    EXPECT_EQ(findIgnoringCase(tmp / "k" / "SUB" / "file.txt"), tmp / "K" / "Sub" / "File.TXT");
    EXPECT_EQ(findIgnoringCase(tmp / "K" / "Sub" / "File.TXT"), tmp / "K" / "Sub" / "File.TXT");
    EXPECT_EQ(findIgnoringCase(tmp / "k" / "none.txt"), tmp / "k" / "none.txt");
    // An exact match wins over another spelling.
    writeFile(tmp / "K" / "Sub" / "file.txt", "y");
    EXPECT_EQ(findIgnoringCase(tmp / "K" / "Sub" / "file.txt"), tmp / "K" / "Sub" / "file.txt");
}

TEST_F(DriveC, CopyNeverOverwritesAndReportsTheSystemReason) {
    writeFile(tmp / "src.txt", "new");
    std::string error;
    EXPECT_TRUE(copyFileNoOverwrite(tmp / "src.txt", tmp / "dst.txt", &error));
    EXPECT_EQ(readFile(tmp / "dst.txt"), "new");

    writeFile(tmp / "old.txt", "old");
    EXPECT_FALSE(copyFileNoOverwrite(tmp / "src.txt", tmp / "old.txt", &error));
    EXPECT_EQ(error, std::make_error_code(std::errc::file_exists).message());
    EXPECT_EQ(readFile(tmp / "old.txt"), "old");

    EXPECT_FALSE(copyFileNoOverwrite(tmp / "missing.txt", tmp / "m.txt", &error));
    EXPECT_EQ(error, std::make_error_code(std::errc::no_such_file_or_directory).message());
    EXPECT_FALSE(fs::exists(tmp / "m.txt"));

    // No folders are created for the target.
    EXPECT_FALSE(copyFileNoOverwrite(tmp / "src.txt", tmp / "nofolder" / "x.txt", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(tmp / "nofolder"));

    // What is not a regular file is refused, a link to one included: its copy
    // would take whatever the link names on this machine.
    fs::create_symlink(tmp / "src.txt", tmp / "link.txt");
    fs::create_directory(tmp / "folder");
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0600), 0);
    for (const char* source : {"link.txt", "folder", "fifo"}) {
        SCOPED_TRACE(source);
        EXPECT_FALSE(copyFileNoOverwrite(tmp / source, tmp / "copy", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(tmp / "copy"));
    }

    // The replacing copy replaces; a failed one leaves the target as it was.
    EXPECT_TRUE(copyFileReplacing(tmp / "src.txt", tmp / "old.txt", &error));
    EXPECT_EQ(readFile(tmp / "old.txt"), "new");
    EXPECT_FALSE(copyFileReplacing(tmp / "missing.txt", tmp / "old.txt", &error));
    EXPECT_EQ(readFile(tmp / "old.txt"), "new");
    for (const auto& entry : fs::directory_iterator(tmp / ""))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << entry.path();
}

TEST_F(DriveC, AttributeWordOfFoldersFilesReadOnlyAndHidden) {
    fs::create_directories(tmp / "k" / "DIR");
    writeFile(tmp / "k" / "A.TXT", "a");
    writeFile(tmp / "k" / ".secret", "s");
    writeFile(tmp / "k" / "B.TXT", "b");
    writeFile(tmp / "k" / ".hidden", "B.TXT\r\nDIR\n");

    EXPECT_EQ(fileAttributes(tmp / "k" / "A.TXT"), 32u);
    EXPECT_EQ(fileAttributes(tmp / "k" / "DIR"), 18u);  // folder, listed in .hidden
    EXPECT_EQ(fileAttributes(tmp / "k" / "B.TXT"), 34u);
    EXPECT_EQ(fileAttributes(tmp / "k" / ".secret"), 34u);
    EXPECT_EQ(fileAttributes(tmp / "k"), 16u);
    EXPECT_EQ(fileAttributes(tmp / "k" / "none"), std::nullopt);

    ::chmod((tmp / "k" / "A.TXT").c_str(), 0444);
    EXPECT_EQ(fileAttributes(tmp / "k" / "A.TXT"), 33u);
    ::chmod((tmp / "k" / "DIR").c_str(), 0555);
    EXPECT_EQ(fileAttributes(tmp / "k" / "DIR"), 19u);
    ::chmod((tmp / "k" / "DIR").c_str(), 0755);
}

TEST_F(DriveC, SetFileAttributesChangesReadOnlyAndHiddenAndBack) {
    writeFile(tmp / "k" / "A.TXT", "a");
    writeFile(tmp / "k" / "B.TXT", "b");
    fs::path a = tmp / "k" / "A.TXT";
    std::string error;
    ASSERT_TRUE(setFileAttributes(a, kAttrReadOnly | kAttrHidden, &error)) << error;
    EXPECT_EQ(fileAttributes(a), 35u);
    EXPECT_EQ(fs::status(a).permissions() & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(setFileAttributes(tmp / "k" / "B.TXT", kAttrHidden, &error)) << error;
    EXPECT_EQ(readFile(tmp / "k" / ".hidden"), "A.TXT\nB.TXT\n");

    ASSERT_TRUE(setFileAttributes(a, 0, &error)) << error;
    EXPECT_EQ(fileAttributes(a), 32u);
    EXPECT_EQ(readFile(tmp / "k" / ".hidden"), "B.TXT\n");
    ASSERT_TRUE(setFileAttributes(tmp / "k" / "B.TXT", kAttrArchive, &error)) << error;
    EXPECT_FALSE(fs::exists(tmp / "k" / ".hidden"));  // the last name gone, the list goes

    writeFile(tmp / "k" / ".dot", "d");
    EXPECT_FALSE(setFileAttributes(tmp / "k" / ".dot", 0, &error));
    EXPECT_NE(error.find("always hidden"), std::string::npos);
    EXPECT_FALSE(setFileAttributes(tmp / "k" / "missing", 0, &error));
    EXPECT_EQ(error, std::make_error_code(std::errc::no_such_file_or_directory).message());
}

TEST_F(DriveC, SambaDosAttribWinsWhenItCanBeParsed) {
    writeFile(tmp / "k" / "A.TXT", "a");
    fs::create_directories(tmp / "k" / "DIR");
    fs::path a = tmp / "k" / "A.TXT";
    if (!xattrsSupported(a)) GTEST_SKIP() << "the file system of " << tmp.path() << " refuses user xattrs";

    setDosAttrib(a, "0x21");  // text form, read-only + archive, though the file is writable
    EXPECT_EQ(fileAttributes(a), 33u);
    setDosAttrib(a, std::string("0x22\0\x05\x00binary", 12));  // text, NUL, then Samba's binary part
    EXPECT_EQ(fileAttributes(a), 34u);
    setDosAttrib(a, "0X3");
    EXPECT_EQ(fileAttributes(a), 3u);
    setDosAttrib(a, "0x0");
    EXPECT_EQ(fileAttributes(a), 128u);
    setDosAttrib(tmp / "k" / "DIR", "0x2");
    EXPECT_EQ(fileAttributes(tmp / "k" / "DIR"), 18u);

    for (std::string junk : {"", "garbage", "0x", "0xZZ", "0x20zz", "20"}) {
        setDosAttrib(a, junk);
        EXPECT_EQ(fileAttributes(a), 32u) << "value '" << junk << "' must be ignored";
    }

    setDosAttrib(a, "0x20");
    std::string error;
    ASSERT_TRUE(setFileAttributes(a, kAttrReadOnly, &error)) << error;
    EXPECT_EQ(fileAttributes(a), 33u);
    char buf[32];
    ssize_t n = ::getxattr(a.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    EXPECT_EQ(std::string(buf, std::size_t(n)), std::string("0x21\0", 5));
}

TEST_F(DriveC, AFolderNamedWithATrailingSeparatorIsLookedUpInItsParent) {
    fs::create_directories(tmp / "k" / "DIR");
    writeFile(tmp / "k" / ".hidden", "DIR\n");
    EXPECT_EQ(fileAttributes(tmp / "k" / "DIR/"), 18u);

    fs::create_directories(tmp / "k" / "OTHER");
    std::string error;
    ASSERT_TRUE(setFileAttributes(tmp / "k" / "OTHER/", kAttrHidden, &error)) << error;
    EXPECT_EQ(readFile(tmp / "k" / ".hidden"), "DIR\nOTHER\n");
    EXPECT_FALSE(fs::exists(tmp / "k" / "OTHER" / ".hidden"));
    EXPECT_EQ(fileAttributes(tmp / "k" / "OTHER"), 18u);
}
