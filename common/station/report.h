#pragma once
// The report of a candidate's exam to the teacher tables: the scores of the
// candidate's `student` row into `score`, the exam record (`ct` row) into
// `condition`. Hand-in and forced collection send it; so do simulated stations.
#include <cstdint>
#include <functional>
#include <string>

#include "common/core/datetime.h"
#include "common/db/database.h"

namespace kav::station {

struct ExamReport {
    // From the candidate's student row.
    std::string zkzh, ksxm;
    DateTime kstime;
    std::int64_t kscj = 0, winCj = 0, selectCj = 0, dzCj = 0, wordCj = 0;
    // From the candidate's ct row; an empty sel_arr3, dz_result or word_result
    // is reported as a single space.
    std::int64_t winno = 0, wordno = 0;
    std::string winCondiction, selArr1, selArr2, selArr3, filenameDz, filenameWord, dzResult, wordResult, resttime;
    // Gives the candidate's work packed (kav::pack::writePack). It is called
    // once the scores are stored, on the thread that stores them, so that
    // packing never delays the scores; none, or an empty pack, stores nothing.
    std::function<std::string()> pack;
    // Called on that thread once the pack is stored.
    std::function<void()> packStored;
};

// Reads the report from the current rows of open student and ct cursors.
ExamReport readExamReport(db::Cursor& student, db::Cursor& ct);

// Writes the candidate's score and condition rows: each is updated when the
// candidate has one (the first in table order) and appended otherwise, so a
// report sent again never adds a second row. Reads only the candidate's rows,
// so its cost does not grow with the rows of other candidates. Both rows are
// stored in one transaction, or neither; DbError with the engine's text when
// it fails.
void writeExamReport(db::Connection& teacher, const ExamReport& report);

// Writes the report until it is stored: after any error of the database (the
// server away, a session made read-only, a refused write, a full disk) it logs
// the engine's text, calls wait and tries again; the connection itself spaces
// out its attempts to reconnect, and a server connection that met an error it
// did not expect starts a new session for the next attempt. The report is
// idempotent: every attempt finds the candidate's rows afresh, so a post whose
// outcome was lost with the connection is updated, never appended a second
// time. Returns the number of attempts.
//
// The pack goes after the scores, which it never delays: it is tried again
// after each wait while the server cannot be reached, and given up after
// kPackAttempts other errors (a refusal, a full share), logged with the
// engine's text; the scores stay stored either way.
int writeExamReportUntilStored(db::Connection& teacher, const ExamReport& report, const std::function<void()>& wait);
inline constexpr int kPackAttempts = 5;

// Runs work on a teacher connection, chosen afresh for each attempt (a
// station's report borrows its poll's connection when the poll is idle, so
// that a server that comes back meets one session per station, not two).
using TeacherAccess = std::function<void(const std::function<void(db::Connection&)>& work)>;
// `stopped`, asked after each failed attempt, ends the tries: 0 is returned then.
// `scoresStored` is called once the scores are stored, before the pack goes.
int writeExamReportUntilStored(const TeacherAccess& teacher, const ExamReport& report,
                               const std::function<void()>& wait, const std::function<bool()>& stopped = {},
                               const std::function<void()>& scoresStored = {});

// A program's way to wait without blocking its windows: returns once done()
// is true, keeping the windows painted meanwhile.
using WaitUntil = std::function<void(const std::function<bool()>& done)>;

// writeExamReportUntilStored on a worker thread, so that the caller's thread
// (a window's) is not blocked while the server is away: the caller waits
// through waitUntil and returns only once the report is stored, or throws the
// worker's error. Nothing else may use the connection until it returns.
// giveUp, asked on the caller's thread while it waits, ends the tries once it
// returns true (the teacher ended the exam): the attempt under way is let end,
// and 0 is returned when it did not store the report. An error thrown while
// waiting ends the tries the same way before it is thrown on.
int writeExamReportOffThread(const TeacherAccess& teacher, const ExamReport& report,
                             const std::function<void()>& wait, const WaitUntil& waitUntil,
                             const std::function<bool()>& giveUp = {});
int writeExamReportOffThread(db::Connection& teacher, const ExamReport& report, const std::function<void()>& wait,
                             const WaitUntil& waitUntil, const std::function<bool()>& giveUp = {});

}  // namespace kav::station
