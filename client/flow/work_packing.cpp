#include "client/flow/work_packing.h"

#include <unistd.h>

#include <cstdio>

#include "client/flow/client.h"
#include "common/core/candidate.h"
#include "common/core/tokens.h"
#include "common/db/columns.h"
#include "common/db/tables.h"
#include "common/pack/candidate_folder.h"
#include "common/platform/platform.h"
#include "common/text/typing_file.h"

namespace kavlor {

namespace db = kav::db;
namespace pack = kav::pack;
namespace col = kav::db::col;

namespace {

std::string hostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

// The lines of a typing file as UTF-8 text, each ended by CR LF; "" when
// there is no such file. A file that cannot be read is named in the note.
std::string typingText(const std::filesystem::path& file, kav::text::TypingFileKind kind, std::string& note) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return "";
    try {
        std::string text;
        for (const auto& line : kav::text::readTypingFile(file, kind))
            text += kav::text::gbkToUtf8(line, kav::text::OnInvalid::Replace) + "\r\n";
        return text;
    } catch (const std::exception& e) {
        note += (note.empty() ? "" : "；") + std::string("无法读取") + file.filename().string() + "（" + e.what() + "）";
        return "";
    }
}

std::string bankText(db::Cursor& bank, std::int64_t position, int column) {
    return position > 0 && db::gotoPosition(bank, static_cast<int>(position)) ? bank.field(column).asString() : "";
}

}  // namespace

pack::WorkPack collectWork(Client& client, const kav::station::ExamReport& report) {
    DataModule& data = client.data();
    pack::WorkPack work;
    work.admission = report.zkzh;
    work.name = report.ksxm;
    work.station = hostName();
    work.clientVersion = KAV_CLIENT_VERSION;
    work.examStart = report.kstime;
    work.packedAt = client.clock().nowLocal();
    work.wintaskNumber = report.winno;
    work.wordNumber = report.wordno;
    work.wordDocument = report.filenameWord;
    work.typingFile = report.filenameDz;
    work.wintaskAnswerText = bankText(data.ADOTable_win(), report.winno, col::win_answer);
    work.wordAnswerText = bankText(data.ADOTable_word(), report.wordno, data.ADOTable_word().field("answer").index());
    work.scores = {report.selectCj, report.dzCj, report.winCj, report.wordCj, report.kscj};
    work.wintaskResult = report.winCondiction;
    work.typingResult = report.dzResult;
    work.wordResult = report.wordResult;

    const std::string folderName = kav::candidateFolderName(report.zkzh);
    work.typedText = typingText(kav::platform::resolve("c:\\kavtmp") / folderName, kav::text::TypingFileKind::Typed,
                                work.note);
    work.typingSourceText =
        typingText(client.workingFolder() / "txt" / report.filenameDz, kav::text::TypingFileKind::Model, work.note);

    db::Cursor& selecttest = data.ADOTable_selecttest();
    const auto positions = kav::splitStoredList(report.selArr1), keys = kav::splitStoredList(report.selArr2),
               answers = kav::splitStoredList(report.selArr3);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        pack::PackedChoice choice;
        choice.position = std::atoi(std::string(positions[i]).c_str());
        choice.key = i < keys.size() ? std::string(keys[i]) : "";
        choice.answer = i < answers.size() ? std::string(answers[i]) : "*";
        if (choice.position > 0 && db::gotoPosition(selecttest, choice.position)) {
            choice.stem = selecttest.field("select_question").asString();
            int o = 0;
            for (const char* column : {"sel_a", "sel_b", "sel_c", "sel_d"})
                choice.options[o++] = selecttest.field(column).asString();
        }
        work.choices.push_back(std::move(choice));
    }

    auto folder = pack::readCandidateFolder(
        kav::platform::resolve(std::string(kav::platform::kCandidatesRoot) + "\\" + folderName));
    work.files = std::move(folder.files);
    if (!folder.note.empty()) {
        work.note += (work.note.empty() ? "" : "；") + folder.note;
        std::fprintf(stderr, "Kavlor: the work of %s is packed in part: %s\n", report.zkzh.c_str(), folder.note.c_str());
    }
    return work;
}

std::string packWork(const pack::WorkPack& work) {
    try {
        return pack::writePack(work);
    } catch (const pack::PackError& e) {
        std::fprintf(stderr, "Kavlor: the work of %s cannot be packed: %s\n", work.admission.c_str(), e.what());
        pack::WorkPack bare = work;
        bare.files.clear();
        bare.typedText.clear();
        bare.typingSourceText.clear();
        bare.note = e.what();
        try {
            return pack::writePack(bare);
        } catch (const pack::PackError&) {
            return "";  // nothing to store; the scores go all the same
        }
    }
}

}  // namespace kavlor
