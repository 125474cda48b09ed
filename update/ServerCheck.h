#pragma once
// The server check: once a run, a worker asks the maker's web service whether an update or a
// notice exists for this installation, and hands the answer to a handler on the UI thread,
// which may show the update prompt, open the download page and add the notice line. The
// algorithm over small seams; ServerCheck_win.h gives it WinHTTP, the registry and the window.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/UiThread.h"

// Request headers in the order they are added.
using HttpHeaders = std::vector<std::pair<std::wstring, std::wstring>>;

inline constexpr int kCheckAttempts = 6;
// The pause after each failed attempt, the sixth too: 10 s in slices, so a stop request
// ends it within one slice.
inline constexpr int kPauseSlices = 1000;
inline constexpr unsigned kPauseSliceMs = 10;

// The check request: User-Version (four numbers), User-Language, User-Debug ("true" or
// "false"), User-Union (the installation identifier, empty when the registry is unusable).
HttpHeaders CheckRequestHeaders(std::wstring_view version, std::wstring_view language, bool debug,
                                std::wstring_view uid);
// The hold command: User-Version and User-Command "hold"; nothing that identifies the installation.
HttpHeaders HoldCommandHeaders(std::wstring_view version);

// What the check needs of the system. Everything but StopRequested runs on the worker (or the
// hold command's thread); StopRequested is read there and on the UI thread.
class ServerCheckSystem {
public:
    virtual ~ServerCheckSystem() = default;
    virtual std::wstring AppVersion() = 0; // "%d.%d.%d.%d"
    virtual std::wstring Uid() = 0;        // made and stored on first use
    // One GET of the endpoint. True with the whole body in `response` when an answer came,
    // whatever its status; false, `response` unchanged, when the request failed.
    virtual bool HttpGet(const HttpHeaders& headers, std::wstring& response) = 0;
    virtual bool StopRequested() = 0; // the program has begun to quit
    virtual void Sleep(unsigned milliseconds) = 0;
};

// The user-interface pieces the result handler shows. UI thread only.
class UpdatePrompts {
public:
    virtual ~UpdatePrompts() = default;
    // The modal update prompt over the answer `Data`; true when the user chose Yes. May throw
    // EConvertError (a malformed escape in the answer's "info").
    virtual bool UpdateDialog(const std::wstring& Data) = 0;
    // The notice line at the bottom of the main window, opening `URL` when clicked.
    virtual void ShowUpdateStatus(const std::wstring& URL) = 0;
    virtual void OpenUrl(const std::wstring& URL) = 0;
};

// Called on the UI thread when a check is over: whether the user accepted an update (its page
// has been opened: the window should quit), and the answer (empty when none came).
using CheckCallback = std::function<void(bool accepted, const std::wstring& Data)>;

// The attempts: up to six GETs, a pause after each failure. The answer (empty after six
// failures), or nullopt when a stop was requested during a pause.
std::optional<std::wstring> FetchAnswer(ServerCheckSystem& system, const HttpHeaders& headers);

// The result handler, on the UI thread. "update" names the download page: when it is a web
// address, the prompt is shown and Yes opens it. "notify" names the notice page: when it is a web
// address, the notice line shows it. Server addresses of any other kind (file:, a path, a
// command) are never opened or shown. Then `AProc`, if any. A malformed escape in the answer
// ends the handler where it is met, without the callback; so does the window going away while
// the prompt is open (after the page the user accepted is opened).
void HandleCheckResult(const std::wstring& Data, UpdatePrompts& prompts, ServerCheckSystem& system,
                       const CheckCallback& AProc);

// What one check is given when it starts, on the UI thread.
struct ServerCheckJob {
    std::wstring language; // the interface language, copied on the UI thread
    bool debug = false;
    // Hands the handler to the UI thread; refuses once the window is gone.
    std::shared_ptr<UiThread> ui;
    // Owned by the window; used only inside work that `ui` runs, so only while the window lives.
    UpdatePrompts* prompts = nullptr;
    CheckCallback AProc;
};

// The worker's whole run: the headers (the identifier is read here), the attempts, then the
// result handler on the UI thread, waited for. After a stop nothing is handed over; when the
// window is gone the handler is dropped.
void RunServerCheck(ServerCheckSystem& system, const ServerCheckJob& job);

// The hold command: one GET with its two headers; the outcome is ignored.
void RunHoldCommand(ServerCheckSystem& system);
