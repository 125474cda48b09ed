// The memory engine over the real system calls. Under Wine the file-cache query succeeds with
// every field 0 and every purge request succeeds without effect, so these tests check what the
// engine hands the system and reads back, not that memory moves.

#include "memory/Memory_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// How far a free amount may move between two readings taken a moment apart.
constexpr double kDrift = 256.0 * 1024 * 1024;

MEMORYSTATUSEX ReadStatus() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    EXPECT_TRUE(::GlobalMemoryStatusEx(&status));
    return status;
}

TEST(MemoryWin, SnapshotAgreesWithGlobalMemoryStatusEx) {
    TMemoryUsage usage{};
    GetMemoryUsage(usage);
    const MEMORYSTATUSEX status = ReadStatus();

    EXPECT_EQ(usage.TotalPhys, status.ullTotalPhys);
    EXPECT_EQ(usage.TotalPage, status.ullTotalPageFile);
    EXPECT_EQ(usage.TotalVirtual, status.ullTotalVirtual);
    EXPECT_NEAR(static_cast<double>(usage.AvailPhys), static_cast<double>(status.ullAvailPhys), kDrift);
    EXPECT_NEAR(static_cast<double>(usage.AvailPage), static_cast<double>(status.ullAvailPageFile), kDrift);
    EXPECT_NEAR(static_cast<double>(usage.AvailVirtual), static_cast<double>(status.ullAvailVirtual), kDrift);

    ASSERT_GT(usage.TotalPhys, 0u);
    // A 32-bit process under qemu-i386 is told the total modulo 4 GiB and the real free amount:
    // the engine keeps the figures as given, and the percentage is then meaningless.
    if (usage.AvailPhys <= usage.TotalPhys) {
        EXPECT_FLOAT_EQ(usage.UsagePhys,
                        static_cast<float>(100.0 * static_cast<double>(usage.TotalPhys - usage.AvailPhys) /
                                           static_cast<double>(usage.TotalPhys)));
    }
}

// The 32-bit build does its 64-bit integer conversions and x87 arithmetic differently from
// the host that runs the unit tests.
TEST(MemoryWin, PercentRuleHoldsInThisBuild) {
    const MEMORYSTATUSEX status = ReadStatus();
    EXPECT_EQ(UsagePercent(status.ullTotalPhys, status.ullTotalPhys), 100.0);
    EXPECT_EQ(UsagePercent(std::uint64_t{1} << 60, std::uint64_t{1} << 61), 2.0);
    EXPECT_EQ(UsagePercent(std::uint64_t{1} << 57, std::uint64_t{1} << 63), 1.5625);
}

TEST(MemoryWin, SeamReportsWhatGlobalMemoryStatusExReturns) {
    MemoryStatusEx valid{};
    valid.dwLength = sizeof(valid);
    EXPECT_TRUE(SystemMemory().GlobalMemoryStatusEx(valid));
    EXPECT_EQ(valid.ullTotalPhys, ReadStatus().ullTotalPhys);

    MemoryStatusEx noLength{}; // GlobalMemoryStatusEx insists on dwLength
    EXPECT_FALSE(SystemMemory().GlobalMemoryStatusEx(noLength));
}

TEST(MemoryWin, SystemAcceptsTheFileCacheLayoutOfThisBuild) {
    static_assert(sizeof(SystemFileCacheInformation<SIZE_T>) == (sizeof(void*) == 8 ? 64 : 36));
    SystemFileCacheInformation<SIZE_T> cache{};

    EXPECT_EQ(SystemMemory().NtQuerySystemInformation(kSystemFileCacheInformation, &cache, sizeof(cache)), 0);
    EXPECT_NE(SystemMemory().NtQuerySystemInformation(kSystemFileCacheInformation, &cache, 1), 0)
        << "the length must reach the system";
}

TEST(MemoryWin, SnapshotTakesTheFileCacheFiguresFromTheQuery) {
    SystemFileCacheInformation<SIZE_T> cache{};
    ASSERT_EQ(SystemMemory().NtQuerySystemInformation(kSystemFileCacheInformation, &cache, sizeof(cache)), 0);
    TMemoryUsage usage{};
    usage.AvailWork = usage.TotalWork = 0xDEADBEEFDEADBEEF;

    GetMemoryUsage(usage);

    EXPECT_EQ(usage.TotalWork, cache.PeakSize);
    EXPECT_LE(usage.AvailWork, usage.TotalWork);
}

TEST(MemoryWin, PurgeReturns) {
    static_assert(noexcept(PurgeMemory()));
    PurgeMemory();

    TMemoryUsage usage{};
    GetMemoryUsage(usage);
    EXPECT_GT(usage.TotalPhys, 0u);
}

} // namespace
