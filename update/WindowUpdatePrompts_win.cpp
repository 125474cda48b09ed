#include "update/WindowUpdatePrompts_win.h"

#include "update/ServerCheck_win.h"
#include "update/ShellOpen_win.h"
#include "update/UpdatePrompt_win.h"
#include "update/UpdateStatus_win.h"

bool WindowUpdatePrompts::UpdateDialog(const std::wstring& Data) {
    UpdatePromptArgs args;
    args.owner = window_;
    args.data = Data;
    args.layoutOffset = UpdateLayoutOffset();
    args.mainWindowShownAtStart = shownAtStart_;
    args.onHold = [] { StartHoldCommand(); };
    args.onOpenUrl = [](const std::wstring& url) { ShellOpen(url); };
    return ::UpdateDialog(args);
}

void WindowUpdatePrompts::ShowUpdateStatus(const std::wstring& URL) {
    ::ShowUpdateStatus(window_, URL, [](const std::wstring& url) { ShellOpen(url); });
}

void WindowUpdatePrompts::OpenUrl(const std::wstring& URL) { ShellOpen(URL); }
