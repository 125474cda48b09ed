#include "app/StatusRefresh_win.h"

#include <commctrl.h>

#include "app/FormDescription.h"
#include "app/Locale_win.h"
#include "memory/Memory_win.h"

namespace {

constexpr UINT_PTR kStatusTimerId = 1;

// Each line's label, and the caption label whose visibility says whether it is shown.
struct LineControls {
    ControlIndex status;
    ControlIndex caption;
};
constexpr LineControls kLineControls[] = {
    {form::Ctl("LblPhysStatus"), form::Ctl("LblPhys")},
    {form::Ctl("LblVirtualStatus"), form::Ctl("LblVirtual")},
    {form::Ctl("LblWorkingStatus"), form::Ctl("LblWorking")},
};

// The rule rows in AutoCleanRuleKind order: check box and drop-down list.
struct RuleControls {
    ControlIndex box;
    ControlIndex list;
};
constexpr RuleControls kRuleControls[kAutoCleanRuleCount] = {
    {form::Ctl("ChkUsagePhys"), form::Ctl("EditUsagePhys")},
    {form::Ctl("ChkUsagePage"), form::Ctl("EditUsagePage")},
    {form::Ctl("ChkUsageWork"), form::Ctl("EditUsageWork")},
    {form::Ctl("ChkMinute"), form::Ctl("EditMinute")},
};

constexpr ControlIndex kBar = form::Ctl("ProgressBar");

const LineControls& ControlsOf(StatusLine line) { return kLineControls[static_cast<int>(line)]; }

} // namespace

StatusRefreshView::StatusRefreshView(HWND window, FormControls& controls, Owner owner)
    : window_(window), controls_(controls), owner_(std::move(owner)), pacer_(form::kStatusTimerMs) {
    refresh_.SetSeparators(UserNumberSeparators());
}

StatusRefreshView::~StatusRefreshView() {
    if (timerOn_) {
        ::KillTimer(window_, kStatusTimerId);
    }
}

void StatusRefreshView::TmrStatusTimer() {
    if (!pacer_.Begin(::GetTickCount64())) {
        return; // a tick runs, or the one a long tick left due
    }
    // The timer is started by the first tick, and again after a long one, however the tick ends.
    struct Restart {
        StatusRefreshView& self;
        ~Restart() {
            if (self.pacer_.End(::GetTickCount64()) || !self.timerOn_) {
                // SetTimer on the same id replaces the timer: its period starts again now.
                self.timerOn_ = ::SetTimer(self.window_, kStatusTimerId, form::kStatusTimerMs, nullptr) != 0;
            }
        }
    } restart{*this};

    // Cleared first: a failed file-cache query then shows 0 MB (0.00%), not stale figures.
    TMemoryUsage usage{};
    GetMemoryUsage(usage);
    refresh_.Tick(usage, *owner_.physFormat, *this);
}

bool StatusRefreshView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kStatusTimerId) {
        TmrStatusTimer();
        return true;
    }
    if (msg == WM_SHOWWINDOW && wParam) {
        // Sent before the window shows: what changed while it was hidden is set now, so it never
        // shows stale figures for a moment.
        showing_ = true;
        refresh_.ShowPending(*this);
        showing_ = false;
        return false;
    }
    if (msg == WM_SETTINGCHANGE && lParam && lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"intl") == 0) {
        refresh_.SetSeparators(UserNumberSeparators()); // the regional settings changed
    }
    return false;
}

bool StatusRefreshView::WindowShown() const { return showing_ || ::IsWindowVisible(window_); }

bool StatusRefreshView::LineShown(StatusLine line) const {
    // Nothing is set while the window is hidden (no text, no invalidation a tick); then the physical
    // line always, the other two only while their caption label is visible.
    return WindowShown() && (line == StatusLine::Phys || controls_.Get(ControlsOf(line).caption).Visible());
}

void StatusRefreshView::ShowLine(StatusLine line, std::wstring_view text) {
    controls_.Get(ControlsOf(line).status).SetText(text);
}

int StatusRefreshView::BarPosition() const {
    // Only this view moves the bar: its position is asked once and then kept, not asked with a
    // message every tick.
    if (barPosition_ < 0) {
        barPosition_ = static_cast<int>(::SendMessageW(controls_.Get(kBar).hwnd, PBM_GETPOS, 0, 0));
    }
    return barPosition_;
}

void StatusRefreshView::ShowBar(int position) {
    if (!WindowShown()) {
        return; // set once the window shows
    }
    ::SendMessageW(controls_.Get(kBar).hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    barPosition_ = position;
}

bool StatusRefreshView::ReadRule(AutoCleanRuleKind rule, std::wstring& text) {
    const RuleControls& row = kRuleControls[static_cast<int>(rule)];
    if (!controls_.Get(row.box).Checked()) {
        return false;
    }
    text = controls_.Get(row.list).SelectedText();
    return true;
}
