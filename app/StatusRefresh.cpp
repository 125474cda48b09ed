#include "app/StatusRefresh.h"

namespace {

struct LineSlot {
    StatusLine line;
    unsigned bit;
};
constexpr LineSlot kLines[] = {
    {StatusLine::Phys, StatusLineCache::kPhys},
    {StatusLine::Page, StatusLineCache::kPage},
    {StatusLine::Work, StatusLineCache::kWork},
};

std::wstring_view TextOf(const StatusLineCache& lines, StatusLine line) {
    switch (line) {
    case StatusLine::Phys:
        return lines.Phys();
    case StatusLine::Page:
        return lines.Page();
    case StatusLine::Work:
        return lines.Work();
    }
    return {};
}

} // namespace

void StatusRefresh::ShowPending(StatusRefreshHost& host) {
    // A label is set only when its line changed since it was last set, so an unchanged label
    // is neither read back nor repainted.
    for (const auto& slot : kLines) {
        if ((pending_ & slot.bit) != 0 && host.LineShown(slot.line)) {
            host.ShowLine(slot.line, TextOf(lines_, slot.line));
            pending_ &= ~slot.bit;
        }
    }
    if (host.BarPosition() != lines_.Bar()) {
        host.ShowBar(lines_.Bar());
    }
}

void StatusRefresh::Tick(const TMemoryUsage& usage, std::wstring_view physFormat, StatusRefreshHost& host) {
    pending_ |= lines_.Update(usage, physFormat, separators_);
    ShowPending(host);

    if (host.IsRunning()) {
        return;
    }
    // The thresholds are met by the usage the lines show: a snapshot with more free than total
    // memory would otherwise count as thousands of millions of percent in use.
    AutoCleanInputs in;
    in.usagePhys = ShowUsage(usage.AvailPhys, usage.TotalPhys, usage.UsagePhys).percent;
    in.usagePage = ShowUsage(usage.AvailPage, usage.TotalPage, usage.UsagePage).percent;
    in.usageWork = ShowUsage(usage.AvailWork, usage.TotalWork, usage.UsageWork).percent;
    AutoCleanRule* rules[kAutoCleanRuleCount] = {&in.phys, &in.page, &in.work, &in.minute};
    bool anyTicked = false;
    for (int i = 0; i < kAutoCleanRuleCount; ++i) {
        if (host.ReadRule(static_cast<AutoCleanRuleKind>(i), ruleTexts_[i])) {
            *rules[i] = {true, ruleTexts_[i]};
            anyTicked = true;
        }
    }
    // With no rule ticked nothing is due, whatever the time: the clock is not read.
    if (!anyTicked) {
        return;
    }
    in.nextTime = host.NextTime();
    in.now = host.Now();
    in.isRunning = false;
    if (IsAutoCleanDue(in)) {
        host.CleanAutomatically();
    }
}
