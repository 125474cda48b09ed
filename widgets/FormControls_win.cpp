#include "widgets/FormControls_win.h"

#include <commctrl.h>

#include <string>

#include "widgets/Dpi_win.h"
#include "widgets/Logo_win.h"

namespace {

constexpr wchar_t kPanelClass[] = L"RamBroomPanel";
constexpr UINT_PTR kForwardSubclassId = 1;
constexpr UINT_PTR kClickSubclassId = 2;
// WM_COMMAND code sent by the read-only info box when it is clicked (EDIT has no click notification).
constexpr WORD kInfoClicked = 0x4001;

HWND FormWindowOf(HWND hwnd) { return ::GetAncestor(hwnd, GA_ROOT); }

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsForwardedToForm(msg)) {
        HWND form = FormWindowOf(hwnd);
        if (form && form != hwnd) {
            return ::SendMessageW(form, msg, wParam, lParam);
        }
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSEXW wc{sizeof(wc)};
    if (::GetClassInfoExW(instance, kPanelClass, &wc)) {
        return;
    }
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kPanelClass;
    ::RegisterClassExW(&wc);
}

// A system control used as a container (the group box) passes its children's messages on.
LRESULT CALLBACK ForwardSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (IsForwardedToForm(msg)) {
        return ::SendMessageW(FormWindowOf(hwnd), msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, ForwardSubclassProc, kForwardSubclassId);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK InfoClickSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_LBUTTONUP) {
        LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        ::SendMessageW(FormWindowOf(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), kInfoClicked),
                       reinterpret_cast<LPARAM>(hwnd));
        return result;
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, InfoClickSubclassProc, kClickSubclassId);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

struct WindowKind {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

WindowKind KindFor(const ControlDesc& d) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    constexpr DWORD kContainer = kChild | WS_CLIPCHILDREN;
    switch (d.kind) {
    case ControlKind::Panel:
    case ControlKind::Toolbar:
    case ControlKind::PageControl:
    case ControlKind::Page:
        return {kPanelClass, kContainer, WS_EX_CONTROLPARENT};
    case ControlKind::ToolButton:
        // Not an auto radio button: Donate is clicked without becoming the pressed one. Each is
        // a group of its own, so arrow keys never "click" a neighbour (and open a web page).
        return {WC_BUTTONW, kChild | WS_TABSTOP | WS_GROUP | BS_PUSHLIKE | BS_RADIOBUTTON, 0};
    case ControlKind::Image:
        return {kLogoClass, kChild, 0};
    case ControlKind::Label:
        return {WC_STATICW, kChild | SS_NOPREFIX | ((d.flags & kCtlCentered) ? SS_CENTER : SS_LEFT), 0};
    case ControlKind::ProgressBar:
        return {PROGRESS_CLASSW, kChild | PBS_SMOOTH, 0};
    case ControlKind::StyledButton:
        return {WC_BUTTONW, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::GroupBox:
        return {WC_BUTTONW, kContainer | BS_GROUPBOX, WS_EX_CONTROLPARENT};
    case ControlKind::CheckBox:
        return {WC_BUTTONW, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::ComboBox:
        return {WC_COMBOBOXW, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::InfoEdit:
        return {WC_EDITW, kChild | ES_READONLY | ES_AUTOHSCROLL, 0};
    }
    return {kPanelClass, kChild, 0};
}

// The WM_COMMAND code that counts as the control's event.
bool IsEventCode(ControlKind kind, WORD code) {
    switch (kind) {
    case ControlKind::ToolButton:
    case ControlKind::StyledButton:
    case ControlKind::CheckBox:
        return code == BN_CLICKED;
    case ControlKind::ComboBox:
        return code == CBN_SELCHANGE;
    case ControlKind::Image:
        return code == STN_CLICKED;
    case ControlKind::InfoEdit:
        return code == kInfoClicked;
    default:
        return false;
    }
}

// Pixels to add to the closed height of a drop-down list so its list shows all items.
constexpr int kDropDownListExtra = 160;

} // namespace

bool IsForwardedToForm(UINT msg) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return true;
    default:
        return false;
    }
}

//--- FormControl

std::wstring FormControl::Text() const {
    int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    length = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

void FormControl::SetText(std::wstring_view text) {
    if (Text() != text) {
        ::SetWindowTextW(hwnd, std::wstring(text).c_str());
    }
}

bool FormControl::Visible() const { return (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }
void FormControl::SetVisible(bool visible) { ::ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE); }
bool FormControl::Enabled() const { return ::IsWindowEnabled(hwnd) != FALSE; }
void FormControl::SetEnabled(bool enabled) { ::EnableWindow(hwnd, enabled ? TRUE : FALSE); }
bool FormControl::Checked() const { return ::SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void FormControl::SetChecked(bool checked) {
    ::SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
int FormControl::SelectedIndex() const { return static_cast<int>(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0)); }
void FormControl::SetSelectedIndex(int index) { ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::wstring FormControl::SelectedText() const {
    int index = SelectedIndex();
    if (index < 0) {
        return {};
    }
    auto length = ::SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    length = ::SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length == CB_ERR ? 0 : static_cast<std::size_t>(length));
    return text;
}

std::vector<std::wstring> FormControl::Items() const {
    std::vector<std::wstring> items;
    auto count = ::SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        auto length = ::SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        length = ::SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        items.push_back(std::move(text));
    }
    return items;
}

void FormControl::SetItems(std::span<const std::wstring> items) {
    ::SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    for (const auto& item : items) {
        ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    ::SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
}

//--- FormControls

void FormControls::Create(HWND window, std::span<const ControlDesc> table) {
    auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE));
    RegisterPanelClass(instance);
    RegisterLogoClass(instance);

    for (const auto& d : table) {
        auto control = std::make_unique<FormControl>(d);
        HWND parentWindow = window;
        if (!d.parent.empty()) {
            control->parent = Find(d.parent);
            if (control->parent) {
                parentWindow = control->parent->hwnd;
                control->parent->children.push_back(control.get());
            }
        }
        auto kind = KindFor(d);
        DWORD style = kind.style;
        if (d.flags & kCtlDisabled) {
            style |= WS_DISABLED;
        }
        control->hwnd = ::CreateWindowExW(kind.exStyle, kind.className, std::wstring(d.caption).c_str(), style,
                                          d.bounds.x, d.bounds.y, d.bounds.width, d.bounds.height, parentWindow,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance, nullptr);
        switch (d.kind) {
        case ControlKind::GroupBox:
            ::SetWindowSubclass(control->hwnd, ForwardSubclassProc, kForwardSubclassId, 0);
            break;
        case ControlKind::InfoEdit:
            ::SetWindowSubclass(control->hwnd, InfoClickSubclassProc, kClickSubclassId, 0);
            break;
        case ControlKind::ProgressBar:
            ::SendMessageW(control->hwnd, PBM_SETRANGE32, 0, 100);
            break;
        case ControlKind::ToolButton:
            control->SetChecked((d.flags & kCtlDown) != 0);
            break;
        case ControlKind::ComboBox: {
            std::vector<std::wstring> items(d.items.begin(), d.items.end());
            control->SetItems(items);
            control->SetSelectedIndex(d.selected);
            break;
        }
        default:
            break;
        }
        controls_.push_back(std::move(control));
    }
}

void FormControls::Layout(UINT dpi) {
    for (const auto& c : controls_) {
        const auto& b = c->desc.bounds;
        int height = dpi::Scale(b.height, dpi);
        if (c->desc.kind == ControlKind::Label && !(c->desc.flags & kCtlOwnFont)) {
            height = (std::max)(height, lineHeight_); // like an auto-sized label: never clip descenders
        } else if (c->desc.kind == ControlKind::ComboBox) {
            height += dpi::Scale(kDropDownListExtra, dpi);
        }
        ::SetWindowPos(c->hwnd, nullptr, dpi::Scale(b.x, dpi), dpi::Scale(b.y, dpi), dpi::Scale(b.width, dpi), height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void FormControls::ApplyFonts(HFONT desktop, HFONT own) {
    for (const auto& c : controls_) {
        HFONT font = (c->desc.flags & kCtlOwnFont) ? own : desktop;
        ::SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    lineHeight_ = 0;
    if (!controls_.empty()) {
        HDC dc = ::GetDC(controls_.front()->hwnd);
        HGDIOBJ old = ::SelectObject(dc, desktop);
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc, &tm)) {
            lineHeight_ = tm.tmHeight;
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(controls_.front()->hwnd, dc);
    }
}

FormControl* FormControls::Find(std::string_view name) {
    for (const auto& c : controls_) {
        if (c->desc.name == name) {
            return c.get();
        }
    }
    return nullptr;
}

FormControl* FormControls::FromId(int id) {
    for (const auto& c : controls_) {
        if (c->desc.id == id) {
            return c.get();
        }
    }
    return nullptr;
}

FormControl* FormControls::FromHwnd(HWND hwnd) {
    for (const auto& c : controls_) {
        if (c->hwnd == hwnd) {
            return c.get();
        }
    }
    return nullptr;
}

int FormControls::Bind(std::string_view handlerName, FormControl::Handler handler) {
    int bound = 0;
    for (const auto& c : controls_) {
        if (c->desc.handler == handlerName) {
            c->onEvent = handler;
            ++bound;
        }
    }
    return bound;
}

std::vector<std::string_view> FormControls::UnboundHandlers() const {
    std::vector<std::string_view> names;
    for (const auto& c : controls_) {
        if (!c->desc.handler.empty() && !c->onEvent) {
            names.push_back(c->desc.handler);
        }
    }
    return names;
}

bool FormControls::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        return false; // menu or accelerator
    }
    FormControl* control = FromId(LOWORD(wParam));
    if (!control || control->hwnd != reinterpret_cast<HWND>(lParam)) {
        return false;
    }
    if (IsEventCode(control->desc.kind, HIWORD(wParam)) && control->onEvent) {
        control->onEvent(*control);
    }
    return true;
}
