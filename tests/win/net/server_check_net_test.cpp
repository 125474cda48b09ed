#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "base/Handles_win.h"
#include "base/UiDispatcher_win.h"
#include "tests/win/net/CheckServer_win.h"
#include "tests/win/ShownDialog_win.h"
#include "translate/Translate_win.h"
#include "update/AppVersion_win.h"
#include "update/ServerCheck_win.h"
#include "update/ShellOpen_win.h"
#include "update/Uid_win.h"
#include "update/UpdatePrompt_win.h"
#include "update/UpdateStatus_win.h"
#include "update/WindowUpdatePrompts_win.h"

namespace {

namespace cs = check_server;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kUid[] = L"00C0FFEE240305ABCD090702DEADBEEF";

// What a test learns about a check's worker; shared with it, since the worker may outlive the test.
struct Probe {
    std::atomic<bool> stop{false};
    std::atomic<int> slices{0};
    UniqueHandle ended{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool Ended(DWORD waitMs = 0) const { return ::WaitForSingleObject(ended.get(), waitMs) == WAIT_OBJECT_0; }
};

// The program's system but for the stop request, the identifier and a count of the pause's slices.
// The worker owns it: its destruction marks the worker's end.
class ProbedSystem : public WinServerCheckSystem {
public:
    ProbedSystem(std::wstring url, std::shared_ptr<Probe> probe)
        : WinServerCheckSystem(std::move(url)), probe_(probe) {}
    ~ProbedSystem() override { ::SetEvent(probe_->ended.get()); }
    std::wstring Uid() override { return kUid; }
    bool StopRequested() override { return probe_->stop; }
    void Sleep(unsigned milliseconds) override {
        ++probe_->slices;
        WinServerCheckSystem::Sleep(milliseconds);
    }

private:
    std::shared_ptr<Probe> probe_;
};

// The prompts as a log; every call must come on the UI thread.
class StubPrompts : public UpdatePrompts {
public:
    bool answerYes = false;
    bool openThroughTheShell = false;
    std::vector<std::wstring> events;
    DWORD uiThread = ::GetCurrentThreadId();
    bool offThread = false;

    bool UpdateDialog(const std::wstring&) override {
        Note(L"prompt");
        return answerYes;
    }
    void ShowUpdateStatus(const std::wstring& URL) override { Note(L"status " + URL); }
    void OpenUrl(const std::wstring& URL) override {
        Note(L"open " + URL);
        if (openThroughTheShell) {
            ShellOpen(URL);
        }
    }
    void Note(const std::wstring& event) {
        offThread = offThread || ::GetCurrentThreadId() != uiThread;
        events.push_back(event);
    }
};

// A message-only window whose procedure serves the dispatcher, as the main window's does.
class CheckWindow {
public:
    // A hidden top-level window when `topLevel`: the prompt's owner and the notice line's parent.
    explicit CheckWindow(bool topLevel = false) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RamBroomServerCheckTest";
        ::RegisterClassW(&wc);
        hwnd = topLevel ? ::CreateWindowExW(0, wc.lpszClassName, L"RamBroom", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                            nullptr, nullptr, wc.hInstance, nullptr)
                        : ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            wc.hInstance, nullptr);
        dispatcher = UiDispatcher::Create();
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dispatcher.get()));
        dispatcher->Attach(hwnd);
    }
    ~CheckWindow() { Destroy(); }
    // As the main window's WM_DESTROY: the dispatcher refuses work from here on.
    void Destroy() {
        if (hwnd) {
            dispatcher->Detach();
            ::DestroyWindow(hwnd);
            hwnd = nullptr;
        }
    }

    HWND hwnd = nullptr;
    std::shared_ptr<UiDispatcher> dispatcher;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* dispatcher = reinterpret_cast<UiDispatcher*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        LRESULT result = 0;
        if (dispatcher && dispatcher->HandleMessage(m, w, l, result)) {
            return result;
        }
        return ::DefWindowProcW(h, m, w, l);
    }
};

// Serves the UI thread's messages until `done` or the time-out, while another thread asks the
// window for an answer every 100 ms: the longest wait for one is how responsive it stayed.
class Pump {
public:
    explicit Pump(HWND hwnd) : hwnd_(hwnd) {}
    bool Until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        std::atomic<bool> over{false};
        std::atomic<bool> pingerDone{false};
        std::thread pinger([&] {
            while (!over) {
                const auto start = Clock::now();
                DWORD_PTR ignored = 0;
                if (::SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) {
                    std::lock_guard lock(mutex_);
                    longest_ = std::max(longest_, Clock::now() - start);
                }
                std::this_thread::sleep_for(100ms);
            }
            pingerDone = true;
        });
        const auto end = Clock::now() + timeout;
        bool reached = false;
        while (!(reached = done()) && Clock::now() < end) {
            Serve();
        }
        over = true;
        while (!pingerDone) { // its last question is answered too
            Serve();
        }
        pinger.join();
        return reached;
    }
    Clock::duration Longest() {
        std::lock_guard lock(mutex_);
        return longest_;
    }

private:
    static void Serve() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }

    HWND hwnd_;
    std::mutex mutex_;
    Clock::duration longest_{};
};

class ServerCheckTest : public cs::ServerTest {
protected:
    void SetUp() override {
        cs::ServerTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        prompts.uiThread = ::GetCurrentThreadId();
    }
    void TearDown() override {
        // A worker still running ends at its next stop check; it must not outlive its test.
        probe->stop = true;
        if (started) {
            EXPECT_TRUE(probe->Ended(30000)) << "the worker did not end";
        }
        EXPECT_FALSE(prompts.offThread) << "a prompt was shown off the UI thread";
    }

    // Starts a check of `url` with a callback that records into the prompts' log.
    Clock::duration Start(const std::wstring& url) {
        started = true;
        const auto start = Clock::now();
        CheckUpdate(
            std::make_shared<ProbedSystem>(url, probe),
            [this](bool accepted, const std::wstring& Data) {
                prompts.Note(accepted ? L"callback accepted" : L"callback declined");
                data = Data;
                calledBack = true;
            },
            window.dispatcher, prompts);
        return Clock::now() - start;
    }

    std::shared_ptr<Probe> probe = std::make_shared<Probe>();
    StubPrompts prompts;
    CheckWindow window;
    Pump pump{window.hwnd};
    bool started = false;
    bool calledBack = false;
    std::wstring data;
};

const std::wstring kBoth = LR"({"update":"https://dl.example.com/rb.exe","notify":"https://example.com/notice"})";

TEST_F(ServerCheckTest, SendsTheProgramsHeadersAndTheHoldCommandItsTwo) {
    const std::wstring url = cs::EchoUrl(token, LR"({"notify":"https://example.com/notice"})");
    // No callback: CheckUpdate returns once the check and its handler are over.
    CheckUpdate(url, nullptr, 10, window.dispatcher, prompts);
    EXPECT_EQ(prompts.events, std::vector<std::wstring>{L"status https://example.com/notice"});
    EXPECT_EQ(UpdateURL(), url);
    EXPECT_EQ(UpdateLayoutOffset(), 10);

    StartHoldCommand();
    const auto requests = cs::WaitForRequests(token, 2);
    ASSERT_EQ(requests.size(), 2u);
    const std::vector<std::string> ours = {"User-Version", "User-Language", "User-Debug", "User-Union", "User-Command"};
    const cs::Request& check = requests[0];
    EXPECT_EQ(check.Order(ours),
              (std::vector<std::string>{"User-Version", "User-Language", "User-Debug", "User-Union"}));
    EXPECT_EQ(*check.Header("User-Version"), cs::Utf8(GetAppVersion(L"%d.%d.%d.%d")));
    EXPECT_EQ(*check.Header("User-Version"), "1.9.3.0");
    EXPECT_EQ(*check.Header("User-Language"), cs::Utf8(CurrentLanguage()));
    EXPECT_EQ(*check.Header("User-Debug"), "false");
    EXPECT_EQ(check.Header("User-Union")->size(), 32u);
    EXPECT_EQ(*check.Header("User-Union"), cs::Utf8(GetUID()));

    const cs::Request& hold = requests[1];
    EXPECT_EQ(hold.path, check.path);
    EXPECT_EQ(hold.Order(ours), (std::vector<std::string>{"User-Version", "User-Command"}));
    EXPECT_EQ(*hold.Header("User-Version"), "1.9.3.0");
    EXPECT_EQ(*hold.Header("User-Command"), "hold");
}

// The program's endpoint with the one override the tests use: read once, then every check goes
// to the loopback server's copy of the endpoint's path.
TEST_F(ServerCheckTest, EndpointOverrideReachesTheLoopbackServer) {
    const std::wstring url = L"https://localhost:" + std::to_wstring(cs::Port()) + L"/api.init.php";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"RAMBROOM_SERVER_URL", url.c_str()));
    EXPECT_EQ(CheckEndpoint(), url);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"RAMBROOM_SERVER_URL", L"https://elsewhere.invalid/"));
    EXPECT_EQ(CheckEndpoint(), url);
    ::SetEnvironmentVariableW(L"RAMBROOM_SERVER_URL", nullptr);

    CheckUpdate(std::make_shared<ProbedSystem>(CheckEndpoint(), probe), nullptr, window.dispatcher, prompts);
    started = true;
    const auto requests = cs::Requests("api");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/api.init.php");
    EXPECT_EQ(*requests[0].Header("User-Union"), cs::Utf8(kUid));
    EXPECT_TRUE(prompts.events.empty()); // the server's "{}"
}

TEST_F(ServerCheckTest, StartsAtOnceAndHandlesTheAnswerOnTheUiThread) {
    prompts.answerYes = true;
    // The server takes a second: CheckUpdate must not wait for it.
    EXPECT_LT(Start(cs::EchoUrl(token, kBoth, 200, "application/json; charset=utf-8", 1.0)), 500ms);
    EXPECT_TRUE(prompts.events.empty());
    ASSERT_TRUE(pump.Until([&] { return calledBack; }, 60s));
    EXPECT_EQ(prompts.events, (std::vector<std::wstring>{L"prompt", L"open https://dl.example.com/rb.exe",
                                                         L"status https://example.com/notice", L"callback accepted"}));
    EXPECT_EQ(data, kBoth);
    EXPECT_EQ(probe->slices, 0);
    EXPECT_LT(pump.Longest(), 1s);
}

struct QuietCase {
    const char* name;
    std::wstring (*url)(const std::string& token);
    bool callsBack; // false: a malformed escape ends the handler
};

void PrintTo(const QuietCase& c, std::ostream* os) { *os << c.name; }

class QuietAnswerTest : public ServerCheckTest, public testing::WithParamInterface<QuietCase> {};

// Answers with nothing to show: the window stays responsive and shows nothing.
TEST_P(QuietAnswerTest, ShowsNothingAndStaysResponsive) {
    const QuietCase& c = GetParam();
    EXPECT_LT(Start(c.url(token)), 500ms);
    ASSERT_TRUE(pump.Until([&] { return probe->Ended(); }, 60s));
    EXPECT_EQ(prompts.events,
              c.callsBack ? std::vector<std::wstring>{L"callback declined"} : std::vector<std::wstring>{});
    EXPECT_EQ(probe->slices, 0); // an answer, not a failure: no retry
    EXPECT_EQ(cs::Requests(token).size(), 1u);
    EXPECT_LT(pump.Longest(), 1s);
}

INSTANTIATE_TEST_SUITE_P(
    ServerCheck, QuietAnswerTest,
    testing::Values(
        QuietCase{"ErrorPage",
                  [](const std::string& t) {
                      return cs::EchoUrl(t, L"<html><body><h1>404 Not Found</h1></body></html>", 404, "text/html");
                  },
                  true},
        QuietCase{"Garbage", [](const std::string& t) { return cs::Url(t, "garbage"); }, true},
        QuietCase{"Huge", [](const std::string& t) { return cs::Url(t, "huge"); }, true},
        QuietCase{"MalformedEscapeInUpdate",
                  [](const std::string& t) {
                      return cs::EchoUrl(
                          t, LR"({"update":"https://dl.example.com/\u12G4","notify":"https://n.example/"})");
                  },
                  false},
        QuietCase{"MalformedEscapeInNotice",
                  [](const std::string& t) { return cs::EchoUrl(t, LR"({"notify":"https://n.example/\u"})"); }, false},
        // Server addresses of other kinds: nothing is offered, opened or shown.
        QuietCase{"OtherSchemes",
                  [](const std::string& t) {
                      return cs::EchoUrl(t, LR"({"update":"file:\/\/\/C:\/windows\/system32\/calc.exe",)"
                                            LR"j("notify":"javascript:alert(1)"})j");
                  },
                  true}),
    [](const testing::TestParamInfo<QuietCase>& info) { return info.param.name; });

TEST_F(ServerCheckTest, StalledAnswerLeavesTheWindowResponsive) {
    EXPECT_LT(Start(cs::Url(token, "slow?stall=3")), 500ms);
    // The body stalls, then ends short: a failed attempt, and its pause.
    ASSERT_TRUE(pump.Until([&] { return probe->slices > 0; }, 60s));
    probe->stop = true;
    ASSERT_TRUE(pump.Until([&] { return probe->Ended(); }, 5s));
    EXPECT_TRUE(prompts.events.empty());
    EXPECT_LT(pump.Longest(), 1s);
}

TEST_F(ServerCheckTest, ServerDownThenUpIsAnsweredAfterOnePause) {
    const int port = cs::PortUpLater(3);
    ASSERT_NE(port, 0);
    const auto start = Clock::now();
    Start(L"https://localhost:" + std::to_wstring(port) + L"/t/" + std::wstring(token.begin(), token.end()) +
          L"/echo?body=%7B%22notify%22%3A%22https%3A%2F%2Fexample.com%2Fn%22%7D");
    ASSERT_TRUE(pump.Until([&] { return calledBack; }, 90s));
    const auto took = Clock::now() - start;
    EXPECT_EQ(probe->slices, 1000); // one pause of 1000 slices of 10 ms
    EXPECT_GE(took, 10s);
    EXPECT_LT(took, 25s);
    EXPECT_EQ(cs::Requests(token).size(), 1u); // the first attempt was refused
    EXPECT_EQ(prompts.events, (std::vector<std::wstring>{L"status https://example.com/n", L"callback declined"}));
}

TEST_F(ServerCheckTest, StopDuringThePauseEndsTheWorkerAtOnce) {
    const int port = cs::PortUpLater(600);
    ASSERT_NE(port, 0);
    Start(L"https://localhost:" + std::to_wstring(port) + L"/t/" + std::wstring(token.begin(), token.end()) + L"/echo");
    ASSERT_TRUE(pump.Until([&] { return probe->slices >= 50; }, 60s));
    const auto stopped = Clock::now();
    probe->stop = true;
    ASSERT_TRUE(pump.Until([&] { return probe->Ended(); }, 5s));
    EXPECT_LT(Clock::now() - stopped, 500ms);
    EXPECT_LT(probe->slices, 1000);
    EXPECT_TRUE(prompts.events.empty());
}

TEST_F(ServerCheckTest, WindowGoneBeforeTheAnswerDropsTheHandler) {
    EXPECT_LT(Start(cs::EchoUrl(token, kBoth, 200, "application/json; charset=utf-8", 1.0)), 500ms);
    window.Destroy(); // quitting: nothing waits for the check
    ASSERT_TRUE(probe->Ended(30000));
    EXPECT_EQ(cs::Requests(token).size(), 1u);
    EXPECT_TRUE(prompts.events.empty()); // no prompt, no notice line, no callback
}

// The shell gets only web addresses from the server, as Wine's browser setting shows.
TEST_F(ServerCheckTest, OpensOnlyTheWebAddressTheUserAccepted) {
    if (::GetEnvironmentVariableW(L"WINEPREFIX", nullptr, 0) == 0) {
        GTEST_SKIP() << "WINEPREFIX is not set: the opened URLs cannot be seen";
    }
    prompts.answerYes = true;
    prompts.openThroughTheShell = true;
    started = true;
    const std::wstring wide(token.begin(), token.end());
    const std::wstring accepted = L"https://dl.example.com/rb.exe?" + wide;
    const std::wstring refused = L"file:///C:/windows/system32/calc.exe?" + wide;
    CheckUpdate(std::make_shared<ProbedSystem>(
                    cs::EchoUrl(token, L"{\"update\":\"" + accepted + L"\",\"notify\":\"" + refused + L"\"}"), probe),
                nullptr, window.dispatcher, prompts);
    CheckUpdate(std::make_shared<ProbedSystem>(cs::EchoUrl(token, L"{\"update\":\"" + refused + L"\"}"),
                                               std::make_shared<Probe>()),
                nullptr, window.dispatcher, prompts);
    EXPECT_EQ(prompts.events, (std::vector<std::wstring>{L"prompt", L"open " + accepted}));

    // Each URL goes to a browser process of its own, and they finish in any order: so the
    // accepted URL is waited for first, then a URL of the test's own, after which anything the
    // program had handed over would be there too.
    const auto seen = [&](const std::string& url) {
        const auto opened = cs::OpenedUrls();
        return std::find(opened.begin(), opened.end(), url) != opened.end();
    };
    ASSERT_TRUE(pump.Until([&] { return seen(cs::Utf8(accepted)); }, 60s));
    const std::string sentinel = "https://sentinel.example/" + token;
    ShellOpen(std::wstring(sentinel.begin(), sentinel.end()));
    ASSERT_TRUE(pump.Until([&] { return seen(sentinel); }, 60s));
    std::vector<std::string> ours;
    for (const auto& url : cs::OpenedUrls()) {
        if (url.find(token) != std::string::npos) {
            ours.push_back(url);
        }
    }
    EXPECT_EQ(ours, (std::vector<std::string>{cs::Utf8(accepted), sentinel}));
}

// The whole chain on a window with the program's prompt and notice line: the user answers the
// real prompt (from another thread, as a user would), ticking the hold box or not.
struct AnswerCase {
    const char* name;
    bool tickHold;
    bool yes;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class RealPromptTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(RealPromptTest, AnswerOfTheUserAndTheHoldCommand) {
    const AnswerCase& c = GetParam();
    std::string why;
    if (!cs::Available(why)) {
        GTEST_SKIP() << why;
    }
    const std::string token = cs::NewToken();
    const std::wstring wide(token.begin(), token.end());
    const std::wstring download = L"https://dl.example.com/rb.exe?" + wide;
    const std::wstring notice = L"https://example.com/notice?" + wide;
    CheckWindow window(true);
    WindowUpdatePrompts prompts(window.hwnd, true);
    Pump pump(window.hwnd);

    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<bool> answered{false};
    std::thread user([&] {
        const auto end = Clock::now() + 30s;
        HWND prompt = nullptr;
        while (!(prompt = ShownDialog(uiThread)) && Clock::now() < end) {
            std::this_thread::sleep_for(50ms);
        }
        if (!prompt) {
            return;
        }
        if (c.tickHold) {
            ::SendMessageW(::GetDlgItem(prompt, kPromptHoldBoxId), BM_CLICK, 0, 0);
        }
        ::SendMessageW(::GetDlgItem(prompt, c.yes ? IDYES : IDNO), BM_CLICK, 0, 0);
        answered = true;
    });
    std::optional<bool> accepted;
    CheckUpdate(
        cs::EchoUrl(token, L"{\"update\":\"" + download + L"\",\"notify\":\"" + notice +
                               L"\",\"info\":{\"style\":\"hold\",\"text\":\"Stop asking\"}}"),
        [&](bool yes, const std::wstring&) { accepted = yes; }, 10, window.dispatcher, prompts);
    const bool over = pump.Until([&] { return accepted.has_value(); }, 60s);
    user.join();
    ASSERT_TRUE(answered) << "no prompt appeared";
    ASSERT_TRUE(over);
    EXPECT_EQ(*accepted, c.yes);
    EXPECT_NE(FindUpdateStatus(window.hwnd), nullptr); // the notice line, after the prompt
    // The hold command goes out with the box ticked, whatever the answer, and only then.
    const auto requests = cs::WaitForRequests(token, c.tickHold ? 2 : 1, c.tickHold ? 10s : 2s);
    ASSERT_EQ(requests.size(), c.tickHold ? 2u : 1u);
    if (c.tickHold) {
        EXPECT_EQ(*requests[1].Header("User-Command"), "hold");
    }
    if (c.yes && ::GetEnvironmentVariableW(L"WINEPREFIX", nullptr, 0) != 0) {
        const std::string url = cs::Utf8(download);
        EXPECT_TRUE(pump.Until(
            [&] {
                const auto opened = cs::OpenedUrls();
                return std::find(opened.begin(), opened.end(), url) != opened.end();
            },
            30s))
            << "the accepted download page was not opened";
    }
}

INSTANTIATE_TEST_SUITE_P(ServerCheck, RealPromptTest,
                         testing::Values(AnswerCase{"HoldTickedThenNo", true, false}, AnswerCase{"Yes", false, true}),
                         [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

} // namespace
