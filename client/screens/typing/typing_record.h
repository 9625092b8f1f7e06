#pragma once
// What the typing screen reads from and writes to the database: the candidate's
// student row (name, login count, typing score) and exam record (the drawn
// typing file, the typing state). The engine works through this small interface
// so that it can be tested without a database.
#include <memory>
#include <string>

namespace kav::db {
class Connection;
class Cursor;
}

namespace kav::typing {

struct TypingCandidate {
    std::string ksxm;        // candidate name
    int havelogined = 0;     // logins so far (1 first login, more a later one)
    std::string filenameDz;  // the drawn typing text file, in the txt folder
    std::string dzResult;    // the typing state saved before ("" when none)
};

// Writes dz_result of the exam record away from the window's thread. It is
// made on the window's thread, then used by one other thread only (the
// typed-file store's writer), one call at a time; it shares no connection or
// cursor with the record that made it.
class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    virtual void storeResult(const std::string& dzResult) = 0;
};

class TypingRecord {
public:
    virtual ~TypingRecord() = default;
    virtual TypingCandidate load() = 0;
    // Writes dz_result of the exam record / dz_cj of the student row and posts it.
    virtual void storeResult(const std::string& dzResult) = 0;
    virtual void storeScore(int dzCj) = 0;
    // The writer of dz_result for the periodic store.
    virtual std::unique_ptr<ResultWriter> resultWriter() = 0;
};

// The record on the client's whole-table cursors of `student` and `ct`: the
// candidate's rows are found by exact comparison of zkzh (first match), again
// before every write, because other screens move the same cursors. Errors are
// kav::db::DbError with the engine's text (or naming the missing row).
//
// Its result writer opens a connection of its own to the cursors' database
// file (`stu` is their connection), at its first write, and posts only
// dz_result of the candidate's first ct row. The whole-table cursor of `ct`
// does not see that write until it is read again; its later posts write only
// the columns they change, so they never put an older dz_result back.
class CursorTypingRecord : public TypingRecord {
public:
    CursorTypingRecord(db::Connection& stu, db::Cursor& student, db::Cursor& ct, std::string zkzh);
    TypingCandidate load() override;
    void storeResult(const std::string& dzResult) override;
    void storeScore(int dzCj) override;
    std::unique_ptr<ResultWriter> resultWriter() override;

private:
    std::string dataSource_;
    db::Cursor& student_;
    db::Cursor& ct_;
    std::string zkzh_;
};

}  // namespace kav::typing
