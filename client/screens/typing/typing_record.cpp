#include "client/screens/typing/typing_record.h"

#include "common/db/database.h"
#include "common/db/tables.h"

namespace kav::typing {
namespace {

db::DbError missingCandidate(const std::string& table, const std::string& zkzh) {
    return db::DbError("表" + table + "中找不到准考证号为" + zkzh + "的记录");
}

void goToCandidate(db::Cursor& table, const std::string& zkzh) {
    if (!table.locate("zkzh", db::Value(zkzh))) throw missingCandidate(table.definition().name, zkzh);
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

// dz_result through a connection of its own, made on the thread that writes.
class ConnectionResultWriter : public ResultWriter {
public:
    ConnectionResultWriter(std::string dataSource, std::string zkzh)
        : dataSource_(std::move(dataSource)), zkzh_(std::move(zkzh)) {}

    void storeResult(const std::string& dzResult) override {
        if (!ct_) {  // connected at the first write; a failed one connects again at the next
            auto connection = db::connectFile(dataSource_, {});
            ct_ = connection->openKeyed("ct", "zkzh", db::Value(zkzh_));
            connection_ = std::move(connection);
        } else {
            ct_->requery();  // the row as it is now: another program may have removed it
        }
        if (ct_->recordCount() == 0) throw missingCandidate("ct", zkzh_);
        postColumn(*ct_, "dz_result", db::Value(dzResult));
    }

private:
    std::string dataSource_, zkzh_;
    std::unique_ptr<db::Connection> connection_;
    std::unique_ptr<db::Cursor> ct_;
};

}  // namespace

CursorTypingRecord::CursorTypingRecord(db::Connection& stu, db::Cursor& student, db::Cursor& ct, std::string zkzh)
    : dataSource_(stu.dataSource()), student_(student), ct_(ct), zkzh_(std::move(zkzh)) {}

std::unique_ptr<ResultWriter> CursorTypingRecord::resultWriter() {
    return std::make_unique<ConnectionResultWriter>(dataSource_, zkzh_);
}

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
