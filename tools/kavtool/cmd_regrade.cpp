// kavtool regrade TEACHERDB [--candidates LIST] [--dry-run]: every candidate's
// stored work pack graded again with the question bank's current answers (the
// stu.mdb beside TEACHERDB); the table of old and new part scores, the changes
// stored with a record of each. --dry-run stores nothing and exits with 1 when
// a stored score differs from what the work gives.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "common/core/tokens.h"
#include "common/db/tables.h"
#include "common/pack/pack_store.h"
#include "common/regrade/regrade.h"
#include "common/word/isolated_grading.h"
#include "tools/kavtool/command.h"

namespace {

namespace fs = std::filesystem;
using namespace kav::regrade;

struct Options {
    fs::path teacherDb;
    std::set<std::string> candidates;  // empty: all
    bool dryRun = false;
};

Options parse(const kavtool::Args& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dry-run") {
            o.dryRun = true;
        } else if (args[i] == "--candidates") {
            if (++i == args.size()) throw kavtool::UsageError("--candidates expects a comma-separated list");
            std::string list = args[i];
            for (std::size_t start = 0; start <= list.size();) {
                std::size_t end = std::min(list.find(',', start), list.size());
                if (end > start) o.candidates.insert(list.substr(start, end - start));
                start = end + 1;
            }
            if (o.candidates.empty()) throw kavtool::UsageError("--candidates names no admission number");
        } else if (o.teacherDb.empty() && args[i].rfind("--", 0) != 0) {
            o.teacherDb = args[i];
        } else {
            throw kavtool::UsageError("unexpected argument \"" + args[i] + "\"");
        }
    }
    if (o.teacherDb.empty()) throw kavtool::UsageError("expects TEACHERDB");
    return o;
}

std::string account() {
    const char* user = std::getenv("USER");
    return std::string("kavtool:") + (user && *user ? user : "?");
}

int regrade(const kavtool::Args& args) {
    const Options o = parse(args);
    if (!fs::exists(o.teacherDb)) throw std::runtime_error(o.teacherDb.string() + " does not exist");
    const fs::path stuDb = fs::absolute(o.teacherDb).parent_path() / "stu.mdb";
    if (!fs::exists(stuDb)) throw std::runtime_error("the question bank " + stuDb.string() + " is missing");

    auto teacher = kav::db::connectTeacherAsOwner(o.teacherDb);
    const CurrentAnswers answers = readCurrentAnswers(*kav::db::connectFile(stuDb.string(), fs::current_path()));
    std::vector<mendrix::scores::ScoreRow> rows;
    for (auto& row : mendrix::scores::readScoreRows(*teacher->openTable("score")))
        if (o.candidates.empty() || o.candidates.count(row.zkzh)) rows.push_back(std::move(row));
    for (const std::string& wanted : o.candidates)
        if (std::none_of(rows.begin(), rows.end(), [&](const auto& r) { return r.zkzh == wanted; }))
            std::fprintf(stderr, "%s: no score row\n", wanted.c_str());

    const fs::path grader = kav::word::installedWordGrader();
    const WordGrader gradeWord = [&grader](const fs::path& document, const std::string& answerText) {
        return kav::word::gradeWordTaskIsolated(grader, document, answerText);
    };
    const PackLoader load = [&teacher](const std::string& admission) {
        return kav::pack::loadPack(*teacher, admission);
    };
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const auto outcomes = regradeAll(rows, load, answers, gradeWord, fs::temp_directory_path(), workers);
    std::fputs(tableText(outcomes, o.dryRun).c_str(), stdout);

    const auto differing = std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& x) { return x.differs(); });
    if (o.dryRun) {
        std::fprintf(stderr, "%zu candidates checked, %ld differ from their work\n", outcomes.size(),
                     static_cast<long>(differing));
        return differing > 0 ? 1 : 0;
    }
    const int stored = storeRegraded(*teacher, outcomes, account(), kav::DateTime::nowLocal());
    std::fprintf(stderr, "%zu candidates re-graded, %d scores changed and recorded\n", outcomes.size(), stored);
    return 0;
}

KAVTOOL_COMMAND({"regrade", "regrade TEACHERDB [--candidates LIST] [--dry-run]",
                 "grade every stored work pack again with the bank's current answers; --dry-run only checks "
                 "(exit 1 on a difference)",
                 regrade});

}  // namespace
