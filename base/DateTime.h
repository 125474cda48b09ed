#pragma once
// Local date-times as the program keeps them: days since 30 December 1899, the time of day
// as the fraction.

#include <cstdint>

using TDateTime = double;

// month is 1-12.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);

// Whole milliseconds since 1 January 0001 (the time of day rounded to the millisecond). The day
// count stops at the days whose milliseconds still fit in 64 bits, about 292 million years
// either side of 1899 (beyond the last day: the end of it); NaN counts as day 0.
std::int64_t DateTimeToMilliseconds(TDateTime value);

// Whole seconds between two date-times, in either order (the absolute difference of their
// milliseconds, divided by 1000 and truncated): never negative, whatever the two values.
std::int64_t SecondsBetween(TDateTime a, TDateTime b);

// The source of "now", so rules that depend on time can be driven by tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() = 0;
};
