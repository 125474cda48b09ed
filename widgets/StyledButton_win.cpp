#include "widgets/StyledButton_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/Handles_win.h"
#include "base/MessageData_win.h"
#include "theme/ButtonStyles.h"
#include "widgets/ButtonFace.h"
#include "widgets/Dpi_win.h"
#include "widgets/FormControls_win.h"

namespace {

constexpr UINT_PTR kStyledSubclassId = 4;
// Marks a styled button, for its group's arrow keys.
constexpr wchar_t kStyledProperty[] = L"RamBroom.StyledButton";

struct StyledButton {
    TButtonStyle style;
    int radius = 6;
    unsigned options = 0;
    bool focusShown = false;   // the keyboard moved the focus here
    bool settingFocus = false; // inside the button's own WM_SETFOCUS
    bool hot = false;          // the pointer is over it
    bool tracking = false;     // a WM_MOUSELEAVE is asked for
};

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// Whether the focus arrives because of a key: Tab and Shift+Tab, the arrow keys of a group, an
// access key (Alt). A click holds a mouse button down while the button takes the focus.
bool FocusFromKeyboard() {
    if (KeyDown(VK_LBUTTON) || KeyDown(VK_RBUTTON) || KeyDown(VK_MBUTTON)) {
        return false;
    }
    for (int key : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_MENU}) {
        if (KeyDown(key)) {
            return true;
        }
    }
    return false;
}

// The parent's background, as it answers for its children (WM_CTLCOLORBTN); white without one.
COLORREF BackgroundOf(HWND button, HDC dc) {
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        ::GetParent(button), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)));
    LOGBRUSH info{};
    if (brush && ::GetObjectW(brush, sizeof(info), &info) == sizeof(info) && info.lbStyle == BS_SOLID) {
        return info.lbColor;
    }
    return RGB(255, 255, 255);
}

button_face::Flags FlagsOf(HWND button, const StyledButton& self) {
    const auto state = static_cast<UINT>(::SendMessageW(button, BM_GETSTATE, 0, 0));
    button_face::Flags flags;
    flags.enabled = ::IsWindowEnabled(button) != FALSE;
    flags.pushed = (state & BST_PUSHED) != 0;
    flags.checked = (state & 0x3) == BST_CHECKED;
    flags.hot = self.hot;
    flags.focused = (state & BST_FOCUS) != 0 || ::GetFocus() == button;
    flags.focusShown = self.focusShown;
    return flags;
}

// The control's font, or a variant of it with the set's styles.
UniqueHfont StyledFont(HFONT base, unsigned fontStyle) {
    if (fontStyle == 0) {
        return {};
    }
    LOGFONTW font{};
    if (!::GetObjectW(base ? base : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)), sizeof(font), &font)) {
        return {};
    }
    if (fontStyle & fsBold) {
        font.lfWeight = FW_BOLD;
    }
    font.lfItalic = (fontStyle & fsItalic) ? TRUE : FALSE;
    font.lfUnderline = (fontStyle & fsUnderline) ? TRUE : FALSE;
    font.lfStrikeOut = (fontStyle & fsStrikeOut) ? TRUE : FALSE;
    return UniqueHfont(::CreateFontIndirectW(&font));
}

// The whole button, face and caption, drawn off-screen and copied onto `target` at once.
void Paint(HWND button, const StyledButton& self, HDC target) {
    RECT client{};
    ::GetClientRect(button, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as button_face::Canvas reads it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHdc memory(::CreateCompatibleDC(target));
    UniqueHbitmap bitmap(memory ? ::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!bitmap || !bits) {
        return;
    }
    SelectObjectScope selectBitmap(memory.get(), bitmap.get());

    const button_face::Flags flags = FlagsOf(button, self);
    const TStyledButtonAttributes& set = self.style.For(button_face::StateFor(flags));
    const button_face::Metrics metrics = button_face::MetricsFor(self.radius, set.BorderWidth, dpi::ForWindow(button));
    button_face::Canvas canvas{static_cast<std::uint32_t*>(bits), width, height};
    const COLORREF background = BackgroundOf(button, memory.get());
    std::fill_n(canvas.pixels, static_cast<std::size_t>(width) * height, button_face::PixelOf(background));
    button_face::PaintFace(canvas, set, metrics);
    if (button_face::ShowsFocusRing(flags)) {
        button_face::PaintFocusRing(canvas, set.FontColor, metrics);
    }
    ::GdiFlush(); // the pixels were written directly: GDI draws the caption after them

    const int length = ::GetWindowTextLengthW(button);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(::GetWindowTextW(button, caption.data(), length + 1)));
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0));
    UniqueHfont styled = StyledFont(font, set.FontStyle);
    HFONT drawn = styled ? styled.get() : font;
    SelectObjectScope selectFont(memory.get(),
                                 drawn ? static_cast<HGDIOBJ>(drawn) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), static_cast<COLORREF>(set.FontColor));
    RECT text = client;
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | (self.focusShown ? 0u : DT_HIDEPREFIX);
    ::DrawTextW(memory.get(), caption.c_str(), static_cast<int>(caption.size()), &text, format);

    ::BitBlt(target, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

// The enabled, visible styled buttons of `button`'s group: its siblings that are styled group
// members, in their order.
std::vector<HWND> GroupOf(HWND button) {
    std::vector<HWND> group;
    for (HWND sibling = ::GetWindow(::GetParent(button), GW_CHILD); sibling;
         sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
        const auto* other = static_cast<const StyledButton*>(::GetPropW(sibling, kStyledProperty));
        if (other && (other->options & kStyledInGroup) &&
            (sibling == button || (::IsWindowVisible(sibling) && ::IsWindowEnabled(sibling)))) {
            group.push_back(sibling);
        }
    }
    return group;
}

void MoveInGroup(HWND button, bool forward) {
    const std::vector<HWND> group = GroupOf(button);
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (group[i] == button) {
            const std::size_t next = forward ? (i + 1) % group.size() : (i + group.size() - 1) % group.size();
            ::SetFocus(group[next]);
            return;
        }
    }
}

bool IsArrow(WPARAM key) { return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN; }

LRESULT OnCustomDraw(HWND button, const StyledButton& self, LPARAM lParam) {
    NMCUSTOMDRAW draw{};
    if (!CopyFromThisProcess(lParam, draw) || draw.hdr.hwndFrom != button || draw.hdr.code != NM_CUSTOMDRAW) {
        return CDRF_DODEFAULT;
    }
    // Everything is drawn at the first stage the control announces (Windows and Wine begin with
    // the erase), and the control draws nothing of its own: no stock face shows for a moment.
    if (draw.dwDrawStage == CDDS_PREERASE || draw.dwDrawStage == CDDS_PREPAINT) {
        Paint(button, self, draw.hdc);
        return CDRF_SKIPDEFAULT;
    }
    return CDRF_DODEFAULT;
}

LRESULT CALLBACK StyledSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<StyledButton*>(data);
    switch (msg) {
    case kReflectBase + WM_NOTIFY:
        return OnCustomDraw(hwnd, *self, lParam);
    case kReflectBase + WM_COMMAND:
        // Windows clicks a radio button that the focus reaches unchecked (the arrow keys of a
        // dialog's group): here the focus only moves, and Space or Enter clicks.
        if (HIWORD(wParam) == BN_CLICKED && self->settingFocus) {
            return 0;
        }
        break;
    case WM_SETFOCUS: {
        self->focusShown = FocusFromKeyboard();
        self->settingFocus = true;
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        self->settingFocus = false;
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return result;
    }
    case WM_KILLFOCUS:
        self->focusShown = false;
        break;
    case WM_MOUSEMOVE: {
        // Hot from the first move over it to the pointer leaving. The button's own tracking
        // (BST_HOT) waits for a hover, which Wine misses when the pointer jumps from one button
        // straight onto the next.
        RECT client{};
        ::GetClientRect(hwnd, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const bool over = ::PtInRect(&client, at) != FALSE;
        if (over && !self->tracking) {
            TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, hwnd, 0};
            self->tracking = ::TrackMouseEvent(&leave) != FALSE;
        }
        if (over != self->hot) {
            self->hot = over;
            ::InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    }
    case WM_MOUSELEAVE:
        self->tracking = false;
        if (self->hot) {
            self->hot = false;
            ::InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case WM_UPDATEUISTATE:
        // The window's keyboard cues turned on (a key in a dialog) or off.
        if (HIWORD(wParam) & UISF_HIDEFOCUS) {
            if (LOWORD(wParam) == UIS_CLEAR && ::GetFocus() == hwnd) {
                self->focusShown = true;
            } else if (LOWORD(wParam) == UIS_SET) {
                self->focusShown = false;
            }
            ::InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case WM_GETDLGCODE: {
        LRESULT code = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        MSG key{};
        if (lParam && CopyFromThisProcess(lParam, key) && key.message == WM_KEYDOWN &&
            (key.wParam == VK_RETURN || ((self->options & kStyledInGroup) && IsArrow(key.wParam)))) {
            code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            // Enter clicks the button that has the focus, as in a dialog; a held key clicks once.
            if ((lParam & (1 << 30)) == 0) {
                ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                               reinterpret_cast<LPARAM>(hwnd));
            }
            return 0;
        }
        if ((self->options & kStyledInGroup) && IsArrow(wParam)) {
            MoveInGroup(hwnd, wParam == VK_RIGHT || wParam == VK_DOWN);
            return 0;
        }
        break;
    case WM_SETTEXT: {
        // The button would clear its old caption straight on the screen (Wine does, through GetDC)
        // and paint again: the text is set here and the next paint shows it.
        const LRESULT set = ::DefWindowProcW(hwnd, msg, wParam, lParam);
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return set;
    }
    case WM_ERASEBKGND:
        return 1; // the face covers the whole button
    case WM_DPICHANGED_AFTERPARENT:
        ::InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        ::RemovePropW(hwnd, kStyledProperty);
        ::RemoveWindowSubclass(hwnd, StyledSubclassProc, kStyledSubclassId);
        delete self;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool IsButton(HWND hwnd) {
    wchar_t className[16] = {};
    return ::GetClassNameW(hwnd, className, 16) > 0 && ::lstrcmpiW(className, WC_BUTTONW) == 0;
}

} // namespace

bool AttachStyledButton(HWND button, const ButtonStyleDesc& style, unsigned options) {
    if (!::IsWindow(button) || !IsButton(button) || ::GetPropW(button, kStyledProperty)) {
        return false;
    }
    auto resolved = ButtonFamilies().Resolve(style.family, style.cls, style.appearance);
    if (!resolved) {
        return false;
    }
    auto self =
        std::unique_ptr<StyledButton>(new (std::nothrow) StyledButton{std::move(*resolved), style.radius, options});
    if (!self || !::SetPropW(button, kStyledProperty, self.get())) {
        return false;
    }
    if (!::SetWindowSubclass(button, StyledSubclassProc, kStyledSubclassId, reinterpret_cast<DWORD_PTR>(self.get()))) {
        ::RemovePropW(button, kStyledProperty);
        return false;
    }
    static_cast<void>(self.release()); // freed at WM_NCDESTROY
    ::InvalidateRect(button, nullptr, FALSE);
    return true;
}

bool StyledButtonShowsFocus(HWND button) {
    const auto* self = static_cast<const StyledButton*>(::GetPropW(button, kStyledProperty));
    return self && self->focusShown && ::GetFocus() == button;
}
