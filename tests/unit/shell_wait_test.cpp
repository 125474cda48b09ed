#include <gtest/gtest.h>

#include <optional>

#include "tray/ShellWait.h"

namespace {

// A simulated clock: Sleep advances it; the taskbar appears at a set time.
class FakeShell : public ShellWaitSystem {
public:
    std::uint64_t now = 5'000'000;               // an arbitrary boot uptime
    std::optional<std::uint64_t> taskbarAfterMs; // measured from the start
    std::optional<std::uint64_t> terminateAfterMs;
    int sleeps = 0;
    std::uint64_t start = now;

    bool Terminating() override { return terminateAfterMs && Waited() >= *terminateAfterMs; }
    bool TaskbarExists() override { return taskbarAfterMs && Waited() >= *taskbarAfterMs; }
    std::uint64_t TickCount() override { return now; }
    void Sleep(unsigned ms) override {
        ++sleeps;
        now += ms;
    }
    std::uint64_t Waited() const { return now - start; }
};

TEST(ShellWait, TaskbarPresentShowsAtOnce) {
    FakeShell shell;
    shell.taskbarAfterMs = 0;
    EXPECT_TRUE(WaitForShell(shell));
    EXPECT_EQ(shell.sleeps, 0);
}

TEST(ShellWait, TaskbarAppearingLaterIsFoundOnTheNextPoll) {
    FakeShell shell;
    shell.taskbarAfterMs = 250;
    EXPECT_TRUE(WaitForShell(shell));
    EXPECT_EQ(shell.Waited(), 300u);
}

TEST(ShellWait, NoTaskbarShowsAfterTenSecondsNotEarlier) {
    FakeShell shell;
    EXPECT_TRUE(WaitForShell(shell));
    EXPECT_EQ(shell.Waited(), 10000u);
    EXPECT_EQ(shell.sleeps, 100);
}

TEST(ShellWait, QuittingDuringTheWaitShowsNothing) {
    FakeShell shell;
    shell.terminateAfterMs = 450;
    EXPECT_FALSE(WaitForShell(shell));
    EXPECT_LT(shell.Waited(), 10000u);
}

TEST(ShellWait, TickCounterNearItsLimitStillEndsTheWait) {
    FakeShell shell;
    shell.now = shell.start = UINT64_MAX - 3000; // the difference is taken in 64 bits
    EXPECT_TRUE(WaitForShell(shell));
    EXPECT_EQ(shell.sleeps, 100);
}

} // namespace
