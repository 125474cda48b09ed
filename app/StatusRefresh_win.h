#pragma once
// The window's status refresh: the timer TmrStatus and the tick over the home page's labels and
// bar and the settings page's rule rows.

#include <windows.h>

#include <functional>
#include <string>

#include "app/StatusRefresh.h"
#include "app/TickPacer.h"
#include "widgets/FormControls_win.h"

class StatusRefreshView final : private StatusRefreshHost {
public:
    // The window's state the tick reads, and its automatic clean.
    struct Owner {
        const std::wstring* physFormat = nullptr; // FmtPhysStatus
        std::function<bool()> isRunning;
        std::function<TDateTime()> nextTime;
        std::function<TDateTime()> now;
        std::function<void()> cleanAutomatically;
    };

    StatusRefreshView(HWND window, FormControls& controls, Owner owner);
    ~StatusRefreshView();
    StatusRefreshView(const StatusRefreshView&) = delete;
    StatusRefreshView& operator=(const StatusRefreshView&) = delete;

    // One tick: a snapshot is taken and shown, and the automatic rules decide. The first tick
    // starts the periodic timer; ticks never overlap, and a tick that ran a period or more
    // starts it again, so the next comes a full period after it ended (TickPacer).
    void TmrStatusTimer();
    // The timer's message, the window's showing and the regional-settings broadcast; true when
    // handled (the window's showing is left to it too).
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    bool WindowShown() const;
    bool LineShown(StatusLine line) const override;
    void ShowLine(StatusLine line, std::wstring_view text) override;
    int BarPosition() const override;
    void ShowBar(int position) override;
    bool ReadRule(AutoCleanRuleKind rule, std::wstring& text) override;
    bool IsRunning() const override { return owner_.isRunning(); }
    TDateTime NextTime() const override { return owner_.nextTime(); }
    TDateTime Now() override { return owner_.now(); }
    void CleanAutomatically() override { owner_.cleanAutomatically(); }

    HWND window_;
    FormControls& controls_;
    Owner owner_;
    StatusRefresh refresh_;
    TickPacer pacer_;
    bool timerOn_ = false;
    bool showing_ = false;         // WM_SHOWWINDOW: the window is about to show
    mutable int barPosition_ = -1; // the bar's position as last set; -1 until asked
};
