#include "update/ServerCheck_win.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "app/Application_win.h"
#include "base/Handles_win.h"
#include "base/Lifetime.h"
#include "base/Worker_win.h"
#include "base/Workers.h"
#include "translate/Translate_win.h"
#include "update/AppVersion_win.h"
#include "update/HttpGet_win.h"
#include "update/Links.h"
#include "update/Uid_win.h"

namespace {

// Written by CheckUpdate on the UI thread, read there only (workers get copies).
std::wstring gUpdateURL;
int gLayoutOffset = 0;

std::wstring EnvironmentVariable(std::wstring_view name) {
    const std::wstring key(name);
    const DWORD size = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(key.c_str(), value.data(), size);
    if (length == 0 || length >= size) {
        return {};
    }
    value.resize(length);
    return value;
}

// Sets a manual-reset event when the worker's run ends, whichever way it ends.
class SignalOnExit {
public:
    explicit SignalOnExit(HANDLE event) : event_(event) {}
    ~SignalOnExit() { ::SetEvent(event_); }
    SignalOnExit(const SignalOnExit&) = delete;
    SignalOnExit& operator=(const SignalOnExit&) = delete;

private:
    HANDLE event_;
};

// Dispatches the UI thread's messages, the dispatcher's among them, until `event` is set. A quit
// message ends the wait early and is posted again for the message loop.
void ServeMessagesUntil(HANDLE event) {
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) {
            return; // the event, or a failed wait
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

} // namespace

std::wstring WinServerCheckSystem::AppVersion() { return GetAppVersion(L"%d.%d.%d.%d"); }
std::wstring WinServerCheckSystem::Uid() { return GetUID(); }
bool WinServerCheckSystem::HttpGet(const HttpHeaders& headers, std::wstring& response) {
    return ::HttpGet(url_, headers, response);
}
bool WinServerCheckSystem::StopRequested() { return ApplicationTerminating(); }
void WinServerCheckSystem::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

const std::wstring& CheckEndpoint() {
    static const std::wstring url = links::ServerCheckUrl(EnvironmentVariable(links::kServerUrlVariable));
    return url;
}

void CheckUpdate(const std::wstring& URL, CheckCallback AProc, int LayoutOffset, const std::shared_ptr<UiThread>& ui,
                 UpdatePrompts& prompts) {
    gUpdateURL = URL;
    gLayoutOffset = LayoutOffset;
    CheckUpdate(std::make_shared<WinServerCheckSystem>(URL), std::move(AProc), ui, prompts);
}

void CheckUpdate(std::shared_ptr<ServerCheckSystem> system, CheckCallback AProc, const std::shared_ptr<UiThread>& ui,
                 UpdatePrompts& prompts) {
    ServerCheckJob job;
    // The worker gets its own copy: the language belongs to the UI thread.
    job.language = CurrentLanguage();
    job.debug = DebugMode;
    job.ui = ui;
    job.prompts = &prompts;
    job.AProc = std::move(AProc);
    std::shared_ptr<UniqueHandle> finished;
    if (!job.AProc) {
        finished = std::make_shared<UniqueHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!*finished) {
            return;
        }
    }
    auto work = [system = std::move(system), job = std::move(job), finished] {
        std::optional<SignalOnExit> signal;
        if (finished) {
            signal.emplace(finished->get());
        }
        RunServerCheck(*system, job);
    };
    // Nobody joins the worker: quitting never waits for a check still fetching or pausing, and
    // a handler it hands over after the window is gone is dropped unrun.
    if (!StartWorker(kServerCheckWorker, std::move(work))) {
        return; // no thread: no check this run
    }
    if (finished) {
        ServeMessagesUntil(finished->get());
    }
}

const std::wstring& UpdateURL() { return gUpdateURL; }
int UpdateLayoutOffset() { return gLayoutOffset; }

void StartHoldCommand() {
    if (gUpdateURL.empty()) {
        return;
    }
    auto work = [url = gUpdateURL] {
        WinServerCheckSystem system(url);
        RunHoldCommand(system);
    };
    static_cast<void>(StartWorker(kHoldCommandWorker, std::move(work)));
}
