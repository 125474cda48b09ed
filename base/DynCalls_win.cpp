#include "base/DynCalls_win.h"

namespace dyn {
namespace {

// Only modules that stay loaded for the life of the process (kernel32, ntdll, and user32 in
// every process that has windows): no reference is taken. GetProcAddress hands out FARPROC;
// the detour through void (*)() keeps -Wcast-function-type quiet.
template <typename Fn> Fn Resolve(const wchar_t* module, const char* name) noexcept {
    HMODULE handle = ::GetModuleHandleW(module);
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(handle, name))) : nullptr;
}

// A module that not every process has loaded: loaded from the system folder (never the program's
// own or the current one) and kept for the life of the process.
template <typename Fn> Fn ResolveLoaded(const wchar_t* module, const char* name) noexcept {
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(module) >= MAX_PATH) {
        return nullptr;
    }
    path[length] = L'\\';
    lstrcpyW(path + length + 1, module);
    HMODULE handle = ::GetModuleHandleW(path);
    if (!handle) {
        handle = ::LoadLibraryW(path);
    }
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(handle, name))) : nullptr;
}

} // namespace

// A function-local static: looked up once, thread-safely, on first use.
#define RAMBROOM_RESOLVE(module, name)                                                                                 \
    Sig_##name name() noexcept {                                                                                       \
        static const Sig_##name resolved = Resolve<Sig_##name>(module, #name);                                         \
        return resolved;                                                                                               \
    }

RAMBROOM_RESOLVE(L"user32.dll", ChangeWindowMessageFilterEx)
RAMBROOM_RESOLVE(L"user32.dll", GetDpiForWindow)
RAMBROOM_RESOLVE(L"user32.dll", AdjustWindowRectExForDpi)
RAMBROOM_RESOLVE(L"user32.dll", SystemParametersInfoForDpi)
RAMBROOM_RESOLVE(L"user32.dll", GetSystemMetricsForDpi)
RAMBROOM_RESOLVE(L"user32.dll", SetProcessDpiAwarenessContext)
RAMBROOM_RESOLVE(L"kernel32.dll", SetThreadDescription)
RAMBROOM_RESOLVE(L"kernel32.dll", GetThreadDescription)
RAMBROOM_RESOLVE(L"ntdll.dll", RtlGetVersion)
RAMBROOM_RESOLVE(L"ntdll.dll", NtQuerySystemInformation)
RAMBROOM_RESOLVE(L"ntdll.dll", NtSetSystemInformation)
RAMBROOM_RESOLVE(L"ntdll.dll", wine_get_version)

#define RAMBROOM_RESOLVE_LOADED(module, name)                                                                          \
    Sig_##name name() noexcept {                                                                                       \
        static const Sig_##name resolved = ResolveLoaded<Sig_##name>(module, #name);                                   \
        return resolved;                                                                                               \
    }

RAMBROOM_RESOLVE_LOADED(L"dwmapi.dll", DwmSetWindowAttribute)

#undef RAMBROOM_RESOLVE
#undef RAMBROOM_RESOLVE_LOADED

} // namespace dyn
