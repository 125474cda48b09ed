#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/StatusRefresh.h"

namespace {

const TDateTime kStart = EncodeDateTime(2026, 12, 10, 12, 0, 0, 0);
constexpr std::uint64_t kMB = 1048576;

// The window as the tick sees it: labels, bar, the rule rows and the job state.
class FakeHost : public StatusRefreshHost {
public:
    std::map<StatusLine, std::wstring> lines;
    std::map<StatusLine, bool> shown{{StatusLine::Phys, true}, {StatusLine::Page, true}, {StatusLine::Work, true}};
    int bar = 0;
    struct Rule {
        bool ticked = false;
        std::wstring text;
    };
    Rule rules[kAutoCleanRuleCount];
    bool running = false;
    TDateTime nextTime = kStart;
    TDateTime now = kStart + 400 / 86400.0;
    int rulesRead = 0;
    int clockReads = 0;
    int cleans = 0;

    bool LineShown(StatusLine line) const override { return shown.at(line); }
    void ShowLine(StatusLine line, std::wstring_view text) override { lines[line] = text; }
    int BarPosition() const override { return bar; }
    void ShowBar(int position) override { bar = position; }
    bool ReadRule(AutoCleanRuleKind rule, std::wstring& text) override {
        ++rulesRead;
        const Rule& r = rules[static_cast<int>(rule)];
        text = r.text;
        return r.ticked;
    }
    bool IsRunning() const override { return running; }
    TDateTime NextTime() const override { return nextTime; }
    TDateTime Now() override {
        ++clockReads;
        return now;
    }
    void CleanAutomatically() override { ++cleans; }
};

// Each kind's usage is a different figure: 10 % physical, 40 % page file, 70 % file cache.
TMemoryUsage Usage() {
    TMemoryUsage u{};
    u.TotalPhys = 1000 * kMB;
    u.AvailPhys = 900 * kMB;
    u.TotalPage = 1000 * kMB;
    u.AvailPage = 600 * kMB;
    u.TotalWork = 1000 * kMB;
    u.AvailWork = 300 * kMB;
    u.UsagePhys = 10;
    u.UsagePage = 40;
    u.UsageWork = 70;
    return u;
}

// Each threshold rule is read against its own figure: ticked alone, it is due at exactly its
// kind's usage and not one percent above. A rule wired to another kind's figure fails a row.
TEST(StatusRefresh, EachRuleReadsItsOwnFigure) {
    struct Row {
        AutoCleanRuleKind rule;
        const wchar_t* threshold;
        bool due;
    };
    const Row rows[] = {
        {AutoCleanRuleKind::Phys, L"10", true},  {AutoCleanRuleKind::Phys, L"11", false},
        {AutoCleanRuleKind::Page, L"40", true},  {AutoCleanRuleKind::Page, L"41", false},
        {AutoCleanRuleKind::Work, L"70", true},  {AutoCleanRuleKind::Work, L"71", false},
        {AutoCleanRuleKind::Minute, L"6", true}, {AutoCleanRuleKind::Minute, L"7", false}, // 400 s elapsed
    };
    for (const auto& row : rows) {
        FakeHost host;
        host.rules[static_cast<int>(row.rule)] = {true, row.threshold};
        StatusRefresh refresh;
        refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
        EXPECT_EQ(host.cleans, row.due ? 1 : 0)
            << "rule " << static_cast<int>(row.rule) << " at " << testing::PrintToString(std::wstring(row.threshold));
    }
}

// A snapshot with more free than total memory (a 32-bit process under emulation sees one) holds
// a percentage of a wrapped difference, thousands of millions: it meets no threshold, as the
// lines show nothing used.
TEST(StatusRefresh, FreeAboveTotalMeetsNoThreshold) {
    TMemoryUsage usage = Usage();
    usage.AvailPhys = usage.TotalPhys + kMB;
    usage.UsagePhys = 4852817408.0f;
    FakeHost host;
    host.rules[static_cast<int>(AutoCleanRuleKind::Phys)] = {true, L"1"};
    StatusRefresh refresh;
    refresh.Tick(usage, texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.cleans, 0);
    EXPECT_EQ(host.bar, 0);
}

TEST(StatusRefresh, LinesAndBarFromTheSnapshot) {
    FakeHost host;
    StatusRefresh refresh;
    refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.lines[StatusLine::Phys], L"100 MB / 1,000 MB (10.00% 사용중)");
    EXPECT_EQ(host.lines[StatusLine::Page], L"400 MB (40.00%)");
    EXPECT_EQ(host.lines[StatusLine::Work], L"700 MB (70.00%)");
    EXPECT_EQ(host.bar, 10);
}

// While a job runs the lines and the bar go on, and no rule is looked at.
TEST(StatusRefresh, WhileAJobRunsTheLinesGoOnAndNothingIsDecided) {
    FakeHost host;
    host.running = true;
    for (auto& rule : host.rules) {
        rule = {true, L"0"};
    }
    StatusRefresh refresh;
    TMemoryUsage usage = Usage();
    refresh.Tick(usage, texts::kPhysStatusFormat, host);
    usage.AvailPhys = 500 * kMB;
    usage.UsagePhys = 50;
    refresh.Tick(usage, texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.lines[StatusLine::Phys], L"500 MB / 1,000 MB (50.00% 사용중)");
    EXPECT_EQ(host.bar, 50);
    EXPECT_EQ(host.cleans, 0);
    EXPECT_EQ(host.rulesRead, 0);
}

TEST(StatusRefresh, WithNoRuleTickedTheClockIsNotRead) {
    FakeHost host;
    StatusRefresh refresh;
    refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.rulesRead, kAutoCleanRuleCount);
    EXPECT_EQ(host.clockReads, 0);
    EXPECT_EQ(host.cleans, 0);
}

// A line whose label is hidden is not set; it is set at the first tick after the label shows,
// even when its figures did not change meanwhile.
TEST(StatusRefresh, HiddenLinesCatchUpWhenShown) {
    FakeHost host;
    host.shown[StatusLine::Page] = false;
    StatusRefresh refresh;
    refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.lines.count(StatusLine::Page), 0u);
    host.lines.clear();
    host.shown[StatusLine::Page] = true;
    refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
    EXPECT_EQ(host.lines, (std::map<StatusLine, std::wstring>{{StatusLine::Page, L"400 MB (40.00%)"}}));
}

// A hidden window takes no text a tick: what changed meanwhile is set as it shows, from the
// last snapshot, without a tick (no rule read, no clean decided).
TEST(StatusRefresh, PendingLinesShownWithoutATick) {
    FakeHost host;
    for (auto& [line, shown] : host.shown) {
        shown = false;
    }
    host.rules[0] = {true, L"10"}; // due, were a rule decided
    host.nextTime = kStart - 1;
    StatusRefresh refresh;
    refresh.Tick(Usage(), texts::kPhysStatusFormat, host);
    EXPECT_TRUE(host.lines.empty());
    const int cleans = host.cleans, rulesRead = host.rulesRead;
    for (auto& [line, shown] : host.shown) {
        shown = true;
    }
    refresh.ShowPending(host);
    EXPECT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[StatusLine::Work], L"700 MB (70.00%)");
    EXPECT_EQ(host.bar, 10);
    EXPECT_EQ(host.cleans, cleans);
    EXPECT_EQ(host.rulesRead, rulesRead);
    host.lines.clear();
    refresh.ShowPending(host); // nothing left to set
    EXPECT_TRUE(host.lines.empty());
}

} // namespace
