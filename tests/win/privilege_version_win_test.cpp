#include <gtest/gtest.h>

#include <string>

#include "app/Privilege_win.h"
#include "update/AppVersion_win.h"

#include "RamBroomVersion.h"

namespace {

TEST(SetPrivilege, KnownNamesSucceedAndAMisspeltOneFails) {
    EXPECT_TRUE(SetPrivilege(L"SeIncreaseQuotaPrivilege", true));
    EXPECT_TRUE(SetPrivilege(L"SeProfileSingleProcessPrivilege", true));
    EXPECT_FALSE(SetPrivilege(L"SeIncreaseQuotaPrivileg", true));
}

TEST(GetAppVersion, ReadsTheFileVersionOfTheRunningProgram) {
    // The test program carries the same version resource as RamBroom.exe, made from the project's version.
    const std::wstring threeParts = std::to_wstring(RAMBROOM_VERSION_MAJOR) + L"." +
                                    std::to_wstring(RAMBROOM_VERSION_MINOR) + L"." +
                                    std::to_wstring(RAMBROOM_VERSION_PATCH);
    EXPECT_EQ(GetAppVersion(L"%d.%d.%d"), threeParts);
    EXPECT_EQ(GetAppVersion(L"%d.%d.%d.%d"), L"" RAMBROOM_VERSION_TEXT);
}

} // namespace
