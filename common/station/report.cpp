#include "common/station/report.h"

#include "common/pack/pack_store.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <thread>

namespace kav::station {

ExamReport readExamReport(db::Cursor& student, db::Cursor& ct) {
    auto orSpace = [](std::string s) { return s.empty() ? std::string(" ") : s; };
    ExamReport r;
    r.zkzh = student.field("zkzh").asString();
    r.ksxm = student.field("ksxm").asString();
    r.kstime = student.field("kstime").asDateTime();
    r.kscj = student.field("kscj").asInteger();
    r.winCj = student.field("win_cj").asInteger();
    r.dzCj = student.field("dz_cj").asInteger();
    r.selectCj = student.field("select_cj").asInteger();
    r.wordCj = student.field("word_cj").asInteger();
    r.winno = ct.field("winno").asInteger();
    r.wordno = ct.field("wordno").asInteger();
    r.winCondiction = ct.field("win_condiction").asString();
    r.selArr1 = ct.field("sel_arr1").asString();
    r.selArr2 = ct.field("sel_arr2").asString();
    r.selArr3 = orSpace(ct.field("sel_arr3").asString());
    r.filenameDz = ct.field("filename_dz").asString();
    r.filenameWord = ct.field("filename_word").asString();
    r.dzResult = orSpace(ct.field("dz_result").asString());
    r.wordResult = orSpace(ct.field("word_result").asString());
    r.resttime = ct.field("resttime").asString();
    return r;
}

namespace {
// The candidate's first row, ready to be written: edited when there is one, appended otherwise.
std::unique_ptr<db::Cursor> candidateRow(db::Connection& teacher, std::string_view table, const std::string& zkzh) {
    auto cursor = teacher.openKeyed(table, "zkzh", zkzh);
    if (cursor->recordCount() > 0) cursor->edit();
    else cursor->append();
    return cursor;
}

void writeReportRows(db::Connection& teacher, const ExamReport& r) {
    auto score = candidateRow(teacher, "score", r.zkzh);
    score->field("zkzh").setString(r.zkzh);
    score->field("ksxm").setString(r.ksxm);
    score->field("kstime").setDateTime(r.kstime);
    score->field("kscj").setInteger(r.kscj);
    score->field("win_cj").setInteger(r.winCj);
    score->field("select_cj").setInteger(r.selectCj);
    score->field("dz_cj").setInteger(r.dzCj);
    score->field("word_cj").setInteger(r.wordCj);
    score->post();

    auto condition = candidateRow(teacher, "condition", r.zkzh);
    condition->field("zkzh").setString(r.zkzh);
    condition->field("ksxm").setString(r.ksxm);
    condition->field("kstime").setDateTime(r.kstime);
    condition->field("winno").setInteger(r.winno);
    condition->field("wordno").setInteger(r.wordno);
    condition->field("win_condiction").setString(r.winCondiction);
    condition->field("sel_arr1").setString(r.selArr1);
    condition->field("sel_arr2").setString(r.selArr2);
    condition->field("sel_arr3").setString(r.selArr3);
    condition->field("filename_dz").setString(r.filenameDz);
    condition->field("filename_word").setString(r.filenameWord);
    condition->field("dz_result").setString(r.dzResult);
    condition->field("word_result").setString(r.wordResult);
    condition->field("resttime").setString(r.resttime);
    condition->post();
}
}  // namespace

void writeExamReport(db::Connection& teacher, const ExamReport& r) {
    // Both rows or neither: a station stopped between them must not leave a
    // score without its exam record. A station holds no right on a server's
    // tables: the server's function writes both rows in one statement.
    if (teacher.onServer()) {
        teacher.callServerFunction(
            "kav_report", {r.zkzh, r.ksxm, r.kstime, r.kscj, r.winCj, r.selectCj, r.dzCj, r.wordCj, r.winno,
                           r.wordno, r.winCondiction, r.selArr1, r.selArr2, r.selArr3, r.filenameDz, r.filenameWord,
                           r.dzResult, r.wordResult, r.resttime});
        return;
    }
    teacher.transaction([&] { writeReportRows(teacher, r); });
}

namespace {
void storePackAfterReport(const TeacherAccess& teacher, const ExamReport& report, const std::function<void()>& wait,
                          const std::function<bool()>& stopped) {
    const std::string bytes = report.pack();
    if (bytes.empty()) return;
    std::string lastError;
    for (int refusals = 0, attempt = 1;; ++attempt) {
        try {
            teacher([&](db::Connection& connection) { pack::storePack(connection, report.zkzh, bytes); });
            if (report.packStored) report.packStored();
            return;
        } catch (const db::DbError& e) {
            const bool away = dynamic_cast<const db::DbUnavailable*>(&e) != nullptr;
            if (!away && ++refusals == kPackAttempts) {
                std::fprintf(stderr, "Kavlor: the work pack of %s is not stored, its scores are: %s\n",
                             report.zkzh.c_str(), e.what());
                return;
            }
            if (e.what() != lastError)
                std::fprintf(stderr, "Kavlor: the work pack of %s is not stored yet (attempt %d), trying again: %s\n",
                             report.zkzh.c_str(), attempt, e.what());
            lastError = e.what();
            if (stopped && stopped()) return;  // the exam ended: the scores are stored
            wait();
        }
    }
}
}  // namespace

int writeExamReportUntilStored(const TeacherAccess& teacher, const ExamReport& report,
                               const std::function<void()>& wait, const std::function<bool()>& stopped,
                               const std::function<void()>& scoresStored) {
    std::string lastError;
    int attempt = 1;
    for (;; ++attempt) {
        try {
            teacher([&](db::Connection& connection) { writeExamReport(connection, report); });
            break;
        } catch (const db::DbError& e) {
            // The candidate is shown nothing new; the lab's administrator
            // finds the engine's text in the log, once for each new text.
            if (e.what() != lastError)
                std::fprintf(stderr, "Kavlor: the report of %s is not stored yet (attempt %d), trying again: %s\n",
                             report.zkzh.c_str(), attempt, e.what());
            lastError = e.what();
            if (stopped && stopped()) return 0;
            wait();
            if (stopped && stopped()) return 0;
        }
    }
    if (scoresStored) scoresStored();
    if (report.pack) storePackAfterReport(teacher, report, wait, stopped);
    return attempt;
}

int writeExamReportUntilStored(db::Connection& teacher, const ExamReport& report, const std::function<void()>& wait) {
    return writeExamReportUntilStored([&](const auto& work) { work(teacher); }, report, wait);
}

int writeExamReportOffThread(const TeacherAccess& teacher, const ExamReport& report,
                             const std::function<void()>& wait, const WaitUntil& waitUntil,
                             const std::function<bool()>& giveUp) {
    std::atomic<bool> done{false}, stop{false};
    std::exception_ptr error;
    int attempts = 0;
    std::thread worker([&] {
        try {
            attempts = writeExamReportUntilStored(teacher, report, wait, [&] { return stop.load(); });
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
    });
    try {
        waitUntil([&] {
            if (!stop && giveUp && giveUp()) stop = true;
            return done.load();
        });
    } catch (...) {
        stop = true;
        worker.join();  // the worker ends after its attempt under way; the connection is then free
        throw;
    }
    worker.join();
    if (error) std::rethrow_exception(error);
    return attempts;
}

int writeExamReportOffThread(db::Connection& teacher, const ExamReport& report, const std::function<void()>& wait,
                             const WaitUntil& waitUntil, const std::function<bool()>& giveUp) {
    return writeExamReportOffThread([&](const auto& work) { work(teacher); }, report, wait, waitUntil, giveUp);
}

}  // namespace kav::station
