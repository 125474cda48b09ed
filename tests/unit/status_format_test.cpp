#include <gtest/gtest.h>

#include <vector>

#include "app/StatusFormat.h"

namespace {

const NumberSeparators kEnglish{L",", L"."};
const NumberSeparators kGerman{L".", L","};
const NumberSeparators kFrench{L"\u00a0", L","};

TEST(FormatNumbers, DirectivesAndSeparators) {
    struct Case {
        const wchar_t* format;
        std::vector<double> args;
        NumberSeparators separators;
        const wchar_t* text;
    } cases[] = {
        {L"%.0n MB", {5123}, kEnglish, L"5,123 MB"},
        {L"%.0n", {16301}, kGerman, L"16.301"},
        {L"%.0n", {1234567}, kFrench, L"1\u00a0234\u00a0567"},
        {L"%.0n", {999}, kEnglish, L"999"},
        {L"%.0n", {0}, kEnglish, L"0"},
        {L"%n%%", {31.43f}, kEnglish, L"31.43%"},
        {L"%n", {0}, kEnglish, L"0.00"},
        {L"%n", {1234.5}, kGerman, L"1.234,50"},
        {L"%n", {99.995}, kEnglish, L"100.00"},
        {L"%n", {0.125}, kEnglish, L"0.13"}, // halves away from zero
        {L"%.1n", {2.25}, kEnglish, L"2.3"},
        {L"%n", {-1.5}, kEnglish, L"-1.50"},
        {L"100%%", {}, kEnglish, L"100%"},
        {L"%n and %n", {1}, kEnglish, L"1.00 and "}, // a missing argument prints nothing
        {L"%d %s %", {1}, kEnglish, L"%d %s %"},      // not ours: copied
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumbers(c.format, c.args, c.separators), c.text) << c.format;
    }
}

TEST(StatusFormat, MegabytesRoundHalvesToEven) {
    constexpr std::uint64_t MB = 1048576;
    EXPECT_EQ(Megabytes(0), 0);
    EXPECT_EQ(Megabytes(MB / 2), 0);         // 0.5 -> 0
    EXPECT_EQ(Megabytes(MB + MB / 2), 2);    // 1.5 -> 2
    EXPECT_EQ(Megabytes(2 * MB + MB / 2), 2); // 2.5 -> 2
    EXPECT_EQ(Megabytes(2 * MB + MB / 2 + 1), 3);
    EXPECT_EQ(BarPosition(42.5f), 42);
    EXPECT_EQ(BarPosition(43.5f), 44);
    EXPECT_EQ(BarPosition(43.49f), 43);
}

TEST(StatusFormat, BuildsTheThreeLines) {
    constexpr std::uint64_t MB = 1048576;
    TMemoryUsage usage{};
    usage.TotalPhys = 16301 * MB;
    usage.AvailPhys = (16301 - 5123) * MB;
    usage.UsagePhys = 31.43f;
    usage.TotalPage = 20000 * MB;
    usage.AvailPage = 12000 * MB;
    usage.UsagePage = 40.0f;
    usage.TotalWork = 512 * MB;
    usage.AvailWork = 0;
    usage.UsageWork = 100.0f;
    const auto lines = BuildStatusLines(usage, L"%.0n MB / %.0n MB (Usage: %n%%)", kEnglish);
    EXPECT_EQ(lines.phys, L"5,123 MB / 16,301 MB (Usage: 31.43%)");
    EXPECT_EQ(lines.page, L"8,000 MB (40.00%)");
    EXPECT_EQ(lines.work, L"512 MB (100.00%)");
    EXPECT_EQ(lines.bar, 31);
}

TEST(StatusFormat, ClearedRecordShowsZeros) {
    const TMemoryUsage usage{};
    const auto lines = BuildStatusLines(usage, kPhysStatusFormat, kEnglish);
    EXPECT_EQ(lines.phys, L"0 MB / 0 MB (0.00% 사용중)");
    EXPECT_EQ(lines.work, L"0 MB (0.00%)");
    EXPECT_EQ(lines.bar, 0);
}

} // namespace
