#include <gtest/gtest.h>

#include "autostart/AutoStart.h"

namespace {

TEST(AutoStart, SecondsToDuration) {
    const struct {
        int seconds;
        const wchar_t* text;
    } cases[] = {
        {0, L"PT0S"},        {1, L"PT1S"},
        {59, L"PT59S"},      {60, L"PT1M"},
        {61, L"PT1M1S"},     {90, L"PT1M30S"},
        {3600, L"PT60M"},    {3661, L"PT61M1S"}, // never hours
        {86400, L"PT1440M"}, {2147483647, L"PT35791394M7S"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondsToDuration(c.seconds), c.text) << c.seconds;
    }
}

TEST(AutoStart, TaskForTheRunningExecutable) {
    const AutoStartTask installed = AutoStartTaskFor(L"C:\\Program Files\\RamBroom\\RamBroom.exe", 60);
    EXPECT_EQ(installed.delay, L"PT1M");
    EXPECT_EQ(installed.path, L"C:\\Program Files\\RamBroom\\RamBroom.exe");
    EXPECT_EQ(installed.workingDirectory, L"C:\\Program Files\\RamBroom\\");
    EXPECT_EQ(installed.arguments, L"/start");

    // No delay at all, not even "PT0S", for 0 or less.
    EXPECT_FALSE(AutoStartTaskFor(L"C:\\Tools\\app.exe", 0).delay);
    EXPECT_FALSE(AutoStartTaskFor(L"C:\\Tools\\app.exe", -1).delay);
    EXPECT_EQ(AutoStartTaskFor(L"C:\\Tools\\app.exe", 0).workingDirectory, L"C:\\Tools\\");
    EXPECT_EQ(AutoStartTaskFor(L"app.exe", 0).workingDirectory, L"");
}

} // namespace
