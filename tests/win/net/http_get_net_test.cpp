#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>

#include "tests/win/net/CheckServer_win.h"
#include "update/HttpGet_win.h"
#include "update/ServerCheck.h"

namespace {

namespace cs = check_server;

using HttpGetTest = cs::ServerTest;

TEST_F(HttpGetTest, SendsTheHeadersInOrderAndReadsTheBody) {
    const HttpHeaders check = CheckRequestHeaders(L"1.9.3.0", L"ko", false, L"");
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::EchoUrl(token, LR"({"notify":"https://example.com/n"})"), check, response));
    EXPECT_EQ(response, LR"({"notify":"https://example.com/n"})");

    ASSERT_TRUE(HttpGet(cs::EchoUrl(token, L"{}"), HoldCommandHeaders(L"1.9.3.0"), response));

    const auto requests = cs::Requests(token);
    ASSERT_EQ(requests.size(), 2u);
    const std::vector<std::string> ours = {"User-Version", "User-Language", "User-Debug", "User-Union", "User-Command"};
    EXPECT_EQ(requests[0].Order(ours),
              (std::vector<std::string>{"User-Version", "User-Language", "User-Debug", "User-Union"}));
    EXPECT_EQ(*requests[0].Header("User-Version"), "1.9.3.0");
    EXPECT_EQ(*requests[0].Header("User-Language"), "ko");
    EXPECT_EQ(*requests[0].Header("User-Debug"), "false");
    // An empty identifier still goes out, as an empty header.
    ASSERT_NE(requests[0].Header("User-Union"), nullptr);
    EXPECT_EQ(*requests[0].Header("User-Union"), "");

    EXPECT_EQ(requests[1].Order(ours), (std::vector<std::string>{"User-Version", "User-Command"}));
    EXPECT_EQ(*requests[1].Header("User-Command"), "hold");
}

TEST_F(HttpGetTest, BodyIsUtf8WhateverTheDeclaredCharset) {
    // "업데이트" in UTF-8, then a stray continuation byte and a truncated sequence, served as
    // ISO-8859-1.
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::Url(token, "bytes?hex=ec9785eb8db0ec9db4ed8ab8"
                                       "2080"
                                       "20e182"),
                        {}, response));
    EXPECT_EQ(response.substr(0, 4), L"업데이트");
    EXPECT_EQ(response.substr(4, 2), L" \xFFFD");
    EXPECT_NE(response.find(L'\xFFFD', 6), std::wstring::npos);
}

TEST_F(HttpGetTest, AnErrorPageIsAnAnswer) {
    const std::wstring page = L"<html><body><h1>404 Not Found</h1></body></html>";
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::EchoUrl(token, page, 404, "text/html"), {}, response));
    EXPECT_EQ(response, page);
}

TEST_F(HttpGetTest, GarbageIsReadAsItIs) {
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::Url(token, "garbage"), {}, response));
    EXPECT_GT(response.size(), 30000u); // 64 KiB of random bytes; broken sequences become U+FFFD
}

TEST_F(HttpGetTest, HugeBodyIsReadWhole) {
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::Url(token, "huge"), {}, response));
    EXPECT_EQ(response.size(), 10u * 1024 * 1024);
    EXPECT_EQ(response.substr(response.size() - 4), L"xx\"}");
}

TEST_F(HttpGetTest, FollowsFiveRedirectsButNotSix) {
    std::wstring response;
    ASSERT_TRUE(HttpGet(cs::Url(token, "redirect/5"), {}, response));
    EXPECT_EQ(response, L"arrived");
    response = L"unchanged";
    EXPECT_FALSE(HttpGet(cs::Url(token, "redirect/6"), {}, response));
    EXPECT_EQ(response, L"unchanged");
    // The headers go along with every hop.
    const auto requests = cs::Requests(token);
    ASSERT_GE(requests.size(), 6u);
}

struct FailureCase {
    const char* name;
    std::wstring (*url)(const std::string& token);
    bool reachesServer;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class HttpGetFailureTest : public HttpGetTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(HttpGetFailureTest, FailsAndLeavesTheResponseAlone) {
    const FailureCase& c = GetParam();
    HttpTimeouts timeouts;
    timeouts.receiveMs = 2000; // the stalled body; the program waits 60 s
    std::wstring response = L"unchanged";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(HttpGet(c.url(token), CheckRequestHeaders(L"1.9.3.0", L"ko", false, L"X"), response, timeouts));
    EXPECT_EQ(response, L"unchanged");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    if (!c.reachesServer) {
        EXPECT_TRUE(cs::Requests(token).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    HttpGet, HttpGetFailureTest,
    testing::Values(
        // Certificate checks are on: a certificate nobody vouches for, or for another name.
        FailureCase{"UntrustedCertificate",
                    [](const std::string& t) { return cs::Url(t, "echo?body=x", cs::UntrustedPort()); }, false},
        FailureCase{"CertificateForAnotherName",
                    [](const std::string& t) {
                        return L"https://127.0.0.1:" + std::to_wstring(cs::Port()) + L"/t/" +
                               std::wstring(t.begin(), t.end()) + L"/echo?body=x";
                    },
                    false},
        FailureCase{"PlainHttp",
                    [](const std::string& t) {
                        return L"http://localhost:" + std::to_wstring(cs::Port()) + L"/t/" +
                               std::wstring(t.begin(), t.end()) + L"/echo?body=x";
                    },
                    false},
        FailureCase{"NobodyListening", [](const std::string& t) { return cs::Url(t, "echo", cs::PortUpLater(600)); },
                    false},
        FailureCase{"ClosedWithoutAnswer", [](const std::string& t) { return cs::Url(t, "close"); }, true},
        FailureCase{"BodyCutShort", [](const std::string& t) { return cs::Url(t, "truncated"); }, true},
        FailureCase{"BodyStalls", [](const std::string& t) { return cs::Url(t, "slow?stall=6"); }, true},
        FailureCase{"NotAUrl", [](const std::string&) { return std::wstring(L"localhost"); }, false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace
