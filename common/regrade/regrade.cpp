#include "common/regrade/regrade.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "common/core/ascii.h"
#include "common/core/candidate.h"
#include "common/db/values.h"
#include "common/grading/choice_grading.h"
#include "common/grading/typing_score.h"
#include "common/grading/wintask_grading.h"
#include "common/pack/candidate_folder.h"
#include "common/platform/platform.h"
#include "common/text/gbk.h"

namespace fs = std::filesystem;

namespace kav::regrade {
namespace {

std::vector<std::string> columnTexts(const db::Cursor& cursor, std::string_view column, bool lowerCase = false) {
    const int index = cursor.definition().indexOf(column);
    if (index < 0) throw db::DbError("题库表 " + cursor.definition().name + " 没有列 " + std::string(column));
    std::vector<std::string> texts;
    for (int row = 1; row <= cursor.recordCount(); ++row) {
        std::string text = db::readString(cursor.rowValue(row, index));
        texts.push_back(lowerCase ? lowerAscii(text) : text);
    }
    return texts;
}

// The bank's text at a drawn position, or the one the station used when the
// bank no longer holds that position.
const std::string& currentOr(const std::vector<std::string>& bank, std::int64_t position, const std::string& used) {
    return position >= 1 && position <= static_cast<std::int64_t>(bank.size()) ? bank[position - 1] : used;
}

// A text's lines as GBK bytes, split at LF with a CR before it dropped; the
// typing screen compares GBK cells.
std::vector<std::string> gbkLines(const std::string& utf8) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        std::string line = utf8.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(text::utf8ToGbk(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::int64_t gradeChoice(const pack::WorkPack& pack, const CurrentAnswers& answers) {
    choice::AnswerList correct, given;
    given.fill("*");  // a question the pack does not hold was not answered
    for (std::size_t i = 0; i < std::min<std::size_t>(pack.choices.size(), choice::kQuestions); ++i) {
        const pack::PackedChoice& c = pack.choices[i];
        correct[i] = currentOr(answers.choiceKeys, c.position, c.key);
        given[i] = c.answer;
    }
    return choice::grade(correct, given).count;
}

std::int64_t gradeTyping(const pack::WorkPack& pack) {
    if (pack.typingSourceText.empty()) return 0;
    return typing::scoreTypedLines(gbkLines(pack.typingSourceText), gbkLines(pack.typedText)).value_or(0);
}

// The folder as the station named it, for the Windows task's lines.
std::string shownFolder(const pack::WorkPack& pack) {
    return std::string(platform::kCandidatesRoot) + "\\" + candidateFolderName(pack.admission);
}

}  // namespace

CurrentAnswers readCurrentAnswers(const db::Cursor& selecttest, const db::Cursor& win, const db::Cursor& word) {
    return {columnTexts(selecttest, "correct_sel", true), columnTexts(win, "answer"), columnTexts(word, "answer")};
}

CurrentAnswers readCurrentAnswers(db::Connection& bank) {
    return readCurrentAnswers(*bank.openTable("selecttest"), *bank.openTable("win"), *bank.openTable("word"));
}

void removeUnpacked(const fs::path& folder) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) return;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_directory(ec) || it->is_regular_file(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
}

PartScores gradePack(const pack::WorkPack& pack, const CurrentAnswers& answers, const WordGrader& wordGrader,
                     const fs::path& scratch) {
    PartScores s;
    s.choice = gradeChoice(pack, answers);
    s.typing = gradeTyping(pack);

    // A private folder: concurrent re-grades never share one.
    static std::atomic<unsigned> serial{0};
    const fs::path folder = scratch / ("pack-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    fs::create_directories(folder);
    struct Cleanup {
        fs::path folder;
        ~Cleanup() { removeUnpacked(folder); }
    } cleanup{folder};
    pack::unpackFolder(pack.files, folder);

    s.wintask = wintask::gradeFolder(shownFolder(pack), folder,
                                     currentOr(answers.wintaskAnswers, pack.wintaskNumber, pack.wintaskAnswerText))
                    .score;
    const fs::path document = platform::findIgnoringCase(platform::joinRelative(folder, pack.wordDocument));
    std::error_code ec;
    if (!pack.wordDocument.empty() && fs::is_regular_file(document, ec))
        s.word = wordGrader(document, currentOr(answers.wordAnswers, pack.wordNumber, pack.wordAnswerText)).total;
    s.total = std::clamp<std::int64_t>(s.choice + s.typing + s.wintask + s.word, 0, word::kMaxScore);
    return s;
}

PartScores storedScores(const mendrix::scores::ScoreRow& row) {
    PartScores s;
    s.choice = row.select_cj.value_or(0);
    s.typing = row.dz_cj.value_or(0);
    s.wintask = row.win_cj.value_or(0);
    s.word = row.word_cj.value_or(0);
    s.total = row.kscj.value_or(0);
    return s;
}

std::vector<Outcome> regradeAll(const std::vector<mendrix::scores::ScoreRow>& rows, const PackLoader& loadPack,
                                const CurrentAnswers& answers, const WordGrader& wordGrader, const fs::path& scratch,
                                int workers, const Progress& progress) {
    std::vector<Outcome> outcomes(rows.size());
    std::vector<bool> finished(rows.size(), false);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    std::mutex loading, reporting;
    int done = 0;
    auto work = [&] {
        for (std::size_t i; !stopped && (i = next++) < rows.size();) {
            Outcome& o = outcomes[i];
            o.admission = rows[i].zkzh;
            o.name = rows[i].ksxm;
            o.stored = storedScores(rows[i]);
            try {
                std::optional<std::string> bytes;
                {
                    std::lock_guard lock(loading);
                    bytes = loadPack(o.admission);
                }
                if (!bytes)
                    o.problem = "无作答包";
                else
                    o.regraded = gradePack(pack::readPack(*bytes), answers, wordGrader, scratch);
            } catch (const std::exception& e) {
                o.problem = std::string("作答包无法评分：") + e.what();
            }
            std::lock_guard lock(reporting);
            finished[i] = true;
            if (progress && !progress(++done, static_cast<int>(rows.size()))) stopped = true;
        }
    };
    std::vector<std::thread> threads;
    for (int w = 1; w < std::max(1, workers); ++w) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
    std::vector<Outcome> result;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (finished[i]) result.push_back(std::move(outcomes[i]));
    return result;
}

std::string partTitle(Part part) {
    switch (part) {
        case Part::Choice: return "选择";
        case Part::Typing: return "打字";
        case Part::Wintask: return "WIN";
        case Part::Word: return "word";
        case Part::Total: return "总分";
    }
    return {};
}

std::string partColumn(Part part) {
    switch (part) {
        case Part::Choice: return "select_cj";
        case Part::Typing: return "dz_cj";
        case Part::Wintask: return "win_cj";
        case Part::Word: return "word_cj";
        case Part::Total: return "kscj";
    }
    return {};
}

std::int64_t scoreOf(const PartScores& s, Part part) {
    switch (part) {
        case Part::Choice: return s.choice;
        case Part::Typing: return s.typing;
        case Part::Wintask: return s.wintask;
        case Part::Word: return s.word;
        case Part::Total: return s.total;
    }
    return 0;
}

std::vector<std::string> tableTitles() {
    std::vector<std::string> titles = {"准考证号", "姓名"};
    for (Part p : kParts) titles.push_back(partTitle(p));
    titles.push_back("说明");
    return titles;
}

std::vector<TableRow> tableRows(const std::vector<Outcome>& outcomes, bool onlyDifferences) {
    std::vector<TableRow> rows;
    for (const Outcome& o : outcomes) {
        if (onlyDifferences && !o.differs() && o.problem.empty()) continue;
        TableRow row{o.admission, o.name, {}, o.problem};
        for (Part p : kParts) {
            const auto old = scoreOf(o.stored, p);
            const bool changed = o.regraded && scoreOf(*o.regraded, p) != old;
            row.parts.push_back({std::to_string(old) + (changed ? "→" + std::to_string(scoreOf(*o.regraded, p)) : ""),
                                 changed});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string tableText(const std::vector<Outcome>& outcomes, bool onlyDifferences) {
    std::string out;
    for (const std::string& title : tableTitles()) out += (out.empty() ? "" : "\t") + title;
    out += "\n";
    for (const TableRow& row : tableRows(outcomes, onlyDifferences)) {
        out += row.admission + "\t" + row.name;
        for (const TableCell& cell : row.parts) out += "\t" + cell.text + (cell.changed ? "*" : "");
        out += "\t" + row.note + "\n";
    }
    return out;
}

int storeRegraded(db::Connection& teacher, const std::vector<Outcome>& outcomes, const std::string& account,
                  const DateTime& when) {
    const auto tables = teacher.tableNames();
    if (std::none_of(tables.begin(), tables.end(), [](const std::string& t) { return equalsIgnoringCase(t, kRegradeTable); }))
        throw db::DbError("这个教师数据库建于重新评分之前，没有记录改动的表 regrade：新成绩未保存");
    int changed = 0;
    teacher.transaction([&] {
        changed = 0;
        auto log = teacher.openTable(kRegradeTable);
        for (const Outcome& o : outcomes) {
            if (!o.differs()) continue;
            auto score = teacher.openKeyed("score", "zkzh", db::Value{o.admission});
            if (score->recordCount() == 0) throw db::DbError("成绩表中已没有考生 " + o.admission);
            // Every row of the admission number carries the new scores; the
            // first one must still hold what was shown.
            mendrix::scores::ScoreRow now = mendrix::scores::readScoreRows(*score).front();
            if (storedScores(now) != o.stored)
                throw db::DbError("考生 " + o.admission + " 的成绩在重新评分期间已改变，未保存任何成绩");
            for (score->first(); !score->eof(); score->next()) {
                score->edit();
                for (Part p : kParts) score->field(partColumn(p)).setInteger(scoreOf(*o.regraded, p));
                score->post();
            }
            for (Part p : kParts) {
                if (scoreOf(o.stored, p) == scoreOf(*o.regraded, p)) continue;
                log->append();
                log->field("changed_at").setDateTime(when);
                log->field("zkzh").setString(o.admission);
                log->field("part").setString(partTitle(p));
                log->field("old_score").setInteger(scoreOf(o.stored, p));
                log->field("new_score").setInteger(scoreOf(*o.regraded, p));
                log->field("account").setString(account);
                log->post();
            }
            ++changed;
        }
    });
    return changed;
}

std::vector<ChangeRecord> readChangeRecords(db::Connection& teacher) {
    auto log = teacher.openTable(kRegradeTable);
    const db::TableDef& def = log->definition();
    const int when = def.indexOf("changed_at"), zkzh = def.indexOf("zkzh"), part = def.indexOf("part"),
              before = def.indexOf("old_score"), after = def.indexOf("new_score"), account = def.indexOf("account");
    std::vector<ChangeRecord> records;
    for (int row = 1; row <= log->recordCount(); ++row) {
        const db::Value at = log->rowValue(row, when);
        records.push_back({std::holds_alternative<DateTime>(at) ? std::get<DateTime>(at) : DateTime::zero(),
                           db::readString(log->rowValue(row, zkzh)), db::readString(log->rowValue(row, part)),
                           db::readInteger(log->rowValue(row, before)), db::readInteger(log->rowValue(row, after)),
                           db::readString(log->rowValue(row, account))});
    }
    return records;
}

std::string regradeMark(const std::vector<ChangeRecord>& records, const std::string& admission) {
    // The changes stored together last: the same time and account.
    const ChangeRecord* latest = nullptr;
    for (const ChangeRecord& r : records)
        if (r.admission == admission) latest = &r;
    if (!latest) return {};
    std::string parts;
    for (const ChangeRecord& r : records)
        if (r.admission == admission && r.when == latest->when && r.account == latest->account)
            parts += (parts.empty() ? "" : "，") + r.part + " " + std::to_string(r.before) + "→" + std::to_string(r.after);
    return "已重新评分：" + latest->when.toIso() + " " + latest->account + " " + parts;
}

}  // namespace kav::regrade
