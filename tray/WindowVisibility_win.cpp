#include "tray/WindowVisibility_win.h"

#include "base/DynCalls_win.h"

namespace {

HWND AsHwnd(ForegroundSystem::Window w) { return static_cast<HWND>(w); }

class Win32Foreground final : public ForegroundSystem {
public:
    bool IsIconic(Window window) override { return ::IsIconic(AsHwnd(window)) != FALSE; }
    void Restore(Window window) override { ::ShowWindow(AsHwnd(window), SW_RESTORE); }
    Window ForegroundWindow() override { return ::GetForegroundWindow(); }
    unsigned MajorVersion() override {
        // GetVersionEx lies to programs without a manifest entry for newer systems; RtlGetVersion
        // does not, and only "below 6" matters here.
        RTL_OSVERSIONINFOW info{sizeof(info)};
        auto rtlGetVersion = dyn::RtlGetVersion();
        if (rtlGetVersion && NT_SUCCESS(rtlGetVersion(&info))) {
            return info.dwMajorVersion;
        }
        return 6;
    }
    ThreadId WindowThread(Window window) override {
        return window ? ::GetWindowThreadProcessId(AsHwnd(window), nullptr) : 0;
    }
    bool AttachThreadInput(ThreadId attach, ThreadId attachTo, bool on) override {
        return ::AttachThreadInput(attach, attachTo, on ? TRUE : FALSE) != FALSE;
    }
    void BringWindowToTop(Window window) override { ::BringWindowToTop(AsHwnd(window)); }
    void SetForegroundWindow(Window window) override { ::SetForegroundWindow(AsHwnd(window)); }
    unsigned ForegroundLockTimeout() override {
        DWORD value = 0;
        ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0);
        return value;
    }
    void SetForegroundLockTimeout(unsigned milliseconds) override {
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                reinterpret_cast<void*>(static_cast<UINT_PTR>(milliseconds)), SPIF_SENDCHANGE);
    }
};

} // namespace

ForegroundSystem& SystemForeground() {
    static Win32Foreground system;
    return system;
}

void HideMainWindow(HWND mainWindow) {
    if (mainWindow) {
        ::ShowWindow(mainWindow, SW_HIDE);
    }
}

void ShowMainWindow(HWND mainWindow) {
    if (!mainWindow || !::IsWindow(mainWindow)) {
        return;
    }
    if (::IsIconic(mainWindow)) {
        ::ShowWindow(mainWindow, SW_RESTORE);
    }
    if (::GetSystemMetrics(SM_CMONITORS) > 0) {
        ::ShowWindow(mainWindow, SW_SHOW);
        ForceForegroundWindow(mainWindow);
    }
}

void ForceForegroundWindow(HWND window) { ForceForegroundWindow(SystemForeground(), window); }
