#include "autostart/AutoStart_win.h"

#include <optional>
#include <utility>

#include "base/Errors_win.h"
#include "base/OleAuto_win.h"

namespace {

// The boundary of both operations. Their callers are never told of a failure: a failing
// HRESULT, or an exception on the way (an allocation), ends the operation here, and the failure
// is ignored.
template <typename Operation> HRESULT Absorb(Operation&& operation) noexcept {
    try {
        return std::forward<Operation>(operation)();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ToBstr(std::wstring_view text, UniqueBstr& out) noexcept {
    out = MakeBstr(text);
    return out ? S_OK : E_OUTOFMEMORY;
}

// Sets a text property: the callee gets a BSTR of its own for the call, freed after it.
template <typename T>
HRESULT PutText(T* object, HRESULT (STDMETHODCALLTYPE T::*put)(BSTR), std::wstring_view text) noexcept {
    UniqueBstr value;
    RETURN_IF_FAILED(ToBstr(text, value));
    return (object->*put)(value.get());
}

//--- Opening

// Process-wide and set once: after an earlier call, or after COM set its defaults at the
// process's first marshalled call, it answers RPC_E_TOO_LATE, which is fine. Packet-level
// authentication, and impersonation so that the scheduler's service can act as the caller.
HRESULT InitializeSecurity(const AutoStartSystem& system) {
    const HRESULT hr = system.InitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    return hr == RPC_E_TOO_LATE ? S_OK : hr;
}

HRESULT OpenRootFolder(const AutoStartSystem& system, ComPtr<ITaskService>& service, ComPtr<ITaskFolder>& root) {
    RETURN_IF_FAILED(InitializeSecurity(system));
    RETURN_IF_FAILED(system.CreateService(service));
    // Server, user, domain, password all empty: this machine, as the current user.
    const UniqueVariant none;
    RETURN_IF_FAILED(service->Connect(none.get(), none.get(), none.get(), none.get()));
    UniqueBstr rootPath;
    RETURN_IF_FAILED(ToBstr(L"\\", rootPath));
    return service->GetFolder(rootPath.get(), &root);
}

//--- Finding and deleting

// S_OK when the folder lists a task named exactly `name` (letter case counts), S_FALSE when not.
HRESULT FindTask(ITaskFolder* root, std::wstring_view name) {
    ComPtr<IRegisteredTaskCollection> tasks;
    RETURN_IF_FAILED(root->GetTasks(0, &tasks)); // 0: without TASK_ENUM_HIDDEN, hidden tasks are not listed
    LONG count = 0;
    RETURN_IF_FAILED(tasks->get_Count(&count));
    // Items are numbered from 1; counting from 0 keeps the index from overflowing, whatever the count.
    for (LONG i = 0; i < count; ++i) {
        UniqueVariant index;
        index.SetInt32(i + 1);
        ComPtr<IRegisteredTask> task;
        RETURN_IF_FAILED(tasks->get_Item(index.get(), &task));
        UniqueBstr taskName;
        RETURN_IF_FAILED(task->get_Name(taskName.put()));
        if (std::wstring_view(taskName.get(), ::SysStringLen(taskName.get())) == name) {
            return S_OK;
        }
    }
    return S_FALSE;
}

HRESULT DeleteTaskNamed(ITaskFolder* root, std::wstring_view name) {
    const HRESULT found = FindTask(root, name);
    if (found != S_OK) {
        return found; // a failure, or S_FALSE: none to delete
    }
    UniqueBstr taskName;
    RETURN_IF_FAILED(ToBstr(name, taskName));
    return root->DeleteTask(taskName.get(), 0);
}

//--- Registering

HRESULT AddLogonTrigger(ITaskDefinition* definition, const std::optional<std::wstring>& delay) {
    ComPtr<ITriggerCollection> triggers;
    RETURN_IF_FAILED(definition->get_Triggers(&triggers));
    ComPtr<ITrigger> trigger;
    RETURN_IF_FAILED(triggers->Create(TASK_TRIGGER_LOGON, &trigger));
    if (!delay) {
        return S_OK; // not even "PT0S": the delay stays unset
    }
    ComPtr<ILogonTrigger> logon;
    RETURN_IF_FAILED(trigger.As(&logon));
    return PutText(logon.Get(), &ILogonTrigger::put_Delay, *delay);
}

HRESULT AddStartAction(ITaskDefinition* definition, const LogonTaskLaunch& launch) {
    ComPtr<IActionCollection> actions;
    RETURN_IF_FAILED(definition->get_Actions(&actions));
    ComPtr<IAction> action;
    RETURN_IF_FAILED(actions->Create(TASK_ACTION_EXEC, &action));
    ComPtr<IExecAction> exec;
    RETURN_IF_FAILED(action.As(&exec));
    RETURN_IF_FAILED(PutText(exec.Get(), &IExecAction::put_Path, launch.Path));
    RETURN_IF_FAILED(PutText(exec.Get(), &IExecAction::put_WorkingDirectory, launch.WorkingDirectory));
    return PutText(exec.Get(), &IExecAction::put_Arguments, launch.Arguments);
}

// A logon missed (the service was down) starts the program when it can; the program runs for as
// long as it likes (the default stops a task after 72 hours), idle or on batteries. Everything
// else keeps the service's default.
HRESULT ApplySettings(ITaskDefinition* definition) {
    ComPtr<ITaskSettings> settings;
    RETURN_IF_FAILED(definition->get_Settings(&settings));
    RETURN_IF_FAILED(settings->put_StartWhenAvailable(VARIANT_TRUE));
    RETURN_IF_FAILED(PutText(settings.Get(), &ITaskSettings::put_ExecutionTimeLimit, L"PT0S")); // PT0S: no limit
    ComPtr<IIdleSettings> idle;
    RETURN_IF_FAILED(settings->get_IdleSettings(&idle));
    RETURN_IF_FAILED(idle->put_StopOnIdleEnd(VARIANT_FALSE));
    RETURN_IF_FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE));
    return settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
}

HRESULT RegisterLogonTask(const AutoStartSystem& system, ITaskService* service, ITaskFolder* root,
                          std::wstring_view name, int delaySeconds) {
    std::wstring path;
    RETURN_IF_FAILED(system.ExecutablePath(path));
    const LogonTaskLaunch launch = MakeLogonTaskLaunch(path, delaySeconds);

    ComPtr<ITaskDefinition> definition;
    RETURN_IF_FAILED(service->NewTask(0, &definition));
    ComPtr<IPrincipal> principal;
    RETURN_IF_FAILED(definition->get_Principal(&principal));
    RETURN_IF_FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST)); // elevated, without a consent prompt
    RETURN_IF_FAILED(AddLogonTrigger(definition.Get(), launch.Delay));
    RETURN_IF_FAILED(AddStartAction(definition.Get(), launch));
    RETURN_IF_FAILED(ApplySettings(definition.Get()));

    // The definition reaches the service only here, whole, so a failure above leaves a task of
    // that name exactly as it was. Empty user and password with an interactive token: the task
    // runs as the registering user, in that user's session, and no password is stored. The empty
    // security descriptor keeps the folder's.
    UniqueBstr taskName;
    RETURN_IF_FAILED(ToBstr(name, taskName));
    const UniqueVariant none;
    UniqueVariant sddl;
    RETURN_IF_FAILED(sddl.SetText(L""));
    ComPtr<IRegisteredTask> registered;
    return root->RegisterTaskDefinition(taskName.get(), definition.Get(), TASK_CREATE_OR_UPDATE, none.get(), none.get(),
                                        TASK_LOGON_INTERACTIVE_TOKEN, sddl.get(), &registered);
}

// GetModuleFileNameW truncates to the buffer without failing (and without a terminator before
// Vista): grow until the name fits, up to the longest path there is.
HRESULT ModuleFileName(std::wstring& path) {
    constexpr std::size_t kLongestPath = 32768;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return HresultFromLastError();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            path = std::move(buffer);
            return S_OK;
        }
        if (buffer.size() >= kLongestPath) {
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

const AutoStartSystem& WindowsAutoStartSystem() noexcept {
    static const AutoStartSystem system{::CoInitializeSecurity, CreateTaskService, ModuleFileName};
    return system;
}

void SetAutoStartTask(const AutoStartSystem& System, std::wstring_view Name, bool Enable, int DelaySeconds) noexcept {
    static_cast<void>(Absorb([&] {
        ComPtr<ITaskService> service;
        ComPtr<ITaskFolder> root;
        RETURN_IF_FAILED(OpenRootFolder(System, service, root));
        return Enable ? RegisterLogonTask(System, service.Get(), root.Get(), Name, DelaySeconds)
                      : DeleteTaskNamed(root.Get(), Name);
    }));
}

bool HasAutoStartTask(const AutoStartSystem& System, std::wstring_view Name) noexcept {
    return Absorb([&] {
               ComPtr<ITaskService> service;
               ComPtr<ITaskFolder> root;
               RETURN_IF_FAILED(OpenRootFolder(System, service, root));
               return FindTask(root.Get(), Name);
           }) == S_OK;
}

void SetAutoStartTask(std::wstring_view Name, bool Enable, int DelaySeconds) noexcept {
    SetAutoStartTask(WindowsAutoStartSystem(), Name, Enable, DelaySeconds);
}

bool HasAutoStartTask(std::wstring_view Name) noexcept { return HasAutoStartTask(WindowsAutoStartSystem(), Name); }
