// rambroom_e2e_spy.dll: the driver's foothold inside RamBroom. A window hook of the driver
// loads it into the program; once the driver arms it with a worker's name, it holds the next
// thread the program starts with that name (StartWorker names a thread before it runs) in its
// DLL_THREAD_ATTACH, before that thread runs any of the program's code, until the driver
// releases it; other threads (the taskbar wait, the server check...) pass. A clean's worker then
// waits before its purge, so the busy state lasts as long as a case looks at it.
//
// The held thread owns the loader lock while it waits: the driver removes its hook first, so
// the program's UI thread never asks the loader for the hook module during the hold.
//
// It also points the program's import of Shell_NotifyIconW at a wrapper that notes each
// balloon request (title and text) before passing it on.

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "base/DynCalls_win.h"
#include "tests/e2e/Hold.h"

namespace {

hold::State* gState = nullptr;
HANDLE gHeld = nullptr;
HANDLE gRelease = nullptr;

using NotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
NotifyIconFn gNotifyIcon = nullptr;

BOOL WINAPI NotingNotifyIcon(DWORD message, PNOTIFYICONDATAW data) {
    if (gState && data && data->cbSize >= NOTIFYICONDATAW_V2_SIZE && (data->uFlags & NIF_INFO)) {
        ::lstrcpynW(gState->balloonTitle, data->szInfoTitle, ARRAYSIZE(gState->balloonTitle));
        ::lstrcpynW(gState->balloonText, data->szInfo, ARRAYSIZE(gState->balloonText));
        ::InterlockedIncrement(&gState->balloons);
    }
    return gNotifyIcon(message, data);
}

// Points `module`'s import of `dll`!`function` at `replacement`; returns what it pointed at, or
// nullptr when the module does not import that function by name.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) {
        return nullptr;
    }
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0 || !entry->OriginalFirstThunk) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                ::lstrcmpA(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, function) !=
                    0) {
                continue;
            }
            DWORD protection = 0;
            if (!::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection)) {
                return nullptr;
            }
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            ::VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
            return original;
        }
    }
    return nullptr;
}

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
    if (gState && gState->driver == ::GetCurrentProcessId()) {
        ::UnmapViewOfFile(gState);
        ::CloseHandle(mapping);
        gState = nullptr; // the driver loads the module only to hand it to the hook
        return;
    }
    // The handle stays open for the program's life: a view alone keeps the section but not its
    // name, and later drivers find the spy's state by that name.
    // Looked up once here, ahead of the DLL_THREAD_ATTACH calls that use it.
    dyn::GetThreadDescription();
    gHeld = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, hold::kHeldEventName);
    gRelease = ::OpenEventW(SYNCHRONIZE, FALSE, hold::kReleaseEventName);
    if (gState && gHeld && gRelease) {
        gNotifyIcon =
            reinterpret_cast<NotifyIconFn>(PatchImport(::GetModuleHandleW(nullptr), "shell32.dll", "Shell_NotifyIconW",
                                                       reinterpret_cast<void*>(&NotingNotifyIcon)));
        ::InterlockedExchange(&gState->noting, gNotifyIcon != nullptr);
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
