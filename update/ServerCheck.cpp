#include "update/ServerCheck.h"

#include "update/JsonField.h"
#include "update/WebUrl.h"

HttpHeaders CheckRequestHeaders(std::wstring_view version, std::wstring_view language, bool debug,
                                std::wstring_view uid) {
    return {
        {L"User-Version", std::wstring(version)},
        {L"User-Language", std::wstring(language)},
        {L"User-Debug", debug ? L"true" : L"false"},
        {L"User-Union", std::wstring(uid)},
    };
}

HttpHeaders HoldCommandHeaders(std::wstring_view version) {
    return {
        {L"User-Version", std::wstring(version)},
        {L"User-Command", L"hold"},
    };
}

std::optional<std::wstring> FetchAnswer(ServerCheckSystem& system, const HttpHeaders& headers) {
    for (int attempt = 0; attempt < kCheckAttempts; ++attempt) {
        std::wstring answer;
        if (system.HttpGet(headers, answer)) {
            return answer;
        }
        for (int slice = 0; slice < kPauseSlices; ++slice) {
            if (system.StopRequested()) {
                return std::nullopt;
            }
            system.Sleep(kPauseSliceMs);
        }
    }
    return std::wstring();
}

void HandleCheckResult(const std::wstring& Data, UpdatePrompts& prompts, ServerCheckSystem& system,
                       const CheckCallback& AProc) {
    bool accepted = false;
    try {
        const std::wstring update = ReadStringField(Data, L"update");
        // Only a web address is offered: the shell would run a path or a command as readily.
        if (IsWebUrl(update) && prompts.UpdateDialog(Data)) {
            prompts.OpenUrl(update);
            accepted = true;
        }
        // The prompt is modal: a log-off or an uninstaller's message may have closed the window
        // while it was open. What the user accepted is opened; the window is not touched again.
        if (system.StopRequested()) {
            return;
        }
        const std::wstring notify = ReadStringField(Data, L"notify");
        if (IsWebUrl(notify)) {
            prompts.ShowUpdateStatus(notify);
        }
    } catch (const EConvertError&) {
        // A malformed "\u" in a field read: the check ends here, silently and without the callback.
        return;
    }
    if (AProc) {
        AProc(accepted, Data);
    }
}

void RunServerCheck(ServerCheckSystem& system, const ServerCheckJob& job) {
    const HttpHeaders headers = CheckRequestHeaders(system.AppVersion(), job.language, job.debug, system.Uid());
    std::optional<std::wstring> answer = FetchAnswer(system, headers);
    if (!answer) {
        return;
    }
    // The handler owns the answer: it never refers back into this thread's frame. Send waits until
    // it has run or has been dropped, so `system` outlives it.
    job.ui->Send([Data = std::move(*answer), &system, prompts = job.prompts, AProc = job.AProc] {
        HandleCheckResult(Data, *prompts, system, AProc);
    });
}

void RunHoldCommand(ServerCheckSystem& system) {
    std::wstring ignored;
    static_cast<void>(system.HttpGet(HoldCommandHeaders(system.AppVersion()), ignored));
}
