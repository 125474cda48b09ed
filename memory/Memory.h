#pragma once
// Memory engine: snapshots of system memory use and the purge sequence.
//
// The engine reaches the system through MemorySystem, three calls wide, so the arithmetic and
// the order of the purge requests are tested against a fake. Memory_win.h gives it Windows.

#include <cstddef>
#include <cstdint>

struct TMemoryUsage {
    std::uint64_t AvailPhys;
    std::uint64_t AvailPage;
    std::uint64_t AvailVirtual;
    std::uint64_t AvailWork;
    std::uint64_t TotalPhys;
    std::uint64_t TotalPage;
    std::uint64_t TotalVirtual;
    std::uint64_t TotalWork;
    float UsagePhys;
    float UsagePage;
    float UsageVirtual;
    float UsageWork;
};
static_assert(sizeof(TMemoryUsage) == 80);

// Used * 100 / Total, 0 when either is 0. The product wraps in 64 bits before the division;
// the result is not clamped.
double UsagePercent(std::uint64_t Used, std::uint64_t Total);

//--- Mirrors of the system's structures

// MEMORYSTATUSEX: 64 bytes in every build.
struct MemoryStatusEx {
    std::uint32_t dwLength;
    std::uint32_t dwMemoryLoad;
    std::uint64_t ullTotalPhys;
    std::uint64_t ullAvailPhys;
    std::uint64_t ullTotalPageFile;
    std::uint64_t ullAvailPageFile;
    std::uint64_t ullTotalVirtual;
    std::uint64_t ullAvailVirtual;
    std::uint64_t ullAvailExtendedVirtual;
};
static_assert(sizeof(MemoryStatusEx) == 64);

// SYSTEM_FILECACHE_INFORMATION with SIZE_T as SizeT: 36 bytes for a 32-bit process, 64 for a
// 64-bit one (PageFaultCount is followed by 4 bytes of padding there).
template <typename SizeT> struct SystemFileCacheInformation {
    SizeT CurrentSize;
    SizeT PeakSize;
    std::uint32_t PageFaultCount;
    SizeT MinimumWorkingSet;
    SizeT MaximumWorkingSet;
    SizeT CurrentSizeIncludingTransitionInPages;
    SizeT PeakSizeIncludingTransitionInPages;
    std::uint32_t TransitionRePurposeCount;
    std::uint32_t Flags;
};
static_assert(sizeof(SystemFileCacheInformation<std::uint32_t>) == 36);
static_assert(sizeof(SystemFileCacheInformation<std::uint64_t>) == 64);

// MEMORY_COMBINE_INFORMATION_EX (Handle, PagesCombined, Flags) with 8-byte fields: the
// combine request is 24 bytes in every build.
struct MemoryCombineInformationEx {
    std::uint64_t Handle;
    std::uint64_t PagesCombined;
    std::uint64_t Flags;
};
static_assert(sizeof(MemoryCombineInformationEx) == 24);

// SYSTEM_INFORMATION_CLASS values.
constexpr std::uint32_t kSystemFileCacheInformation = 21;
constexpr std::uint32_t kSystemMemoryListInformation = 80;
constexpr std::uint32_t kSystemCombinePhysicalMemoryInformation = 130;

// SYSTEM_MEMORY_LIST_COMMAND values.
constexpr std::uint32_t kMemoryEmptyWorkingSets = 2;
constexpr std::uint32_t kMemoryFlushModifiedList = 3;
constexpr std::uint32_t kMemoryPurgeStandbyList = 4;
constexpr std::uint32_t kMemoryPurgeLowPriorityStandbyList = 5;

//--- The seam

// The three system calls the engine makes. Statuses are NTSTATUS values.
class MemorySystem {
public:
    virtual ~MemorySystem() = default;
    virtual bool GlobalMemoryStatusEx(MemoryStatusEx& Status) = 0;
    virtual std::int32_t NtQuerySystemInformation(std::uint32_t InformationClass, void* Buffer,
                                                  std::uint32_t Length) = 0;
    virtual std::int32_t NtSetSystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) = 0;
};

//--- The engine

// Fills the caller's record. When the file-cache query fails, AvailWork, TotalWork and
// UsageWork keep what the caller put there.
void GetMemoryUsage(MemorySystem& System, TMemoryUsage& Usage);

// The six purge requests, in order. Every status is ignored.
void PurgeMemory(MemorySystem& System);

namespace memory_detail {
// The same, with the file-cache structure laid out for SizeT; the entry points above use
// std::size_t, the layout of the build.
template <typename SizeT> void GetMemoryUsageT(MemorySystem& System, TMemoryUsage& Usage);
template <typename SizeT> void PurgeMemoryT(MemorySystem& System);

extern template void GetMemoryUsageT<std::uint32_t>(MemorySystem&, TMemoryUsage&);
extern template void GetMemoryUsageT<std::uint64_t>(MemorySystem&, TMemoryUsage&);
extern template void PurgeMemoryT<std::uint32_t>(MemorySystem&);
extern template void PurgeMemoryT<std::uint64_t>(MemorySystem&);
} // namespace memory_detail
