// The main window's once-a-second tick: the usage lines, the bar and the auto-clean decision.

#include "app/AutoClean.h"
#include "app/FormDescription.h"
#include "app/MainWindow_win.h"
#include "memory/Memory_win.h"

#include <commctrl.h>

namespace {

// A ticked rule reads its list's text into `text`, which the rule then refers to.
AutoCleanRule RuleOf(FormControl& box, FormControl& list, std::wstring& text) {
    if (!box.Checked()) {
        return {};
    }
    text = list.SelectedText();
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
    // A label is set only when its line changed since the last tick, so an unchanged label is
    // neither read back nor repainted.
    statusPending_ |= statusLines_.Update(usage, FmtPhysStatus, separators_);
    if ((statusPending_ & StatusLineCache::kPhys) != 0) {
        lblPhysStatus_->SetText(statusLines_.Phys());
        statusPending_ &= ~StatusLineCache::kPhys;
    }
    if ((statusPending_ & StatusLineCache::kPage) != 0 && lblVirtual_->Visible()) {
        lblVirtualStatus_->SetText(statusLines_.Page());
        statusPending_ &= ~StatusLineCache::kPage;
    }
    if ((statusPending_ & StatusLineCache::kWork) != 0 && lblWorking_->Visible()) {
        lblWorkingStatus_->SetText(statusLines_.Work());
        statusPending_ &= ~StatusLineCache::kWork;
    }
    const int bar = statusLines_.Bar();
    if (::SendMessageW(progressBar_->hwnd, PBM_GETPOS, 0, 0) != bar) {
        ::SendMessageW(progressBar_->hwnd, PBM_SETPOS, static_cast<WPARAM>(bar), 0);
    }

    if (IsRunning()) {
        return;
    }
    AutoCleanInputs in;
    in.usagePhys = usage.UsagePhys;
    in.usagePage = usage.UsagePage;
    in.usageWork = usage.UsageWork;
    std::wstring physText, pageText, workText, minuteText;
    in.phys = RuleOf(*rulePhys_.box, *rulePhys_.list, physText);
    in.page = RuleOf(*rulePage_.box, *rulePage_.list, pageText);
    in.work = RuleOf(*ruleWork_.box, *ruleWork_.list, workText);
    in.minute = RuleOf(*ruleMinute_.box, *ruleMinute_.list, minuteText);
    // With no rule ticked nothing is due, whatever the time: the clock is not read.
    if (!in.phys.ticked && !in.page.ticked && !in.work.ticked && !in.minute.ticked) {
        return;
    }
    in.nextTime = NextTime;
    in.now = clock_.Now();
    in.isRunning = IsRunning();
    if (IsAutoCleanDue(in)) {
        Clean(false); // automatic cleans never notify
    }
}
