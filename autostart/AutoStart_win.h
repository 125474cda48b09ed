#pragma once
// The logon task through the Task Scheduler 2.0 COM interfaces. The caller has COM initialised
// on its thread (ComScope) and calls only when that succeeded. Neither call reports a failure
// or throws: start at logon is a preference, and the settings page asks again at every start.

#include <windows.h>
#include <taskschd.h>

#include <functional>
#include <string>
#include <string_view>

#include "base/Com_win.h"

// Not in MinGW-w64's taskschd.h: the logon trigger, for its Delay.
MIDL_INTERFACE("72DADE38-FAE4-4B3E-BAF4-5D009AF02B1C")
ILogonTrigger : public ITrigger {
public:
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * pDelay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR * pUser) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c)
#endif

// What the calls reach: the process's COM security call, the scheduler's service object and the
// running executable's path. Tests put a recording scheduler here.
struct TaskSchedulerAccess {
    std::function<HRESULT()> initializeSecurity;
    std::function<HRESULT(ComPtr<ITaskService>& service)> createService;
    std::function<std::wstring()> executablePath;
};
// CoInitializeSecurity, CoCreateInstance of the Task Scheduler, GetModuleFileNameW.
const TaskSchedulerAccess& SystemTaskScheduler();

// Enable: registers (or replaces) the task `Name`, with the logon trigger's delay when
// DelaySeconds > 0. Otherwise deletes the task of exactly that name, when the root folder lists it.
void SetAutoStartTask(std::wstring_view Name, bool Enable, int DelaySeconds,
                      const TaskSchedulerAccess& access = SystemTaskScheduler()) noexcept;
// Whether the root folder lists a task of exactly that name (case counts; hidden tasks are not
// listed). False on any failure.
bool HasAutoStartTask(std::wstring_view Name, const TaskSchedulerAccess& access = SystemTaskScheduler()) noexcept;
