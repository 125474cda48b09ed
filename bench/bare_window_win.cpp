// The floor for RamBroom.exe's footprint, start-up and idle cost: one ordinary 500x450 top-level
// window of class "RamBroomBareWindow", a notification-area icon, and the same one-second
// readings (GlobalMemoryStatusEx and the file-cache information) from a periodic timer;
// nothing else.
//
//   bare_window [/start]    /start: the window is never shown, as RamBroom's
//
// WM_CLOSE hides the window, as RamBroom's close button does; WM_USER with wParam 2 quits.

#include <windows.h>
#include <shellapi.h>

#include <iterator>

#include "base/DynCalls_win.h"
#include "memory/Memory_win.h"

namespace {

constexpr wchar_t kClassName[] = L"RamBroomBareWindow";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;

dyn::Sig_NtQuerySystemInformation gQuery;
volatile ULONGLONG gSink;

void Read() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ::GlobalMemoryStatusEx(&status);
    SystemFileCacheInformation<SIZE_T> cache{};
    if (gQuery) {
        gQuery(kSystemFileCacheInformation, &cache, sizeof(cache), nullptr);
    }
    gSink = gSink + status.ullAvailPhys + cache.CurrentSize;
}

void AddTrayIcon(HWND window) {
    NOTIFYICONDATAW nid = {sizeof(nid)};
    nid.hWnd = window;
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(nid.szTip, L"Bare window", static_cast<int>(std::size(nid.szTip)));
    ::Shell_NotifyIconW(NIM_ADD, &nid);
}

void RemoveTrayIcon(HWND window) {
    NOTIFYICONDATAW nid = {sizeof(nid)};
    nid.hWnd = window;
    nid.uID = 1;
    ::Shell_NotifyIconW(NIM_DELETE, &nid);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        Read();
        return 0;
    case WM_CLOSE:
        ::ShowWindow(window, SW_HIDE);
        return 0;
    case WM_USER:
        if (wParam == 2) {
            ::DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        RemoveTrayIcon(window);
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    gQuery = dyn::NtQuerySystemInformation();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    HWND window = ::CreateWindowExW(0, kClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    500, 450, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    Read();
    ::SetTimer(window, kTimerId, 1000, nullptr);
    if (lstrcmpiW(commandLine, L"/start") != 0) {
        ::ShowWindow(window, showCommand);
        ::UpdateWindow(window);
    }
    AddTrayIcon(window);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
