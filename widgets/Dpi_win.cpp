#include "widgets/Dpi_win.h"

namespace dpi {
namespace {

template <typename Fn> Fn UserProc(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
using SetProcessDPIAwareFn = BOOL(WINAPI*)();

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    UINT value = screen ? static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY)) : kDefault;
    if (screen) {
        ::ReleaseDC(nullptr, screen);
    }
    return value ? value : kDefault;
}

} // namespace

void EnableProcessAwareness() {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 = -4, PER_MONITOR_AWARE = -3.
    if (auto setContext = UserProc<SetProcessDpiAwarenessContextFn>("SetProcessDpiAwarenessContext")) {
        if (setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4))) ||
            setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3)))) {
            return;
        }
        if (::GetLastError() == ERROR_ACCESS_DENIED) {
            return; // already set by the manifest
        }
    }
    if (auto setAware = UserProc<SetProcessDPIAwareFn>("SetProcessDPIAware")) {
        setAware();
    }
}

UINT ForWindow(HWND window) {
    static const auto getDpiForWindow = UserProc<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (UINT value = getDpiForWindow(window)) {
            return value;
        }
    }
    return SystemDpi();
}

RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    RECT rect{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    static const auto adjustForDpi = UserProc<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

LOGFONTW IconTitleFont(UINT dpi) {
    LOGFONTW font{};
    static const auto spiForDpi = UserProc<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    if (spiForDpi && spiForDpi(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0, dpi)) {
        return font;
    }
    if (::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0)) {
        // The answer is in the system DPI; bring it to the window's.
        font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
        return font;
    }
    font.lfHeight = -Scale(12, dpi);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return font;
}

int SmallIconSize(UINT dpi) {
    static const auto metricsForDpi = UserProc<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (metricsForDpi) {
        if (int size = metricsForDpi(SM_CXSMICON, dpi)) {
            return size;
        }
    }
    return Scale(16, dpi);
}

} // namespace dpi
