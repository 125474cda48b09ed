#include "autostart/AutoStart_win.h"

#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "autostart/AutoStart.h"
#include "base/Errors_win.h"

namespace {

// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}, the Task Scheduler's service object.
constexpr CLSID kClsidTaskScheduler = {0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};

struct BstrFree {
    void operator()(BSTR text) const noexcept { ::SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;

// A BSTR copy of `text`; null when the allocation failed (OutOfMemoryIfNull).
UniqueBstr Bstr(std::wstring_view text) {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

HRESULT OutOfMemoryIfNull(const UniqueBstr& text) noexcept { return text ? S_OK : E_OUTOFMEMORY; }

// A VARIANT cleared when it goes: empty (VT_EMPTY) until given a value.
class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    // Takes the string; false when it could not be made.
    bool SetString(std::wstring_view text) noexcept {
        ::VariantClear(&value_);
        V_BSTR(&value_) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        V_VT(&value_) = V_BSTR(&value_) ? VT_BSTR : VT_EMPTY;
        return V_BSTR(&value_) != nullptr;
    }
    void SetInt(LONG number) noexcept {
        ::VariantClear(&value_);
        V_VT(&value_) = VT_I4;
        V_I4(&value_) = number;
    }
    const VARIANT& get() const noexcept { return value_; }

private:
    VARIANT value_;
};

// Security first (success or "already set" go on), then the service, connected as the current
// user on this machine, and its root folder.
HRESULT OpenRootFolder(const TaskSchedulerAccess& access, ComPtr<ITaskService>& service, ComPtr<ITaskFolder>& root) {
    const HRESULT security = access.initializeSecurity();
    if (FAILED(security) && security != RPC_E_TOO_LATE) {
        return security;
    }
    RETURN_IF_FAILED(access.createService(service));
    if (!service) {
        return E_NOINTERFACE;
    }
    const Variant none;
    RETURN_IF_FAILED(service->Connect(none.get(), none.get(), none.get(), none.get()));
    const UniqueBstr rootPath = Bstr(L"\\");
    RETURN_IF_FAILED(OutOfMemoryIfNull(rootPath));
    return service->GetFolder(rootPath.get(), &root);
}

// Sets a string property of a scheduler object through its put_ method.
template <typename Interface>
HRESULT Put(Interface* object, HRESULT (STDMETHODCALLTYPE Interface::*put)(BSTR), std::wstring_view text) {
    const UniqueBstr value = Bstr(text);
    RETURN_IF_FAILED(OutOfMemoryIfNull(value));
    return (object->*put)(value.get());
}

// The whole definition is built in memory and stored in one call at the end: a failure on the way
// leaves a task already registered under that name exactly as it was.
HRESULT RegisterTask(ITaskService* service, ITaskFolder* root, std::wstring_view name, const AutoStartTask& task) {
    ComPtr<ITaskDefinition> definition;
    RETURN_IF_FAILED(service->NewTask(0, &definition));

    ComPtr<IPrincipal> principal;
    RETURN_IF_FAILED(definition->get_Principal(&principal));
    RETURN_IF_FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST));

    ComPtr<ITriggerCollection> triggers;
    RETURN_IF_FAILED(definition->get_Triggers(&triggers));
    ComPtr<ITrigger> trigger;
    RETURN_IF_FAILED(triggers->Create(TASK_TRIGGER_LOGON, &trigger));
    if (task.delay) {
        ComPtr<ILogonTrigger> logon;
        RETURN_IF_FAILED(trigger.As(&logon));
        RETURN_IF_FAILED(Put(logon.Get(), &ILogonTrigger::put_Delay, *task.delay));
    }

    ComPtr<IActionCollection> actions;
    RETURN_IF_FAILED(definition->get_Actions(&actions));
    ComPtr<IAction> action;
    RETURN_IF_FAILED(actions->Create(TASK_ACTION_EXEC, &action));
    ComPtr<IExecAction> exec;
    RETURN_IF_FAILED(action.As(&exec));
    RETURN_IF_FAILED(Put(exec.Get(), &IExecAction::put_Path, task.path));
    RETURN_IF_FAILED(Put(exec.Get(), &IExecAction::put_WorkingDirectory, task.workingDirectory));
    RETURN_IF_FAILED(Put(exec.Get(), &IExecAction::put_Arguments, task.arguments));

    ComPtr<ITaskSettings> settings;
    RETURN_IF_FAILED(definition->get_Settings(&settings));
    RETURN_IF_FAILED(settings->put_StartWhenAvailable(VARIANT_TRUE));
    RETURN_IF_FAILED(Put(settings.Get(), &ITaskSettings::put_ExecutionTimeLimit, L"PT0S")); // no time limit
    ComPtr<IIdleSettings> idle;
    RETURN_IF_FAILED(settings->get_IdleSettings(&idle));
    RETURN_IF_FAILED(idle->put_StopOnIdleEnd(VARIANT_FALSE));
    RETURN_IF_FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE));
    RETURN_IF_FAILED(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE));

    const UniqueBstr taskName = Bstr(name);
    RETURN_IF_FAILED(OutOfMemoryIfNull(taskName));
    const Variant user, password;
    Variant sddl;
    if (!sddl.SetString(L"")) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IRegisteredTask> registered;
    return root->RegisterTaskDefinition(taskName.get(), definition.Get(), TASK_CREATE_OR_UPDATE, user.get(),
                                        password.get(), TASK_LOGON_INTERACTIVE_TOKEN, sddl.get(), &registered);
}

// Whether the root folder lists a task of exactly `name` (flag 0: hidden tasks are not listed).
HRESULT FindTask(ITaskFolder* root, std::wstring_view name, bool& found) {
    found = false;
    ComPtr<IRegisteredTaskCollection> tasks;
    RETURN_IF_FAILED(root->GetTasks(0, &tasks));
    LONG count = 0;
    RETURN_IF_FAILED(tasks->get_Count(&count));
    for (LONG i = 1; i <= count; ++i) { // the collection counts from 1
        Variant index;
        index.SetInt(i);
        ComPtr<IRegisteredTask> task;
        RETURN_IF_FAILED(tasks->get_Item(index.get(), &task));
        BSTR raw = nullptr;
        RETURN_IF_FAILED(task->get_Name(&raw));
        const UniqueBstr taskName(raw);
        if (std::wstring_view(taskName ? taskName.get() : L"", ::SysStringLen(taskName.get())) == name) {
            found = true;
            return S_OK;
        }
    }
    return S_OK;
}

HRESULT SetTask(const TaskSchedulerAccess& access, std::wstring_view name, bool enable, int delaySeconds) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    RETURN_IF_FAILED(OpenRootFolder(access, service, root));
    if (enable) {
        return RegisterTask(service.Get(), root.Get(), name, AutoStartTaskFor(access.executablePath(), delaySeconds));
    }
    bool found = false;
    RETURN_IF_FAILED(FindTask(root.Get(), name, found));
    if (!found) {
        return S_OK;
    }
    const UniqueBstr taskName = Bstr(name);
    RETURN_IF_FAILED(OutOfMemoryIfNull(taskName));
    return root->DeleteTask(taskName.get(), 0);
}

std::wstring ModuleFileName() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return std::wstring(path.data(), length);
        }
        path.resize(path.size() * 2); // truncated: a longer path than the buffer
    }
}

} // namespace

const TaskSchedulerAccess& SystemTaskScheduler() {
    static const TaskSchedulerAccess access{
        [] {
            return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        },
        [](ComPtr<ITaskService>& service) {
            ComPtr<IUnknown> object;
            RETURN_IF_FAILED(::CoCreateInstance(kClsidTaskScheduler, nullptr,
                                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                                reinterpret_cast<void**>(object.GetAddressOf())));
            return object.As(&service);
        },
        ModuleFileName,
    };
    return access;
}

// Start at logon is a preference: whatever fails (COM security, the service, any method, memory)
// leaves things as they were, and is not reported. This is the one place that says so.
void SetAutoStartTask(std::wstring_view Name, bool Enable, int DelaySeconds,
                      const TaskSchedulerAccess& access) noexcept {
    try {
        static_cast<void>(SetTask(access, Name, Enable, DelaySeconds));
    } catch (...) {
    }
}

bool HasAutoStartTask(std::wstring_view Name, const TaskSchedulerAccess& access) noexcept {
    bool found = false;
    try {
        ComPtr<ITaskService> service;
        ComPtr<ITaskFolder> root;
        if (SUCCEEDED(OpenRootFolder(access, service, root))) {
            static_cast<void>(FindTask(root.Get(), Name, found));
        }
    } catch (...) {
    }
    return found;
}
