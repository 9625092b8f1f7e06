#pragma once
// A teacher.mdb in a temporary folder with reported scores, for the score tests.
#include <optional>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/scores/score_rows.h"
#include "tests/support/temp_dir.h"

namespace mendrix::scores::test {

inline ScoreRow scoreRow(std::string zkzh, std::string ksxm, std::optional<kav::DateTime> kstime,
                         std::optional<std::int64_t> win, std::optional<std::int64_t> select,
                         std::optional<std::int64_t> dz, std::optional<std::int64_t> word,
                         std::optional<std::int64_t> total) {
    return {std::move(zkzh), std::move(ksxm), kstime, win, select, dz, word, total};
}

// Appends the rows to `score` as a client reports them (NULLs left unset).
inline void appendScores(kav::db::Cursor& score, const std::vector<ScoreRow>& rows) {
    for (const ScoreRow& r : rows) {
        score.append();
        score.field("zkzh").setString(r.zkzh);
        score.field("ksxm").setString(r.ksxm);
        if (r.kstime) score.field("kstime").setDateTime(*r.kstime);
        auto set = [&](const char* column, const std::optional<std::int64_t>& v) {
            if (v) score.field(column).setInteger(*v);
        };
        set("win_cj", r.win_cj);
        set("select_cj", r.select_cj);
        set("dz_cj", r.dz_cj);
        set("word_cj", r.word_cj);
        set("kscj", r.kscj);
        score.post();
    }
    if (score.recordCount() > 0) score.first();
}

inline kav::DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return {y, mo, d, h, mi, s, 0}; }

}  // namespace mendrix::scores::test
