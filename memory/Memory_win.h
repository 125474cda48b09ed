#pragma once
// The memory engine over Windows: GlobalMemoryStatusEx and the ntdll system-information calls.

#include "memory/Memory.h"

// The process-wide seam. NtQuerySystemInformation and NtSetSystemInformation are resolved from
// ntdll on first use; safe to call from any thread.
MemorySystem& SystemMemory() noexcept;

void GetMemoryUsage(TMemoryUsage& Usage);

// Never throws: the purge requests' statuses are ignored.
void PurgeMemory() noexcept;
