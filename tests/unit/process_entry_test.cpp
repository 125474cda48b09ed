#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ProcessEntry.h"

namespace {

TEST(ParseSwitch, MatchesWholeArgumentExactly) {
    struct Case {
        const wchar_t* arg;
        Switch expected;
    } cases[] = {
        {L"/start", Switch::Start}, {L"/inst", Switch::Inst},  {L"/uninst", Switch::Uninst},
        {L"", Switch::None},        {L"/START", Switch::None}, {L"-start", Switch::None},
        {L"/start ", Switch::None}, {L"/in", Switch::None},    {L"start", Switch::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSwitch(c.arg), c.expected) << std::string(c.arg, c.arg + std::wstring(c.arg).size());
    }
}

using Window = ProcessEntrySystem::Window;
const auto kOurs = reinterpret_cast<Window>(0x1234);
const auto kOursLater = reinterpret_cast<Window>(0x99);
// A window of the class made by a process that is not this program.
const auto kSquatter = reinterpret_cast<Window>(0x5150);

// Records every call; the window "disappears" after a set number of IsWindow checks.
class FakeSystem : public ProcessEntrySystem {
public:
    std::vector<Window> windows{kOurs};     // top-level windows of the class, in z-order
    std::vector<Window> windowsAfterCreate; // what a second look finds, when set
    bool mutexOpen = false;
    MutexCreate create = MutexCreate::Created;
    int windowLivesForChecks = 1000;
    std::vector<std::string> calls;

    std::vector<Window> InstanceWindows() override {
        calls.push_back("find");
        return (finds_++ > 0 && !windowsAfterCreate.empty()) ? windowsAfterCreate : windows;
    }
    bool RunsThisProgram(Window w) override { return w != kSquatter; }
    void SendControl(Window w, unsigned wParam) override {
        calls.push_back("send " + std::to_string(wParam) + (!w ? " (nowhere)" : w == kSquatter ? " to squatter" : ""));
    }
    bool IsWindow(Window w) override {
        calls.push_back("iswindow");
        return w != nullptr && checks_++ < windowLivesForChecks;
    }
    void Sleep(unsigned ms) override { calls.push_back("sleep " + std::to_string(ms)); }
    bool OpenInstanceMutex() override {
        calls.push_back("openmutex");
        return mutexOpen;
    }
    MutexCreate CreateInstanceMutex() override {
        calls.push_back("createmutex");
        return create;
    }
    void RunFirstInstance(Switch sw) override { calls.push_back(sw == Switch::Start ? "run hidden" : "run"); }

private:
    int finds_ = 0;
    int checks_ = 0;
};

using Calls = std::vector<std::string>;

TEST(ProcessEntry, FirstInstanceCreatesTheMutexAndRuns) {
    FakeSystem sys;
    sys.windows.clear();
    EXPECT_EQ(RunProcessEntry(sys, Switch::None), 0);
    EXPECT_EQ(sys.calls, (Calls{"find", "openmutex", "createmutex", "run"}));
}

TEST(ProcessEntry, FirstInstanceWithStartRunsHidden) {
    FakeSystem sys;
    sys.windows.clear();
    RunProcessEntry(sys, Switch::Start);
    EXPECT_EQ(sys.calls.back(), "run hidden");
}

TEST(ProcessEntry, SecondLaunchAsksTheRunningInstanceToShowItself) {
    for (Switch sw : {Switch::None, Switch::Inst}) {
        FakeSystem sys;
        sys.mutexOpen = true;
        RunProcessEntry(sys, sw);
        EXPECT_EQ(sys.calls, (Calls{"find", "openmutex", "send 1"}));
    }
}

TEST(ProcessEntry, SecondLaunchWithStartSendsNothing) {
    FakeSystem sys;
    sys.mutexOpen = true;
    RunProcessEntry(sys, Switch::Start);
    EXPECT_EQ(sys.calls, (Calls{"find", "openmutex"}));
}

TEST(ProcessEntry, LaunchThatLosesTheCreateRaceIsASecondInstance) {
    // Both launches missed the mutex; this one's create finds it existing, and the winner's
    // window has appeared meanwhile.
    FakeSystem sys;
    sys.windows.clear();
    sys.windowsAfterCreate = {kOursLater};
    sys.create = MutexCreate::AlreadyExists;
    RunProcessEntry(sys, Switch::None);
    EXPECT_EQ(sys.calls, (Calls{"find", "openmutex", "createmutex", "find", "send 1"}));
}

TEST(ProcessEntry, UninstallWaitsUntilTheWindowIsGone) {
    FakeSystem sys;
    sys.windowLivesForChecks = 3;
    RunProcessEntry(sys, Switch::Uninst);
    EXPECT_EQ(sys.calls, (Calls{"find", "send 2", "iswindow", "sleep 100", "iswindow", "sleep 100", "iswindow",
                                "sleep 100", "iswindow"}));
}

TEST(ProcessEntry, UninstallGivesUpAfterTenPausesAndNeverBecomesAnInstance) {
    FakeSystem sys;
    RunProcessEntry(sys, Switch::Uninst);
    int sleeps = 0;
    for (const auto& c : sys.calls) {
        sleeps += c == "sleep 100";
        EXPECT_NE(c, "openmutex");
        EXPECT_NE(c, "createmutex");
    }
    EXPECT_EQ(sleeps, 10);
}

TEST(ProcessEntry, UninstallWithoutARunningInstanceReturnsAtOnce) {
    FakeSystem sys;
    sys.windows.clear();
    RunProcessEntry(sys, Switch::Uninst);
    EXPECT_EQ(sys.calls, (Calls{"find", "send 2 (nowhere)", "iswindow"}));
}

TEST(ProcessEntry, SquattedInstanceName) {
    // Another process holds the name: as an event, semaphore or mapping, both the open and the
    // create fail; as a mutex, it opens like a running instance's; and it may have registered
    // the window class. Its window gets no control message, and only a window of this program
    // makes a launch without the mutex a second instance.
    using enum MutexCreate;
    const Calls events{"find", "openmutex", "createmutex"};
    auto then = [](Calls calls, std::initializer_list<std::string> more) {
        calls.insert(calls.end(), more);
        return calls;
    };
    struct Case {
        const char* what;
        Switch sw;
        std::vector<Window> windows;
        bool mutexOpen;
        MutexCreate create;
        Calls expected;
    } cases[] = {
        {"event, no window", Switch::None, {}, false, Failed, then(events, {"run"})},
        {"event, no window, /start", Switch::Start, {}, false, Failed, then(events, {"run hidden"})},
        {"event, our window", Switch::None, {kOurs}, false, Failed, then(events, {"send 1"})},
        {"event, our window, /inst", Switch::Inst, {kOurs}, false, Failed, then(events, {"send 1"})},
        {"event, our window, /start", Switch::Start, {kOurs}, false, Failed, events},
        {"event, squatter window only", Switch::None, {kSquatter}, false, Failed, then(events, {"run"})},
        {"event, squatter window above ours",
         Switch::None,
         {kSquatter, kOurs},
         false,
         Failed,
         then(events, {"send 1"})},
        {"window above the running instance's",
         Switch::None,
         {kSquatter, kOurs},
         true,
         Created,
         {"find", "openmutex", "send 1"}},
        {"window, no instance", Switch::None, {kSquatter}, false, Created, then(events, {"run"})},
        {"mutex: the program does not start",
         Switch::None,
         {},
         true,
         Created,
         {"find", "openmutex", "send 1 (nowhere)"}},
        {"mutex and window", Switch::None, {kSquatter}, true, Created, {"find", "openmutex", "send 1 (nowhere)"}},
        {"mutex and window, /start", Switch::Start, {kSquatter}, true, Created, {"find", "openmutex"}},
        {"window above ours, /uninst",
         Switch::Uninst,
         {kSquatter, kOurs},
         false,
         Created,
         {"find", "send 2", "iswindow", "sleep 100", "iswindow"}},
        {"window only, /uninst", Switch::Uninst, {kSquatter}, false, Created, {"find", "send 2 (nowhere)", "iswindow"}},
    };
    for (const auto& c : cases) {
        FakeSystem sys;
        sys.windows = c.windows;
        sys.mutexOpen = c.mutexOpen;
        sys.create = c.create;
        sys.windowLivesForChecks = 1;
        EXPECT_EQ(RunProcessEntry(sys, c.sw), 0) << c.what;
        EXPECT_EQ(sys.calls, c.expected) << c.what;
    }
}

TEST(ProcessEntry, LaunchThatLosesTheCreateRaceSkipsASquatterWindow) {
    FakeSystem sys;
    sys.windows.clear();
    sys.windowsAfterCreate = {kSquatter, kOursLater};
    sys.create = MutexCreate::AlreadyExists;
    RunProcessEntry(sys, Switch::None);
    EXPECT_EQ(sys.calls, (Calls{"find", "openmutex", "createmutex", "find", "send 1"}));
}

} // namespace
