#pragma once
// The window's status refresh: the timer TmrStatus and the tick over the home page's labels and
// bar and the settings page's rule rows.

#include <windows.h>

#include <functional>
#include <string>

#include "app/StatusRefresh.h"
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

    // One tick: the timer stops, a snapshot is taken and shown, the automatic rules decide,
    // and the timer starts again (so the next tick is a full period after this one ended).
    void TmrStatusTimer();
    // The timer's message and the regional-settings broadcast; true when handled.
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
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
    bool timerOn_ = false;
};
