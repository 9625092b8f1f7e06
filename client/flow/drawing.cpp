#include "client/flow/drawing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "client/flow/client.h"
#include "client/flow/work_packing.h"
#include "common/core/ascii.h"
#include "common/core/tokens.h"
#include "common/db/columns.h"
#include "common/station/poll.h"
#include "common/station/report.h"
#include "common/station/unsent_reports.h"

namespace kavlor {

namespace fs = std::filesystem;
namespace db = kav::db;
namespace col = kav::db::col;
using kav::ui::MessageKind;

void DrawingProgress::stepIt(int steps) { position_ = std::min(100, position_ + 15 * steps); }

Drawing::Drawing(db::Cursor& win, db::Cursor& word, db::Cursor& selecttest, kav::ui::Dialogs& dialogs,
                 std::mt19937_64& random)
    : win_(win), word_(word), selecttest_(selecttest), dialogs_(dialogs), random_(random) {}

int Drawing::drawFrom0To(int n) { return std::uniform_int_distribution<int>(0, n)(random_); }

int Drawing::DrawWinQuestion() {
    const int n = win_.recordCount();
    if (n == 0) {
        dialogs_.message(MessageKind::Warning, "题库中无题，抽题失败！！！");
        return 0;
    }
    int k = 0;
    while (k == 0) k = drawFrom0To(n);
    return k;
}

std::pair<int, std::string> Drawing::DrawWordQuestion() {
    const int n = word_.recordCount();
    if (n == 0) {
        dialogs_.message(MessageKind::Warning, "题库中无题，抽题失败！！！");
        return {0, ""};
    }
    int k = 0;
    while (k == 0) k = drawFrom0To(n);
    gotoPosition(word_, k);
    return {k, word_.field("filename_word").asString()};
}

std::string Drawing::DrawTypingFile(const fs::path& workingFolder) {
    int count = 0;
    std::error_code ec;
    for (fs::directory_iterator it(workingFolder / "txt", ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec)) continue;
        if (it->path().filename().string().starts_with(".")) continue;
        ++count;
    }
    const int n = count == 0 ? 0 : drawFrom0To(count - 1);
    return "txt" + std::to_string(n) + ".txt";
}

bool Drawing::DrawChoiceQuestions(ChoiceDraw& out) {
    const int n = selecttest_.recordCount();
    if (n < 30) {
        dialogs_.message(MessageKind::Warning, "题库中题量不够，抽题失败！！！");
        return false;
    }
    out = {};
    for (int i = 0; i < 30; ++i) {
        int k = 0;
        while (k == 0 || std::find(out.positions.begin(), out.positions.end(), k) != out.positions.end())
            k = drawFrom0To(n);
        out.positions.push_back(k);
        gotoPosition(selecttest_, k);
        out.answers.push_back(kav::lowerAscii(selecttest_.field(col::selecttest_correct_sel).asString()));
    }
    return true;
}

void createExamRecord(Client& client) {
    DataModule& data = client.data();
    DrawingProgress& progress = *client.progress();
    Drawing drawing(data.ADOTable_win(), data.ADOTable_word(), data.ADOTable_selecttest(), client.dialogs(),
                    client.random());
    auto step = [&](int n) {
        progress.stepIt(n);
        client.notify();
    };

    const int winno = drawing.DrawWinQuestion();
    const auto [wordno, filenameWord] = drawing.DrawWordQuestion();
    step(1);
    const std::string filenameDz = drawing.DrawTypingFile(client.workingFolder());
    step(3);
    ChoiceDraw choice;
    if (!drawing.DrawChoiceQuestions(choice)) {
        client.dialogs().message(MessageKind::Warning, "抽题失败将退出系统！！！");
        client.exitFlag = true;
        client.ExitClient();
    }
    step(2);
    std::vector<std::string> positions;
    for (int p : choice.positions) positions.push_back(std::to_string(p));
    const std::string selArr1 = kav::joinTokens(positions), selArr2 = kav::joinTokens(choice.answers);
    step(1);

    db::Cursor& ct = data.ADOTable_ct();
    ct.append();
    ct.field("zkzh").setString(client.zkzh);
    ct.field("ksxm").setString(client.ksxm);
    ct.field("kstime").setDateTime(client.clock().nowLocal());
    ct.field("winno").setInteger(winno);
    ct.field("sel_arr1").setString(selArr1);
    ct.field("sel_arr2").setString(selArr2);
    step(1);
    ct.field("filename_dz").setString(filenameDz);
    ct.field("filename_word").setString(filenameWord);
    ct.field("wordno").setInteger(wordno);
    ct.field("resttime").setString(client.startupState().resttime);
    ct.post();
    step(1);
    client.closeProgress();
}

bool SaveExamRecord(Client& client, kav::station::StationPoll* poll, const std::function<bool()>& endedMeanwhile) {
    DataModule& data = client.data();
    auto report = kav::station::readExamReport(data.ADOTable_student(), data.ADOTable_ct());
    const kav::station::UnsentReports unsent = client.unsentReports();
    try {
        unsent.keep(report);
    } catch (const std::exception& e) {
        // The report is still sent; only a report the end cuts off is lost.
        std::fprintf(stderr, "Kavlor: the report of %s cannot be kept until it is stored: %s\n", report.zkzh.c_str(),
                     e.what());
    }
    // The wait runs off the window's thread; the windows stay painted, and the
    // hand-in or collection goes on once the report is stored or the exam ended.
    // The work is read here, after grading, and packed and stored off this
    // thread once the scores are stored.
    auto packed = std::make_shared<std::string>();
    auto packStored = std::make_shared<std::atomic<bool>>(false);
    report.pack = [work = collectWork(client, report), packed] { return *packed = packWork(work); };
    report.packStored = [packStored] { *packStored = true; };
    const int attempts = kav::station::writeExamReportOffThread(
        kav::station::reportAccess(poll, data.teacherConnection()), report,
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); },
        [&client](const std::function<bool()>& done) { client.desktop().waitUntil(done); }, endedMeanwhile);
    // A pack the end of the exam cut off (or the teacher tables refused) is
    // kept for the next start; one stored replaces any kept from before.
    if (*packStored) {
        unsent.forgetPack(report.zkzh);
    } else {
        try {
            const std::string pack = packed->empty() ? report.pack() : *packed;
            if (!pack.empty()) unsent.keepPack(report.zkzh, pack);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Kavlor: the work pack of %s cannot be kept for the next start: %s\n",
                         report.zkzh.c_str(), e.what());
        }
    }
    if (attempts == 0) {
        std::fprintf(stderr, "Kavlor: the exam ended before the report of %s was stored; it is kept in %s and sent "
                             "at the next start\n",
                     report.zkzh.c_str(), unsent.fileOf(report.zkzh).string().c_str());
        return false;
    }
    unsent.forget(report.zkzh);
    return true;
}

}  // namespace kavlor
