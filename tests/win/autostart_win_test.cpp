// The logon task against a recording Task Scheduler (every call and value, in order, and a
// failure injected at each step), and against Wine's own scheduler for what Wine implements.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "autostart/AutoStart.h"
#include "autostart/AutoStart_win.h"
#include "tests/win/TaskSchedulerStubs_win.h"

namespace {

CallLog& Log() { return CallLog::Current(); }

std::string Narrow(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::string Text(BSTR text) { return "'" + Narrow(std::wstring_view(text ? text : L"", ::SysStringLen(text))) + "'"; }
std::string Bool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? "true" : value == VARIANT_FALSE ? "false" : "?"; }
std::string Variant(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return "empty";
    case VT_BSTR:
        return Text(V_BSTR(&value));
    case VT_I4:
        return "i4:" + std::to_string(V_I4(&value));
    default:
        return "vt:" + std::to_string(V_VT(&value));
    }
}

// Hands out `fake` when the call (already logged) succeeded, else releases it.
template <typename Fake, typename Interface> HRESULT Give(HRESULT hr, Fake* fake, Interface** out) {
    *out = nullptr;
    if (SUCCEEDED(hr)) {
        *out = fake;
    } else if (fake) {
        fake->Release();
    }
    return hr;
}

class FakeIdle final : public StubIIdleSettings {
public:
    HRESULT STDMETHODCALLTYPE put_StopOnIdleEnd(VARIANT_BOOL stop) override {
        return Log().Call("IIdleSettings::put_StopOnIdleEnd", Bool(stop));
    }
};

class FakeSettings final : public StubITaskSettings {
public:
    HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL start) override {
        return Log().Call("ITaskSettings::put_StartWhenAvailable", Bool(start));
    }
    HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR limit) override {
        return Log().Call("ITaskSettings::put_ExecutionTimeLimit", Text(limit));
    }
    HRESULT STDMETHODCALLTYPE get_IdleSettings(IIdleSettings** idle) override {
        return Give(Log().Call("ITaskSettings::get_IdleSettings"), new FakeIdle, idle);
    }
    HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL disallow) override {
        return Log().Call("ITaskSettings::put_DisallowStartIfOnBatteries", Bool(disallow));
    }
    HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL stop) override {
        return Log().Call("ITaskSettings::put_StopIfGoingOnBatteries", Bool(stop));
    }
};

class FakeExecAction final : public StubIExecAction {
public:
    HRESULT STDMETHODCALLTYPE put_Path(BSTR path) override { return Log().Call("IExecAction::put_Path", Text(path)); }
    HRESULT STDMETHODCALLTYPE put_WorkingDirectory(BSTR folder) override {
        return Log().Call("IExecAction::put_WorkingDirectory", Text(folder));
    }
    HRESULT STDMETHODCALLTYPE put_Arguments(BSTR arguments) override {
        return Log().Call("IExecAction::put_Arguments", Text(arguments));
    }
};

class FakeActions final : public StubIActionCollection {
public:
    HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override {
        return Give(Log().Call("IActionCollection::Create", std::to_string(type)), new FakeExecAction, action);
    }
};

class FakeLogonTrigger final : public StubILogonTrigger {
public:
    HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) override {
        return Log().Call("ILogonTrigger::put_Delay", Text(delay));
    }
};

class FakeTriggers final : public StubITriggerCollection {
public:
    HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
        return Give(Log().Call("ITriggerCollection::Create", std::to_string(type)), new FakeLogonTrigger, trigger);
    }
};

class FakePrincipal final : public StubIPrincipal {
public:
    HRESULT STDMETHODCALLTYPE put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
        return Log().Call("IPrincipal::put_RunLevel", std::to_string(level));
    }
};

class FakeDefinition final : public StubITaskDefinition {
public:
    HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** principal) override {
        return Give(Log().Call("ITaskDefinition::get_Principal"), new FakePrincipal, principal);
    }
    HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** triggers) override {
        return Give(Log().Call("ITaskDefinition::get_Triggers"), new FakeTriggers, triggers);
    }
    HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** actions) override {
        return Give(Log().Call("ITaskDefinition::get_Actions"), new FakeActions, actions);
    }
    HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** settings) override {
        return Give(Log().Call("ITaskDefinition::get_Settings"), new FakeSettings, settings);
    }
};

class FakeRegisteredTask final : public StubIRegisteredTask {
public:
    explicit FakeRegisteredTask(std::wstring name) : name_(std::move(name)) {}
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        const HRESULT hr = Log().Call("IRegisteredTask::get_Name");
        *name = SUCCEEDED(hr) ? ::SysAllocString(name_.c_str()) : nullptr;
        return hr;
    }

private:
    std::wstring name_;
};

class FakeTasks final : public StubIRegisteredTaskCollection {
public:
    explicit FakeTasks(std::vector<std::wstring> names) : names_(std::move(names)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        *count = static_cast<LONG>(names_.size());
        return Log().Call("IRegisteredTaskCollection::get_Count");
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** task) override {
        const HRESULT hr = Log().Call("IRegisteredTaskCollection::get_Item", Variant(index));
        const LONG at = V_VT(&index) == VT_I4 ? V_I4(&index) : 0;
        if (at < 1 || at > static_cast<LONG>(names_.size())) {
            *task = nullptr;
            return E_INVALIDARG;
        }
        return Give(hr, new FakeRegisteredTask(names_[static_cast<std::size_t>(at - 1)]), task);
    }

private:
    std::vector<std::wstring> names_;
};

class FakeFolder final : public StubITaskFolder {
public:
    explicit FakeFolder(std::vector<std::wstring> names) : names_(std::move(names)) {}
    HRESULT STDMETHODCALLTYPE GetTasks(LONG flags, IRegisteredTaskCollection** tasks) override {
        return Give(Log().Call("ITaskFolder::GetTasks", std::to_string(flags)), new FakeTasks(names_), tasks);
    }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) override {
        return Log().Call("ITaskFolder::DeleteTask", Text(name) + " " + std::to_string(flags));
    }
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                                     VARIANT password, TASK_LOGON_TYPE logonType, VARIANT sddl,
                                                     IRegisteredTask** task) override {
        *task = nullptr;
        return Log().Call("ITaskFolder::RegisterTaskDefinition",
                          Text(path) + (definition ? " definition" : " null") + " flags " + std::to_string(flags) +
                              " user " + Variant(user) + " password " + Variant(password) + " logon " +
                              std::to_string(logonType) + " sddl " + Variant(sddl));
    }

private:
    std::vector<std::wstring> names_;
};

class FakeService final : public StubITaskService {
public:
    explicit FakeService(std::vector<std::wstring> names) : names_(std::move(names)) {}
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override {
        return Log().Call("ITaskService::Connect",
                          Variant(server) + " " + Variant(user) + " " + Variant(domain) + " " + Variant(password));
    }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override {
        return Give(Log().Call("ITaskService::GetFolder", Text(path)), new FakeFolder(names_), folder);
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** definition) override {
        return Give(Log().Call("ITaskService::NewTask", std::to_string(flags)), new FakeDefinition, definition);
    }

private:
    std::vector<std::wstring> names_;
};

// A scheduler whose root folder lists `names`, reached after a security call answering `security`.
TaskSchedulerAccess Recording(std::vector<std::wstring> names = {}, HRESULT security = S_OK) {
    Log() = CallLog{};
    return {
        [security] {
            const HRESULT logged = Log().Call("CoInitializeSecurity");
            return FAILED(logged) ? logged : security;
        },
        [names](ComPtr<ITaskService>& service) {
            const HRESULT hr = Log().Call("CreateService");
            if (SUCCEEDED(hr)) {
                service.Attach(new FakeService(names));
            }
            return hr;
        },
        [] { return std::wstring(L"C:\\Tools\\RamBroom.exe"); },
    };
}

const std::vector<std::string> kOpening = {
    "CoInitializeSecurity",
    "CreateService",
    "ITaskService::Connect empty empty empty empty",
    "ITaskService::GetFolder '\\'",
};

std::vector<std::string> Registration(bool withDelay) {
    std::vector<std::string> calls = kOpening;
    const std::vector<std::string> rest = {
        "ITaskService::NewTask 0",
        "ITaskDefinition::get_Principal",
        "IPrincipal::put_RunLevel 1", // TASK_RUNLEVEL_HIGHEST
        "ITaskDefinition::get_Triggers",
        "ITriggerCollection::Create 9", // TASK_TRIGGER_LOGON
        "ILogonTrigger::put_Delay 'PT1M'",
        "ITaskDefinition::get_Actions",
        "IActionCollection::Create 0", // TASK_ACTION_EXEC
        "IExecAction::put_Path 'C:\\Tools\\RamBroom.exe'",
        "IExecAction::put_WorkingDirectory 'C:\\Tools\\'",
        "IExecAction::put_Arguments '/start'",
        "ITaskDefinition::get_Settings",
        "ITaskSettings::put_StartWhenAvailable true",
        "ITaskSettings::put_ExecutionTimeLimit 'PT0S'",
        "ITaskSettings::get_IdleSettings",
        "IIdleSettings::put_StopOnIdleEnd false",
        "ITaskSettings::put_DisallowStartIfOnBatteries false",
        "ITaskSettings::put_StopIfGoingOnBatteries false",
        // TASK_CREATE_OR_UPDATE, TASK_LOGON_INTERACTIVE_TOKEN, an empty security descriptor.
        "ITaskFolder::RegisterTaskDefinition 'RamBroomTaskMachine' definition flags 6 user empty password empty "
        "logon 3 sddl ''",
    };
    for (const auto& call : rest) {
        if (withDelay || call.rfind("ILogonTrigger::put_Delay", 0) != 0) {
            calls.push_back(call);
        }
    }
    return calls;
}

TEST(AutoStartTask, RegistersTheWholeDefinitionInOneCall) {
    SetAutoStartTask(kAutoStartTaskName, true, 60, Recording());
    EXPECT_EQ(Log().calls, Registration(true));
}

TEST(AutoStartTask, WithoutDelayTheTriggerDelayIsNotWritten) {
    for (int delay : {0, -5}) {
        SetAutoStartTask(kAutoStartTaskName, true, delay, Recording());
        EXPECT_EQ(Log().calls, Registration(false)) << delay;
    }
}

// A failure at any step before the registration call stops there: nothing is registered, so a
// task already there stays as it was; and nothing reaches the caller.
TEST(AutoStartTask, AFailureOnTheWayRegistersNothing) {
    const std::vector<std::string> steps = Registration(true);
    for (const std::string& step : steps) {
        const std::string name = step.substr(0, step.find(' '));
        TaskSchedulerAccess access = Recording();
        Log().failAt = name;
        SetAutoStartTask(kAutoStartTaskName, true, 60, access);
        ASSERT_FALSE(Log().calls.empty());
        EXPECT_EQ(Log().calls.back(), step) << "went on after a failed " << name;
        for (const auto& call : Log().calls) {
            EXPECT_EQ(call.rfind("UNEXPECTED", 0), std::string::npos) << call;
        }
    }
}

TEST(AutoStartTask, SecuritySetEarlierGoesOnAnyOtherFailureStops) {
    SetAutoStartTask(kAutoStartTaskName, true, 0, Recording({}, RPC_E_TOO_LATE));
    EXPECT_EQ(Log().calls, Registration(false));

    for (HRESULT refused : {E_ACCESSDENIED, E_OUTOFMEMORY}) {
        SetAutoStartTask(kAutoStartTaskName, true, 0, Recording({}, refused));
        EXPECT_EQ(Log().calls, std::vector<std::string>{"CoInitializeSecurity"});
        EXPECT_FALSE(HasAutoStartTask(kAutoStartTaskName, Recording({kAutoStartTaskName.data()}, refused)));
        EXPECT_EQ(Log().calls, std::vector<std::string>{"CoInitializeSecurity"});
    }
}

// Finding and deleting go by the exact name through the one-based list of the root folder.
TEST(AutoStartTask, FindsAndDeletesOnlyTheExactName) {
    struct Row {
        const char* what;
        std::vector<std::wstring> listed;
        bool found;
        int items; // get_Item calls until found or the end
    };
    const Row rows[] = {
        {"no tasks", {}, false, 0},
        {"among others", {L"Other", L"RamBroomTaskMachine", L"Later"}, true, 2},
        {"other case", {L"ramBroomTaskMachine", L"RAMBROOMTASKMACHINE"}, false, 2},
        {"a longer name", {L"RamBroomTaskMachine2", L"RamBroomTaskMachin"}, false, 2},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(HasAutoStartTask(kAutoStartTaskName, Recording(row.listed)), row.found) << row.what;

        SetAutoStartTask(kAutoStartTaskName, false, 60, Recording(row.listed));
        std::vector<std::string> expected = kOpening;
        expected.push_back("ITaskFolder::GetTasks 0"); // hidden tasks are not listed
        expected.push_back("IRegisteredTaskCollection::get_Count");
        for (int i = 1; i <= row.items; ++i) {
            expected.push_back("IRegisteredTaskCollection::get_Item i4:" + std::to_string(i));
            expected.push_back("IRegisteredTask::get_Name");
        }
        if (row.found) {
            expected.push_back("ITaskFolder::DeleteTask 'RamBroomTaskMachine' 0");
        }
        EXPECT_EQ(Log().calls, expected) << row.what;
    }
}

TEST(AutoStartTask, AFailedListingFindsNothing) {
    for (const char* step :
         {"ITaskFolder::GetTasks", "IRegisteredTaskCollection::get_Count", "IRegisteredTaskCollection::get_Item",
          "IRegisteredTask::get_Name", "CreateService", "ITaskService::Connect", "ITaskService::GetFolder"}) {
        TaskSchedulerAccess access = Recording({kAutoStartTaskName.data()});
        Log().failAt = step;
        EXPECT_FALSE(HasAutoStartTask(kAutoStartTaskName, access)) << step;
        access = Recording({kAutoStartTaskName.data()});
        Log().failAt = step;
        SetAutoStartTask(kAutoStartTaskName, false, 0, access);
        EXPECT_EQ(Log().calls.back().rfind(step, 0), 0u) << "went on after a failed " << step;
    }
}

//--- Wine's own Task Scheduler: it has no logon trigger, no run level and no listing, so every
// call here fails somewhere inside and must come back quietly, leaving tasks as they were.

class SystemScheduler : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }
    ComScope com;
};

TEST_F(SystemScheduler, FailuresInsideComeBackQuietly) {
    const std::wstring name = L"RamBroomTest-" + std::to_wstring(::GetCurrentProcessId());
    SetAutoStartTask(name, true, 60);
    SetAutoStartTask(name, true, 0);
    EXPECT_FALSE(HasAutoStartTask(name));
    SetAutoStartTask(name, false, 0);
    EXPECT_FALSE(HasAutoStartTask(name));

    // Nothing of that name was left registered.
    ComPtr<ITaskService> service;
    ASSERT_TRUE(SUCCEEDED(SystemTaskScheduler().createService(service)));
    VARIANT none;
    ::VariantInit(&none);
    ASSERT_TRUE(SUCCEEDED(service->Connect(none, none, none, none)));
    ComPtr<ITaskFolder> root;
    BSTR rootPath = ::SysAllocString(L"\\");
    ASSERT_TRUE(SUCCEEDED(service->GetFolder(rootPath, &root)));
    ::SysFreeString(rootPath);
    ComPtr<IRegisteredTask> task;
    BSTR taskName = ::SysAllocString(name.c_str());
    EXPECT_TRUE(FAILED(root->GetTask(taskName, &task)));
    ::SysFreeString(taskName);
}

} // namespace
