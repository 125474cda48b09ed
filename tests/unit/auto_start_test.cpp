// What the logon task holds, decided without the Task Scheduler: the delay text and the start
// action taken from the executable's path.

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "autostart/AutoStart.h"

namespace {

TEST(AutoStart, SecondsToDurationCountsMinutesAndSecondsButNeverHours) {
    const struct {
        int seconds;
        const wchar_t* text;
    } cases[] = {
        {60, L"PT1M"},       {59, L"PT59S"},
        {61, L"PT1M1S"},     {90, L"PT1M30S"},
        {1, L"PT1S"},        {120, L"PT2M"},
        {3600, L"PT60M"},    {3661, L"PT61M1S"},
        {86400, L"PT1440M"}, {INT_MAX, L"PT35791394M7S"}, // the widest
        {0, L"PT0S"},        {-1, L"PT0S"},
        {-90, L"PT0S"},      {INT_MIN, L"PT0S"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondsToDuration(c.seconds), c.text) << c.seconds;
    }
}

TEST(AutoStart, PathFolderKeepsTheTrailingBackslash) {
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Tools\\app.exe", L"C:\\Tools\\"},
        {L"C:\\app.exe", L"C:\\"},
        {L"C:\\Program Files (x86)\\Ram Broom\\RamBroom.exe", L"C:\\Program Files (x86)\\Ram Broom\\"},
        {L"\\\\server\\share\\RamBroom.exe", L"\\\\server\\share\\"},
        {L"\\\\?\\C:\\\uD504\uB85C\uADF8\uB7A8\\RamBroom.exe", L"\\\\?\\C:\\\uD504\uB85C\uADF8\uB7A8\\"},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"app.exe", L""}, // no folder at all
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathFolder(c.path), c.folder);
    }
}

TEST(AutoStart, LaunchStartsTheExecutableInItsFolderWithStart) {
    const LogonTaskLaunch launch = MakeLogonTaskLaunch(L"C:\\Tools\\RamBroom.exe", 60);
    EXPECT_EQ(launch.Path, L"C:\\Tools\\RamBroom.exe");
    EXPECT_EQ(launch.WorkingDirectory, L"C:\\Tools\\");
    EXPECT_EQ(launch.Arguments, L"/start");
    EXPECT_EQ(launch.Delay, std::optional<std::wstring>(L"PT1M"));
}

// No delay is not a zero delay: the trigger's delay is left unset, not written as "PT0S".
TEST(AutoStart, LaunchHasADelayOnlyForAPositiveCount) {
    const struct {
        int seconds;
        std::optional<std::wstring> delay;
    } cases[] = {{1, L"PT1S"}, {90, L"PT1M30S"}, {0, std::nullopt}, {-60, std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(MakeLogonTaskLaunch(L"C:\\a.exe", c.seconds).Delay, c.delay) << c.seconds;
    }
}

} // namespace
