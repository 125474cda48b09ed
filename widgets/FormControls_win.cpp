#include "widgets/FormControls_win.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/Handles_win.h"
#include "base/MessageData_win.h"
#include "base/Subclass_win.h"
#include "base/WindowClass_win.h"
#include "widgets/CaptionFit.h"
#include "widgets/ControlKinds_win.h"
#include "widgets/Dpi_win.h"
#include "widgets/Logo_win.h"

// One off-screen bitmap for the buffered paints of a form's controls, kept between paints and
// grown to the largest control painted: a DC and a bitmap made for every paint would cost more
// than the paint (under Wine each asks the server about the display).
class PaintBuffer {
public:
    PaintBuffer() = default;
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    // A memory DC holding a bitmap of at least width x height, compatible with `screen`; nullptr
    // when none could be made.
    HDC Get(HDC screen, int width, int height);

private:
    UniqueHdc dc_;
    UniqueHbitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};

namespace {

// At 96 DPI: where a check box's text starts (its box and the space after it), the room its
// focus rectangle takes beyond the text, and the least space kept between a grown caption
// and its neighbour or its parent's edge.
constexpr int kCheckBoxTextOffset = 17;
constexpr int kFocusMargin = 3;
constexpr int kCaptionGap = 8;
// The form and its containers are white: the colour of the stock WHITE_BRUSH.
constexpr COLORREF kFormBackground = RGB(255, 255, 255);

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToControl(msg, wParam, lParam, result)) {
        return result;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kPanelClass;
    RegisterClassOnce(wc);
}

// A system control used as a container (the group box) passes its children's notifications
// back to them, as the panels do.
LRESULT ContainerSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR, WNDPROC next) {
    LRESULT result = 0;
    if (ReflectToControl(msg, wParam, lParam, result)) {
        return result;
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

// Paints the control into a bitmap first and puts it on the screen in one copy: the control
// draws itself there through WM_PRINTCLIENT, so a label whose text changes is never seen
// erased and half drawn.
void PaintBuffered(HWND hwnd, WNDPROC control, PaintBuffer* buffer) {
    PAINTSTRUCT ps;
    HDC screen = ::BeginPaint(hwnd, &ps);
    RECT client;
    ::GetClientRect(hwnd, &client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    HDC memory = buffer && width > 0 && height > 0 ? buffer->Get(screen, width, height) : nullptr;
    if (memory) {
        ::CallWindowProcW(control, hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
        ::BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                 ps.rcPaint.bottom - ps.rcPaint.top, memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    } else if (width > 0 && height > 0) {
        ::CallWindowProcW(control, hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(screen), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ::EndPaint(hwnd, &ps);
}

// Every form control: its reflected notifications, its colours and, for buffered kinds, its
// painting.
LRESULT ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data, WNDPROC next) {
    auto* control = reinterpret_cast<FormControl*>(data);
    const ControlKindInfo& kind = KindInfo(control->desc.kind);
    switch (msg) {
    case kReflectBase + WM_COMMAND:
        if (kind.eventCode != kNoEvent && HIWORD(wParam) == kind.eventCode && control->onEvent) {
            control->onEvent(*control);
        }
        return 0;
    case kReflectBase + WM_NOTIFY:
        return 0; // a control that draws itself answers before this (CDRF_DODEFAULT otherwise)
    case kReflectBase + WM_CTLCOLORSTATIC:
    case kReflectBase + WM_CTLCOLORBTN:
    case kReflectBase + WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, control->textColor != CLR_INVALID ? control->textColor : ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, kFormBackground);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_SETTEXT:
        if (kind.buffered) {
            // The static control would draw the new text at once, straight onto the screen (Wine
            // does, through GetDC), or invalidate with an erase: the text is set here and the
            // next paint, buffered, shows it.
            const LRESULT set = ::DefWindowProcW(hwnd, msg, wParam, lParam);
            ::InvalidateRect(hwnd, nullptr, FALSE);
            return set;
        }
        break;
    case WM_ERASEBKGND:
        if (kind.buffered) {
            return 1; // the buffered paint fills the background itself
        }
        break;
    case WM_PAINT:
        if (kind.buffered && wParam == 0) {
            PaintBuffered(hwnd, next, control->paintBuffer);
            return 0;
        }
        break;
    default:
        break;
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

// Pixels to add to the closed height of a drop-down list so its list shows all items.
constexpr int kDropDownListExtra = 160;

// Check boxes and left-aligned labels with a caption of their own: the controls whose text a
// translation can make longer than the form made room for.
bool CaptionMayGrow(const FormControl& c) {
    if (c.desc.caption.empty() || (c.desc.flags & (kCtlOwnFont | kCtlCentered))) {
        return false;
    }
    return c.desc.kind == ControlKind::CheckBox || c.desc.kind == ControlKind::Label;
}

// The width a control needs to show its whole text in its font: a check box adds its box and
// the space before the text.
int NeededWidth(const FormControl& c, UINT dpi) {
    const std::wstring text = c.Text();
    HDC dc = ::GetDC(c.hwnd);
    if (!dc) {
        return -1;
    }
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(c.hwnd, WM_GETFONT, 0, 0)));
    SIZE extent{};
    const BOOL measured = ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(c.hwnd, dc);
    if (!measured) {
        return -1;
    }
    int width = extent.cx;
    if (c.desc.kind == ControlKind::CheckBox) {
        width += dpi::Scale(kCheckBoxTextOffset, dpi) + dpi::Scale(kFocusMargin, dpi);
    }
    return width;
}

// Lets the captions of the children of `parent` (nullptr: the window) grow into the free space
// beside them, so that no translated text is cut off where room is left.
void FitCaptions(HWND parentWindow, const std::vector<FormControl*>& children, UINT dpi) {
    std::vector<caption_fit::Item> items;
    bool anyTooLong = false;
    for (FormControl* c : children) {
        RECT r{};
        ::GetWindowRect(c->hwnd, &r);
        ::MapWindowPoints(HWND_DESKTOP, parentWindow, reinterpret_cast<POINT*>(&r), 2);
        const int needed = CaptionMayGrow(*c) ? NeededWidth(*c, dpi) : -1;
        items.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top, needed});
        anyTooLong = anyTooLong || needed > r.right - r.left;
    }
    if (!anyTooLong) {
        return;
    }
    RECT client{};
    ::GetClientRect(parentWindow, &client);
    const std::vector<caption_fit::Item> before = items;
    caption_fit::Fit(items, client.right, dpi::Scale(kCaptionGap, dpi));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& now = items[i];
        if (now.left != before[i].left || now.width != before[i].width) {
            ::SetWindowPos(children[i]->hwnd, nullptr, now.left, now.top, now.width, now.height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

} // namespace

bool ReflectToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The child: lParam for these, the sender named in the header WM_NOTIFY points at.
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY: {
        NMHDR header{};
        if (!CopyFromThisProcess(lParam, header)) {
            return false;
        }
        child = header.hwndFrom;
        break;
    }
    default:
        return false;
    }
    // Any process may post these messages: only a form control, which this process subclassed,
    // is trusted (no other process can enter a window in that table).
    DWORD_PTR control = 0;
    if (!child || !FindLocalSubclass<ControlSubclassProc>(child, control)) {
        return false;
    }
    result = ::SendMessageW(child, kReflectBase + msg, wParam, lParam);
    return true;
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
void FormControl::SetSelectedIndex(int index) {
    // CB_SETCURSEL clears the selection for -1; for an index past the items the documented
    // behaviour is the same, but not every implementation keeps to it.
    const auto count = ::SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) {
        index = -1;
    }
    ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

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

//--- PaintBuffer

HDC PaintBuffer::Get(HDC screen, int width, int height) {
    if (!dc_) {
        dc_.reset(::CreateCompatibleDC(screen));
        if (!dc_) {
            return nullptr;
        }
    }
    if (width > width_ || height > height_) {
        const int grownWidth = (std::max)(width, width_), grownHeight = (std::max)(height, height_);
        UniqueHbitmap grown(::CreateCompatibleBitmap(screen, grownWidth, grownHeight));
        if (!grown) {
            return nullptr;
        }
        ::SelectObject(dc_.get(), grown.get());
        bitmap_ = std::move(grown); // the old bitmap is no longer selected when it goes
        width_ = grownWidth;
        height_ = grownHeight;
    }
    return dc_.get();
}

PaintBuffer::~PaintBuffer() {
    dc_.reset(); // the bitmap leaves the DC with it
    bitmap_.reset();
}

//--- FormControls

FormControls::FormControls() : paintBuffer_(std::make_unique<PaintBuffer>()) {}
FormControls::~FormControls() = default;

void FormControls::Create(HWND window, std::span<const ControlDesc> table) {
    auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE));
    RegisterPanelClass(instance);
    RegisterLogoClass(instance);

    for (const auto& d : table) {
        auto control = std::make_unique<FormControl>(d);
        if (KindInfo(d.kind).buffered) {
            control->paintBuffer = paintBuffer_.get();
        }
        HWND parentWindow = window;
        if (!d.parent.empty()) {
            control->parent = Find(d.parent);
            if (control->parent) {
                parentWindow = control->parent->hwnd;
                control->parent->children.push_back(control.get());
            }
        }
        const ControlKindInfo& kind = KindInfo(d.kind);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style;
        if (d.flags & kCtlDisabled) {
            style |= WS_DISABLED;
        }
        if (d.kind == ControlKind::Label) {
            style |= (d.flags & kCtlCentered) ? SS_CENTER : SS_LEFT;
        }
        control->hwnd = ::CreateWindowExW(kind.exStyle, kind.className, std::wstring(d.caption).c_str(), style,
                                          d.bounds.x, d.bounds.y, d.bounds.width, d.bounds.height, parentWindow,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance, nullptr);
        if (control->hwnd) {
            AttachLocalSubclass<ControlSubclassProc>(control->hwnd, reinterpret_cast<DWORD_PTR>(control.get()));
            if (kind.container && kind.className != kPanelClass) {
                AttachLocalSubclass<ContainerSubclassProc>(control->hwnd, 0);
            }
            if (kind.afterCreate) {
                kind.afterCreate(*control);
            }
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
    // With every control in place, texts longer than their controls take what room is free.
    std::vector<FormControl*> topLevel;
    for (const auto& c : controls_) {
        if (!c->parent) {
            topLevel.push_back(c.get());
        } else if (c->parent->children.front() == c.get()) {
            FitCaptions(c->parent->hwnd, c->parent->children, dpi);
        }
    }
    if (!topLevel.empty()) {
        FitCaptions(::GetParent(topLevel.front()->hwnd), topLevel, dpi);
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
    LRESULT result = 0;
    return ReflectToControl(WM_COMMAND, wParam, lParam, result);
}
