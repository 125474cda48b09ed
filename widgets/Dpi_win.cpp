#include "widgets/Dpi_win.h"

#include "base/DynCalls_win.h"

namespace dpi {
namespace {

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
    if (auto setContext = dyn::SetProcessDpiAwarenessContext()) {
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
            setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
            return;
        }
        if (::GetLastError() == ERROR_ACCESS_DENIED) {
            return; // already set by the manifest
        }
    }
    ::SetProcessDPIAware();
}

UINT ForWindow(HWND window) {
    auto getDpiForWindow = dyn::GetDpiForWindow();
    if (getDpiForWindow && window) {
        if (UINT value = getDpiForWindow(window)) {
            return value;
        }
    }
    return SystemDpi();
}

RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    RECT rect{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    auto adjustForDpi = dyn::AdjustWindowRectExForDpi();
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

LOGFONTW IconTitleFont(UINT dpi) {
    LOGFONTW font{};
    auto spiForDpi = dyn::SystemParametersInfoForDpi();
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
    auto metricsForDpi = dyn::GetSystemMetricsForDpi();
    if (metricsForDpi) {
        if (int size = metricsForDpi(SM_CXSMICON, dpi)) {
            return size;
        }
    }
    return Scale(16, dpi);
}

} // namespace dpi
