// Errors of the file system as the candidate reads them: Chinese words and the
// drive paths shown on screen, not the machine's folders.
#include "common/platform/messages.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace kav::platform;

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override { setenv("KAVLOR_DRIVE_C", root().c_str(), 1); }
    void TearDown() override { unsetenv("KAVLOR_DRIVE_C"); }
    fs::path root() const { return tmp.path() / "c"; }
    kav::test::TempDir tmp;
};

TEST_F(Messages, PathsUnderDriveCAreShownAsDrivePaths) {
    struct Case {
        fs::path path;
        std::string shown;
    };
    const Case cases[] = {
        {root() / "kavtmp" / "11010003", "c:\\kavtmp\\11010003"},
        {root() / "kavlor", "c:\\kavlor"},
        {root(), "c:\\"},
        {root() / "kavlor" / ".." / "kavtmp", "c:\\kavtmp"},
        {tmp.path() / "cx" / "file", (tmp.path() / "cx" / "file").string()},  // begins alike, another folder
        {"/etc/passwd", "/etc/passwd"},
    };
    for (const Case& c : cases) EXPECT_EQ(drivePath(c.path), c.shown) << c.path;
}

TEST_F(Messages, ErrorsOfTheFileSystemReadInChineseWithDrivePaths) {
    struct Case {
        std::string name;
        std::exception_ptr error;
        std::string text;
    };
    auto fsError = [](const char* what, fs::path path, int code) {
        return std::make_exception_ptr(fs::filesystem_error(what, path, std::error_code(code, std::generic_category())));
    };
    const Case cases[] = {
        {"folder behind a file", fsError("cannot create directories", root() / "kavtmp", ENOTDIR),
         "无法创建文件夹 c:\\kavtmp：路径中有一项不是文件夹"},
        {"copy refused", fsError("cannot copy file", root() / "kavlor" / "a.doc", EACCES),
         "无法复制 c:\\kavlor\\a.doc：没有访问权限"},
        {"unknown code", fsError("cannot remove", root() / "x", 12345), "无法删除 c:\\x：系统错误12345"},
        {"a layer's own text",
         std::make_exception_ptr(std::runtime_error("无法打开文件 " + (root() / "kavtmp" / "11010003").string() + "：文件或文件夹不存在")),
         "无法打开文件 c:\\kavtmp\\11010003：文件或文件夹不存在"},
        {"text without a path", std::make_exception_ptr(std::runtime_error("数据库已损坏")), "数据库已损坏"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            std::rethrow_exception(c.error);
        } catch (const std::exception& e) {
            EXPECT_EQ(errorText(e), c.text);
        }
    }
}

}  // namespace
