#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tray/Foreground.h"

namespace {

using Window = ForegroundSystem::Window;
Window const kTarget = reinterpret_cast<Window>(0x10);
Window const kOther = reinterpret_cast<Window>(0x20);

class FakeForeground : public ForegroundSystem {
public:
    bool iconic = false;
    Window foreground = kOther;
    unsigned major = 10;
    bool attachWorks = true;
    bool switchWorksWhenAttached = true;
    unsigned lockTimeout = 200000;
    std::vector<std::string> calls;

    bool IsIconic(Window) override { return iconic; }
    void Restore(Window) override { calls.push_back("restore"); }
    Window ForegroundWindow() override { return foreground; }
    unsigned MajorVersion() override { return major; }
    ThreadId WindowThread(Window w) override { return w == kTarget ? 1 : (w ? 2 : 0); }
    bool AttachThreadInput(ThreadId a, ThreadId b, bool on) override {
        calls.push_back(std::string(on ? "attach " : "detach ") + std::to_string(a) + "->" + std::to_string(b));
        attached_ = on && attachWorks;
        return attachWorks;
    }
    void BringWindowToTop(Window) override { calls.push_back("top"); }
    void SetForegroundWindow(Window w) override {
        calls.push_back("setfg");
        if (attached_ ? switchWorksWhenAttached : (lockTimeout == 0 || foreground == nullptr)) {
            foreground = w;
        }
    }
    unsigned ForegroundLockTimeout() override { return lockTimeout; }
    void SetForegroundLockTimeout(unsigned ms) override {
        calls.push_back("timeout " + std::to_string(ms));
        lockTimeout = ms;
    }

private:
    bool attached_ = false;
};

using Calls = std::vector<std::string>;

TEST(ForceForegroundWindow, AttachesToTheForegroundThreadAndDetaches) {
    FakeForeground fg;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls, (Calls{"attach 1->2", "top", "setfg", "detach 1->2"}));
    EXPECT_EQ(fg.foreground, kTarget);
}

TEST(ForceForegroundWindow, MinimizedWindowIsRestoredFirst) {
    FakeForeground fg;
    fg.iconic = true;
    ForceForegroundWindow(fg, kTarget);
    ASSERT_FALSE(fg.calls.empty());
    EXPECT_EQ(fg.calls.front(), "restore");
}

TEST(ForceForegroundWindow, WindowAlreadyInFrontIsOnlyRestored) {
    FakeForeground fg;
    fg.foreground = kTarget;
    fg.iconic = true;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls, (Calls{"restore"}));
}

TEST(ForceForegroundWindow, BeforeVistaUsesOnlyBringToTopAndSetForeground) {
    FakeForeground fg;
    fg.major = 5;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls, (Calls{"top", "setfg"}));
}

TEST(ForceForegroundWindow, FailedAttachStopsThere) {
    FakeForeground fg;
    fg.attachWorks = false;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls, (Calls{"attach 1->2"}));
}

TEST(ForceForegroundWindow, LastResortLiftsTheLockTimeoutAndPutsItBack) {
    FakeForeground fg;
    fg.switchWorksWhenAttached = false;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls,
              (Calls{"attach 1->2", "top", "setfg", "detach 1->2", "timeout 0", "top", "setfg", "timeout 200000"}));
    EXPECT_EQ(fg.lockTimeout, 200000u);
    EXPECT_EQ(fg.foreground, kTarget);
}

TEST(ForceForegroundWindow, WithNoForegroundWindowSwitchesWithoutAttaching) {
    FakeForeground fg;
    fg.foreground = nullptr;
    ForceForegroundWindow(fg, kTarget);
    EXPECT_EQ(fg.calls, (Calls{"top", "setfg"}));
    EXPECT_EQ(fg.foreground, kTarget);
}

} // namespace
