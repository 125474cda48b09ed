#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/StatusFormat.h"

namespace {

constexpr std::uint64_t MB = 1048576;

const NumberSeparators kEnglish{L",", L"."};
const NumberSeparators kGerman{L".", L","};
const NumberSeparators kFrench{L"\u00a0", L","};
// Longer than any locale's: written the slow way.
const NumberSeparators kLong{L"<sep>", L"<dot>"};

TEST(FormatNumbers, DirectivesAndSeparators) {
    constexpr double kFloatMax = std::numeric_limits<float>::max(); // the largest percentage a snapshot holds
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
        {L"%n", {0.05}, kEnglish, L"0.05"},
        {L"%n", {1234.5}, kGerman, L"1.234,50"},
        {L"%n", {99.995}, kEnglish, L"100.00"},
        {L"%n", {0.125}, kEnglish, L"0.13"}, // halves away from zero
        {L"%.1n", {2.25}, kEnglish, L"2.3"},
        {L"%n", {-1.5}, kEnglish, L"-1.50"},
        {L"%n", {-0.001}, kEnglish, L"0.00"}, // no sign on a zero
        {L"%n", {std::nan("")}, kEnglish, L"0.00"},
        {L"%.0n", {std::numeric_limits<double>::infinity()}, kEnglish, L"0"},
        {L"100%%", {}, kEnglish, L"100%"},
        {L"%n and %n", {1}, kEnglish, L"1.00 and "}, // a missing argument prints nothing
        {L"%d %s %", {1}, kEnglish, L"%d %s %"},     // not ours: copied
        {L"%.n %.123n", {1}, kEnglish, L"%.n %.123n"},
        {L"%.3n", {1234.5678}, kEnglish, L"1,234.568"},
        {L"%.0n", {1234567}, kLong, L"1<sep>234<sep>567"},
        {L"%n", {1234.5}, kLong, L"1<sep>234<dot>50"},
        // Either side of 2^40 as printed, where the digits stop coming from integers.
        {L"%.0n", {1099511627775}, kEnglish, L"1,099,511,627,775"},
        {L"%.0n", {1099511627776}, kEnglish, L"1,099,511,627,776"},
        {L"%n", {10995116277.75}, kEnglish, L"10,995,116,277.75"},
        {L"%n", {10995116277.77}, kEnglish, L"10,995,116,277.77"},
        {L"%.0n", {1e20}, kEnglish, L"100,000,000,000,000,000,000"},
        // Beyond 2^53 a tenth of the number is no longer exact: the digits are still the double's own.
        {L"%.0n", {0x1p70}, kEnglish, L"1,180,591,620,717,411,303,424"},
        {L"%n", {0x1p70}, kEnglish, L"1,180,591,620,717,411,303,424.00"},
        {L"%.0n", {kFloatMax}, kEnglish, L"340,282,346,638,528,859,811,704,183,484,516,925,440"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumbers(c.format, c.args, c.separators), c.text) << c.format;
    }
}

TEST(StatusFormat, MegabytesRoundHalvesToEven) {
    EXPECT_EQ(Megabytes(0), 0);
    EXPECT_EQ(Megabytes(MB / 2), 0);          // 0.5 -> 0
    EXPECT_EQ(Megabytes(MB + MB / 2), 2);     // 1.5 -> 2
    EXPECT_EQ(Megabytes(2 * MB + MB / 2), 2); // 2.5 -> 2
    EXPECT_EQ(Megabytes(2 * MB + MB / 2 + 1), 3);
    // From 2^53 on the count itself is rounded to a double first.
    constexpr std::uint64_t k2To53 = std::uint64_t{1} << 53;
    EXPECT_EQ(Megabytes(k2To53 - 1), 8589934592.0);
    EXPECT_EQ(Megabytes(k2To53 + MB / 2), 8589934592.0);
    EXPECT_EQ(Megabytes(~std::uint64_t{0}), 17592186044416.0);
    EXPECT_EQ(BarPosition(42.5f), 42);
    EXPECT_EQ(BarPosition(43.5f), 44);
    EXPECT_EQ(BarPosition(43.49f), 43);
    EXPECT_EQ(BarPosition(100.0f), 100);
}

TMemoryUsage Usage(std::uint64_t usedPhys, std::uint64_t totalPhys, float usagePhys, std::uint64_t usedPage,
                   std::uint64_t totalPage, float usagePage, std::uint64_t usedWork, std::uint64_t totalWork,
                   float usageWork) {
    TMemoryUsage usage{};
    usage.TotalPhys = totalPhys;
    usage.AvailPhys = totalPhys - usedPhys;
    usage.UsagePhys = usagePhys;
    usage.TotalPage = totalPage;
    usage.AvailPage = totalPage - usedPage;
    usage.UsagePage = usagePage;
    usage.TotalWork = totalWork;
    usage.AvailWork = totalWork - usedWork;
    usage.UsageWork = usageWork;
    return usage;
}

const TMemoryUsage kTypical =
    Usage(5123 * MB, 16301 * MB, 31.43f, 8000 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f);

TEST(StatusFormat, BuildsTheThreeLines) {
    const auto lines = BuildStatusLines(kTypical, L"%.0n MB / %.0n MB (Usage: %n%%)", kEnglish);
    EXPECT_EQ(lines.phys, L"5,123 MB / 16,301 MB (Usage: 31.43%)");
    EXPECT_EQ(lines.page, L"8,000 MB (40.00%)");
    EXPECT_EQ(lines.work, L"512 MB (100.00%)");
    EXPECT_EQ(lines.bar, 31);
}

TEST(StatusFormat, ClearedRecordShowsZeros) {
    const TMemoryUsage usage{};
    const auto lines = BuildStatusLines(usage, texts::kPhysStatusFormat, kEnglish);
    EXPECT_EQ(lines.phys, L"0 MB / 0 MB (0.00% 사용중)");
    EXPECT_EQ(lines.work, L"0 MB (0.00%)");
    EXPECT_EQ(lines.bar, 0);
}

// Whatever figures the system gives, a line shows at most its total as used and a percentage
// within 0..100, and the bar stays on its scale.
TEST(StatusFormat, LinesStaySaneForFiguresThatDisagree) {
    constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::uint64_t avail;
        std::uint64_t total;
        float percent;
        const wchar_t* line;
        int bar;
    } cases[] = {
        {"typical", 11178 * MB, 16301 * MB, 31.43f, L"5,123 MB / 16,301 MB (31.43%)", 31},
        // A 32-bit process under qemu: the total modulo 4 GiB (24 GiB + 3625 MB), the real free
        // amount, and the engine's percentage of the wrapped difference.
        {"free above a wrapped total", 23560 * MB, 3625 * MB, 4852817408.0f, L"0 MB / 3,625 MB (0.00%)", 0},
        {"free one byte above the total", 2 * k4GiB + 1, 2 * k4GiB, 1.0e12f, L"0 MB / 8,192 MB (0.00%)", 0},
        {"nothing free", 0, 2 * k4GiB, 100.0f, L"8,192 MB / 8,192 MB (100.00%)", 100},
        {"all free", 2 * k4GiB, 2 * k4GiB, 0.0f, L"0 MB / 8,192 MB (0.00%)", 0},
        {"no total", 5 * MB, 0, 0.0f, L"0 MB / 0 MB (0.00%)", 0},
        {"percentage above 100", 1 * MB, 2 * MB, 250.0f, L"1 MB / 2 MB (100.00%)", 100},
        {"negative percentage", 1 * MB, 2 * MB, -3.0f, L"1 MB / 2 MB (0.00%)", 0},
        {"infinite percentage", 1 * MB, 2 * MB, std::numeric_limits<float>::infinity(), L"1 MB / 2 MB (100.00%)",
         100},
        {"NaN percentage", 1 * MB, 2 * MB, kNaN, L"1 MB / 2 MB (0.00%)", 0},
        {"largest total", 0, ~std::uint64_t{0}, 100.0f, L"17,592,186,044,416 MB / 17,592,186,044,416 MB (100.00%)",
         100},
    };
    for (const auto& c : cases) {
        TMemoryUsage usage{};
        usage.AvailPhys = usage.AvailPage = usage.AvailWork = c.avail;
        usage.TotalPhys = usage.TotalPage = usage.TotalWork = c.total;
        usage.UsagePhys = usage.UsagePage = usage.UsageWork = c.percent;
        const auto lines = BuildStatusLines(usage, L"%.0n MB / %.0n MB (%n%%)", kEnglish);
        EXPECT_EQ(lines.phys, c.line) << c.what;
        EXPECT_EQ(lines.bar, c.bar) << c.what;
        // The other two lines take the same rule: their used part and percentage are the tail
        // of the physical line's.
        const std::wstring phys(c.line);
        const std::wstring secondary = phys.substr(0, phys.find(L" / ")) + phys.substr(phys.rfind(L" ("));
        EXPECT_EQ(lines.page, secondary) << c.what;
        EXPECT_EQ(lines.work, secondary) << c.what;
    }
}

//--- StatusLineCache: the texts of BuildStatusLines, rebuilt only when they change

constexpr unsigned kAll = StatusLineCache::kPhys | StatusLineCache::kPage | StatusLineCache::kWork;

// Feeds the cache one snapshot and checks its lines against BuildStatusLines; returns the mask.
class CacheFixture : public ::testing::Test {
protected:
    unsigned Tick(const TMemoryUsage& usage, std::wstring_view format = texts::kPhysStatusFormat,
                  const NumberSeparators& separators = kEnglish) {
        const unsigned changed = cache.Update(usage, format, separators);
        const StatusLines expected = BuildStatusLines(usage, format, separators);
        EXPECT_EQ(cache.Phys(), expected.phys);
        EXPECT_EQ(cache.Page(), expected.page);
        EXPECT_EQ(cache.Work(), expected.work);
        EXPECT_EQ(cache.Bar(), expected.bar);
        return changed;
    }

    StatusLineCache cache;
};

TEST_F(CacheFixture, FirstTickReportsAllLines) {
    EXPECT_EQ(Tick(kTypical), kAll);
    EXPECT_EQ(cache.Phys(), L"5,123 MB / 16,301 MB (31.43% 사용중)");
    EXPECT_EQ(Tick(kTypical), 0u);
}

TEST_F(CacheFixture, ReportsOnlyTheLinesWhosePrintedFiguresChanged) {
    Tick(kTypical);
    struct Case {
        const char* what;
        TMemoryUsage usage;
        unsigned changed;
    } cases[] = {
        // Bytes move, the whole megabytes and the percentages at two decimals do not.
        {"below the precision shown",
         Usage(5123 * MB + MB / 3, 16301 * MB, 31.434f, 8000 * MB - 4096, 20000 * MB, 40.001f, 512 * MB, 512 * MB,
               100.0f),
         0},
        {"used physical megabytes",
         Usage(5124 * MB, 16301 * MB, 31.434f, 8000 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f),
         StatusLineCache::kPhys},
        {"physical percentage",
         Usage(5124 * MB, 16301 * MB, 31.436f, 8000 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f),
         StatusLineCache::kPhys},
        {"total physical megabytes",
         Usage(5124 * MB, 16302 * MB, 31.436f, 8000 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f),
         StatusLineCache::kPhys},
        {"page file", Usage(5124 * MB, 16302 * MB, 31.436f, 8001 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f),
         StatusLineCache::kPage},
        {"file cache percentage only",
         Usage(5124 * MB, 16302 * MB, 31.436f, 8001 * MB, 20000 * MB, 40.0f, 512 * MB, 1024 * MB, 50.0f),
         StatusLineCache::kWork},
        {"everything", kTypical, kAll},
        {"cleared record", TMemoryUsage{}, kAll},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Tick(c.usage), c.changed) << c.what;
    }
}

TEST_F(CacheFixture, RebuildsForNewSeparatorsAndFormats) {
    Tick(kTypical);
    EXPECT_EQ(Tick(kTypical, texts::kPhysStatusFormat, kGerman), kAll);
    EXPECT_EQ(cache.Page(), L"8.000 MB (40,00%)");
    // Separators equal to the last ones, in other strings.
    EXPECT_EQ(Tick(kTypical, texts::kPhysStatusFormat, NumberSeparators{L".", L","}), 0u);

    EXPECT_EQ(Tick(kTypical, L"%.0n MB / %.0n MB (Usage: %n%%)", kGerman), StatusLineCache::kPhys);
    EXPECT_EQ(cache.Phys(), L"5.123 MB / 16.301 MB (Usage: 31,43%)");
    EXPECT_EQ(Tick(kTypical, std::wstring(L"%.0n MB / %.0n MB (Usage: %n%%)"), kGerman), 0u);

    // A new format that prints the same text is no change.
    EXPECT_EQ(Tick(kTypical, L"%.0n MB / %.0N MB (Usage: %n%%)", kGerman), 0u);
    // Separators the figures do not use: the file cache line has no thousands.
    const TMemoryUsage small = Usage(5 * MB, 16 * MB, 31.0f, 8 * MB, 20 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f);
    Tick(small);
    EXPECT_EQ(Tick(small, texts::kPhysStatusFormat, NumberSeparators{L"'", L"."}), 0u);
}

TEST_F(CacheFixture, TranslationsOfAnyShape) {
    const std::wstring longFormat = std::wstring(300, L'x') + L" %.0n / %.0n (%n%%)";
    struct Case {
        std::wstring format;
        NumberSeparators separators;
    } cases[] = {
        {L"%.3n MB / %.1n MB (%.4n%%)", kEnglish}, // more decimals than two
        {L"%n%%", kEnglish},                       // fewer directives than figures
        {L"%.0n / %.0n / %n / %n", kEnglish},      // more directives than figures
        {L"", kEnglish},
        {longFormat, kEnglish},                          // longer than the line's buffer
        {std::wstring(texts::kPhysStatusFormat), kLong}, // separators longer than any locale's
    };
    for (const auto& c : cases) {
        Tick(kTypical, c.format, c.separators);
        Tick(Usage(5124 * MB, 16301 * MB, 31.43f, 8000 * MB, 20000 * MB, 40.0f, 512 * MB, 512 * MB, 100.0f), c.format,
             c.separators);
    }
}

// Figures far from the typical, as a broken snapshot can give them: wrapped subtractions,
// percentages far above 100, NaN.
TEST_F(CacheFixture, AgreesWithBuildStatusLinesOverRandomSnapshots) {
    std::mt19937_64 random(20240611);
    auto bytes = [&] {
        switch (random() % 4) {
        case 0:
            return random() % (64 * 1024 * MB);
        case 1:
            return random();
        case 2:
            return (random() % 100000) * MB + MB / 2;
        default:
            return random() % 4;
        }
    };
    auto percent = [&] {
        switch (random() % 5) {
        case 0:
            return static_cast<float>(random() % 10001) / 100.0f;
        case 1:
            return static_cast<float>(static_cast<double>(random()) / 1e5);
        case 2:
            return std::ldexp(static_cast<float>(random() % 1000000), static_cast<int>(random() % 200) - 20);
        case 3:
            return std::numeric_limits<float>::quiet_NaN();
        default:
            return static_cast<float>(random() % 200) + 0.125f;
        }
    };
    const std::wstring formats[] = {std::wstring(texts::kPhysStatusFormat), L"%.2n / %.1n / %.3n"};
    for (int i = 0; i < 3000; ++i) {
        TMemoryUsage usage{};
        usage.AvailPhys = bytes();
        usage.TotalPhys = bytes();
        usage.AvailPage = bytes();
        usage.TotalPage = bytes();
        usage.AvailWork = bytes();
        usage.TotalWork = bytes();
        usage.UsagePhys = percent();
        usage.UsagePage = percent();
        usage.UsageWork = percent();
        Tick(usage, formats[i / 1500], i % 3 == 0 ? kGerman : kEnglish);
        EXPECT_GE(cache.Bar(), 0);
        EXPECT_LE(cache.Bar(), 100);
        if (HasFailure()) {
            FAIL() << "snapshot " << i;
        }
    }
}

} // namespace
