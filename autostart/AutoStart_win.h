#pragma once
// The logon task in the Task Scheduler's root folder: registered (or replaced), found and deleted
// by its exact name. Each caller has COM initialised on its thread (ComScope) and calls only when
// that succeeded.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "autostart/AutoStart.h"
#include "autostart/TaskScheduler_win.h"
#include "base/Com_win.h"

// Enable: registers the task, replacing one of that name; it starts this executable with
// "/start", elevated, at logon, DelaySeconds after it when that is above 0.
// Otherwise deletes the task of exactly that name, when there is one. Never throws, never
// reports: after a failure everything is as it was.
void SetAutoStartTask(std::wstring_view Name, bool Enable, int DelaySeconds) noexcept;

// Whether the root folder lists a task named exactly Name (letter case counts; hidden tasks are
// not listed). false after any failure.
bool HasAutoStartTask(std::wstring_view Name) noexcept;

//--- The seam

// What the two operations reach the system through; the program's is WindowsAutoStartSystem(),
// tests put a recording fake here.
struct AutoStartSystem {
    using InitializeSecurityFn = HRESULT(PSECURITY_DESCRIPTOR SecurityDescriptor, LONG AuthServiceCount,
                                         SOLE_AUTHENTICATION_SERVICE* AuthServices, void* Reserved1, DWORD AuthnLevel,
                                         DWORD ImpersonationLevel, void* AuthList, DWORD Capabilities, void* Reserved3);
    std::function<InitializeSecurityFn> InitializeSecurity;      // CoInitializeSecurity
    std::function<HRESULT(ComPtr<ITaskService>&)> CreateService; // CreateTaskService
    std::function<HRESULT(std::wstring&)> ExecutablePath;        // the module file name of the process
};

const AutoStartSystem& WindowsAutoStartSystem() noexcept;

void SetAutoStartTask(const AutoStartSystem& System, std::wstring_view Name, bool Enable, int DelaySeconds) noexcept;
bool HasAutoStartTask(const AutoStartSystem& System, std::wstring_view Name) noexcept;
