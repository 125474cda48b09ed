#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "update/Uid_win.h"

namespace {

// The identifier in the real registry of the test's prefix: made once, kept, a 32-character
// REG_SZ under the vendor's key. The value is removed again afterwards.
TEST(UidWin, TheIdentifierIsMadeOnceAndStoredAsAString) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Brenwick", L"WrenUID");
    const std::wstring first = GetUID();
    const std::wstring second = GetUID();
    ASSERT_EQ(first.size(), 32u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    wchar_t stored[64] = {};
    DWORD type = 0, size = sizeof(stored);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Brenwick", L"WrenUID", RRF_RT_ANY, &type, stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(stored), first);
    EXPECT_NE(NewUID(), NewUID()); // two draws of the generator differ
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Brenwick", L"WrenUID");
}

} // namespace
