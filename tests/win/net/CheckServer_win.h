#pragma once
// The network tests' side of the loopback HTTPS server (check_server.py, started by a ctest
// fixture in the folder that RAMBROOM_CHECK_SERVER names): its ports, URLs of its scenarios,
// what it recorded, and its test CA trusted in the Wine prefix for the run.

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace check_server {

// One request as the server received it: its port, its path, its headers in order.
struct Request {
    int port = 0;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of the header `name` (any case), or nullptr when it was not sent.
    const std::string* Header(std::string_view name) const;
    // The names of the headers among `names` that were sent, in the order they were sent.
    std::vector<std::string> Order(const std::vector<std::string>& names) const;
};

// Whether the fixture started a server; false with the reason in `why` when not.
bool Available(std::string& why);

int Port();          // certificate for localhost, signed by the test CA
int UntrustedPort(); // self-signed certificate for localhost

// A token of its own for the current test, so its requests are found among the others.
std::string NewToken();

// https://localhost:<port>/t/<token>/<scenario> (the scenario may carry a query).
std::wstring Url(const std::string& token, std::string_view scenario, int port = Port());
// The "echo" scenario answering `body` (UTF-8), with `status` and `type`, after `waitSeconds`.
std::wstring EchoUrl(const std::string& token, std::wstring_view body, int status = 200,
                     std::string_view type = "application/json; charset=utf-8", double waitSeconds = 0);
// A port that refuses connections until `delaySeconds` from now, then serves like Port().
int PortUpLater(double delaySeconds);

// The requests recorded under `token`, in order.
std::vector<Request> Requests(const std::string& token);
// Waits up to `timeout` until at least `count` requests are recorded under `token`.
std::vector<Request> WaitForRequests(const std::string& token, std::size_t count,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

std::string Utf8(std::wstring_view text);

// The URLs handed to the prefix's browser so far (tools/browser-capture.sh appends them).
std::vector<std::string> OpenedUrls();

// A test against the server: skipped where no server runs; each test has a token of its own, so
// what the server recorded for it is its own.
class ServerTest : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!Available(why)) {
            GTEST_SKIP() << why;
        }
        token = NewToken();
    }

    std::string token;
};

} // namespace check_server
