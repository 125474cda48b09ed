#pragma once
// The running program's server check: the worker over WinHTTP and the registry, the result handler
// handed to the UI thread through the window's dispatcher, and the hold command.

#include <memory>
#include <string>

#include "base/UiThread.h"
#include "update/ServerCheck.h"

// The check's system seams as the program has them: GetAppVersion, GetUID, HttpGet to one URL,
// ApplicationTerminating as the stop request, Sleep.
class WinServerCheckSystem : public ServerCheckSystem {
public:
    explicit WinServerCheckSystem(std::wstring url) : url_(std::move(url)) {}
    std::wstring AppVersion() override;
    std::wstring Uid() override;
    bool HttpGet(const HttpHeaders& headers, std::wstring& response) override;
    bool StopRequested() override;
    void Sleep(unsigned milliseconds) override;

private:
    std::wstring url_;
};

// The endpoint the program uses: links::ServerCheckUrl of the environment variable
// links::kServerUrlVariable, read once, at the first call.
const std::wstring& CheckEndpoint();

// Starts the check of `URL` on its worker. With `AProc`, returns at once and calls it on the UI
// thread when the check is over; without, returns once the check and its handler are over,
// serving the UI thread's messages meanwhile. `prompts` belongs to the window that `ui` hands
// work to, and is used only in work that `ui` runs. Quitting does not wait for a check.
void CheckUpdate(const std::wstring& URL, CheckCallback AProc, int LayoutOffset, const std::shared_ptr<UiThread>& ui,
                 UpdatePrompts& prompts);
// The same over another system (the tests'). The check runs once per call.
void CheckUpdate(std::shared_ptr<ServerCheckSystem> system, CheckCallback AProc, const std::shared_ptr<UiThread>& ui,
                 UpdatePrompts& prompts);

// What CheckUpdate stored on the UI thread before its worker started: the URL of the check and
// of the hold command, and the offset of the update prompt's layout (96-DPI pixels).
const std::wstring& UpdateURL();
int UpdateLayoutOffset();

// The hold command on a thread of its own, once, to UpdateURL; the outcome is ignored. Nothing
// before a check has stored the URL.
void StartHoldCommand();
