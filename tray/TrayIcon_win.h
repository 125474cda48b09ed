#pragma once
// The notification-area icon of a window: identified by the owner window and an id (not a
// GUID, which Windows ties to the executable's path), one of two icons by index, a hint, a
// popup menu for the right button and a click callback for the left. It adds itself again
// when the taskbar is re-created ("TaskbarCreated").

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <functional>
#include <string>

#include "base/Handles_win.h"

class TrayIcon {
public:
    struct CreateArgs {
        HWND owner = nullptr;
        UINT id = 1;
        UINT callbackMessage = WM_APP + 1;
        std::array<int, 2> iconResources{}; // the image list: index 0 and 1
        HMENU popup = nullptr;              // not owned
        std::function<void()> onClick;
    };

    explicit TrayIcon(CreateArgs args);
    ~TrayIcon(); // removes the icon from the notification area
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void SetHint(const std::wstring& hint);
    const std::wstring& Hint() const { return hint_; }
    void SetIconIndex(int index);
    int IconIndex() const { return iconIndex_; }
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }

    // A balloon from the icon; Windows 10 and later show it as a toast. False when it could
    // not be shown (the icon is not in the notification area).
    bool ShowBalloon(const std::wstring& title, const std::wstring& text);

    // The owner's window procedure passes every message here first; true when it was the
    // icon's and has been handled. The popup menu's modal loop runs inside: the caller keeps the
    // icon alive until this returns, even when the owner is destroyed meanwhile.
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    NOTIFYICONDATAW BaseData() const;
    void LoadIcons();
    bool Add();
    void ShowPopup(int x, int y);

    CreateArgs args_;
    UINT taskbarCreated_ = 0;
    std::array<UniqueHicon, 2> icons_;
    std::wstring hint_;
    int iconIndex_ = 0;
    bool visible_ = false;
};
