#pragma once
// The server check's prompts on the main window: the update prompt (update/UpdatePrompt_win.h)
// owned by it, with its hold box sending the hold command and its link line opening through the
// shell; the notice line (update/UpdateStatus_win.h) at its bottom; pages opened through the
// shell. The window owns this object and hands it to CheckUpdate; it holds the window's handle
// only, and is used only in work that the window's dispatcher runs.

#include <windows.h>

#include "update/ServerCheck.h"

class WindowUpdatePrompts final : public UpdatePrompts {
public:
    // `shownAtStart`: false when the program started hidden in the notification area ("/start");
    // a stay-on-top prompt then gets a taskbar button of its own.
    WindowUpdatePrompts(HWND window, bool shownAtStart) : window_(window), shownAtStart_(shownAtStart) {}

    bool UpdateDialog(const std::wstring& Data) override;
    void ShowUpdateStatus(const std::wstring& URL) override;
    void OpenUrl(const std::wstring& URL) override;

private:
    HWND window_;
    bool shownAtStart_;
};
