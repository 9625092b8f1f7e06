#include "common/scores/score_rows.h"

#include "common/db/values.h"

namespace mendrix::scores {

namespace {
std::optional<std::int64_t> integerOrNull(const kav::db::Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return std::nullopt;
    return kav::db::readInteger(v);
}
std::optional<kav::DateTime> timeOrNull(const kav::db::Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return std::nullopt;
    return kav::db::readDateTime(v);
}
std::string integerText(const std::optional<std::int64_t>& v) { return v ? std::to_string(*v) : std::string(); }
}  // namespace

std::vector<ScoreRow> readScoreRows(const kav::db::Cursor& score) {
    const kav::db::TableDef& def = score.definition();
    std::array<int, kScoreFieldCount> index{};
    for (int f = 0; f < kScoreFieldCount; ++f) index[f] = def.indexOf(kScoreColumns[f]);
    std::vector<ScoreRow> rows;
    const int count = score.recordCount();
    for (int r = 1; r <= count; ++r) {
        auto get = [&](ScoreField f) { return score.rowValue(r, index[f]); };
        ScoreRow row;
        row.zkzh = kav::db::readString(get(Zkzh));
        row.ksxm = kav::db::readString(get(Ksxm));
        row.kstime = timeOrNull(get(Kstime));
        row.win_cj = integerOrNull(get(WinCj));
        row.select_cj = integerOrNull(get(SelectCj));
        row.dz_cj = integerOrNull(get(DzCj));
        row.word_cj = integerOrNull(get(WordCj));
        row.kscj = integerOrNull(get(Kscj));
        rows.push_back(std::move(row));
    }
    return rows;
}

bool isShownTime(const std::optional<kav::DateTime>& kstime) { return kstime && !kstime->isZero(); }

std::string kstimeText(const std::optional<kav::DateTime>& kstime) {
    if (!isShownTime(kstime)) return {};
    const std::string iso = kstime->toIso();  // "YYYY-MM-DD hh:mm:ss"
    const bool midnight = kstime->hour == 0 && kstime->minute == 0 && kstime->second == 0;
    return midnight ? iso.substr(0, 10) : iso;
}

std::string kstimeText(const kav::db::Value& value) { return kstimeText(timeOrNull(value)); }

std::array<std::string, kScoreFieldCount> fieldTexts(const ScoreRow& row) {
    return {row.zkzh,
            row.ksxm,
            kstimeText(row.kstime),
            integerText(row.win_cj),
            integerText(row.select_cj),
            integerText(row.dz_cj),
            integerText(row.word_cj),
            integerText(row.kscj)};
}

}  // namespace mendrix::scores
