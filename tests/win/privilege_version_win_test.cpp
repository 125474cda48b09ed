#include <gtest/gtest.h>

#include "app/Privilege_win.h"
#include "update/AppVersion_win.h"

namespace {

TEST(SetPrivilege, KnownNamesSucceedAndAMisspeltOneFails) {
    EXPECT_TRUE(SetPrivilege(L"SeIncreaseQuotaPrivilege", true));
    EXPECT_TRUE(SetPrivilege(L"SeProfileSingleProcessPrivilege", true));
    EXPECT_FALSE(SetPrivilege(L"SeIncreaseQuotaPrivileg", true));
}

TEST(GetAppVersion, ReadsTheFileVersionOfTheRunningProgram) {
    // The test program carries the same version resource as RamBroom.exe.
    EXPECT_EQ(GetAppVersion(L"%d.%d.%d"), L"1.9.3");
    EXPECT_EQ(GetAppVersion(L"%d.%d.%d.%d"), L"1.9.3.0");
}

} // namespace
