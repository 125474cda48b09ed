#include "tests/win/net/CheckServer_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/win/net/TrustCa_win.h"
#include "update/HttpGet_win.h"

namespace check_server {
namespace {

// A Unix path as the prefix sees it: Wine maps drive Z: to the root.
std::wstring DosPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (auto& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring Variable(const wchar_t* name) {
    wchar_t buffer[4096];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : std::wstring();
}

std::wstring Folder() { return DosPath(Variable(L"RAMBROOM_CHECK_SERVER")); }

std::string ReadFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Ports {
    int main = 0;
    int untrusted = 0;
};

const Ports& ServerPorts() {
    static const Ports ports = [] {
        Ports read;
        if (!Variable(L"RAMBROOM_CHECK_SERVER").empty()) {
            std::istringstream(ReadFile(Folder() + L"\\ports")) >> read.main >> read.untrusted;
        }
        return read;
    }();
    return ports;
}

std::string PercentEncode(std::string_view bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::wstring Wide(std::string_view text) {
    std::wstring wide;
    for (const char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c)); // URLs here are ASCII
    }
    return wide;
}

// The test CA trusted in the prefix for the run, so WinHTTP takes the server's certificate the
// way Windows takes a real one.
class TrustedTestCa : public testing::Environment {
public:
    void SetUp() override {
        if (Variable(L"RAMBROOM_CHECK_SERVER").empty()) {
            return;
        }
        der_ = ReadFile(Folder() + L"\\ca.der");
        ASSERT_TRUE(TrustCa(der_)) << ::GetLastError();
    }
    void TearDown() override {
        if (!der_.empty()) {
            EXPECT_TRUE(DistrustCa(der_));
        }
    }

private:
    std::string der_;
};

[[maybe_unused]] testing::Environment* const trustedCa = testing::AddGlobalTestEnvironment(new TrustedTestCa);

} // namespace

const std::string* Request::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && ::_strnicmp(key.c_str(), name.data(), name.size()) == 0) {
            return &value;
        }
    }
    return nullptr;
}

std::vector<std::string> Request::Order(const std::vector<std::string>& names) const {
    std::vector<std::string> order;
    for (const auto& header : headers) {
        for (const auto& name : names) {
            if (header.first.size() == name.size() && ::_stricmp(header.first.c_str(), name.c_str()) == 0) {
                order.push_back(name);
            }
        }
    }
    return order;
}

bool Available(std::string& why) {
    if (Variable(L"RAMBROOM_CHECK_SERVER").empty()) {
        why = "RAMBROOM_CHECK_SERVER is not set: run these through ctest (the check_server fixture)";
        return false;
    }
    if (ServerPorts().main == 0) {
        why = "no ports file in RAMBROOM_CHECK_SERVER: the server did not start";
        return false;
    }
    return true;
}

int Port() { return ServerPorts().main; }
int UntrustedPort() { return ServerPorts().untrusted; }

std::string NewToken() {
    static std::atomic<int> counter{0};
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string token = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    for (auto& c : token) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.')) {
            c = '_';
        }
    }
    // Unique across runs against one server too: Wine gives a fresh prefix's processes the same ids.
    static const auto run = std::to_string(::GetTickCount64());
    return token + "." + run + "." + std::to_string(++counter);
}

std::wstring Url(const std::string& token, std::string_view scenario, int port) {
    return L"https://localhost:" + std::to_wstring(port) + L"/t/" + Wide(token) + L"/" + Wide(scenario);
}

std::wstring EchoUrl(const std::string& token, std::wstring_view body, int status, std::string_view type,
                     double waitSeconds) {
    std::string query =
        "echo?status=" + std::to_string(status) + "&type=" + PercentEncode(type) + "&body=" + PercentEncode(Utf8(body));
    if (waitSeconds > 0) {
        query += "&wait=" + std::to_string(waitSeconds);
    }
    return Url(token, query);
}

int PortUpLater(double delaySeconds) {
    // Asked through HttpGet, which its own tests cover.
    std::wstring answer;
    const std::wstring url =
        L"https://localhost:" + std::to_wstring(Port()) + L"/later?delay=" + Wide(std::to_string(delaySeconds));
    return HttpGet(url, {}, answer) ? std::stoi(answer) : 0;
}

std::vector<Request> Requests(const std::string& token) {
    std::vector<Request> requests;
    std::istringstream log(ReadFile(Folder() + L"\\log\\" + Wide(token) + L".txt"));
    std::string line;
    Request current;
    bool inside = false;
    while (std::getline(log, line)) {
        if (line.rfind("REQUEST ", 0) == 0) {
            current = Request();
            const auto space = line.find(' ', 8);
            current.port = std::atoi(line.substr(8, space - 8).c_str());
            current.path = space == std::string::npos ? "" : line.substr(space + 1);
            inside = true;
        } else if (line == "END" && inside) {
            requests.push_back(current);
            inside = false;
        } else if (inside) {
            const auto colon = line.find(": ");
            current.headers.emplace_back(line.substr(0, colon),
                                         colon == std::string::npos ? "" : line.substr(colon + 2));
        }
    }
    return requests;
}

std::vector<Request> WaitForRequests(const std::string& token, std::size_t count, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::vector<Request> requests = Requests(token);
    while (requests.size() < count && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        requests = Requests(token);
    }
    return requests;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::vector<std::string> OpenedUrls() {
    std::vector<std::string> urls;
    const std::wstring prefix = Variable(L"WINEPREFIX");
    if (prefix.empty()) {
        return urls;
    }
    std::istringstream log(ReadFile(DosPath(prefix) + L"\\browser-urls.txt"));
    std::string line;
    while (std::getline(log, line)) {
        urls.push_back(line);
    }
    return urls;
}

} // namespace check_server
