// RamBroom: process entry. One instance per session; a later launch becomes a control
// message for the running one.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "app/FormDescription.h"
#include "app/MainWindow_win.h"
#include "app/ProcessEntry.h"
#include "base/Clock_win.h"
#include "base/Handles_win.h"
#include "widgets/Dpi_win.h"

namespace {

std::wstring FirstArgument() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::wstring first = (args && count > 1) ? args[1] : L"";
    ::LocalFree(args);
    return first;
}

class Win32ProcessEntry final : public ProcessEntrySystem {
public:
    explicit Win32ProcessEntry(HINSTANCE instance) : instance_(instance) {}

    Window FindInstanceWindow() override { return ::FindWindowW(kName.c_str(), nullptr); }
    void SendControl(Window window, unsigned wParam) override {
        ::SendMessageW(static_cast<HWND>(window), WM_USER, wParam, 0);
    }
    bool IsWindow(Window window) override { return ::IsWindow(static_cast<HWND>(window)) != FALSE; }
    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
    // The mutex handle is held until the process ends.
    bool OpenInstanceMutex() override {
        mutex_.reset(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kName.c_str()));
        return mutex_.valid();
    }
    bool CreateInstanceMutex() override {
        HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kName.c_str());
        const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
        mutex_.reset(mutex);
        return existed;
    }
    void RunFirstInstance(Switch sw) override;

private:
    const std::wstring kName{form::kWindowClass};
    HINSTANCE instance_;
    UniqueHandle mutex_;
};

void Win32ProcessEntry::RunFirstInstance(Switch sw) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    auto mainForm = TFrmRamBroom::Create(instance_, sw, SystemClock());
    if (!mainForm) {
        return;
    }
    HWND window = mainForm->Handle();
    if (sw != Switch::Start) {
        ::ShowWindow(window, SW_SHOWNORMAL);
        ::SetForegroundWindow(window);
    }

    // The loop ends with the window, not only on WM_QUIT: a modal loop (a popup menu, a message
    // box) running when the window is destroyed may take the quit message for itself.
    MSG msg;
    while (mainForm->Handle() && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab and arrow keys move between the controls as in a dialog.
        window = mainForm->Handle();
        if (window && ::IsDialogMessageW(window, &msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    dpi::EnableProcessAwareness();
    Win32ProcessEntry system(instance);
    return RunProcessEntry(system, ParseSwitch(FirstArgument()));
}
