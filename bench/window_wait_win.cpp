// Waits, inside the Wine prefix of the program under test, for its visible top-level window and
// its notification-area icon.
//
//   window_wait CLASS TIMEOUT_MS [tray|trayonly]
//
// Prints "ready" once polling has begun, so the caller starts the program only then, then
// "visible=<ns>" with the Unix time (CLOCK_REALTIME, which is what Wine's system time reads) at
// which FindWindowW and IsWindowVisible first both said yes, and with "tray", "tray=<ns>" when
// the notification area first showed one icon more than before. Wine's taskbar gives each icon
// it shows a tool tip window of its own (owned by Shell_TrayWnd), made as the icon is shown: a new
// one is the new icon. With "trayonly" (a program started hidden) only the icon is waited for.
// Exit 1 on timeout.

#include <windows.h>
#include <commctrl.h>

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

struct TipCount {
    HWND taskbar;
    int count;
};

BOOL CALLBACK CountTip(HWND window, LPARAM param) {
    auto* tips = reinterpret_cast<TipCount*>(param);
    wchar_t className[32] = {};
    if (::GetWindow(window, GW_OWNER) == tips->taskbar && ::GetClassNameW(window, className, 32) > 0 &&
        lstrcmpiW(className, TOOLTIPS_CLASSW) == 0) {
        ++tips->count;
    }
    return TRUE;
}

// The taskbar's icon tool tips; -1 without a taskbar.
int TrayIcons() {
    TipCount tips{::FindWindowW(L"Shell_TrayWnd", nullptr), 0};
    if (tips.taskbar == nullptr) {
        return -1;
    }
    ::EnumWindows(CountTip, reinterpret_cast<LPARAM>(&tips));
    return tips.count;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_wait CLASS TIMEOUT_MS [tray|trayonly]\n");
        return 2;
    }
    const wchar_t* className = argv[1];
    const ULONGLONG timeout = std::wcstoul(argv[2], nullptr, 10);
    const bool tray = argc > 3 && (std::wcscmp(argv[3], L"tray") == 0 || std::wcscmp(argv[3], L"trayonly") == 0);
    bool windowSeen = argc > 3 && std::wcscmp(argv[3], L"trayonly") == 0;
    if (Visible(className)) {
        std::fprintf(stderr, "a window of that class is already visible\n");
        return 3;
    }
    // Wine starts the desktop, and its taskbar, for the first process that asks for it.
    ::GetDesktopWindow();
    for (int wait = 0; tray && wait < 10000 && TrayIcons() < 0; wait += 10) {
        ::Sleep(10);
    }
    const int iconsBefore = tray ? TrayIcons() : 0;
    if (tray && iconsBefore < 0) {
        std::fprintf(stderr, "there is no taskbar\n");
        return 3;
    }
    bool traySeen = !tray;
    std::printf("ready\n");
    std::fflush(stdout);

    const ULONGLONG deadline = ::GetTickCount64() + timeout;
    while (::GetTickCount64() < deadline) {
        if (!windowSeen && Visible(className)) {
            windowSeen = true;
            std::printf("visible=%lld\n", static_cast<long long>(UnixNanoseconds()));
            std::fflush(stdout);
        }
        if (!traySeen && TrayIcons() > iconsBefore) {
            traySeen = true;
            std::printf("tray=%lld\n", static_cast<long long>(UnixNanoseconds()));
            std::fflush(stdout);
        }
        if (windowSeen && traySeen) {
            return 0;
        }
        ::Sleep(1);
    }
    std::printf("timeout\n");
    return 1;
}
