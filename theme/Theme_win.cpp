#include "theme/Theme_win.h"

#include <stdexcept>

#include "base/DynCalls_win.h"
#include "base/Subclass_win.h"
#include "base/WindowClass_win.h"
#include "theme/Theme.h"
#include "widgets/Dpi_win.h"

namespace {

constexpr wchar_t kLineClass[] = L"RamBroomAccentLine";
// DWMWA_USE_IMMERSIVE_DARK_MODE: Windows 10 20H1 on; older systems answer E_INVALIDARG and draw
// their usual frame.
constexpr DWORD kUseImmersiveDarkMode = 20;

std::uint32_t SysColor(int index) { return ::GetSysColor(index); }

// The line: a plain child window filled with the colour kept in its user data, transparent to
// the mouse so the header beneath it stays clickable to its top edge.
LRESULT CALLBACK LineProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        const auto color = static_cast<COLORREF>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        // ExtTextOut with ETO_OPAQUE fills with the background colour without a brush to own.
        ::SetBkColor(dc, color);
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &ps.rcPaint, nullptr, 0, nullptr);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void RegisterLineClass(HINSTANCE instance) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = LineProc;
    wc.hInstance = instance;
    wc.lpszClassName = kLineClass;
    RegisterClassOnce(wc);
}

bool HasBorder(HWND form) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(form, GWL_STYLE));
    return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
}

} // namespace

TThemeHelper::TThemeHelper(HWND form) : FForm(form) {
    if (!::IsWindow(form) || (::GetWindowLongPtrW(form, GWL_STYLE) & WS_CHILD) != 0) {
        throw std::invalid_argument("TThemeHelper owner must be a form (a top-level window)");
    }
    if (auto setAttribute = dyn::DwmSetWindowAttribute()) {
        const BOOL dark = -1;                                            // all bits set: TRUE
        setAttribute(FForm, kUseImmersiveDarkMode, &dark, sizeof(dark)); // refused: the usual frame
    }
    auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(FForm, GWLP_HINSTANCE));
    RegisterLineClass(instance);
    FShape.reset(::CreateWindowExW(0, kLineClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, FForm, nullptr, instance,
                                   nullptr));
    FHooked = AttachLocalSubclass<WndProc>(FForm, reinterpret_cast<DWORD_PTR>(this));
    UpdateShape();
}

TThemeHelper::~TThemeHelper() {
    // The hook goes first, so nothing touches the line while it goes.
    Unhook();
}

void TThemeHelper::Unhook() {
    if (FHooked) {
        DetachLocalSubclass<WndProc>(FForm);
        FHooked = false;
    }
}

LRESULT TThemeHelper::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data, WNDPROC next) {
    auto* self = reinterpret_cast<TThemeHelper*>(data);
    switch (msg) {
    case WM_SIZE:
        self->UpdateShape();
        break;
    case WM_ACTIVATE:
        self->FIsActive = LOWORD(wParam) != WA_INACTIVE;
        self->UpdateShape();
        break;
    case WM_DESTROY:
        // The form takes its children, the line among them, after this message: the hook stops
        // here, and the line is the form's to destroy.
        self->Unhook();
        static_cast<void>(self->FShape.release());
        break;
    default:
        break;
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

void TThemeHelper::UpdateShape() {
    HWND line = FShape.get();
    if (!line) {
        return;
    }
    const theme::AccentLine look = theme::AccentLineFor(FIsActive, HasBorder(FForm), dpi::ForWindow(FForm));
    const COLORREF color = ColorToRGB(look.color, SysColor);
    if (static_cast<COLORREF>(::GetWindowLongPtrW(line, GWLP_USERDATA)) != color) {
        ::SetWindowLongPtrW(line, GWLP_USERDATA, static_cast<LONG_PTR>(color));
        ::InvalidateRect(line, nullptr, FALSE);
    }
    RECT client{};
    ::GetClientRect(FForm, &client);
    // Above every other child, across the client area's full width.
    ::SetWindowPos(line, HWND_TOP, 0, 0, client.right, look.height,
                   SWP_NOACTIVATE | (look.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

std::unique_ptr<TThemeHelper> ApplyTheme(HWND form) { return std::make_unique<TThemeHelper>(form); }
