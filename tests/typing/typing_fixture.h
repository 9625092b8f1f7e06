#pragma once
// A candidate's typing setup for the engine and window tests: a working folder
// with a typing text file, a scratch folder, a recorded database row.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/screens/typing/typing_engine.h"
#include "common/text/typing_file.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace kav::typing::test {

// The candidate's rows as the database would hold them; writes are recorded,
// those of the periodic store from the store's writer thread (read them after
// TypingEngine::waitForStores()).
struct FakeRecord : TypingRecord {
    TypingCandidate row{"张三", 1, "txt0.txt", ""};
    std::vector<std::string> results;  // every dz_result stored
    std::vector<int> scores;           // every dz_cj stored
    bool failWrites = false;
    std::function<void()> beforeBackgroundWrite;  // runs on the writer thread

    std::unique_ptr<ResultWriter> resultWriter() override;

    TypingCandidate load() override { return row; }
    void storeResult(const std::string& r) override {
        if (failWrites) throw std::runtime_error("数据库写入失败");
        results.push_back(r);
        row.dzResult = r;
    }
    void storeScore(int s) override {
        if (failWrites) throw std::runtime_error("数据库写入失败");
        scores.push_back(s);
    }
};

struct FakeResultWriter : ResultWriter {
    explicit FakeResultWriter(FakeRecord& r) : record(r) {}
    void storeResult(const std::string& r) override {
        if (record.beforeBackgroundWrite) record.beforeBackgroundWrite();
        record.storeResult(r);
    }
    FakeRecord& record;
};

inline std::unique_ptr<ResultWriter> FakeRecord::resultWriter() { return std::make_unique<FakeResultWriter>(*this); }

// The n-th model line: 28 distinct Chinese characters (GBK bytes).
inline std::string modelLine(int n) {
    std::string s;
    for (int k = 0; k < 28; ++k) {
        s.push_back(static_cast<char>(0xB0 + (n * 3 + k / 14) % 0x40));
        s.push_back(static_cast<char>(0xA1 + (k * 5 + n) % 0x5E));
    }
    return s;
}

struct TypingSetup {
    kav::test::TempDir dir;
    kav::test::FakeClock clock;
    kav::test::FakeDialogs dialogs;
    FakeRecord record;

    TypingPlace place() const { return {"11010001", dir.path() / "prog", dir.path() / "kavtmp"}; }

    void writeModel(const std::vector<std::string>& lines) {
        std::filesystem::create_directories(dir.path() / "prog" / "txt");
        text::KeyDrawer keys(clock);
        text::writeTypingFile(dir.path() / "prog" / "txt" / "txt0.txt", lines, text::TypingFileKind::Model, keys);
    }
    void writeModel(int lineCount) {
        std::vector<std::string> lines;
        for (int i = 1; i <= lineCount; ++i) lines.push_back(modelLine(i));
        writeModel(lines);
    }
    std::vector<std::string> readTyped() const {
        return text::readTypingFile(dir.path() / "kavtmp" / "11010001", text::TypingFileKind::Typed);
    }
};

// The UTF-8 text of GBK bytes (the engine's lines are GBK).
inline std::string utf8(const std::string& gbk) { return text::gbkToUtf8(gbk, text::OnInvalid::Replace); }

}  // namespace kav::typing::test
