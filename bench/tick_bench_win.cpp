// Cost of one status tick without its window, against the floor of the two system calls the
// snapshot is made of (GlobalMemoryStatusEx + NtQuerySystemInformation(21)).
//
// A tick here is what the window's timer does besides calling the window system (the timer, the
// labels, the bar, the settings controls) and reading the clock: the snapshot into a cleared
// record and the program's own StatusRefresh::Tick, which builds the three usage lines (the
// Korean physical-memory format, the user's separators) and decides with all four rules
// ticked, their default list texts, the cooldown passed and nothing due, so every rule is
// evaluated. Five kinds are timed in short blocks, the
// order rotated each round, and each figure is the median over the rounds:
//   floor     the two bare system calls
//   snapshot  GetMemoryUsage alone
//   steady    the tick as the program runs it; Wine answers GlobalMemoryStatusEx from a cache
//             refreshed about once a second, so the snapshot comes out the same every time
//   moving    the same tick, but the record is then replaced by one of two recorded snapshots
//             whose byte counts and percentages differ while the printed figures do not, as
//             between two ticks of an idle machine
//   changing  the same again, with two snapshots that differ in every printed figure: all
//             three lines are rebuilt every tick
//
//   tick_bench [calls]     calls of each kind in all, 202000 unless given
//
// Prints key=value lines: <kind>_ns (median ns/call) and <kind>_ratio (median of the rounds'
// ratios to the floor).

#include "app/Locale_win.h"
#include "app/StatusRefresh.h"
#include "bench/BenchTiming_win.h"
#include "memory/Memory_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

using namespace bench;

constexpr int kRounds = 101;
constexpr std::uint64_t kMB = 1048576;
constexpr double kSecond = 1.0 / 86400;

// The window as the tick sees it: the settings page at its defaults with every box ticked, and
// labels and a bar that only count what they are given.
class Window final : public StatusRefreshHost {
public:
    Window() { refresh.SetSeparators(UserNumberSeparators()); }

    bool LineShown(StatusLine) const override { return true; }
    void ShowLine(StatusLine, std::wstring_view text) override {
        ++rebuilt;
        g_sink = g_sink + text.size();
    }
    int BarPosition() const override { return bar; }
    void ShowBar(int position) override { bar = position; }
    bool ReadRule(AutoCleanRuleKind rule, std::wstring& text) override {
        static const wchar_t* const kTexts[kAutoCleanRuleCount] = {L"90", L"90", L"90", L"30"};
        text = kTexts[static_cast<int>(rule)];
        return true;
    }
    bool IsRunning() const override { return false; }
    TDateTime NextTime() const override { return nextTime; }
    TDateTime Now() override { return now; }
    void CleanAutomatically() override { ++due; }

    StatusRefresh refresh;
    std::wstring FmtPhysStatus{texts::kPhysStatusFormat};
    TDateTime nextTime = 45000.5;
    TDateTime now = nextTime + 600 * kSecond;
    int bar = 0;
    unsigned tick = 0;
    unsigned rebuilt = 0; // lines
    unsigned due = 0;
};

// The window's tick without the timer: the snapshot, then the status refresh itself.
void Tick(Window& w, const TMemoryUsage* replay) {
    TMemoryUsage usage{};
    GetMemoryUsage(usage);
    if (replay != nullptr) {
        usage = replay[w.tick & 1];
    }
    w.refresh.Tick(usage, w.FmtPhysStatus, w);
    ++w.tick;
    // A second later, within 600 to 1199 s of the reference time: past the cooldown, short of
    // the 30 minutes.
    w.now += kSecond;
    if (w.now > w.nextTime + 1199 * kSecond) {
        w.now = w.nextTime + 600 * kSecond;
    }
}

std::int64_t TimeTicks(Window& w, const TMemoryUsage* replay, int calls) {
    const std::int64_t start = Ticks();
    for (int i = 0; i < calls; ++i) {
        Tick(w, replay);
    }
    return Ticks() - start;
}

// Two pairs of snapshots made from the live one. Wine reports an empty file cache, so the cache
// figures are made up: a 2 GB peak, two thirds of it in use. `moving` differs by less than the
// lines show (some KB, a thousandth of a percent); `changing` by 1 to 2 percent in every kind.
void RecordReplays(TMemoryUsage (&moving)[2], TMemoryUsage (&changing)[2]) {
    TMemoryUsage live{};
    GetMemoryUsage(live);
    auto make = [&](TMemoryUsage& u, std::uint64_t shift) {
        u = live;
        u.AvailPhys = live.AvailPhys > shift + kMB ? live.AvailPhys - shift : live.AvailPhys / 2;
        u.AvailPage = live.AvailPage > shift + kMB ? live.AvailPage - shift : live.AvailPage / 2;
        u.TotalWork = 2048 * kMB;
        u.AvailWork = 683 * kMB - shift / 4;
        u.UsagePhys = static_cast<float>(UsagePercent(u.TotalPhys - u.AvailPhys, u.TotalPhys));
        u.UsagePage = static_cast<float>(UsagePercent(u.TotalPage - u.AvailPage, u.TotalPage));
        u.UsageWork = static_cast<float>(UsagePercent(u.TotalWork - u.AvailWork, u.TotalWork));
    };
    // The live figures rounded to whole megabytes, then 4 KB and 8 KB less free memory.
    live.AvailPhys = live.AvailPhys / kMB * kMB;
    live.AvailPage = live.AvailPage / kMB * kMB;
    make(moving[0], 4096);
    make(moving[1], 8192);
    make(changing[0], 97 * kMB);
    make(changing[1], 4 * 97 * kMB);
}

std::string Utf8(std::wstring_view text) {
    std::string out(text.size() * 3, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                             static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(std::max(length, 0)));
    return out;
}

enum Kind { kFloor, kSnapshot, kSteady, kMoving, kChanging, kKinds };
constexpr const char* kNames[kKinds] = {"floor", "snapshot", "steady", "moving", "changing"};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const long requested = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 202000;
    const int perRound = std::max(1, static_cast<int>(requested / kRounds));

    const auto query = ResolveNtQuery();
    if (query == nullptr) {
        return 2;
    }
    const double nsPerCall = NsPerCall(perRound);

    TMemoryUsage movingReplay[2];
    TMemoryUsage changingReplay[2];
    RecordReplays(movingReplay, changingReplay);
    Window steady;
    Window moving;
    Window changing;

    auto time = [&](int kind) -> std::int64_t {
        switch (kind) {
        case kFloor:
            return TimeFloor(query, perRound);
        case kSnapshot:
            return TimeSnapshots(perRound);
        case kSteady:
            return TimeTicks(steady, nullptr, perRound);
        case kMoving:
            return TimeTicks(moving, movingReplay, perRound);
        default:
            return TimeTicks(changing, changingReplay, perRound);
        }
    };
    // Warm-up: first-use resolution, the lines' buffers, caches, page faults.
    for (int kind = 0; kind < kKinds; ++kind) {
        time(kind);
    }

    static double ns[kKinds][kRounds];
    static double ratios[kKinds][kRounds];
    for (int round = 0; round < kRounds; ++round) {
        std::int64_t ticks[kKinds];
        for (int i = 0; i < kKinds; ++i) {
            const int kind = (round + i) % kKinds;
            ticks[kind] = time(kind);
        }
        for (int kind = 0; kind < kKinds; ++kind) {
            ns[kind][round] = static_cast<double>(std::max<std::int64_t>(ticks[kind], 1)) * nsPerCall;
        }
        for (int kind = 0; kind < kKinds; ++kind) {
            ratios[kind][round] = ns[kind][round] / ns[kFloor][round];
        }
    }

    std::printf("calls=%d\n", perRound * kRounds);
    for (int kind = 0; kind < kKinds; ++kind) {
        std::printf("%s_ns=%.1f\n", kNames[kind], Median(ns[kind], kRounds));
        if (kind != kFloor) {
            std::printf("%s_ratio=%.3f\n", kNames[kind], Median(ratios[kind], kRounds));
        }
    }
    // What the ticks printed and decided, so a broken tick shows.
    std::printf("steady_line=%s\n", Utf8(steady.refresh.Lines().Phys()).c_str());
    std::printf("moving_line=%s\n", Utf8(moving.refresh.Lines().Phys()).c_str());
    std::printf("changing_line=%s\n", Utf8(changing.refresh.Lines().Phys()).c_str());
    std::printf("rebuilt=%u %u %u of %u\n", steady.rebuilt, moving.rebuilt, changing.rebuilt, changing.tick);
    std::printf("due=%u of %u\n", steady.due + moving.due + changing.due, steady.tick + moving.tick + changing.tick);
    return 0;
}
