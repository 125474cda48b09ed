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

// Records every call; the window "disappears" after a set number of IsWindow checks.
class FakeSystem : public ProcessEntrySystem {
public:
    Window window = reinterpret_cast<Window>(0x1234);
    Window windowAfterCreate = nullptr; // what a second FindInstanceWindow finds, when set
    bool mutexOpen = false;
    bool mutexExistsOnCreate = false;
    int windowLivesForChecks = 1000;
    std::vector<std::string> calls;

    Window FindInstanceWindow() override {
        calls.push_back("find");
        return (finds_++ > 0 && windowAfterCreate) ? windowAfterCreate : window;
    }
    void SendControl(Window w, unsigned wParam) override {
        calls.push_back("send " + std::to_string(wParam) + (w ? "" : " (nowhere)"));
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
    bool CreateInstanceMutex() override {
        calls.push_back("createmutex");
        return mutexExistsOnCreate;
    }
    void RunFirstInstance(Switch sw) override { calls.push_back(sw == Switch::Start ? "run hidden" : "run"); }

private:
    int finds_ = 0;
    int checks_ = 0;
};

using Calls = std::vector<std::string>;

TEST(ProcessEntry, FirstInstanceCreatesTheMutexAndRuns) {
    FakeSystem sys;
    sys.window = nullptr;
    EXPECT_EQ(RunProcessEntry(sys, Switch::None), 0);
    EXPECT_EQ(sys.calls, (Calls{"find", "openmutex", "createmutex", "run"}));
}

TEST(ProcessEntry, FirstInstanceWithStartRunsHidden) {
    FakeSystem sys;
    sys.window = nullptr;
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
    sys.window = nullptr;
    sys.windowAfterCreate = reinterpret_cast<ProcessEntrySystem::Window>(0x99);
    sys.mutexExistsOnCreate = true;
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
    sys.window = nullptr;
    RunProcessEntry(sys, Switch::Uninst);
    EXPECT_EQ(sys.calls, (Calls{"find", "send 2 (nowhere)", "iswindow"}));
}

} // namespace
