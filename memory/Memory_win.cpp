#include "memory/Memory_win.h"

#include <windows.h>

#include <cstddef>

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

// STATUS_PROCEDURE_NOT_FOUND, for an ntdll without the export.
constexpr std::int32_t kStatusProcedureNotFound = static_cast<std::int32_t>(0xC000007AU);

using NtQuerySystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using NtSetSystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG);

// GetProcAddress hands out FARPROC; the detour through void (*)() keeps -Wcast-function-type quiet.
template <typename Fn> Fn NtdllExport(HMODULE ntdll, const char* name) noexcept {
    if (ntdll == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, name)));
}

class WindowsMemorySystem final : public MemorySystem {
public:
    // ntdll is mapped into every process and never unloaded: no reference to hold.
    WindowsMemorySystem() noexcept : WindowsMemorySystem(::GetModuleHandleW(L"ntdll.dll")) {}

    explicit WindowsMemorySystem(HMODULE ntdll) noexcept
        : query_(NtdllExport<NtQuerySystemInformationFn>(ntdll, "NtQuerySystemInformation")),
          set_(NtdllExport<NtSetSystemInformationFn>(ntdll, "NtSetSystemInformation")) {}

    bool GlobalMemoryStatusEx(MemoryStatusEx& Status) override {
        // Handed over in place: copying to and from a MEMORYSTATUSEX was a fifth of the snapshot.
        return ::GlobalMemoryStatusEx(reinterpret_cast<MEMORYSTATUSEX*>(&Status)) != FALSE;
    }

    std::int32_t NtQuerySystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        if (query_ == nullptr) {
            return kStatusProcedureNotFound;
        }
        return query_(InformationClass, Buffer, Length, nullptr);
    }

    std::int32_t NtSetSystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        if (set_ == nullptr) {
            return kStatusProcedureNotFound;
        }
        return set_(InformationClass, Buffer, Length);
    }

private:
    const NtQuerySystemInformationFn query_;
    const NtSetSystemInformationFn set_;
};

} // namespace

MemorySystem& SystemMemory() noexcept {
    static WindowsMemorySystem system;
    return system;
}

void GetMemoryUsage(TMemoryUsage& Usage) {
    GetMemoryUsage(SystemMemory(), Usage);
}

void PurgeMemory() noexcept {
    PurgeMemory(SystemMemory());
}
