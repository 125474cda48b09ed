#include "memory/Memory_win.h"

// The status names from <ntstatus.h>, which clashes with <winnt.h>'s few unless <windows.h>
// comes first with WIN32_NO_STATUS.
#define WIN32_NO_STATUS
#include <windows.h>
#undef WIN32_NO_STATUS
#include <ntstatus.h>

#include <cstddef>

#include "base/DynCalls_win.h"

namespace {

// The mirror is passed to GlobalMemoryStatusEx as the real structure.
#define RAMBROOM_SAME_OFFSET(field) static_assert(offsetof(MEMORYSTATUSEX, field) == offsetof(MemoryStatusEx, field))
static_assert(sizeof(MEMORYSTATUSEX) == sizeof(MemoryStatusEx));
RAMBROOM_SAME_OFFSET(dwMemoryLoad);
RAMBROOM_SAME_OFFSET(ullTotalPhys);
RAMBROOM_SAME_OFFSET(ullAvailPhys);
RAMBROOM_SAME_OFFSET(ullTotalPageFile);
RAMBROOM_SAME_OFFSET(ullAvailPageFile);
RAMBROOM_SAME_OFFSET(ullTotalVirtual);
RAMBROOM_SAME_OFFSET(ullAvailVirtual);
RAMBROOM_SAME_OFFSET(ullAvailExtendedVirtual);
#undef RAMBROOM_SAME_OFFSET
static_assert(sizeof(SystemFileCacheInformation<SIZE_T>) == (sizeof(void*) == 8 ? 64 : 36));

class WindowsMemorySystem final : public MemorySystem {
public:
    WindowsMemorySystem() noexcept : query_(dyn::NtQuerySystemInformation()), set_(dyn::NtSetSystemInformation()) {}

    bool GlobalMemoryStatusEx(MemoryStatusEx& Status) override {
        // Handed over in place: copying to and from a MEMORYSTATUSEX was a fifth of the snapshot.
        return ::GlobalMemoryStatusEx(reinterpret_cast<MEMORYSTATUSEX*>(&Status)) != FALSE;
    }

    std::int32_t NtQuerySystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        if (query_ == nullptr) {
            return STATUS_PROCEDURE_NOT_FOUND;
        }
        return query_(InformationClass, Buffer, Length, nullptr);
    }

    std::int32_t NtSetSystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        if (set_ == nullptr) {
            return STATUS_PROCEDURE_NOT_FOUND;
        }
        return set_(InformationClass, Buffer, Length);
    }

private:
    const dyn::Sig_NtQuerySystemInformation query_;
    const dyn::Sig_NtSetSystemInformation set_;
};

} // namespace

MemorySystem& SystemMemory() noexcept {
    static WindowsMemorySystem system;
    return system;
}

void GetMemoryUsage(TMemoryUsage& Usage) { GetMemoryUsage(SystemMemory(), Usage); }

void PurgeMemory() noexcept { PurgeMemory(SystemMemory()); }
