#include "update/UpdateStatus_win.h"

#include <commctrl.h>

#include <memory>
#include <utility>

#include "base/DynCalls_win.h"
#include "base/Handles_win.h"
#include "translate/Translate_win.h"
#include "update/UpdateText.h"
#include "update/WebUrl.h"
#include "widgets/Dpi_win.h"
#include "widgets/Placement.h"

namespace {

constexpr COLORREF kTextColour = RGB(255, 0, 0);
constexpr UINT_PTR kBarSubclassId = 1;
// On the main window, beside whatever else subclasses it.
constexpr UINT_PTR kOwnerSubclassId = kUpdateStatusId;
// The bar's property that points at its state (MinGW's comctl32 import library lacks GetWindowSubclass).
constexpr wchar_t kLineProperty[] = L"RamBroom.UpdateStatus";

// The line's state, owned by its status bar (freed with it).
struct StatusLine {
    HWND owner = nullptr;
    HWND bar = nullptr;
    std::wstring text;
    std::wstring url;
    std::function<void(const std::wstring&)> onOpenUrl;
    UniqueHfont font;
    // Owned by the main window, which may destroy it first (owned windows go before their owner).
    HWND tooltip = nullptr;

    StatusLine() = default;
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;
    ~StatusLine() {
        if (tooltip && ::IsWindow(tooltip)) {
            ::DestroyWindow(tooltip);
        }
    }
};

StatusLine* LineOf(HWND bar) { return bar ? static_cast<StatusLine*>(::GetPropW(bar, kLineProperty)) : nullptr; }

// The status bar's own font (the system's status font) at `dpi`, bold.
UniqueHfont BoldStatusFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    auto spiForDpi = dyn::SystemParametersInfoForDpi();
    if (!(spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))) {
        if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(metrics.lfStatusFont), &metrics.lfStatusFont);
        }
    }
    metrics.lfStatusFont.lfWeight = FW_BOLD;
    return UniqueHfont(::CreateFontIndirectW(&metrics.lfStatusFont));
}

void ApplyFont(StatusLine& line) {
    UniqueHfont font = BoldStatusFont(dpi::ForWindow(line.owner));
    ::SendMessageW(line.bar, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    line.font = std::move(font);
}

// The bar's height at the main window's DPI.
int BarHeight(HWND owner) { return dpi::Scale(kUpdateStatusHeight, dpi::ForWindow(owner)); }

// The bar is not aligned by the control itself (CCS_NOPARENTALIGN, CCS_NORESIZE): its height is
// fixed at the window's DPI, where the control would size itself to its font.
void PlaceBar(const StatusLine& line) {
    RECT client;
    ::GetClientRect(line.owner, &client);
    const int height = BarHeight(line.owner);
    ::SetWindowPos(line.bar, nullptr, 0, client.bottom - height, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
    int rightEdges[] = {-1}; // one panel to the right end, at any width
    ::SendMessageW(line.bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
}

void DrawPanel(const StatusLine& line, const DRAWITEMSTRUCT& item) {
    RECT rect = item.rcItem;
    ::FillRect(item.hDC, &rect, ::GetSysColorBrush(COLOR_3DFACE));
    SelectObjectScope font(item.hDC, line.font.get());
    ::SetTextColor(item.hDC, kTextColour);
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::DrawTextW(item.hDC, line.text.c_str(), static_cast<int>(line.text.size()), &rect,
                DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
}

void Open(const StatusLine& line) {
    if (line.onOpenUrl && IsWebUrl(line.url)) {
        line.onOpenUrl(line.url);
    }
}

// Paints the bar into a bitmap and puts it on the screen in one copy: the control draws itself
// there through WM_PRINTCLIENT (the panel through WM_DRAWITEM, with the bitmap's DC).
void PaintBuffered(HWND bar) {
    PAINTSTRUCT ps;
    HDC screen = ::BeginPaint(bar, &ps);
    RECT client;
    ::GetClientRect(bar, &client);
    UniqueHdc memory(::CreateCompatibleDC(screen));
    UniqueHbitmap bitmap(memory ? ::CreateCompatibleBitmap(screen, client.right, client.bottom) : nullptr);
    if (bitmap) {
        SelectObjectScope select(memory.get(), bitmap.get());
        ::DefSubclassProc(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
        ::BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                 ps.rcPaint.bottom - ps.rcPaint.top, memory.get(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    } else {
        ::DefSubclassProc(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(screen), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ::EndPaint(bar, &ps);
}

LRESULT CALLBACK OwnerSubclassProc(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data);

LRESULT CALLBACK BarSubclassProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* line = reinterpret_cast<StatusLine*>(data);
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE; // the buffered paint fills everything
    case WM_PAINT:
        if (wParam == 0) {
            PaintBuffered(bar);
            return 0;
        }
        break;
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_NCDESTROY:
        ::RemovePropW(bar, kLineProperty);
        ::RemoveWindowSubclass(bar, BarSubclassProc, kBarSubclassId);
        ::RemoveWindowSubclass(line->owner, OwnerSubclassProc, kOwnerSubclassId);
        delete line;
        return ::DefSubclassProc(bar, msg, wParam, lParam);
    default:
        break;
    }
    return ::DefSubclassProc(bar, msg, wParam, lParam);
}

// The main window's messages that concern the bar: its size, the panel's drawing and clicks
// (a status bar sends both to its parent), and a DPI change.
LRESULT OwnerMessage(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam, HWND bar) {
    StatusLine* line = LineOf(bar);
    if (!line) {
        return ::DefSubclassProc(owner, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_SIZE: {
        const LRESULT result = ::DefSubclassProc(owner, msg, wParam, lParam);
        if (wParam != SIZE_MINIMIZED) {
            PlaceBar(*line);
        }
        return result;
    }
    case WM_DPICHANGED: {
        const LRESULT result = ::DefSubclassProc(owner, msg, wParam, lParam);
        ApplyFont(*line);
        PlaceBar(*line);
        ::InvalidateRect(bar, nullptr, FALSE);
        return result;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->hwndItem == bar) {
            DrawPanel(*line, *item);
            return TRUE;
        }
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == bar) {
            if (header->code == NM_CLICK) {
                Open(*line);
            }
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return ::DefSubclassProc(owner, msg, wParam, lParam);
}

LRESULT CALLBACK OwnerSubclassProc(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(owner, OwnerSubclassProc, kOwnerSubclassId);
        return ::DefSubclassProc(owner, msg, wParam, lParam);
    }
    // Nothing thrown (the click's callback) may unwind through the system's frames; the
    // window's own handling goes on.
    try {
        return OwnerMessage(owner, msg, wParam, lParam, reinterpret_cast<HWND>(data));
    } catch (...) {
        return ::DefSubclassProc(owner, msg, wParam, lParam);
    }
}

HWND CreateTooltip(HWND owner, HWND bar, std::wstring& text) {
    HWND tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
    if (tooltip) {
        TTTOOLINFOW tool{sizeof(tool)};
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(bar);
        tool.lpszText = text.data();
        ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tooltip;
}

// The window grows downwards by `height`, moved up only as far as it takes to keep its bottom in
// its monitor's work area (sideways it stays); a minimised one grows where it will be restored.
void GrowBy(HWND owner, int height) {
    WINDOWPLACEMENT placement{sizeof(placement)};
    if (::IsIconic(owner) && ::GetWindowPlacement(owner, &placement)) {
        placement.rcNormalPosition.bottom += height;
        ::SetWindowPlacement(owner, &placement);
        return;
    }
    RECT outer;
    ::GetWindowRect(owner, &outer);
    const int width = outer.right - outer.left, grown = outer.bottom - outer.top + height;
    MONITORINFO monitor{sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const placement::Rect placed =
        placement::FitIntoWorkArea(outer.left, outer.top, width, grown, {work.left, work.top, work.right, work.bottom});
    ::SetWindowPos(owner, nullptr, outer.left, placed.top, width, grown, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The bar, its state and the main window's subclass; nullptr when the bar cannot be made.
StatusLine* CreateLine(HWND owner) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_BAR_CLASSES}; // the status bar and tooltips
    ::InitCommonControlsEx(&classes);
    RECT client;
    ::GetClientRect(owner, &client);
    // Below the content at first; the window grows to show it.
    UniqueHwnd bar(::CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0,
        client.bottom, client.right, BarHeight(owner), owner,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kUpdateStatusId)), ::GetModuleHandleW(nullptr), nullptr));
    if (!bar) {
        return nullptr;
    }
    auto line = std::make_unique<StatusLine>();
    line->owner = owner;
    line->bar = bar.get();
    if (!::SetPropW(bar.get(), kLineProperty, line.get()) ||
        !::SetWindowSubclass(bar.get(), BarSubclassProc, kBarSubclassId, reinterpret_cast<DWORD_PTR>(line.get())) ||
        !::SetWindowSubclass(owner, OwnerSubclassProc, kOwnerSubclassId, reinterpret_cast<DWORD_PTR>(bar.get()))) {
        ::RemoveWindowSubclass(bar.get(), BarSubclassProc, kBarSubclassId);
        ::RemovePropW(bar.get(), kLineProperty);
        return nullptr;
    }
    StatusLine* kept = line.release(); // the bar owns it now, and the window owns the bar
    static_cast<void>(bar.release());
    ApplyFont(*kept);
    // One owner-drawn panel; its text is the line's own, drawn by DrawPanel.
    int rightEdges[] = {-1};
    ::SendMessageW(kept->bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
    ::SendMessageW(kept->bar, SB_SETTEXTW, SBT_OWNERDRAW, 0);

    GrowBy(owner, BarHeight(owner));
    PlaceBar(*kept);
    return kept;
}

} // namespace

void ShowUpdateStatus(HWND mainWindow, const std::wstring& url, std::function<void(const std::wstring&)> onOpenUrl,
                      std::wstring_view language) {
    if (!mainWindow || !::IsWindow(mainWindow)) {
        return;
    }
    StatusLine* line = LineOf(FindUpdateStatus(mainWindow));
    if (!line && !(line = CreateLine(mainWindow))) {
        return;
    }
    line->text = UpdateText(UpdateTextKind::StatusLine, language.empty() ? CurrentLanguage() : language);
    line->url = url;
    line->onOpenUrl = std::move(onOpenUrl);
    if (!line->tooltip) {
        line->tooltip = CreateTooltip(mainWindow, line->bar, line->url);
    } else {
        TTTOOLINFOW tool{sizeof(tool)};
        tool.hwnd = mainWindow;
        tool.uId = reinterpret_cast<UINT_PTR>(line->bar);
        tool.lpszText = line->url.data();
        ::SendMessageW(line->tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::InvalidateRect(line->bar, nullptr, FALSE);
}

int UpdateStatusHeight(HWND mainWindow) { return FindUpdateStatus(mainWindow) ? kUpdateStatusHeight : 0; }

HWND FindUpdateStatus(HWND mainWindow) {
    HWND bar = mainWindow ? ::GetDlgItem(mainWindow, kUpdateStatusId) : nullptr;
    return LineOf(bar) ? bar : nullptr;
}
