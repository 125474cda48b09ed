#include "tests/e2e/Shell_win.h"

#include <commctrl.h>

#include "tests/e2e/Observe_win.h"

namespace inspect {

HWND Taskbar() { return ::FindWindowW(L"Shell_TrayWnd", nullptr); }

std::vector<HWND> VisibleTooltips() {
    std::vector<HWND> tips;
    for (HWND window : TopLevelWindows()) {
        if (::IsWindowVisible(window) && IsClass(window, TOOLTIPS_CLASSW)) {
            tips.push_back(window);
        }
    }
    return tips;
}

bool IsBalloon(HWND tooltip) { return (::GetWindowLongPtrW(tooltip, GWL_STYLE) & TTS_BALLOON) != 0; }

std::vector<HWND> AppPopupMenus() {
    std::vector<HWND> menus;
    for (HWND window : TopLevelWindows()) {
        if (::IsWindowVisible(window) && IsClass(window, L"#32768") && IsAppWindow(window)) {
            menus.push_back(window);
        }
    }
    return menus;
}

} // namespace inspect
