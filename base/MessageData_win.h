#pragma once
// Reading the structure a window message points at. Any process can send or post a message with
// any number where a pointer belongs; these copy the structure only from readable memory of this
// process, so a forged address is refused instead of read.

#include <windows.h>

#include <cstddef>
#include <cstring>

// Whether `size` bytes at `address` lie in one committed, readable region of this process.
inline bool ReadableInThisProcess(const void* address, std::size_t size) {
    MEMORY_BASIC_INFORMATION region{};
    if (!address || ::VirtualQuery(address, &region, sizeof(region)) != sizeof(region) || region.State != MEM_COMMIT) {
        return false;
    }
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const auto* end = static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize;
    return (region.Protect & kReadable) != 0 && (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) == 0 &&
           static_cast<std::size_t>(end - static_cast<const unsigned char*>(address)) >= size;
}

// Copies the message's structure at `address` into `out` when it is readable memory of this process.
template <typename T> bool CopyFromThisProcess(LPARAM address, T& out) {
    const auto* from = reinterpret_cast<const void*>(address);
    if (!ReadableInThisProcess(from, sizeof(T))) {
        return false;
    }
    std::memcpy(&out, from, sizeof(T));
    return true;
}
