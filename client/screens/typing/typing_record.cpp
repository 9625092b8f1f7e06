#include "client/screens/typing/typing_record.h"

#include "common/db/database.h"

namespace kav::typing {
namespace {

void goToCandidate(db::Cursor& table, const std::string& zkzh) {
    if (!table.locate("zkzh", db::Value(zkzh)))
        throw db::DbError("表" + table.definition().name + "中找不到准考证号为" + zkzh + "的记录");
}

// Edits one column of the current row and posts it; a failed post leaves the
// cursor browsing, not half edited.
void postColumn(db::Cursor& table, const char* column, db::Value value) {
    table.edit();
    try {
        table.field(column).setValue(std::move(value));
        table.post();
    } catch (...) {
        if (table.state() == db::Cursor::State::Edit) table.cancel();
        throw;
    }
}

}  // namespace

CursorTypingRecord::CursorTypingRecord(db::Cursor& student, db::Cursor& ct, std::string zkzh)
    : student_(student), ct_(ct), zkzh_(std::move(zkzh)) {}

TypingCandidate CursorTypingRecord::load() {
    TypingCandidate c;
    goToCandidate(student_, zkzh_);
    c.ksxm = student_.field("ksxm").asString();
    c.havelogined = static_cast<int>(student_.field("havelogined").asInteger());
    goToCandidate(ct_, zkzh_);
    c.filenameDz = ct_.field("filename_dz").asString();
    c.dzResult = ct_.field("dz_result").asString();
    return c;
}

void CursorTypingRecord::storeResult(const std::string& dzResult) {
    goToCandidate(ct_, zkzh_);
    postColumn(ct_, "dz_result", db::Value(dzResult));
}

void CursorTypingRecord::storeScore(int dzCj) {
    goToCandidate(student_, zkzh_);
    postColumn(student_, "dz_cj", db::Value(static_cast<std::int64_t>(dzCj)));
}

}  // namespace kav::typing
