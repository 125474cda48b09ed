#include "tray/VisibleOnShell_win.h"

#include "base/Lifetime.h"
#include "base/Worker_win.h"
#include "base/Workers.h"
#include "tray/ShellWait.h"

namespace {
class Win32ShellWait final : public ShellWaitSystem {
public:
    bool Terminating() override { return ApplicationTerminating(); }
    bool TaskbarExists() override { return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; }
    std::uint64_t TickCount() override { return ::GetTickCount64(); }
    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
};
} // namespace

void VisibleOnShell(const std::shared_ptr<TrayIcon>& icon, const std::wstring& AppName,
                    const std::shared_ptr<UiThread>& ui) {
    std::weak_ptr<TrayIcon> weakIcon = icon;
    auto show = [weakIcon, AppName] {
        if (auto live = weakIcon.lock()) {
            live->SetHint(AppName);
            live->SetVisible(true);
        }
    };
    // Mostly the taskbar is there already: no thread then. Under Wine a thread leaves about
    // 1.5 MB resident behind when it ends (its stack region and the unwinder it loads).
    if (::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr && ui->Post(show)) {
        return;
    }
    auto work = [show, ui] {
        Win32ShellWait system;
        if (!WaitForShell(system)) {
            return;
        }
        ui->Post(show);
    };
    if (!StartWorker(kTaskbarWaitWorker, std::move(work))) {
        // No thread: show the icon now rather than never.
        icon->SetHint(AppName);
        icon->SetVisible(true);
    }
}
