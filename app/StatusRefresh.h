#pragma once
// The once-a-second status refresh: the three usage lines and the bar from a snapshot, then
// the automatic-clean decision. What it shows and reads goes through StatusRefreshHost, so the
// window, the tests and the tick benchmark run the same tick.

#include <string>
#include <string_view>

#include "app/AutoClean.h"
#include "app/StatusFormat.h"
#include "base/DateTime.h"
#include "memory/Memory.h"

// The automatic-clean rules, in the order of the settings page's rows.
enum class AutoCleanRuleKind { Phys, Page, Work, Minute };
inline constexpr int kAutoCleanRuleCount = 4;

// The usage lines of the home page.
enum class StatusLine { Phys, Page, Work };

class StatusRefreshHost {
public:
    virtual ~StatusRefreshHost() = default;

    // Whether a line is shown now: the page-file and file-cache lines only while their caption
    // label is visible. A line not shown is set once it is.
    virtual bool LineShown(StatusLine line) const = 0;
    virtual void ShowLine(StatusLine line, std::wstring_view text) = 0;
    virtual int BarPosition() const = 0;
    virtual void ShowBar(int position) = 0;

    // Whether the rule's box is ticked; if so `text` takes its drop-down list's text.
    virtual bool ReadRule(AutoCleanRuleKind rule, std::wstring& text) = 0;
    virtual bool IsRunning() const = 0;
    virtual TDateTime NextTime() const = 0;
    virtual TDateTime Now() = 0;
    // Starts a clean without a notification.
    virtual void CleanAutomatically() = 0;
};

class StatusRefresh {
public:
    void SetSeparators(const NumberSeparators& separators) { separators_ = separators; }

    // One tick after the snapshot `usage`: the lines whose printed figures changed, the bar,
    // and, when no job runs and a ticked rule is due, an automatic clean.
    void Tick(const TMemoryUsage& usage, std::wstring_view physFormat, StatusRefreshHost& host);
    // The lines changed while they were not shown, and the bar, set now that they are (no new
    // snapshot, no decision).
    void ShowPending(StatusRefreshHost& host);

    const StatusLineCache& Lines() const { return lines_; }

private:
    StatusLineCache lines_;
    NumberSeparators separators_;
    // Lines changed but not shown yet (their label was hidden); all before the first tick.
    unsigned pending_ = StatusLineCache::kPhys | StatusLineCache::kPage | StatusLineCache::kWork;
    std::wstring ruleTexts_[kAutoCleanRuleCount];
};
