// Waits, inside the Wine prefix of the program under test, for a visible top-level window.
//
//   window_wait CLASS TIMEOUT_MS
//
// Prints "ready" once polling has begun, so the caller starts the program only then, and
// "visible=<ns>" with the Unix time (CLOCK_REALTIME, which is what Wine's system time reads)
// at which FindWindowW and IsWindowVisible first both said yes. Exit 1 on timeout.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

// FILETIME counts 100 ns from 1601; the Unix epoch is 11644473600 s later.
std::int64_t UnixNanoseconds() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

bool Visible(const wchar_t* className) {
    HWND window = ::FindWindowW(className, nullptr);
    return window != nullptr && ::IsWindowVisible(window);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_wait CLASS TIMEOUT_MS\n");
        return 2;
    }
    const wchar_t* className = argv[1];
    const ULONGLONG timeout = std::wcstoul(argv[2], nullptr, 10);
    if (Visible(className)) {
        std::fprintf(stderr, "a window of that class is already visible\n");
        return 3;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    const ULONGLONG deadline = ::GetTickCount64() + timeout;
    while (::GetTickCount64() < deadline) {
        if (Visible(className)) {
            std::printf("visible=%lld\n", static_cast<long long>(UnixNanoseconds()));
            return 0;
        }
        ::Sleep(1);
    }
    std::printf("timeout\n");
    return 1;
}
