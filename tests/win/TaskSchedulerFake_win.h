#pragma once
// A recording fake of the Task Scheduler 2.0 objects the logon task goes through. Every call on
// them, and on the three seams of AutoStartSystem, lands in one log as text,
// "Object.Method(arguments)", and the call whose text equals CallLog::failing fails: so a test
// compares the whole sequence with every value, and fails any one step of it.
//
// The objects live in the fixture and count their references instead of freeing themselves, so
// a test can tell that every reference handed out came back.

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "autostart/AutoStart_win.h"
#include "autostart/TaskScheduler_win.h"

namespace fake {

struct CallLog {
    std::vector<std::wstring> calls;
    std::wstring failing; // the call, as logged, that fails
    HRESULT failure = E_FAIL;

    HRESULT Add(std::wstring call) {
        const bool fails = call == failing;
        calls.push_back(std::move(call));
        return fails ? failure : S_OK;
    }
};

//--- Argument texts

inline std::wstring Number(long long value) { return std::to_wstring(value); }

inline std::wstring Flag(VARIANT_BOOL value) {
    return value == VARIANT_TRUE ? L"VARIANT_TRUE" : value == VARIANT_FALSE ? L"VARIANT_FALSE" : Number(value);
}

inline std::wstring Pointer(const void* value) { return value ? L"set" : L"null"; }

// A BSTR carries its length before its first character; a plain wide string passed in its place
// shows up here.
inline std::wstring Text(BSTR value) {
    if (value == nullptr) {
        return L"null";
    }
    const std::wstring_view text(value, ::SysStringLen(value));
    if (text.size() != std::wcslen(value)) {
        return L"<not a BSTR>";
    }
    return L'"' + std::wstring(text) + L'"';
}

inline std::wstring Text(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return L"empty";
    case VT_I4:
        return L"I4 " + Number(V_I4(&value));
    case VT_BSTR:
        return L"BSTR " + Text(V_BSTR(&value));
    default:
        return L"VT " + Number(V_VT(&value));
    }
}

inline std::wstring InterfaceName(REFIID iid) {
    const std::pair<IID, const wchar_t*> names[] = {
        {__uuidof(IDispatch), L"IDispatch"},         {__uuidof(ITrigger), L"ITrigger"},
        {__uuidof(ILogonTrigger), L"ILogonTrigger"}, {__uuidof(IAction), L"IAction"},
        {__uuidof(IExecAction), L"IExecAction"},
    };
    for (const auto& [known, name] : names) {
        if (::IsEqualIID(iid, known)) {
            return name;
        }
    }
    return L"another";
}

//--- The generic object

// IUnknown and IDispatch for one interface (and the interfaces it derives from, Also...), and
// the log. Answers QueryInterface for IUnknown, IDispatch, Interface and Also...; logs each one
// but IUnknown's.
template <typename Interface, typename... Also> class Object : public Interface {
public:
    Object(CallLog& log, std::wstring name) : log_(log), name_(std::move(name)) {}
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    const std::wstring& Name() const { return name_; }
    ULONG references = 0; // those handed out and not yet given back

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!::IsEqualIID(iid, __uuidof(IUnknown))) {
            const HRESULT hr = Call(L"QueryInterface", {InterfaceName(iid)});
            if (FAILED(hr)) {
                return hr;
            }
        }
        const bool known = ::IsEqualIID(iid, __uuidof(IUnknown)) || ::IsEqualIID(iid, __uuidof(IDispatch)) ||
                           ::IsEqualIID(iid, __uuidof(Interface)) || (::IsEqualIID(iid, __uuidof(Also)) || ...);
        if (!known) {
            return E_NOINTERFACE;
        }
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return Unexpected("Invoke");
    }

protected:
    HRESULT Call(std::wstring_view method, std::initializer_list<std::wstring> arguments = {}) {
        std::wstring call = name_ + L'.' + std::wstring(method) + L'(';
        for (const std::wstring& argument : arguments) {
            call += (&argument == arguments.begin() ? L"" : L", ") + argument;
        }
        return log_.Add(call + L')');
    }

    // A method the operations have no business calling: logged, and it fails.
    HRESULT Unexpected(const char* method) {
        const std::string_view name(method);
        static_cast<void>(Call(std::wstring(name.begin(), name.end()), {L"unexpected"}));
        return E_NOTIMPL;
    }

    // Hands `object` out through `out` when the call succeeded, as a getter does.
    template <typename T, typename U> static HRESULT Hand(HRESULT hr, U* object, T** out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (SUCCEEDED(hr)) {
            *out = object;
            object->AddRef();
        }
        return hr;
    }

private:
    CallLog& log_;
    std::wstring name_;
};

// The methods that no operation calls, one line each (a property: its getter and setter).
#define FAKE_UNUSED(method, ...)                                                                                       \
    HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { return Unexpected(#method); }
#define FAKE_UNUSED_PROPERTY(name, type) FAKE_UNUSED(get_##name, type*) FAKE_UNUSED(put_##name, type)

//--- The objects

class Idle final : public Object<IIdleSettings> {
public:
    using Object::Object;
    HRESULT STDMETHODCALLTYPE put_StopOnIdleEnd(VARIANT_BOOL stop) override {
        return Call(L"put_StopOnIdleEnd", {Flag(stop)});
    }
    FAKE_UNUSED_PROPERTY(IdleDuration, BSTR)
    FAKE_UNUSED_PROPERTY(WaitTimeout, BSTR)
    FAKE_UNUSED(get_StopOnIdleEnd, VARIANT_BOOL*)
    FAKE_UNUSED_PROPERTY(RestartOnIdle, VARIANT_BOOL)
};

class Settings final : public Object<ITaskSettings> {
public:
    Settings(CallLog& log, Idle& idle) : Object(log, L"Settings"), idle_(idle) {}
    HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL start) override {
        return Call(L"put_StartWhenAvailable", {Flag(start)});
    }
    HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR limit) override {
        return Call(L"put_ExecutionTimeLimit", {Text(limit)});
    }
    HRESULT STDMETHODCALLTYPE get_IdleSettings(IIdleSettings** idle) override {
        return Hand(Call(L"get_IdleSettings"), &idle_, idle);
    }
    HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL disallow) override {
        return Call(L"put_DisallowStartIfOnBatteries", {Flag(disallow)});
    }
    HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL stop) override {
        return Call(L"put_StopIfGoingOnBatteries", {Flag(stop)});
    }
    FAKE_UNUSED_PROPERTY(AllowDemandStart, VARIANT_BOOL)
    FAKE_UNUSED_PROPERTY(RestartInterval, BSTR)
    FAKE_UNUSED_PROPERTY(RestartCount, INT)
    FAKE_UNUSED_PROPERTY(MultipleInstances, TASK_INSTANCES_POLICY)
    FAKE_UNUSED(get_StopIfGoingOnBatteries, VARIANT_BOOL*)
    FAKE_UNUSED(get_DisallowStartIfOnBatteries, VARIANT_BOOL*)
    FAKE_UNUSED_PROPERTY(AllowHardTerminate, VARIANT_BOOL)
    FAKE_UNUSED(get_StartWhenAvailable, VARIANT_BOOL*)
    FAKE_UNUSED_PROPERTY(XmlText, BSTR)
    FAKE_UNUSED_PROPERTY(RunOnlyIfNetworkAvailable, VARIANT_BOOL)
    FAKE_UNUSED(get_ExecutionTimeLimit, BSTR*)
    FAKE_UNUSED_PROPERTY(Enabled, VARIANT_BOOL)
    FAKE_UNUSED_PROPERTY(DeleteExpiredTaskAfter, BSTR)
    FAKE_UNUSED_PROPERTY(Priority, INT)
    FAKE_UNUSED_PROPERTY(Compatibility, TASK_COMPATIBILITY)
    FAKE_UNUSED_PROPERTY(Hidden, VARIANT_BOOL)
    FAKE_UNUSED(put_IdleSettings, IIdleSettings*)
    FAKE_UNUSED_PROPERTY(RunOnlyIfIdle, VARIANT_BOOL)
    FAKE_UNUSED_PROPERTY(WakeToRun, VARIANT_BOOL)
    FAKE_UNUSED_PROPERTY(NetworkSettings, INetworkSettings*)

private:
    Idle& idle_;
};

class Action final : public Object<IExecAction, IAction> {
public:
    using Object::Object;
    HRESULT STDMETHODCALLTYPE put_Path(BSTR path) override { return Call(L"put_Path", {Text(path)}); }
    HRESULT STDMETHODCALLTYPE put_Arguments(BSTR arguments) override {
        return Call(L"put_Arguments", {Text(arguments)});
    }
    HRESULT STDMETHODCALLTYPE put_WorkingDirectory(BSTR directory) override {
        return Call(L"put_WorkingDirectory", {Text(directory)});
    }
    FAKE_UNUSED_PROPERTY(Id, BSTR)
    FAKE_UNUSED(get_Type, TASK_ACTION_TYPE*)
    FAKE_UNUSED(get_Path, BSTR*)
    FAKE_UNUSED(get_Arguments, BSTR*)
    FAKE_UNUSED(get_WorkingDirectory, BSTR*)
};

class Actions final : public Object<IActionCollection> {
public:
    Actions(CallLog& log, Action& action) : Object(log, L"Actions"), action_(action) {}
    HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override {
        return Hand(Call(L"Create", {Number(type)}), &action_, action);
    }
    FAKE_UNUSED(get_Count, LONG*)
    FAKE_UNUSED(get_Item, LONG, IAction**)
    FAKE_UNUSED(get__NewEnum, IUnknown**)
    FAKE_UNUSED_PROPERTY(XmlText, BSTR)
    FAKE_UNUSED(Remove, VARIANT)
    FAKE_UNUSED(Clear)
    FAKE_UNUSED_PROPERTY(Context, BSTR)

private:
    Action& action_;
};

class Trigger final : public Object<ILogonTrigger, ITrigger> {
public:
    using Object::Object;
    HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) override { return Call(L"put_Delay", {Text(delay)}); }
    FAKE_UNUSED(get_Type, TASK_TRIGGER_TYPE2*)
    FAKE_UNUSED_PROPERTY(Id, BSTR)
    FAKE_UNUSED_PROPERTY(Repetition, IRepetitionPattern*)
    FAKE_UNUSED_PROPERTY(ExecutionTimeLimit, BSTR)
    FAKE_UNUSED_PROPERTY(StartBoundary, BSTR)
    FAKE_UNUSED_PROPERTY(EndBoundary, BSTR)
    FAKE_UNUSED_PROPERTY(Enabled, VARIANT_BOOL)
    FAKE_UNUSED(get_Delay, BSTR*)
    FAKE_UNUSED_PROPERTY(UserId, BSTR)
};

class Triggers final : public Object<ITriggerCollection> {
public:
    Triggers(CallLog& log, Trigger& trigger) : Object(log, L"Triggers"), trigger_(trigger) {}
    HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
        return Hand(Call(L"Create", {Number(type)}), &trigger_, trigger);
    }
    FAKE_UNUSED(get_Count, LONG*)
    FAKE_UNUSED(get_Item, LONG, ITrigger**)
    FAKE_UNUSED(get__NewEnum, IUnknown**)
    FAKE_UNUSED(Remove, VARIANT)
    FAKE_UNUSED(Clear)

private:
    Trigger& trigger_;
};

class Principal final : public Object<IPrincipal> {
public:
    using Object::Object;
    HRESULT STDMETHODCALLTYPE put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
        return Call(L"put_RunLevel", {Number(level)});
    }
    FAKE_UNUSED_PROPERTY(Id, BSTR)
    FAKE_UNUSED_PROPERTY(DisplayName, BSTR)
    FAKE_UNUSED_PROPERTY(UserId, BSTR)
    FAKE_UNUSED_PROPERTY(LogonType, TASK_LOGON_TYPE)
    FAKE_UNUSED_PROPERTY(GroupId, BSTR)
    FAKE_UNUSED(get_RunLevel, TASK_RUNLEVEL_TYPE*)
};

class Definition final : public Object<ITaskDefinition> {
public:
    Definition(CallLog& log, Principal& principal, Triggers& triggers, Actions& actions, Settings& settings)
        : Object(log, L"Definition"), principal_(principal), triggers_(triggers), actions_(actions),
          settings_(settings) {}
    HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** principal) override {
        return Hand(Call(L"get_Principal"), &principal_, principal);
    }
    HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** triggers) override {
        return Hand(Call(L"get_Triggers"), &triggers_, triggers);
    }
    HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** actions) override {
        return Hand(Call(L"get_Actions"), &actions_, actions);
    }
    HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** settings) override {
        return Hand(Call(L"get_Settings"), &settings_, settings);
    }
    FAKE_UNUSED_PROPERTY(RegistrationInfo, IRegistrationInfo*)
    FAKE_UNUSED(put_Triggers, ITriggerCollection*)
    FAKE_UNUSED(put_Settings, ITaskSettings*)
    FAKE_UNUSED_PROPERTY(Data, BSTR)
    FAKE_UNUSED(put_Principal, IPrincipal*)
    FAKE_UNUSED(put_Actions, IActionCollection*)
    FAKE_UNUSED_PROPERTY(XmlText, BSTR)

private:
    Principal& principal_;
    Triggers& triggers_;
    Actions& actions_;
    Settings& settings_;
};

// A registered task; only its name is read. Logged as Task[name].
class Task final : public Object<IRegisteredTask> {
public:
    Task(CallLog& log, std::wstring name, bool hidden)
        : Object(log, L"Task[" + name + L"]"), name_(std::move(name)), hidden_(hidden) {}
    bool Hidden() const { return hidden_; }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        *name = nullptr;
        const HRESULT hr = Call(L"get_Name");
        if (SUCCEEDED(hr)) {
            *name = ::SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        }
        return hr;
    }
    FAKE_UNUSED(get_Path, BSTR*)
    FAKE_UNUSED(get_State, TASK_STATE*)
    FAKE_UNUSED_PROPERTY(Enabled, VARIANT_BOOL)
    FAKE_UNUSED(Run, VARIANT, IRunningTask**)
    FAKE_UNUSED(RunEx, VARIANT, LONG, LONG, BSTR, IRunningTask**)
    FAKE_UNUSED(GetInstances, LONG, IRunningTaskCollection**)
    FAKE_UNUSED(get_LastRunTime, DATE*)
    FAKE_UNUSED(get_LastTaskResult, LONG*)
    FAKE_UNUSED(get_NumberOfMissedRuns, LONG*)
    FAKE_UNUSED(get_NextRunTime, DATE*)
    FAKE_UNUSED(get_Definition, ITaskDefinition**)
    FAKE_UNUSED(get_Xml, BSTR*)
    FAKE_UNUSED(GetSecurityDescriptor, LONG, BSTR*)
    FAKE_UNUSED(SetSecurityDescriptor, BSTR, LONG)
    FAKE_UNUSED(Stop, LONG)
    FAKE_UNUSED(GetRunTimes, const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*)

private:
    std::wstring name_;
    bool hidden_;
};

// What GetTasks lists: Count is the number of tasks listed unless `count` says otherwise; an
// index outside the list fails as the service's does.
class Tasks final : public Object<IRegisteredTaskCollection> {
public:
    using Object::Object;
    std::vector<Task*> listed;
    std::optional<LONG> count;

    HRESULT STDMETHODCALLTYPE get_Count(LONG* value) override {
        *value = count.value_or(static_cast<LONG>(listed.size()));
        return Call(L"get_Count");
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** task) override {
        const HRESULT hr = Call(L"get_Item", {Text(index)});
        if (V_VT(&index) != VT_I4 || V_I4(&index) < 1 || static_cast<size_t>(V_I4(&index)) > listed.size()) {
            *task = nullptr;
            return FAILED(hr) ? hr : E_INVALIDARG;
        }
        return Hand(hr, listed[V_I4(&index) - 1], task);
    }
    FAKE_UNUSED(get__NewEnum, IUnknown**)
};

class Folder final : public Object<ITaskFolder> {
public:
    Folder(CallLog& log, Tasks& tasks, Definition& definition, Task& registered)
        : Object(log, L"Folder"), tasks_(tasks), definition_(definition), registered_(registered) {}
    std::deque<Task> tasks; // registered in this folder, hidden or not

    HRESULT STDMETHODCALLTYPE GetTasks(LONG flags, IRegisteredTaskCollection** listed) override {
        tasks_.listed.clear();
        for (Task& task : tasks) {
            if (!task.Hidden() || (flags & TASK_ENUM_HIDDEN) != 0) {
                tasks_.listed.push_back(&task);
            }
        }
        return Hand(Call(L"GetTasks", {Number(flags)}), &tasks_, listed);
    }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) override {
        return Call(L"DeleteTask", {Text(name), Number(flags)});
    }
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                                     VARIANT password, TASK_LOGON_TYPE logon, VARIANT sddl,
                                                     IRegisteredTask** task) override {
        const std::wstring which = definition == &definition_ ? L"the new task" : L"another task";
        return Hand(Call(L"RegisterTaskDefinition",
                         {Text(path), which, Number(flags), Text(user), Text(password), Number(logon), Text(sddl)}),
                    &registered_, task);
    }
    FAKE_UNUSED(get_Name, BSTR*)
    FAKE_UNUSED(get_Path, BSTR*)
    FAKE_UNUSED(GetFolder, BSTR, ITaskFolder**)
    FAKE_UNUSED(GetFolders, LONG, ITaskFolderCollection**)
    FAKE_UNUSED(CreateFolder, BSTR, VARIANT, ITaskFolder**)
    FAKE_UNUSED(DeleteFolder, BSTR, LONG)
    FAKE_UNUSED(GetTask, BSTR, IRegisteredTask**)
    FAKE_UNUSED(RegisterTask, BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT, IRegisteredTask**)
    FAKE_UNUSED(GetSecurityDescriptor, LONG, BSTR*)
    FAKE_UNUSED(SetSecurityDescriptor, BSTR, LONG)

private:
    Tasks& tasks_;
    Definition& definition_;
    Task& registered_;
};

class Service final : public Object<ITaskService> {
public:
    Service(CallLog& log, Folder& folder, Definition& definition)
        : Object(log, L"Service"), folder_(folder), definition_(definition) {}
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override {
        return Call(L"Connect", {Text(server), Text(user), Text(domain), Text(password)});
    }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override {
        return Hand(Call(L"GetFolder", {Text(path)}), &folder_, folder);
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** definition) override {
        return Hand(Call(L"NewTask", {Number(flags)}), &definition_, definition);
    }
    FAKE_UNUSED(GetRunningTasks, LONG, IRunningTaskCollection**)
    FAKE_UNUSED(get_Connected, VARIANT_BOOL*)
    FAKE_UNUSED(get_TargetServer, BSTR*)
    FAKE_UNUSED(get_ConnectedUser, BSTR*)
    FAKE_UNUSED(get_ConnectedDomain, BSTR*)
    FAKE_UNUSED(get_HighestVersion, DWORD*)

private:
    Folder& folder_;
    Definition& definition_;
};

#undef FAKE_UNUSED_PROPERTY
#undef FAKE_UNUSED

//--- The whole scheduler

struct TaskScheduler {
    CallLog log;
    std::wstring executablePath = L"C:\\Tools\\RamBroom.exe";

    Idle idle{log, L"IdleSettings"};
    Settings settings{log, idle};
    Action action{log, L"Action"};
    Actions actions{log, action};
    Trigger trigger{log, L"Trigger"};
    Triggers triggers{log, trigger};
    Principal principal{log, L"Principal"};
    Definition definition{log, principal, triggers, actions, settings};
    Task registered{log, L"registered", false}; // what RegisterTaskDefinition gives back
    Tasks tasks{log, L"Tasks"};
    Folder folder{log, tasks, definition, registered};
    Service service{log, folder, definition};

    void AddTask(std::wstring name, bool hidden = false) { folder.tasks.emplace_back(log, std::move(name), hidden); }

    // The seams, logging into the same log.
    AutoStartSystem System() {
        return {
            [this](PSECURITY_DESCRIPTOR descriptor, LONG serviceCount, SOLE_AUTHENTICATION_SERVICE* services,
                   void* reserved1, DWORD authnLevel, DWORD impersonationLevel, void* authList, DWORD capabilities,
                   void* reserved3) {
                return log.Add(L"CoInitializeSecurity(" + Pointer(descriptor) + L", " + Number(serviceCount) + L", " +
                               Pointer(services) + L", " + Pointer(reserved1) + L", " + Number(authnLevel) + L", " +
                               Number(impersonationLevel) + L", " + Pointer(authList) + L", " + Number(capabilities) +
                               L", " + Pointer(reserved3) + L")");
            },
            [this](ComPtr<ITaskService>& created) {
                const HRESULT hr = log.Add(L"CreateService()");
                if (SUCCEEDED(hr)) {
                    created = &service;
                }
                return hr;
            },
            [this](std::wstring& path) {
                const HRESULT hr = log.Add(L"ExecutablePath()");
                if (SUCCEEDED(hr)) {
                    path = executablePath;
                }
                return hr;
            },
        };
    }

    // The objects still holding references handed out: none once an operation is over.
    std::vector<std::wstring> Held() const {
        std::vector<std::wstring> held;
        const auto check = [&held](const auto& object) {
            if (object.references != 0) {
                held.push_back(object.Name() + L": " + Number(static_cast<long long>(object.references)));
            }
        };
        check(idle), check(settings), check(action), check(actions), check(trigger), check(triggers);
        check(principal), check(definition), check(registered), check(tasks), check(folder), check(service);
        for (const Task& task : folder.tasks) {
            check(task);
        }
        return held;
    }
};

} // namespace fake
