#include <gtest/gtest.h>

#include <string>

#include "update/WebUrl.h"

namespace {

TEST(WebUrl, OnlyAbsoluteWebAddressesAreOpened) {
    struct Case {
        const wchar_t* url;
        bool opened;
    } cases[] = {
        {L"https://example.com/download?v=2", true},
        {L"http://example.com", true},
        {L"HTTPS://EXAMPLE.COM/", true},
        {L"https://localhost:8443/notice#top", true},
        {L"https://user@example.com/", true},
        {L"", false},
        {L"https://", false},
        {L"https:///path", false},
        {L"https://?q", false},
        {L"http:example.com", false},
        {L"//example.com/x", false},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"C:\\Windows\\System32\\calc.exe", false},
        {L"calc.exe", false},
        {L"cmd /c del x", false},
        {L"javascript:alert(1)", false},
        {L"ms-settings:privacy", false},
        {L"ftp://example.com/file", false},
        {L"https://example.com/a b", false},
        {L"https://example.com/\r\nx", false},
        {L"https://example.com\\..\\x", false},
        {L" https://example.com", false},
        {L"https://:443/", false},
        {L"https://@/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsWebUrl(c.url), c.opened) << std::wstring(c.url).size() << ": case " << &c - cases;
    }
}

} // namespace
