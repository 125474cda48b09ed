#include "update/Uid_win.h"

#include <windows.h>

#include <mutex>
#include <random>

#include "config/Registry_win.h"
#include "update/Uid.h"

namespace {

// One generator per process, seeded from the performance counter at its first use; the
// identifier is made on the server check's worker, so draws are serialised.
std::uint32_t DrawBelow(std::uint32_t bound) {
    static std::mutex mutex;
    static std::mt19937 generator = [] {
        LARGE_INTEGER counter{};
        ::QueryPerformanceCounter(&counter);
        return std::mt19937(static_cast<std::uint32_t>(counter.QuadPart ^ (counter.QuadPart >> 32)));
    }();
    std::lock_guard lock(mutex);
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(generator);
}

CivilTime LocalNow() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

} // namespace

std::wstring NewUID() { return NewUID(DrawBelow, LocalNow); }

std::wstring GetUID() {
    return GetUID(SystemRegistry(), [] { return NewUID(); });
}
