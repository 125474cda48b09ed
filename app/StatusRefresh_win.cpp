// The main window's once-a-second tick: the usage lines, the bar and the auto-clean decision.

#include "app/AutoClean.h"
#include "app/FormDescription.h"
#include "app/MainWindow_win.h"
#include "memory/Memory_win.h"

#include <commctrl.h>

namespace {

AutoCleanRule RuleOf(FormControls& controls, const char* check, const char* list, std::wstring& text) {
    FormControl& box = controls.Get(check);
    if (!box.Checked()) {
        return {};
    }
    text = controls.Get(list).SelectedText();
    return {true, text};
}
} // namespace

void TFrmRamBroom::TmrStatusTimer() {
    ::KillTimer(hwnd_, kStatusTimerId);
    // The timer comes back on however the tick ends.
    struct Restart {
        HWND hwnd;
        ~Restart() {
            if (hwnd) {
                ::SetTimer(hwnd, kStatusTimerId, form::kStatusTimerMs, nullptr);
            }
        }
    } restart{hwnd_};

    // Cleared first: a failed file-cache query then shows 0 MB (0.00%), not stale figures.
    TMemoryUsage usage{};
    GetMemoryUsage(usage);
    const StatusLines lines = BuildStatusLines(usage, FmtPhysStatus, separators_);
    lblPhysStatus_->SetText(lines.phys);
    if (lblVirtual_->Visible()) {
        lblVirtualStatus_->SetText(lines.page);
    }
    if (lblWorking_->Visible()) {
        lblWorkingStatus_->SetText(lines.work);
    }
    if (::SendMessageW(progressBar_->hwnd, PBM_GETPOS, 0, 0) != lines.bar) {
        ::SendMessageW(progressBar_->hwnd, PBM_SETPOS, static_cast<WPARAM>(lines.bar), 0);
    }

    if (IsRunning()) {
        return;
    }
    AutoCleanInputs in;
    in.usagePhys = usage.UsagePhys;
    in.usagePage = usage.UsagePage;
    in.usageWork = usage.UsageWork;
    std::wstring physText, pageText, workText, minuteText;
    in.phys = RuleOf(controls_, "ChkUsagePhys", "EditUsagePhys", physText);
    in.page = RuleOf(controls_, "ChkUsagePage", "EditUsagePage", pageText);
    in.work = RuleOf(controls_, "ChkUsageWork", "EditUsageWork", workText);
    in.minute = RuleOf(controls_, "ChkMinute", "EditMinute", minuteText);
    in.nextTime = NextTime;
    in.now = clock_.Now();
    in.isRunning = IsRunning();
    if (IsAutoCleanDue(in)) {
        Clean(false); // automatic cleans never notify
    }
}
