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
    : window_(window), controls_(controls), owner_(std::move(owner)) {
    refresh_.SetSeparators(UserNumberSeparators());
}

StatusRefreshView::~StatusRefreshView() {
    if (timerOn_) {
        ::KillTimer(window_, kStatusTimerId);
    }
}

void StatusRefreshView::TmrStatusTimer() {
    ::KillTimer(window_, kStatusTimerId);
    timerOn_ = false;
    // The timer comes back on however the tick ends.
    struct Restart {
        StatusRefreshView& self;
        ~Restart() { self.timerOn_ = ::SetTimer(self.window_, kStatusTimerId, form::kStatusTimerMs, nullptr) != 0; }
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
    if (msg == WM_SETTINGCHANGE && lParam && lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"intl") == 0) {
        refresh_.SetSeparators(UserNumberSeparators()); // the regional settings changed
    }
    return false;
}

bool StatusRefreshView::LineShown(StatusLine line) const {
    // The physical line is always set; the other two only while their caption label is visible.
    return line == StatusLine::Phys || controls_.Get(ControlsOf(line).caption).Visible();
}

void StatusRefreshView::ShowLine(StatusLine line, std::wstring_view text) {
    controls_.Get(ControlsOf(line).status).SetText(text);
}

int StatusRefreshView::BarPosition() const {
    return static_cast<int>(::SendMessageW(controls_.Get(kBar).hwnd, PBM_GETPOS, 0, 0));
}

void StatusRefreshView::ShowBar(int position) {
    ::SendMessageW(controls_.Get(kBar).hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool StatusRefreshView::ReadRule(AutoCleanRuleKind rule, std::wstring& text) {
    const RuleControls& row = kRuleControls[static_cast<int>(rule)];
    if (!controls_.Get(row.box).Checked()) {
        return false;
    }
    text = controls_.Get(row.list).SelectedText();
    return true;
}
