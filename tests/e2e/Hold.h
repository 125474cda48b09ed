#pragma once
// What the driver and rambroom_e2e_spy.dll share to hold RamBroom's cleaning worker: a clean's
// busy state lasts only a moment under Wine (the purge does nothing there), too short to look at.
// Once in the program, the spy also notes the balloons it asks the shell for: Wine's tool tip
// shows a balloon's title but does not give it back (no TTM_GETTITLE).

#include <windows.h>

namespace hold {

inline constexpr wchar_t kStateName[] = L"Local\\RamBroomE2E.Hold";
inline constexpr wchar_t kHeldEventName[] = L"Local\\RamBroomE2E.Held";
inline constexpr wchar_t kReleaseEventName[] = L"Local\\RamBroomE2E.Release";
inline constexpr wchar_t kSpyDll[] = L"rambroom_e2e_spy.dll";
inline constexpr char kSpyHook[] = "SpyHook";
// A held thread goes on by itself after this, should the driver never release it.
inline constexpr DWORD kMaxHoldMs = 60000;

struct State {
    volatile DWORD driver;     // the driver's process id: the spy stays inert there
    volatile LONG loaded;      // set by the spy once it is in the program
    volatile LONG armed;       // the next thread the program starts with the name `worker` is held
    volatile DWORD heldThread; // its thread id
    wchar_t worker[64];        // a thread description (base/Workers.h), written before `armed` is set
    // Shell_NotifyIconW calls with NIF_INFO since the last hold began, and the last one's
    // szInfoTitle and szInfo (written before the count goes up).
    volatile LONG noting; // the program's import of Shell_NotifyIconW goes through the spy
    volatile LONG balloons;
    wchar_t balloonTitle[64];
    wchar_t balloonText[256];
};

} // namespace hold
