// The logon task's calls against a recording fake of the Task Scheduler: the whole sequence with
// every value, a failure at each step, the name matching, and that every reference comes back.
// What the real service does under Wine is in task_scheduler_win_test.cpp.

#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "autostart/AutoStart_win.h"
#include "TaskSchedulerFake_win.h"

namespace {

using Calls = std::vector<std::wstring>;

const std::wstring kName(kAutoStartTaskName);

// Packet authentication (4), impersonation (3), EOAC_NONE; then this machine as this user.
const Calls kOpening = {
    L"CoInitializeSecurity(null, -1, null, null, 4, 3, null, 0, null)",
    L"CreateService()",
    L"Service.Connect(empty, empty, empty, empty)",
    L"Service.GetFolder(\"\\\")",
};

Calls operator+(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

Calls Prefix(const Calls& calls, std::size_t count) { return Calls(calls.begin(), calls.begin() + count); }

// Registering the task for `path`: highest run level (1), a logon trigger (9) with `delay` only
// when there is one, an exec action (0), the settings, then create-or-update (6) with an
// interactive token (3).
Calls Registration(const std::wstring& path, const std::wstring& folder, const std::optional<std::wstring>& delay) {
    Calls calls =
        kOpening + Calls{
                       L"ExecutablePath()",          L"Service.NewTask(0)",        L"Definition.get_Principal()",
                       L"Principal.put_RunLevel(1)", L"Definition.get_Triggers()", L"Triggers.Create(9)",
                   };
    if (delay) {
        calls = calls + Calls{L"Trigger.QueryInterface(ILogonTrigger)", L"Trigger.put_Delay(\"" + *delay + L"\")"};
    }
    return calls +
           Calls{
               L"Definition.get_Actions()",
               L"Actions.Create(0)",
               L"Action.QueryInterface(IExecAction)",
               L"Action.put_Path(\"" + path + L"\")",
               L"Action.put_WorkingDirectory(\"" + folder + L"\")",
               L"Action.put_Arguments(\"/start\")",
               L"Definition.get_Settings()",
               L"Settings.put_StartWhenAvailable(VARIANT_TRUE)",
               L"Settings.put_ExecutionTimeLimit(\"PT0S\")",
               L"Settings.get_IdleSettings()",
               L"IdleSettings.put_StopOnIdleEnd(VARIANT_FALSE)",
               L"Settings.put_DisallowStartIfOnBatteries(VARIANT_FALSE)",
               L"Settings.put_StopIfGoingOnBatteries(VARIANT_FALSE)",
               L"Folder.RegisterTaskDefinition(\"" + kName + L"\", the new task, 6, empty, empty, 3, BSTR \"\")",
           };
}

const Calls kRegistration = Registration(L"C:\\Tools\\RamBroom.exe", L"C:\\Tools\\", L"PT1M");

// Looking through the visible tasks (GetTasks(0)): Count once, then each item's name, one-based,
// for `itemsRead` items of `listed` (an item past the list fails and has no name to read).
Calls Listing(const std::vector<std::wstring>& listed, int itemsRead) {
    Calls calls = kOpening + Calls{L"Folder.GetTasks(0)", L"Tasks.get_Count()"};
    for (int i = 1; i <= itemsRead; ++i) {
        calls.push_back(L"Tasks.get_Item(I4 " + std::to_wstring(i) + L")");
        if (i <= static_cast<int>(listed.size())) {
            calls.push_back(L"Task[" + listed[i - 1] + L"].get_Name()");
        }
    }
    return calls;
}

const Calls kDeletion = {L"Folder.DeleteTask(\"" + kName + L"\", 0)"};

// Every reference handed out is given back, whatever happened.
void ExpectNothingHeld(const fake::TaskScheduler& scheduler) { EXPECT_EQ(scheduler.Held(), Calls{}); }

//--- Registering

TEST(AutoStartTask, RegistersTheWholeDefinitionInOneCall) {
    const struct {
        int delaySeconds;
        std::wstring path, folder;
        std::optional<std::wstring> delay;
    } cases[] = {
        {60, L"C:\\Tools\\RamBroom.exe", L"C:\\Tools\\", L"PT1M"}, // the installer's
        {90, L"C:\\Tools\\RamBroom.exe", L"C:\\Tools\\", L"PT1M30S"},
        {0, L"C:\\Tools\\RamBroom.exe", L"C:\\Tools\\", std::nullopt}, // no delay written, not even PT0S
        {-5, L"C:\\Tools\\RamBroom.exe", L"C:\\Tools\\", std::nullopt},
        {3600, L"D:\\\uD504\uB85C\uADF8\uB7A8 \uD3F4\uB354\\RamBroom.exe",
         L"D:\\\uD504\uB85C\uADF8\uB7A8 \uD3F4\uB354\\", L"PT60M"},
        {1, L"C:\\RamBroom.exe", L"C:\\", L"PT1S"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delaySeconds);
        fake::TaskScheduler scheduler;
        scheduler.executablePath = c.path;
        SetAutoStartTask(scheduler.System(), kName, true, c.delaySeconds);
        EXPECT_EQ(scheduler.log.calls, Registration(c.path, c.folder, c.delay));
        ExpectNothingHeld(scheduler);
    }
}

// Nothing reaches the service before the last call, so a failure anywhere before it leaves a
// registered task as it was; and nothing is tried after a failure.
TEST(AutoStartTask, AFailingStepEndsTheRegistration) {
    for (std::size_t step = 0; step < kRegistration.size(); ++step) {
        SCOPED_TRACE(kRegistration[step]);
        fake::TaskScheduler scheduler;
        scheduler.log.failing = kRegistration[step];
        scheduler.log.failure = step == 0 ? E_ACCESSDENIED : E_FAIL;
        SetAutoStartTask(scheduler.System(), kName, true, 60);
        EXPECT_EQ(scheduler.log.calls, Prefix(kRegistration, step + 1));
        ExpectNothingHeld(scheduler);
    }
}

// CoInitializeSecurity is process-wide: RPC_E_TOO_LATE says it was set before (by any COM
// activity of the process), which is fine; any other failure stops both operations there.
TEST(AutoStartTask, SecurityAlreadySetGoesOnAnyOtherFailureStops) {
    const struct {
        HRESULT result;
        bool goesOn;
    } cases[] = {
        {S_OK, true},
        {S_FALSE, true},
        {RPC_E_TOO_LATE, true},
        {E_ACCESSDENIED, false},
        {RPC_E_NO_GOOD_SECURITY_PACKAGES, false},
        {E_OUTOFMEMORY, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.result);
        fake::TaskScheduler registering;
        registering.log.failing = kOpening[0];
        registering.log.failure = c.result;
        SetAutoStartTask(registering.System(), kName, true, 60);
        EXPECT_EQ(registering.log.calls, c.goesOn ? kRegistration : Prefix(kOpening, 1));

        fake::TaskScheduler asking;
        asking.AddTask(kName);
        asking.log.failing = kOpening[0];
        asking.log.failure = c.result;
        EXPECT_EQ(HasAutoStartTask(asking.System(), kName), c.goesOn);
        ExpectNothingHeld(registering);
        ExpectNothingHeld(asking);
    }
}

// No exception leaves either operation: one thrown by a seam (an allocation failing) ends it
// like a failing HRESULT.
TEST(AutoStartTask, AnExceptionOnTheWayEndsTheOperationQuietly) {
    fake::TaskScheduler registering;
    AutoStartSystem system = registering.System();
    system.ExecutablePath = [](std::wstring&) -> HRESULT { throw std::bad_alloc(); };
    SetAutoStartTask(system, kName, true, 60);
    EXPECT_EQ(registering.log.calls, kOpening);
    ExpectNothingHeld(registering);

    fake::TaskScheduler asking;
    asking.AddTask(kName);
    system = asking.System();
    system.CreateService = [](ComPtr<ITaskService>&) -> HRESULT { throw std::bad_alloc(); };
    EXPECT_FALSE(HasAutoStartTask(system, kName));
    SetAutoStartTask(system, kName, false, 0);
    EXPECT_EQ(asking.log.calls, Prefix(kOpening, 1) + Prefix(kOpening, 1)); // no DeleteTask
    ExpectNothingHeld(asking);
}

//--- Finding and deleting

struct Listed {
    std::wstring name;
    bool hidden = false;
};

// Each case runs HasAutoStartTask and SetAutoStartTask(..., false, ...) on its own scheduler.
struct FindCase {
    const char* what;
    std::vector<Listed> tasks;
    std::optional<LONG> count; // what Count says, when not the number listed
    bool found;
    int itemsRead;
};

const FindCase kFindCases[] = {
    {"an empty folder", {}, std::nullopt, false, 0},
    {"the task alone", {{kName}}, std::nullopt, true, 1},
    {"stops at the task", {{L"Other"}, {kName}, {L"Third"}}, std::nullopt, true, 2},
    {"letter case counts", {{L"rambroomtaskmachine"}, {L"RAMBROOMTASKMACHINE"}}, std::nullopt, false, 2},
    {"the whole name, nothing more or less",
     {{L"RamBroomTaskMachin"}, {kName + L" "}, {L"\\" + kName}, {kName + L"2"}},
     std::nullopt,
     false,
     4},
    {"a hidden task is not listed", {{kName, true}}, std::nullopt, false, 0},
    {"behind a hidden one", {{L"Secret", true}, {kName}}, std::nullopt, true, 1},
    // Count is read once and believed: an item past the list fails and ends the search.
    {"Count says more than there are", {{L"Other"}, {L"Third"}}, LONG_MAX, false, 3},
    {"Count says more, the task comes first", {{L"Other"}, {kName}}, LONG_MAX, true, 2},
    {"Count says fewer", {{L"Other"}, {kName}}, 1, false, 1},
    {"Count is negative", {{kName}}, -1, false, 0},
};

TEST(AutoStartTask, FindsAndDeletesOnlyAVisibleTaskOfExactlyThatName) {
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(c.what);
        std::vector<std::wstring> listed;
        for (const Listed& task : c.tasks) {
            if (!task.hidden) {
                listed.push_back(task.name);
            }
        }
        const Calls listing = Listing(listed, c.itemsRead);

        fake::TaskScheduler asking;
        fake::TaskScheduler deleting;
        for (fake::TaskScheduler* scheduler : {&asking, &deleting}) {
            for (const Listed& task : c.tasks) {
                scheduler->AddTask(task.name, task.hidden);
            }
            scheduler->tasks.count = c.count;
        }
        EXPECT_EQ(HasAutoStartTask(asking.System(), kName), c.found);
        EXPECT_EQ(asking.log.calls, listing);

        SetAutoStartTask(deleting.System(), kName, false, 0);
        EXPECT_EQ(deleting.log.calls, c.found ? listing + kDeletion : listing);
        ExpectNothingHeld(asking);
        ExpectNothingHeld(deleting);
    }
}

// A failure anywhere on the way to the task: not found, nothing deleted, nothing tried after it.
TEST(AutoStartTask, AFailingStepEndsTheSearch) {
    const Calls deletion = Listing({L"Other", kName}, 2) + kDeletion;
    for (std::size_t step = 0; step < deletion.size(); ++step) {
        SCOPED_TRACE(deletion[step]);
        fake::TaskScheduler deleting;
        deleting.AddTask(L"Other");
        deleting.AddTask(kName);
        deleting.log.failing = deletion[step];
        SetAutoStartTask(deleting.System(), kName, false, 0);
        EXPECT_EQ(deleting.log.calls, Prefix(deletion, step + 1));
        ExpectNothingHeld(deleting);

        if (step + 1 < deletion.size()) {
            fake::TaskScheduler asking;
            asking.AddTask(L"Other");
            asking.AddTask(kName);
            asking.log.failing = deletion[step];
            EXPECT_FALSE(HasAutoStartTask(asking.System(), kName));
            EXPECT_EQ(asking.log.calls, Prefix(deletion, step + 1));
            ExpectNothingHeld(asking);
        }
    }
}

} // namespace
