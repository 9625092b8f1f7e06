// kavtool archive TEACHERDB OUT.zip: what a school keeps of one exam, in one
// file: the printed score sheet (scores.pdf), the spreadsheet (scores.xlsx),
// every candidate's work pack (packs/<admission number>.zip) and a manifest
// (manifest.txt, UTF-8) naming each entry with its size and SHA-256 digest.
// OUT is written under a temporary name beside it and renamed into place.
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <list>
#include <sstream>

#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/pack/work_pack.h"
#include "common/scores/export_writers.h"
#include "tools/kavtool/command.h"
#include "tools/kavtool/score_files.h"

namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return bytes.str();
}

// The archive's entries in order, each kept in memory until the zip is closed.
class ArchiveWriter {
public:
    explicit ArchiveWriter(const fs::path& file) {
        int error = 0;
        zip_ = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            std::string text = zip_error_strerror(&e);
            zip_error_fini(&e);
            throw std::runtime_error("cannot create " + file.string() + ": " + text);
        }
    }
    ~ArchiveWriter() {
        if (zip_) zip_discard(zip_);
    }
    void add(const std::string& name, std::string bytes) {
        manifest_ += name + "\t" + std::to_string(bytes.size()) + "\t" + kav::pack::sha256Hex(bytes) + "\n";
        kept_.push_back(std::move(bytes));
        zip_source_t* source = zip_source_buffer(zip_, kept_.back().data(), kept_.back().size(), 0);
        if (!source || zip_file_add(zip_, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source) zip_source_free(source);
            throw std::runtime_error("cannot add " + name + ": " + zip_strerror(zip_));
        }
    }
    void close(const std::string& manifestHead) {
        add("manifest.txt", manifestHead + "entry\tbytes\tsha256\n" + manifest_);
        if (zip_close(zip_) < 0) throw std::runtime_error(std::string("cannot write the archive: ") + zip_strerror(zip_));
        zip_ = nullptr;
    }

private:
    zip_t* zip_ = nullptr;
    std::string manifest_;
    std::list<std::string> kept_;  // stable addresses for the buffer sources
};

int archive(const kavtool::Args& args) {
    if (args.size() != 2) throw kavtool::UsageError("expects TEACHERDB and OUT.zip");
    const fs::path teacherDb = args[0], out = args[1];
    if (!fs::exists(teacherDb)) throw std::runtime_error(teacherDb.string() + " does not exist");

    const auto rows = kavtool::scoreRows(teacherDb);
    const fs::path work = fs::temp_directory_path() / ("kavtool-archive-" + std::to_string(::getpid()));
    fs::create_directories(work);
    struct Cleanup {
        fs::path folder;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(folder, ec);
        }
    } cleanup{work};
    kavtool::writeSheetPdf(teacherDb, rows, work / "scores.pdf");
    mendrix::scores::writeScoresXlsx(rows, work / "scores.xlsx");

    const fs::path partial = out.string() + ".partial";
    int packs = 0;
    {
        ArchiveWriter zip(partial);
        zip.add("scores.pdf", readWhole(work / "scores.pdf"));
        zip.add("scores.xlsx", readWhole(work / "scores.xlsx"));
        auto teacher = kav::db::connectTeacherAsOwner(teacherDb);
        for (const std::string& admission : kav::pack::packAdmissions(*teacher)) {
            auto bytes = kav::pack::loadPack(*teacher, admission);
            if (!bytes) continue;
            zip.add("packs/" + admission + ".zip", std::move(*bytes));
            ++packs;
        }
        zip.close("exam archive\nteacher database\t" + fs::absolute(teacherDb).string() + "\nwritten\t" +
                  kav::DateTime::nowLocal().toIso() + "\ncandidates\t" + std::to_string(rows.size()) +
                  "\npacks\t" + std::to_string(packs) + "\n\n");
    }
    fs::rename(partial, out);
    std::fprintf(stderr, "%zu score rows, %d packs written to %s\n", rows.size(), packs, out.string().c_str());
    return 0;
}

KAVTOOL_COMMAND({"archive", "archive TEACHERDB OUT.zip",
                 "one file to keep: the printed sheet (PDF), the spreadsheet, every work pack and a manifest",
                 archive});

}  // namespace
