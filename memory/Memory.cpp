#include "memory/Memory.h"

#include <cstring>
#include <type_traits>

namespace {

// SIZE_T of the build, spelt as one of the two layouts the engine is instantiated for.
using NativeSize = std::conditional_t<sizeof(std::size_t) == 8, std::uint64_t, std::uint32_t>;

// memset rather than `{}`: aggregate initialisation leaves padding unspecified, and the
// 64-bit file-cache structure has 4 bytes of it.
template <typename T> void ZeroBuffer(T& Buffer) noexcept {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memset(&Buffer, 0, sizeof(Buffer));
}

template <typename T> constexpr std::uint32_t BufferLength() noexcept { return static_cast<std::uint32_t>(sizeof(T)); }

float Percent(std::uint64_t Avail, std::uint64_t Total) {
    return static_cast<float>(UsagePercent(Total - Avail, Total));
}

} // namespace

double UsagePercent(std::uint64_t Used, std::uint64_t Total) {
    if (Used == 0 || Total == 0) {
        return 0.0;
    }
    const std::uint64_t scaled = Used * 100;
    return static_cast<double>(scaled) / static_cast<double>(Total);
}

namespace memory_detail {

template <typename SizeT> void GetMemoryUsageT(MemorySystem& System, TMemoryUsage& Usage) {
    MemoryStatusEx status;
    ZeroBuffer(status);
    status.dwLength = BufferLength<MemoryStatusEx>();
    // On failure the buffer stays zeroed and the snapshot reads 0 everywhere.
    static_cast<void>(System.GlobalMemoryStatusEx(status));

    Usage.AvailPhys = status.ullAvailPhys;
    Usage.AvailPage = status.ullAvailPageFile;
    Usage.AvailVirtual = status.ullAvailVirtual;
    Usage.TotalPhys = status.ullTotalPhys;
    Usage.TotalPage = status.ullTotalPageFile;
    Usage.TotalVirtual = status.ullTotalVirtual;
    Usage.UsagePhys = Percent(Usage.AvailPhys, Usage.TotalPhys);
    Usage.UsagePage = Percent(Usage.AvailPage, Usage.TotalPage);
    Usage.UsageVirtual = Percent(Usage.AvailVirtual, Usage.TotalVirtual);

    SystemFileCacheInformation<SizeT> cache;
    ZeroBuffer(cache);
    // Any status but 0 counts as failure, informational ones included.
    if (System.NtQuerySystemInformation(kSystemFileCacheInformation, &cache, BufferLength<decltype(cache)>()) != 0) {
        return;
    }
    // The room left up to the peak wraps in the width of SIZE_T, not of the record.
    Usage.AvailWork = static_cast<SizeT>(cache.PeakSize - cache.CurrentSize);
    Usage.TotalWork = cache.PeakSize;
    Usage.UsageWork = Percent(Usage.AvailWork, Usage.TotalWork);
}

template <typename SizeT> void PurgeMemoryT(MemorySystem& System) {
    // Statuses are discarded: a request refused for want of a privilege, or unknown to an older
    // system, is skipped and the next one still goes out.

    // A working-set range of (SIZE_T)-1, (SIZE_T)-1 asks the cache manager to trim the cache.
    SystemFileCacheInformation<SizeT> cache;
    ZeroBuffer(cache);
    cache.MinimumWorkingSet = static_cast<SizeT>(-1);
    cache.MaximumWorkingSet = static_cast<SizeT>(-1);
    static_cast<void>(
        System.NtSetSystemInformation(kSystemFileCacheInformation, &cache, BufferLength<decltype(cache)>()));

    constexpr std::uint32_t kCommands[] = {kMemoryEmptyWorkingSets, kMemoryPurgeLowPriorityStandbyList,
                                           kMemoryPurgeStandbyList, kMemoryFlushModifiedList};
    std::uint32_t command;
    for (const std::uint32_t next : kCommands) {
        // The previous request may have written into the buffer: every byte is set again.
        command = next;
        static_cast<void>(
            System.NtSetSystemInformation(kSystemMemoryListInformation, &command, BufferLength<decltype(command)>()));
    }

    MemoryCombineInformationEx combine;
    ZeroBuffer(combine);
    static_cast<void>(System.NtSetSystemInformation(kSystemCombinePhysicalMemoryInformation, &combine,
                                                    BufferLength<MemoryCombineInformationEx>()));
}

template void GetMemoryUsageT<std::uint32_t>(MemorySystem&, TMemoryUsage&);
template void GetMemoryUsageT<std::uint64_t>(MemorySystem&, TMemoryUsage&);
template void PurgeMemoryT<std::uint32_t>(MemorySystem&);
template void PurgeMemoryT<std::uint64_t>(MemorySystem&);

} // namespace memory_detail

void GetMemoryUsage(MemorySystem& System, TMemoryUsage& Usage) {
    memory_detail::GetMemoryUsageT<NativeSize>(System, Usage);
}

void PurgeMemory(MemorySystem& System) { memory_detail::PurgeMemoryT<NativeSize>(System); }
