#pragma once
// How many handles a process holds, for the tests that look for leaks. Wine 8's
// GetProcessHandleCount answers 0: there the process's entries of the system handle list count
// instead (SystemHandleInformation, whose entries Wine gives a full 32-bit process id).

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

#include "base/DynCalls_win.h"

namespace test_support {

inline std::optional<long long> HandleCount(HANDLE process, DWORD pid) {
    DWORD count = 0;
    if (::GetProcessHandleCount(process, &count) && count > 0) {
        return count;
    }
    struct Entry {
        ULONG process;
        BYTE type;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct List {
        ULONG count;
        Entry first;
    };
    constexpr ULONG kSystemHandleInformation = 16;
    // STATUS_INFO_LENGTH_MISMATCH: <ntstatus.h> clashes with the <winnt.h> already included.
    constexpr auto kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    auto query = dyn::NtQuerySystemInformation();
    std::vector<std::byte> buffer(1 << 16);
    NTSTATUS status = kLengthMismatch;
    while (query && (status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                    nullptr)) == kLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status < 0) {
        return std::nullopt;
    }
    ULONG entries = 0;
    std::memcpy(&entries, buffer.data(), sizeof(entries));
    long long mine = 0;
    for (ULONG i = 0; i < entries; ++i) {
        Entry entry;
        std::memcpy(&entry, buffer.data() + offsetof(List, first) + i * sizeof(Entry), sizeof(entry));
        mine += entry.process == pid ? 1 : 0;
    }
    return mine;
}

} // namespace test_support
