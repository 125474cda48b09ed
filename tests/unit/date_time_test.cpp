#include <gtest/gtest.h>

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

} // namespace
