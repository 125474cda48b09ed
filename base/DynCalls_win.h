#pragma once
// Functions linked at run time, each declared once here. The rule: call directly what the
// oldest supported system (Windows Vista) has; look up here only what newer systems added, so
// the executable still loads where they are missing. Each accessor gives the function, or
// nullptr where the system lacks it; it is looked up once, on first use, from any thread.
//
//   if (auto getDpi = dyn::GetDpiForWindow()) { dpi = getDpi(window); }

#include <windows.h>
#include <dwmapi.h>
#include <winternl.h> // NTSTATUS

#ifndef NT_SUCCESS // MinGW-w64's winternl.h has it, not every Windows SDK's
#define NT_SUCCESS(status) (static_cast<NTSTATUS>(status) >= 0)
#endif

// MinGW-w64 10 lacks these two (the Windows SDK declares them; a repeat of the same
// declaration is harmless where a newer MinGW-w64 has them too).
#ifdef __MINGW32__
extern "C" {
WINBASEAPI HRESULT WINAPI SetThreadDescription(HANDLE hThread, PCWSTR lpThreadDescription);
WINBASEAPI HRESULT WINAPI GetThreadDescription(HANDLE hThread, PWSTR* ppszThreadDescription);
}
#endif

// Sig_Name: the function's pointer type; Name(): the function or nullptr.
#define RAMBROOM_DYNCALL(name)                                                                                         \
    using Sig_##name = decltype(::name)*;                                                                              \
    Sig_##name name() noexcept;

namespace dyn {

// user32.dll, Windows 7 (Vista has ChangeWindowMessageFilter)
RAMBROOM_DYNCALL(ChangeWindowMessageFilterEx)

// user32.dll, Windows 10 1607 (Vista has SetProcessDPIAware, GetDeviceCaps and the DPI-less forms)
RAMBROOM_DYNCALL(GetDpiForWindow)
RAMBROOM_DYNCALL(AdjustWindowRectExForDpi)
RAMBROOM_DYNCALL(SystemParametersInfoForDpi)
RAMBROOM_DYNCALL(GetSystemMetricsForDpi)
// user32.dll, Windows 10 1703
RAMBROOM_DYNCALL(SetProcessDpiAwarenessContext)

// dwmapi.dll, Windows Vista: not on every system the program runs on (Server Core, some
// embedded editions), so it is loaded here, from the system folder, on first use
RAMBROOM_DYNCALL(DwmSetWindowAttribute)

// kernel32.dll (forwarded to kernelbase.dll), Windows 10 1607
RAMBROOM_DYNCALL(SetThreadDescription)
RAMBROOM_DYNCALL(GetThreadDescription)

// ntdll.dll, the native API: on every system, but no user-mode header declares these as they
// are called here (winternl.h's NtQuerySystemInformation takes an enum that stops at class 45),
// and not every toolchain's ntdll import library carries them.
using Sig_RtlGetVersion = NTSTATUS(NTAPI*)(PRTL_OSVERSIONINFOW info);
Sig_RtlGetVersion RtlGetVersion() noexcept;
using Sig_NtQuerySystemInformation = NTSTATUS(NTAPI*)(ULONG infoClass, PVOID buffer, ULONG length, PULONG returned);
Sig_NtQuerySystemInformation NtQuerySystemInformation() noexcept;
using Sig_NtSetSystemInformation = NTSTATUS(NTAPI*)(ULONG infoClass, PVOID buffer, ULONG length);
Sig_NtSetSystemInformation NtSetSystemInformation() noexcept;

// ntdll.dll under Wine only: its presence tells Wine from Windows.
using Sig_wine_get_version = const char*(WINAPIV*)();
Sig_wine_get_version wine_get_version() noexcept;

} // namespace dyn

#undef RAMBROOM_DYNCALL
