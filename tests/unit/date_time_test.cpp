#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/DateTime.h"

namespace {

TEST(DateTime, EncodesDaysSinceTheEpochOf1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 3, 1, 0, 0, 0, 0), 61.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 5, 12, 0, 0, 0), 45356.5);
}

TEST(DateTime, SecondsBetweenTruncatesAndIgnoresOrder) {
    const TDateTime base = EncodeDateTime(2026, 12, 10, 23, 59, 0, 0);
    struct Case {
        TDateTime other;
        std::int64_t seconds;
    } cases[] = {
        {base, 0},
        {EncodeDateTime(2026, 12, 10, 23, 59, 0, 999), 0},
        {EncodeDateTime(2026, 12, 10, 23, 59, 1, 0), 1},
        {EncodeDateTime(2026, 12, 11, 0, 4, 0, 0), 300},      // across midnight
        {EncodeDateTime(2026, 12, 10, 23, 54, 0, 0), 300},    // in the past
        {EncodeDateTime(2026, 12, 10, 23, 53, 59, 500), 300}, // 300.5 s truncates
        {EncodeDateTime(2027, 1, 1, 0, 0, 0, 0), 21 * 86400 + 60},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondsBetween(base, c.other), c.seconds);
        EXPECT_EQ(SecondsBetween(c.other, base), c.seconds);
    }
}

// The day count stops where its milliseconds would leave 64 bits (about 292 million years
// either side); NaN counts as day 0. The span between the two ends still fits.
TEST(DateTime, FarAndBrokenDateTimesGiveAFiniteSpan) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr std::int64_t kLastMs = 9'223'372'036'828'800'000;   // start of the day after the last
    constexpr std::int64_t kFirstMs = -9'223'372'036'828'800'000; // start of the first day
    const TDateTime epoch = EncodeDateTime(1899, 12, 30, 0, 0, 0, 0);
    struct Case {
        TDateTime value;
        std::int64_t milliseconds;
        std::int64_t secondsFromEpoch;
    } cases[] = {
        {106'751'297'572.5, kLastMs - 43'200'000, 9'223'312'110'264'000}, // the last day, noon
        {106'751'297'573.0, kLastMs, 9'223'312'110'307'200},
        {2e11, kLastMs, 9'223'312'110'307'200},
        {kInfinity, kLastMs, 9'223'312'110'307'200},
        {-106'752'684'761.0, kFirstMs, 9'223'431'963'350'400},
        {-2e11, kFirstMs, 9'223'431'963'350'400},
        {-kInfinity, kFirstMs, 9'223'431'963'350'400},
        {std::nan(""), 693'594 * 86'400'000LL, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateTimeToMilliseconds(c.value), c.milliseconds) << c.value;
        EXPECT_EQ(SecondsBetween(c.value, epoch), c.secondsFromEpoch) << c.value;
    }
    EXPECT_EQ(SecondsBetween(kInfinity, -kInfinity), 18'446'744'073'657'600);
    EXPECT_EQ(SecondsBetween(-kInfinity, 2e11), 18'446'744'073'657'600);
}

} // namespace
