#include "common/core/datetime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace kav {
namespace {
using namespace std::chrono;
constexpr sys_days kZeroDay = sys_days{year{1899} / December / 30};
}  // namespace

DateTime DateTime::nowLocal() {
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms};
}

double DateTime::toOleDays() const {
    sys_days d = sys_days{std::chrono::year{this->year} / std::chrono::month{static_cast<unsigned>(this->month)} / this->day};
    double days = static_cast<double>((d - kZeroDay).count());
    double frac = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86'400'000.0;
    // OLE dates before the zero day keep the time of day as a positive fraction.
    return days >= 0 ? days + frac : days - frac;
}

DateTime DateTime::fromOleDays(double days) {
    double whole = std::trunc(days);
    double frac = std::fabs(days - whole);
    long long ms = std::llround(frac * 86'400'000.0);
    if (ms >= 86'400'000) { ms -= 86'400'000; whole += days >= 0 ? 1 : -1; }
    year_month_day ymd{kZeroDay + sys_days::duration{static_cast<long long>(whole)}};
    DateTime r;
    r.year = static_cast<int>(ymd.year());
    r.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    r.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    r.hour = static_cast<int>(ms / 3'600'000);
    r.minute = static_cast<int>(ms / 60'000 % 60);
    r.second = static_cast<int>(ms / 1000 % 60);
    r.millisecond = static_cast<int>(ms % 1000);
    return r;
}

TimeOfDay TimeOfDay::fromMilliseconds(long long ms) {
    constexpr long long kDay = 86'400'000;
    ms = (ms % kDay + kDay) % kDay;
    return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
            static_cast<int>(ms % 1000)};
}

TimeOfDay utcTimeOfDay() {
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    return TimeOfDay::fromMilliseconds(duration_cast<milliseconds>(sinceEpoch).count());
}

std::string DateTime::toIso() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return buf;
}

DateTime DateTime::parseIso(const std::string& text) {
    DateTime r;
    int n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &r.year, &r.month, &r.day, &n) != 3)
        throw std::invalid_argument("not a date: " + text);
    if (static_cast<size_t>(n) < text.size()) {
        int m = 0;
        if (std::sscanf(text.c_str() + n, " %2d:%2d:%2d%n", &r.hour, &r.minute, &r.second, &m) != 3 ||
            static_cast<size_t>(n + m) != text.size())
            throw std::invalid_argument("not a date-time: " + text);
    }
    if (!year_month_day{std::chrono::year{r.year} / std::chrono::month{static_cast<unsigned>(r.month)} / r.day}.ok() || r.hour > 23 ||
        r.minute > 59 || r.second > 59)
        throw std::invalid_argument("not a valid date-time: " + text);
    return r;
}

}  // namespace kav
