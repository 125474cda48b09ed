// Cost of one snapshot against its floor, the bare GlobalMemoryStatusEx +
// NtQuerySystemInformation(21) pair. The two are timed in short alternating blocks, the order
// swapped each round, and each figure is the median over the rounds: drift (frequency scaling)
// falls on both alike, and a burst of load on the other core spoils only a few rounds.
//
//   snapshot_bench [calls]     calls of each kind in all, 202000 unless given
//
// Prints key=value lines: snapshot_ns, floor_ns (medians of the rounds' ns/call) and ratio
// (median of the rounds' ratios); mean_ratio is the ratio of the totals.

#include "bench/BenchTiming_win.h"
#include "memory/Memory_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

using namespace bench;

constexpr int kRounds = 101;

} // namespace

int wmain(int argc, wchar_t** argv) {
    const long requested = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 202000;
    const int perRound = std::max(1, static_cast<int>(requested / kRounds));

    const auto query = ResolveNtQuery();
    if (query == nullptr) {
        return 2;
    }
    const double nsPerCall = NsPerCall(perRound);

    // Warm-up: first-use resolution, caches, page faults.
    TimeSnapshots(perRound);
    TimeFloor(query, perRound);

    double snapshotNs[kRounds];
    double floorNs[kRounds];
    double ratios[kRounds];
    double snapshotTotal = 0;
    double floorTotal = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::int64_t snapshot;
        std::int64_t floor;
        if (round % 2 == 0) {
            snapshot = TimeSnapshots(perRound);
            floor = TimeFloor(query, perRound);
        } else {
            floor = TimeFloor(query, perRound);
            snapshot = TimeSnapshots(perRound);
        }
        snapshotNs[round] = static_cast<double>(snapshot) * nsPerCall;
        floorNs[round] = static_cast<double>(std::max<std::int64_t>(floor, 1)) * nsPerCall;
        ratios[round] = snapshotNs[round] / floorNs[round];
        snapshotTotal += snapshotNs[round];
        floorTotal += floorNs[round];
    }

    std::printf("calls=%d\n", perRound * kRounds);
    std::printf("snapshot_ns=%.1f\n", Median(snapshotNs, kRounds));
    std::printf("floor_ns=%.1f\n", Median(floorNs, kRounds));
    std::printf("ratio=%.3f\n", Median(ratios, kRounds));
    std::printf("mean_ratio=%.3f\n", snapshotTotal / floorTotal);
    return 0;
}
