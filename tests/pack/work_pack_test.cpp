#include "common/pack/work_pack.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <functional>
#include <map>

#include "common/platform/platform.h"

namespace {

using kav::pack::PackedFile;
using kav::pack::PackError;
using kav::pack::WorkPack;
namespace pf = kav::platform;

WorkPack samplePack() {
    WorkPack p;
    p.admission = "110199990001";
    p.name = "张三 \"<&>\"\r\n\t\x01";
    p.station = "lab1-07";
    p.clientVersion = "1.0.0";
    p.examStart = {2026, 12, 10, 9, 0, 0, 0};
    p.packedAt = {2026, 12, 10, 10, 29, 58, 125};
    p.wintaskNumber = 3;
    p.wordNumber = 5;
    p.wordDocument = "word5.docx";
    p.typingFile = "txt2.txt";
    p.wordAnswerText = "1.标题\r\n2.字号=小四\r\n";
    p.wintaskAnswerText = "a\\b.txt|33";
    p.typedText = "春眠不觉晓，\r\n处处闻啼鸟。\t";
    p.typingSourceText = "春眠不觉晓，处处闻啼鸟。";
    p.choices = {{12, "下列<哪个>是 & 输入设备？\r\n（单选）", {"键盘", "显示器", "打印机", "音箱"}, "a", "a"},
                 {40, "stem", {"", "b", "c", "d"}, "c", "*"}};
    p.scores = {28, 18, 15, 27, 88};
    p.wintaskResult = "1 1 0";
    p.typingResult = " ";
    p.wordResult = "标题 对\r\n";
    p.files = {{"SUB", pf::kAttrDirectory, ""},
               {"SUB/隐藏", pf::kAttrDirectory | pf::kAttrHidden, ""},
               {"SUB/隐藏/a.txt", pf::kAttrArchive | pf::kAttrReadOnly, std::string("only\0read", 9)},
               {"word5.docx", pf::kAttrArchive, std::string("PK\3\4\0\xff", 6)},
               {".hidden", pf::kAttrArchive | pf::kAttrHidden, "隐藏\n"},
               {"empty.txt", pf::kAttrArchive, ""}};
    p.note = "说明";
    return p;
}

// A zip made entry by entry, as a hostile station could make it.
struct RawEntry {
    std::string bytes;
    std::uint32_t mode = S_IFREG | 0644;
};
using RawZip = std::map<std::string, RawEntry>;

RawZip unzip(const std::string& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!zip) throw std::runtime_error("test zip does not open");
    RawZip entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, i, 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(zip, i, 0);
        zip_fread(f, data.data(), data.size());
        zip_fclose(f);
        entries[st.name] = {data};
    }
    zip_discard(zip);
    return entries;
}

std::string rezip(const RawZip& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto& [name, e] : entries) {
        zip_source_t* s = zip_source_buffer(zip, e.bytes.data(), e.bytes.size(), 0);
        const auto index = zip_file_add(zip, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        zip_file_set_external_attributes(zip, index, 0, ZIP_OPSYS_UNIX, e.mode << 16);
    }
    zip_close(zip);
    zip_stat_t st;
    zip_source_stat(buffer, &st);
    zip_source_open(buffer);
    std::string out(st.size, '\0');
    zip_source_read(buffer, out.data(), st.size);
    zip_source_close(buffer);
    zip_source_free(buffer);
    return out;
}

void replaceIn(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) throw std::runtime_error("test text has no " + from);
    text.replace(at, from.size(), to);
}

TEST(WorkPackTest, ReadsBackWhatWasWrittenAndOpensAsAnOrdinaryZip) {
    const WorkPack pack = samplePack();
    const std::string bytes = kav::pack::writePack(pack);
    EXPECT_EQ(kav::pack::readPack(bytes), pack);

    // A teacher's zip tool sees the folder under files/ and the texts as they are.
    const RawZip entries = unzip(bytes);
    EXPECT_EQ(entries.at("files/SUB/隐藏/a.txt").bytes, std::string("only\0read", 9));
    EXPECT_EQ(entries.at("texts/typed.txt").bytes, pack.typedText);
    EXPECT_TRUE(entries.count("files/SUB/隐藏/"));
    const std::string& manifest = entries.at("manifest.xml").bytes;
    EXPECT_NE(manifest.find("admission=\"110199990001\""), std::string::npos);
    EXPECT_NE(manifest.find(kav::pack::sha256Hex("隐藏\n")), std::string::npos);
    EXPECT_EQ(kav::pack::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    // A manifest-only pack (the folder was not packed) keeps its note.
    WorkPack bare;
    bare.admission = "110199990002";
    bare.note = "考生文件夹超过 20 MB，未打包";
    EXPECT_EQ(kav::pack::readPack(kav::pack::writePack(bare)), bare);
}

TEST(WorkPackTest, WriterRefusesPathsAndSizesItCannotPack) {
    const std::vector<std::pair<std::string, std::function<void(WorkPack&)>>> cases = {
        {"climbing path", [](WorkPack& p) { p.files.push_back({"../x", pf::kAttrArchive, "x"}); }},
        {"absolute path", [](WorkPack& p) { p.files.push_back({"/etc/x", pf::kAttrArchive, "x"}); }},
        {"empty part", [](WorkPack& p) { p.files.push_back({"a//b", pf::kAttrArchive, "x"}); }},
        {"backslash", [](WorkPack& p) { p.files.push_back({"a\\b", pf::kAttrArchive, "x"}); }},
        {"twice", [](WorkPack& p) { p.files.push_back(p.files.back()); }},
        {"over the bound",
         [](WorkPack& p) { p.files.push_back({"big", pf::kAttrArchive, std::string(kav::pack::kMaxPackedBytes, 'x')}); }},
    };
    for (const auto& [name, change] : cases) {
        WorkPack pack = samplePack();
        change(pack);
        EXPECT_THROW(kav::pack::writePack(pack), PackError) << name;
    }
}

TEST(WorkPackTest, ReaderRefusesWhatTheManifestDoesNotAccountFor) {
    const std::string good = kav::pack::writePack(samplePack());
    const std::string digest = kav::pack::sha256Hex("隐藏\n");
    const std::vector<std::pair<std::string, std::function<void(RawZip&)>>> cases = {
        {"entry not listed", [](RawZip& z) { z["files/extra.txt"] = {"x"}; }},
        {"listed entry missing", [](RawZip& z) { z.erase("files/word5.docx"); }},
        {"bytes changed", [](RawZip& z) { z["files/.hidden"].bytes = "隐藏!"; }},
        {"digest changed", [&](RawZip& z) { replaceIn(z["manifest.xml"].bytes, digest, std::string(64, '0')); }},
        {"size claims less",
         [](RawZip& z) { replaceIn(z["manifest.xml"].bytes, "path=\".hidden\" attributes=\"34\" size=\"7\"",
                                   "path=\".hidden\" attributes=\"34\" size=\"6\""); }},
        {"link", [](RawZip& z) { z["files/empty.txt"] = {"/etc/shadow", S_IFLNK | 0777}; }},
        {"climbing path",
         [](RawZip& z) {
             replaceIn(z["manifest.xml"].bytes, "path=\"empty.txt\"", "path=\"../empty.txt\"");
             z["files/../empty.txt"] = z["files/empty.txt"];
             z.erase("files/empty.txt");
         }},
        {"file under a file",
         [](RawZip& z) {
             replaceIn(z["manifest.xml"].bytes, "path=\"empty.txt\"", "path=\".hidden/empty.txt\"");
             z["files/.hidden/empty.txt"] = z["files/empty.txt"];
             z.erase("files/empty.txt");
         }},
        {"unknown format", [](RawZip& z) { replaceIn(z["manifest.xml"].bytes, "format=\"1\"", "format=\"2\""); }},
        {"size over the bound",
         [](RawZip& z) { replaceIn(z["manifest.xml"].bytes, "size=\"0\"", "size=\"99999999999\""); }},
        {"no manifest", [](RawZip& z) { z.erase("manifest.xml"); }},
        {"manifest not xml", [](RawZip& z) { z["manifest.xml"].bytes = "<pack format=\"1\">"; }},
        {"not a zip", [](RawZip& z) { z.clear(); }},
    };
    for (const auto& [name, change] : cases) {
        RawZip entries = unzip(good);
        change(entries);
        const std::string bytes = entries.empty() ? std::string("PK\5\6 not a zip") : rezip(entries);
        EXPECT_THROW(kav::pack::readPack(bytes), PackError) << name;
    }
    // The same entries made again by another zip writer are read.
    EXPECT_EQ(kav::pack::readPack(rezip(unzip(good))), samplePack());
}

}  // namespace
