#include "update/UpdatePrompt_win.h"

#include <commctrl.h>

#include <utility>

#include "app/Application_win.h"
#include "base/Handles_win.h"
#include "resources/ResourceIds.h"
#include "translate/Translate_win.h"
#include "update/JsonField.h"
#include "update/UpdatePromptLayout.h"
#include "update/UpdateText.h"
#include "update/WebUrl.h"
#include "widgets/Dpi_win.h"

namespace {

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kSeparatorColour = RGB(204, 204, 204);
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr UINT_PTR kPromptSubclassId = 1;
// A check box's height at 96 DPI: its box and a line of the message font.
constexpr int kHoldBoxHeight = 17;

// The answer's "info" fields, read before anything is created: a malformed escape stops here.
struct InfoFields {
    std::wstring style, text, flag, url;
};

InfoFields ReadInfo(std::wstring_view data) {
    const std::wstring info = ExtractBetween(data, kInfoStart, kInfoEnd);
    return {ReadStringField(info, L"style"), ReadStringField(info, L"text"), ReadStringField(info, L"flag"),
            ReadStringField(info, L"url")};
}

// One prompt while it is open: what the hook and the dialog's subclass need.
struct Prompt {
    const UpdatePromptArgs& args;
    std::wstring language;
    InfoFields info;
    update_prompt::Extra extra = update_prompt::Extra::None;
    bool onTop = false;

    HWND dialog = nullptr;
    HWND separator = nullptr;
    HWND link = nullptr;
    UniqueHbrush separatorBrush;
    UniqueHfont linkFont;
    UniqueHicon smallIcon; // the dialog does not destroy what WM_SETICON gave it
    bool holdTicked = false;
};

// The prompt being created or shown on this thread: the hook procedures take no context.
thread_local Prompt* tPrompt = nullptr;

class CurrentPromptScope {
public:
    explicit CurrentPromptScope(Prompt* prompt) noexcept : previous_(std::exchange(tPrompt, prompt)) {}
    ~CurrentPromptScope() { tPrompt = previous_; }
    CurrentPromptScope(const CurrentPromptScope&) = delete;
    CurrentPromptScope& operator=(const CurrentPromptScope&) = delete;

private:
    Prompt* previous_;
};

HFONT FontOf(HWND dialog) {
    // The buttons carry the message font on every system; the dialog's own may be the template's.
    if (auto font = reinterpret_cast<HFONT>(::SendDlgItemMessageW(dialog, IDYES, WM_GETFONT, 0, 0))) {
        return font;
    }
    if (auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0))) {
        return font;
    }
    return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HWND CreateChild(HWND dialog, const wchar_t* className, const std::wstring& text, DWORD style, int id, int x, int y,
                 int width, int height, HFONT font) {
    HWND child =
        ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (child && font) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return child;
}

SIZE TextSize(HWND window, HFONT font, const std::wstring& text) {
    RECT bounds{};
    if (HDC dc = ::GetDC(window)) {
        SelectObjectScope select(dc, font);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        ::ReleaseDC(window, dc);
    }
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void CentreOnScreen(HWND dialog) {
    RECT window;
    ::GetWindowRect(dialog, &window);
    MONITORINFO monitor{sizeof(monitor)};
    if (!::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    const int width = window.right - window.left, height = window.bottom - window.top;
    ::SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The extra height, the grey line and the style's own control, below the buttons.
void AddExtras(Prompt& p) {
    using update_prompt::Extra;
    HWND dialog = p.dialog;
    const int percent = update_prompt::ScalePercent(dpi::ForWindow(dialog));
    RECT outer;
    ::GetWindowRect(dialog, &outer);
    const auto place =
        update_prompt::PlaceExtras(outer.right - outer.left, outer.bottom - outer.top, p.args.layoutOffset, percent);
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, place.outerHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    p.separatorBrush.reset(::CreateSolidBrush(kSeparatorColour));
    p.separator = CreateChild(dialog, L"STATIC", L"", SS_LEFT, kPromptSeparatorId, place.separatorLeft,
                              place.separatorTop, place.separatorWidth, place.separatorHeight, nullptr);

    HFONT font = FontOf(dialog);
    if (p.extra == Extra::HoldBox) {
        CreateChild(dialog, L"BUTTON", p.info.text, BS_AUTOCHECKBOX | WS_TABSTOP, kPromptHoldBoxId, place.extraLeft,
                    place.extraTop, place.checkBoxWidth, update_prompt::ScaleToPercent(kHoldBoxHeight, percent), font);
    } else if (p.extra == Extra::NoteLink) {
        LOGFONTW underlined{};
        ::GetObjectW(font, sizeof(underlined), &underlined);
        underlined.lfUnderline = TRUE;
        p.linkFont.reset(::CreateFontIndirectW(&underlined));
        HFONT linkFont = p.linkFont ? p.linkFont.get() : font;
        const SIZE size = TextSize(dialog, linkFont, p.info.text);
        // SS_NOTIFY: the label takes clicks (STN_CLICKED) instead of letting them through.
        p.link = CreateChild(dialog, L"STATIC", p.info.text, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kPromptNoteLinkId,
                             place.extraLeft, place.extraTop, size.cx, size.cy, linkFont);
    }
}

// Run once the message box has laid itself out and before it is shown.
void MakeOver(Prompt& p) {
    HWND dialog = p.dialog;
    ::SetWindowTextW(dialog, Translate(ApplicationTitle(), p.language).c_str());
    ::SetDlgItemTextW(dialog, IDYES, std::wstring(UpdateText(UpdateTextKind::YesButton, p.language)).c_str());
    ::SetDlgItemTextW(dialog, IDNO, std::wstring(UpdateText(UpdateTextKind::NoButton, p.language)).c_str());
    // A Yes/No message box has no cancel: the system greys its close button. This prompt takes
    // the close button and Escape as No.
    ::EnableMenuItem(::GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);

    if (p.onTop) {
        // MB_TOPMOST asks for it too, but not every system's message box obeys.
        ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (p.onTop && !p.args.mainWindowShownAtStart) {
        // The main window is hidden in the notification area: without an owner, the prompt gets
        // a taskbar button of its own, with the program's icon.
        const int size = dpi::SmallIconSize(dpi::ForWindow(dialog));
        p.smallIcon.reset(static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0)));
        ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(p.smallIcon.get()));
        ::SetWindowLongPtrW(dialog, GWLP_HWNDPARENT, 0);
    }
    if (p.extra != update_prompt::Extra::None) {
        AddExtras(p);
    }
    CentreOnScreen(dialog);
}

// Closing the prompt any other way than with Yes is a No: the message box's own handler ends
// the dialog with it.
LRESULT AnswerNo(HWND dialog) {
    return ::DefSubclassProc(dialog, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                             reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDNO)));
}

LRESULT PromptMessage(Prompt& p, HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        const LRESULT result = ::DefSubclassProc(dialog, msg, wParam, lParam);
        MakeOver(p);
        return result;
    }
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(dialog, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return TRUE;
    }
    case WM_PAINT: {
        // Some systems' message boxes paint a grey band behind the buttons; this one is white
        // throughout, and its icon and text are child controls that paint themselves.
        PAINTSTRUCT ps;
        ::BeginPaint(dialog, &ps);
        ::EndPaint(dialog, &ps);
        return 0;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const auto control = reinterpret_cast<HWND>(lParam);
        if (control && control == p.separator) {
            ::SetBkColor(dc, kSeparatorColour);
            return reinterpret_cast<LRESULT>(p.separatorBrush.get());
        }
        ::SetTextColor(dc, control && control == p.link ? kLinkColour : ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, kBackground);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_SETCURSOR:
        if (p.link && reinterpret_cast<HWND>(wParam) == p.link) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL: // Escape, and WM_CLOSE through the dialog manager
            return AnswerNo(dialog);
        case kPromptNoteLinkId:
            // Only a web address leaves the program; the prompt stays open either way.
            if (HIWORD(wParam) == STN_CLICKED && p.args.onOpenUrl && IsWebUrl(p.info.url)) {
                p.args.onOpenUrl(p.info.url);
            }
            return 0;
        case kPromptHoldBoxId:
        case kPromptSeparatorId:
            return 0;
        default:
            break;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            return AnswerNo(dialog);
        }
        break;
    case WM_CLOSE:
        return AnswerNo(dialog);
    case WM_DESTROY:
        // The children still exist while their parent is told it goes.
        p.holdTicked = ::IsDlgButtonChecked(dialog, kPromptHoldBoxId) == BST_CHECKED;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(dialog, msg, wParam, lParam);
}

LRESULT CALLBACK PromptSubclassProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* p = reinterpret_cast<Prompt*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(dialog, PromptSubclassProc, kPromptSubclassId);
        p->dialog = nullptr;
        return ::DefSubclassProc(dialog, msg, wParam, lParam);
    }
    // Nothing thrown here may unwind through the dialog manager's frames: the message then gets
    // the message box's own handling, the prompt stays usable.
    try {
        return PromptMessage(*p, dialog, msg, wParam, lParam);
    } catch (...) {
        return ::DefSubclassProc(dialog, msg, wParam, lParam);
    }
}

// Catches the message box's dialog as it is created, before it is laid out or shown.
LRESULT CALLBACK PromptCbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && tPrompt && !tPrompt->dialog) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        if (::GetClassNameW(window, className, 16) > 0 && lstrcmpW(className, L"#32770") == 0 &&
            ::SetWindowSubclass(window, PromptSubclassProc, kPromptSubclassId, reinterpret_cast<DWORD_PTR>(tPrompt))) {
            tPrompt->dialog = window;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

bool UpdateDialog(const UpdatePromptArgs& args) {
    Prompt prompt{args, args.language.empty() ? CurrentLanguage() : args.language, ReadInfo(args.data)};
    prompt.extra = update_prompt::ExtraFor(prompt.info.style);
    prompt.onTop = update_prompt::StaysOnTop(prompt.info.flag);

    int answer = 0;
    {
        CurrentPromptScope current(&prompt);
        // Thread-local: only this thread's windows, and only while the message box is up.
        UniqueHhook hook(::SetWindowsHookExW(WH_CBT, PromptCbtProc, nullptr, ::GetCurrentThreadId()));
        const UINT type = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1 | (prompt.onTop ? MB_TOPMOST : 0);
        answer =
            ::MessageBoxW(args.owner, std::wstring(UpdateText(UpdateTextKind::PromptMessage, prompt.language)).c_str(),
                          ApplicationTitle().c_str(), type);
    }
    if (prompt.holdTicked && args.onHold) {
        args.onHold();
    }
    return answer == IDYES;
}
