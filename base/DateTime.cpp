#include "base/DateTime.h"

#include <cmath>
#include <cstdlib>

namespace {
constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1 January 0001 to 30 December 1899, plus one (day 1 is 1 January 0001).
constexpr std::int64_t kDateDelta = 693'594;

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::int64_t DaysBeforeYear(int year) {
    const std::int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}
} // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    static constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::int64_t days = DaysBeforeYear(year) + kDaysBeforeMonth[month - 1] + day;
    if (month > 2 && IsLeap(year)) {
        ++days;
    }
    const double time = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
    return static_cast<double>(days - kDateDelta) + time;
}

std::int64_t DateTimeToMilliseconds(TDateTime value) {
    const double whole = std::trunc(value);
    const std::int64_t timeMs = std::llround(std::fabs(value - whole) * kMsPerDay);
    return (static_cast<std::int64_t>(whole) + kDateDelta) * kMsPerDay + timeMs;
}

std::int64_t SecondsBetween(TDateTime a, TDateTime b) {
    return std::llabs(DateTimeToMilliseconds(a) - DateTimeToMilliseconds(b)) / 1000;
}
