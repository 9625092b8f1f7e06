#pragma once
// A date and time of day as the exam databases keep it. The zero value is
// 30 December 1899, 00:00:00 (the databases' zero date-time).
#include <compare>
#include <cstdint>
#include <string>

namespace kav {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    static DateTime zero() { return {}; }
    static DateTime nowLocal();

    bool isZero() const { return *this == DateTime{}; }
    // Days since the zero date, the fraction being the time of day (as OLE dates count).
    double toOleDays() const;
    static DateTime fromOleDays(double days);
    // "YYYY-MM-DD hh:mm:ss"; parse accepts that and "YYYY-MM-DD" and throws
    // std::invalid_argument on anything else.
    std::string toIso() const;
    static DateTime parseIso(const std::string& text);

    auto operator<=>(const DateTime&) const = default;
};

// The UTC time of day, for keys drawn from the clock.
struct TimeOfDay {
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    // The time of day `ms` milliseconds after midnight (taken modulo one day).
    static TimeOfDay fromMilliseconds(long long ms);
};
// The system clock's present UTC time of day.
TimeOfDay utcTimeOfDay();

}  // namespace kav
