// rambroom_e2e_spy.dll: the driver's foothold inside RamBroom. A window hook of the driver
// loads it into the program; once the driver arms it with a worker's name, it holds the next
// thread the program starts with that name (StartWorker names a thread before it runs) in its
// DLL_THREAD_ATTACH, before that thread runs any of the program's code, until the driver
// releases it; other threads (the taskbar wait, the server check...) pass. A clean's worker then
// waits before its purge, so the busy state lasts as long as a case looks at it.
//
// The held thread owns the loader lock while it waits: the driver removes its hook first, so
// the program's UI thread never asks the loader for the hook module during the hold.

#include <windows.h>

#include <string_view>

#include "base/DynCalls_win.h"
#include "tests/e2e/Hold.h"

namespace {

hold::State* gState = nullptr;
HANDLE gHeld = nullptr;
HANDLE gRelease = nullptr;

void Attach(HINSTANCE self) {
    // Pinned: the system may unload a hook module once the hook is gone, and the hold needs it
    // loaded when the program starts its next thread.
    HMODULE pinned = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(self), &pinned);
    HANDLE mapping = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, hold::kStateName);
    if (!mapping) {
        return; // loaded by someone else than the driver: stays inert
    }
    gState = static_cast<hold::State*>(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(hold::State)));
    ::CloseHandle(mapping); // the view keeps the section
    if (gState && gState->driver == ::GetCurrentProcessId()) {
        gState = nullptr; // the driver loads the module only to hand it to the hook
        return;
    }
    // Looked up once here, ahead of the DLL_THREAD_ATTACH calls that use it.
    dyn::GetThreadDescription();
    gHeld = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, hold::kHeldEventName);
    gRelease = ::OpenEventW(SYNCHRONIZE, FALSE, hold::kReleaseEventName);
    if (gState && gHeld && gRelease) {
        ::InterlockedExchange(&gState->loaded, 1);
    }
}

// Whether the calling thread carries the armed worker's name (GetThreadDescription: Windows 10
// 1607 and Wine; elsewhere nothing is ever held).
bool IsArmedWorker() {
    auto getDescription = dyn::GetThreadDescription();
    PWSTR description = nullptr;
    if (!getDescription || FAILED(getDescription(::GetCurrentThread(), &description)) || !description) {
        return false;
    }
    std::wstring_view worker(gState->worker, std::size(gState->worker));
    worker = worker.substr(0, worker.find(L'\0'));
    const bool same = worker == description;
    ::LocalFree(description);
    return same;
}

void HoldIfArmed() {
    if (!gState || !gHeld || !gRelease || ::InterlockedCompareExchange(&gState->armed, 0, 0) == 0 || !IsArmedWorker() ||
        ::InterlockedExchange(&gState->armed, 0) == 0) {
        return;
    }
    gState->heldThread = ::GetCurrentThreadId();
    ::SetEvent(gHeld);
    ::WaitForSingleObject(gRelease, hold::kMaxHoldMs);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK SpyHook(int code, WPARAM wParam, LPARAM lParam) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Attach(self);
    } else if (reason == DLL_THREAD_ATTACH) {
        HoldIfArmed();
    }
    return TRUE;
}
