#include <gtest/gtest.h>

#include "update/AppVersion.h"
#include "update/Links.h"

namespace {

TEST(AppVersion, FormatsTheFourNumbersInOrder) {
    const FileVersion v = SplitFileVersion((1u << 16) | 9u, (3u << 16) | 0u);
    struct Case {
        const wchar_t* format;
        const wchar_t* text;
    } cases[] = {
        {L"%d.%d.%d", L"1.9.3"},          {L"%d.%d.%d.%d", L"1.9.3.0"}, {L"v%d", L"v1"},
        {L"%d.%d.%d.%d.%d", L"1.9.3.0."}, {L"100%%", L"100%"},          {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatAppVersion(c.format, v), c.text);
    }
}

TEST(AppVersion, WithoutVersionInformationIsAlwaysFourZeros) {
    EXPECT_EQ(FormatAppVersion(L"%d.%d.%d", std::nullopt), L"0.0.0.0");
}

TEST(AppVersion, SplitsSixteenBitHalves) {
    EXPECT_EQ(SplitFileVersion(0xFFFF0001u, 0x00020003u), (FileVersion{0xFFFF, 1, 2, 3}));
}

TEST(Links, AddressesCarryTheirSchemeAndVersion) {
    const auto product = links::ProductPage();
    EXPECT_TRUE(product.starts_with(L"http://") && product.ends_with(L"/rambroom"));
    const auto versioned = links::VersionedProductPage(L"1.9.3");
    EXPECT_TRUE(versioned.starts_with(L"https://") && versioned.ends_with(L"/rambroom?v=1.9.3"));
    const auto donate = links::DonatePage();
    EXPECT_TRUE(donate.starts_with(L"https://") && donate.ends_with(L"/donate?rambroom"));
}

TEST(Links, ServerCheckEndpointAndItsOverride) {
    const std::wstring endpoint = links::ServerCheckEndpoint();
    EXPECT_EQ(endpoint, L"https://api.brenwick.com/api.init.php");
    struct Case {
        const wchar_t* variable;
        std::wstring url;
    } cases[] = {
        {L"", endpoint},
        {L"https://localhost:8443/api.init.php", L"https://localhost:8443/api.init.php"},
        {L"HTTPS://localhost:8443/", L"HTTPS://localhost:8443/"},
        // The check speaks TLS only, whatever the variable says.
        {L"http://localhost:8080/api.init.php", endpoint},
        {L"https://", endpoint},
        {L"file:///C:/answer.json", endpoint},
        {L"localhost:8443", endpoint},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(links::ServerCheckUrl(c.variable), c.url) << c.variable;
    }
}

} // namespace
