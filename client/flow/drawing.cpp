#include "client/flow/drawing.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "client/flow/client.h"
#include "client/flow/work_packing.h"
#include "common/core/ascii.h"
#include "common/core/tokens.h"
#include "common/db/columns.h"
#include "common/station/poll.h"
#include "common/station/report.h"

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

void SaveExamRecord(Client& client, kav::station::StationPoll* poll) {
    DataModule& data = client.data();
    // A lab server that is briefly away is waited for: the report is never lost.
    // The wait runs off the window's thread; the windows stay painted, and the
    // hand-in or collection goes on only once the report is stored.
    // The work is read here, after grading, and packed and stored off this
    // thread once the scores are stored.
    auto report = kav::station::readExamReport(data.ADOTable_student(), data.ADOTable_ct());
    report.pack = [work = collectWork(client, report)] { return packWork(work); };
    kav::station::writeExamReportOffThread(
        kav::station::reportAccess(poll, data.teacherConnection()), report,
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); },
        [&client](const std::function<bool()>& done) { client.desktop().waitUntil(done); });
}

}  // namespace kavlor
