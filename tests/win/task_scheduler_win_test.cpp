// The real Task Scheduler under Wine 8, which implements only part of it: what it does, and that
// the logon task's operations meet what it lacks without effect. The full call sequence is tested
// against a fake in auto_start_win_test.cpp.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "autostart/AutoStart_win.h"
#include "base/DynCalls_win.h"
#include "base/Errors_win.h"
#include "base/OleAuto_win.h"

namespace {

constexpr wchar_t kTestTask[] = L"RamBroomTest.AutoStart";
constexpr HRESULT kNoSuchTask = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

HRESULT GetTaskXml(ITaskFolder* root, const wchar_t* name, std::wstring& xml) {
    const UniqueBstr path = MakeBstr(name);
    ComPtr<IRegisteredTask> task;
    RETURN_IF_FAILED(root->GetTask(path.get(), &task));
    UniqueBstr text;
    RETURN_IF_FAILED(task->get_Xml(text.put()));
    xml.assign(text.get(), ::SysStringLen(text.get()));
    return S_OK;
}

class WineTaskScheduler : public ::testing::Test {
protected:
    void SetUp() override {
        if (dyn::wine_get_version() == nullptr) {
            GTEST_SKIP() << "measures what Wine's Task Scheduler implements";
        }
        ASSERT_TRUE(com_.ok());
        ASSERT_EQ(CreateTaskService(service_), S_OK);
        const UniqueVariant none;
        ASSERT_EQ(service_->Connect(none.get(), none.get(), none.get(), none.get()), S_OK);
        const UniqueBstr rootPath = MakeBstr(L"\\");
        ASSERT_EQ(service_->GetFolder(rootPath.get(), &root_), S_OK);
    }

    void TearDown() override {
        if (root_) {
            const UniqueBstr name = MakeBstr(kTestTask);
            static_cast<void>(root_->DeleteTask(name.get(), 0));
        }
    }

    // A task through the calls Wine has: no trigger, no run level, settings and an action;
    // registered as the program registers its own.
    HRESULT RegisterWithoutTrigger(const wchar_t* name, const wchar_t* timeLimit) {
        ComPtr<ITaskDefinition> definition;
        RETURN_IF_FAILED(service_->NewTask(0, &definition));
        ComPtr<IActionCollection> actions;
        RETURN_IF_FAILED(definition->get_Actions(&actions));
        ComPtr<IAction> action;
        RETURN_IF_FAILED(actions->Create(TASK_ACTION_EXEC, &action));
        ComPtr<IExecAction> exec;
        RETURN_IF_FAILED(action.As(&exec));
        const UniqueBstr path = MakeBstr(L"C:\\Old\\RamBroom.exe");
        RETURN_IF_FAILED(exec->put_Path(path.get()));
        ComPtr<ITaskSettings> settings;
        RETURN_IF_FAILED(definition->get_Settings(&settings));
        const UniqueBstr limit = MakeBstr(timeLimit);
        RETURN_IF_FAILED(settings->put_ExecutionTimeLimit(limit.get()));
        const UniqueBstr taskName = MakeBstr(name);
        const UniqueVariant none;
        UniqueVariant sddl;
        RETURN_IF_FAILED(sddl.SetText(L""));
        ComPtr<IRegisteredTask> registered;
        return root_->RegisterTaskDefinition(taskName.get(), definition.Get(), TASK_CREATE_OR_UPDATE, none.get(),
                                             none.get(), TASK_LOGON_INTERACTIVE_TOKEN, sddl.get(), &registered);
    }

    ComScope com_; // first in, last out
    ComPtr<ITaskService> service_;
    ComPtr<ITaskFolder> root_;
};

// Where Wine stops. Should a newer Wine implement one of these, the operations' tests below
// no longer show what they claim to, and the real sequence can be tested here instead.
TEST_F(WineTaskScheduler, LacksTheRunLevelTheLogonTriggerIdleSettingsAndTheListing) {
    // Process-wide security: Wine answers S_OK every time, never RPC_E_TOO_LATE.
    const auto& initializeSecurity = WindowsAutoStartSystem().InitializeSecurity;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(initializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                     nullptr, EOAC_NONE, nullptr),
                  S_OK);
    }

    ComPtr<ITaskDefinition> definition;
    ASSERT_EQ(service_->NewTask(0, &definition), S_OK);
    ComPtr<IPrincipal> principal;
    ASSERT_EQ(definition->get_Principal(&principal), S_OK);
    EXPECT_EQ(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST), E_NOTIMPL);
    ComPtr<ITriggerCollection> triggers;
    ASSERT_EQ(definition->get_Triggers(&triggers), S_OK);
    ComPtr<ITrigger> trigger;
    EXPECT_EQ(triggers->Create(TASK_TRIGGER_LOGON, &trigger), E_NOTIMPL);
    ComPtr<ITaskSettings> settings;
    ASSERT_EQ(definition->get_Settings(&settings), S_OK);
    EXPECT_EQ(settings->put_StartWhenAvailable(VARIANT_TRUE), S_OK);
    ComPtr<IIdleSettings> idle;
    EXPECT_EQ(settings->get_IdleSettings(&idle), E_NOTIMPL);

    ASSERT_EQ(RegisterWithoutTrigger(kTestTask, L"PT5M"), S_OK);
    ComPtr<IRegisteredTaskCollection> tasks;
    ASSERT_EQ(root_->GetTasks(0, &tasks), S_OK);
    LONG count = -1;
    EXPECT_EQ(tasks->get_Count(&count), E_NOTIMPL);
    UniqueVariant first;
    first.SetInt32(1);
    ComPtr<IRegisteredTask> item;
    EXPECT_EQ(tasks->get_Item(first.get(), &item), E_NOTIMPL);

    // By name it works, and deleting does.
    std::wstring xml;
    EXPECT_EQ(GetTaskXml(root_.Get(), kTestTask, xml), S_OK);
    const UniqueBstr name = MakeBstr(kTestTask);
    EXPECT_EQ(root_->DeleteTask(name.get(), 0), S_OK);
    EXPECT_EQ(GetTaskXml(root_.Get(), kTestTask, xml), kNoSuchTask);
    EXPECT_EQ(root_->DeleteTask(name.get(), 0), kNoSuchTask);
}

// Registering stops at the run level, before anything reaches the service; finding stops at
// Count: so no task appears, none is found, and one registered by other means stays exactly
// as it was through every operation. None of them throws (they are noexcept: a throw would
// end the test program).
TEST_F(WineTaskScheduler, OperationsChangeNothingWhereWineFallsShort) {
    // The program's own seams, watched: the service comes up and is reached (the path is asked
    // for after Connect and GetFolder succeeded), and the registration ends later.
    AutoStartSystem watched = WindowsAutoStartSystem();
    HRESULT created = E_PENDING;
    int pathsAsked = 0;
    watched.CreateService = [&created](ComPtr<ITaskService>& service) { return created = CreateTaskService(service); };
    watched.ExecutablePath = [&pathsAsked](std::wstring& path) {
        ++pathsAsked;
        return WindowsAutoStartSystem().ExecutablePath(path);
    };
    std::wstring xml;
    SetAutoStartTask(watched, kTestTask, true, 60);
    EXPECT_EQ(created, S_OK);
    EXPECT_EQ(pathsAsked, 1);
    EXPECT_EQ(GetTaskXml(root_.Get(), kTestTask, xml), kNoSuchTask);
    EXPECT_FALSE(HasAutoStartTask(kTestTask));

    ASSERT_EQ(RegisterWithoutTrigger(kTestTask, L"PT5M"), S_OK);
    std::wstring before;
    ASSERT_EQ(GetTaskXml(root_.Get(), kTestTask, before), S_OK);
    EXPECT_NE(before.find(L"<ExecutionTimeLimit>PT5M</ExecutionTimeLimit>"), std::wstring::npos) << before;

    EXPECT_FALSE(HasAutoStartTask(kTestTask)); // present, but Wine cannot list it
    SetAutoStartTask(kTestTask, true, 60);
    SetAutoStartTask(kTestTask, true, 0);
    ASSERT_EQ(GetTaskXml(root_.Get(), kTestTask, xml), S_OK);
    EXPECT_EQ(xml, before); // not replaced: the registration would have written PT0S
    SetAutoStartTask(kTestTask, false, 0);
    ASSERT_EQ(GetTaskXml(root_.Get(), kTestTask, xml), S_OK);
    EXPECT_EQ(xml, before);
}

TEST(AutoStartSystem, ExecutablePathIsTheWholeModuleFileName) {
    std::wstring path;
    ASSERT_EQ(WindowsAutoStartSystem().ExecutablePath(path), S_OK);
    wchar_t expected[MAX_PATH * 4] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, expected, static_cast<DWORD>(std::size(expected))), 0u);
    EXPECT_EQ(path, expected);
    EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(path.substr(PathFolder(path).size()), L"rambroom_win_tests.exe");
}

} // namespace
