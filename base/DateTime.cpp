#include "base/DateTime.h"

#include <cmath>
#include <limits>

namespace {
constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1 January 0001 to 30 December 1899, plus one (day 1 is 1 January 0001).
constexpr std::int64_t kDateDelta = 693'594;

// The day count's range, so that its milliseconds fit in 64 bits whatever the time of day:
// about 292 million years either side of 1899.
constexpr std::int64_t kLastDay = std::numeric_limits<std::int64_t>::max() / kMsPerDay - 1 - kDateDelta;
constexpr std::int64_t kFirstDay = std::numeric_limits<std::int64_t>::min() / kMsPerDay - kDateDelta;

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
    if (std::isnan(value)) {
        return kDateDelta * kMsPerDay;
    }
    const double whole = std::trunc(value);
    if (whole > static_cast<double>(kLastDay)) {
        return (kLastDay + 1 + kDateDelta) * kMsPerDay;
    }
    if (whole < static_cast<double>(kFirstDay)) {
        return (kFirstDay + kDateDelta) * kMsPerDay;
    }
    const std::int64_t timeMs = std::llround(std::fabs(value - whole) * kMsPerDay);
    return (static_cast<std::int64_t>(whole) + kDateDelta) * kMsPerDay + timeMs;
}

std::int64_t SecondsBetween(TDateTime a, TDateTime b) {
    const std::int64_t x = DateTimeToMilliseconds(a);
    const std::int64_t y = DateTimeToMilliseconds(b);
    // In unsigned arithmetic: the span between the two ends of the range is beyond int64_t.
    const std::uint64_t span = x > y ? static_cast<std::uint64_t>(x) - static_cast<std::uint64_t>(y)
                                     : static_cast<std::uint64_t>(y) - static_cast<std::uint64_t>(x);
    return static_cast<std::int64_t>(span / 1000);
}
