// A hand-in stores the candidate's work with the report, on a file lab and on
// a lab server (through a station's own role), and the pack reads back as the
// candidate left the work.
#include <gtest/gtest.h>

#include "client/flow/drawing.h"
#include "client/flow/exam_shell.h"
#include "common/db/columns.h"
#include "common/db/tables.h"
#include "common/pack/candidate_folder.h"
#include "common/pack/pack_store.h"
#include "common/platform/platform.h"
#include "common/text/typing_file.h"
#include "tests/db/test_backend.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

namespace fs = std::filesystem;
using kav::test::Backend;

class FlowPackTest : public ::testing::TestWithParam<Backend> {};

TEST_P(FlowPackTest, HandInStoresTheWorkWithTheReport) {
    KAV_SKIP_WITHOUT_SERVER(GetParam());
    Harness h;
    std::unique_ptr<kav::test::TestDatabase> server;
    if (GetParam() == Backend::Server) {
        server = std::make_unique<kav::test::TestDatabase>(Backend::Server, kav::db::DatabaseKind::Teacher,
                                                           h.lab.root() / "server");
        kav::test::writeFile(h.lab.teacher / "teacher.udl",
                             kav::db::linkFileText(server->stationConnectionString("st07", "st07-pw-0123456")));
    }
    Client client(h.env());
    ASSERT_TRUE(client.start());
    drawExam(client);

    // The candidate's work: a task folder with a read-only file, the Word
    // document, a typed line, every choice answered right.
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
    auto& ct = client.data().ADOTable_ct();
    const std::string document = ct.field("filename_word").asString();
    kav::test::writeFile(folder / "TASK" / "ro.txt", "只读");
    ASSERT_TRUE(kav::platform::setFileAttributes(folder / "TASK" / "ro.txt", kav::platform::kAttrReadOnly));
    fs::copy_file(h.lab.station / "word" / document, folder / document);
    kav::text::KeyDrawer keys(h.clock);
    fs::create_directories(h.lab.driveC / "kavtmp");
    kav::text::writeTypingFile(h.lab.driveC / "kavtmp" / "11010001", {kav::text::utf8ToGbk("春眠不觉晓")},
                               kav::text::TypingFileKind::Typed, keys);
    ct.edit();
    ct.field("sel_arr3").setString(ct.field("sel_arr2").asString());
    ct.post();
    ExamShell shell(client);
    client.handle([&] { shell.N9Click(); });
    SaveExamRecord(client);

    auto owner = server ? server->open() : h.lab.teacherDb();
    const auto bytes = kav::pack::loadPack(*owner, kFirst);
    ASSERT_TRUE(bytes) << "no pack stored with the report";
    const kav::pack::WorkPack pack = kav::pack::readPack(*bytes);
    EXPECT_EQ(pack.admission, kFirst);
    EXPECT_EQ(pack.name, rowValue(*owner, "score", kFirst, "ksxm"));
    EXPECT_EQ(pack.files, kav::pack::readCandidateFolder(folder).files);
    EXPECT_EQ(pack.typedText, "春眠不觉晓\r\n");
    EXPECT_FALSE(pack.typingSourceText.empty());
    EXPECT_EQ(pack.wordDocument, document);
    EXPECT_EQ(pack.note, "");

    // The scores and texts are those reported; the answers those graded.
    auto& student = client.data().ADOTable_student();
    EXPECT_EQ(pack.scores, (kav::pack::PartScores{30, student.field("dz_cj").asInteger(),
                                                  student.field("win_cj").asInteger(),
                                                  student.field("word_cj").asInteger(), student.field("kscj").asInteger()}));
    EXPECT_EQ(std::to_string(pack.scores.total), rowValue(*owner, "score", kFirst, "kscj"));
    EXPECT_EQ(pack.wintaskResult, rowValue(*owner, "condition", kFirst, "win_condiction"));
    auto& word = client.data().ADOTable_word();
    ASSERT_TRUE(kav::db::gotoPosition(word, static_cast<int>(pack.wordNumber)));
    EXPECT_EQ(pack.wordAnswerText, word.field("answer").asString());
    ASSERT_EQ(pack.choices.size(), 30u);
    auto& selecttest = client.data().ADOTable_selecttest();
    for (const auto& choice : pack.choices) {
        EXPECT_EQ(choice.answer, choice.key);
        ASSERT_TRUE(kav::db::gotoPosition(selecttest, choice.position));
        EXPECT_EQ(choice.stem, selecttest.field("select_question").asString());
        EXPECT_EQ(choice.options[3], selecttest.field("sel_d").asString());
    }
}

// A candidate folder over the bound is not packed: the pack says so, and the
// scores are reported all the same.
TEST(FlowPackBoundTest, AFolderOverTheBoundGivesAPackOfTheManifestAlone) {
    Harness h;
    Client client(h.env());
    ASSERT_TRUE(client.start());
    drawExam(client);
    const fs::path folder = h.lab.driveC / "kavlor" / "11010001";
    kav::test::writeFile(folder / "big.bin", "");
    fs::resize_file(folder / "big.bin", kav::pack::kMaxPackedBytes + 1);  // sparse: nothing is written
    SaveExamRecord(client);

    auto owner = h.lab.teacherDb();
    EXPECT_EQ(rowValue(*owner, "score", kFirst, "kscj"), "0");
    const auto bytes = kav::pack::loadPack(*owner, kFirst);
    ASSERT_TRUE(bytes);
    const kav::pack::WorkPack pack = kav::pack::readPack(*bytes);
    EXPECT_EQ(pack.admission, kFirst);
    EXPECT_TRUE(pack.files.empty());
    EXPECT_EQ(pack.note, "考生文件夹超过 20 MB，未打包");
    EXPECT_EQ(pack.choices.size(), 30u);
}

INSTANTIATE_TEST_SUITE_P(Backends, FlowPackTest, ::testing::Values(Backend::Files, Backend::Server),
                         [](const auto& info) { return kav::test::backendName(info.param); });

}  // namespace
}  // namespace kavlor::test
