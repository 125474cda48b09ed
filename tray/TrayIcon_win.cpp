#include "tray/TrayIcon_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "base/DynCalls_win.h"

namespace {

void AllowThroughMessageFilter(HWND window, UINT msg) {
    if (auto filterEx = dyn::ChangeWindowMessageFilterEx()) {
        filterEx(window, msg, MSGFLT_ALLOW, nullptr);
    } else {
        ::ChangeWindowMessageFilter(msg, MSGFLT_ADD); // Vista: for the whole process
    }
}

void CopyText(wchar_t* target, std::size_t capacity, const std::wstring& text) {
    lstrcpynW(target, text.c_str(), static_cast<int>(capacity)); // truncates, always terminated
}

} // namespace

TrayIcon::TrayIcon(CreateArgs args) : args_(std::move(args)) {
    // An elevated process does not get this broadcast from the (unelevated) shell unless the
    // message filter lets it through.
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    AllowThroughMessageFilter(args_.owner, taskbarCreated_);
    LoadIcons();
}

TrayIcon::~TrayIcon() { SetVisible(false); }

NOTIFYICONDATAW TrayIcon::BaseData() const {
    NOTIFYICONDATAW nid = {sizeof(nid)};
    nid.hWnd = args_.owner;
    nid.uID = args_.id;
    return nid;
}

void TrayIcon::LoadIcons() {
    auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(args_.owner, GWLP_HINSTANCE));
    for (std::size_t i = 0; i < icons_.size(); ++i) {
        HICON icon = nullptr;
        // LoadIconMetric picks the small-icon size of the current DPI from the icon's images.
        if (FAILED(::LoadIconMetric(instance, MAKEINTRESOURCEW(args_.iconResources[i]), LIM_SMALL, &icon))) {
            icon =
                static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(args_.iconResources[i]), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
        }
        icons_[i].reset(icon);
    }
}

bool TrayIcon::Add() {
    NOTIFYICONDATAW nid = BaseData();
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    nid.uCallbackMessage = args_.callbackMessage;
    nid.hIcon = icons_[static_cast<std::size_t>(iconIndex_)].get();
    CopyText(nid.szTip, std::size(nid.szTip), hint_);
    if (!::Shell_NotifyIconW(NIM_ADD, &nid)) {
        return false;
    }
    // Version 4: NIN_SELECT for a left click, WM_CONTEXTMENU for a right one, with the
    // anchor point in wParam.
    nid.uVersion = NOTIFYICON_VERSION_4;
    ::Shell_NotifyIconW(NIM_SETVERSION, &nid);
    return true;
}

void TrayIcon::SetHint(const std::wstring& hint) {
    hint_ = hint;
    if (visible_) {
        NOTIFYICONDATAW nid = BaseData();
        nid.uFlags = NIF_TIP | NIF_SHOWTIP;
        CopyText(nid.szTip, std::size(nid.szTip), hint_);
        ::Shell_NotifyIconW(NIM_MODIFY, &nid);
    }
}

void TrayIcon::SetIconIndex(int index) {
    if (index < 0 || index >= static_cast<int>(icons_.size())) {
        return;
    }
    iconIndex_ = index;
    if (visible_) {
        NOTIFYICONDATAW nid = BaseData();
        nid.uFlags = NIF_ICON;
        nid.hIcon = icons_[static_cast<std::size_t>(index)].get();
        ::Shell_NotifyIconW(NIM_MODIFY, &nid);
    }
}

void TrayIcon::SetVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    if (visible) {
        // Without a notification area yet the add fails; the icon still counts as visible
        // and is added when "TaskbarCreated" arrives.
        Add();
        visible_ = true;
    } else {
        NOTIFYICONDATAW nid = BaseData();
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
        visible_ = false;
    }
}

bool TrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text) {
    if (!visible_) {
        return false;
    }
    NOTIFYICONDATAW nid = BaseData();
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    CopyText(nid.szInfoTitle, std::size(nid.szInfoTitle), title);
    CopyText(nid.szInfo, std::size(nid.szInfo), text);
    return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

void TrayIcon::ShowPopup(int x, int y) {
    if (!args_.popup) {
        return;
    }
    // The owner must be the foreground window, or the menu stays open when the user clicks
    // elsewhere; the WM_NULL afterwards makes a second right click work at once.
    // The menu's modal loop runs whatever comes meanwhile, the owner's destruction too (a quit
    // through a control message or the end of the session): after it, only locals are used.
    const HWND owner = args_.owner;
    ::SetForegroundWindow(owner);
    UINT flags = TPM_RIGHTBUTTON;
    flags |= ::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    ::TrackPopupMenuEx(args_.popup, flags, x, y, owner, nullptr);
    if (::IsWindow(owner)) {
        ::PostMessageW(owner, WM_NULL, 0, 0);
    }
}

bool TrayIcon::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        LoadIcons(); // the DPI may have changed with the new taskbar
        if (visible_) {
            Add();
        }
        return false; // let others see the broadcast too
    }
    if (msg != args_.callbackMessage) {
        return false;
    }
    if (HIWORD(lParam) != args_.id) {
        return true;
    }
    switch (LOWORD(lParam)) {
    case NIN_SELECT:
    case NIN_KEYSELECT:
        if (args_.onClick) {
            args_.onClick();
        }
        break;
    case WM_CONTEXTMENU:
        ShowPopup(static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam)));
        break;
    default:
        break;
    }
    return true;
}
