#pragma once
// Timing pieces the benchmark programs share: the performance counter, the snapshot and its
// floor (the bare GlobalMemoryStatusEx + NtQuerySystemInformation(kSystemFileCacheInformation) pair), and medians.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/DynCalls_win.h"
#include "memory/Memory_win.h"

namespace bench {

// Results go here so the compiler cannot drop the calls that make them.
inline volatile std::uint64_t g_sink;

inline std::int64_t Ticks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline std::int64_t TimeSnapshots(int calls) {
    const std::int64_t start = Ticks();
    for (int i = 0; i < calls; ++i) {
        TMemoryUsage usage{};
        GetMemoryUsage(usage);
        g_sink = g_sink + usage.AvailPhys + usage.TotalWork;
    }
    return Ticks() - start;
}

inline std::int64_t TimeFloor(dyn::Sig_NtQuerySystemInformation query, int calls) {
    const std::int64_t start = Ticks();
    for (int i = 0; i < calls; ++i) {
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof(status);
        ::GlobalMemoryStatusEx(&status);
        SystemFileCacheInformation<SIZE_T> cache{};
        query(kSystemFileCacheInformation, &cache, sizeof(cache), nullptr);
        g_sink = g_sink + status.ullAvailPhys + cache.PeakSize;
    }
    return Ticks() - start;
}

// NtQuerySystemInformation from ntdll; nullptr (after a message) when it is missing.
inline dyn::Sig_NtQuerySystemInformation ResolveNtQuery() {
    auto query = dyn::NtQuerySystemInformation();
    if (query == nullptr) {
        std::fprintf(stderr, "NtQuerySystemInformation not found\n");
    }
    return query;
}

// Nanoseconds per call of a block of `perRound` calls timed in performance-counter ticks.
inline double NsPerCall(int perRound) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1e9 / static_cast<double>(frequency.QuadPart) / perRound;
}

inline double Median(double* values, int count) {
    std::sort(values, values + count);
    return values[count / 2];
}

} // namespace bench
