#pragma once
// At logon the program may start before the shell has made its taskbar. The wait looks for
// the taskbar window every 100 ms for at most 10 s, then the icon is shown either way (it
// re-adds itself when the taskbar announces itself later).

#include <cstdint>

class ShellWaitSystem {
public:
    virtual ~ShellWaitSystem() = default;
    virtual bool Terminating() = 0;        // the program is quitting
    virtual bool TaskbarExists() = 0;      // a window of class "Shell_TrayWnd"
    virtual std::uint64_t TickCount() = 0; // milliseconds
    virtual void Sleep(unsigned milliseconds) = 0;
};

inline constexpr std::uint64_t kShellWaitLimitMs = 10000;
inline constexpr unsigned kShellWaitPollMs = 100;

// Returns true when the icon should now be shown (taskbar found or waited long enough),
// false when the program began quitting meanwhile.
bool WaitForShell(ShellWaitSystem& system);
