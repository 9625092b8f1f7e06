// kavtool typing encode / decode, run as the administrator runs them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/text/typing_file.h"
#include "tests/support/run_kavtool.h"
#include "tests/support/temp_dir.h"

namespace {

// What kavtool printed on both streams.
struct ToolRun {
    int status;
    std::string output;
};

ToolRun kavtool(const std::string& args) {
    kav::test::ToolRun run = kav::test::runKavtool(args);
    return {run.status, run.out + run.err};
}

TEST(KavtoolTyping, EncodeThenDecodeGivesTheLinesBack) {
    kav::test::TempDir dir;
    kav::test::writeFile(dir / "in.txt", "\xEF\xBB\xBF计算机等级考试\r\n\r\n一级Ｂ，模拟！\n");
    ToolRun enc = kavtool("typing encode " + (dir / "in.txt").string() + " " + (dir / "txt0.txt").string());
    ASSERT_EQ(enc.status, 0) << enc.output;
    auto lines = kav::text::readTypingFile(dir / "txt0.txt", kav::text::TypingFileKind::Model);
    EXPECT_EQ(lines.size(), 3u);
    ToolRun dec = kavtool("typing decode " + (dir / "txt0.txt").string());
    EXPECT_EQ(dec.status, 0);
    EXPECT_EQ(dec.output, "计算机等级考试\n\n一级Ｂ，模拟！\n");
}

TEST(KavtoolTyping, DecodeTypedTextFile) {
    kav::test::TempDir dir;
    kav::text::KeyDrawer keys([] { return kav::TimeOfDay{9, 0, 0, 0}; });
    kav::text::writeTypingFile(dir / "11010001", {kav::text::utf8ToGbk("中") + "a "}, kav::text::TypingFileKind::Typed,
                               keys);
    ToolRun dec = kavtool("typing decode --typed " + (dir / "11010001").string());
    EXPECT_EQ(dec.status, 0);
    EXPECT_EQ(dec.output, "中a \n");
}

TEST(KavtoolTyping, EncodeRefusesWhatTheConsoleRefusesAndWritesNothing) {
    kav::test::TempDir dir;
    std::string longLine;
    for (int i = 0; i < 29; ++i) longLine += "字";
    kav::test::writeFile(dir / "in.txt", "好\n" + longLine + "\n半角abc\n");
    ToolRun r = kavtool("typing encode " + (dir / "in.txt").string() + " " + (dir / "out.txt").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("请注意：第2行有超过28个汉字的文字行！！！"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("请注意：第3行包含半角的字符！！！"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));

    kav::test::writeFile(dir / "in.txt", "好\n好😀\n");
    r = kavtool("typing encode " + (dir / "in.txt").string() + " " + (dir / "out.txt").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("第2行"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("U+1F600"), std::string::npos) << r.output;
}

}  // namespace
