#pragma once
// The Task Scheduler 2.0 interfaces (<taskschd.h>) and the one MinGW-w64 leaves out, and the
// factory of the service object. Interface ids come from __uuidof, so no import library
// carries them (there is no taskschd.lib in MinGW-w64; its uuid library lacks these).

#include <windows.h>
#include <taskschd.h>

#include "base/Com_win.h"

#ifndef __ILogonTrigger_INTERFACE_DEFINED__
#define __ILogonTrigger_INTERFACE_DEFINED__
// The platform's vtable order: ITrigger's methods, then Delay and UserId, getter before setter.
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
public:
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR * user) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c)
#endif
#endif

// The service object (CLSID_TaskScheduler), in-process or from a local server. Connect it before use.
HRESULT CreateTaskService(ComPtr<ITaskService>& Service) noexcept;
